// The SoundFont manager backed by a running FluidSynth: one device whose
// slot n is FluidSynth's bank offset n, so a program change with bank select
// n plays what Korvel loaded into slot n. Bank 0, the device's built-in bank,
// stands for the fonts FluidSynth had loaded before Korvel (at offset 0).
//
// The slots are what the bridge loaded, kept in its state file and checked
// against FluidSynth's `fonts` at every open: a FluidSynth restarted behind
// Korvel's back has lost its fonts, and their slots are empty. FluidSynth has
// no sound memory; the device offers the configured size and refuses a load
// that would take more, so that Korvel replaces banks as on a card.
//
// The methods are the manager's entries (ManagerEntries.h). While FluidSynth
// does not answer, opening the device, every entry that needs it open, and
// every command that needs FluidSynth answer kSfSynthUnreachable; the next
// open tries again.
#pragma once

#include <cstdint>
#include <string>

#include "emulators/core/Abi.h"
#include "emulators/core/BankRecord.h"
#include "fluidsynth/BridgeConfig.h"
#include "fluidsynth/BridgeState.h"
#include "fluidsynth/FluidShell.h"

namespace korvel::fluid {

// The manager result for "FluidSynth does not answer at host:port".
constexpr std::uint32_t kSfSynthUnreachable = 130;
// A large font takes FluidSynth a while; this long without a byte of answer
// is a FluidSynth that hangs.
constexpr int kLoadTimeoutMs = 30000;
// Bank 0's name when FluidSynth had no font of its own.
constexpr const char* kNoFontRomName = "FluidSynth";

struct BridgeSetup {
  std::string configPath;       // korvelfs.ini (may be missing: defaults)
  std::string statePath;        // korvelfs.state
  emu::PathMapper mapSynthPath;  // a bank path as Korvel names it -> as FluidSynth opens it
};

class FluidManager {
 public:
  explicit FluidManager(const BridgeSetup& setup);

  std::uint32_t DeviceCount(std::uint32_t* count);
  std::uint32_t Describe(std::uint32_t dev, void* record);
  std::uint32_t Open(std::uint32_t dev);
  std::uint32_t Close(std::uint32_t dev);
  std::uint32_t Memory(std::uint32_t dev, std::int32_t* total, std::int32_t* free);
  std::uint32_t RomName(std::uint32_t dev, emu::SfRequest* request);
  std::uint32_t Load(std::uint32_t dev, const std::uint16_t* bank, emu::SfRequest* request);
  std::uint32_t BankName(std::uint32_t dev, const std::uint16_t* bank, emu::SfRequest* request);
  std::uint32_t BankPath(std::uint32_t dev, const std::uint16_t* bank, emu::SfRequest* request);
  std::uint32_t Clear(std::uint32_t dev, const std::uint16_t* bank);

  std::string DeviceName() const;

 private:
  std::uint32_t Opened(std::uint32_t dev) const;
  void ReadState();
  void MatchFonts(const std::vector<LoadedFont>& fonts);
  void SaveState() const;
  std::uint64_t BytesUsedBesides(unsigned slot) const;
  std::uint32_t LoadFile(unsigned slot, const std::string& path);

  BridgeConfig config_;
  std::string statePath_;
  emu::PathMapper mapSynthPath_;
  FluidShell shell_;
  Slots slots_;
  std::string romName_ = kNoFontRomName;
  bool open_ = false;
  // What the entries that need the device open answer while it is not: after
  // an open that found no FluidSynth, Korvel goes on to ask for bank names,
  // and its message is to name the cause, not a device left closed.
  std::uint32_t notOpen_ = emu::kSfNotOpen;
};

}  // namespace korvel::fluid
