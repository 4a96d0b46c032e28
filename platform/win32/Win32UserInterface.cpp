// Handing work to the user-interface thread: a posted window message.
#include <windows.h>

#include <atomic>

#include "platform/OwnedWindowHook.h"
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

namespace {

// A thread is given a timer's message only when nothing is posted to it and
// no input or paint waits: a one-shot timer puts the work behind them.
constexpr UINT_PTR kAfterInputTimer = 0x4B56;

void CALLBACK PostWorkNow(HWND window, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(window, timer);
  PostUserInterfaceWork();
}

}  // namespace

void PostUserInterfaceWorkAfterInput() {
  const Window window = workWindow.load();
  if (window != 0) ::SetTimer(reinterpret_cast<HWND>(window), kAfterInputTimer, USER_TIMER_MINIMUM, PostWorkNow);
}

bool UserInputWaiting() { return ::GetInputState() != FALSE; }

namespace {

// A top-level window that this thread makes, with the window that owns it.
LRESULT CALLBACK NoticeOwnedWindow(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* made = reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs;
    if (!(made->style & WS_CHILD)) {
      OwnedWindowWatch::WindowMade(static_cast<Window>(wParam), reinterpret_cast<Window>(made->hwndParent));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void* StartOwnedWindowHook() {
  return SetWindowsHookExA(WH_CBT, NoticeOwnedWindow, nullptr, GetCurrentThreadId());
}

void StopOwnedWindowHook(void* hook) {
  if (hook) UnhookWindowsHookEx(static_cast<HHOOK>(hook));
}

}  // namespace platform
