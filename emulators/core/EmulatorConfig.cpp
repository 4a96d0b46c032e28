#include "emulators/core/EmulatorConfig.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>

#include "emulators/core/BankRecord.h"

namespace korvel::emu {
namespace {

constexpr unsigned kMaxCards = 2;
constexpr unsigned kMaxDevices = 8;
constexpr std::size_t kMaxText = 79;  // device names fit the description record

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool ParseNumber(std::string_view text, unsigned base, std::uint64_t limit, std::uint32_t* out) {
  if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : -1;
    if (digit < 0) return false;
    value = value * base + static_cast<unsigned>(digit);
  }
  if (value > limit) return false;
  *out = static_cast<std::uint32_t>(value);
  return true;
}

class Keys {
 public:
  explicit Keys(std::string_view text) {
    while (!text.empty()) {
      std::size_t end = text.find('\n');
      std::string_view line = Trim(text.substr(0, end));
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      if (line.empty() || line[0] == '#' || line[0] == ';') continue;
      const std::size_t eq = line.find('=');
      if (eq == std::string_view::npos) continue;
      std::string key(Trim(line.substr(0, eq)));
      for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      values_[key] = std::string(Trim(line.substr(eq + 1)));
    }
  }
  const std::string* Find(const std::string& key) const {
    auto it = values_.find(key);
    return it == values_.end() ? nullptr : &it->second;
  }
  void Number(const std::string& key, unsigned base, std::uint64_t limit, std::uint32_t* out) const {
    if (const std::string* v = Find(key)) ParseNumber(*v, base, limit, out);
  }
  void Kilobytes(const std::string& key, std::uint32_t* bytes) const {
    std::uint32_t kb = 0;
    if (const std::string* v = Find(key); v && ParseNumber(*v, 10, kMaxMemoryBytes / 1024, &kb)) {
      *bytes = kb * 1024;
    }
  }
  void Text(const std::string& key, std::string* out) const {
    if (const std::string* v = Find(key); v && !v->empty()) out->assign(*v, 0, kMaxText);
  }

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace

std::string DefaultDeviceName(unsigned device) {
  std::string name = "Korvel SoundFont Synth";
  if (device > 0) name += " " + std::to_string(device + 1);
  return name;
}

EmulatorConfig DefaultConfig() { return ParseConfig(""); }

EmulatorConfig ParseConfig(std::string_view text) {
  const Keys keys(text);
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
    keys.Text(prefix + "name", &device.name);
    keys.Text(prefix + "rom_name", &device.romName);
    config.devices.push_back(device);
  }
  if (const std::string* state = keys.Find("state")) config.statePath = *state;
  return config;
}

EmulatorConfig ReadConfigFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return DefaultConfig();
  std::string text(kConfigFileMax, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return ParseConfig(text);
}

std::string ResolveBeside(const std::string& besideFile, const std::string& path) {
  const bool absolute = (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
                        (path.size() > 1 && path[1] == ':');
  if (absolute) return path;
  const std::size_t sep = besideFile.find_last_of("/\\");
  return sep == std::string::npos ? path : besideFile.substr(0, sep + 1) + path;
}

}  // namespace korvel::emu
