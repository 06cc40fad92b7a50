# The control classes: native windows wrapped as controls, layered controls
# and layered top-level windows.
target_sources(varnika_toolkit PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ControlEx.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowEx.cpp
)
target_link_libraries(varnika_toolkit PUBLIC varnika_platform)
