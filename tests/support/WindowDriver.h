// Drives windows of a running program the way a user would, through window
// messages: find windows by class and control id, read texts, click buttons,
// answer message boxes. Used by the tests that run under Wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Polls `probe` until it returns a non-null window or `timeoutMs` passes.
template <typename Probe>
HWND WaitFor(Probe probe, int timeoutMs = 15000) {
  for (int waited = 0;; waited += 50) {
    if (HWND found = probe()) return found;
    if (waited >= timeoutMs) return nullptr;
    Sleep(50);
  }
}

// A visible top-level window of `className` (and `caption`, unless null)
// that belongs to process `pid` (any process when 0).
HWND FindTopLevel(const char* className, const char* caption = nullptr, DWORD pid = 0);
HWND WaitForTopLevel(const char* className, const char* caption = nullptr, DWORD pid = 0,
                     int timeoutMs = 15000);
// The same, hidden windows included.
HWND FindAnyTopLevel(const char* className, const char* caption = nullptr, DWORD pid = 0);
// The process a window belongs to.
DWORD ProcessOf(HWND window);

// The descendant of `parent` with control id `id` (searches all levels).
HWND FindControl(HWND parent, int id);
// The first descendant of `parent` with the class name and, unless null, text.
HWND FindChildByClass(HWND parent, const char* className, const char* text = nullptr);

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
RECT WindowRectOf(HWND window);
RECT ClientRectOf(HWND window);
// Control rectangle in the client coordinates of `parent`.
RECT RectIn(HWND parent, HWND control);

// Presses a button (BM_CLICK, delivered asynchronously so a modal loop the
// click opens does not block the caller).
void Click(HWND button);

// A message box as the test saw it.
struct MessageBoxSeen {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
};

// Waits for a message box ("#32770") of process `pid`, reads it and presses
// the button whose id is `answer` (IDOK, IDYES, ...).
bool AnswerMessageBox(DWORD pid, int answer, MessageBoxSeen* seen, int timeoutMs = 15000);

// The message box process `pid` shows now, or null (no waiting).
HWND FindMessageBox(DWORD pid);
MessageBoxSeen ReadMessageBox(HWND box);
// Presses the button `answer` of `box` and waits until the box is gone.
bool PressMessageBoxButton(HWND box, int answer, int timeoutMs = 15000);

// Waits until the thread that owns `window` has handled every message sent
// or posted to it before the call, and every input given before it. A
// WM_NULL round trip returns once the thread has handled the messages sent
// before it, but a thread takes sent messages before posted ones, so the
// round trip can overtake a posted message or a click. A thread is given
// WM_PAINT only once nothing is posted and no input waits: a corner of a
// visible window of the thread is invalidated and waited for to be painted.
// On failure `why` says what was seen.
bool WaitForThreadIdle(HWND window, int timeoutMs, std::string* why);

// The control that has the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window);
// The selected tab of a tab control (TCM_GETCURSEL), -1 when none.
int SelectedTab(HWND tabControl);
// Asks a top-level window to close as its system menu's "Close" does.
void RequestClose(HWND window);

// Starts a program, in `directory` unless null; returns its process
// information (close both handles).
bool StartProgram(const std::string& commandLine, PROCESS_INFORMATION* process,
                  const char* directory = nullptr);
// Waits for the process to end; returns false on time-out.
bool WaitForExit(HANDLE process, int timeoutMs, DWORD* exitCode);

}  // namespace testing_support
