#include "emulators/core/Emulator.h"

#include <utility>

#include "emulators/core/EmulatorState.h"
#include "emulators/core/Ews64DriverCore.h"
#include "emulators/core/ManagerCores.h"

namespace korvel::emu {

Emulator::Emulator(EmulatorSetup setup)
    : setup_(std::move(setup)), config_(ReadConfigFile(setup_.configPath)) {
  statePath_ = config_.statePath.empty() ? setup_.statePath
                                         : ResolveBeside(setup_.configPath, config_.statePath);
  for (const Ews64CardConfig& card : config_.cards) cards_.emplace_back(card.memoryBytes, card.id);
  for (const SoundFontDeviceConfig& device : config_.devices) {
    devices_.emplace_back(device.name, device.romName, device.memoryBytes);
  }
  driver_ = std::make_unique<Ews64DriverCore>(*this);
  sfManager_ = std::make_unique<SoundFontManagerCore>(*this);
  aweManager_ = std::make_unique<AweManagerCore>(*this);
  if (setup_.makeStateLock) lock_ = setup_.makeStateLock(statePath_);
  const Operation start(*this);  // the banks as the state file holds them
}

Emulator::~Emulator() = default;

Emulator::Operation::Operation(Emulator& emulator) : emulator_(emulator) {
  locked_ = emulator_.lock_ && emulator_.lock_->Acquire();
  emulator_.Sync();
}

Emulator::Operation::~Operation() {
  if (locked_) emulator_.lock_->Release();
}

// The whole file is read every time: only a comparison of its contents is
// sure to notice another process's change (a size or a time stamp can repeat).
// Reading a state file of a few kilobytes costs little.
void Emulator::Sync() {
  if (!ReadWholeFile(statePath_, kStateFileMax, &read_)) read_.clear();
  if (seen_ && *seen_ == read_) return;
  Apply(read_);
  seen_ = read_;
}

void Emulator::Apply(const std::string& text) {
  for (Ews64Card& card : cards_) card.ClearAll();
  for (SoundFontDevice& device : devices_) device.ClearAll();
  std::vector<StoredBank> banks;
  if (!DecodeState(text, &banks)) return;
  // Banks of units the configuration no longer has, or that no longer fit, are dropped.
  for (const StoredBank& stored : banks) {
    if (stored.unit == Unit::Ews64 && stored.index < cards_.size()) {
      cards_[stored.index].Restore(stored.bank, stored.record);
    } else if (stored.unit == Unit::SoundFont && stored.index < devices_.size()) {
      devices_[stored.index].Restore(stored.bank, stored.record);
    }
  }
}

// A change that leaves the banks as they were (a bank loaded again, an empty
// bank cleared) writes nothing: the file, read at the start of this
// operation, holds them already.
bool Emulator::Save() {
  std::string text = EncodeState(cards_, devices_);
  if (seen_ && *seen_ == text) return true;
  if (statePath_.empty() || !ReplaceFileContents(statePath_, text)) return false;
  seen_ = std::move(text);
  return true;
}

}  // namespace korvel::emu
