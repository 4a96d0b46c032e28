// Cost of refreshing every slot when none of the loaded banks has a known
// file: 128 loaded slots (8 on an EWS64 card, 120 on a SoundFont device of
// the AWE manager) looked up among 2000 bank files in four bank folders, with
// each bank's file near the end of the last folder.
//
// BM_RefreshAllSlots is the refresh as the program runs it: one folder search
// shared by all slots. BM_RefreshAllSlotsPathsKnown is its floor, with no
// search at all. BM_RefreshEachSlotWithItsOwnSearch gives every slot a search
// of its own, which is what a search per slot costs: every slot lists the
// folders before its match again.
#include <benchmark/benchmark.h>

#include "tests/bench/BenchShell.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "banks/BankLoading.h"
#include "banks/DeviceTable.h"
#include "banks/ErrorReport.h"
#include "banks/ShellPort.h"
#include "banks/ews64/Ews64Backend.h"
#include "banks/soundfont/SoundFontBackend.h"
#include "config/Configuration.h"
#include "config/ScratchRing.h"
#include "emulators/bankgen/BankWriter.h"
#include "platform/sim/Sim.h"

namespace {

using namespace korvel;

constexpr int kFolders = 4;
constexpr int kFilesPerFolder = 500;  // 2000 in all
constexpr int kSetsPerFolder = 60;    // of them EWS64 sound sets, the rest SoundFonts
constexpr int kCardSlots = 8;
constexpr int kFontSlots = 120;


void Write(const std::string& windowsPath, const std::string& bytes) {
  if (!bench::WriteSandboxFile(windowsPath, bytes)) std::fprintf(stderr, "cannot write %s\n", windowsPath.c_str());
}

char Digit(int i) { return static_cast<char>('0' + i); }

// The sandbox, the emulated devices and the loaded banks, made once.
struct World {
  World() {
    const std::string emulatorConfig = "ews64.cards=1\nsoundfont.devices=1\n";
    Write("C:\\EMU\\korvelemu.ini", emulatorConfig);
    platform::sim::InstallEmulators("C:\\EMU\\korvelemu.ini", "C:\\EMU\\korvelemu.state");

    std::string list;
    for (int f = 0; f < kFolders; ++f) {
      const std::string folder = std::string(1, "CDCD"[f]) + ":\\Banks" + Digit(f);
      list += (f == 0 ? "" : ";") + folder;
      for (int i = 0; i < kFilesPerFolder; ++i) {
        char file[32];
        std::snprintf(file, sizeof file, "\\f%04d", i);
        const std::string name = "Filler" + std::to_string(f * kFilesPerFolder + i);
        if (i < kSetsPerFolder) Write(folder + file + ".tts", bankgen::SoundSetBytes(bankgen::SoundSetKind::Tts, name, 2048, 0));
        else Write(folder + file + ".sf2", bankgen::SoundFontBytes(name, 256));
      }
    }
    // The banks' files: the last ones of the last folder ("z..." sorts last),
    // replacing fillers so the total stays at 2000.
    const std::string last = "D:\\Banks3";
    for (int i = 0; i < kCardSlots; ++i) {
      char file[32];
      std::snprintf(file, sizeof file, "\\f%04d.tts", kSetsPerFolder - kCardSlots + i);
      std::filesystem::remove(platform::sim::HostPath((last + file).c_str()));
      Write(last + "\\zset" + Digit(i) + ".tts",
            bankgen::SoundSetBytes(bankgen::SoundSetKind::Tts, "Set" + std::to_string(i), 2048, 0));
    }
    for (int i = 0; i < kFontSlots; ++i) {
      char file[32];
      std::snprintf(file, sizeof file, "\\f%04d.sf2", kFilesPerFolder - kFontSlots + i);
      std::filesystem::remove(platform::sim::HostPath((last + file).c_str()));
      std::snprintf(file, sizeof file, "\\zfont%03d.sf2", i);
      Write(last + file, bankgen::SoundFontBytes("Font" + std::to_string(i), 256));
    }

    config.cflags = UseEWS64 | UseAWE32;
    layer.InitBankLayer();
    layer.Ews64().OpenEws64Driver();
    layer.SoundFont().OpenSoundFontBackend();
    layer.RefreshDevices();
    layer.OpenAllSoundFontDevices();
    std::snprintf(config.bankfolder, sizeof config.bankfolder, "%s", list.c_str());
    for (int i = 0; i < kCardSlots; ++i) {
      const std::string path = last + "\\zset" + Digit(i) + ".tts";
      if (LoadBank(layer, 0, i, path.c_str()) != kErrOk) std::fprintf(stderr, "load %s failed\n", path.c_str());
    }
    for (int i = 0; i < kFontSlots; ++i) {
      char path[64];
      std::snprintf(path, sizeof path, "%s\\zfont%03d.sf2", last.c_str(), i);
      if (LoadBank(layer, 1, i + 1, path) != kErrOk) std::fprintf(stderr, "load %s failed\n", path);
    }
  }

  // As if another program had loaded the banks: no slot knows its file.
  void ForgetPaths() {
    for (int dev = 0; dev < layer.Count(); ++dev) {
      for (PathEntry& path : layer.Device(dev).paths) path[0] = '\0';
    }
  }
  int SlotsFound() {
    int found = 0;
    for (int dev = 0; dev < layer.Count(); ++dev) {
      for (const PathEntry& path : layer.Device(dev).paths) found += path[0] != '\0' ? 1 : 0;
    }
    return found;
  }

  platform::sim::Sandbox sandbox;
  Configuration config;
  ErrorState errors;
  bench::QuietShell shell{true};
  ScratchRing scratch;
  DeviceTable layer{config, errors, shell, scratch};
};

World& TheWorld() {
  static World* world = new World();  // kept to the end of the run
  return *world;
}

void BM_RefreshAllSlots(benchmark::State& state) {
  World& world = TheWorld();
  for (auto _ : state) {
    state.PauseTiming();
    world.ForgetPaths();
    state.ResumeTiming();
    RefreshAllSlots(world.layer, true);
  }
  state.counters["slots_found"] = world.SlotsFound();
}
BENCHMARK(BM_RefreshAllSlots)->Unit(benchmark::kMillisecond);

// The same refresh when every slot knows its file: what reading the slots
// from the devices costs without any search.
void BM_RefreshAllSlotsPathsKnown(benchmark::State& state) {
  World& world = TheWorld();
  world.ForgetPaths();
  RefreshAllSlots(world.layer, true);
  for (auto _ : state) RefreshAllSlots(world.layer, true);
  state.counters["slots_found"] = world.SlotsFound();
}
BENCHMARK(BM_RefreshAllSlotsPathsKnown)->Unit(benchmark::kMillisecond);

void BM_RefreshEachSlotWithItsOwnSearch(benchmark::State& state) {
  World& world = TheWorld();
  for (auto _ : state) {
    state.PauseTiming();
    world.ForgetPaths();
    state.ResumeTiming();
    for (int dev = 0; dev < world.layer.Count(); ++dev) {
      SoundDevice& device = world.layer.Device(dev);
      for (int slot = 0; slot < kSlotsPerDevice; ++slot)
        RefreshSlot(world.layer, dev, slot, device.slots[slot], 0);
    }
  }
  state.counters["slots_found"] = world.SlotsFound();
}
BENCHMARK(BM_RefreshEachSlotWithItsOwnSearch)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
