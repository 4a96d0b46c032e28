// What the bank layer asks of the program's windows after it changed what
// they show. The main window implements it; tests record the calls.
#pragma once

namespace korvel {

class ShellPort {
 public:
  virtual ~ShellPort() = default;
  virtual void FillDeviceSelector() = 0;
  virtual void RebuildBankList() = 0;
  virtual void BuildTrayMenu() = 0;
  // The main window's progress bar: one step per bank sent to a device.
  virtual void ProgressStep() = 0;
  virtual void ProgressReset() = 0;
  virtual bool IsMainWindowMinimized() = 0;
  virtual void RepaintMainWindow() = 0;
  // The sound-memory graph of the current device, from its figures.
  virtual void DrawMemoryGraph() = 0;
  // Ticks "Virtual Bank Mode" and enables the unload button, or the reverse.
  virtual void ShowVirtualBankMode(bool on) = 0;
};

}  // namespace korvel
