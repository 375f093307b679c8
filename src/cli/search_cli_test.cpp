// End-to-end runs of the korvane-search program against loopback sites.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "demo/demo_sites.h"
#include "search/search_engine.h"
#include "testing/local_http_server.h"

extern char** environ;

namespace korvane {
namespace {

struct Outcome {
  int exit_code = -1;
  bool killed = false;  // ended by a signal, not by exit
  std::string out;
  std::string err;
};

// Runs korvane-search with `args`; `while_running` is called with its pid.
Outcome run_search(std::vector<std::string> args,
                   const std::function<void(pid_t)>& while_running = {}) {
  args.insert(args.begin(), KORVANE_SEARCH_BIN);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int out_pipe[2], err_pipe[2];
  EXPECT_EQ(pipe2(out_pipe, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(err_pipe, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  pid_t pid = 0;
  EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe[1]);
  close(err_pipe[1]);
  std::thread poke;
  if (while_running) poke = std::thread(while_running, pid);

  Outcome outcome;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&outcome.out, &outcome.err};
  for (int open_fds = 2; open_fds > 0;) {
    poll(fds, 2, -1);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !fds[i].revents) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, n);
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_fds;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (poke.joinable()) poke.join();
  outcome.killed = WIFSIGNALED(status);
  outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return outcome;
}

// Whether the main thread of `pid` has SIGINT blocked, as the program does
// before it takes signals with sigwait.
bool blocks_sigint(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigBlk:", 0) == 0) {
      return (std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1)) & 1;
    }
  }
  return false;
}

nlohmann::json rows_of(const Outcome& outcome) { return nlohmann::json::parse(outcome.out); }

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/src/search/testdata/" + name,
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SearchCli, DemoSearchOfEachEngineListsEveryRowOnce) {
  DemoSites demo;
  ASSERT_TRUE(demo.start());
  for (int engine = 1; engine <= 3; ++engine) {
    const std::string host = std::to_string(engine) + "=" + demo.host();
    Outcome outcome =
        run_search({"-e", std::to_string(engine), "--host", host, "-f", "json", "电影"});
    ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
    nlohmann::json rows = rows_of(outcome);
    std::set<std::string> links;
    for (const auto& row : rows) {
      EXPECT_NE(row["name"].get<std::string>().find("电影"), std::string::npos);
      EXPECT_EQ(row["magnet"].get<std::string>().size(), 60u);
      links.insert(row["magnet"]);
    }
    EXPECT_EQ(links.size(), rows.size()) << "engine " << engine << ": repeated links remain";
    EXPECT_GT(rows.size(), 10u);
    // Every result page was fetched: page 1 twice (probe and task), the rest once.
    const auto log = demo.request_log();
    const int pages = static_cast<int>(
        std::count_if(log.begin(), log.end(), [&](const auto& r) { return r.engine == engine; }) -
        1);
    EXPECT_GE(demo.fetch_count(engine, "电影", 1), 2);
    EXPECT_EQ(demo.fetch_count(engine, "电影", pages), 1);
  }
}

TEST(SearchCli, ReadsEachEnginesFixturePages) {
  struct {
    int engine;
    const char* file;
    const char* route;
    size_t rows;
    const char* first_name;
  } cases[] = {
      {1, "engine1_page.html", R"(/list/.*)", 3, "Ubuntu22.04Desktop光盘"},
      {2, "engine2_page.html", R"(/search/[^/]*/\d+-1\.html)", 2, "Ubuntu22.04LTS桌面版"},
      {3, "engine3_page.html", R"(/search/.*_ctime_\d+\.html)", 2, "Ubuntu 22.04 桌面 版"},
  };
  for (const auto& c : cases) {
    const std::string page = fixture(c.file);
    test_servers::LocalHttpServer site([&](httplib::Server& server) {
      server.Get(c.route, [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(page, "text/html");
      });
    });
    Outcome outcome =
        run_search({"-e", "引擎" + std::to_string(c.engine), "--host",
                    std::to_string(c.engine) + "=" + site.host(), "-f", "json", "ubuntu"});
    ASSERT_EQ(outcome.exit_code, 0) << c.file << outcome.err;
    nlohmann::json rows = rows_of(outcome);
    ASSERT_EQ(rows.size(), c.rows) << c.file;
    EXPECT_EQ(rows[0]["name"], c.first_name);
  }
}

TEST(SearchCli, AFailedPageLosesOnlyItsRows) {
  DemoOptions options;
  options.fail_pages = {2};
  DemoSites demo;
  ASSERT_TRUE(demo.start(options));
  Outcome failing = run_search({"--host", "1=" + demo.host(), "-f", "jsonl", "-q", "abc"});
  DemoSites healthy;
  ASSERT_TRUE(healthy.start());
  Outcome whole = run_search({"--host", "1=" + healthy.host(), "-f", "jsonl", "-q", "abc"});
  ASSERT_EQ(failing.exit_code, 0);
  ASSERT_EQ(whole.exit_code, 0);
  auto lines = [](const std::string& text) { return std::count(text.begin(), text.end(), '\n'); };
  EXPECT_LT(lines(failing.out), lines(whole.out));
  EXPECT_GE(lines(failing.out), lines(whole.out) - 10);
}

TEST(SearchCli, NoHitsAndUnreachableExitWithThree) {
  DemoSites demo;
  ASSERT_TRUE(demo.start());
  Outcome no_hits = run_search({"--host", "2=" + demo.host(), "-e", "2", "nohits"});
  EXPECT_EQ(no_hits.exit_code, 3);
  EXPECT_EQ(no_hits.err, "引擎2暂不可用，请稍后重试\n如无法解决请切换别的引擎搜索\n");
  EXPECT_EQ(no_hits.out, "");

  Outcome unreachable = run_search({"--host", "1=127.0.0.1:1", "--timeout", "2", "abc"});
  EXPECT_EQ(unreachable.exit_code, 3);
  EXPECT_EQ(unreachable.err.rfind("引擎1暂不可用，请稍后重试\n", 0), 0u) << unreachable.err;
}

TEST(SearchCli, BadUsageExitsWithTwoAndSaysWhy) {
  struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {{{}, "keyword"},
               {{"-e", "4", "abc"}, "引擎"},
               {{"-f", "xml", "abc"}, "格式"},
               {{"--host", "1=a b", "abc"}, "--host"},
               {{"--timeout", "0", "abc"}, "timeout"},
               {{"  "}, "关键词"},
               {{"a\x1b[2Jb"}, "关键词"},
               {{"--bogus", "abc"}, "bogus"}};
  for (const auto& c : cases) {
    Outcome outcome = run_search(c.args);
    EXPECT_EQ(outcome.exit_code, 2) << c.says;
    EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
  }
  EXPECT_EQ(run_search({"--help"}).exit_code, 0);
  EXPECT_NE(run_search({"--version"}).out.find("2.3"), std::string::npos);
}

TEST(SearchCli, InterruptPrintsWhatWasFoundAndExits130) {
  DemoOptions options;
  options.stall_pages = {14};
  DemoSites demo;
  ASSERT_TRUE(demo.start(options));
  Outcome outcome =
      run_search({"--host", "1=" + demo.host(), "-f", "jsonl", "abc"}, [&](pid_t pid) {
        // The probe and 14 pages (137 hits), the last one stalled: wait until
        // every page has been asked for.
        while (demo.stalled_requests() == 0 || demo.request_log().size() < 15) {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        kill(pid, SIGINT);
      });
  EXPECT_FALSE(outcome.killed);
  EXPECT_EQ(outcome.exit_code, 130) << outcome.err;
  EXPECT_GT(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 10);
}

TEST(SearchCli, InterruptWithTheDemoSitesEndsCleanly) {
  // The demo sites run threads of their own inside the program; a signal must
  // still reach the search's watch, never end the process outright.
  for (int delay_ms : {0, 30, 80}) {
    Outcome outcome = run_search({"--demo", "-f", "jsonl", "abc"}, [&](pid_t pid) {
      while (!blocks_sigint(pid)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      kill(pid, SIGINT);
    });
    EXPECT_FALSE(outcome.killed) << "after " << delay_ms << " ms";
    EXPECT_TRUE(outcome.exit_code == 130 || outcome.exit_code == 0) << outcome.exit_code;
  }
}

TEST(SearchCli, TheKeywordCannotChangeTheRequest) {
  DemoSites demo;
  ASSERT_TRUE(demo.start());
  Outcome outcome = run_search({"--host", "2=" + demo.host(), "-e", "2", "-f", "json", "../x?y#z"});
  ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
  for (const DemoPageRequest& request : demo.request_log()) {
    EXPECT_EQ(request.engine, 2);
    EXPECT_EQ(request.keyword, "../x?y#z");
  }
}

}  // namespace
}  // namespace korvane
