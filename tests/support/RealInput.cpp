#include "tests/support/RealInput.h"

#include <commctrl.h>

#include <vector>

#include "tests/support/WindowDriver.h"

namespace testing_support {

namespace {

// Gives the system time to deliver the input before the next.
constexpr DWORD kInputPause = 60;

void PutMouse(DWORD flags, POINT screen) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
}

void SendMouse(DWORD flags, POINT screen) {
  PutMouse(flags, screen);
  Sleep(kInputPause);
}

void SendKey(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  // The scan code too, as a keyboard gives it: Wine tells left and right
  // Shift apart by it.
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
  Sleep(kInputPause);
}

// Wine gives a window that takes the X focus the X server's own modifier
// state, in which a key sent by SendInput is up: an Alt pressed while a
// window is still taking the focus (a dialog just closed, its events late
// under load) is let go again, and the key after it comes without Alt.
// Alt is pressed again until Wine holds it.
void HoldAlt() {
  for (int attempt = 0; attempt < 5; ++attempt) {
    SendKey(VK_MENU, false);
    if (GetAsyncKeyState(VK_MENU) & 0x8000) return;
  }
}

void Click(POINT screen, DWORD down, DWORD up) {
  SendMouse(0, screen);
  SendMouse(down, screen);
  SendMouse(up, screen);
}

// Sends `message` to a common control of another process with a RECT that
// lives in that process, and reads the RECT back.
RECT RemoteRect(HWND control, UINT message, WPARAM index) {
  RECT rect{};
  DWORD pid = 0;
  GetWindowThreadProcessId(control, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return rect;
  void* remote = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
  if (remote) {
    SendMessageA(control, message, index, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  MapWindowPoints(control, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

POINT Middle(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

}  // namespace

POINT CentreOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return Middle(rect);
}

void ClickAt(POINT screen) { Click(screen, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

void DoubleClickAt(POINT screen) {
  ClickAt(screen);
  SendMouse(MOUSEEVENTF_LEFTDOWN, screen);
  SendMouse(MOUSEEVENTF_LEFTUP, screen);
}

void RightClickAt(POINT screen) { Click(screen, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }

void ClickControl(HWND control) { ClickAt(CentreOf(control)); }

void MoveMouse(POINT screen) { SendMouse(0, screen); }

void LeftButton(POINT screen, bool down) { SendMouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP, screen); }

void PressLeftButtonNow(POINT screen) { PutMouse(MOUSEEVENTF_LEFTDOWN, screen); }

void HoldKey(WORD virtualKey, bool down) { SendKey(virtualKey, !down); }

void PressKey(WORD virtualKey, bool withAlt) {
  if (withAlt) HoldAlt();
  SendKey(virtualKey, false);
  SendKey(virtualKey, true);
  if (withAlt) SendKey(VK_MENU, true);
}

void TypeText(const std::string& text) {
  for (char c : text) {
    INPUT input[2] = {};
    for (int i = 0; i < 2; ++i) {
      input[i].type = INPUT_KEYBOARD;
      input[i].ki.wScan = static_cast<unsigned char>(c);
      input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, input, sizeof input[0]);
  }
  Sleep(kInputPause);
}

// Wine carries the list box's own messages across processes itself.
bool ChooseInFileDialog(DWORD pid, const char* title, const std::string& fileName, int timeoutMs) {
  HWND dialog = WaitForTopLevel("#32770", title, pid, timeoutMs);
  HWND name = dialog ? FindControl(dialog, 0x47C) : nullptr;  // the file name box
  HWND edit = name ? FindChildByClass(name, "Edit") : nullptr;
  if (!edit) return false;
  ClickControl(edit);
  TypeText(fileName);
  PressKey(VK_RETURN);
  return WaitFor([&]() -> HWND { return IsWindow(dialog) ? nullptr : HWND(1); }, timeoutMs) != nullptr;
}

bool ClickTrayIcon(UINT down, UINT up, int timeoutMs) {
  HWND tray = WaitForTopLevel("__winex11_standalone_tray", nullptr, 0, timeoutMs);
  if (!tray) return false;
  const int size = GetSystemMetrics(SM_CXSMICON) + 4;
  POINT point{size / 2, size / 2};
  ClientToScreen(tray, &point);
  HWND icon = WindowFromPoint(point);
  if (ClassOf(icon) != "__winex11_tray_icon") return false;
  ScreenToClient(icon, &point);
  for (UINT message : {down, up}) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(icon, message, 0, MAKELPARAM(point.x, point.y), SMTO_NORMAL, timeoutMs, &result))
      return false;
  }
  return true;
}

RECT ListLineRect(HWND list, int line) {
  RECT rect{};
  SendMessageA(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&rect));
  MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT TabRect(HWND tabs, int tab) { return RemoteRect(tabs, TCM_GETITEMRECT, tab); }

// Wine hands list texts across processes in Unicode.
std::string ListLineText(HWND list, int line) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, line, 0);
  if (length == LB_ERR) return std::string();
  std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, line, reinterpret_cast<LPARAM>(wide.data()));
  char text[512] = {};
  WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof text, nullptr, nullptr);
  return text;
}

int ListCount(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); }

int ListSelection(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)); }

}  // namespace testing_support
