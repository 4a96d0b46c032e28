// Where a replacement DLL keeps its configuration and state: beside the DLL
// itself, as "korvelemu.ini" and "korvelemu.state".
#pragma once

#include <windows.h>

namespace korvel::emu {

// Called from DllMain on process attach; only remembers the DLL's folder. The
// emulator starts (reading the files) on the first call that needs it.
void InstallModuleEmulator(HMODULE module);

}  // namespace korvel::emu
