#include "tests/support/KorvelSession.h"

#include <cstdio>

#include "resources/forms/ControlIds.h"
#include "tests/support/PrefixFiles.h"

namespace testing_support {

namespace {

constexpr char kMainClass[] = "TForm1";
constexpr char kWaitClass[] = "TWaitDialog";

bool ButtonPresent(const MessageBoxSeen& box, const char* caption) {
  for (const std::string& button : box.buttons) {
    if (button == caption) return true;
  }
  return false;
}

}  // namespace

std::string LocateKorvel() {
  const std::string fromEnvironment = WinePathFromEnvironment("KORVEL_EXE");
  if (!fromEnvironment.empty()) return fromEnvironment;
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, sizeof module);
  std::string path = module;
  const std::string::size_type slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "Korvel.exe";
}

int KorvelSession::DefaultAnswer(const MessageBoxSeen& box) {
  if (ButtonPresent(box, "OK")) return IDOK;
  if (ButtonPresent(box, "&Yes")) return IDYES;
  return IDCANCEL;
}

int KorvelSession::DeclineSaving(const MessageBoxSeen& box) {
  return ButtonPresent(box, "&No") ? IDNO : DefaultAnswer(box);
}

KorvelSession::~KorvelSession() {
  if (process_) {
    if (started_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    CloseHandle(process_);
  }
}

bool KorvelSession::Start(const std::string& exe, const char* directory) {
  PROCESS_INFORMATION info{};
  const std::string line = "\"" + exe + "\"";
  if (!StartProgram(line, &info, directory ? directory : "C:\\")) return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  started_ = true;
  return true;
}

bool KorvelSession::Attach(int timeoutMs) {
  HWND main = WaitFor([] { return FindAnyTopLevel(kMainClass); }, timeoutMs);
  if (!main) return false;
  main_ = main;
  pid_ = ProcessOf(main);
  process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid_);
  return process_ != nullptr;
}

bool KorvelSession::AnswerShowingBox(const BoxHandler& handler) {
  HWND box = FindMessageBox(pid_);
  if (!box) return false;
  MessageBoxSeen seen = ReadMessageBox(box);
  const int answer = handler(seen);
  boxes_.push_back(seen);
  PressMessageBoxButton(box, answer);
  return true;
}

bool KorvelSession::WaitForStartUp(int timeoutMs, const BoxHandler& handler) {
  // A start-up that keeps the window hidden (started minimized) may show
  // and end its wait dialog between two looks: then the window standing
  // alone, with no box, for a second says that the start-up is over.
  constexpr int kPollMs = 50, kQuietMs = 1000;
  bool waitDialogSeen = false;
  int quietMs = 0;
  HWND main = nullptr;
  for (int waited = 0; waited < timeoutMs; waited += kPollMs) {
    if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) return false;
    if (AnswerShowingBox(handler)) {
      quietMs = 0;
      continue;
    }
    main = FindAnyTopLevel(kMainClass, nullptr, pid_);
    const bool waitDialogThere = FindAnyTopLevel(kWaitClass, nullptr, pid_) != nullptr;
    waitDialogSeen = waitDialogSeen || waitDialogThere;
    quietMs = main && !waitDialogThere ? quietMs + kPollMs : 0;
    if (main && !waitDialogThere && (IsWindowVisible(main) || waitDialogSeen || quietMs > kQuietMs)) {
      main_ = main;
      return true;
    }
    Sleep(kPollMs);
  }
  std::fprintf(stderr, "start-up not over after %d ms: main window %s, wait dialog %s, %zu boxes answered\n",
               timeoutMs, main ? (IsWindowVisible(main) ? "shown" : "hidden") : "not found",
               FindAnyTopLevel(kWaitClass, nullptr, pid_) ? "open" : (waitDialogSeen ? "gone" : "never seen"),
               boxes_.size());
  return false;
}

bool KorvelSession::WaitForIdle(int timeoutMs) {
  // During start-up the main window is there, hidden, before it is known.
  HWND main = main_ ? main_ : FindAnyTopLevel(kMainClass, nullptr, pid_);
  std::string why = "its main window was not found";
  if (main && WaitForThreadIdle(main, timeoutMs, &why)) return true;
  std::fprintf(stderr, "Korvel did not come round: %s\n", why.c_str());
  return false;
}

bool KorvelSession::WaitForEnd(int timeoutMs, DWORD* exitCode, const BoxHandler& handler) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) {
      if (exitCode) GetExitCodeProcess(process_, exitCode);
      return true;
    }
    AnswerShowingBox(handler);
  }
  return false;
}

bool KorvelSession::CloseWithButton(int timeoutMs, DWORD* exitCode, const BoxHandler& handler) {
  HWND button = main_ ? FindControl(main_, korvel::ctl::Button1) : nullptr;
  if (!button) return false;
  Click(button);
  return WaitForEnd(timeoutMs, exitCode, handler);
}

}  // namespace testing_support
