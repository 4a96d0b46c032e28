// Work posted to the user-interface thread: counted, for the test that
// plays that thread to wait for and then run.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Platform.h"
#include "platform/sim/Sim.h"
#include "platform/sim/SimInternal.h"

namespace platform {

namespace {
// Atomics only: posting happens on the MIDI thread, which must not block.
std::atomic<Window> workWindow{0};
std::atomic<unsigned> workMessage{0};
std::atomic<std::size_t> posted{0};
std::atomic<std::size_t> postedAfterInput{0};
std::atomic<bool> inputWaiting{false};
}  // namespace

void SetUserInterfaceWorkTarget(Window window, unsigned message) {
  workMessage.store(message);
  workWindow.store(window);
}

void PostUserInterfaceWork() { posted.fetch_add(1); }
void PostUserInterfaceWorkAfterInput() { postedAfterInput.fetch_add(1); }
bool UserInputWaiting() { return inputWaiting.load(); }

namespace sim {
namespace detail {

void ResetUserInterface() {
  workWindow.store(0);
  workMessage.store(0);
  posted.store(0);
  postedAfterInput.store(0);
  inputWaiting.store(false);
}

}  // namespace detail

Window UserInterfaceWorkWindow() { return workWindow.load(); }
unsigned UserInterfaceWorkMessage() { return workMessage.load(); }

std::size_t PostedUserInterfaceWork() { return posted.load(); }
std::size_t PostedUserInterfaceWorkAfterInput() { return postedAfterInput.load(); }
void SetUserInputWaiting(bool waiting) { inputWaiting.store(waiting); }

bool WaitForUserInterfaceWork(std::size_t count, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (posted.load() < count) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace sim
}  // namespace platform
