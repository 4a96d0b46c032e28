// The "Options" dialog (`TODialog`), opened modally by the main window's
// "Options..." button. OptionsDialog decides; the window shows and reads
// its boxes, the folder text and the start-up button.
#pragma once

#include <windows.h>

#include <string>

#include "app/FormBuilder.h"
#include "app/Window.h"
#include "app/models/OptionsDialog.h"

namespace korvel {

class TODialog final : public Window, public OptionsView {
 public:
  // Made with the window the user is working in as its owner.
  TODialog(ModalService& modal, Configuration& config, RegistryModule& registry, HINSTANCE instance);
  ~TODialog() override;

  void ShowModal();

  // OptionsView
  void SetChecked(ConfigFlag flag, bool checked) override;
  bool Checked(ConfigFlag flag) override;
  void SetBankFolderText(const std::string& text) override;
  std::string BankFolderText() override;
  void SetStartupCaption(const char* caption) override;
  std::string StartupCaption() override;
  void CloseDialog() override { closed_ = true; }

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  Form form_;
  OptionsDialog options_;
  bool closed_ = false;
};

// Creates, shows and destroys the dialog.
void RunOptionsDialog(HINSTANCE instance, ModalService& modal, Configuration& config, RegistryModule& registry);

}  // namespace korvel
