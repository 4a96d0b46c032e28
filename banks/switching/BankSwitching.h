// Automated bank switching: the operations that MIDI asks for, carried out
// on the user-interface thread (BankSwitchingRequests brings them there).
// In virtual bank mode a preset only assigns bank files to slots; these
// operations load and unload them when MIDI asks.
#pragma once

#include <cstdint>
#include <functional>

#include "banks/DeviceTable.h"

namespace korvel {

class MidiPortTable;

// Buffers of the bank-switching input: three of 256 bytes.
constexpr int kBankSwitchBufferCount = 3;
constexpr int kBankSwitchBufferSize = 256;

class BankSwitching {
 public:
  // `loadPresetByNumber` loads the numbered preset (Control Change 15).
  BankSwitching(DeviceTable& devices, std::function<void(int)> loadPresetByNumber);

  // Loads the bank assigned to a slot that is not loaded, in virtual bank
  // mode only. A device or slot outside the table is ignored.
  void LoadVirtualBank(int dev, int slot);
  // Unloads a slot; in virtual bank mode its assignment stays.
  void ClearBankByMidi(int dev, int slot);
  // LoadVirtualBank on the device a system-exclusive selector names: kind in
  // the low four bits, number within its backend in the high four bits.
  void LoadVirtualBankBySelector(std::uint8_t selector, int slot);
  void LoadPresetByNumber(int number);

  // The device that Program Changes load on; 0 at the start.
  void SelectDevice(std::uint8_t dev) { selectedDevice_ = dev; }
  std::uint8_t SelectedDevice() const { return selectedDevice_; }

  // Makes MIDI port `port` the bank-switching input (-1: the one named in
  // the configuration), or removes it when the `BankSwitchInput` option is
  // off. While `updatingControls` the input that is open stays open.
  void SetBankSwitchingInput(MidiPortTable& ports, int port, bool updatingControls);

 private:
  bool IsSlotOf(int dev, int slot) const;
  void ShowChangedSlots(int dev);

  DeviceTable& devices_;
  std::function<void(int)> loadPresetByNumber_;
  std::uint8_t selectedDevice_ = 0;
};

}  // namespace korvel
