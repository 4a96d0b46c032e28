#include "midi/ModificationFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
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

// Parses the line [begin, end) of `data`; false when it is not a sound
// preset line.
bool ReadPresetLine(const char* data, std::size_t begin, std::size_t end, ModificationPreset& preset) {
  const std::size_t length = end - begin;
  if (length > kMaxPresetLine) return false;
  char line[kMaxPresetLine + 1];
  std::memcpy(line, data + begin, length);
  line[length] = '\0';
  // A NUL inside the line ends it early, as it would a C string.
  return ParseLine(line, preset);
}

// The name as the reader takes it back: one word, never empty.
std::string StoredName(const char (&name)[kPresetNameSize]) {
  const void* end = std::memchr(name, '\0', kPresetNameSize - 1);
  std::string stored(name, end ? static_cast<const char*>(end) - name : kPresetNameSize - 1);
  for (char& c : stored) {
    if (IsBlank(c)) c = '_';
  }
  return stored.empty() ? "_" : stored;
}

std::string PresetLine(const ModificationPreset& preset) {
  const Modification& m = preset.modification;
  char line[kMaxPresetLine];
  const int n = std::snprintf(line, sizeof line, "%c%s %x %x %u %d %u %u %u %d\n", kPresetMarker,
                              StoredName(preset.name).c_str(),
                              static_cast<unsigned>(m.sourceType), static_cast<unsigned>(m.targetType),
                              static_cast<unsigned>(m.sourceLow), static_cast<int>(m.targetValue),
                              static_cast<unsigned>(m.flags), static_cast<unsigned>(m.highChannel),
                              static_cast<unsigned>(m.sourceHigh), static_cast<int>(m.targetHigh));
  return n > 0 ? std::string(line, static_cast<std::size_t>(n)) : std::string();
}

// Whether the file's line that `preset` was read from still reads as it.
bool StillReadsAs(const PresetFileText& read, const PresetFileLine& line, const ModificationPreset& preset) {
  ModificationPreset original;
  return ReadPresetLine(read.text.data(), line.begin, line.end, original) &&
         StoredName(original.name) == StoredName(preset.name) &&
         SameModification(original.modification, preset.modification);
}

// Appends a line; a last line that had no line feed gets one when another follows.
void AppendLine(std::string& text, const char* line, std::size_t length) {
  if (!text.empty() && text.back() != '\n') text += '\n';
  text.append(line, length);
}

}  // namespace

void DecodeModificationPresets(const char* data, std::size_t size, ModificationPresetList& presets,
                               std::vector<PresetFileLine>* lines) {
  if (data == nullptr) return;
  std::size_t position = 0;
  while (position < size) {
    const void* found = std::memchr(data + position, '\n', size - position);
    const std::size_t lineEnd = found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - data) + 1 : size;
    ModificationPreset preset;
    const bool isPreset = ReadPresetLine(data, position, lineEnd, preset);
    if (lines != nullptr) {
      if (isPreset) preset.line = lines->size();
      lines->push_back({position, lineEnd, isPreset});
    }
    if (isPreset) presets.push_back(preset);
    position = lineEnd;
  }
}

std::string EncodeModificationPresets(const ModificationPresetList& presets, const PresetFileText& read) {
  std::string text;
  std::size_t next = 0;  // the first of the file's lines not yet written or passed
  // Writes the file's lines before `end` that are no presets; the preset
  // lines among them are of presets the user deleted.
  auto keepLinesBefore = [&](std::size_t end) {
    for (; next < end; ++next) {
      const PresetFileLine& line = read.lines[next];
      if (!line.preset) AppendLine(text, read.text.data() + line.begin, line.end - line.begin);
    }
  };
  for (const ModificationPreset& preset : presets) {
    const bool fromFile = preset.line < read.lines.size() && preset.line >= next;
    keepLinesBefore(fromFile ? preset.line : read.lines.size());
    if (fromFile) {
      const PresetFileLine& line = read.lines[next++];
      if (StillReadsAs(read, line, preset)) {
        AppendLine(text, read.text.data() + line.begin, line.end - line.begin);
        continue;
      }
    }
    const std::string written = PresetLine(preset);
    AppendLine(text, written.data(), written.size());
  }
  keepLinesBefore(read.lines.size());
  return text;
}

namespace {

// Opens the user's file, or the factory file when there is no user's file.
// A user's file that is there but cannot be opened is not passed over.
std::FILE* OpenPresetFile(const char* homedir, PresetFileText& read) {
  const std::string user = PathIn(homedir, kUserPresetFile);
  // A leftover ".new" is taken like the file: it is used only if it reads whole.
  if (std::FILE* file = OpenStoredFile(user.c_str())) return file;
  if (platform::GetFileAttributesA(user.c_str()) != platform::kInvalidFileAttributes) {
    read.found = FileFound::kDamaged;
    return nullptr;
  }
  return platform::OpenFile(PathIn(homedir, kFactoryPresetFile).c_str(), "rb");
}

PresetSaveResult Refused(WriteFailure* failure, const std::string& path, const char* reason) {
  if (failure != nullptr) {
    failure->path = path;
    failure->reason = reason;
  }
  return PresetSaveResult::Failed;
}

}  // namespace

void LoadModificationPresets(const char* homedir, ModificationPresetList& presets, PresetFileText& read) {
  presets.clear();
  read = PresetFileText();
  std::FILE* file = OpenPresetFile(homedir, read);
  if (file == nullptr) return;
  read.found = FileFound::kDamaged;
  const bool inMemory = ReadWholeFile(file, read.text, std::numeric_limits<std::size_t>::max());
  const bool whole = inMemory && std::ferror(file) == 0;
  std::fclose(file);
  if (!whole) {
    read.text.clear();
    if (!inMemory) ErrorBox(kNoMemory);
    return;
  }
  try {
    DecodeModificationPresets(read.text.data(), read.text.size(), presets, &read.lines);
    read.found = FileFound::kWhole;
  } catch (const std::bad_alloc&) {
    presets.clear();
    read.text.clear();
    read.lines.clear();
    ErrorBox(kNoMemory);
  }
}

PresetSaveResult SaveModificationPresets(const char* homedir, ModificationPresetList& presets,
                                         const PresetFileText& read, WriteFailure* failure) {
  const std::string path = PathIn(homedir, kUserPresetFile);
  if (read.found == FileFound::kDamaged)
    return Refused(failure, path, "the file could not be read whole, so it was left as it was");
  for (ModificationPreset& preset : presets) {
    preset.name[kPresetNameSize - 1] = '\0';
    ReplaceChar(preset.name, ' ', '_');
  }
  std::string text;
  try {
    text = EncodeModificationPresets(presets, read);
  } catch (const std::bad_alloc&) {
    return Refused(failure, path, "there was not enough memory to write it");
  }

  // Written beside the old file and only then put in its place, so that a
  // failed write leaves the old presets (and the factory file) as they were.
  if (!WriteFileReplacing(path.c_str(), text.data(), text.size(), failure)) return PresetSaveResult::Failed;
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
