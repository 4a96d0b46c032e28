#include "app/OptionsWindow.h"

#include <stdexcept>

#include "config/ModalService.h"
#include "resources/forms/OptionsForm.h"

namespace korvel {

namespace {

struct FlagBox {
  ConfigFlag flag;
  int id;
};
constexpr FlagBox kFlagBoxes[] = {
    {UseEWS64, ctl::cbUseEWS64},     {UseAWE32, ctl::cbUseAWE32},   {UseSFD, ctl::cbUseSFD},
    {AutoSave, ctl::cbAutoSave},     {LoadRecent, ctl::cbLoadPreset}, {StartMin, ctl::cbStartMin},
    {ClearOnLoad, ctl::cbClearOnLoad}, {MoreInfo, ctl::cbMoreInfo}, {SmartLoad, ctl::cbSmartLoad},
    {UseCons, ctl::cbUseCons},       {ClearCons, ctl::cbClearCons}};

int BoxOf(ConfigFlag flag) {
  for (const FlagBox& box : kFlagBoxes)
    if (box.flag == flag) return box.id;
  return 0;
}

}  // namespace

TODialog::TODialog(ModalService& modal, Configuration& config, RegistryModule& registry, HINSTANCE instance)
    : Window(modal), options_(config, registry, *this) {
  RegisterFormClass(instance, forms::kOptionsForm.className, Window::Procedure, nullptr);
  if (!form_.Build(forms::kOptionsForm, instance, reinterpret_cast<HWND>(modal.OwnerOfNextWindow()), this))
    throw std::runtime_error("The Options dialog could not be created");
  SendMessageA(form_.Control(ctl::edBankFolder), EM_LIMITTEXT, kBankFolderLength, 0);
}

// The window goes while the object is whole: its procedure still reaches it.
TODialog::~TODialog() {
  if (IsWindow(form_.Handle())) DestroyWindow(form_.Handle());
}

// Open before it is filled: a box it raises meanwhile is its own.
void TODialog::ShowModal() {
  ModalService::Dialog open(Modal(), reinterpret_cast<platform::Window>(form_.Handle()));
  options_.FormCreate();
  open.Run(closed_);
}

// Enter and Escape do nothing: neither button is the default or the cancel.
// Alt+F4 closes the dialog as "&Cancel" does.
LRESULT TODialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    options_.CancelButtonClick();
    return 0;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return DefWindowProcA(window, message, wParam, lParam);
  switch (LOWORD(wParam)) {
    case ctl::optCloseButton:
      options_.CloseButtonClick();
      break;
    case ctl::CancelButton:
      options_.CancelButtonClick();
      break;
    case ctl::AddToStartupButton:
      options_.AddToStartupButtonClick();
      break;
    default:
      break;
  }
  return 0;
}

void TODialog::SetChecked(ConfigFlag flag, bool checked) {
  SendMessageA(form_.Control(BoxOf(flag)), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TODialog::Checked(ConfigFlag flag) {
  return SendMessageA(form_.Control(BoxOf(flag)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TODialog::SetBankFolderText(const std::string& text) {
  SetWindowTextA(form_.Control(ctl::edBankFolder), text.c_str());
}

std::string TODialog::BankFolderText() { return ControlText(form_.Control(ctl::edBankFolder)); }

void TODialog::SetStartupCaption(const char* caption) {
  SetWindowTextA(form_.Control(ctl::AddToStartupButton), caption);
}

std::string TODialog::StartupCaption() { return ControlText(form_.Control(ctl::AddToStartupButton)); }

void RunOptionsDialog(HINSTANCE instance, ModalService& modal, Configuration& config, RegistryModule& registry) {
  TODialog dialog(modal, config, registry, instance);
  dialog.ShowModal();
}

}  // namespace korvel
