#include "emulators/win32/ModuleSetup.h"

#include <string>

#include "emulators/core/ProcessEmulator.h"
#include "emulators/win32/NamedMutexLock.h"

namespace korvel::emu {

void InstallModuleEmulator(HMODULE module) {
  char path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(module, path, sizeof path);
  std::string folder(path, n < sizeof path ? n : 0);
  const std::size_t sep = folder.find_last_of("\\/");
  folder = sep == std::string::npos ? std::string() : folder.substr(0, sep + 1);
  SetProcessEmulatorFactory([folder] {
    EmulatorSetup setup;
    setup.configPath = folder + "korvelemu.ini";
    setup.statePath = folder + "korvelemu.state";
    setup.makeStateLock = MakeNamedMutexLock;
    return setup;
  });
}

}  // namespace korvel::emu
