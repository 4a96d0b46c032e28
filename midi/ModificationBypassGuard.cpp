#include "midi/ModificationBypassGuard.h"

#include "midi/MidiCallbacks.h"
#include "midi/MidiConnection.h"

namespace korvel {

// No destructor runs for a constructor that throws: it switches off itself.
// The release comes after the switch has waited for the messages in flight:
// a note that one of them sent through the modifications is recorded by then.
ModificationBypassGuard::ModificationBypassGuard(MidiPortTable& ports) : ports_(ports) {
  SetModificationBypass(ports_, true);
  try {
    ReleaseNotesMovedByModifications(ports_);
  } catch (...) {
    SetModificationBypass(ports_, false);
    throw;
  }
}

// Releasing sends to the outputs. Nothing may leave a destructor (it may run
// while an exception is on its way); the bypass is off before the release,
// which may fail without leaving it on: notes left sounding are the lesser harm.
ModificationBypassGuard::~ModificationBypassGuard() {
  SetModificationBypass(ports_, false);
  try {
    ReleaseNotesMovedByModifications(ports_);
  } catch (...) {
  }
}

}  // namespace korvel
