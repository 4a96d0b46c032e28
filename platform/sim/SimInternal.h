// Shared between the parts of the simulated platform: each part clears its
// own state when the sandbox is reset.
#pragma once

#include <string>

namespace platform::sim::detail {

void ResetFiles(const std::string& sandboxRoot);
void ResetRegistry();
void ResetShell();
void ResetDrivers();
void ResetMidi();
void ResetUserInterface();

}  // namespace platform::sim::detail
