// SFMAN32.DLL on FluidSynth: the SoundFont manager Korvel loads, its one
// export "SFManager" (data: the address of the entry function), backed by a
// FluidSynth on the host and port in korvelfs.ini beside the DLL.
#include <windows.h>

#include <memory>
#include <string>

#include "emulators/core/ManagerEntries.h"
#include "fluidsynth/FluidManager.h"

namespace korvel::fluid {
namespace {

// Set up on process attach, started on the first call: the files beside the
// DLL are read then, not under the loader lock.
BridgeSetup gSetup;
std::unique_ptr<FluidManager> gManager;

FluidManager* CurrentManager() {
  if (!gManager) gManager = std::make_unique<FluidManager>(gSetup);
  return gManager.get();
}

// Under Wine, FluidSynth (a host program) opens host paths: Wine's kernel32
// maps a Windows path to one. Windows has no such function; there the path
// is given as it is.
std::string SynthPath(const std::string& windowsPath) {
  using UnixNameFn = char*(CDECL*)(const WCHAR*);
  static const auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return windowsPath;
  WCHAR wide[MAX_PATH];
  if (::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH) == 0)
    return std::string();
  char* mapped = unixName(wide);
  if (!mapped) return std::string();
  std::string path(mapped);
  ::HeapFree(::GetProcessHeap(), 0, mapped);
  return path;
}

std::string ModuleFolder(HMODULE module) {
  char path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(module, path, sizeof path);
  std::string folder(path, n < sizeof path ? n : 0);
  const std::size_t sep = folder.find_last_of("\\/");
  return sep == std::string::npos ? std::string() : folder.substr(0, sep + 1);
}

using Entries = emu::SfManagerEntries<FluidManager, CurrentManager>;

}  // namespace
}  // namespace korvel::fluid

extern "C" {
korvel::emu::SfManagerEntryFn SFManager = korvel::fluid::Entries::Begin;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    const std::string folder = korvel::fluid::ModuleFolder(instance);
    korvel::fluid::gSetup = {folder + "korvelfs.ini", folder + "korvelfs.state",
                             korvel::fluid::SynthPath};
  }
  return TRUE;
}
