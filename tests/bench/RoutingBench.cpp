// Cost per short message of a connection's routing callback: the link check,
// the modification stage with 0, 1 and 8 records, and the send to the
// output (the simulated winmm's midiOutShortMsg, which records the message).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "midi/ConnectionList.h"
#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"
#include "platform/sim/Sim.h"
#include "tests/bench/BenchMessages.h"

namespace {

void BM_RoutingCallback(benchmark::State& state) {
  platform::sim::Sandbox sandbox;
  platform::sim::SetMidiDevices({{"Keyboard", false}}, {{"Synth", false}});
  auto table = korvel::BuildPortTable();
  if (korvel::Connect(*table, 0, 1) != 0) {
    state.SkipWithError("the connection could not be opened");
    return;
  }
  korvel::MidiConnection& connection = *table->connections[0];
  korvel::bench::AddModifications(connection.modifications, static_cast<int>(state.range(0)));
  const auto instance = reinterpret_cast<std::uintptr_t>(&connection);
  const platform::MidiIn input = connection.inputHandle.load();
  const std::vector<std::uint32_t> messages = korvel::bench::Messages();
  for (auto _ : state) {
    for (std::uint32_t message : messages) {
      korvel::RoutingCallback(input, platform::kMimData, instance, message, 0);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(messages.size()));
  korvel::DestroyPortTable(table);
}
BENCHMARK(BM_RoutingCallback)->Arg(0)->Arg(1)->Arg(8);

}  // namespace
