// The "Bank Manager" page: the owner-drawn bank list with its popup menu
// and keys, the load, unload, clear and refresh buttons, the "Virtual Bank
// Mode" box and the sound-memory graph. The decisions are BankPageActions';
// the page reads its controls, calls them and shows what they changed.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/FormBuilder.h"
#include "app/models/BankPageActions.h"
#include "app/Window.h"

namespace korvel {

class BankPage final : public Window, public BankPageView {
 public:
  // Builds the page's controls into `form`, whose window owns its menu.
  // The list is bound to the page: its keys and drops reach it.
  BankPage(Form& form, HINSTANCE instance, ModalService& modal);
  ~BankPage() override;

  // From start-up to shut-down the page works on the program's state.
  void Attach(AppState& state);
  void Detach();

  // The arrangement for "Extended bank list information" (start-up only).
  void LayoutBankPage(bool moreInfo);
  // Without devices the list, the buttons and the box stay disabled.
  void EnableBankControls(bool enabled);
  void RebuildBankList();
  void ShowVirtualBankMode(bool on);
  void SelectBankListRow(int row);

  // The page's commands and notifications; false for what is not its own.
  bool OnCommand(int id, int code);
  bool DrawItem(const DRAWITEMSTRUCT& item);
  bool ContextMenu(HWND control);

  // BankPageView
  int SelectedLine() override;
  void SelectLine(int line) override;
  void FocusBankList() override;
  std::vector<std::string> ChooseBankFiles(const BankFileDialog& dialog) override;
  void DrawMemoryGraph() override;

 private:
  // The bank list's messages.
  LRESULT HandleMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam) override;
  void DrawLine(HDC dc, int line, bool selected);
  void DropFiles(HDROP drop);
  int SlotCount() const;

  Form& form_;
  HWND list_;
  HMENU bankMenu_;
  AppState* state_ = nullptr;
  std::unique_ptr<BankPageActions> actions_;
  // The line drawn selected last; 129 = none.
  int lastSelected_ = 129;
  // The row a preset chose, for the next rebuild; -1 = none.
  int rowToSelect_ = -1;
};

}  // namespace korvel
