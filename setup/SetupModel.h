// What Setup does behind its window: reads an existing configuration,
// takes the installation folder from where it was started, and on "Finish"
// writes the configuration file, the start-menu group with its five entries
// and the uninstall registration.
#pragma once

#include "config/Configuration.h"
#include "config/RegistryModule.h"
#include "setup/InstallationFolder.h"
#include "setup/ProgramGroup.h"

namespace korvel {

// What the user chose in Setup's window.
struct SetupChoices {
  bool soundFontDevices = true;  // cbSFD
  bool ews64 = true;             // cbEWS64
  const char* bankFolder = "";   // edBankFolder
};

class SetupModel {
 public:
  SetupModel() : group_(registry_) {}

  // Starts the registry module and reads the configuration as it stands,
  // then takes the installation folder from the working directory. The
  // window shows `Config().bankfolder` in its edit.
  void FormCreate();
  // Finishes the installation with the user's choices. The program ends
  // afterwards, whatever failed on the way. An installation folder that
  // cannot be recorded is refused with its message, and nothing is written:
  // every link and the uninstaller would point at the root of a drive.
  void Button1Click(const SetupChoices& choices);
  // Leaves without writing anything.
  void Button2Click();

  const Configuration& Config() const { return config_; }

 private:
  void TakeChoices(const SetupChoices& choices);
  void MakeStartMenuGroup();
  void RegisterUninstaller();

  InstallationFolder folder_ = InstallationFolder::kTaken;
  Configuration config_;
  RegistryModule registry_;
  ProgramGroup group_;
};

}  // namespace korvel
