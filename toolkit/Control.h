// The root of every visible object: a control wraps exactly one native window,
// creates it lazily (parents first), receives its messages through one shared
// window procedure that finds the control by a window property, turns them
// into calls of virtual message handlers and raises the events assigned to it.
// UI thread only.
#pragma once

#include <optional>
#include <string>

#include "base/Component.h"
#include "platform/Messages.h"
#include "toolkit/ControlEvents.h"

namespace varnika {

// --- process-wide state -------------------------------------------------------
// "Widget%.8X" of the process id: the name of the window property (as a global
// atom) under which every window keeps its control.
const std::u16string& WidgetPropName();
ATOM WidgetAtom();
// The next number for the default names "Widget_<n>".
extern int ControlNameCounter;
// GetTickCount at the last keyboard or mouse message that reached a control.
extern DWORD LastInputTick;
// Milliseconds without input after which the application counts as idle.
inline constexpr DWORD IdleThreshold = 10000;
// The tooltip window that serves every control's hint (0: hints are off).
extern HWND ToolTipWindow;

// The instance under which the toolkit registers its window classes: the
// program's own module.
HINSTANCE ModuleInstance();

// ssShift and ssCtrl from the live keyboard, ssAlt from the key data's
// context bit (29).
TShiftState ShiftStateFromKeyData(LPARAM key_data);

// The class procedure of every class the toolkit registers and the subclass
// procedure of system-class windows it wraps.
LRESULT WidgetWndProc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);

// The control attached to a window, or nullptr.
TControl* FindControl(HWND wnd);

// What CreateParams fills for CreateWnd.
struct TCreateParams {
  LPCWSTR Caption = nullptr;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSW WindowClass;
  char16_t WinClassName[64] = {};
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // Builds a message record for the current window handle and hands it to
  // WndProc directly (no queue; works without a window).
  LRESULT Perform(UINT msg, WPARAM wparam, LPARAM lparam);

  // --- window ------------------------------------------------------------------
  // Reading creates the window (and, first, its parents' windows).
  HWND Handle();
  // Attaches an existing window without taking over its messages.
  void SetHandle(HWND wnd);
  HWND WindowHandle() const { return window_handle_; }
  void SetWindowHandle(HWND wnd) { window_handle_ = wnd; }
  // Whether the window handle names a live window.
  bool HasWindow() const;

  TControl* Parent() const { return parent_; }
  HWND ParentWindow() const { return parent_window_; }
  void SetParentWindow(HWND wnd) { parent_window_ = wnd; }
  // Native child windows of the window (0 without one).
  int ControlCount() const;

  const std::u16string& ClassNameW() const { return class_name_; }
  void SetClassNameW(const std::u16string& name);
  int CtrlID() const { return ctrl_id_; }
  void SetCtrlID(int id) { ctrl_id_ = id; }

  DWORD Style() const;
  void SetStyle(DWORD style);
  DWORD ExStyle() const;
  void SetExStyle(DWORD ex_style);

  // --- geometry ------------------------------------------------------------------
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);
  RECT ClientRect() const { return RECT{0, 0, width_, height_}; }
  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }
  void SetClientWidth(int width) { client_width_ = width; }
  void SetClientHeight(int height) { client_height_ = height; }

  // --- state -------------------------------------------------------------------
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  // Creates the window (also when hiding) and shows or hides it.
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool MouseInside() const { return mouse_inside_; }
  void SetFocus();

  int Cursor() const { return cursor_index_; }
  // 0..15, an index into the sixteen system cursors; other values are ignored.
  void SetCursor(int index);

  std::u16string Caption();
  void SetCaption(const std::u16string& caption);

  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool show);
  const std::u16string& Hint() const { return hint_; }
  void SetHint(const std::u16string& hint);

  // Switches of the layered paint walk.
  bool Redraw() const { return redraw_; }
  void SetRedraw(bool redraw) { redraw_ = redraw; }
  bool Cached() const { return cached_; }
  void SetCached(bool cached) { cached_ = cached; }
  bool Locked() const { return locked_; }
  void SetLocked(bool locked) { locked_ = locked; }

  // --- virtual operations ----------------------------------------------------------
  virtual void SetParent(TControl* parent);
  virtual void DefaultHandler(TWidgetMessage& message);
  virtual void WndProc(TWidgetMessage& message);
  virtual void HandleNeeded();
  virtual void CreateHandle();
  virtual void DestroyHandle();
  virtual void SetBounds(int left, int top, int width, int height);
  virtual void Refresh();
  virtual void Repaint() {}
  virtual void Update() {}
  virtual void Paint() {}
  virtual void UpdateLayer() {}
  virtual void Invalidate();

  // --- events --------------------------------------------------------------------
  TMouseEvent OnMouseMove;
  TMouseEvent OnDrag;
  TMouseEvent OnMouseEnter;
  TMouseEvent OnMouseHover;
  TMouseEvent OnMouseLeave;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseEvent OnClick;
  TMouseEvent OnDblClick;
  TMouseWheelEvent OnMouseWheel;
  TSizeEvent OnSize;
  TSizingEvent OnSizing;
  TMoveEvent OnMove;
  TMovingEvent OnMoving;
  TNotifyEvent OnSysTimer;
  TNotifyEvent OnSetFocus;
  TNotifyEvent OnKillFocus;
  TContextMenuEvent OnContextMenu;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TCharEvent OnChar;
  TKeyPressEvent OnKeyPress;  // kept for users; no message raises it
  TWindowPosChangingEvent OnWindowPosChanging;
  TWindowPosChangingEvent OnWindowPosChanged;

 protected:
  virtual void CreateWnd();
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWindowHandle();
  virtual void DestroyWnd();

  virtual void WMCreate(TWidgetMessage& message);
  virtual void WMDestroy(TWidgetMessage& message);
  virtual void AcceptMessage(TWidgetMessage& message);
  virtual void WMSetCursor(TWidgetMessage& message);
  virtual void WMMouseHover(TWidgetMessage& message);
  virtual void WMMouseEnter(TWidgetMessage& message);
  virtual void WMMouseLeave(TWidgetMessage& message);
  virtual void WMMouseMove(TWidgetMessage& message);
  virtual void WMButtonDown(TWidgetMessage& message);
  virtual void WMButtonUp(TWidgetMessage& message);
  virtual void WMMouseWheel(TWidgetMessage& message);
  virtual void WMButtonDblClk(TWidgetMessage& message);
  virtual void WMSize(TWidgetMessage& message);
  virtual void WMSizing(TWidgetMessage& message);
  virtual void WMMove(TWidgetMessage& message);
  virtual void WMMoving(TWidgetMessage& message);
  virtual void WMSysTimer(TWidgetMessage& message);
  virtual void WMSetFocus(TWidgetMessage& message);
  virtual void WMKillFocus(TWidgetMessage& message);
  virtual void WMShowWindow(TWidgetMessage& message);
  virtual void WMGetDlgCode(TWidgetMessage& message);
  virtual void WMCancelMode(TWidgetMessage& message);
  virtual void WMWindowPosChanged(TWidgetMessage& message);
  virtual void WMWindowPosChanging(TWidgetMessage& message);
  virtual void WMNCHitTest(TWidgetMessage& message);
  virtual void WMGetText(TWidgetMessage& message);
  virtual void WMGetTextLength(TWidgetMessage& message);
  virtual void WMSetText(TWidgetMessage& message);
  virtual void WMHScroll(TWidgetMessage& message);
  virtual void WMVScroll(TWidgetMessage& message);
  virtual void WMNotify(TWidgetMessage& message);
  virtual void WMCtlColor(TWidgetMessage& message);
  virtual void WMReflect(TWidgetMessage& message);
  virtual void WMChar(TWidgetMessage& message);
  virtual void WMKeyDown(TWidgetMessage& message);
  virtual void WMKeyUp(TWidgetMessage& message);
  virtual void WMContextMenu(TWidgetMessage& message);
  virtual void WMCommand(TWidgetMessage& message);
  virtual void WMDrawItem(TWidgetMessage& message);
  virtual void WMMeasureItem(TWidgetMessage& message);
  virtual void TextChanged(TWidgetMessage& message);
  virtual void FontChanged(TWidgetMessage& message);

  WNDPROC DefaultWindowProc() const { return default_proc_; }

 private:
  friend LRESULT WidgetWndProc(HWND, UINT, WPARAM, LPARAM);
  friend struct TControlDispatch;

  void MoveToBounds();
  void ForwardToParent(TWidgetMessage& message);
  void ReflectTo(HWND target, TWidgetMessage& message);
  void SendToolInfo(UINT msg, UINT flags);
  void DetachFromWindow();
  // Runs on WM_NCDESTROY: the window's procedure goes back to the default one.
  void ReleaseWindowProc(HWND wnd);

  HWND window_handle_ = nullptr;
  TControl* parent_ = nullptr;
  WNDPROC default_proc_ = nullptr;
  HCURSOR cursor_handle_ = nullptr;
  int cursor_index_ = 0;
  int left_ = 0;
  int top_ = 0;
  int width_ = 1;
  int height_ = 1;
  DWORD style_ = 0;
  DWORD ex_style_ = 0;
  std::optional<std::u16string> saved_text_;
  bool visible_ = false;
  bool mouse_inside_ = false;
  bool enabled_ = true;
  HWND parent_window_ = nullptr;
  int client_width_ = 0;
  int client_height_ = 0;
  bool click_armed_ = false;
  bool show_hint_ = false;
  std::u16string hint_;
  std::u16string class_name_ = u"TControl";
  int ctrl_id_ = 0;
  bool redraw_ = true;
  bool cached_ = false;
  bool locked_ = false;
};

}  // namespace varnika
