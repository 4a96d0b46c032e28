// Feeds arbitrary bytes to the Korvel.cfg decoder, from memory and through a
// FILE, and checks what every reader of the record relies on.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "config/ConfigFile.h"

namespace {

using korvel::ConfigDecodeStatus;
using korvel::Configuration;
using korvel::WindowEdges;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Texts with stale bytes after their terminators, as a running program has them.
Configuration Starting() {
  Configuration config;
  std::memset(config.homedir, 'h', sizeof config.homedir);
  std::strcpy(config.homedir, "c:\\korvel");
  std::memset(config.bankfolder, 'b', sizeof config.bankfolder);
  config.bankfolder[sizeof config.bankfolder - 1] = '\0';
  std::strcpy(config.lastmididev, "port");
  config.korvelengine = 0x5A5A5A5A;
  return config;
}

bool Same(const Configuration& a, const Configuration& b) {
  return a.homedrive == b.homedrive && a.cflags == b.cflags && a.curdev == b.curdev &&
         a.korvelengine == b.korvelengine && a.cursheet == b.cursheet &&
         std::memcmp(a.homedir, b.homedir, sizeof a.homedir) == 0 &&
         std::memcmp(a.curpreset, b.curpreset, sizeof a.curpreset) == 0 &&
         std::memcmp(a.lastpath, b.lastpath, sizeof a.lastpath) == 0 &&
         std::memcmp(a.bankfolder, b.bankfolder, sizeof a.bankfolder) == 0 &&
         std::memcmp(a.lastmididev, b.lastmididev, sizeof a.lastmididev) == 0;
}

bool Terminated(const char* text, std::size_t size) { return std::memchr(text, 0, size) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Configuration before = Starting();
  Configuration config = before;
  WindowEdges edges{11, 22};
  const ConfigDecodeStatus status = korvel::DecodeConfigFile(data, size, config, edges);

  // A file that fails the magic check changes nothing.
  if (status == ConfigDecodeStatus::BadMagic) Check(Same(config, before) && edges.left == 11 && edges.top == 22);
  // A file read whole had no byte that its fields could not take, so the
  // writer's file, every record at its field's length, is never shorter.
  if (status == ConfigDecodeStatus::Complete) Check(size <= korvel::kConfigFileSize);

  // Whatever came in, every text still ends inside its buffer.
  Check(Terminated(config.homedir, sizeof config.homedir));
  Check(Terminated(config.curpreset, sizeof config.curpreset));
  Check(Terminated(config.lastpath, sizeof config.lastpath));
  Check(Terminated(config.bankfolder, sizeof config.bankfolder));
  Check(Terminated(config.lastmididev, sizeof config.lastmididev));

  // What was read is written back and read again unchanged.
  const korvel::ConfigFileBytes written = korvel::EncodeConfigFile(config, edges);
  Configuration again;
  WindowEdges againEdges{edges.left == -1 ? -1 : 0, edges.top == -1 ? -1 : 0};
  Check(korvel::DecodeConfigFile(written.data(), written.size(), again, againEdges) ==
        ConfigDecodeStatus::Complete);
  Check(Same(again, config) && againEdges.left == edges.left && againEdges.top == edges.top);

  // Reading the same bytes from a file gives the same result.
  if (size > 0) {
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (file != nullptr) {
      Configuration fromFile = before;
      WindowEdges fileEdges{11, 22};
      Check(korvel::DecodeConfigFile(file, fromFile, fileEdges) == status);
      Check(Same(fromFile, config) && fileEdges.left == edges.left && fileEdges.top == edges.top);
      std::fclose(file);
    }
  }
  return 0;
}
