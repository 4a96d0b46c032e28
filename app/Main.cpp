// Program entry of Korvel: creates the main window, runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "app/KorvelMain.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  try {
    korvel::TForm1 Form1(instance);
    Form1.ShowMainWindow();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      if (IsWindow(Form1.Handle()) && IsDialogMessageA(Form1.Handle(), &message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  } catch (const std::exception& error) {
    // A failure while the main window itself is set up ends the program.
    korvel::ShowException(nullptr, error.what());
  }
  return 0;
}
