// Program entry of Setup: the window and its message loop.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "setup/SetupWindow.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  try {
    korvel::SetupWindow Form1(instance);
    return Form1.Run();
  } catch (const std::exception&) {
    korvel::Modality().ShowException(std::current_exception());
  }
  return 0;
}
