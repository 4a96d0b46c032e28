// Where Korvel is installed: the folder Setup was started from.
#pragma once

#include "config/Configuration.h"

namespace korvel {

// Sets `homedrive` to the current drive (0 = A:) and `homedir` to that
// drive's letter in lower case, ":\" and the current folder after its root
// ("d:\MUSIC\KORVEL"; "d:\" at the root). A folder too long for `homedir`
// is taken in its short (8.3) form; when even that does not fit, `homedir`
// is left empty rather than holding part of a path.
void TakeInstallationFolder(Configuration& config);

}  // namespace korvel
