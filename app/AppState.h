// The program's state for one run: created by the main window's FormCreate
// and destroyed at the end of its FormDestroy.
#pragma once

#include <memory>

#include "banks/DeviceTable.h"
#include "banks/ErrorReport.h"
#include "banks/ShellPort.h"
#include "banks/presets/PresetManager.h"
#include "banks/presets/PresetPort.h"
#include "banks/switching/BankSwitching.h"
#include "banks/switching/BankSwitchingRequests.h"
#include "config/Configuration.h"
#include "config/RegistryModule.h"
#include "config/ScratchRing.h"
#include "midi/MidiPortTable.h"

namespace korvel {

struct AppState {
  // `shell` and `view` are the main window, which the device layer and the
  // presets ask to show their changes; `modal` tells when the user-interface
  // thread may run what MIDI asked for.
  AppState(ShellPort& shell, PresetPort& view, ModalService& modal)
      : devices(config, errors, shell, scratch),
        presets(devices, ports, view, UpdatingControls),
        switching(devices, [this](int n) { presets.LoadPresetByNumber(n); }),
        requests(switching, modal) {}

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
  // The current preset, and the automated bank switching with the queue
  // that brings its MIDI requests to the user-interface thread.
  PresetManager presets;
  BankSwitching switching;
  BankSwitchingRequests requests;
};

}  // namespace korvel
