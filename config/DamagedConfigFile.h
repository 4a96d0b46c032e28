// A "Korvel.cfg" that does not read whole: its bytes are kept beside it as
// "Korvel.cfg.damaged" before anything writes over it, and the message that
// reports the damage says what was used and where the bytes are.
#pragma once

#include <string>

#include "config/ConfigFile.h"
#include "config/WholeFile.h"

namespace korvel {

enum class DamagedCopy {
  kMade,         // the bytes are now in "<path>.damaged"
  kEarlierKept,  // "<path>.damaged" holds an earlier damaged file and stays
  kFailed,       // no copy could be made: the damaged file must stay as it is
};

// Copies the file at `path` to "<path>.damaged" unless that file exists:
// one kept copy is enough, and the first one holds what came before every
// later damage.
DamagedCopy KeepDamagedCopy(const std::string& path, WriteFailure* failure);

// True when a file is at `path` and does not read whole.
bool ConfigFileIsDamaged(const std::string& path);

// "Corrupted configuration file." and, below it, what was wrong with the
// file at `path`, what the program goes on with and where the bytes are.
std::string DamagedFileMessage(const std::string& path, ConfigDecodeStatus status, DamagedCopy copy,
                               const WriteFailure& failure);
// The same first line for a folder that has the file's name.
std::string FolderInTheWayMessage(const std::string& path);

}  // namespace korvel
