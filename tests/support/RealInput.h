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
// A key pressed and released; with `withAlt` Alt is held meanwhile.
void PressKey(WORD virtualKey, bool withAlt = false);
// Types the characters of `text` as the keyboard would.
void TypeText(const std::string& text);

// The screen rectangle of a list box line or a tab of another process.
RECT ListLineRect(HWND list, int line);
RECT TabRect(HWND tabs, int tab);
// The text of a list box line of another process, in the ANSI code page.
std::string ListLineText(HWND list, int line);
int ListCount(HWND list);
int ListSelection(HWND list);

}  // namespace testing_support
