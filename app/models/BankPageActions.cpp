#include "app/models/BankPageActions.h"

#include <cstring>

#include "banks/BankFilePresence.h"
#include "banks/BankFolders.h"
#include "banks/BankLoading.h"
#include "banks/DeviceAccess.h"
#include "banks/ErrorReport.h"
#include "config/ErrorBox.h"
#include "config/TextHelpers.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

// The longest file name the dialog's path buffer takes whole.
constexpr std::size_t kLongestFileName = 127;
constexpr char kLoadOperation[] = "Form1::BrowseBankButtonClick";
constexpr char kUnloadOperation[] = "Form1::UnloadBankButtonClick";
constexpr char kRefreshOperation[] = "Form1::RefreshButtonClick";

std::string FolderOf(const char* path) {
  const char* slash = std::strrchr(path, '\\');
  return slash ? std::string(path, static_cast<std::size_t>(slash - path)) : std::string();
}

std::string Field(const char* text, std::size_t size) {
  const void* end = std::memchr(text, '\0', size);
  return std::string(text, end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : size);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether the file's extension is one of a filter's ("*.TTS;*.94B"),
// without regard to case.
bool MatchesFilter(const std::string& path, const std::string& filter) {
  const std::string name = FileNameOf(path);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string extension = name.substr(dot);
  std::size_t start = 0;
  while (start < filter.size()) {
    std::size_t end = filter.find(';', start);
    if (end == std::string::npos) end = filter.size();
    const std::string wanted = filter.substr(start, end - start);
    if (wanted.size() == extension.size() + 1 && wanted[0] == '*' &&
        SameTextIgnoringCase(wanted.c_str() + 1, extension.c_str(), extension.size()))
      return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

int BankPageActions::CurrentDevice() const { return devices_.Config().curdev; }

bool BankPageActions::DialogFor(const SoundDevice& device, BankFileDialog& dialog) {
  dialog.title = "Load Instrument Bank";
  switch (device.kind) {
    case kKindEws64:
      dialog.filterName = "Sound Sets (*.tts,*.94b)";
      dialog.filterPattern = "*.TTS;*.94B";
      dialog.defaultExtension = "tts";
      break;
    case kKindSoundFont:
      dialog.filterName = "Sound Fonts (*.sf2)";
      dialog.filterPattern = "*.SF2";
      dialog.defaultExtension = "sf2";
      break;
    default:
      ErrorBox("Select a device first.");
      return false;
  }
  // Until a file was loaded the device's folder is the whole bank folder
  // list, or nothing after a preset that held none: the dialog opens in the
  // first folder, never in whatever folder was current last.
  std::string lastFolder = Field(device.lastFolder, sizeof device.lastFolder);
  if (lastFolder.empty()) lastFolder = Field(devices_.Config().bankfolder, sizeof devices_.Config().bankfolder);
  char folder[kFolderSize];
  BankFolderWalk walk(lastFolder.c_str());
  dialog.initialFolder = walk.Next(folder) ? folder : "";
  return true;
}

// What "&Load..." and a drop check first: a device, a line, a kind of bank
// file the device takes.
bool BankPageActions::ReadyToLoad(int line, BankFileDialog& dialog) {
  if (!HasDevice()) return false;
  if (line < 0) {
    ErrorBox("Select an empty slot first.");
    return false;
  }
  return DialogFor(devices_.Device(CurrentDevice()), dialog);
}

void BankPageActions::BrowseBankButtonClick() {
  const int line = view_.SelectedLine();
  BankFileDialog dialog;
  if (ReadyToLoad(line, dialog)) LoadFilesFromLine(line, view_.ChooseBankFiles(dialog));
}

void BankPageActions::DropBankFiles(int line, const std::vector<std::string>& dropped) {
  BankFileDialog dialog;
  if (!ReadyToLoad(line, dialog)) return;
  const std::vector<std::string> files = FilesTheDialogLists(dropped, dialog);
  if (files.empty()) return;
  view_.SelectLine(line);
  LoadFilesFromLine(line, files);
}

// What the dialog would not have listed is named in a box and not handed to
// the device.
std::vector<std::string> BankPageActions::FilesTheDialogLists(const std::vector<std::string>& dropped,
                                                              const BankFileDialog& dialog) {
  std::vector<std::string> files;
  std::string refused;
  std::size_t refusedCount = 0;
  for (const std::string& file : dropped) {
    if (MatchesFilter(file, dialog.filterPattern)) {
      files.push_back(file);
    } else {
      refused += (refusedCount++ == 0 ? "'" : ", '") + FileNameOf(file) + "'";
    }
  }
  if (refusedCount > 0) {
    ErrorBox((refused + (refusedCount == 1 ? " was" : " were") + " not loaded: this device takes " +
              dialog.filterName + ".").c_str());
  }
  return files;
}

// Loads (or in virtual bank mode assigns) several files into consecutive
// slots from `line` on; a failure does not move the selection.
void BankPageActions::LoadFilesFromLine(int line, const std::vector<std::string>& files) {
  if (files.empty()) return;
  const bool noFolders = devices_.Config().bankfolder[0] == '\0';
  {
    ErrorState& errors = devices_.Errors();
    errors.ErrorCode = kErrOk;
    const DeviceAccess access(devices_, CurrentDevice());
    // A device that does not open is named with the reason its manager gave,
    // not as a load without a handle.
    if (errors.ErrorCode != kErrOk) {
      ReportError(errors, kLoadOperation);
      return;
    }
    const bool smart = devices_.VirtualBankMode() && devices_.Config().Has(SmartLoad) && files.size() > 1;
    std::size_t done = 0;
    for (; done < files.size() && line < kSlotsPerDevice; ++done) {
      const FileOutcome outcome = LoadChosenFile(files[done], smart, line);
      if (outcome == FileOutcome::kStop) return;
      if (outcome == FileOutcome::kLoaded) view_.SelectLine(++line);
    }
    if (done < files.size()) {
      const std::size_t left = files.size() - done;
      ErrorBox((std::to_string(left) + (left == 1 ? " file was" : " files were") +
                " not loaded: there is no slot after slot 127.").c_str());
    }
    ShowChanges(noFolders);
  }
  view_.FocusBankList();
}

// One chosen file into `slot` (a sound set's own slot with "Smart group
// load"). kStop after a file that cannot be found: the load ends there.
BankPageActions::FileOutcome BankPageActions::LoadChosenFile(const std::string& file, bool smart,
                                                             int slot) {
  Configuration& config = devices_.Config();
  ErrorState& errors = devices_.Errors();
  if (file.size() > kLongestFileName) {
    ErrorBox(("'" + file + "' was not loaded: its name is longer than 127 characters.").c_str());
    return FileOutcome::kFailed;
  }
  char path[kResolvedPathSize];
  BoundedCopy(path, file.c_str(), sizeof path);
  AddBankFolder(config, path);
  ShortenBankPath(config, path);
  char stored[kPathEntrySize];
  StorePathEntry(config, stored, path);
  devices_.KeepFailingFile(path);
  if (!FileIsPresent(path) && !ResolveBankPath(config, path)) {
    errors.ErrorCode = kErrFileNotFound;
    ReportError(errors, kLoadOperation);
    return FileOutcome::kStop;
  }
  const int dev = CurrentDevice();
  errors.ErrorCode = kErrOk;
  if (devices_.VirtualBankMode()) {
    if (smart) slot = devices_.SmartSlot(dev, slot, file.c_str());
    AssignBank(slot, path, stored);
  } else {
    LoadBank(devices_, dev, slot, path);
  }
  const bool loaded = errors.ErrorCode == kErrOk;
  if (!loaded) ReportError(errors, kLoadOperation);
  // A folder the field cannot hold whole would send the next dialog elsewhere.
  const std::string folder = FolderOf(path);
  SoundDevice& device = devices_.Device(dev);
  if (folder.size() < sizeof device.lastFolder) BoundedCopy(device.lastFolder, folder.c_str(), sizeof device.lastFolder);
  devices_.Shell().ProgressReset();
  return loaded ? FileOutcome::kLoaded : FileOutcome::kFailed;
}

// Virtual bank mode: the file is assigned to the slot, not loaded; the
// device is asked whether it holds that bank already.
void BankPageActions::AssignBank(int slot, const char* path, const char* stored) {
  const int dev = CurrentDevice();
  SoundDevice& device = devices_.Device(dev);
  BankSlot& rec = device.slots[slot];
  rec.flags = 0;
  devices_.ReadBankName(dev, path, rec);
  // A name that could not be read is not compared with the device's bank.
  if (devices_.Errors().ErrorCode != kErrOk) return;
  devices_.IsBankLoaded(dev, slot, rec.name);
  if (devices_.Errors().ErrorCode != kErrOk) return;
  rec.useStamp = 0;
  BoundedCopy(device.paths[slot], stored, kPathEntrySize);
  rec.flags |= Assigned;
}

// Figures, slots and list read again after the page changed the device.
void BankPageActions::ShowChanges(bool markAssigned) {
  presets_.MarkChanged();
  devices_.ReadAllMemInfo();
  view_.DrawMemoryGraph();
  RefreshAllSlots(devices_, markAssigned);
  devices_.Shell().RebuildBankList();
}

void BankPageActions::UnloadBankButtonClick() {
  if (!HasDevice()) return;
  const int slot = view_.SelectedLine();
  const SoundDevice& device = devices_.Device(CurrentDevice());
  const bool fixed = slot >= 0 && slot < device.slotCount && device.slots[slot].Has(Fixed);
  UnloadSelected(fixed ? kUnloadForget : kUnloadDefault);
}

void BankPageActions::ClearBankSlotButtonClick() {
  if (HasDevice()) UnloadSelected(kUnloadForget);
}

void BankPageActions::UnloadSelected(int mode) {
  const int dev = CurrentDevice();
  SoundDevice& device = devices_.Device(dev);
  const int slot = view_.SelectedLine();
  if (slot < 0 || slot >= device.slotCount || slot >= kSlotsPerDevice) {
    ErrorBox("Cannot unload: Select a valid bank slot first.");
    return;
  }
  BankSlot& rec = device.slots[slot];
  if (mode == kUnloadDefault && !rec.Has(Loaded)) {
    ErrorBox("Cannot unload: Bank not loaded.");
    return;
  }
  ErrorState& errors = devices_.Errors();
  errors.ErrorCode = kErrOk;
  const DeviceAccess access(devices_, dev);
  if (errors.ErrorCode != kErrOk) {
    ReportError(errors, kUnloadOperation);
    return;
  }
  const bool wasAssigned = rec.Has(Assigned);
  UnloadSlot(devices_, dev, slot, mode);
  if (errors.ErrorCode == kErrOk) {
    if (mode == kUnloadForget) {
      device.paths[slot][0] = '\0';
      rec.name[0] = '\0';
      if (wasAssigned) presets_.MarkChanged();
    }
    RefreshAllSlots(devices_, false);
    devices_.Shell().RebuildBankList();
    devices_.ReadAllMemInfo();
    view_.DrawMemoryGraph();
  } else {
    ReportError(errors, kUnloadOperation);
  }
}

void BankPageActions::RefreshButtonClick() {
  if (!HasDevice()) return;
  const int dev = CurrentDevice();
  SoundDevice& device = devices_.Device(dev);
  const int slot = view_.SelectedLine();
  if (slot < 0 || slot >= device.slotCount || slot >= kSlotsPerDevice || device.paths[slot][0] == '\0') return;
  ErrorState& errors = devices_.Errors();
  errors.ErrorCode = kErrOk;
  const DeviceAccess access(devices_, dev);
  if (errors.ErrorCode != kErrOk) {
    ReportError(errors, kRefreshOperation);
    return;
  }
  // Unloading may forget the slot's path: the load takes it from a copy.
  char path[kPathEntrySize];
  BoundedCopy(path, device.paths[slot], sizeof path);
  devices_.KeepFailingFile(path);
  // A bank whose file cannot be found would not come back once unloaded: it
  // stays in the device, and the file is named as the load would name it.
  if (path[0] != '<' && !BankFilePresence(devices_.Config()).IsPresent(path)) {
    errors.ErrorCode = kErrFileNotFound;
    ReportError(errors, kRefreshOperation);
    return;
  }
  UnloadSlot(devices_, dev, slot, kUnloadDefault);
  if (errors.ErrorCode != kErrOk) {
    ReportError(errors, kRefreshOperation);
    return;
  }
  ShellPort& shell = devices_.Shell();
  shell.ProgressReset();
  if (!device.slots[slot].Has(Assigned)) presets_.MarkChanged();
  LoadBank(devices_, dev, slot, path);
  shell.ProgressReset();
  if (errors.ErrorCode != kErrOk) ReportError(errors, kRefreshOperation);
  RefreshAllSlots(devices_, false);
  shell.RebuildBankList();
  devices_.ReadAllMemInfo();
  view_.DrawMemoryGraph();
}

// Turning the mode off makes a new preset: with automatic saving the user
// is asked first, unless a preset load does it.
void BankPageActions::cbVBModeClick(bool ticked) {
  if (!HasDevice() || updatingControls_ != 0) return;
  Configuration& config = devices_.Config();
  ShellPort& shell = devices_.Shell();
  if (presets_.CheckPresetSave() == 0) {
    shell.ShowVirtualBankMode(config.Has(VBMode));
    return;
  }
  const bool wasOn = config.Has(VBMode);
  config.Set(VBMode, ticked);
  if (wasOn && !ticked) {
    bool yes = presets_.LoadingPreset() || !config.Has(AutoSave) ||
               ShowMessageBox("This will create a new preset. Are you sure?", "Korvel", platform::kMbYesNo) ==
                   platform::kIdYes;
    if (yes && !presets_.LoadingPreset() && presets_.CheckPresetSave() == 0) yes = false;
    if (!yes) {
      config.Set(VBMode, true);
      shell.ShowVirtualBankMode(true);
      return;
    }
    presets_.ApplyVirtualBankMode();
  } else if (!wasOn && ticked) {
    presets_.ApplyVirtualBankMode();
  }
}

}  // namespace korvel
