// The five entries Setup makes in the product's start-menu group: four
// shell links to files in the installation folder and an Internet shortcut
// to the homepage. The uninstaller removes exactly these files and those an
// older Setup made.
#pragma once

#include <string>
#include <vector>

namespace korvel {

struct StartMenuEntry {
  std::string name;    // also the link's description
  std::string target;  // a path, or the web address of an Internet shortcut
  bool internetShortcut = false;

  // The entry's file name in the group: the name with ".lnk" or ".url".
  std::string FileName() const { return name + (internetShortcut ? ".url" : ".lnk"); }
};

// In the order Setup makes them, with targets in `homedir`.
std::vector<StartMenuEntry> StartMenuEntries(const std::string& homedir);

// File names of entries an older Setup made in the group and this one no
// longer makes: the homepage as a shell link.
std::vector<std::string> FormerStartMenuFiles();

}  // namespace korvel
