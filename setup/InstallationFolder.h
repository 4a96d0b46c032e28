// Where Korvel is installed: the folder Setup was started from.
#pragma once

#include "config/Configuration.h"

namespace korvel {

enum class InstallationFolder {
  kTaken,
  kTooLong,       // not even its short (8.3) form fits `homedir`
  kNetworkShare,  // "\\server\share\...": no drive to record
};

// Sets `homedrive` to the current drive (0 = A:) and `homedir` to that
// drive's letter in lower case, ":\" and the current folder after its root
// ("d:\MUSIC\KORVEL"; "d:\" at the root). A folder too long for `homedir`
// is taken in its short (8.3) form. When the folder cannot be recorded,
// `homedir` is left empty rather than holding part of a path, and the
// result says why.
InstallationFolder TakeInstallationFolder(Configuration& config);

// The message that refuses an installation folder that cannot be recorded.
const char* RefusalOf(InstallationFolder folder);

}  // namespace korvel
