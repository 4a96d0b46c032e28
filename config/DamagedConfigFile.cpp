#include "config/DamagedConfigFile.h"

#include <cstdio>
#include <vector>

#include "config/ErrorBox.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr char kCorruptedFile[] = "Corrupted configuration file.";
constexpr char kDamagedSuffix[] = ".damaged";
// A written file is 1012 bytes; anything this large is not one of Korvel's.
constexpr std::size_t kCopyLimit = 1 << 20;

DamagedCopy CopyFailed(WriteFailure* failure, const std::string& path, const char* reason) {
  if (failure != nullptr) *failure = WriteFailure{false, path, reason};
  return DamagedCopy::kFailed;
}

}  // namespace

DamagedCopy KeepDamagedCopy(const std::string& path, WriteFailure* failure) {
  const std::string copy = path + kDamagedSuffix;
  if (FileIsPresent(copy.c_str())) return DamagedCopy::kEarlierKept;
  std::FILE* file = platform::OpenFile(path.c_str(), "rb");
  if (file == nullptr) return CopyFailed(failure, path, "the file cannot be opened");
  std::vector<char> bytes;
  bool cut = false;
  const bool read = ReadWholeFile(file, bytes, kCopyLimit, &cut);
  std::fclose(file);
  if (!read) return CopyFailed(failure, path, "not enough memory to copy the file");
  if (cut) return CopyFailed(failure, path, "the file is too large to copy");
  return WriteFileReplacing(copy.c_str(), bytes.data(), bytes.size(), failure) ? DamagedCopy::kMade
                                                                              : DamagedCopy::kFailed;
}

bool ConfigFileIsDamaged(const std::string& path) {
  std::FILE* file = platform::OpenFile(path.c_str(), "rb");
  if (file == nullptr) return false;
  Configuration scratch;
  WindowEdges edges;
  const ConfigDecodeStatus status = DecodeConfigFile(file, scratch, edges);
  std::fclose(file);
  return status != ConfigDecodeStatus::Complete;
}

std::string DamagedFileMessage(const std::string& path, ConfigDecodeStatus status, DamagedCopy copy,
                               const WriteFailure& failure) {
  std::string text = std::string(kCorruptedFile) + "\n" + path;
  text += status == ConfigDecodeStatus::BadMagic ? ": unreadable, the defaults are used."
                                                 : ": damaged, the settings that could be read are used.";
  switch (copy) {
    case DamagedCopy::kMade:
      return text + " A copy is kept as " + path + kDamagedSuffix + ".";
    case DamagedCopy::kEarlierKept:
      return text + " An earlier damaged file is kept as " + path + kDamagedSuffix + "; this one is not copied.";
    case DamagedCopy::kFailed:
      break;
  }
  return text + " It could not be copied (" + failure.Line() + "), so it is left as it is and the settings are not saved.";
}

std::string FolderInTheWayMessage(const std::string& path) {
  return std::string(kCorruptedFile) + "\n" + path +
         " is a folder, not a file: the settings are read from and saved to the registry until it is moved away.";
}

}  // namespace korvel
