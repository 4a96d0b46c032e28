#include "app/Application.h"

#include <stdexcept>

#include "config/ModalService.h"

namespace korvel {

namespace {
constexpr char kApplicationClass[] = "TApplication";
}  // namespace

Application::Application(HINSTANCE instance) : Window(modality_), instance_(instance) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = Window::Procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "MAINICON");
  windowClass.lpszClassName = kApplicationClass;
  RegisterClassA(&windowClass);
  // A window without size: it is there only for its taskbar button.
  window_ = CreateWindowExA(0, kApplicationClass, "Korvel",
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                            nullptr, nullptr, instance, this);
  if (!window_) throw std::runtime_error("The application window could not be created");
  title_ = "Korvel";
}

Application::~Application() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

void Application::SetTitle(const std::string& title) {
  title_ = title;
  SetWindowTextA(window_, title.c_str());
}

void Application::SetIcon(HICON icon) {
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void Application::ShowMainWindow() {
  if (minimized_) return;
  ShowWindow(window_, SW_SHOWNA);
  if (main_) {
    ShowWindow(main_, SW_SHOWNORMAL);
    UpdateWindow(main_);
  }
}

void Application::Minimize() {
  if (minimized_) return;
  minimized_ = true;
  if (main_) ShowWindow(main_, SW_HIDE);
  ShowWindow(window_, SW_MINIMIZE);
  if (OnMinimize) OnMinimize();
}

void Application::Restore() {
  if (!minimized_) return;
  minimized_ = false;
  ShowWindow(window_, SW_RESTORE);
  if (main_) {
    ShowWindow(main_, SW_SHOWNORMAL);
    SetForegroundWindow(main_);
  }
  if (OnRestore) OnRestore();
}

// The taskbar button's own system commands minimize and restore the program;
// while a modal window is open they bring that window forward instead.
LRESULT Application::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND) {
    const WPARAM command = wParam & 0xFFF0;
    const bool ours = command == SC_MINIMIZE || command == SC_RESTORE || command == SC_CLOSE;
    if (ours && Modal().DeclineWhileModal()) return 0;
    switch (command) {
      case SC_MINIMIZE:
        Minimize();
        return 0;
      case SC_RESTORE:
        Restore();
        return 0;
      case SC_CLOSE:
        if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
        return 0;
      default:
        break;
    }
  }
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && main_ && IsWindowVisible(main_)) {
    SetFocus(main_);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool Application::IsMainWindowKey(const MSG& message) const {
  return message.message == WM_KEYDOWN && main_ && (message.hwnd == main_ || IsChild(main_, message.hwnd));
}

int Application::Run() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (OnMainWindowKey && IsMainWindowKey(message) && OnMainWindowKey(message)) continue;
    if (main_ && IsWindow(main_) && IsDialogMessageA(main_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace korvel
