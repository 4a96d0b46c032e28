// The modality service in-process under Wine, with the system's own boxes:
// a box raised while another is open is owned by that box, which stays
// disabled under it and comes back enabled after.
#include <windows.h>

#include <gtest/gtest.h>

#include "config/ModalService.h"

namespace {

struct Seen {
  HWND outer = nullptr;
  HWND outerOwner = nullptr;
  platform::Window ownerOfNext = 0;
  HWND innerOwner = nullptr;
  BOOL outerEnabledUnderInner = TRUE;
  BOOL outerEnabledAfter = FALSE;
};
Seen seen;

void CALLBACK WhileInnerIsOpen(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND inner = FindWindowA("#32770", "Inner");
  seen.innerOwner = GetWindow(inner, GW_OWNER);
  seen.outerEnabledUnderInner = IsWindowEnabled(seen.outer);
  PostMessageA(inner, WM_COMMAND, IDOK, 0);
}

void CALLBACK WhileOuterIsOpen(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  seen.outer = FindWindowA("#32770", "Outer");
  seen.outerOwner = GetWindow(seen.outer, GW_OWNER);
  seen.ownerOfNext = korvel::Modality().OwnerOfNextWindow();
  SetTimer(nullptr, 0, 10, WhileInnerIsOpen);
  korvel::ShowMessageBox("inner", "Inner", MB_OK);
  seen.outerEnabledAfter = IsWindowEnabled(seen.outer);
  PostMessageA(seen.outer, WM_COMMAND, IDOK, 0);
}

TEST(ModalServiceTest, ABoxRaisedUnderABoxIsTheInnerBoxsOwn) {
  korvel::ModalService modality;
  HWND main = CreateWindowA("STATIC", "Main", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(main, nullptr);
  modality.SetMainWindow(reinterpret_cast<platform::Window>(main));
  SetTimer(nullptr, 0, 10, WhileOuterIsOpen);
  EXPECT_EQ(korvel::ShowMessageBox("outer", "Outer", MB_OK), IDOK);

  ASSERT_NE(seen.outer, nullptr);
  EXPECT_EQ(seen.outerOwner, main);
  EXPECT_EQ(seen.ownerOfNext, reinterpret_cast<platform::Window>(seen.outer));
  EXPECT_EQ(seen.innerOwner, seen.outer);
  EXPECT_FALSE(seen.outerEnabledUnderInner);
  EXPECT_TRUE(seen.outerEnabledAfter);
  EXPECT_FALSE(modality.ModalWindowOpen());
  EXPECT_TRUE(IsWindowEnabled(main));
  DestroyWindow(main);
}

}  // namespace
