#include "app/search_controller.h"

#include <QMetaObject>

namespace korvane {

// Forwards the reports of one search to the controller's thread, tagged with
// the search's id. Called on the search's threads.
class SearchController::Bridge : public SearchObserver {
 public:
  Bridge(SearchController* controller, uint64_t search_id)
      : controller_(controller), search_id_(search_id) {}

  void on_rows(int, const ResultTable& rows) override {
    post([c = controller_, id = search_id_, rows] { c->on_rows(id, rows); });
  }
  void on_progress(const SearchProgress& progress) override {
    post([c = controller_, id = search_id_, progress] { c->on_progress(id, progress); });
  }
  void on_page_cap(int wanted, int fetched) override {
    post([c = controller_, id = search_id_, wanted, fetched] {
      c->on_page_cap(id, wanted, fetched);
    });
  }
  void on_finished(SearchOutcome outcome, const std::string& status) override {
    post([c = controller_, id = search_id_, outcome, status] {
      c->on_finished(id, outcome, status);
    });
  }

 private:
  template <typename F>
  void post(F&& call) {
    // The controller is the context object: a call still queued when it is
    // destroyed is dropped.
    QMetaObject::invokeMethod(controller_, std::forward<F>(call), Qt::QueuedConnection);
  }

  SearchController* const controller_;
  const uint64_t search_id_;
};

SearchController::SearchController(QObject* parent)
    : QObject(parent), fetcher_(web_page_fetcher()) {}

SearchController::~SearchController() { cancel(); }

bool SearchController::start(const SearchEngine& engine, const std::string& keyword,
                             ResultListModel* model) {
  if (running() || model == nullptr) return false;
  model->clear();
  model_ = model;
  progress_ = {};
  capped_wanted_ = capped_fetched_ = 0;
  ++search_id_;
  bridge_ = std::make_unique<Bridge>(this, search_id_);
  run_ = std::make_unique<SearchRun>(engine, keyword, *bridge_, options_, fetcher_);
  run_->start();
  return true;
}

void SearchController::stop() {
  if (run_) run_->stop();
}

void SearchController::cancel() {
  if (!run_) return;
  run_->cancel();
  end_run();
}

void SearchController::end_run() {
  run_.reset();  // joins every thread of the search
  bridge_.reset();
  ++search_id_;  // reports still queued belong to no search now
}

void SearchController::on_rows(uint64_t search_id, const ResultTable& rows) {
  if (search_id != search_id_ || !model_) return;
  model_->append_rows(rows);
}

void SearchController::on_progress(uint64_t search_id, const SearchProgress& progress) {
  if (search_id != search_id_) return;
  progress_ = progress;
  Q_EMIT progress_changed();
}

void SearchController::on_page_cap(uint64_t search_id, int wanted, int fetched) {
  if (search_id != search_id_) return;
  capped_wanted_ = wanted;
  capped_fetched_ = fetched;
  Q_EMIT page_capped(wanted, fetched);
}

void SearchController::on_finished(uint64_t search_id, SearchOutcome outcome,
                                   const std::string& status) {
  if (search_id != search_id_) return;
  end_run();
  if (outcome == SearchOutcome::kFinished && model_) {
    model_->remove_duplicates(ResultListModel::kMagnetColumn);
  }
  Q_EMIT finished(outcome, QString::fromStdString(status));
}

}  // namespace korvane

// The meta-object code beside the class, so that the static library links
// each class only where it is used.
#include "moc_search_controller.cpp"
