// EWSAUDIO.DRV: the EWS64 card driver, an installable driver whose DriverProc
// answers the standard DRV_* messages and hands the card messages to the
// emulator core.
#include <windows.h>
#include <mmsystem.h>

#include "emulators/bridge/DriverBlock16.h"
#include "emulators/core/Abi.h"
#include "emulators/core/Ews64DriverCore.h"
#include "emulators/core/ProcessEmulator.h"
#include "emulators/win32/ModuleSetup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    korvel::emu::InstallModuleEmulator(instance);
  }
  return TRUE;
}

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR driverId, HDRVR driver, UINT msg, LPARAM p1,
                                     LPARAM p2) {
  switch (msg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_OPEN:  // any non-zero value opens
    case DRV_CLOSE:
    case DRV_POWER: return 1;
    case DRV_QUERYCONFIGURE: return 0;  // nothing to configure
    case DRV_CONFIGURE:
    case DRV_INSTALL:
    case DRV_REMOVE: return DRVCNF_OK;
    default: break;
  }
  if (msg < DRV_USER) return ::DefDriverProc(driverId, driver, msg, p1, p2);
  if (korvel::emu::Ews64DriverCore::CarriesBlock(msg)) {
    void* block = korvel::bridge::DriverBlockFromParam(p2, korvel::emu::kDriverBlockSize);
    p2 = reinterpret_cast<LPARAM>(block);
  }
  return static_cast<LRESULT>(korvel::emu::Ews64DriverMessage(msg, p1, p2));
}
