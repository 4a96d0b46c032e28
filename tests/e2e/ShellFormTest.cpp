// The shell's window building in-process under Wine: forms from their
// layout tables, page controls, pictures and the text drawn on them, the
// page numbers, and the pictures Korvel carries as resources.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/FormBuilder.h"
#include "app/ImageControl.h"
#include "app/PageNumbers.h"
#include "resources/forms/ControlIds.h"
#include "resources/forms/AboutPageForm.h"
#include "resources/forms/BankPageForm.h"
#include "resources/forms/MainForm.h"
#include "resources/forms/PresetPageForm.h"
#include "resources/forms/WaitForm.h"

namespace {

namespace ctl = korvel::ctl;
namespace forms = korvel::forms;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

void RegisterOnce(const char* className) {
  WNDCLASSA existing;
  if (!GetClassInfoA(Instance(), className, &existing)) {
    ASSERT_TRUE(korvel::RegisterFormClass(Instance(), className, DefWindowProcA, nullptr));
  }
}

LOGFONTA FontDetails(HFONT font) {
  LOGFONTA details{};
  GetObjectA(font, sizeof details, &details);
  return details;
}

std::string TabText(HWND tabs, int index) {
  char text[64] = {};
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
  return text;
}

RECT RectIn(HWND parent, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class MainFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitCommonControls(); }
  void SetUp() override {
    RegisterOnce(forms::kMainForm.className);
    ASSERT_NE(form_.Build(forms::kMainForm, Instance(), nullptr, nullptr), nullptr);
    form_.Add(forms::kBankPageControls, forms::kBankPageControlCount, Instance());
    form_.Add(forms::kPresetPageControls, forms::kPresetPageControlCount, Instance());
    form_.Add(forms::kAboutPageControls, forms::kAboutPageControlCount, Instance());
  }
  // Where a row is placed: in its parent, or in a group box's parent offset
  // by the group box's place.
  void ExpectPlaced(const forms::ControlLayout& layout, const forms::ControlLayout* group) {
    SCOPED_TRACE(layout.name);
    HWND control = form_.Control(layout.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetDlgCtrlID(control), layout.id);
    const int parentId = group ? group->parent : layout.parent;
    HWND parent = parentId == 0 ? form_.Handle() : form_.Control(parentId);
    EXPECT_EQ(GetParent(control), parent);
    if (layout.kind == forms::Kind::Page || layout.width == 0) return;
    const RECT rect = RectIn(parent, control);
    EXPECT_EQ(rect.left, layout.left + (group ? group->left : 0));
    EXPECT_EQ(rect.top, layout.top + (group ? group->top : 0));
    EXPECT_EQ(rect.right - rect.left, layout.width);
    EXPECT_EQ(rect.bottom - rect.top, layout.height);
  }
  template <std::size_t N>
  void ExpectTablePlaced(const forms::ControlLayout (&table)[N]) {
    for (const forms::ControlLayout& layout : table) {
      const forms::ControlLayout* group = nullptr;
      for (const forms::ControlLayout& other : table) {
        if (other.id == layout.parent && other.kind == forms::Kind::GroupBox) group = &other;
      }
      ExpectPlaced(layout, group);
    }
  }
  korvel::Form form_;
};

TEST_F(MainFormTest, EveryControlOfTheTablesStandsWhereTheTableSays) {
  RECT client{};
  GetClientRect(form_.Handle(), &client);
  EXPECT_EQ(client.right, 482);
  EXPECT_EQ(client.bottom, 590);
  ExpectTablePlaced(forms::kMainControls);
  ExpectTablePlaced(forms::kBankPageControls);
  ExpectTablePlaced(forms::kPresetPageControls);
  ExpectTablePlaced(forms::kAboutPageControls);
}

TEST_F(MainFormTest, ANewPlaceCountsFromTheGroupBox) {
  form_.Place(ctl::BankList, 16, 24, 250, 312);
  const RECT rect = RectIn(form_.Control(ctl::BankSheet), form_.Control(ctl::BankList));
  EXPECT_EQ(rect.left, 16 + 16);
  EXPECT_EQ(rect.top, 8 + 24);
  EXPECT_EQ(rect.bottom - rect.top, 312);
}

TEST_F(MainFormTest, ControlKindsOfThePages) {
  HWND list = form_.Control(ctl::BankList);
  const LONG_PTR listStyle = GetWindowLongPtrA(list, GWL_STYLE);
  EXPECT_TRUE(listStyle & LBS_OWNERDRAWFIXED);
  EXPECT_TRUE(listStyle & LBS_HASSTRINGS);
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), 14);
  SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("5\xA4Piano"));
  char text[32] = {};
  SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "5\xA4Piano");  // the line keeps its text for readers
  EXPECT_EQ(SendMessageA(form_.Control(ctl::cbVBMode), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(form_.Control(ctl::cbSaveCons), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(GetWindowLongPtrA(form_.Control(ctl::Label19), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
  const LOGFONTA note = FontDetails(form_.FontOf(ctl::Label9));
  EXPECT_STREQ(note.lfFaceName, "Arial");
  EXPECT_EQ(note.lfHeight, -9);
  // A named font is made once, whoever asks for it.
  EXPECT_EQ(form_.Font(forms::kArialBold), form_.FontOf(ctl::txtFB));
}

TEST_F(MainFormTest, ControlsGetTheFontsOfTheTable) {
  const LOGFONTA regular = FontDetails(form_.FontOf(ctl::txtFN));
  EXPECT_STREQ(regular.lfFaceName, "Arial");
  EXPECT_EQ(regular.lfHeight, -11);
  EXPECT_EQ(regular.lfWeight, FW_NORMAL);
  const LOGFONTA bold = FontDetails(form_.FontOf(ctl::txtFB));
  EXPECT_STREQ(bold.lfFaceName, "Arial");
  EXPECT_EQ(bold.lfHeight, -11);
  EXPECT_EQ(bold.lfWeight, FW_BOLD);
  // Everything else has the window's font.
  const LOGFONTA window = FontDetails(form_.FontOf(ctl::Button1));
  EXPECT_STREQ(window.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(window.lfHeight, -11);
  EXPECT_EQ(form_.FontOf(ctl::ProgressBar), form_.FontOf(ctl::Button1));
  EXPECT_EQ(form_.FontOf(ctl::BankPage), form_.FontOf(ctl::Button1));
}

TEST_F(MainFormTest, KindsGetTheirStylesAndSettings) {
  PBRANGE range{};
  SendMessageA(form_.Control(ctl::ProgressBar), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 16);
  const LONG_PTR comboStyle = GetWindowLongPtrA(form_.Control(ctl::DeviceSelect), GWL_STYLE);
  EXPECT_EQ(comboStyle & 0x3, CBS_DROPDOWNLIST);
  // The font carriers exist but are never shown; the rest of the frame is.
  EXPECT_FALSE(GetWindowLongPtrA(form_.Control(ctl::txtFN), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(GetWindowLongPtrA(form_.Control(ctl::txtFB), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(GetWindowLongPtrA(form_.Control(ctl::Button1), GWL_STYLE) & WS_VISIBLE);
  // A label without a size takes the size of its text.
  HWND label = form_.Control(ctl::Label3);
  RECT rect = RectIn(form_.Handle(), label);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, form_.FontOf(ctl::Label3));
  SIZE text{};
  GetTextExtentPoint32A(dc, "Device:", 7, &text);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  EXPECT_EQ(rect.right - rect.left, text.cx);
  EXPECT_EQ(rect.bottom - rect.top, text.cy);
}

TEST_F(MainFormTest, PageControlHoldsTheFourPagesInOrder) {
  HWND tabs = form_.Control(ctl::BankPage);
  ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(TabText(tabs, 0), "Bank Manager");
  EXPECT_EQ(TabText(tabs, 1), "Presets");
  EXPECT_EQ(TabText(tabs, 2), "Midi Devices");
  EXPECT_EQ(TabText(tabs, 3), "About");
  EXPECT_EQ(korvel::SelectedPage(tabs), 0);

  RECT area{};
  GetClientRect(tabs, &area);
  SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  const int pages[] = {ctl::BankSheet, ctl::PresetSheet, ctl::hwmcsheet, ctl::AboutSheet};
  for (int page : pages) {
    SCOPED_TRACE(page);
    const RECT rect = RectIn(tabs, form_.Control(page));
    EXPECT_EQ(rect.left, area.left);
    EXPECT_EQ(rect.top, area.top);
    EXPECT_EQ(rect.right, area.right);
    EXPECT_EQ(rect.bottom, area.bottom);
    EXPECT_EQ(IsWindowVisible(form_.Control(page)) != FALSE, false) << "the form is not shown yet";
    EXPECT_EQ((GetWindowLongPtrA(form_.Control(page), GWL_STYLE) & WS_VISIBLE) != 0, page == ctl::BankSheet);
  }
}

TEST_F(MainFormTest, SelectingATabShowsOnlyItsPage) {
  HWND tabs = form_.Control(ctl::BankPage);
  const int pages[] = {ctl::BankSheet, ctl::PresetSheet, ctl::hwmcsheet, ctl::AboutSheet};
  auto shown = [&](int page) { return (GetWindowLongPtrA(form_.Control(page), GWL_STYLE) & WS_VISIBLE) != 0; };

  korvel::SelectPage(tabs, 2);
  EXPECT_EQ(korvel::SelectedPage(tabs), 2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(shown(pages[i]), i == 2) << i;

  // A change the user makes arrives as TCN_SELCHANGE.
  SendMessageA(tabs, TCM_SETCURSEL, 3, 0);
  NMHDR change{tabs, static_cast<UINT_PTR>(ctl::BankPage), static_cast<UINT>(TCN_SELCHANGE)};
  EXPECT_TRUE(korvel::HandlePageChange(change));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(shown(pages[i]), i == 3) << i;

  NMHDR other{form_.Control(ctl::Button1), static_cast<UINT_PTR>(ctl::Button1), static_cast<UINT>(TCN_SELCHANGE)};
  EXPECT_FALSE(korvel::HandlePageChange(other));
  NMHDR click{tabs, static_cast<UINT_PTR>(ctl::BankPage), static_cast<UINT>(NM_CLICK)};
  EXPECT_FALSE(korvel::HandlePageChange(click));
}

TEST_F(MainFormTest, LogoImageShowsTheLogoPicture) {
  const korvel::Picture* logo = korvel::ImagePicture(form_.Control(ctl::LogoImage));
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->Width(), 414);
  EXPECT_EQ(logo->Height(), 153);
  EXPECT_EQ(korvel::ImagePicture(form_.Control(ctl::Button1)), nullptr);
  // The band where start-up writes its texts is light, so black text shows.
  const COLORREF band = GetPixel(logo->Canvas(), 207, 131);
  EXPECT_GT(GetRValue(band) + GetGValue(band) + GetBValue(band), 3 * 180);
}

TEST(WaitFormTest, IsBorderlessCentredAndHoldsOneBlankImage) {
  RegisterOnce(forms::kWaitForm.className);
  korvel::Form form;
  HWND window = form.Build(forms::kWaitForm, Instance(), nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU));
  RECT frame{};
  GetWindowRect(window, &frame);
  EXPECT_EQ(frame.right - frame.left, 414);
  EXPECT_EQ(frame.bottom - frame.top, 146);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 414) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 146) / 2);
  const korvel::Picture* logo = korvel::ImagePicture(form.Control(ctl::Logo));
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->Width(), 414);
  EXPECT_EQ(logo->Height(), 146);
  EXPECT_EQ(GetPixel(logo->Canvas(), 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(logo->Canvas(), 413, 145), RGB(255, 255, 255));
}

// The box around every pixel that is not white.
RECT InkBox(const korvel::Picture& picture) {
  RECT box{picture.Width(), picture.Height(), -1, -1};
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      if (GetPixel(picture.Canvas(), x, y) == RGB(255, 255, 255)) continue;
      if (x < box.left) box.left = x;
      if (y < box.top) box.top = y;
      if (x > box.right) box.right = x;
      if (y > box.bottom) box.bottom = y;
    }
  }
  return box;
}

TEST(PictureTest, CentredTextLandsInTheMiddleBelowItsTop) {
  korvel::Picture picture(300, 60);
  HFONT font = CreateFontA(-11, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
  HDC canvas = picture.Canvas();
  const HGDIOBJ fontBefore = GetCurrentObject(canvas, OBJ_FONT);
  const int modeBefore = GetBkMode(canvas);

  korvel::DrawCentredText(canvas, picture.Width(), font, "Finishing Startup...", 25);

  HGDIOBJ old = SelectObject(canvas, font);
  SIZE text{};
  GetTextExtentPoint32A(canvas, "Finishing Startup...", 20, &text);
  SelectObject(canvas, old);
  const RECT ink = InkBox(picture);
  ASSERT_GE(ink.right, ink.left) << "nothing was drawn";
  const int left = (picture.Width() - text.cx) / 2;
  EXPECT_GE(ink.left, left);
  EXPECT_LE(ink.right, left + text.cx);
  // Glyphs leave at most a pixel or two of side bearing on either side.
  EXPECT_LE(ink.left - left, 3);
  EXPECT_LE(left + text.cx - 1 - ink.right, 3);
  EXPECT_GE(ink.top, 25);
  EXPECT_LT(ink.bottom, 25 + text.cy);
  // The canvas is left as it was found.
  EXPECT_EQ(GetCurrentObject(canvas, OBJ_FONT), fontBefore);
  EXPECT_EQ(GetBkMode(canvas), modeBefore);
  DeleteObject(font);
}

TEST(PictureTest, TransparentTextKeepsThePictureBehindIt) {
  korvel::Picture picture(200, 40);
  HBRUSH grey = CreateSolidBrush(RGB(192, 192, 192));
  RECT all{0, 0, 200, 40};
  FillRect(picture.Canvas(), &all, grey);
  DeleteObject(grey);
  korvel::DrawCentredText(picture.Canvas(), 200, static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT)), "Version 1.2",
                          10);
  int greyLeft = 0, black = 0;
  for (int y = 10; y < 30; ++y) {
    for (int x = 0; x < 200; ++x) {
      const COLORREF pixel = GetPixel(picture.Canvas(), x, y);
      if (pixel == RGB(192, 192, 192)) ++greyLeft;
      if (pixel == RGB(0, 0, 0)) ++black;
    }
  }
  EXPECT_GT(black, 20);
  EXPECT_GT(greyLeft, 200 * 20 - 600);  // the ground between the glyphs stays grey
}

TEST(PictureTest, DrawToCopiesThePictureAtTheGivenCorner) {
  korvel::Picture source(4, 3);
  SetPixel(source.Canvas(), 0, 0, RGB(10, 20, 30));
  SetPixel(source.Canvas(), 3, 2, RGB(200, 100, 50));
  korvel::Picture target(10, 10);
  source.DrawTo(target.Canvas(), 5, 6);
  EXPECT_EQ(GetPixel(target.Canvas(), 5, 6), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(target.Canvas(), 8, 8), RGB(200, 100, 50));
  EXPECT_EQ(GetPixel(target.Canvas(), 4, 6), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(target.Canvas(), 9, 9), RGB(255, 255, 255));
}

TEST(ResourcesTest, IconsHaveBothSizes) {
  for (const char* name : {"MAINICON", "TRAYICO1", "TRAYICO2"}) {
    for (int size : {32, 16}) {
      SCOPED_TRACE(std::string(name) + " " + std::to_string(size));
      auto* icon = static_cast<HICON>(LoadImageA(Instance(), name, IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr);
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP mask{};
      GetObjectA(info.hbmMask, sizeof mask, &mask);
      EXPECT_EQ(mask.bmWidth, size);
      if (info.hbmColor) DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST(ResourcesTest, BitmapsHaveTheirSizesAndColourDepths) {
  auto* midiIn = static_cast<HBITMAP>(LoadImageA(Instance(), "MIDIIN", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(midiIn, nullptr);
  DIBSECTION dib{};
  ASSERT_EQ(GetObjectA(midiIn, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmWidth, 11);
  EXPECT_EQ(dib.dsBm.bmHeight, 10);
  EXPECT_EQ(dib.dsBmih.biBitCount, 4);  // 16 colours
  DeleteObject(midiIn);

  korvel::Picture logo(1, 1);
  ASSERT_TRUE(logo.Load(Instance(), "LOGO"));
  EXPECT_EQ(logo.Width(), 414);
  EXPECT_EQ(logo.Height(), 153);
  EXPECT_FALSE(logo.Load(Instance(), "NO_SUCH_PICTURE"));
  EXPECT_EQ(logo.Width(), 414);
}

TEST(PageNumbersTest, StoredNumbersNameTheirTabsAndBack) {
  EXPECT_EQ(korvel::TabOfPageNumber(0), 0);
  EXPECT_EQ(korvel::TabOfPageNumber(2), 1);
  EXPECT_EQ(korvel::TabOfPageNumber(4), 2);
  EXPECT_EQ(korvel::TabOfPageNumber(3), 3);
  for (int number : {0, 2, 3, 4}) EXPECT_EQ(korvel::PageNumberOfTab(korvel::TabOfPageNumber(number)), number);
  for (int unused : {1, 5, 7, -1, 1000}) EXPECT_EQ(korvel::TabOfPageNumber(unused), -1) << unused;
  for (int tab : {-1, 4, 9}) EXPECT_EQ(korvel::PageNumberOfTab(tab), 0) << tab;
}

}  // namespace
