# The control classes: native windows wrapped as controls, layered controls
# and layered top-level windows, with their timers, fades and the routines
# that drain the queue and trim the process's memory.
target_sources(varnika_toolkit PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ControlEx.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SystemRoutines.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TopLevel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WinTimer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowEx.cpp
)
target_link_libraries(varnika_toolkit PUBLIC varnika_platform)

# The classic branch: GDI drawing objects, the canvas, classic windows, and
# the tooltip, tray icon and desktop.
target_sources(varnika_toolkit PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GraphicObject.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolTip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TrayIcon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WinControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Window.cpp
)
