// korvane-search: one search from the command line, its rows on standard
// output. Exit status: 0 the search ran to its end; 1 any other failure;
// 2 bad usage; 3 no hits or the engine unreachable; 130 interrupted.
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <optional>
#include <thread>

#include "cli/output_format.h"
#include "demo/demo_sites.h"
#include "search/engine_hosts.h"
#include "search/search_run.h"

namespace korvane {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoHits = 3;
constexpr int kExitInterrupted = 130;

struct Options {
  std::string engine = "1";
  std::vector<std::string> hosts;
  bool demo = false;
  std::string format;
  bool quiet = false;
  int timeout = 30;
  std::string keyword;
};

// Reports progress on standard error while it is a terminal; remembers how
// the search ended.
class CliObserver : public SearchObserver {
 public:
  explicit CliObserver(bool show_progress) : show_progress_(show_progress) {}

  void on_rows(int, const ResultTable&) override {}
  void on_progress(const SearchProgress& p) override {
    if (!show_progress_ || p.pages_total == 0) return;
    std::fprintf(stderr, "\r页 %d/%d · %d 条\x1b[K", p.pages_done, p.pages_total, p.rows);
    std::fflush(stderr);
  }
  void on_page_cap(int wanted, int fetched) override {
    std::fprintf(stderr, "结果共 %d 页，超过上限，只取前 %d 页\n", wanted, fetched);
  }
  void on_finished(SearchOutcome outcome, const std::string& probe_status) override {
    if (show_progress_) std::fputs("\r\x1b[K", stderr);
    outcome_ = outcome;
    probe_status_ = probe_status;
  }

  SearchOutcome outcome() const { return outcome_; }
  const std::string& probe_status() const { return probe_status_; }

 private:
  const bool show_progress_;
  SearchOutcome outcome_ = SearchOutcome::kFinished;
  std::string probe_status_;
};

int terminal_columns() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 0;
}

int usage_error(const std::string& message) {
  std::cerr << "korvane-search: " << message << "\n运行 korvane-search --help 查看用法\n";
  return kExitUsage;
}

// Cancels `run` on SIGINT or SIGTERM. The signals are blocked in every
// thread and taken here with sigwait, so no handler runs in a signal context.
class InterruptWatch {
 public:
  InterruptWatch() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
  }
  void watch(SearchRun& run) {
    thread_ = std::thread([this, &run] {
      int signal = 0;
      sigwait(&signals_, &signal);
      if (signal != SIGUSR1) {
        interrupted_ = true;
        run.cancel();
      }
    });
  }
  // Ends the watch; call before `run` goes away.
  void finish() {
    if (!thread_.joinable()) return;
    pthread_kill(thread_.native_handle(), SIGUSR1);
    thread_.join();
  }
  bool interrupted() const { return interrupted_; }

 private:
  sigset_t signals_;
  std::thread thread_;
  std::atomic<bool> interrupted_{false};
};

int search(const Options& options, EngineCatalogue engines, InterruptWatch& interrupts) {
  const SearchEngine* engine = find_engine(engines, options.engine);
  const bool stdout_terminal = isatty(STDOUT_FILENO);
  OutputFormat format = stdout_terminal ? OutputFormat::kTable : OutputFormat::kTsv;
  if (!options.format.empty()) format = *parse_output_format(options.format);

  SearchOptions search_options;
  search_options.page_timeout_seconds = options.timeout;
  search_options.probe_timeout_seconds = std::min(options.timeout, 10);

  CliObserver observer(!options.quiet && isatty(STDERR_FILENO));
  SearchRun run(*engine, options.keyword, observer, search_options);
  interrupts.watch(run);
  run.start();
  run.wait();
  interrupts.finish();

  if (observer.outcome() == SearchOutcome::kNoHits) {
    std::cerr << no_hits_message(engine->label, "\n") << '\n';
    if (!observer.probe_status().empty())
      std::cerr << "(" << printable(observer.probe_status()) << ")\n";
    return kExitNoHits;
  }
  write_rows(std::cout, run.rows(), format, stdout_terminal ? terminal_columns() : 0,
             stdout_terminal);
  std::cout.flush();
  if (!std::cout) return kExitFailure;
  return interrupts.interrupted() ? kExitInterrupted : 0;
}

int run_cli(int argc, char** argv) {
  // Before any thread starts (the demo sites' among them), so that every
  // thread inherits the blocked signals and only the watch takes them.
  InterruptWatch interrupts;
  Options options;
  CLI::App app{"korvane-search: 搜索 BitTorrent 索引站点，列出名称、大小和磁力链接"};
  app.add_option("-e,--engine", options.engine, "1, 2 or 3 (the label 引擎N works too)")
      ->capture_default_str();
  app.add_option("--host", options.hosts, "engine N's host, with an optional :PORT (N=HOST)")
      ->type_name("N=HOST");
  app.add_flag("--demo", options.demo, "start the demo sites on loopback and search them");
  app.add_option("-f,--format", options.format,
                 "table (the default on a terminal, else tsv), json, jsonl, tsv, csv or magnet");
  app.add_flag("-q,--quiet", options.quiet, "no progress on standard error");
  app.add_option("--timeout", options.timeout,
                 "time-out of a page request in seconds (the first page at most 10)")
      ->check(CLI::Range(1, 3600))
      ->capture_default_str();
  app.set_version_flag("--version", "korvane-search 2.3");
  app.add_option("keyword", options.keyword, "what to search for")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kExitUsage;
  }

  EngineCatalogue engines = configured_engines();
  if (!find_engine(engines, options.engine)) {
    return usage_error("没有引擎 \"" + options.engine + "\"：请选 1、2 或 3");
  }
  if (!options.format.empty() && !parse_output_format(options.format)) {
    return usage_error("不认识的格式 \"" + options.format +
                       "\"：table、json、jsonl、tsv、csv 或 magnet");
  }
  if (options.keyword.find_first_not_of(" \t\r\n") == std::string::npos) {
    return usage_error("关键词不能为空");
  }
  if (printable(options.keyword) != options.keyword) {
    return usage_error("关键词含有控制字符或无效的 UTF-8 字节");
  }
  HostOverrides hosts;
  for (const std::string& host : options.hosts) {
    if (!parse_host_override(host, static_cast<int>(engines.size()), hosts)) {
      return usage_error("--host 需要 N=HOST[:PORT]，而不是 \"" + host + "\"");
    }
  }

  std::optional<DemoSites> demo;
  if (options.demo) {
    demo.emplace();
    if (!demo->start(DemoOptions{})) {
      std::cerr << "korvane-search: 演示站点无法启动\n";
      return kExitFailure;
    }
    for (int n = 1; n <= static_cast<int>(engines.size()); ++n) hosts.try_emplace(n, demo->host());
  }
  apply_host_overrides(engines, hosts);
  return search(options, std::move(engines), interrupts);
}

}  // namespace
}  // namespace korvane

int main(int argc, char** argv) { return korvane::run_cli(argc, argv); }
