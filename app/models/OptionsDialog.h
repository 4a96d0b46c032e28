// What the "Options" dialog does: it shows the option flags that have no
// place on the main window and the bank folder list, writes them back on
// "&Ok" (and nothing on "&Cancel"), and adds or removes the start-up
// shortcut. The dialog window asks these and shows what it is told through
// OptionsView.
#pragma once

#include <string>

#include "config/Configuration.h"
#include "config/RegistryModule.h"

namespace korvel {

// The check boxes by their flags, in the order the dialog reads and writes
// them.
inline constexpr ConfigFlag kOptionBoxFlags[] = {UseEWS64,  UseAWE32, UseSFD,    AutoSave, LoadRecent, StartMin,
                                                 ClearOnLoad, MoreInfo, SmartLoad, UseCons,  ClearCons};
constexpr const char* kAddToStartup = "Add Icon to Startup Group";
constexpr const char* kRemoveFromStartup = "Remove Icon from Startup Group";
// "bankfolder" holds at most this many characters.
constexpr std::size_t kBankFolderLength = 511;

class OptionsView {
 public:
  virtual void SetChecked(ConfigFlag flag, bool checked) = 0;
  virtual bool Checked(ConfigFlag flag) = 0;
  virtual void SetBankFolderText(const std::string& text) = 0;
  virtual std::string BankFolderText() = 0;
  virtual void SetStartupCaption(const char* caption) = 0;
  virtual std::string StartupCaption() = 0;
  // Ends the dialog.
  virtual void CloseDialog() = 0;

 protected:
  ~OptionsView() = default;
};

class OptionsDialog {
 public:
  OptionsDialog(Configuration& config, RegistryModule& registry, OptionsView& view)
      : config_(config), registry_(registry), view_(view) {}

  // The boxes of clear flags unticked (all start ticked), the folders, and
  // the start-up button's caption by whether the shortcut is there.
  void FormCreate();
  // "&Ok": the eleven flags and the folders written; no other bit changes.
  void CloseButtonClick();
  // "&Cancel": nothing changes.
  void CancelButtonClick();
  // The start-up button: removes or adds the shortcut as its caption says,
  // and turns the caption whether or not that worked.
  void AddToStartupButtonClick();

 private:
  Configuration& config_;
  RegistryModule& registry_;
  OptionsView& view_;
};

}  // namespace korvel
