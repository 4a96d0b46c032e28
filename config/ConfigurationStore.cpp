#include "config/ConfigurationStore.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "config/ConfigFile.h"
#include "config/DamagedConfigFile.h"
#include "config/ErrorBox.h"
#include "config/WholeFile.h"
#include "platform/Platform.h"

namespace korvel {

namespace {

constexpr char kRegistryLost[] = "Serious error reading registry, reverting to emergency defaults.";
constexpr char kCannotWrite[] = "Could not write configuration file.";
constexpr int kForceFile = 2;

// Reads fields from the open key; a missing value leaves its field as it was.
class RegistryReader {
 public:
  explicit RegistryReader(RegistryModule& registry) : registry_(registry) {}

  template <typename Word>
  void Word32(const char* name, Word& field) {
    if (const ValueRecord* value = registry_.ReadValue(name))
      CopyWordField(field, value->data, value->size);
  }
  template <std::size_t N>
  void Text(const char* name, char (&field)[N]) {
    if (const ValueRecord* value = registry_.ReadValue(name))
      CopyTextField(field, N, value->data, value->size);
  }
  // winx and winy: -1 (or no value) leaves the window's edge alone.
  void Edge(const char* name, std::int32_t& edge) {
    std::int32_t value = -1;
    Word32(name, value);
    if (value != -1) edge = value;
  }

 private:
  RegistryModule& registry_;
};

// Writes fields to the open key: 32-bit fields as REG_DWORD, texts as REG_SZ
// of their length plus the terminator. Single results are not checked.
class RegistryWriter {
 public:
  explicit RegistryWriter(RegistryModule& registry) : registry_(registry) {}

  void Word32(const char* name, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 24)};
    registry_.WriteValue(name, platform::kRegDword, bytes);
  }
  template <std::size_t N>
  void Text(const char* name, const char (&field)[N]) {
    // A field that lost its terminator is written as the text it can hold.
    char text[N];
    std::memcpy(text, field, N);
    text[N - 1] = '\0';
    registry_.WriteValue(name, platform::kRegSz, text);
  }

 private:
  RegistryModule& registry_;
};

// `reportMissing` off: the emergency defaults are taken without their
// message, which would blame the registry for what another message named.
void ReadFromRegistry(Configuration& config, WindowEdges& edges, RegistryModule& registry,
                      MissingFlags missingFlags, bool reportMissing = true) {
  RegistryReader in(registry);
  registry.OpenProductKey(RegistryModule::kLocalMachine, false);
  in.Word32("homedrive", config.homedrive);
  in.Text("homedir", config.homedir);

  // Everything else comes from the user's key when it holds "cflags", else
  // from the machine's.
  registry.CloseKey();
  registry.OpenProductKey(RegistryModule::kCurrentUser, false);
  const ValueRecord* flags = registry.ReadValue("cflags");
  if (flags == nullptr) {
    registry.CloseKey();
    registry.OpenProductKey(RegistryModule::kLocalMachine, false);
    flags = registry.ReadValue("cflags");
    if (flags == nullptr && missingFlags == MissingFlags::EmergencyDefaults) {
      if (reportMissing) ErrorBox(kRegistryLost);
      config.cflags = kEmergencyFlags;
      registry.CloseKey();
      return;
    }
  }
  if (flags != nullptr) CopyWordField(config.cflags, flags->data, flags->size);

  in.Word32("curdev", config.curdev);
  in.Word32("korvelengine", config.korvelengine);
  in.Word32("cursheet", config.cursheet);
  in.Edge("winx", edges.left);
  in.Edge("winy", edges.top);
  in.Text("curpreset", config.curpreset);
  in.Text("lastpath", config.lastpath);
  in.Text("bankfolder", config.bankfolder);
  in.Text("lastmididev", config.lastmididev);
  registry.CloseKey();
}

void WriteToRegistry(const Configuration& config, const WindowEdges& edges,
                     RegistryModule& registry) {
  registry.OpenProductKey(RegistryModule::kCurrentUser, true);
  RegistryWriter out(registry);
  out.Word32("homedrive", static_cast<std::uint32_t>(config.homedrive));
  out.Text("homedir", config.homedir);
  out.Word32("cflags", config.cflags);
  out.Word32("curdev", static_cast<std::uint32_t>(config.curdev));
  out.Word32("korvelengine", config.korvelengine);
  out.Word32("cursheet", static_cast<std::uint32_t>(config.cursheet));
  out.Word32("winx", static_cast<std::uint32_t>(edges.left));
  out.Word32("winy", static_cast<std::uint32_t>(edges.top));
  out.Text("curpreset", config.curpreset);
  out.Text("lastpath", config.lastpath);
  out.Text("bankfolder", config.bankfolder);
  out.Text("lastmididev", config.lastmididev);
  registry.CloseKey();
}

}  // namespace

std::string ConfigFilePath() {
  char folder[128] = {};
  const unsigned length = platform::GetWindowsDirectoryA(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return std::string();
  std::string path(folder, length);
  if (path.back() != '\\') path += '\\';
  return path + kConfigFileName;
}

FileFound ReadConfiguration(Configuration& config, WindowEdges& edges, RegistryModule& registry,
                            MissingFlags missingFlags) {
  const std::string path = ConfigFilePath();
  if (!path.empty() && FolderIsPresent(path.c_str())) {
    ErrorBox(FolderInTheWayMessage(path).c_str());
    ReadFromRegistry(config, edges, registry, missingFlags, false);
    return FileFound::kDamaged;
  }
  bool leftover = false;
  std::FILE* file = path.empty() ? nullptr : OpenStoredFile(path.c_str(), &leftover);
  if (file == nullptr) {
    ReadFromRegistry(config, edges, registry, missingFlags);
    return FileFound::kMissing;
  }
  Configuration read = config;
  WindowEdges readEdges = edges;
  const ConfigDecodeStatus status = DecodeConfigFile(file, read, readEdges);
  std::fclose(file);
  // A leftover ".new" that does not read whole is a first write cut off:
  // what held the settings before it still does.
  if (leftover && status != ConfigDecodeStatus::Complete) {
    ReadFromRegistry(config, edges, registry, missingFlags);
    return FileFound::kMissing;
  }
  config = read;
  edges = readEdges;
  if (status == ConfigDecodeStatus::Complete) return FileFound::kWhole;
  WriteFailure failure;
  const DamagedCopy copy = KeepDamagedCopy(path, &failure);
  ErrorBox(DamagedFileMessage(path, status, copy, failure).c_str());
  return FileFound::kDamaged;
}

void WriteConfiguration(const Configuration& config, const WindowEdges& edges,
                        RegistryModule& registry, int mode) {
  const std::string path = ConfigFilePath();
  const bool fileMode = !path.empty() && (mode == kForceFile || StoredFileIsPresent(path.c_str()));
  if (!fileMode) {
    if (mode == kForceFile) {
      ErrorBox(kCannotWrite);  // no Windows directory to put the file in
      return;
    }
    WriteToRegistry(config, edges, registry);
    return;
  }
  // A damaged file is written over only once its bytes are kept beside it.
  WriteFailure failure;
  if (ConfigFileIsDamaged(path) && KeepDamagedCopy(path, &failure) == DamagedCopy::kFailed) {
    const std::string text = std::string(kCannotWrite) + "\n" + path +
                             ": the file is damaged and could not be copied (" + failure.Line() + ")";
    ErrorBox(text.c_str());
    return;
  }
  const ConfigFileBytes bytes = EncodeConfigFile(config, edges);
  if (!WriteFileReplacing(path.c_str(), bytes.data(), bytes.size())) ErrorBox(kCannotWrite);
}

}  // namespace korvel
