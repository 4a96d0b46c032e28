// The configuration record Korvel carries from one run to the next.
#pragma once

#include <cstdint>

namespace korvel {

// Option bits of `cflags`. Bits without a name are carried through unchanged.
enum ConfigFlag : std::uint32_t {
  UseEWS64 = 0x1,
  UseAWE32 = 0x2,
  UseSFD = 0x4,
  AutoSave = 0x8,
  LoadRecent = 0x10,
  BankSwitchInput = 0x20,
  ClearOnLoad = 0x40,
  StartMin = 0x200,
  MoreInfo = 0x400,
  SmartLoad = 0x800,
  VBMode = 0x1000,
  SaveCons = 0x2000,
  SaveMinfo = 0x4000,
  UseCons = 0x8000,
  ClearCons = 0x10000,
};

// AutoSave, LoadRecent, ClearOnLoad, SaveCons, SaveMinfo, UseCons.
constexpr std::uint32_t kDefaultFlags = 0xE058;
// UseEWS64, UseSFD, AutoSave, ClearOnLoad: used when no configuration exists at all.
constexpr std::uint32_t kEmergencyFlags = 0x4D;

struct Configuration {
  std::int32_t homedrive = 0;  // 0 = A:, 2 = C:
  char homedir[128] = {};
  std::uint32_t cflags = kDefaultFlags;
  std::int32_t curdev = 0;
  std::uint32_t korvelengine = 0;  // never interpreted, written back as read
  std::int32_t cursheet = 0;
  char curpreset[128] = {};
  char lastpath[128] = {};
  char bankfolder[512] = {};  // folders separated by ";"
  char lastmididev[32] = {};

  bool Has(std::uint32_t flag) const { return (cflags & flag) != 0; }
  void Set(std::uint32_t flag, bool on) { cflags = on ? (cflags | flag) : (cflags & ~flag); }
};

// The main window's left and top edges as the configuration carries them
// (keys `winx` and `winy`); -1 means "where the window's own layout puts it".
struct WindowEdges {
  std::int32_t left = -1;
  std::int32_t top = -1;
};

}  // namespace korvel
