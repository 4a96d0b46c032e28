#include "app/MidiDevicesPage.h"

#include <algorithm>
#include <cstring>

#include "app/ConnectionDetailsDialog.h"
#include "app/Window.h"
#include "resources/forms/MainForm.h"
#include "resources/forms/MidiDevicesPageForm.h"

namespace korvel {

namespace {

constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kActive = RGB(0, 192, 0);
// The tiles' activity marks are refreshed ten times a second.
constexpr UINT_PTR kActivityTimer = 1;
constexpr UINT kActivityTickMs = 100;
constexpr RECT kInputMark{12, 29, 18, 35};
constexpr RECT kOutputMark{110, 29, 116, 35};

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void TextAt(HDC dc, int x, int y, const char* text) { TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text))); }

}  // namespace

MidiDevicesPage::MidiDevicesPage(Form& form, HINSTANCE instance, ModalService& modal)
    : Window(modal), form_(form), instance_(instance) {
  form_.Add(forms::kMidiDevicesPageControls, forms::kMidiDevicesPageControlCount, instance);
  image_ = form_.Control(ctl::ConnImage);
  // The tiles stand on the image: neither paints over the other.
  SetWindowLongPtrA(image_, GWL_STYLE, GetWindowLongPtrA(image_, GWL_STYLE) | WS_CLIPSIBLINGS);
  Subclass(image_);
  ClearMap();
}

MidiDevicesPage::~MidiDevicesPage() { DestroyTiles(); }

void MidiDevicesPage::Attach(AppState& state) {
  state_ = &state;
  map_ = std::make_unique<ConnectionMap>(state.ports, state.config, state.presets, state.switching,
                                         state.UpdatingControls, *this);
  FollowVisibility();
}

void MidiDevicesPage::Detach() {
  RunActivityTimer(false);
  DestroyTiles();
  map_.reset();
  state_ = nullptr;
}

void MidiDevicesPage::FollowVisibility() {
  RunActivityTimer(map_ && IsWindowVisible(image_) && !IsIconic(form_.Handle()));
}

void MidiDevicesPage::RunActivityTimer(bool on) {
  if (on == ticking_) return;
  ticking_ = on;
  if (on) SetTimer(image_, kActivityTimer, kActivityTickMs, nullptr);
  else KillTimer(image_, kActivityTimer);
}

bool MidiDevicesPage::OnCommand(int id, int) {
  if (!map_) return false;
  switch (id) {
    case ctl::ConOptsButton:
      map_->ConOptsButtonClick();
      return true;
    case ctl::ShowHidButton:
      map_->ShowHidButtonClick();
      return true;
    case ctl::OrgConButton:
      map_->OrgConButtonClick();
      return true;
    default:
      return false;
  }
}

MapPoint MidiDevicesPage::CursorOnPage() const {
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(GetParent(image_), &cursor);
  return MapPoint{cursor.x, cursor.y};
}

LRESULT MidiDevicesPage::HandleMessage(HWND image, UINT message, WPARAM wParam, LPARAM lParam) {
  if (map_) {
    if (message == WM_TIMER && wParam == kActivityTimer) {
      map_->TickActivity();
      return 0;
    }
    if (message == WM_MOUSEMOVE) {
      map_->ConnImageMouseMove(CursorOnPage());
      return 0;
    }
    if (message == WM_LBUTTONUP) {
      map_->ConnImageMouseUp();
      return 0;
    }
  }
  return CallControlProcedure(image, message, wParam, lParam);
}

void MidiDevicesPage::CreateTile(int port, const TileRect& bounds, const char* name) {
  if (!midiIn_) {
    midiIn_ = std::make_unique<Picture>(1, 1);
    midiIn_->Load(instance_, "MIDIIN");
  }
  tiles_[port] = std::make_unique<PortTileWindow>(Modal(), GetParent(image_), port, bounds, name, *map_);
}

void MidiDevicesPage::DestroyTiles() {
  for (auto& tile : tiles_) tile.reset();
  tabStop_ = -1;
  midiIn_.reset();
}

void MidiDevicesPage::MoveTile(int port, const TileRect& bounds) {
  if (!tiles_[port]) return;
  SetWindowPos(tiles_[port]->Handle(), nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// A tile hidden while it has the focus hands it to the map's tab stop, or
// to "&Reveal Hidden" when no tile is left.
void MidiDevicesPage::ShowTile(int port, bool shown) {
  if (!tiles_[port]) return;
  HWND tile = tiles_[port]->Handle();
  const bool hadFocus = GetFocus() == tile;
  ShowWindow(tile, shown ? SW_SHOW : SW_HIDE);
  EnableWindow(tile, shown);
  FollowTabStop();
  if (shown || !hadFocus) return;
  SetFocus(tabStop_ != -1 ? tiles_[tabStop_]->Handle() : form_.Control(ctl::ShowHidButton));
}

void MidiDevicesPage::FollowTabStop() {
  const int stop = map_ ? map_->TabStopPort() : -1;
  if (stop == tabStop_) return;
  tabStop_ = stop;
  for (int port = 0; port < kMaxPorts; ++port) {
    if (!tiles_[port]) continue;
    HWND tile = tiles_[port]->Handle();
    const LONG_PTR style = GetWindowLongPtrA(tile, GWL_STYLE);
    SetWindowLongPtrA(tile, GWL_STYLE, port == stop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
  }
}

void MidiDevicesPage::BringTileToFront(int port) {
  if (tiles_[port]) SetWindowPos(tiles_[port]->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// Framed, navy when selected; the name centred in bold Arial, "I" and "O"
// for the sides with their activity marks, and the "MIDIIN" picture on the
// bank-switching input.
void MidiDevicesPage::DrawTile(int port, const TileLook& look) {
  PortTileWindow* tile = tiles_[port].get();
  if (!tile) return;
  HDC dc = tile->Canvas();
  const SIZE size = tile->Size();
  RECT area{0, 0, size.cx, size.cy};
  Fill(dc, RECT{0, 0, kTileWidth, kTileHeight}, kWhite);
  if (!look.hidden) {
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&area, -1, -1);
    Fill(dc, area, look.selected ? kNavy : kWhite);
    const int mode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ font = SelectObject(dc, form_.Font(forms::kArialBold));
    SetTextColor(dc, look.selected ? kWhite : kBlack);
    SIZE text{};
    const int length = static_cast<int>(std::strlen(look.name));
    GetTextExtentPoint32A(dc, look.name, length, &text);
    ExtTextOutA(dc, TileTextLeft(text.cx), 12, ETO_CLIPPED, &area, look.name, static_cast<UINT>(length), nullptr);
    if (look.hasInput) TextAt(dc, 4, 25, "I");
    if (look.hasOutput) TextAt(dc, 118, 25, "O");
    // A green mark beside "I" or "O" while that side carries messages.
    if (look.inputActive) Fill(dc, kInputMark, kActive);
    if (look.outputActive) Fill(dc, kOutputMark, kActive);
    if (look.bankSwitchInput && midiIn_) {
      BitBlt(dc, 2, 2, midiIn_->Width(), midiIn_->Height(), midiIn_->Canvas(), 0, 0,
             look.selected ? NOTSRCCOPY : SRCCOPY);
    }
    SelectObject(dc, font);
    SetBkMode(dc, mode);
  }
  tile->Repaint();
  // A tile is drawn again whenever the selection moves.
  FollowTabStop();
}

void MidiDevicesPage::ClearMap() {
  Picture* picture = ImagePicture(image_);
  if (!picture) return;
  RECT all{0, 0, picture->Width(), picture->Height()};
  FrameRect(picture->Canvas(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  InflateRect(&all, -1, -1);
  FillRect(picture->Canvas(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  InvalidateRect(image_, nullptr, FALSE);
}

// Only the line's own rectangle is painted again.
void MidiDevicesPage::DrawLine(MapPoint from, MapPoint to, bool black) {
  Picture* picture = ImagePicture(image_);
  if (!picture) return;
  HDC dc = picture->Canvas();
  HGDIOBJ pen = SelectObject(dc, GetStockObject(black ? BLACK_PEN : WHITE_PEN));
  MoveToEx(dc, from.x, from.y, nullptr);
  LineTo(dc, to.x, to.y);
  SelectObject(dc, pen);
  RECT changed{std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x) + 1,
               std::max(from.y, to.y) + 1};
  InvalidateRect(image_, &changed, FALSE);
}

int MidiDevicesPage::ShowPortMenu(const std::vector<PortMenuItem>& items, std::optional<MapPoint> atPage) {
  HMENU menu = CreatePopupMenu();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].action == PortMenuItem::kSeparator) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    AppendMenuA(menu, MF_STRING | (items[i].enabled ? 0 : MF_GRAYED), i + 1, items[i].caption.c_str());
  }
  POINT at{};
  if (atPage) {
    at = POINT{atPage->x, atPage->y};
    ClientToScreen(GetParent(image_), &at);
  } else {
    GetCursorPos(&at);
  }
  const int chosen =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, form_.Handle(), nullptr);
  DestroyMenu(menu);
  return chosen - 1;
}

void MidiDevicesPage::OpenConnectionDetails(int connection) {
  if (!state_) return;
  RunConnectionDetailsDialog(instance_, Modal(), *state_, connection);
  map_->RedrawConnectionMap();
}

}  // namespace korvel
