#include "app/models/OptionsDialog.h"

#include "config/Shortcut.h"
#include "config/TextHelpers.h"

namespace korvel {

void OptionsDialog::FormCreate() {
  for (ConfigFlag flag : kOptionBoxFlags) {
    if (!config_.Has(flag)) view_.SetChecked(flag, false);
  }
  view_.SetBankFolderText(config_.bankfolder);
  if (StartupShortcutPresent(registry_)) view_.SetStartupCaption(kRemoveFromStartup);
}

void OptionsDialog::CloseButtonClick() {
  for (ConfigFlag flag : kOptionBoxFlags) config_.Set(flag, view_.Checked(flag));
  const std::string folders = view_.BankFolderText();
  BoundedCopy(config_.bankfolder, folders.c_str(), kBankFolderLength + 1);
  view_.CloseDialog();
}

void OptionsDialog::CancelButtonClick() { view_.CloseDialog(); }

void OptionsDialog::AddToStartupButtonClick() {
  if (view_.StartupCaption() == kRemoveFromStartup) {
    RemoveStartupShortcut(registry_);
    view_.SetStartupCaption(kAddToStartup);
  } else {
    AddStartupShortcut(registry_, config_);
    view_.SetStartupCaption(kRemoveFromStartup);
  }
}

}  // namespace korvel
