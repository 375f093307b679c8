#include "search/search_run.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <condition_variable>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "testing/local_http_server.h"
#include "web/text_encoding.h"

namespace korvane {
namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/src/search/testdata/" + name,
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Engine 1's fixture page (GBK, 3 rows, "找到 25 条结果") with the hashes of
// page `n` made unique to that page unless `same_rows`.
std::string engine1_page(int n, bool same_rows) {
  std::string page = fixture("engine1_page.html");
  if (same_rows) return page;
  const std::string from = "0000000000000000";
  const std::string to = "00000000000000" + std::string(n < 10 ? "0" : "") + std::to_string(n);
  for (size_t at; (at = page.find("/info/" + from)) != std::string::npos;) {
    page.replace(at + 6, from.size(), to);
  }
  return page;
}

// A loopback site that answers engine 1's layout and records every request.
class FixtureSite {
 public:
  explicit FixtureSite(std::function<void(int page, httplib::Response&)> answer)
      : answer_(std::move(answer)),
        server_(std::make_unique<test_servers::LocalHttpServer>([this](httplib::Server& server) {
          server.Get(R"(/list/(.*)-s1d-(\d+)\.html)",
                     [this](const httplib::Request& req, httplib::Response& res) {
                       {
                         std::lock_guard lock(mutex_);
                         paths_.push_back(req.target);
                       }
                       answer_(std::stoi(req.matches[2]), res);
                     });
        })) {}
  ~FixtureSite() {
    release();
    server_.reset();
  }

  SearchEngine engine() const {
    SearchEngine e = builtin_engines()[0];
    e.host = server_->host();
    return e;
  }
  std::vector<std::string> paths() const {
    std::lock_guard lock(mutex_);
    return paths_;
  }
  // Blocks a handler until release().
  void hold() {
    std::unique_lock lock(mutex_);
    held_cv_.wait(lock, [this] { return released_; });
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    held_cv_.notify_all();
  }

 private:
  std::function<void(int, httplib::Response&)> answer_;
  mutable std::mutex mutex_;
  std::condition_variable held_cv_;
  bool released_ = false;
  std::vector<std::string> paths_;
  std::unique_ptr<test_servers::LocalHttpServer> server_;
};

void serve_gbk(httplib::Response& res, const std::string& page) {
  res.set_content(page, "text/html; charset=gbk");
}

class Recorder : public SearchObserver {
 public:
  void on_rows(int page, const ResultTable& rows) override {
    std::lock_guard lock(mutex_);
    pages_with_rows.insert(page);
    rows_received += static_cast<int>(rows.size());
  }
  void on_progress(const SearchProgress& p) override {
    std::lock_guard lock(mutex_);
    if (p.pages_done < last.pages_done || p.rows < last.rows) progress_went_back = true;
    last = p;
  }
  void on_page_cap(int wanted, int fetched) override { cap = {wanted, fetched}; }
  void on_finished(SearchOutcome o, const std::string& status) override {
    std::lock_guard lock(mutex_);
    ++finished;
    outcome = o;
    probe_status = status;
  }

  std::mutex mutex_;
  std::set<int> pages_with_rows;
  int rows_received = 0;
  SearchProgress last;
  bool progress_went_back = false;
  std::pair<int, int> cap{0, 0};
  int finished = 0;
  SearchOutcome outcome = SearchOutcome::kFinished;
  std::string probe_status;
};

std::set<std::string> magnets(const ResultTable& rows) {
  std::set<std::string> out;
  for (const ResultRow& row : rows) out.insert(row.magnet);
  return out;
}

TEST(SearchRun, FetchesEveryPageAndRemovesRepeatedLinks) {
  FixtureSite site([](int n, httplib::Response& res) { serve_gbk(res, engine1_page(n, true)); });
  Recorder recorder;
  SearchRun run(site.engine(), "ubuntu", recorder);
  run.start();
  run.wait();

  EXPECT_EQ(recorder.finished, 1);
  EXPECT_EQ(recorder.outcome, SearchOutcome::kFinished);
  // 25 hits: the probe, then pages 1 to 3; every page repeats the same rows.
  EXPECT_EQ(site.paths().size(), 4u);
  EXPECT_EQ(recorder.pages_with_rows, (std::set<int>{1, 2, 3}));
  EXPECT_EQ(recorder.rows_received, 9);
  EXPECT_EQ(recorder.last.pages_done, 3);
  EXPECT_EQ(recorder.last.pages_total, 3);
  EXPECT_FALSE(recorder.progress_went_back);
  ResultTable rows = run.rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].name, "Ubuntu22.04Desktop光盘");
}

TEST(SearchRun, AFailedPageLosesOnlyItsOwnRows) {
  FixtureSite site([](int n, httplib::Response& res) {
    if (n == 2) {
      res.status = 500;
      return serve_gbk(res, "<html>oops</html>");
    }
    serve_gbk(res, engine1_page(n, false));
  });
  Recorder recorder;
  SearchRun run(site.engine(), "ubuntu", recorder);
  run.start();
  run.wait();
  EXPECT_EQ(recorder.outcome, SearchOutcome::kFinished);
  EXPECT_EQ(run.rows().size(), 6u);
  EXPECT_EQ(recorder.pages_with_rows, (std::set<int>{1, 3}));
  EXPECT_EQ(recorder.last.pages_failed, 1);
  EXPECT_EQ(recorder.last.pages_done, 3);
}

TEST(SearchRun, NoHitsAndUnreachableEngineEndAfterTheProbe) {
  FixtureSite site([](int, httplib::Response& res) { serve_gbk(res, "<html>没有结果</html>"); });
  Recorder recorder;
  SearchRun run(site.engine(), "ubuntu", recorder);
  run.start();
  run.wait();
  EXPECT_EQ(recorder.outcome, SearchOutcome::kNoHits);
  EXPECT_EQ(recorder.probe_status, "");
  EXPECT_EQ(site.paths().size(), 1u);

  SearchEngine closed = builtin_engines()[0];
  closed.host = "127.0.0.1:1";
  Recorder unreachable;
  SearchRun failing(closed, "ubuntu", unreachable);
  failing.start();
  failing.wait();
  EXPECT_EQ(unreachable.outcome, SearchOutcome::kNoHits);
  EXPECT_NE(unreachable.probe_status, "");
  EXPECT_TRUE(failing.rows().empty());
}

TEST(SearchRun, StopDuringTheProbeFetchesNoPages) {
  std::atomic<SearchRun*> current{nullptr};
  FixtureSite site([&](int, httplib::Response& res) {
    current.load()->stop();  // pressed while the first page is on its way
    serve_gbk(res, engine1_page(1, false));
  });
  Recorder recorder;
  SearchRun run(site.engine(), "ubuntu", recorder);
  current = &run;
  run.start();
  run.wait();
  EXPECT_EQ(recorder.outcome, SearchOutcome::kFinished);
  EXPECT_EQ(site.paths().size(), 1u);
  EXPECT_TRUE(run.rows().empty());
  EXPECT_EQ(recorder.last.pages_done, 3);
}

TEST(SearchRun, CancelAbortsRequestsInFlight) {
  FixtureSite* site_ptr = nullptr;
  FixtureSite site([&](int n, httplib::Response& res) {
    if (n > 1 || site_ptr->paths().size() > 1) site_ptr->hold();  // result pages stall
    serve_gbk(res, engine1_page(n, false));
  });
  site_ptr = &site;
  Recorder recorder;
  SearchRun run(site.engine(), "ubuntu", recorder);
  run.start();
  while (site.paths().size() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  run.cancel();
  run.wait();  // returns although the server never answers
  EXPECT_EQ(recorder.outcome, SearchOutcome::kCancelled);
  EXPECT_EQ(recorder.finished, 1);
}

TEST(SearchRun, AHitCountPastTheCapFetchesOnlyTheCap) {
  FixtureSite site([](int n, httplib::Response& res) { serve_gbk(res, engine1_page(n, false)); });
  Recorder recorder;
  SearchOptions options;
  options.max_pages = 2;
  SearchRun run(site.engine(), "ubuntu", recorder, options);
  run.start();
  run.wait();
  EXPECT_EQ(recorder.cap, (std::pair<int, int>{3, 2}));
  EXPECT_EQ(site.paths().size(), 3u);
  EXPECT_EQ(magnets(run.rows()).size(), 6u);
}

TEST(SearchRun, TheKeywordCannotChangeTheRequestPath) {
  FixtureSite site([](int, httplib::Response& res) { serve_gbk(res, "nothing"); });
  Recorder recorder;
  SearchRun run(site.engine(), "a/../b?x=1#y 电影", recorder);
  run.start();
  run.wait();
  ASSERT_EQ(site.paths().size(), 1u);
  EXPECT_EQ(site.paths()[0], "/list/a%2F%2E%2E%2Fb%3Fx%3D1%23y%20%B5%E7%D3%B0-s1d-1.html");
}

}  // namespace
}  // namespace korvane
