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

// Without a window (before start-up set it, after shut-down cleared it) the
// message would go to the thread itself, where no window procedure sees it.
void PostUserInterfaceWork() {
  const Window window = workWindow.load();
  if (window != 0) ::PostMessageA(reinterpret_cast<HWND>(window), workMessage.load(), 0, 0);
}

}  // namespace platform
