// Timed stand-ins for the emulator's entry points. The SoundFont manager's
// entry function hands out a table of its own, whose entries time the calls
// into the emulator's table.
#include "platform/sim/SimEmulatorCalls.h"

#include <chrono>
#include <type_traits>
#include <utility>

#include "emulators/core/Abi.h"
#include "emulators/core/ProcessEmulator.h"
#include "platform/sim/Sim.h"

namespace platform::sim {
namespace {

using korvel::emu::SfManagerEntryFn;
using korvel::emu::SfManagerTable;

// Only the single-threaded driver calls add to it.
std::chrono::nanoseconds spent{0};

// Adds the time from its construction to its destruction.
class CallTimer {
 public:
  CallTimer() : start_(std::chrono::steady_clock::now()) {}
  ~CallTimer() { spent += std::chrono::steady_clock::now() - start_; }
  CallTimer(const CallTimer&) = delete;
  CallTimer& operator=(const CallTimer&) = delete;

 private:
  std::chrono::steady_clock::time_point start_;
};

// The entry `Field` of the emulator's table, timed.
template <auto Field, typename Entry>
struct TimedEntry;
template <auto Field, typename... Args>
struct TimedEntry<Field, std::uint32_t(KORVEL_WINAPI*)(Args...)> {
  static std::uint32_t KORVEL_WINAPI Call(Args... args) {
    const CallTimer timer;
    return (korvel::emu::SoundFontManagerTable()->*Field)(args...);
  }
};
template <auto Field>
constexpr auto kTimed =
    TimedEntry<Field, std::decay_t<decltype(std::declval<SfManagerTable>().*Field)>>::Call;

const SfManagerTable kTimedTable = {
    kTimed<&SfManagerTable::deviceCount>, kTimed<&SfManagerTable::describe>,
    kTimed<&SfManagerTable::entry2>,      kTimed<&SfManagerTable::entry3>,
    kTimed<&SfManagerTable::open>,        kTimed<&SfManagerTable::close>,
    kTimed<&SfManagerTable::entry6>,      kTimed<&SfManagerTable::memory>,
    kTimed<&SfManagerTable::entry8>,      kTimed<&SfManagerTable::romName>,
    kTimed<&SfManagerTable::entry10>,     kTimed<&SfManagerTable::load>,
    kTimed<&SfManagerTable::bankName>,    kTimed<&SfManagerTable::bankPath>,
    kTimed<&SfManagerTable::clear>,       kTimed<&SfManagerTable::entry15>,
};

std::uint32_t KORVEL_WINAPI TimedBegin(std::uint32_t version, const SfManagerTable** table) {
  const CallTimer timer;
  const std::uint32_t result = (*korvel::emu::SoundFontManagerExport())(version, table);
  if (result == korvel::emu::kSfOk) *table = &kTimedTable;
  return result;
}

SfManagerEntryFn timedExport = TimedBegin;

std::uint32_t KORVEL_WINAPI TimedAweManager(std::intptr_t handle, std::uint32_t code,
                                            std::intptr_t param1, std::intptr_t param2) {
  const CallTimer timer;
  return korvel::emu::AweManagerEntry()(handle, code, param1, param2);
}

}  // namespace

namespace detail {

std::intptr_t TimedDriverMessage(std::uint32_t message, std::intptr_t param1,
                                 std::intptr_t param2) {
  const CallTimer timer;
  return korvel::emu::Ews64DriverMessage(message, param1, param2);
}

void* TimedSoundFontManagerExport() { return reinterpret_cast<void*>(&timedExport); }
void* TimedAweManagerExport() { return reinterpret_cast<void*>(TimedAweManager); }

}  // namespace detail

std::chrono::nanoseconds EmulatorCallTime() { return spent; }

}  // namespace platform::sim
