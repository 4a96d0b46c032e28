#include "midi/ModificationFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "config/WholeFile.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr const char* kNoMemory = "Could not allocate memory.";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// One number as the reader's %x (hexadecimal) or %i (decimal, 0x.. or 0..)
// takes it, stored as its low 8 bits. False when no digits follow.
bool ReadNumber(const char*& p, int base, std::uint8_t& out) {
  const char* start = SkipBlanks(p);
  char* end = nullptr;
  const long long value = std::strtoll(start, &end, base);
  if (end == start) return false;
  out = static_cast<std::uint8_t>(static_cast<unsigned long long>(value) & 0xFF);
  p = end;
  return true;
}

// Parses one NUL-terminated line; false when it is not a sound preset line.
bool ParseLine(const char* line, ModificationPreset& preset) {
  if (line[0] != kPresetMarker) return false;
  const char* p = SkipBlanks(line + 1);
  const char* nameEnd = p;
  while (*nameEnd != '\0' && !IsBlank(*nameEnd)) ++nameEnd;
  const std::size_t length = static_cast<std::size_t>(nameEnd - p);
  if (length == 0 || length >= kPresetNameSize) return false;

  std::uint8_t bytes[kModificationSize];
  p = nameEnd;
  for (std::size_t i = 0; i < kModificationSize; ++i) {
    if (!ReadNumber(p, i < 2 ? 16 : 0, bytes[i])) return false;
  }
  std::memset(preset.name, 0, sizeof preset.name);
  std::memcpy(preset.name, nameEnd - length, length);
  ReplaceChar(preset.name, '_', ' ');
  preset.modification = DecodeModification(bytes);
  return true;
}

std::string PathIn(const char* homedir, const char* file) {
  std::string path = homedir != nullptr ? homedir : "";
  // A root folder such as "C:\" already ends in the separator.
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path + file;
}

}  // namespace

void DecodeModificationPresets(const char* data, std::size_t size, ModificationPresetList& presets) {
  if (data == nullptr || size == 0) return;
  // Every preset line starts with a marker that has at least one byte after it.
  const int markers = CountOccurrences(data, "\xA7", size);
  if (markers <= 0) return;

  std::size_t position = 0;
  int read = 0;
  while (position < size && read < markers) {
    const std::size_t rest = size - position;
    const void* found = std::memchr(data + position, '\n', rest);
    const std::size_t lineEnd = found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - data) + 1 : size;
    const std::size_t length = lineEnd - position;
    if (length <= kMaxPresetLine) {
      char line[kMaxPresetLine + 1];
      std::memcpy(line, data + position, length);
      line[length] = '\0';
      // A NUL inside the line ends it early, as it would a C string.
      ModificationPreset preset;
      if (ParseLine(line, preset)) {
        presets.push_back(preset);
        ++read;
      }
    }
    position = lineEnd;
  }
}

namespace {

// The name as the reader takes it back: one word, never empty.
std::string StoredName(const char (&name)[kPresetNameSize]) {
  const void* end = std::memchr(name, '\0', kPresetNameSize - 1);
  std::string stored(name, end ? static_cast<const char*>(end) - name : kPresetNameSize - 1);
  for (char& c : stored) {
    if (IsBlank(c)) c = '_';
  }
  return stored.empty() ? "_" : stored;
}

}  // namespace

std::string EncodeModificationPresets(const ModificationPresetList& presets) {
  std::string text;
  for (const ModificationPreset& preset : presets) {
    const Modification& m = preset.modification;
    char line[kMaxPresetLine];
    const int n = std::snprintf(line, sizeof line, "%c%s %x %x %u %d %u %u %u %d\n", kPresetMarker,
                                StoredName(preset.name).c_str(),
                                static_cast<unsigned>(m.sourceType), static_cast<unsigned>(m.targetType),
                                static_cast<unsigned>(m.sourceLow), static_cast<int>(m.targetValue),
                                static_cast<unsigned>(m.flags), static_cast<unsigned>(m.highChannel),
                                static_cast<unsigned>(m.sourceHigh), static_cast<int>(m.targetHigh));
    if (n > 0) text.append(line, static_cast<std::size_t>(n));
  }
  return text;
}

void LoadModificationPresets(const char* homedir, ModificationPresetList& presets) {
  presets.clear();
  std::FILE* file = OpenStoredFile(PathIn(homedir, kUserPresetFile).c_str());
  if (file == nullptr) file = platform::OpenFile(PathIn(homedir, kFactoryPresetFile).c_str(), "rb");
  if (file == nullptr) return;
  std::vector<char> contents;
  bool cut = false;
  const bool read = ReadWholeFile(file, contents, kPresetFileLimit, &cut);
  std::fclose(file);
  if (!read) {
    ErrorBox(kNoMemory);
    return;
  }
  // A line the limit cut in two would read as another preset.
  std::size_t size = contents.size();
  if (cut) {
    while (size > 0 && contents[size - 1] != '\n') --size;
  }
  try {
    DecodeModificationPresets(contents.data(), size, presets);
  } catch (const std::exception&) {
    presets.clear();
    ErrorBox(kNoMemory);
  }
}

PresetSaveResult SaveModificationPresets(const char* homedir, ModificationPresetList& presets, bool emptied) {
  if (presets.empty() && !emptied) return PresetSaveResult::NothingToSave;
  for (ModificationPreset& preset : presets) {
    preset.name[kPresetNameSize - 1] = '\0';
    ReplaceChar(preset.name, ' ', '_');
  }
  const std::string text = EncodeModificationPresets(presets);

  // Written beside the old file and only then put in its place, so that a
  // failed write leaves the old presets (and the factory file) as they were.
  const std::string path = PathIn(homedir, kUserPresetFile);
  if (!WriteFileReplacing(path.c_str(), text.data(), text.size())) return PresetSaveResult::Failed;
  platform::DeleteFileA(PathIn(homedir, kFactoryPresetFile).c_str());
  ModificationPresetList().swap(presets);
  return PresetSaveResult::Written;
}

const ModificationPreset* FindPresetForModification(const ModificationPresetList& presets,
                                                    const Modification& modification) {
  for (const ModificationPreset& preset : presets)
    if (SameModification(preset.modification, modification)) return &preset;
  return nullptr;
}

std::string ModificationDisplayName(const ModificationPresetList& presets, const Modification& modification,
                                    int index) {
  const ModificationPreset* preset = FindPresetForModification(presets, modification);
  if (preset != nullptr) {
    const void* end = std::memchr(preset->name, 0, kPresetNameSize);
    return std::string(preset->name, end != nullptr ? static_cast<const char*>(end) - preset->name : kPresetNameSize);
  }
  return "Mod " + std::to_string(index);
}

}  // namespace korvel
