#include "app/ConnectionDetailsDialog.h"

#include <stdexcept>

#include "config/ModalService.h"
#include "resources/forms/ConnectionDetailsForm.h"

namespace korvel {

namespace {

constexpr int kEditorControls[] = {
    ctl::conLabel2, ctl::conLabel3, ctl::conLabel4, ctl::conLabel5,    ctl::conLabel6,
    ctl::conLabel7, ctl::conLabel8, ctl::cbRev,     ctl::ptlist,       ctl::srclist,
    ctl::dstlist,   ctl::edsctype,  ctl::eddctype,  ctl::edcr,         ctl::DelModButton,
    ctl::SaveModPresetButtonN,      ctl::SaveAsModPresetButton,        ctl::edPresetName};
constexpr int kAddingControls[] = {ctl::NewModButton, ctl::LoadModPresetButton, ctl::tlist};

bool IsComboBox(DetailsControl list) { return list != DetailsControl::ptlist; }

}  // namespace

TconDialog::TconDialog(ModalService& modal, AppState& state, HINSTANCE instance)
    : Window(modal), details_(*state.ports, state.devices, state.presets, *this) {
  RegisterFormClass(instance, forms::kConnectionDetailsForm.className, Window::Procedure, nullptr);
  if (!form_.Build(forms::kConnectionDetailsForm, instance, reinterpret_cast<HWND>(modal.OwnerOfNextWindow()), this))
    throw std::runtime_error("The Connection Details dialog could not be created");
}

// The window goes while the object is whole: its procedure still reaches it,
// and catches what its handlers throw, so nothing leaves this destructor. A
// dialog that goes without being closed writes nothing; its model ends the
// modification bypass after the window has gone.
TconDialog::~TconDialog() {
  if (IsWindow(form_.Handle())) DestroyWindow(form_.Handle());
}

// Open before it is filled, and still open while the presets are written:
// a box it raises meanwhile is its own.
void TconDialog::ShowModal(int connection) {
  ModalService::Dialog open(Modal(), reinterpret_cast<platform::Window>(form_.Handle()));
  details_.FormCreate(connection);
  created_ = true;
  open.Run(closed_);
  details_.FormDestroy();
  created_ = false;
}

LRESULT TconDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      closed_ = true;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void TconDialog::OnCommand(int id, int code) {
  if (!created_) return;
  switch (id) {
    case ctl::ConList:
      if (code == CBN_SELCHANGE) details_.ConListChange(Selection(id));
      return;
    case ctl::ptlist:
      if (code == LBN_SELCHANGE) details_.ptlistChange(Selection(id));
      return;
    case ctl::srclist:
    case ctl::dstlist:
      if (code == CBN_SELCHANGE)
        details_.srclistChange(id == ctl::srclist ? DetailsControl::srclist : DetailsControl::dstlist,
                               Selection(id));
      return;
    case ctl::llist:
      if (code == CBN_SELCHANGE) details_.llistChange(Selection(id));
      return;
    case ctl::edsctype:
    case ctl::eddctype:
    case ctl::edcr:
      OnRangeEdit(id, code);
      return;
    case ctl::cbRev:
      details_.cbRevClick(SendMessageA(form_.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED);
      return;
    case ctl::NewModButton:
      details_.NewModButtonClick();
      return;
    case ctl::DelModButton:
      details_.DelModButtonClick();
      return;
    case ctl::LoadModPresetButton:
      details_.LoadModPresetButtonClick();
      return;
    case ctl::SaveModPresetButtonN:
    case ctl::SaveAsModPresetButton:
      details_.SaveAsModPresetButtonClick(id == ctl::SaveModPresetButtonN);
      return;
    case ctl::DelPresetButton:
      details_.DelPresetButtonClick();
      return;
    case ctl::CloseButton:
    case IDCANCEL:  // Escape
      closed_ = true;
      return;
    default:
      return;
  }
}

void TconDialog::OnRangeEdit(int id, int code) {
  const DetailsControl edit = id == ctl::edsctype   ? DetailsControl::edsctype
                              : id == ctl::eddctype ? DetailsControl::eddctype
                                                    : DetailsControl::edcr;
  if (code == EN_KILLFOCUS) details_.RangeEditExit(edit, ControlText(form_.Control(id)));
  if (code != EN_CHANGE) return;
  if (edit == DetailsControl::edcr) details_.edcrChange(ControlText(form_.Control(id)));
  else details_.edsctypeChange(edit, ControlText(form_.Control(id)));
}

HWND TconDialog::ControlOf(DetailsControl control) const {
  switch (control) {
    case DetailsControl::ConList: return form_.Control(ctl::ConList);
    case DetailsControl::ptlist: return form_.Control(ctl::ptlist);
    case DetailsControl::srclist: return form_.Control(ctl::srclist);
    case DetailsControl::dstlist: return form_.Control(ctl::dstlist);
    case DetailsControl::tlist: return form_.Control(ctl::tlist);
    case DetailsControl::llist: return form_.Control(ctl::llist);
    case DetailsControl::edsctype: return form_.Control(ctl::edsctype);
    case DetailsControl::eddctype: return form_.Control(ctl::eddctype);
    case DetailsControl::edcr: return form_.Control(ctl::edcr);
    case DetailsControl::edPresetName: return form_.Control(ctl::edPresetName);
    case DetailsControl::Label5: return form_.Control(ctl::conLabel5);
    case DetailsControl::Label6: return form_.Control(ctl::conLabel6);
    case DetailsControl::cbRev: return form_.Control(ctl::cbRev);
  }
  return nullptr;
}

int TconDialog::Selection(int id) const {
  HWND control = form_.Control(id);
  const bool list = id == ctl::ptlist;
  const LRESULT selected = SendMessageA(control, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
  return selected < 0 ? -1 : static_cast<int>(selected);
}

void TconDialog::FillList(DetailsControl list, const std::vector<std::string>& entries) {
  HWND control = ControlOf(list);
  const bool combo = IsComboBox(list);
  SendMessageA(control, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
  for (const std::string& entry : entries)
    SendMessageA(control, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
}

void TconDialog::SelectEntry(DetailsControl list, int entry) {
  SendMessageA(ControlOf(list), IsComboBox(list) ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(entry), 0);
}

void TconDialog::SetText(DetailsControl control, const std::string& text) {
  SetWindowTextA(ControlOf(control), text.c_str());
}

void TconDialog::SetSwapChecked(bool checked) {
  SendMessageA(form_.Control(ctl::cbRev), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TconDialog::EnableEditor(bool on) {
  for (int id : kEditorControls) EnableWindow(form_.Control(id), on);
}

void TconDialog::EnableAdding(bool on) {
  for (int id : kAddingControls) EnableWindow(form_.Control(id), on);
}

std::string TconDialog::CustomName() { return ControlText(form_.Control(ctl::edPresetName)); }

int TconDialog::SelectedPreset() { return Selection(ctl::tlist); }

void RunConnectionDetailsDialog(HINSTANCE instance, ModalService& modal, AppState& state, int connection) {
  if (!state.ports) return;
  TconDialog dialog(modal, state, instance);
  dialog.ShowModal(connection);
}

}  // namespace korvel
