#include "app/FormBuilder.h"

#include <commctrl.h>

#include <cstring>

#include "app/ImageControl.h"

namespace korvel {

namespace {

constexpr char kPageClass[] = "TTabSheet";
// Room below a drop-down list's closed box for its opened list.
constexpr int kDropDownListHeight = 200;

// The top-level window a control belongs to.
HWND FormOf(HWND control) {
  HWND window = control;
  while (window && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) window = GetParent(window);
  return window;
}

// Pages hand what their controls report on to the form, where the handlers are.
LRESULT CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CONTEXTMENU:
      if (HWND form = FormOf(page)) return SendMessageA(form, message, wParam, lParam);
      break;
    default:
      break;
  }
  return DefWindowProcA(page, message, wParam, lParam);
}

bool RegisterPageClass(HINSTANCE instance) {
  WNDCLASSA existing;
  if (GetClassInfoA(instance, kPageClass, &existing)) return true;
  return RegisterFormClass(instance, kPageClass, PageProc, nullptr);
}

DWORD FrameStyle(forms::Border border) {
  switch (border) {
    case forms::Border::Single:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    case forms::Border::Dialog:
      return WS_POPUP | WS_CAPTION | WS_DLGFRAME;
    case forms::Border::None:
      break;
  }
  return WS_POPUP;
}

SIZE TextSize(HFONT font, const char* text) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen, &metrics);
  SIZE size{0, metrics.tmHeight};
  if (text && *text) GetTextExtentPoint32A(screen, text, static_cast<int>(std::strlen(text)), &size);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return size;
}

// Makes the closed box of a drop-down list `height` pixels high. The box is
// its item height plus a border whose size, and how the item height setting
// maps onto it, differ between systems: so measure and correct.
void SetClosedHeight(HWND combo, int height) {
  // Only the values set here are trusted: some systems report the item
  // height back with their own border added.
  LRESULT item = SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int round = 0; round < 3 && item > 0; ++round) {
    SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item);
    RECT box{};
    GetWindowRect(combo, &box);
    const int difference = height - static_cast<int>(box.bottom - box.top);
    if (difference == 0) return;
    item += difference;
  }
}

HWND PageOfTab(HWND pageControl, int index) {
  TCITEMA item{};
  item.mask = TCIF_PARAM;
  if (!SendMessageA(pageControl, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<HWND>(item.lParam);
}

void ShowSelectedPage(HWND pageControl) {
  const int selected = SelectedPage(pageControl);
  const int count = PageCount(pageControl);
  for (int i = 0; i < count; ++i) {
    if (HWND page = PageOfTab(pageControl, i)) ShowWindow(page, i == selected ? SW_SHOW : SW_HIDE);
  }
}

}  // namespace

bool RegisterFormClass(HINSTANCE instance, const char* className, WNDPROC procedure, HICON icon) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = className;
  return RegisterClassA(&windowClass) != 0;
}

Form::~Form() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  for (const MadeFont& made : fonts_) DeleteObject(made.font);
}

HFONT Form::Font(const forms::FontLayout& layout) {
  for (const MadeFont& made : fonts_) {
    if (made.layout.height == layout.height && made.layout.bold == layout.bold &&
        std::strcmp(made.layout.face, layout.face) == 0)
      return made.font;
  }
  HFONT font = CreateFontA(layout.height, 0, 0, 0, layout.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, layout.face);
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  else fonts_.push_back({layout, font});
  return font;
}

HWND Form::Build(const forms::FormLayout& layout, HINSTANCE instance, HWND owner, void* param) {
  RegisterPageClass(instance);
  RegisterImageClass(instance);

  // Windows repaint whole after anything covered them: a form's own erase
  // never paints over its controls (see the group box below).
  const DWORD style = FrameStyle(layout.border) | WS_CLIPCHILDREN;
  RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = layout.left == forms::kCentred ? (GetSystemMetrics(SM_CXSCREEN) - width) / 2 : layout.left;
  const int top = layout.top == forms::kCentred ? (GetSystemMetrics(SM_CYSCREEN) - height) / 2 : layout.top;

  window_ = CreateWindowExA(0, layout.className, layout.caption, style, left, top, width, height, owner,
                            nullptr, instance, param);
  if (!window_) return nullptr;
  formFont_ = Font(layout.font);
  SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_), FALSE);

  Add(layout.controls, layout.controlCount, instance);
  return window_;
}

void Form::Add(const forms::ControlLayout* controls, std::size_t count, HINSTANCE instance) {
  for (std::size_t i = 0; i < count; ++i) CreateControl(controls[i], instance);
}

const Form::Entry* Form::EntryOf(int id) const {
  for (const Entry& entry : controls_) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

// The window a row belongs to, and its place in it.
HWND Form::CreateControl(const forms::ControlLayout& layout, HINSTANCE instance) {
  HWND parent = window_;
  int left = layout.left, top = layout.top;
  int group = 0;
  if (layout.parent != 0) {
    const Entry* host = EntryOf(layout.parent);
    if (!host) return nullptr;
    parent = host->host;
    left += host->left;
    top += host->top;
    if (host->host != host->window) group = layout.parent;
  }
  HFONT font = layout.font ? Font(*layout.font) : formFont_;
  const char* caption = layout.caption ? layout.caption : "";

  const char* className = nullptr;
  DWORD style = WS_CHILD | ((layout.options & forms::Hidden) ? 0 : WS_VISIBLE);
  DWORD exStyle = 0;
  int width = layout.width, height = layout.height;
  int tabIndex = -1;

  switch (layout.kind) {
    case forms::Kind::Label: {
      className = "STATIC";
      style |= (layout.options & forms::Centred) ? SS_CENTER : SS_LEFT;
      if (width == 0) {
        const SIZE size = TextSize(font, caption);
        width = size.cx;
        height = size.cy;
      }
      break;
    }
    case forms::Kind::Button:
      className = "BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case forms::Kind::DropDownList:
      className = "COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
      break;
    case forms::Kind::PageControl:
      className = WC_TABCONTROLA;
      style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP;
      exStyle |= WS_EX_CONTROLPARENT;
      break;
    case forms::Kind::Page: {
      // The tab comes first: the page fills the area the tabs leave.
      className = kPageClass;
      style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
      exStyle |= WS_EX_CONTROLPARENT;
      TCITEMA item{};
      item.mask = TCIF_TEXT | TCIF_PARAM;
      item.pszText = const_cast<char*>(caption);
      tabIndex = static_cast<int>(SendMessageA(parent, TCM_INSERTITEMA,
                                               SendMessageA(parent, TCM_GETITEMCOUNT, 0, 0),
                                               reinterpret_cast<LPARAM>(&item)));
      if (tabIndex != 0) style &= ~WS_VISIBLE;
      RECT area{};
      GetClientRect(parent, &area);
      SendMessageA(parent, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
      left = area.left;
      top = area.top;
      width = area.right - area.left;
      height = area.bottom - area.top;
      break;
    }
    case forms::Kind::ProgressBar:
      className = PROGRESS_CLASSA;
      break;
    case forms::Kind::Image:
      className = "TImage";
      break;
    case forms::Kind::CheckBox:
      className = "BUTTON";
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case forms::Kind::GroupBox:
      // A group box paints only its frame and caption. Transparent, it is
      // left out of its parent's clipping, so that the parent's erase reaches
      // the area inside it and a page shown again keeps nothing of the page
      // before; the controls standing in it stay clipped.
      className = "BUTTON";
      style |= BS_GROUPBOX;
      exStyle |= WS_EX_TRANSPARENT;
      break;
    case forms::Kind::OwnerDrawList:
      className = "LISTBOX";
      style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
               WS_TABSTOP;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case forms::Kind::ListBox:
      className = "LISTBOX";
      style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case forms::Kind::Edit:
      className = "EDIT";
      style |= ES_AUTOHSCROLL | WS_TABSTOP;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
  }

  const int createHeight = layout.kind == forms::Kind::DropDownList ? height + kDropDownListHeight : height;
  HWND control = CreateWindowExA(exStyle, className, layout.kind == forms::Kind::Page ? "" : caption, style,
                                 left, top, width, createHeight, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
  if (!control) return nullptr;
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // A group box only frames: what stands in it belongs to its parent window.
  if (layout.kind == forms::Kind::GroupBox) controls_.push_back({layout.id, control, parent, left, top, group});
  else controls_.push_back({layout.id, control, control, 0, 0, group});

  switch (layout.kind) {
    case forms::Kind::DropDownList:
      SetClosedHeight(control, height);
      break;
    case forms::Kind::Page: {
      TCITEMA item{};
      item.mask = TCIF_PARAM;
      item.lParam = reinterpret_cast<LPARAM>(control);
      SendMessageA(parent, TCM_SETITEMA, tabIndex, reinterpret_cast<LPARAM>(&item));
      break;
    }
    case forms::Kind::ProgressBar:
      SendMessageA(control, PBM_SETRANGE, 0, MAKELPARAM(0, layout.value));
      break;
    case forms::Kind::Image:
      if (layout.picture) {
        if (Picture* picture = ImagePicture(control)) picture->Load(instance, layout.picture);
      }
      break;
    case forms::Kind::CheckBox:
      if (layout.options & forms::Checked) SendMessageA(control, BM_SETCHECK, BST_CHECKED, 0);
      break;
    case forms::Kind::OwnerDrawList:
      SendMessageA(control, LB_SETITEMHEIGHT, 0, layout.value);
      break;
    default:
      break;
  }
  return control;
}

HWND Form::Control(int id) const {
  const Entry* entry = EntryOf(id);
  return entry ? entry->window : nullptr;
}

void Form::Place(int id, int left, int top, int width, int height) {
  const Entry* entry = EntryOf(id);
  if (!entry) return;
  if (const Entry* group = entry->group ? EntryOf(entry->group) : nullptr) {
    left += group->left;
    top += group->top;
  }
  SetWindowPos(entry->window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT Form::FontOf(int id) const {
  HWND control = Control(id);
  return control ? reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)) : nullptr;
}

std::string ControlText(HWND control) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(control, &text[0], static_cast<int>(text.size()))));
  return text;
}

int SelectedPage(HWND pageControl) {
  return static_cast<int>(SendMessageA(pageControl, TCM_GETCURSEL, 0, 0));
}

int PageCount(HWND pageControl) { return static_cast<int>(SendMessageA(pageControl, TCM_GETITEMCOUNT, 0, 0)); }

void SelectPage(HWND pageControl, int index) {
  SendMessageA(pageControl, TCM_SETCURSEL, index, 0);
  ShowSelectedPage(pageControl);
}

bool HandlePageChange(const NMHDR& header) {
  if (header.code != TCN_SELCHANGE) return false;
  char name[32] = {};
  GetClassNameA(header.hwndFrom, name, sizeof name);
  if (lstrcmpiA(name, WC_TABCONTROLA) != 0) return false;
  ShowSelectedPage(header.hwndFrom);
  return true;
}

}  // namespace korvel
