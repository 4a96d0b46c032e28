// The names Setup and the uninstaller give to what they make: the start-menu
// group, its entries and the uninstall registration.
#pragma once

#include "KorvelVersion.h"

namespace korvel::product {

constexpr char kName[] = "Korvel";
constexpr char kVersion[] = "v" KORVEL_VERSION;
constexpr char kMaker[] = "Quennet";
constexpr char kSetupTitle[] = "Korvel Setup";
constexpr char kHomepage[] = "http://www.korvel.example/";

// Korvel's own settings, in either hive.
constexpr char kProductKey[] = "SOFTWARE\\Quennet\\Korvel";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvel";

}  // namespace korvel::product
