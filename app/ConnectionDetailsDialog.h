// The "Connection Details" dialog (`TconDialog`), opened modally from the
// connection map. ConnectionDetails decides; the dialog fills its controls
// as told and hands on what the user changes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/FormBuilder.h"
#include "app/Window.h"
#include "app/models/ConnectionDetails.h"

namespace korvel {

class TconDialog final : public Window, public ConnectionDetailsView {
 public:
  // Made with the window the user is working in as its owner.
  TconDialog(ModalService& modal, AppState& state, HINSTANCE instance);
  ~TconDialog() override;

  // Shows the dialog with `connection` chosen, its owner disabled, until it
  // is closed.
  void ShowModal(int connection);

  // ConnectionDetailsView
  void FillList(DetailsControl list, const std::vector<std::string>& entries) override;
  void SelectEntry(DetailsControl list, int entry) override;
  void SetText(DetailsControl control, const std::string& text) override;
  void SetSwapChecked(bool checked) override;
  void EnableEditor(bool on) override;
  void EnableAdding(bool on) override;
  std::string CustomName() override;
  int SelectedPreset() override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id, int code);
  // Changes of the three range edits, and their leaving.
  void OnRangeEdit(int id, int code);
  HWND ControlOf(DetailsControl control) const;
  int Selection(int id) const;

  Form form_;
  ConnectionDetails details_;
  bool created_ = false;
  bool closed_ = false;
};

// Creates, shows and destroys the dialog; the modifications it edited route
// from then on.
void RunConnectionDetailsDialog(HINSTANCE instance, ModalService& modal, AppState& state, int connection);

}  // namespace korvel
