// One search for (engine, keyword), run on a thread of its own: the probe of
// the first page, the result pages on a pool of worker threads, and the
// removal of repeated magnet links at the end. It reports to its owner
// through a SearchObserver and holds no widget.
#ifndef KORVANE_SEARCH_SEARCH_RUN_H_
#define KORVANE_SEARCH_SEARCH_RUN_H_

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "pool/task_pool.h"
#include "search/result_row.h"
#include "search/search_engine.h"

namespace korvane {

// The outcome of one page request.
struct PageFetch {
  std::string text;     // the decoded page text; "" when the request failed
  bool failed = false;  // the request failed or the server answered an error
  std::string status;   // the request's status or error text
};

// Fetches one address within `timeout_seconds` (every phase of the request).
// Must return promptly once `cancel` turns true. Called on several threads at
// once.
using PageFetcher = std::function<PageFetch(const std::string& url, int timeout_seconds,
                                            const std::atomic<bool>& cancel)>;

// The fetcher over web_access.
PageFetcher web_page_fetcher();

struct SearchOptions {
  int threads = 5;
  int probe_timeout_seconds = 10;
  int page_timeout_seconds = 30;
  // A hit count that needs more pages than this fetches only this many.
  int max_pages = 1000;
};

struct SearchProgress {
  int pages_total = 0;   // pages the pool runs over; 0 while probing
  int pages_done = 0;    // pages finished, fetched or skipped
  int pages_failed = 0;  // pages whose request failed
  int rows = 0;          // rows received so far, repeats included
};

enum class SearchOutcome {
  kFinished,   // ran to its end (also after stop())
  kNoHits,     // the first page gave no count: no hits, or the engine unreachable
  kCancelled,  // cancel() ended it early
};

// Called on the search's threads (the search thread and the pool workers),
// one call at a time (calls never overlap), so progress never goes back.
// Implementations must return quickly and must not call into the SearchRun.
class SearchObserver {
 public:
  virtual ~SearchObserver() = default;
  // The rows of one page, in page order; one call per page that had rows.
  virtual void on_rows(int page, const ResultTable& rows) = 0;
  virtual void on_progress(const SearchProgress& progress) = 0;
  // The hit count needed `pages_wanted` pages; only `pages_fetched` are fetched.
  virtual void on_page_cap(int pages_wanted, int pages_fetched) = 0;
  // Last call of a search. On kNoHits, `probe_status` holds the first page's
  // request status ("" when the page came but held no count).
  virtual void on_finished(SearchOutcome outcome, const std::string& probe_status) = 0;
};

// The message for a search that found nothing (SearchOutcome::kNoHits): the
// engine's label, "暂不可用，请稍后重试", `line_break`, then
// "如无法解决请切换别的引擎搜索".
std::string no_hits_message(std::string_view engine_label, std::string_view line_break);

class SearchRun {
 public:
  // `observer` must outlive this object.
  SearchRun(SearchEngine engine, std::string keyword, SearchObserver& observer,
            SearchOptions options = {}, PageFetcher fetcher = web_page_fetcher());
  // Cancels a search still running and joins all its threads.
  ~SearchRun();
  SearchRun(const SearchRun&) = delete;
  SearchRun& operator=(const SearchRun&) = delete;

  // Starts the search thread. Call once.
  void start();
  // Page tasks not yet begun do nothing; requests in flight finish.
  void stop();
  // stop() and abort the requests in flight; the search ends soon.
  void cancel();
  // Blocks until the search thread has ended (after on_finished).
  void wait();

  bool keep_searching() const { return keep_searching_.load(); }
  const SearchEngine& engine() const { return engine_; }
  const std::string& keyword() const { return keyword_; }
  // The rows so far in arrival order; after the end, without repeated links.
  ResultTable rows() const;
  SearchProgress progress() const;

 private:
  void run();
  // The pool's task: page n of the search.
  void fetch_result_page(int n);
  // Waits for the pool's run; stops it early once the search is cancelled.
  void wait_for_pages();
  void finish(SearchOutcome outcome, const std::string& probe_status);

  const SearchEngine engine_;
  const std::string keyword_;
  SearchObserver& observer_;
  const SearchOptions options_;
  const PageFetcher fetcher_;

  std::atomic<bool> keep_searching_{true};
  std::atomic<bool> cancelled_{false};

  // Guards rows_ and progress_ and serialises the observer's calls.
  mutable std::mutex mutex_;
  ResultTable rows_;
  SearchProgress progress_;

  TaskPool pool_;
  int pool_number_ = 0;

  std::thread thread_;
};

}  // namespace korvane

#endif  // KORVANE_SEARCH_SEARCH_RUN_H_
