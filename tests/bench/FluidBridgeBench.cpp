// A bank load through the FluidSynth bridge against the same load sent to
// FluidSynth's shell alone: the bridge's own work (reading the SoundFont's
// name and size, the memory check, the state file) is the difference. Each
// iteration loads Debian's TimGM6mb.sf2 at offset 1 and unloads it again.
// A real FluidSynth is started on a free port; without one the benchmarks
// say so and are skipped.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "fluidsynth/FluidManager.h"

extern char** environ;

namespace korvel::bench {
namespace {

constexpr char kFluidSynth[] = "/usr/bin/fluidsynth";
constexpr char kFont[] = "/usr/share/sounds/sf2/TimGM6mb.sf2";

std::uint16_t FreePort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

// FluidSynth rendering to a raw file, for the benchmark's life.
class RunningFluidSynth {
 public:
  RunningFluidSynth() : port_(FreePort()) {
    if (::access(kFluidSynth, X_OK) != 0 || ::access(kFont, R_OK) != 0) return;
    const std::string portSetting = "shell.port=" + std::to_string(port_);
    const std::string output = "audio.file.name=/tmp/korvel-bench-fluidsynth.raw";
    std::vector<const char*> args = {kFluidSynth, "-a", "file", "-o", output.c_str(), "-o",
                                     "audio.file.type=raw", "-s", "-i", "-q", "-o",
                                     portSetting.c_str(), nullptr};
    if (::posix_spawn(&pid_, kFluidSynth, nullptr, nullptr, const_cast<char**>(args.data()), environ) != 0)
      return;
    fluid::FluidShell shell("127.0.0.1", port_);
    std::vector<std::string> reply;
    for (int tries = 0; tries < 100 && !ready_; ++tries) {
      ready_ = shell.Command("fonts", &reply) == fluid::ShellStatus::kOk;
      if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  ~RunningFluidSynth() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  bool Ready() const { return ready_; }
  std::uint16_t Port() const { return port_; }

 private:
  std::uint16_t port_;
  pid_t pid_ = 0;
  bool ready_ = false;
};

RunningFluidSynth& Synth() {
  static RunningFluidSynth synth;
  return synth;
}

void BM_LoadThroughTheShellAlone(benchmark::State& state) {
  if (!Synth().Ready()) return state.SkipWithError("FluidSynth is not installed or does not start");
  fluid::FluidShell shell("127.0.0.1", Synth().Port());
  std::vector<std::string> reply;
  for (auto _ : state) {
    shell.Command(fluid::LoadCommand(kFont, 1), &reply, fluid::kLoadTimeoutMs);
    const std::optional<int> id = fluid::ParseLoadedId(reply);
    if (!id) return state.SkipWithError("FluidSynth did not load the font");
    shell.Command(fluid::UnloadCommand(*id), &reply);
  }
}
BENCHMARK(BM_LoadThroughTheShellAlone)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_LoadThroughTheBridge(benchmark::State& state) {
  if (!Synth().Ready()) return state.SkipWithError("FluidSynth is not installed or does not start");
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "korvel-bench-bridge";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "korvelfs.ini") << "port=" << Synth().Port() << "\n";
  fluid::FluidManager manager({(folder / "korvelfs.ini").string(), (folder / "korvelfs.state").string(), {}});
  if (manager.Open(0) != emu::kSfOk) return state.SkipWithError("the bridge does not reach FluidSynth");
  std::string path = kFont;
  std::uint16_t slot = 1;
  for (auto _ : state) {
    emu::SfRequest request{static_cast<std::uint32_t>(path.size() + 1), path.data(), 0, 0};
    if (manager.Load(0, &slot, &request) != emu::kSfOk) return state.SkipWithError("the bridge did not load the font");
    manager.Clear(0, &slot);
  }
  manager.Close(0);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadThroughTheBridge)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
}  // namespace korvel::bench
