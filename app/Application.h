// The application: its own small window, which carries the taskbar button
// and the application title and owns the main window; minimizing and
// restoring the program, with handlers that others (the tray icon) may
// replace; and the message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/Window.h"
#include "config/ModalService.h"

namespace korvel {

class Application : public Window {
 public:
  explicit Application(HINSTANCE instance);
  ~Application() override;

  HINSTANCE Instance() const { return instance_; }
  ModalService& Modal() { return modality_; }
  // The window that owns the main window and carries the taskbar button.
  HWND Handle() const { return window_; }

  // The taskbar text.
  void SetTitle(const std::string& title);
  const std::string& Title() const { return title_; }
  void SetIcon(HICON icon);
  // The window that minimizing hides and restoring shows again.
  void SetMainWindow(HWND window) { main_ = window; }
  // Shows the main window unless the program was minimized before.
  void ShowMainWindow();

  // Minimizing hides the main window and minimizes the taskbar button;
  // restoring brings both back and activates the main window. Each then
  // runs its handler.
  void Minimize();
  void Restore();
  bool IsMinimized() const { return minimized_; }
  std::function<void()> OnMinimize;
  std::function<void()> OnRestore;

  // A key pressed in the main window, before the dialog keys see it:
  // returns true when it used the key.
  std::function<bool(const MSG&)> OnMainWindowKey;

  // Dispatches messages until the main window is gone; returns 0.
  int Run();

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  bool IsMainWindowKey(const MSG& message) const;

  HINSTANCE instance_;
  ModalService modality_;
  HWND window_ = nullptr;
  HWND main_ = nullptr;
  std::string title_;
  bool minimized_ = false;
};

}  // namespace korvel
