// korvel_drive: drives a running Korvel for demonstrations and screenshots.
//
//   korvel_drive.exe wait  [seconds]   waits until Korvel's start-up is over,
//                                      answering its message boxes with OK
//   korvel_drive.exe close [seconds]   the same, then presses "&Close" and
//                                      waits until Korvel has ended
//   korvel_drive.exe page N            clicks the tab of page N (0 = "Bank
//                                      Manager") and waits until it shows
//   korvel_drive.exe traymenu          right-clicks Korvel's tray icon and
//                                      waits until its menu is open
//   korvel_drive.exe escape            presses Escape and waits until no menu
//                                      of Korvel is open
//   korvel_drive.exe details           presses "M&ore..." on the "Midi
//                                      Devices" page and waits for the
//                                      "Connection Details" dialog
//   korvel_drive.exe closedetails      presses the dialog's "&Close"
//   korvel_drive.exe load LINE FILES   on the "Bank Manager" page, clicks
//                                      line LINE of the bank list, presses
//                                      "&Load...", types FILES into the open
//                                      dialog and waits until it has gone and
//                                      Korvel has answered again
//   korvel_drive.exe setup FOLDERS     in a running Setup, types FOLDERS as
//                                      the bank folders, presses "&Finish
//                                      installation..." and waits until
//                                      Setup has ended
//
// Korvel must run in the same Wine prefix. Every answered box is printed.
// Exit code 0 on success, 1 on time-out or failure, 2 on bad usage.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resources/forms/ControlIds.h"
#include "resources/forms/SetupControlIds.h"
#include "tests/support/KorvelSession.h"
#include "tests/support/MapDriver.h"
#include "tests/support/RealInput.h"

using namespace testing_support;

namespace {

constexpr int kStepTimeoutMs = 10000;
constexpr int kSetupTimeoutMs = 60000;
constexpr char kMenuClass[] = "#32768";
constexpr char kDetailsClass[] = "TconDialog";

int Answer(const MessageBoxSeen& box) {
  std::printf("answered: [%s] %s\n", box.caption.c_str(), box.text.c_str());
  std::fflush(stdout);
  return KorvelSession::DefaultAnswer(box);
}

int Fail(const char* what) {
  std::fprintf(stderr, "korvel_drive: %s\n", what);
  return 1;
}

int Close(KorvelSession& korvel, int timeoutMs) {
  DWORD exitCode = 0;
  if (!korvel.CloseWithButton(timeoutMs, &exitCode, Answer)) return Fail("Korvel did not end");
  std::printf("ended with exit code %lu\n", static_cast<unsigned long>(exitCode));
  return exitCode == 0 ? 0 : 1;
}

int ShowPageNumber(const KorvelSession& korvel, int page) {
  HWND tabs = FindControl(korvel.Main(), korvel::ctl::BankPage);
  if (!tabs || page < 0 || page >= TabCtrl_GetItemCount(tabs)) return Fail("no such page");
  return ShowPage(korvel.Main(), page, kStepTimeoutMs) ? 0 : Fail("the page did not show");
}

int OpenTrayMenu(const KorvelSession& korvel) {
  if (!ClickTrayIcon(WM_RBUTTONDOWN, WM_RBUTTONUP, kStepTimeoutMs)) return Fail("no tray icon");
  const bool open = WaitForTopLevel(kMenuClass, nullptr, korvel.Pid(), kStepTimeoutMs) != nullptr;
  return open ? 0 : Fail("the tray menu did not open");
}

int OpenDetails(const KorvelSession& korvel) {
  ClickControl(FindControl(korvel.Main(), korvel::ctl::ConOptsButton));
  const bool open = WaitForTopLevel(kDetailsClass, nullptr, korvel.Pid(), kStepTimeoutMs) != nullptr;
  return open ? 0 : Fail("the Connection Details dialog did not open");
}

int CloseDetails(const KorvelSession& korvel) {
  HWND dialog = FindTopLevel(kDetailsClass, nullptr, korvel.Pid());
  if (!dialog) return Fail("no Connection Details dialog is open");
  ClickControl(FindControl(dialog, korvel::ctl::CloseButton));
  const bool closed = WaitFor([&]() -> HWND { return FindTopLevel(kDetailsClass, nullptr, korvel.Pid()) ? nullptr : dialog; },
                              kStepTimeoutMs);
  return closed ? 0 : Fail("the Connection Details dialog stayed open");
}

int FinishSetup(KorvelSession& setup, const char* folders) {
  HWND edit = FindControl(setup.Main(), korvel::ctl::setup::edBankFolder);
  if (!edit || WindowText(setup.Main()) != "Korvel Setup") return Fail("no Setup window");
  ClickControl(edit);
  TypeText(folders);
  ClickControl(FindControl(setup.Main(), korvel::ctl::setup::Button1));
  DWORD exitCode = 0;
  if (!setup.WaitForEnd(kSetupTimeoutMs, &exitCode, Answer)) return Fail("Setup did not end");
  std::printf("Setup ended with exit code %lu\n", static_cast<unsigned long>(exitCode));
  return exitCode == 0 ? 0 : 1;
}

int LoadBanks(const KorvelSession& korvel, int line, const char* files) {
  HWND list = FindControl(korvel.Main(), korvel::ctl::BankList);
  if (!list || line < 0 || line >= ListCount(list)) return Fail("no such line in the bank list");
  const RECT rect = ListLineRect(list, line);
  ClickAt(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
  ClickControl(FindControl(korvel.Main(), korvel::ctl::BrowseBankButton));
  if (!ChooseInFileDialog(korvel.Pid(), "Load Instrument Bank", files, kStepTimeoutMs))
    return Fail("the open dialog did not take the files");
  // Answers once the load is over.
  DWORD_PTR result = 0;
  SendMessageTimeoutA(korvel.Main(), WM_NULL, 0, 0, SMTO_NORMAL, kSetupTimeoutMs, &result);
  return 0;
}

int DismissMenu(const KorvelSession& korvel) {
  PressKey(VK_ESCAPE);
  const bool gone = WaitFor(
[&]() -> HWND { return FindTopLevel(kMenuClass, nullptr, korvel.Pid()) ? nullptr : korvel.Main(); },
      kStepTimeoutMs);
  return gone ? 0 : Fail("a menu stayed open");
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  const bool waits = std::strcmp(mode, "wait") == 0 || std::strcmp(mode, "close") == 0;
  const bool drives = std::strcmp(mode, "page") == 0 || std::strcmp(mode, "traymenu") == 0 ||
                      std::strcmp(mode, "escape") == 0 || std::strcmp(mode, "details") == 0 ||
                      std::strcmp(mode, "closedetails") == 0 || std::strcmp(mode, "setup") == 0 ||
                      std::strcmp(mode, "load") == 0;
  const bool needsArgument = std::strcmp(mode, "page") == 0 || std::strcmp(mode, "setup") == 0;
  const bool needsTwo = std::strcmp(mode, "load") == 0;
  if ((!waits && !drives) || (needsArgument && argc < 3) || (needsTwo && argc < 4)) {
    std::fprintf(stderr,
                 "usage: korvel_drive.exe wait|close [seconds] | page N | traymenu | escape | details | closedetails"
                 " | load LINE FILES | setup FOLDERS\n");
    return 2;
  }
  const int timeoutMs = (waits && argc > 2 ? std::atoi(argv[2]) : 120) * 1000;

  KorvelSession korvel;
  if (!korvel.Attach(timeoutMs)) return Fail("no Korvel main window appeared");
  if (std::strcmp(mode, "page") == 0) return ShowPageNumber(korvel, std::atoi(argv[2]));
  if (std::strcmp(mode, "setup") == 0) {
    if (!korvel.WaitForStartUp(timeoutMs, Answer)) return Fail("Setup did not show its window");
    return FinishSetup(korvel, argv[2]);
  }
  if (std::strcmp(mode, "traymenu") == 0) return OpenTrayMenu(korvel);
  if (std::strcmp(mode, "escape") == 0) return DismissMenu(korvel);
  if (std::strcmp(mode, "details") == 0) return OpenDetails(korvel);
  if (std::strcmp(mode, "closedetails") == 0) return CloseDetails(korvel);
  if (std::strcmp(mode, "load") == 0) return LoadBanks(korvel, std::atoi(argv[2]), argv[3]);

  if (!korvel.WaitForStartUp(timeoutMs, Answer)) return Fail("Korvel did not finish starting");
  std::printf("started\n");
  std::fflush(stdout);
  return std::strcmp(mode, "close") == 0 ? Close(korvel, timeoutMs) : 0;
}
