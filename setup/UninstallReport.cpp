#include "setup/UninstallReport.h"

#include <vector>

namespace korvel {

namespace {

using Items = std::vector<std::string>;

// "a", "a and b", "a, b and c".
std::string Listed(const Items& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
}

bool GroupWasThere(const GroupRemoval& group) {
  return group.result == ProgramGroup::kCreated || group.folderKept || group.entriesRemoved > 0;
}

Items RemovedItems(const UninstallReport& report) {
  Items items;
  if (report.group.result == ProgramGroup::kCreated) items.push_back("the start menu group");
  else if (report.group.entriesRemoved > 0) items.push_back("the start menu entries");
  if (report.startupShortcut == StartupShortcutRemoval::kRemoved) items.push_back("the start-up shortcut");
  if (report.settingsRemoved) items.push_back("the settings");
  if (report.registrationRemoved) items.push_back("the uninstall entry");
  return items;
}

// Each with the reason it stays; written as sentences apart, since the
// folders' names may hold commas.
Items KeptItems(const UninstallReport& report, const std::string& programFolder) {
  Items items;
  if (report.group.folderKept)
    items.push_back("The start menu folder " + report.group.folder + " was kept: it holds files that are not Korvel's.");
  if (!report.damagedCopy.empty())
    items.push_back(report.damagedCopy + " was kept: it is the copy of a damaged configuration file.");
  if (programFolder.empty()) items.push_back("The program files were kept.");
  else
    items.push_back("The program files were kept in " + programFolder + "; delete that folder to remove them too.");
  items.push_back("Your presets and banks were kept.");
  return items;
}

Items MissingItems(const UninstallReport& report) {
  Items items;
  if (!GroupWasThere(report.group)) items.push_back("a start menu group");
  if (report.startupShortcut != StartupShortcutRemoval::kRemoved) items.push_back("a start-up shortcut");
  if (!report.settingsRemoved) items.push_back("settings");
  if (!report.registrationRemoved) items.push_back("an uninstall entry");
  return items;
}

}  // namespace

std::string UninstallMessage(const UninstallReport& report, const std::string& programFolder) {
  const Items removed = RemovedItems(report);
  std::string text = removed.empty() ? "Nothing of Korvel's was left to remove."
                                     : "Removed: " + Listed(removed) + ".";
  const Items missing = MissingItems(report);
  if (!removed.empty() && !missing.empty()) text += "\nNot found, so not removed: " + Listed(missing) + ".";
  for (const std::string& kept : KeptItems(report, programFolder)) text += "\n" + kept;
  return text;
}

}  // namespace korvel
