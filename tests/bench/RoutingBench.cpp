// Cost per short message of a connection's routing callback: the link check,
// the modification stage with 0, 1 and 8 records, the note tracking, and the
// send to the output.
//
// BM_RoutingCallback sends to the simulated winmm's midiOutShortMsg, which
// records the message under a lock and wakes the simulation's MIDI thread:
// most of its time is the simulation's. BM_RoutingCallbackNullOutput sends to
// an output that drops the messages at once, so its time is Korvel's own.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "midi/ConnectionList.h"
#include "midi/MidiCallbacks.h"
#include "midi/MidiPortTable.h"
#include "platform/sim/Sim.h"
#include "tests/bench/BenchMessages.h"

namespace {

void RouteMessages(benchmark::State& state, bool nullOutput) {
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
  platform::sim::SetMidiShortOutputDiscarded(nullOutput);
  for (auto _ : state) {
    for (std::uint32_t message : messages) {
      korvel::RoutingCallback(input, platform::kMimData, instance, message, 0);
    }
  }
  platform::sim::SetMidiShortOutputDiscarded(false);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(messages.size()));
  korvel::DestroyPortTable(table);
}

void BM_RoutingCallback(benchmark::State& state) { RouteMessages(state, false); }
BENCHMARK(BM_RoutingCallback)->Arg(0)->Arg(1)->Arg(8);

void BM_RoutingCallbackNullOutput(benchmark::State& state) { RouteMessages(state, true); }
BENCHMARK(BM_RoutingCallbackNullOutput)->Arg(0)->Arg(1)->Arg(8);

}  // namespace
