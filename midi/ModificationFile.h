// Named modification presets and their text file in the installation folder:
// the user's "\mods.txt", or the shipped "\factmods.txt" until the user first
// saves. One line per preset:
//   <0xA7><name> <hex byte 0> <hex byte 1> <2> <3 signed> <4> <5> <6> <7 signed>\n
// with blanks of the name written as '_'. Lines that are no presets (notes
// the user wrote, say) are kept as they are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/WholeFile.h"
#include "midi/Modification.h"

namespace korvel {

constexpr std::size_t kPresetNameSize = 64;  // at most 63 characters and the NUL
constexpr char kPresetMarker = '\xA7';
constexpr std::size_t kMaxPresetLine = 256;  // bytes, line feed included
constexpr const char* kUserPresetFile = "\\mods.txt";
constexpr const char* kFactoryPresetFile = "\\factmods.txt";
// The `line` of a preset that was not read from the file.
constexpr std::size_t kNewPreset = static_cast<std::size_t>(-1);

struct ModificationPreset {
  char name[kPresetNameSize] = {};
  Modification modification;
  // The index of the file's line it was read from, or kNewPreset.
  std::size_t line = kNewPreset;
};

using ModificationPresetList = std::vector<ModificationPreset>;

// One line of a preset file: bytes [begin, end) of its text, the line feed
// included, and whether it was read as a preset.
struct PresetFileLine {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool preset = false;
};

// A preset file as it was read, so that writing the list back keeps every
// line that is no preset, and every preset the user left as it was, byte
// for byte in its place.
struct PresetFileText {
  // kDamaged: the file is there but could not be read whole; the list holds
  // nothing of it and nothing may write over it.
  FileFound found = FileFound::kMissing;
  std::vector<char> text;
  std::vector<PresetFileLine> lines;
};

// Parses the contents of a preset file and appends every sound line to
// `presets`: a line is the text up to the next line feed, or to the end of
// the data for a last line without one. Lines longer than kMaxPresetLine
// bytes, lines that do not parse and names of 64 characters or more are no
// presets. With `lines`, every line of the data is appended to it and each
// preset names its line. Never reads outside data[0, size).
void DecodeModificationPresets(const char* data, std::size_t size, ModificationPresetList& presets,
                               std::vector<PresetFileLine>* lines = nullptr);

// The file's text for `presets`, written into the lines of `read`: its lines
// that are no preset stay as they are, a preset whose line still reads as
// the preset is now stays as it was, one the user deleted goes; a preset
// not read from the file follows the file's lines. A changed preset is
// written as it is, except that anything the reader would take for the end
// of the name (blanks, tabs, line ends) is written as '_' and an empty name
// as "_", so that every preset reads back.
std::string EncodeModificationPresets(const ModificationPresetList& presets,
                                      const PresetFileText& read = PresetFileText());

// Reads "\mods.txt" in `homedir`, or "\factmods.txt" when there is no user's
// file, whole into `read` and its presets into `presets` (replacing what
// they held). Neither file: an empty list, nothing shown. Memory that cannot
// be had is reported with "Could not allocate memory."; then, or when the
// file cannot be opened or read to its end, the list stays empty and `read`
// says the file is damaged.
void LoadModificationPresets(const char* homedir, ModificationPresetList& presets, PresetFileText& read);

enum class PresetSaveResult {
  Written,  // "\mods.txt" holds the list; the list is freed
  Failed,   // nothing changed on disk; the list is kept
};

// Turns blanks in the names into '_' (in the list), writes the list into the
// lines of `read` as a new file that then replaces "\mods.txt" in `homedir`,
// and only after that deletes "\factmods.txt" and frees the list. A file that
// was not read whole is not written over. `failure` (when given) says why a
// write failed.
PresetSaveResult SaveModificationPresets(const char* homedir, ModificationPresetList& presets,
                                         const PresetFileText& read, WriteFailure* failure = nullptr);

// The first preset whose eight bytes equal `modification`'s, or nullptr.
const ModificationPreset* FindPresetForModification(const ModificationPresetList& presets,
                                                    const Modification& modification);

// The name a modification is listed under: its preset's name, otherwise
// "Mod " and its 0-based index.
std::string ModificationDisplayName(const ModificationPresetList& presets,
                                    const Modification& modification, int index);

}  // namespace korvel
