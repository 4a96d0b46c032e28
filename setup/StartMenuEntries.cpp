#include "setup/StartMenuEntries.h"

#include "setup/Product.h"

namespace korvel {

// A shell link whose path is a web address is saved as a path below the
// current folder, a dead link: the homepage is an Internet shortcut, which
// the shell opens in the browser.
std::vector<StartMenuEntry> StartMenuEntries(const std::string& homedir) {
  const std::string name = product::kName;
  return {
      {name + " " + product::kVersion, homedir + "\\Korvel.exe"},
      {name + " Help", homedir + "\\Korvel.htm"},
      {"How to Report Problems", homedir + "\\BugRep.txt"},
      {"Uninstall " + name, homedir + "\\uninst.exe"},
      {name + " Homepage", product::kHomepage, true},
  };
}

std::vector<std::string> FormerStartMenuFiles() {
  return {std::string(product::kName) + " Homepage.lnk"};
}

}  // namespace korvel
