// The product's group in the start menu: the folder under the user's
// "Programs" folder and the shell links made in it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/RegistryModule.h"

namespace korvel {

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
  // The name "DELETE" is the removal form: the product's group folder loses
  // every "*.lnk" file in it and is then removed, if empty; 0 when it was
  // removed, 1 when not (also when absent), 22 as above. The path is kept.
  int CreateProgramGroup(const char* name);

  // A link named `name` in the group to `target`, with `name` as its
  // description: the COM result, or 1 when there is no group or the link's
  // path would not fit.
  std::int32_t CreateGroupShortcut(const char* name, const char* target);

  const char* Path() const { return path_; }

 private:
  // The "Programs" folder + "\" + `name` into `folder`; false when it cannot
  // be found or does not fit with `reserve` more bytes.
  bool GroupFolder(const char* name, std::size_t reserve, char (&folder)[kPathSize]);

  int RemoveProgramGroup();
  // Deletes each "*.lnk" file in `folder`, skipping names too long to join.
  static void DeleteLinksIn(const char* folder);

  RegistryModule& registry_;
  char path_[kPathSize] = {};
};

}  // namespace korvel
