// The modification bypass as an object: while it lives, every connection
// passes short messages on without applying its modifications, so that the
// user-interface thread can edit them. Its destructor switches the bypass
// off, so that an exception or an early return cannot leave it on.
#pragma once

#include "midi/MidiPortTable.h"

namespace korvel {

class ModificationBypassGuard {
 public:
  // Switches the bypass on, then lets go of the notes sent through the
  // connections' modifications: they no longer apply.
  explicit ModificationBypassGuard(MidiPortTable& ports);
  // Lets go of the notes again, then switches the bypass off.
  ~ModificationBypassGuard();
  ModificationBypassGuard(const ModificationBypassGuard&) = delete;
  ModificationBypassGuard& operator=(const ModificationBypassGuard&) = delete;

 private:
  MidiPortTable& ports_;
};

}  // namespace korvel
