// korvane-demo-sites: serves the three engine sites' result pages on a
// loopback port until SIGINT or SIGTERM.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "demo/demo_sites.h"

namespace {

// "E=N": engine E (1 to 3) gets N hits.
bool apply_engine_hits(const std::string& text, korvane::DemoOptions& options) {
  int engine = 0, hits = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%d=%d%c", &engine, &hits, &rest) != 2) return false;
  if (engine < 1 || engine > korvane::kDemoEngineCount || hits < 0) return false;
  options.hits[static_cast<size_t>(engine - 1)] = hits;
  return true;
}

void print_address(const korvane::DemoSites& sites, const korvane::DemoOptions& options) {
  const std::string base = "http://" + sites.host();
  std::printf("korvane-demo-sites listening on %s\n", sites.host().c_str());
  std::printf("引擎1: %s/list/KEYWORD-s1d-1.html (%d hits)\n", base.c_str(), options.hits[0]);
  std::printf("引擎2: %s/search/KEYWORD/1-1.html (%d hits)\n", base.c_str(), options.hits[1]);
  std::printf("引擎3: %s/search/KEYWORD_ctime_1.html (%d hits)\n", base.c_str(), options.hits[2]);
  std::printf("Keywords containing \"%s\" have no hits. Stop with Ctrl+C.\n",
              options.no_hits_word.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  korvane::DemoOptions options;
  int port = 0, hits = -1, latency_ms = 0;
  std::vector<std::string> engine_hits;
  std::vector<int> fail_pages, drop_pages, stall_pages;

  CLI::App app{"Serves result pages of the three engines on 127.0.0.1 for the demo and tests."};
  app.add_option("--port", port, "port to listen on; 0 picks a free one")
      ->check(CLI::Range(0, 65535));
  app.add_option("--hits", hits, "hits of every engine for every keyword")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--engine-hits", engine_hits, "E=N: hits of engine E (1 to 3)");
  app.add_option("--latency", latency_ms, "milliseconds before each page is answered")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--fail-page", fail_pages, "page number answered with HTTP 500");
  app.add_option("--drop-page", drop_pages, "page number whose answer is cut off midway");
  app.add_option("--stall-page", stall_pages, "page number held until the server stops");
  app.add_option("--no-hits-word", options.no_hits_word,
                 "keywords containing this text have no hits");
  CLI11_PARSE(app, argc, argv);

  if (hits >= 0) options.hits.fill(hits);
  for (const std::string& text : engine_hits) {
    if (!apply_engine_hits(text, options)) {
      std::fprintf(stderr, "--engine-hits wants E=N with E from 1 to 3, not \"%s\"\n",
                   text.c_str());
      return 2;
    }
  }
  options.latency = std::chrono::milliseconds(latency_ms);
  options.fail_pages.insert(fail_pages.begin(), fail_pages.end());
  options.drop_pages.insert(drop_pages.begin(), drop_pages.end());
  options.stall_pages.insert(stall_pages.begin(), stall_pages.end());

  // Block the stop signals in every thread; this one waits for them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  korvane::DemoSites sites;
  if (!sites.start(options, port)) {
    std::fprintf(stderr, "korvane-demo-sites: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  print_address(sites, options);
  int signal = 0;
  sigwait(&signals, &signal);
  sites.stop();
  return 0;
}
