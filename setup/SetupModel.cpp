#include "setup/SetupModel.h"

#include <string>

#include "config/ConfigurationStore.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "setup/InstallationFolder.h"
#include "setup/Product.h"
#include "setup/StartMenuEntries.h"

namespace korvel {

namespace {

constexpr int kForceFile = 2;

}  // namespace

void SetupModel::FormCreate() {
  config_ = Configuration();
  registry_.InitRegistry(product::kMaker, product::kName);
  // The window position of an earlier run is read but not kept: Setup
  // writes -1, which leaves Korvel's window where its layout puts it.
  WindowEdges dropped;
  ReadConfiguration(config_, dropped, registry_, MissingFlags::ReadMachineKey);
  folder_ = TakeInstallationFolder(config_);
}

void SetupModel::Button1Click(const SetupChoices& choices) {
  if (folder_ != InstallationFolder::kTaken) {
    ErrorBox(RefusalOf(folder_));
    registry_.DoneRegistry();
    return;
  }
  TakeChoices(choices);
  WriteConfiguration(config_, WindowEdges{-1, -1}, registry_, kForceFile);
  MakeStartMenuGroup();
  RegisterUninstaller();
  registry_.DoneRegistry();
}

void SetupModel::Button2Click() { registry_.DoneRegistry(); }

void SetupModel::TakeChoices(const SetupChoices& choices) {
  // Without the SoundFont box only the SoundFont manager is dropped: the AWE
  // manager stays as an earlier configuration had it.
  if (choices.soundFontDevices) config_.cflags |= UseSFD | UseAWE32;
  else config_.Set(UseSFD, false);
  config_.Set(UseEWS64, choices.ews64);
  BoundedCopy(config_.bankfolder, choices.bankFolder, sizeof config_.bankfolder);
}

void SetupModel::MakeStartMenuGroup() {
  group_.CreateProgramGroup(product::kName);
  for (const StartMenuEntry& entry : StartMenuEntries(config_.homedir)) {
    if (entry.internetShortcut) group_.CreateGroupInternetShortcut(entry.name.c_str(), entry.target.c_str());
    else group_.CreateGroupShortcut(entry.name.c_str(), entry.target.c_str());
  }
}

void SetupModel::RegisterUninstaller() {
  if (registry_.OpenKey(platform::kHkeyLocalMachine, product::kUninstallKey, true) != 0) return;
  const std::string displayName = std::string(product::kName) + " " + product::kVersion;
  const std::string uninstall = std::string(config_.homedir) + "\\Uninst.exe";
  registry_.WriteValue("DisplayName", platform::kRegSz, displayName.c_str());
  registry_.WriteValue("UninstallString", platform::kRegSz, uninstall.c_str());
  registry_.CloseKey();
}

}  // namespace korvel
