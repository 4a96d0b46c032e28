// Reading and writing the configuration: the file "Korvel.cfg" in the Windows
// directory, or the product key of the registry when that file is absent.
#pragma once

#include <string>

#include "config/Configuration.h"
#include "config/RegistryModule.h"
#include "config/WholeFile.h"

namespace korvel {

// What the registry read does when "cflags" is in neither hive.
enum class MissingFlags {
  EmergencyDefaults,  // report it, set the emergency flags and read nothing more (Korvel)
  ReadMachineKey,     // quietly keep `cflags` and read the rest from the machine's key (Setup)
};

// Fills `config` and, unless they read -1 or are absent, `edges` (the main
// window's left and top). Reports its own problems with ErrorBox. The file
// found whole, damaged (what could be read is used and its bytes are kept
// beside it; also a folder of the file's name, with the registry read
// instead) or missing (the registry was read).
FileFound ReadConfiguration(Configuration& config, WindowEdges& edges, RegistryModule& registry,
                       MissingFlags missingFlags = MissingFlags::EmergencyDefaults);

// Mode 2 forces the file; any other mode writes the file if it exists and the
// registry otherwise. `edges` are the main window's current left and top.
// A damaged file is replaced only once its bytes are kept beside it.
void WriteConfiguration(const Configuration& config, const WindowEdges& edges,
                        RegistryModule& registry, int mode);

// The Windows directory + "\Korvel.cfg"; empty when the directory cannot be
// had in 128 bytes, which makes the file count as absent.
std::string ConfigFilePath();

}  // namespace korvel
