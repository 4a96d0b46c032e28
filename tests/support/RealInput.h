// Real mouse and keyboard input (SendInput), as a user gives it, and the
// reads of another process's controls that need memory in that process.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

POINT CentreOf(HWND window);
// Moves the mouse there (screen coordinates) and clicks.
void ClickAt(POINT screen);
void DoubleClickAt(POINT screen);
void RightClickAt(POINT screen);
void ClickControl(HWND control);
// The mouse moved to `screen`, or its left button pressed or released there.
void MoveMouse(POINT screen);
void LeftButton(POINT screen, bool down);
// The left button pressed there, returning at once: for timing how soon a
// program answers. Let it go with LeftButton.
void PressLeftButtonNow(POINT screen);
// A key held down or let go, for keys held during a drag.
void HoldKey(WORD virtualKey, bool down);
// A key pressed and released; with `withAlt` Alt is held meanwhile.
void PressKey(WORD virtualKey, bool withAlt = false);
// Types the characters of `text` as the keyboard would.
void TypeText(const std::string& text);

// Gives the first icon of the notification area the mouse messages `down`
// and `up`, as a click on it would. Wine shows the area as a small window of
// its own, and the virtual display does not route injected input into it, so
// the messages go to the icon's window as the X server would hand them on.
// They are sent, not posted: on return the icon has passed them on to its
// program, ahead of any message sent to the program after.
bool ClickTrayIcon(UINT down, UINT up, int timeoutMs);

// In the common file dialog `title` of process `pid`: types `fileName` into
// its file name box and presses Enter; true once the dialog has gone.
bool ChooseInFileDialog(DWORD pid, const char* title, const std::string& fileName, int timeoutMs);

// The screen rectangle of a list box line or a tab of another process.
RECT ListLineRect(HWND list, int line);
RECT TabRect(HWND tabs, int tab);
// The text of a list box line of another process, in the ANSI code page.
std::string ListLineText(HWND list, int line);
int ListCount(HWND list);
int ListSelection(HWND list);

}  // namespace testing_support
