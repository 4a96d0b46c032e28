// The modification bypass as an object: while it lives, every connection
// passes short messages on without applying its modifications, so that the
// user-interface thread can edit them. Its destructor switches the bypass
// off, so that an exception or an early return cannot leave it on.
#pragma once

#include "midi/MidiPortTable.h"

namespace korvel {

class ModificationBypassGuard {
 public:
  // Switches the bypass on, waits for the messages in flight, then lets go
  // of the notes sent through modifications that no longer apply.
  explicit ModificationBypassGuard(MidiPortTable& ports);
  // Switches the bypass off, waits, and lets go of the notes sent unmodified
  // whose Note Off the modifications would now change.
  ~ModificationBypassGuard();
  ModificationBypassGuard(const ModificationBypassGuard&) = delete;
  ModificationBypassGuard& operator=(const ModificationBypassGuard&) = delete;

 private:
  MidiPortTable& ports_;
};

}  // namespace korvel
