// Program entry of Uninst.exe: asks, removes Korvel's traces and says so.
#include <windows.h>

#include "config/RegistryModule.h"
#include "setup/Uninstaller.h"

namespace {

constexpr char kCaption[] = "Korvel";
constexpr char kQuestion[] =
    "Remove Korvel, its start menu group and its settings from this computer? "
    "Your presets and banks are kept.";
constexpr char kDone[] = "Korvel has been removed.";

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (MessageBoxA(nullptr, kQuestion, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
  korvel::RegistryModule registry;
  registry.InitRegistry("Quennet", "Korvel");
  korvel::Uninstaller(registry).Run();
  registry.DoneRegistry();
  MessageBoxA(nullptr, kDone, kCaption, MB_OK);
  return 0;
}
