// TTrayIcon: the program's icon in the notification area. While it is
// there, minimizing the program leaves only the icon (no taskbar button); a
// double click on it restores the program and a right click opens its menu.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "app/Application.h"
#include "app/Window.h"

namespace korvel {

// The shell's notification record in its first form: 88 bytes on 32-bit
// Windows, a 64-byte tip included.
constexpr UINT kTrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
constexpr UINT kTrayIconId = 0x41A9F252;
constexpr UINT kTrayCallbackMessage = WM_USER + 1;  // 1025
#ifndef _WIN64
static_assert(kTrayRecordSize == 88, "the notification record of Windows 95");
#endif

class TTrayIcon : public Window {
 public:
  explicit TTrayIcon(Application& application);
  ~TTrayIcon() override;  // removing the icon is the owner's duty

  HICON Icon = nullptr;
  std::string Tooltip;
  HWND Form = nullptr;
  HMENU PopupMenu = nullptr;  // opened with Form as owner, which gets its commands
  std::function<void()> OnLeftClick;
  std::function<void()> OnRightClick;
  std::function<void()> OnDblClick;

  void SetIcon(HICON icon) {
    if (icon) Icon = icon;
  }
  // Puts the icon into the notification area and installs the minimize and
  // restore handlers; needs an icon and a form.
  void Add();
  // Takes it out and gives the application its handlers back.
  void Remove();
  bool Added() const { return added_; }
  // The hidden window that receives the icon's mouse messages.
  HWND MessageWindow() const { return window_; }

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void MouseMessage(UINT mouse);
  void Minimized();
  void Restored();
  NOTIFYICONDATAA Record(UINT flags) const;

  Application& application_;
  HWND window_ = nullptr;
  std::function<void()> savedMinimize_;
  std::function<void()> savedRestore_;
  bool added_ = false;
};

}  // namespace korvel
