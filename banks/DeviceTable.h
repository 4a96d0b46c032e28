// The device table and the generic device operations. Each operation looks
// at the device's kind and hands the work to the EWS64 or the SoundFont
// backend. Failures are reported through the shared ErrorState.
#pragma once

#include <cstdint>
#include <memory>

#include "banks/BankFolderListings.h"
#include "banks/ErrorReport.h"
#include "banks/ShellPort.h"
#include "banks/SoundDevice.h"
#include "config/Configuration.h"
#include "config/ScratchRing.h"

namespace korvel {

class Ews64Backend;
class SoundFontBackend;

class DeviceTable {
 public:
  static constexpr std::size_t kHeaderBufferSize = 1024;

  DeviceTable(Configuration& config, ErrorState& errors, ShellPort& shell, ScratchRing& scratch);
  ~DeviceTable();
  DeviceTable(const DeviceTable&) = delete;
  DeviceTable& operator=(const DeviceTable&) = delete;

  // Header buffer, driver block and scratch ring; ErrorCode 2 on failure.
  void InitBankLayer();
  void ShutdownBankLayer();

  // At most four devices, EWS64 cards first; a fifth device that a backend
  // reports is left out. Fills the device selector.

  // Backends, opened at start-up as the option flags ask.
  Ews64Backend& Ews64() { return *ews64_; }
  SoundFontBackend& SoundFont() { return *soundFont_; }

  void RefreshDevices();
  // Empties the device records' tables; the count becomes 0.
  void ReleaseDevices();
  int Count() const { return count_; }
  SoundDevice& Device(int dev) { return devices_[dev]; }
  const SoundDevice& Device(int dev) const { return devices_[dev]; }

  // ErrorCode 11 for a device number outside the table or an unknown kind.
  // Brackets nest: a SoundFont device opened twice stays open until the
  // second close, so that an operation called inside another's bracket (a
  // repaint inside a load) does not close the device under its caller.
  // Operations hold a DeviceAccess (banks/DeviceAccess.h) rather than
  // pairing these calls themselves.
  void OpenDeviceAccess(int dev);
  // Every open is closed again, also after a failed open.
  void CloseDeviceAccess(int dev);
  void OpenAllSoundFontDevices();
  void CloseAllSoundFontDevices();

  // Dispatching operations: a device number outside the count, or a slot
  // outside 0-127 (ErrorCode 17), is not handed to a backend.
  bool IsBankLoaded(int dev, int slot, const char* name);
  void LoadBankFile(int dev, int slot, const char* path);
  std::int32_t ClearSlotInDevice(int dev, int slot);
  void ReadSlotInfo(int dev, int slot, BankSlot& rec);
  void ReadBankName(int dev, const char* path, BankSlot& rec);
  void ReadMemInfo(int dev);
  void ReadAllMemInfo();
  int SmartSlot(int dev, int slot, const char* path);

  std::uint32_t NextUseStamp() { return ++useCounter_; }
  std::uint32_t UseCounter() const { return useCounter_; }
  void NormaliseUseStamps();
  // The slot part of switching virtual bank mode, after `VBMode` changed (the
  // presets clear the current preset first):
  // exchanges the views of every EWS64 device, then refreshes the slots
  // unless a preset is being loaded or the program is setting its controls.
  void ApplyVirtualBankMode(bool loadingPreset, bool updatingControls);

  // Names `path` as the failing file through a copy of its own, so that a
  // later ReportError still finds it when the caller's buffer is gone.
  const char* KeepFailingFile(const char* path);

  bool VirtualBankMode() const { return config_.Has(VBMode); }
  Configuration& Config() { return config_; }
  ErrorState& Errors() { return errors_; }
  ShellPort& Shell() { return shell_; }
  ScratchRing& Scratch() { return scratch_; }
  // 1024 bytes for reading bank file headers.
  std::uint8_t* HeaderBuffer() { return headerBuffer_.get(); }
  // The bank folders' files and their bank names, as the searches read them.
  BankFolderListings& BankListings() { return bankListings_; }

 private:
  Configuration& config_;
  ErrorState& errors_;
  ShellPort& shell_;
  ScratchRing& scratch_;
  std::unique_ptr<Ews64Backend> ews64_;
  std::unique_ptr<SoundFontBackend> soundFont_;
  std::unique_ptr<std::uint8_t[]> headerBuffer_;
  BankFolderListings bankListings_;
  SoundDevice devices_[kMaxDevices];
  int count_ = 0;
  int accessDepth_[kMaxDevices] = {};
  std::uint32_t useCounter_ = 0;
  char failingFile_[260] = {};
};

}  // namespace korvel
