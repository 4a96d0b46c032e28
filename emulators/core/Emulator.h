// The emulated sound hardware of one process: the EWS64 cards and SoundFont
// devices that the configuration describes, with the banks they hold.
//
// The state file is the devices' memory. Every operation first brings the
// banks up to date with it (another module or an earlier run may have changed
// it) and every change is written back at once, through a new file that then
// replaces the old one. With a state lock in the setup, each operation holds
// it from that read to that write, so that emulators of other processes
// cannot interleave theirs and lose a change. A state file that is damaged is
// ignored: the devices start empty.
//
// Not thread-safe: like the program that calls them, the driver and the
// managers are used from one thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulators/core/BankRecord.h"
#include "emulators/core/EmulatorConfig.h"
#include "emulators/core/Ews64Card.h"
#include "emulators/core/SoundFontDevice.h"
#include "emulators/core/StateLock.h"

namespace korvel::emu {

class Ews64DriverCore;
class SoundFontManagerCore;
class AweManagerCore;

struct EmulatorSetup {
  std::string configPath;  // host path of the configuration file (it may be missing)
  std::string statePath;   // host path of the state file unless the configuration names one
  PathMapper mapBankPath;  // bank paths as the program sends them -> host paths
  StateLockMaker makeStateLock;  // none: no other process uses the state file at once
};

class Emulator {
 public:
  explicit Emulator(EmulatorSetup setup);
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  const EmulatorConfig& Config() const { return config_; }
  const std::string& StatePath() const { return statePath_; }
  const PathMapper& BankPathMapper() const { return setup_.mapBankPath; }

  std::vector<Ews64Card>& Cards() { return cards_; }
  std::vector<SoundFontDevice>& Devices() { return devices_; }

  Ews64DriverCore& Ews64Driver() { return *driver_; }
  SoundFontManagerCore& SoundFontManager() { return *sfManager_; }
  AweManagerCore& AweManager() { return *aweManager_; }

  // One operation of the driver or a manager, for as long as it lives: it
  // takes the state lock and brings the banks up to date with the state
  // file, and when it ends (after the operation's Save) releases the lock.
  class Operation {
   public:
    explicit Operation(Emulator& emulator);
    ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

   private:
    Emulator& emulator_;
    bool locked_ = false;
  };

  // Writes the banks to the state file, unless it holds them already; false
  // when that failed (the devices keep the change for the life of this
  // process). Within an Operation.
  bool Save();

 private:
  // Re-reads the state file and applies it when its contents differ from
  // what this emulator last read or wrote.
  void Sync();
  void Apply(const std::string& text);

  EmulatorSetup setup_;
  EmulatorConfig config_;
  std::string statePath_;
  std::vector<Ews64Card> cards_;
  std::vector<SoundFontDevice> devices_;
  std::unique_ptr<StateLock> lock_;  // null without a maker in the setup
  std::optional<std::string> seen_;  // state file contents last read or written
  std::string read_;                 // what Sync read; kept for its capacity
  std::unique_ptr<Ews64DriverCore> driver_;
  std::unique_ptr<SoundFontManagerCore> sfManager_;
  std::unique_ptr<AweManagerCore> aweManager_;
};

}  // namespace korvel::emu
