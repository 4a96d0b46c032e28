// A test that starts Korvel.exe with its window shown and works its bank
// list with real input: the base of the end-to-end tests that use it as a
// user does.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/forms/ControlIds.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/RealInput.h"
#include "tests/support/WindowDriver.h"

namespace testing_support {

class BankWindowTest : public ::testing::Test {
 protected:
  static constexpr int kTimeoutMs = 60000;

  // Korvel closes with "&Close", declining to save, if a test left it running.
  void TearDown() override {
    DWORD exitCode = 99;
    if (korvel_.Running()) korvel_.CloseWithButton(kTimeoutMs, &exitCode, KorvelSession::DeclineSaving);
  }

  // Starts Korvel in `home` (where the emulated devices lie) and waits until
  // its bank list holds its lines.
  void StartKorvel(const char* home, const KorvelSession::BoxHandler& answer = KorvelSession::DefaultAnswer) {
    ASSERT_TRUE(korvel_.Start(LocateKorvel(), home));
    ASSERT_TRUE(korvel_.WaitForStartUp(kTimeoutMs, answer));
    main_ = korvel_.Main();
    list_ = FindControl(main_, korvel::ctl::BankList);
    ASSERT_TRUE(WaitFor([&]() -> HWND { return ListCount(list_) == 128 ? list_ : nullptr; }, kTimeoutMs));
  }

  HWND Control(int id) const { return FindControl(main_, id); }
  void ClickLine(int line) {
    const RECT r = ListLineRect(list_, line);
    ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  // "&Load..." on `line` with `files` typed into the open dialog.
  void LoadOnLine(int line, const std::string& files) {
    ClickLine(line);
    ASSERT_EQ(ListSelection(list_), line);
    ClickControl(Control(korvel::ctl::BrowseBankButton));
    ASSERT_TRUE(ChooseInFileDialog(korvel_.Pid(), "Load Instrument Bank", files, kTimeoutMs));
  }
  // Waits until the line's text holds `text`.
  bool LineShows(int line, const std::string& text) {
    return WaitFor([&]() -> HWND { return ListLineText(list_, line).find(text) != std::string::npos ? list_ : nullptr; },
                   kTimeoutMs) != nullptr;
  }

  // No box of Korvel's is open once Korvel has handled what it was given.
  void ExpectNoMessageBox() {
    EXPECT_TRUE(korvel_.WaitForIdle(kTimeoutMs));
    if (HWND box = FindMessageBox(korvel_.Pid())) ADD_FAILURE() << ReadMessageBox(box).text;
  }

  KorvelSession korvel_;
  HWND main_ = nullptr;
  HWND list_ = nullptr;
};

}  // namespace testing_support
