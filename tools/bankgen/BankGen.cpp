// korvel_bankgen: writes sample bank files.
//
//   korvel_bankgen sf2 OUT.sf2 NAME SAMPLE_BYTES
//   korvel_bankgen tts OUT.tts NAME FILE_BYTES [--slot N]
//   korvel_bankgen 94b OUT.94b NAME FILE_BYTES [--slot N]
//
// A SoundFont takes SAMPLE_BYTES of sound memory (its smpl chunk); a sound set
// takes its whole file, FILE_BYTES long.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "emulators/bankgen/BankWriter.h"

namespace {

constexpr unsigned long kMaxBytes = 512ul * 1024 * 1024;

int Usage() {
  std::fprintf(stderr,
               "usage: korvel_bankgen sf2 OUT.sf2 NAME SAMPLE_BYTES\n"
               "       korvel_bankgen tts|94b OUT NAME FILE_BYTES [--slot N]\n");
  return 2;
}

bool Number(const char* text, unsigned long limit, unsigned long* out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (*end != '\0' || text[0] == '-' || value > limit) return false;
  *out = value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 7) return Usage();
  const std::string kind = argv[1];
  unsigned long size = 0, slot = 0;
  if (!Number(argv[4], kMaxBytes, &size)) return Usage();
  if (argc == 7 && (kind == "sf2" || std::strcmp(argv[5], "--slot") != 0 ||
                    !Number(argv[6], 0xFFFF, &slot))) {
    return Usage();
  }
  std::string bytes;
  if (kind == "sf2") {
    bytes = korvel::bankgen::SoundFontBytes(argv[3], static_cast<std::uint32_t>(size));
  } else if (kind == "tts" || kind == "94b") {
    bytes = korvel::bankgen::SoundSetBytes(
        kind == "tts" ? korvel::bankgen::SoundSetKind::Tts : korvel::bankgen::SoundSetKind::Ews94,
        argv[3], static_cast<std::uint32_t>(size), static_cast<std::uint16_t>(slot));
  } else {
    return Usage();
  }
  if (!korvel::bankgen::WriteBankFile(argv[2], bytes)) {
    std::fprintf(stderr, "korvel_bankgen: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
