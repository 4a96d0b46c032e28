// A lock on the state file that every process using the file takes. The
// emulator holds it from the read that starts an operation to the write that
// ends it, so that two processes cannot both read the banks, change them and
// write them back, one losing the other's change. The core has no portable
// way to lock across processes; its host supplies one (a named mutex in the
// DLLs, a file lock in the native simulation).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace korvel::emu {

class StateLock {
 public:
  virtual ~StateLock() = default;
  // Waits until no other holder has it (for a bounded time where the host
  // can bound it); false when it could not be had, and the operation then
  // goes ahead unlocked rather than not at all.
  virtual bool Acquire() = 0;
  // After an Acquire that succeeded, on the same thread.
  virtual void Release() = 0;
};

// Makes the lock of the state file at `statePath` (the path the emulator uses
// after reading its configuration).
using StateLockMaker = std::function<std::unique_ptr<StateLock>(const std::string& statePath)>;

}  // namespace korvel::emu
