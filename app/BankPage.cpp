#include "app/BankPage.h"

#include "app/FileDialogs.h"
#include "app/ImageControl.h"
#include "config/ModalService.h"
#include "app/Window.h"
#include "app/models/BankListLines.h"
#include "app/models/MemoryGraph.h"
#include "banks/DeviceAccess.h"
#include "resources/forms/BankPageForm.h"
#include "resources/forms/MainForm.h"

namespace korvel {

namespace {

constexpr COLORREF kLightGrey = RGB(192, 192, 192);
constexpr int kBankControls[] = {ctl::BankList,     ctl::BrowseBankButton, ctl::UnloadBankButton,
                                 ctl::ClearBankSlotButton, ctl::RefreshButton, ctl::cbVBMode};


}  // namespace

BankPage::BankPage(Form& form, HINSTANCE instance, ModalService& modal) : Window(modal), form_(form) {
  form_.Add(forms::kBankPageControls, forms::kBankPageControlCount, instance);
  list_ = form_.Control(ctl::BankList);
  // Enter and Delete reach the page through the list's own procedure.
  Subclass(list_);
  // Bank files dragged from Explorer may be dropped on the list. The list
  // stands above its group box, so that a drop looking for the window under
  // its point by position (as Wine's does, without hit testing) finds the
  // list and not the frame around it.
  DragAcceptFiles(list_, TRUE);
  SetWindowPos(list_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  bankMenu_ = CreatePopupMenu();
  AppendMenuA(bankMenu_, MF_STRING, ctl::Load1, "&Load...");
  AppendMenuA(bankMenu_, MF_STRING, ctl::Refresh1, "&Refresh");
  AppendMenuA(bankMenu_, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(bankMenu_, MF_STRING, ctl::Unload1, "&Unload");
  AppendMenuA(bankMenu_, MF_STRING, ctl::Clear1, "&Clear");
}

BankPage::~BankPage() { DestroyMenu(bankMenu_); }

void BankPage::Attach(AppState& state) {
  state_ = &state;
  actions_ = std::make_unique<BankPageActions>(state.devices, state.presets, *this, state.UpdatingControls);
}

void BankPage::Detach() {
  actions_.reset();
  state_ = nullptr;
}

LRESULT BankPage::HandleMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETDLGCODE && lParam) {
    // The list keeps Enter for itself instead of the window's default button.
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key->message == WM_KEYDOWN && key->wParam == VK_RETURN) return DLGC_WANTMESSAGE;
  }
  if (message == WM_DROPFILES) {
    DropFiles(reinterpret_cast<HDROP>(wParam));
    return 0;
  }
  if (message == WM_KEYDOWN && actions_) {
    if (wParam == VK_RETURN) {
      actions_->BrowseBankButtonClick();
      return 0;
    }
    if (wParam == VK_DELETE) {
      actions_->ClearBankSlotButtonClick();
      return 0;
    }
  }
  return CallControlProcedure(list, message, wParam, lParam);
}

// The drop's files are taken and its handle freed first; the files then go
// from the line under the drop point, unless a dialog or box is open.
void BankPage::DropFiles(HDROP drop) {
  std::vector<std::string> files;
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::vector<char> name(DragQueryFileA(drop, i, nullptr, 0) + 1, '\0');
    if (DragQueryFileA(drop, i, name.data(), static_cast<UINT>(name.size())) > 0) files.emplace_back(name.data());
  }
  POINT point{};
  const bool inList = DragQueryPoint(drop, &point) != FALSE;
  DragFinish(drop);
  if (!actions_ || files.empty() || Modal().DeclineWhileModal()) return;
  const LRESULT hit = SendMessageA(list_, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
  const bool onLine = inList && HIWORD(hit) == 0 && LOWORD(hit) < SlotCount();
  actions_->DropBankFiles(onLine ? LOWORD(hit) : -1, files);
}

void BankPage::LayoutBankPage(bool moreInfo) {
  const auto& placements = moreInfo ? forms::kBankPageWide : forms::kBankPageNarrow;
  for (const forms::Placement& place : placements) form_.Place(place.id, place.left, place.top, place.width, place.height);
}

void BankPage::EnableBankControls(bool enabled) {
  for (int id : kBankControls) EnableWindow(form_.Control(id), enabled);
}

int BankPage::SlotCount() const {
  if (!state_ || state_->devices.Count() == 0) return 0;
  const int dev = state_->config.curdev;
  return dev >= 0 && dev < state_->devices.Count() ? state_->devices.Device(dev).slotCount : 0;
}

void BankPage::RebuildBankList() {
  if (!state_) return;
  const int remembered = rowToSelect_ >= 0 ? rowToSelect_ : SelectedLine();
  rowToSelect_ = -1;
  const std::vector<std::string> lines = BankListLines(state_->devices, state_->config.curdev, state_->config.cflags);
  const int slotLines = BankListSlotLines(state_->devices, state_->config.curdev, state_->config.cflags);
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : lines)
    SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  SelectLine(remembered >= 0 && remembered < slotLines ? remembered : 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void BankPage::ShowVirtualBankMode(bool on) {
  SendMessageA(form_.Control(ctl::cbVBMode), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  if (SlotCount() > 0) EnableWindow(form_.Control(ctl::UnloadBankButton), on);
}

// A preset's row, chosen before the list holds its lines (at start-up), is
// selected by the next rebuild.
void BankPage::SelectBankListRow(int row) {
  rowToSelect_ = row;
  SelectLine(row);
}

bool BankPage::OnCommand(int id, int code) {
  if (!actions_) return false;
  switch (id) {
    case ctl::BrowseBankButton:
    case ctl::Load1:
      actions_->BrowseBankButtonClick();
      return true;
    case ctl::UnloadBankButton:
    case ctl::Unload1:
      actions_->UnloadBankButtonClick();
      return true;
    case ctl::ClearBankSlotButton:
    case ctl::Clear1:
      actions_->ClearBankSlotButtonClick();
      return true;
    case ctl::RefreshButton:
    case ctl::Refresh1:
      actions_->RefreshButtonClick();
      return true;
    case ctl::cbVBMode:
      actions_->cbVBModeClick(SendMessageA(form_.Control(ctl::cbVBMode), BM_GETCHECK, 0, 0) == BST_CHECKED);
      return true;
    case ctl::BankList:
      if (code == LBN_DBLCLK) actions_->RefreshButtonClick();
      return true;
    default:
      return false;
  }
}

// The line under the cursor is selected before the menu opens.
bool BankPage::ContextMenu(HWND control) {
  if (control != list_) return false;
  POINT cursor{};
  GetCursorPos(&cursor);
  POINT inList = cursor;
  ScreenToClient(list_, &inList);
  const LRESULT hit = SendMessageA(list_, LB_ITEMFROMPOINT, 0, MAKELPARAM(inList.x, inList.y));
  const int line = LOWORD(hit);
  if (HIWORD(hit) == 0 && line != SelectedLine()) SelectLine(line);
  TrackPopupMenu(bankMenu_, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, form_.Handle(), nullptr);
  return true;
}

// The line that lost the selection is drawn again first, so that it never
// stays black.
bool BankPage::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem != list_) return false;
  if (item.itemID == static_cast<UINT>(-1)) return true;
  const int line = static_cast<int>(item.itemID);
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  if (selected && lastSelected_ != line) {
    DrawLine(item.hDC, lastSelected_, false);
    lastSelected_ = line;
  }
  DrawLine(item.hDC, line, selected);
  return true;
}

void BankPage::DrawLine(HDC dc, int line, bool selected) {
  if (line < 0 || line >= SlotCount()) return;
  RECT rect{};
  if (SendMessageA(list_, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&rect)) == LB_ERR) return;
  char text[256] = {};
  const LRESULT length = SendMessageA(list_, LB_GETTEXTLEN, line, 0);
  if (length == LB_ERR || length >= static_cast<LRESULT>(sizeof text)) return;
  SendMessageA(list_, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text));

  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(selected ? BLACK_BRUSH : WHITE_BRUSH)));
  const int mode = SetBkMode(dc, TRANSPARENT);
  HGDIOBJ font = SelectObject(dc, form_.Font(forms::kArialRegular));
  for (const BankListColumn& column : BankListColumns(text)) {
    SelectObject(dc, form_.Font(column.bold ? forms::kArialBold : forms::kArialRegular));
    SetTextColor(dc, column.grey ? kLightGrey : selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    TextOutA(dc, rect.left + column.left, rect.top, column.text.c_str(), static_cast<int>(column.text.size()));
  }
  SelectObject(dc, font);
  SetBkMode(dc, mode);
}

int BankPage::SelectedLine() {
  const LRESULT selected = SendMessageA(list_, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

void BankPage::SelectLine(int line) { SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(line), 0); }

void BankPage::FocusBankList() { SetFocus(list_); }

std::vector<std::string> BankPage::ChooseBankFiles(const BankFileDialog& dialog) {
  FileDialogLook look{dialog.title, dialog.filterName, dialog.filterPattern, dialog.defaultExtension,
                      dialog.initialFolder};
  return ChooseFilesToOpen(look);
}

// Free memory white, the rest grey, framed, with the figures written on it.
void BankPage::DrawMemoryGraph() {
  HWND image = form_.Control(ctl::MemGraph);
  Picture* picture = ImagePicture(image);
  if (!picture) return;
  std::int32_t total = 0, free = 0;
  if (state_ && SlotCount() > 0) {
    DeviceTable& devices = state_->devices;
    const int dev = state_->config.curdev;
    if (devices.Device(dev).totalKB == 0) {
      const DeviceAccess access(devices, dev);
      devices.ReadMemInfo(dev);
    }
    total = devices.Device(dev).totalKB;
    free = devices.Device(dev).freeKB;
  }
  const int width = picture->Width(), height = picture->Height();
  const MemoryGraphShape shape = MemoryGraphOf(total, free, width);
  HDC canvas = picture->Canvas();
  HBRUSH grey = CreateSolidBrush(kLightGrey);
  const RECT white{0, 0, shape.whiteWidth, height};
  const RECT rest{shape.greyLeft, 0, width, height};
  FillRect(canvas, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  if (shape.available) {
    FillRect(canvas, &rest, grey);
    const RECT all{0, 0, width, height};
    const RECT used{shape.frameLeft, 0, width, height};
    FrameRect(canvas, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    FrameRect(canvas, &used, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  DeleteObject(grey);
  const int mode = SetBkMode(canvas, TRANSPARENT);
  HGDIOBJ font = SelectObject(canvas, form_.Font(forms::kMainFont));
  SetTextColor(canvas, RGB(0, 0, 0));
  TextOutA(canvas, shape.textLeft, shape.textTop, shape.text.c_str(), static_cast<int>(shape.text.size()));
  SelectObject(canvas, font);
  SetBkMode(canvas, mode);
  InvalidateRect(image, nullptr, FALSE);
}

}  // namespace korvel
