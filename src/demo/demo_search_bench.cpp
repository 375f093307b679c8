// A whole search over loopback: probe, every page on five threads, parsing
// and de-duplication, against the demo sites with no latency.
#include <benchmark/benchmark.h>

#include "demo/demo_sites.h"
#include "search/search_run.h"

namespace korvane {
namespace {

class CountingObserver : public SearchObserver {
 public:
  void on_rows(int, const ResultTable&) override {}
  void on_progress(const SearchProgress&) override {}
  void on_page_cap(int, int) override {}
  void on_finished(SearchOutcome, const std::string&) override {}
};

void BM_DemoSearch(benchmark::State& state) {
  DemoOptions options;
  const int hits = static_cast<int>(state.range(0));
  options.hits = {hits, hits, hits};
  DemoSites demo;
  if (!demo.start(options)) return state.SkipWithError("demo sites did not start");
  SearchEngine engine = builtin_engines()[0];
  engine.host = demo.host();
  size_t rows = 0;
  for (auto _ : state) {
    CountingObserver observer;
    SearchRun run(engine, "电影", observer);
    run.start();
    run.wait();
    rows = run.rows().size();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["pages"] = hits / 10 + 1;
}
BENCHMARK(BM_DemoSearch)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace korvane
