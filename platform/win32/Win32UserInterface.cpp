// Handing work to the user-interface thread: a posted window message.
#include <windows.h>

#include <atomic>

#include "platform/Platform.h"

namespace platform {

namespace {
// Written once by the user-interface thread, read by the MIDI callbacks.
std::atomic<Window> workWindow{0};
std::atomic<unsigned> workMessage{0};
}  // namespace

void SetUserInterfaceWorkTarget(Window window, unsigned message) {
  workMessage.store(message);
  workWindow.store(window);
}

void PostUserInterfaceWork() {
  ::PostMessageA(reinterpret_cast<HWND>(workWindow.load()), workMessage.load(), 0, 0);
}

}  // namespace platform
