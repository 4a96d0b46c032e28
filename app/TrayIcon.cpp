#include "app/TrayIcon.h"

#include "config/ModalService.h"
#include "config/TextHelpers.h"

namespace korvel {

namespace {
constexpr char kMessageWindowClass[] = "TTrayIconWindow";
}  // namespace

TTrayIcon::TTrayIcon(Application& application) : Window(application.Modal()), application_(application) {}

TTrayIcon::~TTrayIcon() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

NOTIFYICONDATAA TTrayIcon::Record(UINT flags) const {
  NOTIFYICONDATAA record{};
  record.cbSize = kTrayRecordSize;
  record.hWnd = window_;
  record.uID = kTrayIconId;
  record.uFlags = flags;
  record.uCallbackMessage = kTrayCallbackMessage;
  record.hIcon = Icon;
  // Cut to 63 characters so that it ends inside the 64-byte field.
  BoundedCopy(record.szTip, Tooltip.c_str(), 64);
  return record;
}

void TTrayIcon::Add() {
  if (added_ || !Icon || !Form) return;
  HINSTANCE instance = application_.Instance();
  WNDCLASSA existing;
  if (!GetClassInfoA(instance, kMessageWindowClass, &existing)) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Window::Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kMessageWindowClass;
    RegisterClassA(&windowClass);
  }
  window_ = CreateWindowExA(0, kMessageWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
  NOTIFYICONDATAA record = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  added_ = Shell_NotifyIconA(NIM_ADD, &record) != FALSE;
  savedMinimize_ = application_.OnMinimize;
  savedRestore_ = application_.OnRestore;
  application_.OnMinimize = [this] { Minimized(); };
  application_.OnRestore = [this] { Restored(); };
}

void TTrayIcon::Remove() {
  if (!added_ || !Icon) return;
  if (savedMinimize_) application_.OnMinimize = savedMinimize_;
  if (savedRestore_) application_.OnRestore = savedRestore_;
  NOTIFYICONDATAA record = Record(NIF_MESSAGE | NIF_ICON);
  DestroyWindow(window_);
  window_ = nullptr;
  added_ = Shell_NotifyIconA(NIM_DELETE, &record) == FALSE;
}

// Minimized with the icon there: the taskbar button goes.
void TTrayIcon::Minimized() {
  if (added_) ShowWindow(application_.Handle(), SW_HIDE);
  if (savedMinimize_) savedMinimize_();
}

void TTrayIcon::Restored() {
  if (added_) {
    ShowWindow(application_.Handle(), SW_RESTORE);
    HWND active = GetLastActivePopup(application_.Handle());
    if (active && IsWindowVisible(active) && IsWindowEnabled(active)) SetForegroundWindow(active);
  }
  if (savedRestore_) savedRestore_();
}

// While a modal window is open a click brings it forward and does nothing else.
void TTrayIcon::MouseMessage(UINT mouse) {
  const bool click = mouse == WM_LBUTTONDOWN || mouse == WM_LBUTTONDBLCLK || mouse == WM_RBUTTONDBLCLK ||
                     mouse == WM_RBUTTONDOWN;
  if (click && Modal().DeclineWhileModal()) return;
  switch (mouse) {
    case WM_LBUTTONDOWN:
      if (OnLeftClick) OnLeftClick();
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
      if (OnDblClick) OnDblClick();
      else application_.Restore();
      break;
    case WM_RBUTTONDOWN:
      if (PopupMenu) {
        POINT cursor{};
        GetCursorPos(&cursor);
        // The menu's owner must be in front, or the menu does not close
        // when the user clicks elsewhere.
        SetForegroundWindow(Form);
        TrackPopupMenu(PopupMenu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, Form, nullptr);
        PostMessageA(Form, WM_NULL, 0, 0);
      } else if (OnRightClick) {
        OnRightClick();
      }
      break;
    default:
      break;
  }
}

LRESULT TTrayIcon::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTrayCallbackMessage) {
    MouseMessage(static_cast<UINT>(lParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace korvel
