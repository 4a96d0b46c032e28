// What the device layer asks of the main window: the device selector, the
// bank list and tray menu, the progress bar, and the window's state.
#include <commctrl.h>

#include "app/KorvelMain.h"
#include "app/models/TrayMenuItems.h"
#include "banks/DeviceSelector.h"
#include "resources/forms/ControlIds.h"

namespace korvel {

void TForm1::FillDeviceSelector() {
  if (!state_) return;
  HWND selector = form_.Control(ctl::DeviceSelect);
  if (!selector) return;
  const DeviceSelectorContent content = DeviceSelectorLines(state_->devices, state_->config);
  SendMessageA(selector, CB_RESETCONTENT, 0, 0);
  for (const std::string& entry : content.entries)
    SendMessageA(selector, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  SendMessageA(selector, CB_SETCURSEL, static_cast<WPARAM>(content.selected), 0);
}

// While the program is minimized only the tray menu shows the slots.
void TForm1::RebuildBankList() {
  if (!IsMainWindowMinimized()) bankPage_->RebuildBankList();
  BuildTrayMenu();
}

void TForm1::BuildTrayMenu() {
  if (!state_) return;
  trayMenu_.Build(TrayMenuItems(state_->devices, state_->config.curdev, state_->config.cflags));
}

void TForm1::ProgressStep() {
  HWND bar = form_.Control(ctl::ProgressBar);
  if (!bar) return;
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  SendMessageA(bar, PBM_STEPIT, 0, 0);
}

void TForm1::ProgressReset() {
  if (HWND bar = form_.Control(ctl::ProgressBar)) SendMessageA(bar, PBM_SETPOS, 0, 0);
}

bool TForm1::IsMainWindowMinimized() { return application_.IsMinimized(); }

// The whole window with every control in it, at once.
void TForm1::RepaintMainWindow() {
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void TForm1::ShowVirtualBankMode(bool on) { bankPage_->ShowVirtualBankMode(on); }

}  // namespace korvel
