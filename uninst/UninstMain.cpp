// Program entry of Uninst.exe: asks, removes Korvel's traces and says what
// went and what was kept.
#include <windows.h>

#include <string>

#include "config/RegistryModule.h"
#include "setup/Uninstaller.h"

namespace {

constexpr char kCaption[] = "Korvel";
constexpr char kQuestion[] =
    "Remove Korvel, its start menu group and its settings from this computer? "
    "Your presets and banks are kept.";
constexpr char kRunning[] =
    "Korvel is running. Close it with \"Close\" in its tray menu, then start the uninstaller again.";

// Korvel's main window, also while Korvel sits in the tray with it hidden.
bool KorvelIsRunning() { return FindWindowA("TForm1", "Korvel") != nullptr; }

// The folder Uninst.exe lies in: Korvel's installation folder, whose files stay.
std::string OwnFolder() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Korvel would write its settings back when it ends.
  if (KorvelIsRunning()) {
    MessageBoxA(nullptr, kRunning, kCaption, MB_OK | MB_ICONSTOP);
    return 1;
  }
  if (MessageBoxA(nullptr, kQuestion, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
  korvel::RegistryModule registry;
  registry.InitRegistry("Quennet", "Korvel");
  const korvel::UninstallReport report = korvel::Uninstaller(registry).Run();
  registry.DoneRegistry();
  MessageBoxA(nullptr, korvel::UninstallMessage(report, OwnFolder()).c_str(), kCaption, MB_OK);
  return 0;
}
