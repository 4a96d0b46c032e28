#include "emulators/core/EmulatorConfig.h"

#include "emulators/core/BankRecord.h"
#include "emulators/core/ConfigKeys.h"

namespace korvel::emu {
namespace {

constexpr unsigned kMaxCards = 2;
constexpr unsigned kMaxDevices = 8;
constexpr std::size_t kMaxText = 79;  // device names fit the description record

}  // namespace

std::string DefaultDeviceName(unsigned device) {
  std::string name = "Korvel SoundFont Synth";
  if (device > 0) name += " " + std::to_string(device + 1);
  return name;
}

EmulatorConfig DefaultConfig() { return ParseConfig(""); }

EmulatorConfig ParseConfig(std::string_view text) {
  const ConfigKeys keys(text);
  EmulatorConfig config;
  std::uint32_t cards = 1, devices = 1;
  std::uint32_t cardMemory = kDefaultEws64MemoryKb * 1024;
  std::uint32_t deviceMemory = kDefaultSoundFontMemoryKb * 1024;
  keys.Number("ews64.cards", 10, kMaxCards, &cards);
  keys.Number("soundfont.devices", 10, kMaxDevices, &devices);
  keys.Kilobytes("ews64.memory_kb", &cardMemory);
  keys.Kilobytes("soundfont.memory_kb", &deviceMemory);
  for (unsigned n = 0; n < cards; ++n) {
    const std::string prefix = "ews64.card" + std::to_string(n) + ".";
    Ews64CardConfig card{cardMemory, kDefaultEws64Id + n};
    keys.Kilobytes(prefix + "memory_kb", &card.memoryBytes);
    keys.Number(prefix + "id", 16, 0xFFFFFFFFu, &card.id);
    config.cards.push_back(card);
  }
  for (unsigned n = 0; n < devices; ++n) {
    const std::string prefix = "soundfont.device" + std::to_string(n) + ".";
    SoundFontDeviceConfig device{DefaultDeviceName(n), kDefaultRomName, deviceMemory};
    keys.Kilobytes(prefix + "memory_kb", &device.memoryBytes);
    keys.Text(prefix + "name", kMaxText, &device.name);
    keys.Text(prefix + "rom_name", kMaxText, &device.romName);
    config.devices.push_back(device);
  }
  if (const std::string* state = keys.Find("state")) config.statePath = *state;
  return config;
}

EmulatorConfig ReadConfigFile(const std::string& hostPath) {
  return ParseConfig(ReadConfigText(hostPath));
}

std::string ResolveBeside(const std::string& besideFile, const std::string& path) {
  const bool absolute = (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
                        (path.size() > 1 && path[1] == ':');
  if (absolute) return path;
  const std::size_t sep = besideFile.find_last_of("/\\");
  return sep == std::string::npos ? path : besideFile.substr(0, sep + 1) + path;
}

}  // namespace korvel::emu
