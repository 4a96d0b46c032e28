#include "banks/ErrorReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ErrorBox.h"
#include "platform/sim/Sim.h"

namespace korvel {
namespace {

const std::string kSuffixStart = ".\n\n(occurred in '";

std::string WithOperation(const std::string& text, const std::string& operation) {
  return text + kSuffixStart + operation + "()' )";
}

struct Expected {
  std::int32_t code;
  std::string text;
  const char* title;
};

TEST(ComposeErrorMessage, EveryCodeHasItsExactTextFormAndTitle) {
  ErrorState state;
  state.failingFile = "C:\\Banks\\Piano.sf2";
  state.lastEws64Result = 38;
  state.lastSoundFontResult = -7;
  const char* op = "LoadPreset";
  const Expected table[] = {
      {2,
       WithOperation("System has run out of allocatable memory. Please close some applications and try "
                     "again.\n\nMost Windows systems have more than enough total memory (including "
                     "swapfile), so you should\nreport this problem to the author and describe what kind "
                     "of system you run Korvel with",
                     op),
       "Korvel"},
      {3, WithOperation("'C:\\Banks\\Piano.sf2' was corrupted", op), "Korvel"},
      {4, "'C:\\Banks\\Piano.sf2' was in non-supported format.", "Korvel"},
      {6, "'C:\\Banks\\Piano.sf2' was not found.", "Korvel"},
      {11, WithOperation("Device specific function was tried with wrong device type", op), "Wrong Device"},
      {12, WithOperation("Error while communicating with EWS64 driver. Error number is 38", op), "Korvel"},
      {14, WithOperation("AWE32/SoundFont Device Error: -7", op), "Korvel"},
      {15,
       "Device does not have enough sound memory for loading the instrument bank.\n\nIf you still have "
       "more than enough sound memory, then the device is out ofinstrument memory. Unloading the "
       "memory-hungry GM/GS bank may help..",  // the text's own stop, then the form's
       "Korvel"},
      {16, "File name contained illegal characters.", "Invalid Filename"},
      {17, "You cannot manipulate this bank.", "Korvel"},
      {18, WithOperation("Invalid handle to device function", op), "Korvel"},
      {19, WithOperation("Invalid arguments to device function", op), "Korvel"},
      {20,
       "Failed to load instrument bank.\n\nSound device is propably out of physical bank slots,or the "
       "bank file was somehow invalid.",
       "Korvel"},
  };
  for (const Expected& e : table) {
    const ErrorMessage message = ComposeErrorMessage(state, e.code, op);
    EXPECT_EQ(message.text, e.text) << "code " << e.code;
    EXPECT_STREQ(message.title, e.title) << "code " << e.code;
  }
}

TEST(ComposeErrorMessage, UnknownCodesGetTheUnknownTextWithTheOperation) {
  ErrorState state;
  for (std::int32_t code : {0, 5, 7, 8, 9, 10, 13, 21, -1, 1000}) {
    const ErrorMessage message = ComposeErrorMessage(state, code, "RefreshDevices");
    EXPECT_EQ(message.text,
              WithOperation("Unknown error. This should not happen. Really, it should not!", "RefreshDevices"))
        << "code " << code;
    EXPECT_STREQ(message.title, "Korvel");
  }
}

TEST(ComposeErrorMessage, FileMessagesWithAnEmptyOrAbsentName) {
  ErrorState state;
  EXPECT_EQ(ComposeErrorMessage(state, kErrFileNotFound, "x").text, "'' was not found.");
  state.failingFile = nullptr;
  EXPECT_EQ(ComposeErrorMessage(state, kErrFileNotFound, "x").text, "'' was not found.");
}

TEST(ComposeErrorMessage, BackendResultsAppearInDecimalWithTheirSign) {
  ErrorState state;
  state.lastEws64Result = -2147483647 - 1;
  state.lastSoundFontResult = 2147483647;
  EXPECT_EQ(ComposeErrorMessage(state, kErrEws64Driver, "op").text,
            WithOperation("Error while communicating with EWS64 driver. Error number is -2147483648", "op"));
  EXPECT_EQ(ComposeErrorMessage(state, kErrSoundFontManager, "op").text,
            WithOperation("AWE32/SoundFont Device Error: 2147483647", "op"));
}

TEST(ComposeErrorMessage, LongMessagesAreComposedInFull) {
  ErrorState state;
  const std::string operation(300, 'Q');
  const ErrorMessage message = ComposeErrorMessage(state, kErrOutOfMemory, operation.c_str());
  EXPECT_GT(message.text.size(), 256u + 300u);
  EXPECT_EQ(message.text.substr(message.text.size() - 305), operation + "()' )");

  std::string longPath = "C:\\" + std::string(400, 'p') + ".sf2";
  state.failingFile = longPath.c_str();
  EXPECT_EQ(ComposeErrorMessage(state, kErrFileNotFound, "op").text, "'" + longPath + "' was not found.");
}

class ReportErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::sim::ClearShownMessageBoxes();
    Modality().SetMainWindow(0x4242);
  }
  void TearDown() override { Modality().SetMainWindow(0); }

  const std::vector<platform::sim::ShownBox>& Boxes() { return platform::sim::ShownMessageBoxes(); }

  platform::sim::Sandbox sandbox_;
  ErrorState state_;
};

TEST_F(ReportErrorTest, NothingToReportShowsNoBox) {
  ReportError(state_, "LoadPreset");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(state_.ErrorCode, kErrOk);
}

TEST_F(ReportErrorTest, ShowsTheCodeOwnedByTheMainWindowAndResetsIt) {
  state_.ErrorCode = kErrFileNotFound;
  state_.failingFile = "C:\\Banks\\Piano.sf2";
  ReportError(state_, "LoadBank");
  ASSERT_EQ(Boxes().size(), 1u);
  const platform::sim::ShownBox& box = Boxes()[0];
  EXPECT_EQ(box.owner, 0x4242u);
  EXPECT_EQ(box.text, "'C:\\Banks\\Piano.sf2' was not found.");
  EXPECT_EQ(box.caption, "Korvel");
  EXPECT_EQ(box.type, platform::kMbOk | platform::kMbIconError);
  EXPECT_EQ(state_.ErrorCode, kErrOk);

  ReportError(state_, "LoadBank");
  EXPECT_EQ(Boxes().size(), 1u);
}

// A box belongs to the window the user works in: the innermost open modal
// window, a box included, so that the outer box is disabled under the inner
// one. While any is open the program knows it.
TEST_F(ReportErrorTest, ABoxRaisedByADialogIsOwnedByTheDialog) {
  EXPECT_FALSE(Modality().ModalWindowOpen());
  std::vector<bool> openWhileShown;
  platform::sim::SetMessageBoxHook([&](const platform::sim::ShownBox& box) {
    openWhileShown.push_back(Modality().ModalWindowOpen());
    if (box.text == "outer") ErrorBox("inner");
  });
  {
    ModalService::ModalWindow dialog(Modality(), 0x5151);
    EXPECT_EQ(dialog.Owner(), 0x4242u);
    state_.ErrorCode = kErrSlotLocked;
    ReportError(state_, "Form1::TrayMenuClick");
    ErrorBox("outer");
    EXPECT_EQ(Modality().OwnerOfNextWindow(), 0x5151u);
  }
  platform::sim::SetMessageBoxHook(nullptr);
  ErrorBox("after");
  ASSERT_EQ(Boxes().size(), 4u);
  EXPECT_EQ(Boxes()[0].owner, 0x5151u);
  EXPECT_EQ(Boxes()[1].owner, 0x5151u);
  EXPECT_EQ(Boxes()[2].owner, Boxes()[1].window) << "the box raised under the outer box";
  EXPECT_NE(Boxes()[1].window, 0u);
  EXPECT_EQ(Boxes()[3].owner, 0x4242u);
  EXPECT_EQ(openWhileShown, (std::vector<bool>{true, true, true}));
  EXPECT_FALSE(Modality().ModalWindowOpen());
}

TEST_F(ReportErrorTest, ShowsTheTableTitle) {
  state_.ErrorCode = kErrBadFileName;
  ReportError(state_, "SavePreset");
  state_.ErrorCode = kErrWrongDeviceKind;
  ReportError(state_, "SFD_OpenHandle");
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].caption, "Invalid Filename");
  EXPECT_EQ(Boxes()[1].caption, "Wrong Device");
  EXPECT_EQ(Boxes()[1].text,
            WithOperation("Device specific function was tried with wrong device type", "SFD_OpenHandle"));
}

TEST_F(ReportErrorTest, DriverResultIsReportedWithoutACodeAndStaysSet) {
  state_.lastEws64Result = 38;
  ReportError(state_, "RefreshDevices");
  ReportError(state_, "RefreshDevices");
  ASSERT_EQ(Boxes().size(), 2u);
  const std::string expected =
      WithOperation("Error while communicating with EWS64 driver. Error number is 38", "RefreshDevices");
  EXPECT_EQ(Boxes()[0].text, expected);
  EXPECT_EQ(Boxes()[1].text, expected);
  EXPECT_EQ(state_.ErrorCode, kErrOk);
  EXPECT_EQ(state_.lastEws64Result, 38);
}

TEST_F(ReportErrorTest, ManagerResultIsReportedWhenTheDriverSucceeded) {
  state_.lastSoundFontResult = 5;
  ReportError(state_, "SFD_OpenHandle");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, WithOperation("AWE32/SoundFont Device Error: 5", "SFD_OpenHandle"));
  EXPECT_EQ(state_.lastSoundFontResult, 5);
}

TEST_F(ReportErrorTest, DriverResultWinsOverManagerResult) {
  state_.lastSoundFontResult = 5;
  state_.lastEws64Result = 9;
  ReportError(state_, "RefreshDevices");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text,
            WithOperation("Error while communicating with EWS64 driver. Error number is 9", "RefreshDevices"));
}

TEST_F(ReportErrorTest, AnOperationCodeIsNotReplacedByBackendResults) {
  state_.ErrorCode = kErrSlotLocked;
  state_.lastEws64Result = 9;
  ReportError(state_, "LoadBank");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "You cannot manipulate this bank.");
}

}  // namespace
}  // namespace korvel
