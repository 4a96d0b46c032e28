// Cost of saving and loading a full preset: four devices (two EWS64 cards and
// two SoundFont devices) with every slot assigned a bank file, and 32
// connections among 16 MIDI ports with 8 modifications each.
//
// Virtual bank mode: a load assigns the files to the slots without loading
// them, asks each device whether it holds the bank already, and refreshes
// the slots the file leaves out (the cards' eight physical-bank slots), whose
// banks are looked up in the bank folder. The cards hold eight banks each,
// as if MIDI had loaded the first eight slots.
//
// BM_SavePreset writes the preset file; BM_LoadPreset loads it into a
// cleared preset, which also removes the connections that the load makes
// again (the clear is not timed). BM_LoadPresetByMidi starts where a
// Control Change 15 with the preset's number reaches the bank-switching
// callback's hook and ends when the user-interface thread's turn has loaded
// the preset: the whole switch between songs, in a Presets folder of 99
// songs. "emulator_ms" is the part of the time per iteration spent inside
// the emulated hardware, "midi_waits_ms" the simulated MIDI ports' waits for
// their own thread, "korvel_ms" the rest, Korvel's own.
#include <benchmark/benchmark.h>

#include "tests/bench/BenchShell.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "banks/BankLoading.h"
#include "banks/DeviceTable.h"
#include "banks/ErrorReport.h"
#include "banks/ShellPort.h"
#include "banks/ews64/Ews64Backend.h"
#include "banks/presets/PresetManager.h"
#include "banks/soundfont/SoundFontBackend.h"
#include "banks/switching/BankSwitching.h"
#include "banks/switching/BankSwitchingRequests.h"
#include "config/ModalService.h"
#include "config/Configuration.h"
#include "config/ScratchRing.h"
#include "emulators/bankgen/BankWriter.h"
#include "midi/ConnectionList.h"
#include "midi/MidiPortTable.h"
#include "platform/sim/Sim.h"
#include "tests/bench/BenchMessages.h"
#include "tests/unit/PresetTestSupport.h"

namespace {

using namespace korvel;

constexpr int kCards = 2;
constexpr int kSidePorts = 8;            // inputs, and as many outputs
constexpr int kConnectionsPerInput = 4;  // 32 in all
constexpr int kModifications = 8;
constexpr const char* kPreset = "C:\\KORVEL\\Presets\\1 Full.pre";
constexpr int kLastSong = 99;  // the Presets folder holds the songs 1 to 99

bool IsCard(int dev) { return dev < kCards; }

// Bank names stay within the eight characters a card keeps.
std::string BankName(int dev, int slot) {
  char name[32];  // room for any int the format may get
  std::snprintf(name, sizeof name, "%c%dS%03d", IsCard(dev) ? 'C' : 'F', dev, slot);
  return name;
}
std::string BankPath(int dev, int slot) {
  return "C:\\Banks\\" + BankName(dev, slot) + (IsCard(dev) ? ".tts" : ".sf2");
}

// The sandbox, the devices, the ports and the saved preset, made once.
struct World {
  World() {
    bench::WriteSandboxFile("C:\\EMU\\korvelemu.ini", "ews64.cards=2\nsoundfont.devices=2\news64.memory_kb=4096\n");
    platform::sim::InstallEmulators("C:\\EMU\\korvelemu.ini", "C:\\EMU\\korvelemu.state");
    std::filesystem::create_directories(platform::sim::HostPath("C:\\KORVEL\\Presets"));
    for (int dev = 0; dev < 4; ++dev) {
      for (int slot = 0; slot < kSlotsPerDevice; ++slot) {
        const std::string bytes =
            IsCard(dev) ? bankgen::SoundSetBytes(bankgen::SoundSetKind::Tts, BankName(dev, slot), 2048, 0)
                        : bankgen::SoundFontBytes(BankName(dev, slot), 1024);
        if (!bench::WriteSandboxFile(BankPath(dev, slot), bytes)) problem = "cannot write " + BankPath(dev, slot);
      }
    }

    config.homedrive = 2;
    std::strcpy(config.homedir, "C:\\KORVEL");
    std::strcpy(config.bankfolder, "C:\\Banks");
    config.cflags = UseEWS64 | UseSFD | SaveCons | UseCons | ClearCons;
    layer.InitBankLayer();
    layer.Ews64().OpenEws64Driver();
    layer.SoundFont().OpenSoundFontBackend();
    layer.RefreshDevices();
    layer.OpenAllSoundFontDevices();
    if (layer.Count() != 4) problem = "expected four devices";
    for (int card = 0; card < kCards; ++card) {
      for (int bank = 0; bank < 8; ++bank) {
        if (LoadBank(layer, card, bank, BankPath(card, bank).c_str()) != kErrOk) {
          problem = "cannot load " + BankPath(card, bank);
        }
      }
    }
    config.cflags |= VBMode;
    layer.ApplyVirtualBankMode(false, false);
    AssignEverySlot();

    std::vector<platform::sim::MidiDevice> inputs, outputs;
    for (int i = 0; i < kSidePorts; ++i) {
      inputs.push_back({"Keyboard " + std::to_string(i + 1)});
      outputs.push_back({"Synth " + std::to_string(i + 1)});
    }
    platform::sim::SetMidiDevices(inputs, outputs);
    ports = BuildPortTable();
    for (int input = 0; input < kSidePorts; ++input) {
      for (int k = 0; k < kConnectionsPerInput; ++k) {
        const int output = kSidePorts + (input + k) % kSidePorts;
        if (Connect(*ports, input, output) != 0) problem = "cannot connect";
      }
    }
    for (int i = 0; i < ports->connectionCount; ++i) {
      bench::AddModifications(ports->connections[i]->modifications, kModifications);
    }

    presets.SetPresetName(kPreset);
    presets.SavePreset();
    if (errors.ErrorCode != kErrOk) problem = "the preset could not be saved";
    WriteOtherSongs();
  }

  // A musician's folder: the songs 2 to 99 beside preset 1, ten of them
  // ("10 Song.pre" to "19 Song.pre") starting with its digit. Only preset 1
  // is loaded, so their contents do not matter.
  void WriteOtherSongs() {
    for (int song = 2; song <= kLastSong; ++song) {
      const std::string path = "C:\\KORVEL\\Presets\\" + std::to_string(song) + " Song.pre";
      if (!bench::WriteSandboxFile(path, "STPF")) problem = "cannot write " + path;
    }
  }

  // As a preset in virtual bank mode leaves them: every slot assigned, each
  // with its file except the slots the devices fill themselves (the cards'
  // physical-bank slots, found in the bank folder, and a SoundFont device's
  // slot 0).
  void AssignEverySlot() {
    for (int dev = 0; dev < layer.Count(); ++dev) {
      SoundDevice& device = layer.Device(dev);
      for (int slot = 0; slot < kSlotsPerDevice; ++slot) {
        BankSlot& rec = device.slots[slot];
        rec.flags |= Assigned;
        const bool ownSlot = IsCard(dev) ? slot >= 120 : slot == 0;
        if (ownSlot) continue;
        std::snprintf(device.paths[slot], kPathEntrySize, "%s", BankPath(dev, slot).c_str());
        std::snprintf(rec.name, sizeof rec.name, "%s", BankName(dev, slot).c_str());
        rec.sizeKB = IsCard(dev) ? 2 : 1;
      }
    }
  }

  int SlotsWithPaths() {
    int found = 0;
    for (int dev = 0; dev < layer.Count(); ++dev) {
      for (const PathEntry& path : layer.Device(dev).paths) found += path[0] != '\0' ? 1 : 0;
    }
    return found;
  }
  int Modifications() {
    int count = 0;
    for (int i = 0; i < ports->connectionCount; ++i) count += ports->connections[i]->modifications.count.load();
    return count;
  }

  platform::sim::Sandbox sandbox;
  Configuration config;
  ErrorState errors;
  bench::QuietShell shell{false};
  ScratchRing scratch;
  DeviceTable layer{config, errors, shell, scratch};
  std::unique_ptr<MidiPortTable> ports;
  testsupport::RecordingPresetView view;
  int updatingControls = 0;
  PresetManager presets{layer, ports, view, updatingControls};
  BankSwitching switching{layer, [this](int number) { presets.LoadPresetByNumber(number); }};
  ModalService turn;
  BankSwitchingRequests requests{switching, turn};
  std::string problem;
};

World& TheWorld() {
  static World* world = new World();  // kept to the end of the run
  return *world;
}

// The world, unless it could not be made.
World* Ready(benchmark::State& state) {
  World& world = TheWorld();
  if (world.problem.empty()) return &world;
  state.SkipWithError(world.problem.c_str());
  return nullptr;
}

// What the last iteration left: the file and the state it was loaded into;
// and the time the timed part spent in the emulator, per iteration.
void Report(benchmark::State& state, World& world, std::chrono::nanoseconds emulator) {
  const double emulatorMs = std::chrono::duration<double, std::milli>(emulator).count();
  state.counters["emulator_ms"] =
      benchmark::Counter(emulatorMs, benchmark::Counter::kAvgIterations);
  if (world.errors.ErrorCode != kErrOk) state.SkipWithError("the preset code reported an error");
  state.counters["file_bytes"] =
      static_cast<double>(std::filesystem::file_size(platform::sim::HostPath(kPreset)));
  state.counters["slots_with_paths"] = world.SlotsWithPaths();
  state.counters["connections"] = world.ports->connectionCount;
  state.counters["modifications"] = world.Modifications();
}

void BM_SavePreset(benchmark::State& state) {
  World* world = Ready(state);
  if (world == nullptr) return;
  const std::chrono::nanoseconds before = platform::sim::EmulatorCallTime();
  for (auto _ : state) world->presets.SavePreset();
  Report(state, *world, platform::sim::EmulatorCallTime() - before);
}
BENCHMARK(BM_SavePreset)->Unit(benchmark::kMillisecond);

void BM_LoadPreset(benchmark::State& state) {
  World* world = Ready(state);
  if (world == nullptr) return;
  std::chrono::nanoseconds emulator{0};
  for (auto _ : state) {
    state.PauseTiming();
    world->presets.ClearPreset(false);
    state.ResumeTiming();
    const std::chrono::nanoseconds before = platform::sim::EmulatorCallTime();
    world->presets.LoadPreset(kPreset);
    emulator += platform::sim::EmulatorCallTime() - before;
  }
  Report(state, *world, emulator);
}
BENCHMARK(BM_LoadPreset)->Unit(benchmark::kMillisecond);

void BM_LoadPresetByMidi(benchmark::State& state) {
  World* world = Ready(state);
  if (world == nullptr) return;
  constexpr std::uint32_t kPresetOne = 0xB0 | 15u << 8 | 1u << 16;  // "1 Full.pre"
  std::chrono::nanoseconds emulator{0};
  std::chrono::nanoseconds midiWaits{0};
  std::chrono::nanoseconds total{0};
  for (auto _ : state) {
    state.PauseTiming();
    world->presets.ClearPreset(false);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const std::chrono::nanoseconds before = platform::sim::EmulatorCallTime();
    const std::chrono::nanoseconds waitsBefore = platform::sim::MidiDeliveryWaitTime();
    world->requests.DispatchShortMessage(kPresetOne);
    world->requests.RunPendingRequests();
    emulator += platform::sim::EmulatorCallTime() - before;
    midiWaits += platform::sim::MidiDeliveryWaitTime() - waitsBefore;
    total += std::chrono::steady_clock::now() - start;
  }
  Report(state, *world, emulator);
  const auto perIteration = [](std::chrono::nanoseconds time) {
    return benchmark::Counter(std::chrono::duration<double, std::milli>(time).count(),
                              benchmark::Counter::kAvgIterations);
  };
  // The simulated ports' thread hand-offs are neither Korvel's nor the
  // hardware's: they are reported on their own.
  state.counters["midi_waits_ms"] = perIteration(midiWaits);
  state.counters["korvel_ms"] = perIteration(total - emulator - midiWaits);
  if (world->ports->connectionCount != 32) state.SkipWithError("the preset was not loaded");
}
BENCHMARK(BM_LoadPresetByMidi)->Unit(benchmark::kMillisecond);

}  // namespace
