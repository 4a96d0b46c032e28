#include "banks/switching/BankSwitching.h"

#include <utility>

#include "banks/BankLoading.h"
#include "banks/DeviceAccess.h"

namespace korvel {

BankSwitching::BankSwitching(DeviceTable& devices, std::function<void(int)> loadPresetByNumber)
    : devices_(devices), loadPresetByNumber_(std::move(loadPresetByNumber)) {}

// MIDI data bytes name devices and slots far beyond the table; such
// requests must not reach it.
bool BankSwitching::IsSlotOf(int dev, int slot) const {
  return dev >= 0 && dev < devices_.Count() && slot >= 0 && slot < kSlotsPerDevice;
}

void BankSwitching::LoadVirtualBank(int dev, int slot) {
  if (!IsSlotOf(dev, slot) || !devices_.VirtualBankMode()) return;
  SoundDevice& device = devices_.Device(dev);
  if (device.slots[slot].Has(Loaded) || device.paths[slot][0] == '\0') return;
  ErrorState& errors = devices_.Errors();
  errors.ErrorCode = kErrOk;
  const DeviceAccess access(devices_, dev);
  if (errors.ErrorCode != kErrOk) {
    ReportError(errors, "LoadVirtualBank");
    return;
  }
  ShellPort& shell = devices_.Shell();
  shell.ProgressReset();
  if (LoadBank(devices_, dev, slot, device.paths[slot]) != kErrOk) {
    ReportError(errors, "LoadVirtualBank");
  }
  shell.ProgressReset();
  ShowChangedSlots(dev);
}

void BankSwitching::ClearBankByMidi(int dev, int slot) {
  if (!IsSlotOf(dev, slot)) return;
  ErrorState& errors = devices_.Errors();
  errors.ErrorCode = kErrOk;
  const DeviceAccess access(devices_, dev);
  if (errors.ErrorCode != kErrOk) {
    ReportError(errors, "ClearBankByMidi");
    return;
  }
  UnloadSlot(devices_, dev, slot, kUnloadDefault);
  ShowChangedSlots(dev);
}

// What a request changed, shown at once: the bank list and the memory
// graph while the window is shown, the tray menu always.
void BankSwitching::ShowChangedSlots(int dev) {
  ShellPort& shell = devices_.Shell();
  if (!shell.IsMainWindowMinimized()) {
    devices_.ReadMemInfo(dev);
    shell.DrawMemoryGraph();
    shell.RebuildBankList();
  }
  shell.BuildTrayMenu();
}

// With a single device any selector loads on it; the search by selector
// then finds the slot loaded already when it names that device too.
void BankSwitching::LoadVirtualBankBySelector(std::uint8_t selector, int slot) {
  if (!devices_.VirtualBankMode()) return;
  if (devices_.Count() == 1) LoadVirtualBank(0, slot);
  for (int dev = 0; dev < devices_.Count(); ++dev) {
    const SoundDevice& device = devices_.Device(dev);
    if (device.kind == (selector & 0x0F) && device.backendIndex == (selector >> 4)) {
      LoadVirtualBank(dev, slot);
      return;
    }
  }
}

void BankSwitching::LoadPresetByNumber(int number) {
  if (loadPresetByNumber_) loadPresetByNumber_(number);
}

}  // namespace korvel
