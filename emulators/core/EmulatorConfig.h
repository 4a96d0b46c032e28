// The emulator's configuration file ("korvelemu.ini"): one "key=value" per
// line; blank lines and lines starting with '#' or ';' are ignored, and so are
// unknown keys and values that do not parse (the default stays).
//
//   ews64.cards=1                  0 to 2 cards
//   ews64.memory_kb=4096           sound memory of every card
//   ews64.card<N>.memory_kb=...    of card N only
//   ews64.card<N>.id=64a0          identification number (hexadecimal)
//   soundfont.devices=1            0 to 8 devices
//   soundfont.memory_kb=8192       sound memory of every device
//   soundfont.device<N>.memory_kb=...
//   soundfont.device<N>.name=...   the description's device name
//   soundfont.device<N>.rom_name=... name of the built-in bank 0
//   state=korvelemu.state          state file; relative to the configuration's folder
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "emulators/core/ConfigKeys.h"

namespace korvel::emu {

struct Ews64CardConfig {
  std::uint32_t memoryBytes = 0;
  std::uint32_t id = 0;
};

struct SoundFontDeviceConfig {
  std::string name;
  std::string romName;
  std::uint32_t memoryBytes = 0;
};

struct EmulatorConfig {
  std::vector<Ews64CardConfig> cards;
  std::vector<SoundFontDeviceConfig> devices;
  std::string statePath;  // as written after "state="; empty = the host's default
};

constexpr std::uint32_t kDefaultEws64MemoryKb = 4096;
constexpr std::uint32_t kDefaultSoundFontMemoryKb = 8192;
constexpr std::uint32_t kDefaultEws64Id = 0x64A0;  // plus the card number
constexpr const char* kDefaultRomName = "Synth GM Bank";

// The configuration with every key at its default.
EmulatorConfig DefaultConfig();
std::string DefaultDeviceName(unsigned device);
EmulatorConfig ParseConfig(std::string_view text);
// Defaults when the file is missing; only its first kConfigFileMax bytes
// (ConfigKeys.h) count.
EmulatorConfig ReadConfigFile(const std::string& hostPath);

// `path` as is when absolute, else in the folder of `besideFile`.
std::string ResolveBeside(const std::string& besideFile, const std::string& path);

}  // namespace korvel::emu
