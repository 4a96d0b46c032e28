// Costs of the path and text helpers on the sizes the program meets: a
// 512-byte bank folder list, a 64 KB modification file, and scratch buffers.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/PathHelpers.h"
#include "config/ScratchRing.h"
#include "config/TextHelpers.h"

namespace {

// A ";"-separated folder list of about 512 bytes.
std::string FolderList() {
  std::string list;
  for (int i = 0; list.size() < 490; ++i) {
    if (!list.empty()) list += ';';
    list += "c:\\sound\\banks\\set" + std::to_string(i) + "\\";
  }
  return list;
}

void BM_ItemFolderWalk(benchmark::State& state) {
  const std::string list = FolderList();
  char folder[512];
  for (auto _ : state) {
    int items = 0;
    for (const char* rest = list.c_str(); rest != nullptr; ++items) rest = korvel::ItemFolder(folder, rest);
    benchmark::DoNotOptimize(items);
    benchmark::DoNotOptimize(folder);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(list.size()));
}
BENCHMARK(BM_ItemFolderWalk);

// Walks the list and takes the title of a bank file in each folder, as the
// bank search does.
void BM_FileTitleOverFolderList(benchmark::State& state) {
  const std::string list = FolderList();
  char path[600];
  char title[600];
  for (auto _ : state) {
    for (const char* rest = list.c_str(); rest != nullptr;) {
      rest = korvel::ItemFolder(path, rest);
      std::strcat(path, "\\piano.sf2");
      korvel::FileTitle(title, path);
      benchmark::DoNotOptimize(title);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(list.size()));
}
BENCHMARK(BM_FileTitleOverFolderList);

void BM_FileTitle(benchmark::State& state) {
  const char* path = "c:\\program files\\creative\\sfbank\\very_long_bank_name_for_testing.sf2";
  char title[128];
  for (auto _ : state) {
    korvel::FileTitle(title, path);
    benchmark::DoNotOptimize(title);
  }
}
BENCHMARK(BM_FileTitle);

void BM_CountOccurrencesLines(benchmark::State& state) {
  std::vector<char> buffer;
  const std::string line = "Modification_Name 12 34 56 78\r\n";
  while (buffer.size() + line.size() <= 64 * 1024) buffer.insert(buffer.end(), line.begin(), line.end());
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvel::CountOccurrences(buffer.data(), "\r\n", buffer.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(BM_CountOccurrencesLines);

// Worst case for the restart rule: long runs of failed partial matches.
void BM_CountOccurrencesPartialMatches(benchmark::State& state) {
  std::vector<char> buffer(64 * 1024, 'a');
  for (std::size_t i = 63; i < buffer.size(); i += 64) buffer[i] = 'b';
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvel::CountOccurrences(buffer.data(), "aaaaaaab", buffer.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(BM_CountOccurrencesPartialMatches);

// Kept slots: no allocation after the first round.
void BM_ScratchRingKeptSlots(benchmark::State& state) {
  korvel::ScratchRing ring;
  for (auto _ : state) {
    char* a = ring.Take(200);
    char* b = ring.Take(128);
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    ring.Release();
    ring.Release();
  }
}
BENCHMARK(BM_ScratchRingKeptSlots);

// Slots past the threshold allocate and free on every round.
void BM_ScratchRingDeepNesting(benchmark::State& state) {
  korvel::ScratchRing ring;
  for (auto _ : state) {
    for (int i = 0; i < korvel::ScratchRing::kSlotCount; ++i) benchmark::DoNotOptimize(ring.Take(256));
    for (int i = 0; i < korvel::ScratchRing::kSlotCount; ++i) ring.Release();
  }
}
BENCHMARK(BM_ScratchRingDeepNesting);

}  // namespace
