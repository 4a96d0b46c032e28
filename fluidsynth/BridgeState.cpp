#include "fluidsynth/BridgeState.h"

#include <cstdio>
#include <vector>

#include "emulators/core/EmulatorState.h"

namespace korvel::fluid {
namespace {

constexpr std::string_view kHeader = "KORVELFS STATE 1\n";

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

bool DecodeSlot(std::string_view line, Slots* slots) {
  std::vector<std::string_view> f = SplitTabs(line);
  std::uint64_t slot = 0, id = 0, bytes = 0;
  if (f.size() != 6 || !emu::DecimalField(f[0], emu::kSoundFontBanks - 1, &slot) || slot == 0 ||
      !emu::DecimalField(f[1], 0x7FFFFFFF, &id) || !emu::DecimalField(f[2], 0xFFFFFFFFu, &bytes))
    return false;
  SlotRecord& record = (*slots)[slot];
  if (record.loaded) return false;  // a slot twice
  record.loaded = true;
  record.fontId = static_cast<int>(id);
  record.bytes = static_cast<std::uint32_t>(bytes);
  return emu::UnescapeField(f[3], &record.name) && emu::UnescapeField(f[4], &record.path) &&
         emu::UnescapeField(f[5], &record.hostPath);
}

}  // namespace

std::string EncodeBridgeState(const Slots& slots) {
  std::string text(kHeader);
  for (unsigned slot = 1; slot < slots.size(); ++slot) {
    const SlotRecord& record = slots[slot];
    if (!record.loaded) continue;
    text += std::to_string(slot) + "\t" + std::to_string(record.fontId) + "\t" +
            std::to_string(record.bytes) + "\t";
    emu::EscapeField(&text, record.name);
    text += '\t';
    emu::EscapeField(&text, record.path);
    text += '\t';
    emu::EscapeField(&text, record.hostPath);
    text += '\n';
  }
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(emu::Crc32(text)));
  return text + "crc\t" + crc + "\n";
}

bool DecodeBridgeState(std::string_view text, Slots* slots) {
  *slots = Slots{};
  const std::size_t crcAt = text.rfind("crc\t");
  if (text.substr(0, kHeader.size()) != kHeader || crcAt == std::string_view::npos) return false;
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(emu::Crc32(text.substr(0, crcAt))));
  if (text.substr(crcAt) != "crc\t" + std::string(crc) + "\n") return false;
  std::string_view lines = text.substr(kHeader.size(), crcAt - kHeader.size());
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    if (end == std::string_view::npos || !DecodeSlot(lines.substr(0, end), slots)) {
      *slots = Slots{};
      return false;
    }
    lines.remove_prefix(end + 1);
  }
  return true;
}

}  // namespace korvel::fluid
