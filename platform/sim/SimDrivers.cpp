// Run-time libraries and installable drivers of the simulated platform: the
// sound card components are answered by the emulator cores in this process.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "emulators/core/ProcessEmulator.h"
#include "platform/Platform.h"
#include "platform/sim/Sim.h"
#include "platform/sim/SimEmulatorCalls.h"
#include "platform/sim/SimInternal.h"
#include "platform/sim/SimStateLock.h"

namespace platform {
namespace {

constexpr Module kModuleBase = 0x5F000;  // + the component's bit
constexpr Driver kDriverBase = 0xD000;   // + a running number

struct Library {
  sim::Component component;
  const char* fileName;
  const char* exportName;
};

constexpr Library kLibraries[] = {
    {sim::kSoundFontManager, "SFMAN32.DLL", "SFManager"},
    {sim::kAweManager, "AWEMAN32.DLL", "AWEManager"},
};

struct DriverState {
  unsigned installed = 0;
  bool emulatorRunning = false;
  std::vector<std::string> loaded;
  std::map<Module, int> references;
  std::map<std::string, void*> overrides;
  std::vector<Driver> openDrivers;
  Driver nextDriver = kDriverBase + 1;
  std::vector<sim::DriverMessage> messages;
  sim::DriverHook hook;
  bool blockFails = false;
  // Blocks outlive a reset: a test may still hold one. Freed at exit at the latest.
  std::map<std::intptr_t, std::pair<std::unique_ptr<std::uint8_t[]>, unsigned>> blocks;
};

DriverState& State() {
  static DriverState state;
  return state;
}

// The file name of a module or driver path, upper-cased, with ".DLL" added
// when it has no extension, as LoadLibraryA does.
std::string FileNameOf(const char* path) {
  std::string name(path);
  const std::size_t cut = name.find_last_of("\\/:");
  if (cut != std::string::npos) name.erase(0, cut + 1);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name.find('.') == std::string::npos) name += ".DLL";
  return name;
}

const Library* LibraryOf(Module module) {
  for (const Library& library : kLibraries) {
    if (kModuleBase + library.component == module) return &library;
  }
  return nullptr;
}

void* EmulatorExport(sim::Component component) {
  return component == sim::kSoundFontManager ? sim::detail::TimedSoundFontManagerExport()
                                             : sim::detail::TimedAweManagerExport();
}

bool IsOpenDriver(Driver driver) {
  const auto& open = State().openDrivers;
  return std::find(open.begin(), open.end(), driver) != open.end();
}

}  // namespace

namespace sim {
namespace detail {

void ResetDrivers() {
  UninstallEmulators();
  DriverState& state = State();
  auto blocks = std::move(state.blocks);
  state = DriverState();
  state.blocks = std::move(blocks);
}

}  // namespace detail

korvel::emu::EmulatorSetup EmulatorSetupFor(const std::string& configFile,
                                            const std::string& stateFile) {
  korvel::emu::EmulatorSetup setup;
  setup.configPath = HostPath(configFile.c_str());
  setup.statePath = HostPath(stateFile.c_str());
  setup.mapBankPath = [](const std::string& path) { return HostPath(path.c_str()); };
  setup.makeStateLock = detail::MakeFileStateLock;
  return setup;
}

void InstallEmulators(const std::string& configFile, const std::string& stateFile,
                      unsigned components) {
  korvel::emu::StartProcessEmulator(EmulatorSetupFor(configFile, stateFile));
  State().emulatorRunning = true;
  State().installed = components & kAllComponents;
}

void UninstallEmulators() {
  DriverState& state = State();
  if (state.emulatorRunning) korvel::emu::StopProcessEmulator();
  state.emulatorRunning = false;
  state.installed = 0;
}

const std::vector<std::string>& LoadedLibraries() { return State().loaded; }

int OpenLibraryCount() {
  int count = 0;
  for (const auto& entry : State().references) count += entry.second;
  return count;
}

int OpenDriverCount() { return static_cast<int>(State().openDrivers.size()); }

void OverrideExport(const std::string& name, void* address) { State().overrides[name] = address; }

const std::vector<DriverMessage>& DriverMessages() { return State().messages; }
void ClearDriverMessages() { State().messages.clear(); }
void SetDriverHook(DriverHook hook) { State().hook = std::move(hook); }
void SetDriverBlockFails(bool fails) { State().blockFails = fails; }
int OpenDriverBlocks() { return static_cast<int>(State().blocks.size()); }

}  // namespace sim

Module LoadLibraryA(const char* name) {
  if (name == nullptr) return 0;
  DriverState& state = State();
  const std::string file = FileNameOf(name);
  for (const Library& library : kLibraries) {
    if ((state.installed & library.component) == 0 || file != library.fileName) continue;
    const Module module = kModuleBase + library.component;
    ++state.references[module];
    state.loaded.emplace_back(name);
    return module;
  }
  return 0;
}

void* GetProcAddress(Module module, const char* name) {
  DriverState& state = State();
  const Library* library = LibraryOf(module);
  auto loaded = state.references.find(module);
  if (library == nullptr || name == nullptr || loaded == state.references.end() ||
      loaded->second == 0 || std::strcmp(name, library->exportName) != 0) {
    return nullptr;
  }
  auto replaced = state.overrides.find(name);
  if (replaced != state.overrides.end()) return replaced->second;
  return EmulatorExport(library->component);
}

void FreeLibrary(Module module) {
  auto it = State().references.find(module);
  if (it == State().references.end()) return;
  if (--it->second <= 0) State().references.erase(it);
}

Driver OpenDriver(const char* name) {
  DriverState& state = State();
  if (name == nullptr || (state.installed & sim::kEwsAudioDriver) == 0 ||
      FileNameOf(name) != "EWSAUDIO.DRV") {
    return 0;
  }
  const Driver driver = state.nextDriver++;
  state.openDrivers.push_back(driver);
  return driver;
}

std::intptr_t SendDriverMessage(Driver driver, std::uint32_t message, std::intptr_t param1,
                                std::intptr_t param2) {
  DriverState& state = State();
  if (!IsOpenDriver(driver)) return 0;
  sim::DriverMessage sent;
  sent.message = message;
  sent.param1 = param1;
  sent.param2 = param2;
  auto block = state.blocks.find(param2);
  if (block != state.blocks.end()) {
    const std::uint8_t* bytes = block->second.first.get();
    sent.block.assign(bytes, bytes + block->second.second);
  }
  state.messages.push_back(std::move(sent));
  if (state.hook) {
    if (std::optional<std::intptr_t> answer = state.hook(message, param1, param2)) return *answer;
  }
  return sim::detail::TimedDriverMessage(message, param1, param2);
}

long CloseDriver(Driver driver) {
  auto& open = State().openDrivers;
  auto it = std::find(open.begin(), open.end(), driver);
  if (it == open.end()) return 0;
  open.erase(it);
  return 1;
}

// Plain memory stands in for the 16-bit global heap: the address the driver
// messages carry is the flat one.
bool AllocDriverBlock(unsigned size, DriverBlock* block) {
  *block = DriverBlock{};
  DriverState& state = State();
  if (state.blockFails || size == 0) return false;
  std::unique_ptr<std::uint8_t[]> memory(new std::uint8_t[size]());
  block->flat = memory.get();
  block->address = reinterpret_cast<std::intptr_t>(memory.get());
  block->memory = reinterpret_cast<std::uintptr_t>(memory.get());
  state.blocks[block->address] = {std::move(memory), size};
  return true;
}

void FreeDriverBlock(DriverBlock* block) {
  if (block == nullptr) return;
  State().blocks.erase(block->address);
  *block = DriverBlock{};
}

}  // namespace platform
