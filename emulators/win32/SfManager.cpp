// SFMAN32.DLL: the SoundFont manager. Its one export, "SFManager", is data:
// the address of the entry function that hands out the entry table.
#include <windows.h>

#include "emulators/core/Abi.h"
#include "emulators/core/ProcessEmulator.h"
#include "emulators/win32/ModuleSetup.h"

extern "C" {
korvel::emu::SfManagerEntryFn SFManager = korvel::emu::SoundFontManagerEntry();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    korvel::emu::InstallModuleEmulator(instance);
  }
  return TRUE;
}
