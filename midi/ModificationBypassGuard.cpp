#include "midi/ModificationBypassGuard.h"

#include "midi/MidiCallbacks.h"
#include "midi/MidiConnection.h"

namespace korvel {

// No destructor runs for a constructor that throws: it switches off itself.
ModificationBypassGuard::ModificationBypassGuard(MidiPortTable& ports) : ports_(ports) {
  SetModificationBypass(true);
  try {
    ReleaseNotesOfModifiedConnections(ports_);
  } catch (...) {
    SetModificationBypass(false);
    throw;
  }
}

// Releasing sends to the outputs. Nothing may leave a destructor (it may run
// while an exception is on its way), and the bypass must go off whatever the
// release did: notes left sounding are the lesser harm.
ModificationBypassGuard::~ModificationBypassGuard() {
  try {
    ReleaseNotesOfModifiedConnections(ports_);
  } catch (...) {
  }
  SetModificationBypass(false);
}

}  // namespace korvel
