// winekorvel.drv: virtual MIDI ports for programs under Wine. Wine's winmm
// loads the driver that its audio device layer (mmdevapi) chose, and asks it
// for MIDI devices through midMessage and modMessage; see AudioDriverEntries.cpp
// for how mmdevapi comes to choose this one.
#include <windows.h>
#include <mmsystem.h>

#include "emulators/win32/VirtualMidiHost.h"

namespace {
HMODULE driverModule = nullptr;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    driverModule = instance;
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
    case DRV_OPEN:
    case DRV_CLOSE: return 1;
    default: return ::DefDriverProc(driverId, driver, msg, p1, p2);
  }
}

extern "C" DWORD WINAPI midMessage(UINT device, UINT msg, DWORD_PTR user, DWORD_PTR p1,
                                   DWORD_PTR p2) {
  auto& host = korvel::emu::vmidi::VirtualMidiHost::Get();
  host.Start(driverModule);
  return host.InputMessage(device, msg, user, p1, p2);
}

extern "C" DWORD WINAPI modMessage(UINT device, UINT msg, DWORD_PTR user, DWORD_PTR p1,
                                   DWORD_PTR p2) {
  auto& host = korvel::emu::vmidi::VirtualMidiHost::Get();
  host.Start(driverModule);
  return host.OutputMessage(device, msg, user, p1, p2);
}
