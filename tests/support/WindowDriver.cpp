#include "tests/support/WindowDriver.h"

#include <commctrl.h>

namespace testing_support {

namespace {

struct TopLevelQuery {
  const char* className;
  const char* caption;
  DWORD pid;
  HWND found;
  bool visibleOnly;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<TopLevelQuery*>(param);
  if (query->visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (ClassOf(window) != query->className) return TRUE;
  if (query->caption && WindowText(window) != query->caption) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (query->pid != 0 && owner != query->pid) return TRUE;
  query->found = window;
  return FALSE;
}

struct ChildQuery {
  int id;
  const char* className;
  const char* text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<ChildQuery*>(param);
  if (query->className) {
    if (ClassOf(window) != query->className) return TRUE;
    if (query->text && WindowText(window) != query->text) return TRUE;
  } else if (GetDlgCtrlID(window) != query->id) {
    return TRUE;
  }
  query->found = window;
  return FALSE;
}

BOOL CALLBACK CollectButtons(HWND window, LPARAM param) {
  if (ClassOf(window) == "Button")
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(WindowText(window));
  return TRUE;
}

// A window whose client area can be painted: shown, and not of size 0 as a
// program's hidden owner window may be.
BOOL CALLBACK FirstPaintable(HWND window, LPARAM param) {
  RECT client{};
  if (!IsWindowVisible(window) || IsIconic(window) || !GetClientRect(window, &client) || IsRectEmpty(&client))
    return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

bool Fail(std::string* why, const std::string& what) {
  if (why) *why = what;
  return false;
}

}  // namespace

HWND FindTopLevel(const char* className, const char* caption, DWORD pid) {
  TopLevelQuery query{className, caption, pid, nullptr, true};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND FindAnyTopLevel(const char* className, const char* caption, DWORD pid) {
  TopLevelQuery query{className, caption, pid, nullptr, false};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

HWND WaitForTopLevel(const char* className, const char* caption, DWORD pid, int timeoutMs) {
  return WaitFor([&] { return FindTopLevel(className, caption, pid); }, timeoutMs);
}

HWND FindControl(HWND parent, int id) {
  ChildQuery query{id, nullptr, nullptr, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND FindChildByClass(HWND parent, const char* className, const char* text) {
  ChildQuery query{0, className, text, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

std::string WindowText(HWND window) {
  char buffer[4096] = {};
  // WM_GETTEXT works across processes for every window class.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  return buffer;
}

std::string ClassOf(HWND window) {
  char buffer[256] = {};
  GetClassNameA(window, buffer, sizeof buffer);
  return buffer;
}

RECT WindowRectOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ClientRectOf(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return rect;
}

RECT RectIn(HWND parent, HWND control) {
  RECT rect = WindowRectOf(control);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

bool AnswerMessageBox(DWORD pid, int answer, MessageBoxSeen* seen, int timeoutMs) {
  HWND box = WaitForTopLevel("#32770", nullptr, pid, timeoutMs);
  if (!box) return false;
  if (seen) *seen = ReadMessageBox(box);
  return PressMessageBoxButton(box, answer, timeoutMs);
}

HWND FindMessageBox(DWORD pid) { return FindTopLevel("#32770", nullptr, pid); }

MessageBoxSeen ReadMessageBox(HWND box) {
  MessageBoxSeen seen;
  seen.caption = WindowText(box);
  // The message text of a message box is the static control with id 0xFFFF.
  HWND text = FindControl(box, 0xFFFF);
  seen.text = text ? WindowText(text) : std::string();
  EnumChildWindows(box, CollectButtons, reinterpret_cast<LPARAM>(&seen.buttons));
  return seen;
}

bool PressMessageBoxButton(HWND box, int answer, int timeoutMs) {
  HWND button = FindControl(box, answer);
  if (!button) return false;
  Click(button);
  // Wait until the box is gone so the next answer finds the next box.
  return WaitFor([&]() -> HWND { return IsWindow(box) ? nullptr : HWND(1); }, timeoutMs) != nullptr;
}

bool WaitForThreadIdle(HWND window, int timeoutMs, std::string* why) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result))
    return Fail(why, IsWindow(window) ? "no answer to WM_NULL within " + std::to_string(timeoutMs) + " ms"
                                      : "the window has gone");
  HWND shown = nullptr;
  EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), FirstPaintable, reinterpret_cast<LPARAM>(&shown));
  if (!shown) return Fail(why, "the thread shows no window to paint");
  const RECT corner{0, 0, 1, 1};
  InvalidateRect(shown, &corner, FALSE);
  for (int waited = 0;; waited += 10) {
    // A window that has gone has no update region either.
    if (!GetUpdateRect(shown, nullptr, FALSE)) return IsWindow(shown) || Fail(why, "the window has gone");
    if (waited >= timeoutMs)
      return Fail(why, "\"" + WindowText(shown) + "\" not painted within " + std::to_string(timeoutMs) + " ms");
    Sleep(10);
  }
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

int SelectedTab(HWND tabControl) {
  DWORD_PTR result = static_cast<DWORD_PTR>(-1);
  if (!SendMessageTimeoutA(tabControl, TCM_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
  return static_cast<int>(static_cast<LONG_PTR>(result));
}

void RequestClose(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool StartProgram(const std::string& commandLine, PROCESS_INFORMATION* process,
                  const char* directory) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string line = commandLine;
  return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, directory, &startup,
                        process) != FALSE;
}

bool WaitForExit(HANDLE process, int timeoutMs, DWORD* exitCode) {
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process, exitCode);
  return true;
}

}  // namespace testing_support
