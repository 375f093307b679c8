#include "app/column_sorter.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace korvane {

using Order = std::optional<std::vector<size_t>>;

struct ColumnSorter::Job {
  QPointer<ResultListModel> model;
  int column = 0;
  bool ascending = true;
  uint64_t ticket = 0;
  uint64_t revision = 0;  // the model's revision when the snapshot was taken
  uint64_t shape_revision = 0;
  size_t snapshot_rows = 0;
  int attempt = 1;
  std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
  // Deleted later: a job ends inside its watcher's own signal.
  QFutureWatcher<Order>* watcher = new QFutureWatcher<Order>();

  ~Job() {
    watcher->disconnect();
    watcher->deleteLater();
  }
};

ColumnSorter::OrderFunction ColumnSorter::default_order() {
  return [](const ResultTable& rows, int column, bool ascending, const std::atomic<bool>* cancel) {
    return sorted_order(rows, column, ascending, cancel);
  };
}

ColumnSorter::ColumnSorter(QObject* parent, OrderFunction order)
    : QObject(parent), order_(std::move(order)) {}

ColumnSorter::~ColumnSorter() {
  for (auto& [model, job] : jobs_) job->cancel->store(true);
  for (auto& [model, job] : jobs_) {
    job->watcher->disconnect();
    job->watcher->waitForFinished();
  }
  for (QFuture<Order>& future : abandoned_) future.waitForFinished();
}

void ColumnSorter::header_clicked(ResultListModel* model, int column) {
  if (model == nullptr || (column != kNameColumn && column != kSizeColumn)) return;
  start(model, column, directions_.next_ascending(column));
}

void ColumnSorter::start(ResultListModel* model, int column, bool ascending, int attempt) {
  if (auto old = jobs_.find(model); old != jobs_.end()) {
    // Superseded: told to give up, and its result is never looked at.
    old->second->cancel->store(true);
    old->second->watcher->disconnect();
    abandoned_.push_back(old->second->watcher->future());
    jobs_.erase(old);
  }
  std::erase_if(abandoned_, [](const QFuture<Order>& future) { return future.isFinished(); });
  auto job = std::make_unique<Job>();
  job->model = model;
  job->column = column;
  job->ascending = ascending;
  job->ticket = ++next_ticket_;
  job->revision = model->revision();
  job->shape_revision = model->shape_revision();
  job->snapshot_rows = model->rows().size();
  job->attempt = attempt;
  const uint64_t ticket = job->ticket;
  connect(job->watcher, &QFutureWatcher<Order>::finished, this, [this, model, ticket] {
    auto it = jobs_.find(model);
    if (it == jobs_.end() || it->second->ticket != ticket) return;
    on_computed(model, it->second->watcher->result());
  });
  job->watcher->setFuture(QtConcurrent::run(
      [order = order_, rows = model->rows(), column, ascending, cancel = job->cancel] {
        return order(rows, column, ascending, cancel.get());
      }));
  jobs_[model] = std::move(job);
}

void ColumnSorter::on_computed(ResultListModel* model, const Order& order) {
  auto node = jobs_.extract(model);
  std::unique_ptr<Job> job = std::move(node.mapped());
  if (!job->model || !order) return;  // the list is gone, or the sort was abandoned
  std::vector<size_t> full = *order;
  if (job->model->revision() != job->revision) {
    const bool only_appended = job->model->shape_revision() == job->shape_revision;
    if (!only_appended || job->attempt < kMaxAttempts) {
      // Rows arrived: sort the larger snapshot.
      start(model, job->column, job->ascending, job->attempt + 1);
      return;
    }
    // Rows keep arriving faster than a sort takes: order the rows it knows
    // and keep the newer ones after them, in their order of arrival.
    for (size_t i = job->snapshot_rows; i < job->model->rows().size(); ++i) full.push_back(i);
  }
  if (job->model->apply_order(full)) Q_EMIT sorted(model, job->column, job->ascending);
}

}  // namespace korvane

// The meta-object code beside the class, so that the static library links
// each class only where it is used.
#include "moc_column_sorter.cpp"
