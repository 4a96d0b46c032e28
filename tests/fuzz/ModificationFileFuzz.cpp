// Feeds arbitrary bytes to the modification preset reader and checks what the
// Connection Details dialog relies on: every name ends inside its buffer, has
// no line feed and fits 63 characters, what was read is written back byte
// for byte, and presets written in the file's own form read back unchanged.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "config/TextHelpers.h"
#include "midi/ModificationFile.h"

namespace {

using korvel::ModificationPreset;
using korvel::ModificationPresetList;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exactly-sized copy, so any read past the end is seen.
  std::unique_ptr<char[]> copy(new char[size == 0 ? 1 : size]);
  if (size > 0) std::memcpy(copy.get(), data, size);

  korvel::PresetFileText read;
  read.found = korvel::FileFound::kWhole;
  read.text.assign(copy.get(), copy.get() + size);
  ModificationPresetList presets;
  korvel::DecodeModificationPresets(copy.get(), size, presets, &read.lines);

  std::size_t markers = 0;
  for (std::size_t i = 0; i + 1 < size; ++i) markers += data[i] == 0xA7;
  Check(presets.size() <= markers);
  Check(korvel::EncodeModificationPresets(presets, read) == std::string(copy.get(), size));

  for (ModificationPreset& preset : presets) {
    const void* end = std::memchr(preset.name, 0, korvel::kPresetNameSize);
    Check(end != nullptr);
    const std::size_t length = static_cast<const char*>(end) - preset.name;
    Check(length > 0 && length < korvel::kPresetNameSize);
    Check(std::memchr(preset.name, '\n', length) == nullptr);
    // The writer turns blanks into '_' first, as the save does.
    korvel::ReplaceChar(preset.name, ' ', '_');
  }

  const std::string written = korvel::EncodeModificationPresets(presets);
  ModificationPresetList again;
  korvel::DecodeModificationPresets(written.data(), written.size(), again);
  Check(again.size() == presets.size());
  for (std::size_t i = 0; i < presets.size(); ++i) {
    korvel::ReplaceChar(presets[i].name, '_', ' ');
    Check(std::strcmp(again[i].name, presets[i].name) == 0);
    Check(korvel::SameModification(again[i].modification, presets[i].modification));
  }
  return 0;
}
