// Parsing speed of result pages: a site's page of 10 rows and a page of
// thousands, per engine, and decoding a GBK page.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

#include "search/search_engine.h"
#include "web/text_encoding.h"

namespace korvane {
namespace {

std::string fixture(int engine) {
  std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/src/search/testdata/engine" +
                       std::to_string(engine) + "_page.html",
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The fixture page with its body repeated `copies` times.
std::string big_page(int engine, int copies) {
  const std::string page = decode_page(fixture(engine));
  std::string out;
  for (int i = 0; i < copies; ++i) out += page;
  return out;
}

void BM_ParseResultPage(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  const std::string page = big_page(engine, static_cast<int>(state.range(1)));
  size_t rows = 0;
  for (auto _ : state) {
    rows = parse_result_page(builtin_engines()[engine - 1], page).size();
    benchmark::DoNotOptimize(rows);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ParseResultPage)->ArgsProduct({{1, 2, 3}, {1, 1000}});

void BM_DecodeGbkPage(benchmark::State& state) {
  std::string body;
  for (int i = 0; i < 1000; ++i) body += fixture(1);
  for (auto _ : state) benchmark::DoNotOptimize(decode_page(body));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_DecodeGbkPage);

}  // namespace
}  // namespace korvane
