#include "app/models/ConnectionDetails.h"

#include <algorithm>
#include <new>
#include <string>

#include "app/models/ConnectionDetailsTexts.h"
#include "app/models/RangeText.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "midi/MidiConnection.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr const char* kNoMoreModifications = "Could not create any more modifications!";
constexpr const char* kNoMemory = "Could not allocate memory.";
constexpr const char* kReallyDeletePreset = "Really delete a modification preset?";
constexpr const char* kPresetsNotSaved = "The modification presets could not be saved.";

RangeKind KindOf(DetailsControl edit) {
  switch (edit) {
    case DetailsControl::eddctype: return RangeKind::Target;
    case DetailsControl::edcr: return RangeKind::Channel;
    default: return RangeKind::Source;
  }
}

// A list's previous selection pulled back into its `count` entries; -1 for
// an empty list.
int KeptSelection(int previous, int count) {
  return count == 0 ? -1 : std::clamp(previous, 0, count - 1);
}

bool IsEntry(int entry, std::size_t count) { return entry >= 0 && static_cast<std::size_t>(entry) < count; }

}  // namespace

// A dialog that fails to open does not leave the bypass on; nor does it
// write presets it may have read only in part.
void ConnectionDetails::FormCreate(int preselected) {
  bypass_.emplace(ports_);
  try {
    FillForm(preselected);
  } catch (...) {
    bypass_.reset();
    throw;
  }
}

void ConnectionDetails::FillForm(int preselected) {
  LoadModificationPresets(devices_.Config().homedir, modPresets_, presetFile_);
  presetsChanged_ = false;
  FillPresetList();
  connection_ = std::max(preselected, 0);
  view_.FillList(DetailsControl::srclist, SourceTypeEntries());
  view_.SelectEntry(DetailsControl::srclist, 0);
  view_.FillList(DetailsControl::dstlist, TargetTypeEntries());
  view_.SelectEntry(DetailsControl::dstlist, 0);
  FillConnectionList();
  ConListChange(connection_);
}

void ConnectionDetails::FormDestroy() {
  SavePresets();
  bypass_.reset();
}

// Unchanged presets are not written: the file stays as the user has it.
void ConnectionDetails::SavePresets() {
  if (!presetsChanged_) return;
  WriteFailure failure;
  if (SaveModificationPresets(devices_.Config().homedir, modPresets_, presetFile_, &failure) ==
      PresetSaveResult::Written) {
    presetsChanged_ = false;
    return;
  }
  ErrorBox((std::string(kPresetsNotSaved) + "\n" + failure.Line()).c_str());
}

MidiConnection* ConnectionDetails::Connection() {
  return connection_ >= 0 && connection_ < ports_.connectionCount ? ports_.connections[connection_] : nullptr;
}

Modification* ConnectionDetails::CurrentModification() {
  MidiConnection* connection = Connection();
  if (connection == nullptr || modification_ < 0 || modification_ >= connection->modifications.count.load())
    return nullptr;
  return &connection->modifications.records[modification_];
}

void ConnectionDetails::ConListChange(int entry) {
  connection_ = entry;
  const MidiConnection* connection = Connection();
  view_.EnableAdding(connection != nullptr);
  FillModificationList(modification_);
  const bool hasModifications = CurrentModification() != nullptr;
  view_.EnableEditor(hasModifications);
  if (hasModifications) RefreshEditor(std::nullopt);
  FillLinkList();
}

void ConnectionDetails::ptlistChange(int entry) {
  if (entry == modification_ || !IsEntry(entry, modEntries_.size())) return;
  modification_ = entry;
  RefreshEditor(std::nullopt);
}

void ConnectionDetails::srclistChange(DetailsControl sender, int entry) {
  Modification* modification = CurrentModification();
  if (modification == nullptr || !IsEntry(entry, kTypeEntryCount)) return;
  std::uint8_t& type = sender == DetailsControl::srclist ? modification->sourceType : modification->targetType;
  type = TypeByteOfEntry(entry);
  RefreshEditor(sender);
}

void ConnectionDetails::llistChange(int entry) {
  MidiConnection* connection = Connection();
  if (connection == nullptr || !IsEntry(entry, links_.size())) return;
  connection->link.store(links_[entry]);
  presetManager_.MarkChanged();
  FillConnectionList();
}

void ConnectionDetails::edsctypeChange(DetailsControl sender, const std::string& text) {
  StoreRangeEdit(sender, text);
}

void ConnectionDetails::edcrChange(const std::string& text) { StoreRangeEdit(DetailsControl::edcr, text); }

void ConnectionDetails::StoreRangeEdit(DetailsControl edit, const std::string& text) {
  Modification* modification = CurrentModification();
  if (showing_ || modification == nullptr || text.empty()) return;
  const RangeKind kind = KindOf(edit);
  const ReadRangeResult read = ReadRange(text, kind);
  // A number that does not fit is refused; the text stays as the user has
  // it until the edit is left.
  if (!RangeFits(kind, read.range)) return;
  StoreRange(*modification, kind, read.range);
  RefreshEditor(edit);
}

void ConnectionDetails::RangeEditExit(DetailsControl edit, const std::string& text) {
  const Modification* modification = CurrentModification();
  if (modification == nullptr) return;
  const RangeKind kind = KindOf(edit);
  const ReadRangeResult read = ReadRange(text, kind);
  if (text.empty() || !read.complete || !RangeFits(kind, read.range)) ShowText(edit, RangeTextOf(*modification, kind));
}

void ConnectionDetails::cbRevClick(bool checked) {
  Modification* modification = CurrentModification();
  if (modification == nullptr) return;
  const std::uint8_t flags = checked ? modification->flags | kSwapFlag : modification->flags & ~kSwapFlag;
  if (flags == modification->flags) return;
  modification->flags = flags;
  RefreshEditor(DetailsControl::cbRev);
}

void ConnectionDetails::NewModButtonClick() { AddNewModification(); }

// Appends a default modification and makes it the current one; false, after
// telling the user, when the connection holds all eight.
bool ConnectionDetails::AddNewModification() {
  MidiConnection* connection = Connection();
  if (connection == nullptr) return false;
  const int index = AddModification(connection->modifications);
  if (index < 0) {
    ShowMessageBox(kNoMoreModifications, "Korvel", platform::kMbOk);
    return false;
  }
  presetManager_.MarkChanged();
  view_.EnableEditor(true);
  FillModificationList(index);
  RefreshEditor(std::nullopt);
  FillConnectionList();
  return true;
}

void ConnectionDetails::DelModButtonClick() {
  MidiConnection* connection = Connection();
  if (connection == nullptr || modification_ < 0) return;
  DeleteModification(connection->modifications, modification_);
  presetManager_.MarkChanged();
  FillModificationList(modification_ - 1);
  if (CurrentModification() != nullptr) RefreshEditor(std::nullopt);
  else view_.EnableEditor(false);
  FillConnectionList();
}

// A new modification that takes the bytes of the preset selected in tlist.
void ConnectionDetails::LoadModPresetButtonClick() {
  const int preset = view_.SelectedPreset();
  if (!IsEntry(preset, modPresets_.size()) || !AddNewModification()) return;
  *CurrentModification() = modPresets_[preset].modification;
  FillModificationList(modification_);
  RefreshEditor(std::nullopt);
}

// Stores the current modification as a preset named by "Custom Name:", or
// when that is empty by the modification's own list entry.
void ConnectionDetails::SaveAsModPresetButtonClick(bool byName) {
  const Modification* modification = CurrentModification();
  if (modification == nullptr) return;
  std::string name = view_.CustomName();
  if (name.empty()) name = modEntries_[modification_];
  ModificationPreset* preset = PresetToWrite(name.substr(0, kPresetNameSize - 1), byName);
  if (preset == nullptr) return;
  preset->modification = *modification;
  presetsChanged_ = true;
  FillModificationList(modification_);
  FillPresetList();
}

// The first preset called `name` when saving by name, else a new one at the
// end; nullptr, after telling the user, when the list cannot grow.
ModificationPreset* ConnectionDetails::PresetToWrite(const std::string& name, bool byName) {
  if (byName) {
    for (ModificationPreset& preset : modPresets_) {
      if (name == preset.name) return &preset;
    }
  }
  try {
    modPresets_.emplace_back();
  } catch (const std::bad_alloc&) {
    ErrorBox(kNoMemory);
    return nullptr;
  }
  BoundedCopy(modPresets_.back().name, name.c_str(), kPresetNameSize);
  return &modPresets_.back();
}

void ConnectionDetails::DelPresetButtonClick() {
  const int preset = view_.SelectedPreset();
  if (!IsEntry(preset, modPresets_.size())) return;
  if (ShowMessageBox(kReallyDeletePreset, "Korvel", platform::kMbYesNo) != platform::kIdYes) return;
  // The list is read again: it is the one the answer is about only if it
  // still holds that preset.
  if (!IsEntry(preset, modPresets_.size())) return;
  modPresets_.erase(modPresets_.begin() + preset);
  presetsChanged_ = true;
  FillPresetList();
}

// Shows the current modification in the editor's controls, except in the
// control the user has just changed (`sender`), which already shows it.
void ConnectionDetails::RefreshEditor(std::optional<DetailsControl> sender) {
  const Modification* modification = CurrentModification();
  if (modification == nullptr) return;
  const Modification& m = *modification;
  if (sender) presetManager_.MarkChanged();
  if (sender != DetailsControl::srclist) view_.SelectEntry(DetailsControl::srclist, EntryOfTypeByte(m.sourceType));
  if (sender != DetailsControl::dstlist) view_.SelectEntry(DetailsControl::dstlist, EntryOfTypeByte(m.targetType));
  view_.SetText(DetailsControl::Label5, SourceRangeCaption(m.sourceType));
  view_.SetText(DetailsControl::Label6, TargetRangeCaption(m.targetType));
  for (DetailsControl edit : {DetailsControl::edsctype, DetailsControl::eddctype, DetailsControl::edcr}) {
    if (sender != edit) ShowText(edit, RangeTextOf(m, KindOf(edit)));
  }
  if (sender != DetailsControl::cbRev) view_.SetSwapChecked((m.flags & kSwapFlag) != 0);
  ShowText(DetailsControl::edPresetName, modEntries_[modification_]);
}

void ConnectionDetails::ShowText(DetailsControl edit, const std::string& text) {
  showing_ = true;
  view_.SetText(edit, text);
  showing_ = false;
}

// Keeps the selected connection, or the first when it is past the end.
void ConnectionDetails::FillConnectionList() {
  const std::vector<std::string> entries = ConnectionListEntries(ports_, devices_);
  if (!IsEntry(connection_, entries.size())) connection_ = 0;
  view_.FillList(DetailsControl::ConList, entries);
  view_.SelectEntry(DetailsControl::ConList, connection_);
}

// The current connection's modifications, with `previous` (pulled back into
// the list) selected and made the current modification.
void ConnectionDetails::FillModificationList(int previous) {
  const MidiConnection* connection = Connection();
  modEntries_ = connection != nullptr ? ModificationListEntries(connection->modifications, modPresets_)
                                      : std::vector<std::string>();
  modification_ = KeptSelection(previous, static_cast<int>(modEntries_.size()));
  view_.FillList(DetailsControl::ptlist, modEntries_);
  view_.SelectEntry(DetailsControl::ptlist, modification_);
}

void ConnectionDetails::FillPresetList() {
  const int previous = view_.SelectedPreset();
  const std::vector<std::string> entries = PresetListEntries(modPresets_);
  view_.FillList(DetailsControl::tlist, entries);
  view_.SelectEntry(DetailsControl::tlist, KeptSelection(previous, static_cast<int>(entries.size())));
}

void ConnectionDetails::FillLinkList() {
  const LinkListContent content = LinkListEntries(ports_, devices_, connection_);
  links_ = content.links;
  view_.FillList(DetailsControl::llist, content.entries);
  view_.SelectEntry(DetailsControl::llist, content.selected);
}

}  // namespace korvel
