#include "search/search_run.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace korvane {

std::string no_hits_message(std::string_view engine_label, std::string_view line_break) {
  std::string message(engine_label);
  message += "暂不可用，请稍后重试";
  message += line_break;
  message += "如无法解决请切换别的引擎搜索";
  return message;
}

SearchRun::SearchRun(SearchEngine engine, std::string keyword, SearchObserver& observer,
                     SearchOptions options, PageFetcher fetcher)
    : engine_(std::move(engine)),
      keyword_(std::move(keyword)),
      observer_(observer),
      options_(options),
      fetcher_(std::move(fetcher)) {}

SearchRun::~SearchRun() {
  cancel();
  wait();
}

void SearchRun::start() {
  thread_ = std::thread([this] { run(); });
}

void SearchRun::stop() { keep_searching_ = false; }

void SearchRun::cancel() {
  cancelled_ = true;
  keep_searching_ = false;
}

void SearchRun::wait() {
  if (thread_.joinable()) thread_.join();
}

ResultTable SearchRun::rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

SearchProgress SearchRun::progress() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

void SearchRun::run() {
  const PageFetch probe =
      fetcher_(first_page_address(engine_, keyword_), options_.probe_timeout_seconds, cancelled_);
  if (cancelled_) return finish(SearchOutcome::kCancelled, "");
  const int hit_count = read_hit_count(engine_, keyword_, probe.text);
  if (hit_count <= 0) return finish(SearchOutcome::kNoHits, probe.failed ? probe.status : "");

  const int pages_wanted = pages_for_hits(engine_, hit_count);
  const int pages = std::min(pages_wanted, options_.max_pages);
  {
    std::lock_guard lock(mutex_);
    if (pages < pages_wanted) observer_.on_page_cap(pages_wanted, pages);
    progress_.pages_total = pages;
    observer_.on_progress(progress_);
  }
  if (pool_.start(
          options_.threads, pages, [this](int n) { fetch_result_page(n); }, pool_number_)) {
    wait_for_pages();
  }
  finish(cancelled_ ? SearchOutcome::kCancelled : SearchOutcome::kFinished, "");
}

void SearchRun::wait_for_pages() {
  using std::chrono::milliseconds;
  while (!pool_.wait_idle_for(pool_number_, milliseconds(50))) {
    if (cancelled_) {
      pool_.stop(pool_number_);
      pool_.wait_idle(pool_number_);
      return;
    }
  }
}

void SearchRun::fetch_result_page(int n) {
  PageFetch page;
  ResultTable rows;
  if (keep_searching_) {
    page = fetcher_(page_address(engine_, keyword_, n), options_.page_timeout_seconds, cancelled_);
    if (!cancelled_) rows = parse_result_page(engine_, page.text);
  }
  std::lock_guard lock(mutex_);
  rows_.insert(rows_.end(), rows.begin(), rows.end());
  progress_.rows += static_cast<int>(rows.size());
  progress_.pages_done += 1;
  progress_.pages_failed += page.failed ? 1 : 0;
  if (!rows.empty()) observer_.on_rows(n, rows);
  observer_.on_progress(progress_);
}

void SearchRun::finish(SearchOutcome outcome, const std::string& probe_status) {
  std::lock_guard lock(mutex_);
  remove_duplicate_rows(rows_, 2);
  observer_.on_finished(outcome, probe_status);
}

}  // namespace korvane
