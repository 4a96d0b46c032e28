// The bridge's state file ("korvelfs.state" beside it): which font the
// bridge loaded into each slot, so that a restarted Korvel finds them again.
//
//   KORVELFS STATE 1
//   slot<TAB>font id<TAB>bytes<TAB>name<TAB>path<TAB>host path
//   crc<TAB>xxxxxxxx
//
// Fields are escaped as in korvelemu.state and the CRC-32 covers every byte
// before its line, so a torn or altered file is seen and ignored as a whole.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "emulators/core/Abi.h"

namespace korvel::fluid {

struct SlotRecord {
  bool loaded = false;
  int fontId = 0;           // FluidSynth's ID of the font
  std::uint32_t bytes = 0;  // the file's size: the memory the slot takes
  std::string name;         // the SoundFont's INAM
  std::string path;         // as Korvel named the file
  std::string hostPath;     // as FluidSynth was given it
};

using Slots = std::array<SlotRecord, emu::kSoundFontBanks>;

std::string EncodeBridgeState(const Slots& slots);
// False, and every slot empty, for anything but an intact state file.
bool DecodeBridgeState(std::string_view text, Slots* slots);

}  // namespace korvel::fluid
