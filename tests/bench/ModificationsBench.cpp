// Cost per short message of ApplyModifications with 0, 1 and 8 records, on a
// mix of notes, controllers and pitch wheel messages across the channels;
// and the cost of parsing a preset file of 200 lines.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "midi/Modification.h"
#include "midi/ModificationFile.h"

namespace {

std::vector<std::uint32_t> Messages() {
  std::vector<std::uint32_t> messages;
  for (std::uint32_t i = 0; i < 256; ++i) {
    const std::uint32_t types[] = {0x90, 0x80, 0xB0, 0xE0};
    messages.push_back((types[i % 4] | (i % 16)) | ((i * 7 % 128) << 8) | ((i * 13 % 128) << 16));
  }
  return messages;
}

void BM_ApplyModifications(benchmark::State& state) {
  korvel::ModificationList list;
  for (int i = 0; i < state.range(0); ++i) {
    korvel::Modification m;
    const std::uint8_t sources[] = {0x90, 0x80, 0xB0, 0xE0};
    m.sourceType = sources[i % 4];
    m.targetType = m.sourceType;
    m.sourceLow = 0;
    m.sourceHigh = 127;
    m.targetValue = 1;
    m.flags = static_cast<std::uint8_t>(i % 3);
    m.highChannel = 15;
    korvel::AddModificationCopy(list, m);
  }
  const std::vector<std::uint32_t> messages = Messages();
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
