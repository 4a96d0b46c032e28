// Named modification presets and their text file in the installation folder:
// the user's "\mods.txt", or the shipped "\factmods.txt" until the user first
// saves. One line per preset:
//   <0xA7><name> <hex byte 0> <hex byte 1> <2> <3 signed> <4> <5> <6> <7 signed>\n
// with blanks of the name written as '_'.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "midi/Modification.h"

namespace korvel {

constexpr std::size_t kPresetNameSize = 64;  // at most 63 characters and the NUL
constexpr char kPresetMarker = '\xA7';
constexpr std::size_t kMaxPresetLine = 256;  // bytes, line feed included
constexpr const char* kUserPresetFile = "\\mods.txt";
constexpr const char* kFactoryPresetFile = "\\factmods.txt";
// Some ten thousand presets; a longer file is damaged or not ours.
constexpr std::size_t kPresetFileLimit = 1024 * 1024;

struct ModificationPreset {
  char name[kPresetNameSize] = {};
  Modification modification;
};

using ModificationPresetList = std::vector<ModificationPreset>;

// Parses the contents of a preset file and appends every sound line to
// `presets`: a line is the text up to the next line feed, or to the end of
// the data for a last line without one. Lines longer than kMaxPresetLine
// bytes, lines that do not parse and names of 64 characters or more are
// skipped. Never reads outside data[0, size).
void DecodeModificationPresets(const char* data, std::size_t size, ModificationPresetList& presets);

// The file's text for `presets`. Names are written as they are, except
// that anything the reader would take for the end of the name (blanks,
// tabs, line ends) is written as '_' and an empty name as "_", so that every
// preset reads back.
std::string EncodeModificationPresets(const ModificationPresetList& presets);

// Reads "\mods.txt" in `homedir`, or "\factmods.txt" when the user's file
// cannot be opened, into `presets` (replacing what it held). Neither file:
// an empty list, nothing shown. Memory that cannot be had is reported with
// "Could not allocate memory." and leaves the list empty. Of a file longer
// than kPresetFileLimit only the whole lines within that limit are read.
void LoadModificationPresets(const char* homedir, ModificationPresetList& presets);

enum class PresetSaveResult {
  Written,        // "\mods.txt" holds the list; the list is freed
  NothingToSave,  // the list was empty: no file touched
  Failed,         // nothing changed on disk; the list is kept
};

// Turns blanks in the names into '_' (in the list), writes the list as a
// new file that then replaces "\mods.txt" in `homedir`, and only after that
// deletes "\factmods.txt" and frees the list.
// An empty list writes nothing, unless `emptied` says the user deleted its
// last presets: then the file is written empty, or they would come back.
PresetSaveResult SaveModificationPresets(const char* homedir, ModificationPresetList& presets,
                                         bool emptied = false);

// The first preset whose eight bytes equal `modification`'s, or nullptr.
const ModificationPreset* FindPresetForModification(const ModificationPresetList& presets,
                                                    const Modification& modification);

// The name a modification is listed under: its preset's name, otherwise
// "Mod " and its 0-based index.
std::string ModificationDisplayName(const ModificationPresetList& presets,
                                    const Modification& modification, int index);

}  // namespace korvel
