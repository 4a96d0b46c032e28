#include "app/FileDialogs.h"

#include <commdlg.h>

#include <cstring>

#include "app/ModalLoop.h"

namespace korvel {

namespace {

// Room for many file names at once.
constexpr DWORD kChosenFilesSize = 32768;

// A common dialog owned, as every modal window, by the window the user is
// working in.
struct Dialog {
  explicit Dialog(const FileDialogLook& look, DWORD size)
      : filter(look.filterName + '\0' + look.filterPattern + '\0' + '\0'), files(size, '\0') {
    fields.lStructSize = sizeof fields;
    fields.hwndOwner = reinterpret_cast<HWND>(open.Owner());
    fields.lpstrFilter = filter.c_str();
    fields.lpstrFile = &files[0];
    fields.nMaxFile = size;
    fields.lpstrInitialDir = look.initialFolder.empty() ? nullptr : look.initialFolder.c_str();
    fields.lpstrTitle = look.title.c_str();
    fields.lpstrDefExt = look.defaultExtension.c_str();
    fields.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
  }
  ModalScope open;
  std::string filter;
  std::string files;
  OPENFILENAMEA fields{};
};

}  // namespace

std::vector<std::string> ChooseFilesToOpen(const FileDialogLook& look) {
  Dialog dialog(look, kChosenFilesSize);
  dialog.fields.Flags |= OFN_ALLOWMULTISELECT;
  if (!GetOpenFileNameA(&dialog.fields)) return {};
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
  return GetOpenFileNameA(&dialog.fields) ? dialog.files.c_str() : std::string();
}

std::string ChooseFileToSave(const FileDialogLook& look) {
  Dialog dialog(look, MAX_PATH);
  return GetSaveFileNameA(&dialog.fields) ? dialog.files.c_str() : std::string();
}

}  // namespace korvel
