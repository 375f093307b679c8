// Sorting a large result table by name and by size: keys and order only, as
// the sort thread does it on a snapshot.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>

#include "sort/column_sort.h"

namespace korvane {
namespace {

constexpr size_t kRows = 200'000;

// Names of mixed Chinese and ASCII words and sizes in the units the sites
// print, fixed by the seed.
ResultTable make_table(size_t count) {
  static constexpr std::array<const char*, 16> kWords = {
      "阿凡达", "波士顿", "从前", "大话西游", "Episode", "1080p",  "BluRay", "x264",
      "合集",   "国语",   "中字", "Season",   "HD",      "纪录片", "动画",   "[2023]"};
  static constexpr std::array<const char*, 5> kUnits = {"B", "KB", "MB", "GB", "TB"};
  std::mt19937 random(42);
  ResultTable rows(count);
  char size[32];
  for (ResultRow& row : rows) {
    const int words = 3 + static_cast<int>(random() % 6);
    for (int w = 0; w < words; ++w) {
      if (w > 0) row.name += random() % 2 ? " " : ".";
      row.name += kWords[random() % kWords.size()];
    }
    std::snprintf(size, sizeof size, "%.2f %s", (random() % 102400) / 100.0,
                  kUnits[random() % kUnits.size()]);
    row.size = size;
    row.magnet = "magnet:?xt=urn:btih:0123456789abcdef0123456789abcdef01234567";
  }
  return rows;
}

const ResultTable& table() {
  static const ResultTable rows = make_table(kRows);
  return rows;
}

void BM_SortBySize(benchmark::State& state) {
  const ResultTable& rows = table();
  for (auto _ : state) benchmark::DoNotOptimize(sorted_order(rows, kSizeColumn, true));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows.size()));
}
BENCHMARK(BM_SortBySize)->Unit(benchmark::kMillisecond);

void BM_SortByName(benchmark::State& state) {
  const ResultTable& rows = table();
  for (auto _ : state) benchmark::DoNotOptimize(sorted_order(rows, kNameColumn, true));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows.size()));
}
BENCHMARK(BM_SortByName)->Unit(benchmark::kMillisecond);

// The key part of the name sort: one GB18030 conversion per row.
void BM_NameKeys(benchmark::State& state) {
  const ResultTable& rows = table();
  for (auto _ : state) {
    for (const ResultRow& row : rows) benchmark::DoNotOptimize(name_sort_key(row.name));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows.size()));
}
BENCHMARK(BM_NameKeys)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane
