// What the "Connection Details" dialog does: it edits the modifications and
// the bank-switching link of the live connections in the port table (every
// edit is stored at once, there is no cancel) and the named modification
// presets. The dialog window forwards its controls' events to
// ConnectionDetails and shows what it is told through ConnectionDetailsView.
//
// While the dialog exists the routing passes messages without applying
// modifications, so that records can be changed under it safely.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "banks/DeviceTable.h"
#include "banks/presets/PresetManager.h"
#include "midi/MidiPortTable.h"
#include "midi/ModificationBypassGuard.h"
#include "midi/ModificationFile.h"

namespace korvel {

// The dialog's controls that the model fills, selects or writes.
enum class DetailsControl {
  ConList, ptlist, srclist, dstlist, tlist, llist,  // lists
  edsctype, eddctype, edcr, edPresetName,           // edits
  Label5, Label6,                                   // captions set at run time
  cbRev,
};

class ConnectionDetailsView {
 public:
  // Replaces a list's entries.
  virtual void FillList(DetailsControl list, const std::vector<std::string>& entries) = 0;
  // -1 selects nothing. Must not report a change back.
  virtual void SelectEntry(DetailsControl list, int entry) = 0;
  // An edit's text or a label's caption.
  virtual void SetText(DetailsControl control, const std::string& text) = 0;
  // cbRev, "Swap second and third byte".
  virtual void SetSwapChecked(bool checked) = 0;
  // The editor set, enabled and disabled together: Label2 to Label8, cbRev,
  // ptlist, srclist, dstlist, edsctype, eddctype, edcr, DelModButton,
  // SaveModPresetButtonN, SaveAsModPresetButton and edPresetName.
  virtual void EnableEditor(bool on) = 0;
  // NewModButton, LoadModPresetButton and tlist: what adds a modification.
  virtual void EnableAdding(bool on) = 0;
  // edPresetName's text, "Custom Name:".
  virtual std::string CustomName() = 0;
  // tlist's selected entry, -1 when none.
  virtual int SelectedPreset() = 0;

 protected:
  ~ConnectionDetailsView() = default;
};

class ConnectionDetails {
 public:
  ConnectionDetails(MidiPortTable& ports, DeviceTable& devices, PresetManager& presetManager,
                    ConnectionDetailsView& view)
      : ports_(ports), devices_(devices), presetManager_(presetManager), view_(view) {}

  // Switches the modification bypass on, reads the modification presets and
  // fills the lists with `preselected` (-1 taken as 0) chosen.
  void FormCreate(int preselected);
  // Writes the modification presets when the user changed them (a write
  // that fails leaves the file as it was and says so), then ends the bypass.
  // A model that goes without it ends the bypass as well, writing nothing.
  void FormDestroy();

  // The lists' selection changes, with the entry now selected.
  void ConListChange(int entry);
  void ptlistChange(int entry);
  // `sender` is srclist or dstlist.
  void srclistChange(DetailsControl sender, int entry);
  void llistChange(int entry);

  // The range edits' changes, with the edit's text now. `sender` is
  // edsctype or eddctype. A text whose numbers do not fit their byte is
  // refused: nothing is stored.
  void edsctypeChange(DetailsControl sender, const std::string& text);
  void edcrChange(const std::string& text);
  // A range edit left with a text that was refused, is empty or still half
  // typed: the edit is given the stored range back.
  void RangeEditExit(DetailsControl edit, const std::string& text);
  void cbRevClick(bool checked);

  // "&New", "&Delete" and "&Load" of the modifications.
  void NewModButtonClick();
  void DelModButtonClick();
  void LoadModPresetButtonClick();
  // "&Save" (`byName`: overwrites the preset of that name if there is one)
  // and "Save &as" (always appends a preset).
  void SaveAsModPresetButtonClick(bool byName);
  // "Delete": removes the preset selected in tlist after asking.
  void DelPresetButtonClick();

 private:
  void FillForm(int preselected);
  void SavePresets();
  MidiConnection* Connection();
  Modification* CurrentModification();
  bool AddNewModification();
  void StoreRangeEdit(DetailsControl edit, const std::string& text);
  ModificationPreset* PresetToWrite(const std::string& name, bool byName);
  void RefreshEditor(std::optional<DetailsControl> sender);
  void ShowText(DetailsControl edit, const std::string& text);
  void FillConnectionList();
  void FillModificationList(int previous);
  void FillPresetList();
  void FillLinkList();

  MidiPortTable& ports_;
  DeviceTable& devices_;
  PresetManager& presetManager_;
  ConnectionDetailsView& view_;
  // From FormCreate to FormDestroy.
  std::optional<ModificationBypassGuard> bypass_;
  ModificationPresetList modPresets_;
  PresetFileText presetFile_;  // what the presets were read from
  // A preset was saved or deleted: the file is written at the end.
  bool presetsChanged_ = false;
  int connection_ = 0;     // ConList's selection
  int modification_ = -1;  // ptlist's selection
  std::vector<std::string> modEntries_;  // ptlist's entries
  std::vector<std::uint8_t> links_;      // the link value of each llist entry
  // Set while the model writes an edit: an edit that reports text set by
  // the program as a change is not taken for the user's typing.
  bool showing_ = false;
};

}  // namespace korvel
