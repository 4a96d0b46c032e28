// The state lock of the DLLs: a named mutex that every process using the same
// state file opens, whichever of the three DLLs it loaded.
#pragma once

#include <memory>
#include <string>

#include "emulators/core/StateLock.h"

namespace korvel::emu {

// The mutex is named "korvelemu_" and the state file's path lower-cased, every
// character but letters and digits made '_'.
std::unique_ptr<StateLock> MakeNamedMutexLock(const std::string& statePath);

}  // namespace korvel::emu
