// AWEMAN32.DLL: the AWE manager, one dispatcher "AWEManager" taking a function code.
#include <windows.h>

#include <cstdint>

#include "emulators/core/Abi.h"
#include "emulators/core/ProcessEmulator.h"
#include "emulators/win32/ModuleSetup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    korvel::emu::InstallModuleEmulator(instance);
  }
  return TRUE;
}

extern "C" std::uint32_t WINAPI AWEManager(std::intptr_t handle, std::uint32_t code,
                                           std::intptr_t param1, std::intptr_t param2) {
  return korvel::emu::AweManagerEntry()(handle, code, param1, param2);
}
