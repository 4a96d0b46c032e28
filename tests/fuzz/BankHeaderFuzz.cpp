// Feeds arbitrary bytes to the readers of bank paths and bank file headers:
// the tag search over a bank file's first 512 bytes (checked against a plain
// search), and the bank folder list as Korvel.cfg may hold it (walk, resolve,
// shorten, add), with every result checked against its buffer.
//
// Input: byte 0 = width (mod 6, so 5 is an invalid width), byte 1 = signed
// offset, byte 2 = tag length (1 to 4), then the tag, then the file's bytes.
// The same bytes after the tag also serve as the folder list and the path.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "banks/BankFiles.h"
#include "banks/BankFolders.h"
#include "banks/DeviceTable.h"
#include "banks/ShellPort.h"
#include "platform/sim/Sim.h"

namespace {

using namespace korvel;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

class NoShell : public ShellPort {
 public:
  void FillDeviceSelector() override {}
  void RebuildBankList() override {}
  void BuildTrayMenu() override {}
  void ProgressStep() override {}
  void ProgressReset() override {}
  bool IsMainWindowMinimized() override { return true; }
  void RepaintMainWindow() override {}
  void DrawMemoryGraph() override {}
  void ShowVirtualBankMode(bool) override {}
};

struct Parts {
  Parts() { layer.InitBankLayer(); }
  platform::sim::Sandbox sandbox;
  Configuration config;
  ErrorState errors;
  NoShell shell;
  ScratchRing scratch;
  DeviceTable layer{config, errors, shell, scratch};
};

Parts& TheParts() {
  static Parts* parts = new Parts();
  return *parts;
}

std::size_t Length(const char* text, std::size_t size) {
  std::size_t n = 0;
  while (n < size && text[n] != '\0') ++n;
  return n;
}

void Header(Parts& parts, int width, int offset, const std::string& tag, const std::string& file) {
  const char* path = "C:\\Banks\\fuzz.sf2";
  const std::string host = platform::sim::HostPath(path);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::ofstream(host, std::ios::binary | std::ios::trunc).write(file.data(), static_cast<std::streamsize>(file.size()));

  char text[40];
  std::memset(text, '#', sizeof text);
  parts.errors.ErrorCode = kErrOk;
  const std::uint32_t value = FindTagInHeader(parts.layer, path, tag.c_str(), offset, text, 32, width);
  Check(parts.errors.ErrorCode == kErrOk);
  Check(Length(text, 32) < 32);
  Check(std::memcmp(text + 32, "########", 8) == 0);

  // The same search, written plainly.
  const std::string head = file.substr(0, 512);
  const std::size_t p = head.find(tag);
  std::uint32_t expected = 0;
  std::string expectedText;
  if (p != std::string::npos) {
    const long long at = static_cast<long long>(p) + offset;
    if (width >= 1 && width <= 4 && at >= 0 && at + width <= static_cast<long long>(head.size()))
      for (int i = width - 1; i >= 0; --i) expected = (expected << 8) | static_cast<std::uint8_t>(head[at + i]);
    if (width == 0 && at >= 0 && at < static_cast<long long>(head.size()))
      expectedText = std::string(head.substr(at).c_str()).substr(0, 31);
  }
  Check(value == expected);
  Check(std::string(text) == expectedText);
  Check(BankFileSize(path) == static_cast<std::int32_t>(file.size()));
}

void Folders(Parts& parts, const std::string& bytes) {
  Configuration& config = parts.config;
  const std::string list = std::string(bytes.c_str()).substr(0, sizeof config.bankfolder - 1);
  std::memcpy(config.bankfolder, list.c_str(), list.size() + 1);

  BankFolderWalk walk(config.bankfolder);
  char folder[kFolderSize + 8];
  std::memset(folder, '#', sizeof folder);
  for (int count = 0; walk.Next(folder); ++count) {
    Check(folder[0] != '\0' && std::strlen(folder) < kFolderSize);
    Check(count < 512);
  }
  Check(std::memcmp(folder + kFolderSize, "########", 8) == 0);

  char path[kResolvedPathSize + 8];
  std::memset(path, '#', sizeof path);
  const std::string name = list.substr(0, kResolvedPathSize - 1);
  std::memcpy(path, name.c_str(), name.size() + 1);
  ResolveBankPath(config, path);
  Check(Length(path, kResolvedPathSize) < kResolvedPathSize);
  Check(std::memcmp(path + kResolvedPathSize, "########", 8) == 0);

  const std::size_t before = std::strlen(path);
  ShortenBankPath(config, path);
  Check(std::strlen(path) <= before);

  char name32[32 + 8];
  std::memset(name32, '#', sizeof name32);
  name32[0] = '\0';
  BankDisplayName(path, name32, 32);
  Check(Length(name32, 32) < 32 && std::memcmp(name32 + 32, "########", 8) == 0);

  AddBankFolder(config, path);
  Check(Length(config.bankfolder, sizeof config.bankfolder) < sizeof config.bankfolder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int width = data[0] % 6;
  const int offset = static_cast<std::int8_t>(data[1]);
  const std::size_t tagLength = 1 + data[2] % 4;
  if (size < 3 + tagLength) return 0;
  std::string tag(reinterpret_cast<const char*>(data + 3), tagLength);
  tag = tag.c_str();  // a tag is a text: it ends at its first NUL
  if (tag.empty()) return 0;
  const std::string rest(reinterpret_cast<const char*>(data + 3 + tagLength), size - 3 - tagLength);

  Parts& parts = TheParts();
  Header(parts, width, offset, tag, rest);
  Folders(parts, rest);
  return 0;
}
