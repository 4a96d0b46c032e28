// The message mix and the modification lists the MIDI benchmarks share.
#pragma once

#include <cstdint>
#include <vector>

#include "midi/Modification.h"

namespace korvel::bench {

// Notes, controllers and pitch wheel messages across the channels.
inline std::vector<std::uint32_t> Messages() {
  std::vector<std::uint32_t> messages;
  for (std::uint32_t i = 0; i < 256; ++i) {
    const std::uint32_t types[] = {0x90, 0x80, 0xB0, 0xE0};
    messages.push_back((types[i % 4] | (i % 16)) | ((i * 7 % 128) << 8) | ((i * 13 % 128) << 16));
  }
  return messages;
}

// `count` records that each select one of the message types above.
inline void AddModifications(ModificationList& list, int count) {
  for (int i = 0; i < count; ++i) {
    Modification m;
    const std::uint8_t sources[] = {0x90, 0x80, 0xB0, 0xE0};
    m.sourceType = sources[i % 4];
    m.targetType = m.sourceType;
    m.sourceLow = 0;
    m.sourceHigh = 127;
    m.targetValue = 1;
    m.flags = static_cast<std::uint8_t>(i % 3);
    m.highChannel = 15;
    AddModificationCopy(list, m);
  }
}

}  // namespace korvel::bench
