// Program entry of Korvel: the application, the main window, the message loop.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "app/Application.h"
#include "app/KorvelMain.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  try {
    korvel::Application application(instance);
    korvel::TForm1 Form1(application);
    application.ShowMainWindow();
    return application.Run();
  } catch (const std::exception&) {
    // A failure while the application or the main window is set up ends the program.
    korvel::Modality().ShowException(std::current_exception());
  }
  return 0;
}
