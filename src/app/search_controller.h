// Runs one SearchRun at a time for the window and brings its reports to the
// UI thread: the rows of each page go into the search's result model in one
// insertion, progress and the page cap become signals, and at the end the
// repeated magnet links are removed from the model before `finished` is
// raised. The search's threads never touch a widget or a model: each report
// is queued to this object's thread and dropped there when the search it
// belongs to has been cancelled meanwhile. UI thread only.
#ifndef KORVANE_APP_SEARCH_CONTROLLER_H_
#define KORVANE_APP_SEARCH_CONTROLLER_H_

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "app/result_list_model.h"
#include "search/search_run.h"

namespace korvane {

class SearchController : public QObject {
  Q_OBJECT

 public:
  explicit SearchController(QObject* parent = nullptr);
  // Cancels a running search and joins its threads.
  ~SearchController() override;

  // For the searches started from now on.
  void set_options(const SearchOptions& options) { options_ = options; }
  void set_fetcher(PageFetcher fetcher) { fetcher_ = std::move(fetcher); }

  // Starts a search whose rows go to `model` (emptied first). False when a
  // search is running already.
  bool start(const SearchEngine& engine, const std::string& keyword, ResultListModel* model);
  // Page tasks not yet begun do nothing; the search then ends as usual.
  void stop();
  // Ends a running search at once: requests in flight are aborted, all its
  // threads joined. No signal of it follows.
  void cancel();

  bool running() const { return run_ != nullptr; }
  // True between stop() and the end of the search.
  bool stopping() const { return running() && !run_->keep_searching(); }
  // The running (or last) search's model; null once it is gone.
  ResultListModel* model() const { return model_; }
  // The latest progress of the running (or last) search.
  const SearchProgress& progress() const { return progress_; }
  // Pages wanted and fetched when the last search's pages were capped, else 0.
  int capped_pages_wanted() const { return capped_wanted_; }
  int capped_pages_fetched() const { return capped_fetched_; }

 Q_SIGNALS:
  void progress_changed();
  void page_capped(int pages_wanted, int pages_fetched);
  // The search has ended; its threads are joined. `probe_status` is the first
  // page's request status for SearchOutcome::kNoHits.
  void finished(korvane::SearchOutcome outcome, const QString& probe_status);

 private:
  class Bridge;

  void on_rows(uint64_t search_id, const ResultTable& rows);
  void on_progress(uint64_t search_id, const SearchProgress& progress);
  void on_page_cap(uint64_t search_id, int wanted, int fetched);
  void on_finished(uint64_t search_id, SearchOutcome outcome, const std::string& status);
  void end_run();

  SearchOptions options_;
  PageFetcher fetcher_;
  uint64_t search_id_ = 0;
  std::unique_ptr<Bridge> bridge_;  // outlives run_
  std::unique_ptr<SearchRun> run_;
  QPointer<ResultListModel> model_;
  SearchProgress progress_;
  int capped_wanted_ = 0;
  int capped_fetched_ = 0;
};

}  // namespace korvane

#endif  // KORVANE_APP_SEARCH_CONTROLLER_H_
