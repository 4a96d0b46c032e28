// The program's state for one run: created by the main window's FormCreate
// and destroyed at the end of its FormDestroy.
#pragma once

#include <memory>

#include "banks/DeviceTable.h"
#include "banks/ErrorReport.h"
#include "banks/ShellPort.h"
#include "config/Configuration.h"
#include "config/RegistryModule.h"
#include "config/ScratchRing.h"
#include "midi/MidiPortTable.h"

namespace korvel {

struct AppState {
  // `shell` is the main window, which the device layer asks to show its changes.
  explicit AppState(ShellPort& shell) : devices(config, errors, shell, scratch) {}

  Configuration config;
  RegistryModule registry;
  ErrorState errors;
  ScratchRing scratch;
  // The device table with both backends; made after the parts it uses.
  DeviceTable devices;
  // The MIDI ports and connections, from "Opening MIDI drivers..." to
  // shut-down.
  std::unique_ptr<MidiPortTable> ports;
  // Set while the program itself changes check boxes of the main window;
  // their click handlers leave the state alone meanwhile.
  int UpdatingControls = 1;
};

}  // namespace korvel
