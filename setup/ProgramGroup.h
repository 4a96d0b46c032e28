// The product's group in the start menu: the folder under the user's
// "Programs" folder and the shell links made in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/RegistryModule.h"

namespace korvel {

// What the removal form of CreateProgramGroup did.
struct GroupRemoval {
  int result = 22;     // as CreateProgramGroup answers
  std::string folder;  // the group folder; empty when the start menu is not known
  int entriesRemoved = 0;
  bool folderKept = false;  // it is still there, holding what is not Korvel's
};

class ProgramGroup {
 public:
  static constexpr int kCreated = 0;
  static constexpr int kNotCreated = 1;         // it may exist already
  static constexpr int kNoProgramsFolder = 22;  // also when the folder is too long to use
  static constexpr char kRemovalName[] = "DELETE";
  // The group path and every link path are built in buffers of this size.
  static constexpr std::size_t kPathSize = 256;

  explicit ProgramGroup(RegistryModule& registry) : registry_(registry) {}

  // Creates the folder `name` in the start menu's program folder and makes
  // it the group path (ending in "\"), even when it existed already.
  // Before InitRegistry nothing happens and the result is 0.
  // The name "DELETE" is the removal form (RemoveProgramGroup); its result.
  // The "Programs" folder must be a folder that is there, on a drive and not
  // its root: an empty or odd value would put the group anywhere, even into
  // the installation folder.
  int CreateProgramGroup(const char* name);

  // A link named `name` in the group to `target`, with `name` as its
  // description: the COM result, or 1 when there is no group or the link's
  // path would not fit.
  std::int32_t CreateGroupShortcut(const char* name, const char* target);
  // An Internet shortcut named `name` (".url") in the group to the web
  // address `url`: 0 when written, 1 when there is no group, the path would
  // not fit or the file cannot be written.
  std::int32_t CreateGroupInternetShortcut(const char* name, const char* url);

  // The product's group folder loses the entries Setup makes in it and
  // those an older Setup made (StartMenuEntries, FormerStartMenuFiles), and
  // nothing else, and is then removed, if empty. `result`: 0 when it was
  // removed, 1 when not (also when absent), 22 as above. The path is kept.
  GroupRemoval RemoveProgramGroup();

  const char* Path() const { return path_; }

 private:
  // The "Programs" folder + "\" + `name` into `folder`; false when it cannot
  // be found or does not fit with `reserve` more bytes.
  bool GroupFolder(const char* name, std::size_t reserve, char (&folder)[kPathSize]);

  // The group path + `name` + `extension` into `file`; false when it does not fit.
  bool EntryPath(const char* name, const char* extension, char (&file)[kPathSize]) const;

  RegistryModule& registry_;
  char path_[kPathSize] = {};
};

}  // namespace korvel
