// Cost per short message of ApplyModifications with 0, 1 and 8 records, on a
// mix of notes, controllers and pitch wheel messages across the channels;
// and the cost of parsing a preset file of 200 lines.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "midi/Modification.h"
#include "midi/ModificationFile.h"
#include "tests/bench/BenchMessages.h"

namespace {

void BM_ApplyModifications(benchmark::State& state) {
  korvel::ModificationList list;
  korvel::bench::AddModifications(list, static_cast<int>(state.range(0)));
  const std::vector<std::uint32_t> messages = korvel::bench::Messages();
  for (auto _ : state) {
    for (std::uint32_t message : messages) benchmark::DoNotOptimize(korvel::ApplyModifications(list, message));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(messages.size()));
}
BENCHMARK(BM_ApplyModifications)->Arg(0)->Arg(1)->Arg(8);

void BM_DecodeModificationPresets(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "\xA7Preset_" + std::to_string(i) + " 90 b0 0 7 128 15 127 -1\n";
  for (auto _ : state) {
    korvel::ModificationPresetList presets;
    korvel::DecodeModificationPresets(text.data(), text.size(), presets);
    benchmark::DoNotOptimize(presets.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_DecodeModificationPresets);

}  // namespace
