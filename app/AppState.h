// The program's state for one run: created by the main window's FormCreate
// and destroyed at the end of its FormDestroy.
#pragma once

#include "banks/ErrorReport.h"
#include "config/Configuration.h"
#include "config/RegistryModule.h"
#include "config/ScratchRing.h"

namespace korvel {

struct AppState {
  Configuration config;
  RegistryModule registry;
  ErrorState errors;
  ScratchRing scratch;
  // Set while the program itself changes check boxes of the main window;
  // their click handlers leave the state alone meanwhile.
  int UpdatingControls = 1;
};

}  // namespace korvel
