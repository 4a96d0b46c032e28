// The state lock of the emulator that the simulation runs in-process: flock on
// "<state file>.lock", a file beside the state file.
#pragma once

#include <memory>
#include <string>

#include "emulators/core/StateLock.h"

namespace platform::sim::detail {

// Null for an empty path (a state file that could not be mapped).
std::unique_ptr<korvel::emu::StateLock> MakeFileStateLock(const std::string& statePath);

}  // namespace platform::sim::detail
