#include "app/FileDialogs.h"

#include <commdlg.h>

#include <cstring>

#include "config/ModalService.h"

namespace korvel {

namespace {

// Room for many file names at once.
constexpr DWORD kChosenFilesSize = 32768;

// The fields of a common dialog; its owner is set when it opens.
struct Dialog {
  explicit Dialog(const FileDialogLook& look, DWORD size)
      : filter(look.filterName + '\0' + look.filterPattern + '\0' + '\0'), files(size, '\0') {
    fields.lStructSize = sizeof fields;
    fields.lpstrFilter = filter.c_str();
    fields.lpstrFile = &files[0];
    fields.nMaxFile = size;
    fields.lpstrInitialDir = look.initialFolder.empty() ? nullptr : look.initialFolder.c_str();
    fields.lpstrTitle = look.title.c_str();
    fields.lpstrDefExt = look.defaultExtension.c_str();
    fields.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
  }
  std::string filter;
  std::string files;
  OPENFILENAMEA fields{};
};

// Owned, as every modal window, by the window the user is working in.
bool Run(Dialog& dialog, BOOL(WINAPI* show)(OPENFILENAMEA*)) {
  return Modality().RunCommonDialog([&](platform::Window owner) {
    dialog.fields.hwndOwner = reinterpret_cast<HWND>(owner);
    return show(&dialog.fields) != FALSE;
  });
}

}  // namespace

std::vector<std::string> ChooseFilesToOpen(const FileDialogLook& look) {
  Dialog dialog(look, kChosenFilesSize);
  dialog.fields.Flags |= OFN_ALLOWMULTISELECT;
  if (!Run(dialog, GetOpenFileNameA)) return {};
  // One file: its full path. Several: the folder, then each name, each
  // ending in a NUL, the list in another.
  const char* at = dialog.files.c_str();
  const std::string first = at;
  at += first.size() + 1;
  if (*at == '\0') return {first};
  std::vector<std::string> chosen;
  const std::string folder = first.back() == '\\' ? first : first + '\\';
  for (; *at != '\0'; at += std::strlen(at) + 1) chosen.push_back(folder + at);
  return chosen;
}

std::string ChooseFileToOpen(const FileDialogLook& look) {
  Dialog dialog(look, MAX_PATH);
  return Run(dialog, GetOpenFileNameA) ? dialog.files.c_str() : std::string();
}

std::string ChooseFileToSave(const FileDialogLook& look) {
  Dialog dialog(look, MAX_PATH);
  return Run(dialog, GetSaveFileNameA) ? dialog.files.c_str() : std::string();
}

}  // namespace korvel
