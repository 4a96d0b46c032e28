// One run of Korvel.exe as a test or a tool sees it: start it (or find a
// running one), follow its start-up while answering its message boxes, close
// it with "&Close" and collect its exit code.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/WindowDriver.h"

namespace testing_support {

// Korvel.exe for this test: the KORVEL_EXE environment variable (a Windows
// path, or a Unix path that Wine reaches through drive Z:), else the
// Korvel.exe beside the running program.
std::string LocateKorvel();

class KorvelSession {
 public:
  // Decides how a message box is answered: returns the id of the button to
  // press. It runs while the box is showing.
  using BoxHandler = std::function<int(const MessageBoxSeen&)>;
  // OK when the box has it, else Yes, else Cancel.
  static int DefaultAnswer(const MessageBoxSeen& box);
  // No when the box has it (the question whether to save), else as above.
  static int DeclineSaving(const MessageBoxSeen& box);

  KorvelSession() = default;
  // Ends a process this session started and that is still running.
  ~KorvelSession();
  KorvelSession(const KorvelSession&) = delete;
  KorvelSession& operator=(const KorvelSession&) = delete;

  // Starts Korvel.exe in `directory` (C:\ when null).
  bool Start(const std::string& exe, const char* directory = nullptr);
  // Finds a Korvel that is already running (its main window exists).
  bool Attach(int timeoutMs);

  // Waits until start-up is over, answering every message box meanwhile.
  // Start-up is over when the main window is shown, or when the wait dialog
  // has come and gone.
  bool WaitForStartUp(int timeoutMs, const BoxHandler& handler = DefaultAnswer);
  // Presses "&Close", answers message boxes until the process ends, and
  // returns its exit code in `exitCode`.
  bool CloseWithButton(int timeoutMs, DWORD* exitCode, const BoxHandler& handler = DefaultAnswer);
  // Waits for the process to end, answering message boxes meanwhile.
  bool WaitForEnd(int timeoutMs, DWORD* exitCode, const BoxHandler& handler = DefaultAnswer);

  // Waits until Korvel's user-interface thread has handled every message
  // and every input given to it so far, so that what it did not do by then
  // it was not going to do. Says on stderr why when it fails: Korvel's
  // window has gone, or its thread did not come round within `timeoutMs`.
  bool WaitForIdle(int timeoutMs);

  HWND Main() const { return main_; }
  DWORD Pid() const { return pid_; }
  // True while the process this session started has not ended.
  bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  // Every message box answered so far, in order.
  const std::vector<MessageBoxSeen>& Boxes() const { return boxes_; }

 private:
  // Answers the box showing now, if any; true when there was one.
  bool AnswerShowingBox(const BoxHandler& handler);

  HANDLE process_ = nullptr;
  bool started_ = false;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
  std::vector<MessageBoxSeen> boxes_;
};

}  // namespace testing_support
