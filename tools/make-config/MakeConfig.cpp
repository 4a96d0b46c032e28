// Writes a "Korvel.cfg" for demos and manual tests, as Setup would:
//
//   korvel_make_config OUT.cfg [key=value ...]
//
// Keys: homedrive, homedir, cflags, curdev, korvelengine, cursheet, winx,
// winy, curpreset, lastpath, bankfolder, lastmididev. Numbers may be decimal
// or 0x-hexadecimal. Fields not given keep the program's defaults; winx and
// winy default to -1 (the window's own position).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/ConfigFile.h"

namespace {

bool SetText(char* field, std::size_t size, const std::string& value) {
  if (value.size() >= size) return false;
  std::memset(field, 0, size);
  std::memcpy(field, value.data(), value.size());
  return true;
}

bool SetField(korvel::Configuration& c, korvel::WindowEdges& e, const std::string& key,
              const std::string& value) {
  const long long number = std::strtoll(value.c_str(), nullptr, 0);
  if (key == "homedrive") c.homedrive = std::int32_t(number);
  else if (key == "cflags") c.cflags = std::uint32_t(number);
  else if (key == "curdev") c.curdev = std::int32_t(number);
  else if (key == "korvelengine") c.korvelengine = std::uint32_t(number);
  else if (key == "cursheet") c.cursheet = std::int32_t(number);
  else if (key == "winx") e.left = std::int32_t(number);
  else if (key == "winy") e.top = std::int32_t(number);
  else if (key == "homedir") return SetText(c.homedir, sizeof c.homedir, value);
  else if (key == "curpreset") return SetText(c.curpreset, sizeof c.curpreset, value);
  else if (key == "lastpath") return SetText(c.lastpath, sizeof c.lastpath, value);
  else if (key == "bankfolder") return SetText(c.bankfolder, sizeof c.bankfolder, value);
  else if (key == "lastmididev") return SetText(c.lastmididev, sizeof c.lastmididev, value);
  else return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.cfg [key=value ...]\n", argv[0]);
    return 2;
  }
  korvel::Configuration config;
  korvel::WindowEdges edges;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos || !SetField(config, edges, arg.substr(0, eq), arg.substr(eq + 1))) {
      std::fprintf(stderr, "bad setting (unknown key or text too long): %s\n", argv[i]);
      return 2;
    }
  }
  const korvel::ConfigFileBytes bytes = korvel::EncodeConfigFile(config, edges);
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() ||
      std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
