// Sorting a result list by a clicked column header. The new order is computed
// off the UI thread on a snapshot of the rows and applied on the UI thread in
// one step; when rows arrived meanwhile, it is computed again on the larger
// snapshot, so arriving rows and a sort never mix. When rows arrived during
// that second computation too (a search bringing pages faster than a sort
// takes), the order is applied to the rows it covers and the newer rows stay
// after them, so a click always takes effect. A newer click on the same
// list supersedes a sort still being computed. The direction of each column
// is shared by all lists. The link column does nothing. UI thread only.
#ifndef KORVANE_APP_COLUMN_SORTER_H_
#define KORVANE_APP_COLUMN_SORTER_H_

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/result_list_model.h"
#include "sort/column_sort.h"

namespace korvane {

class ColumnSorter : public QObject {
  Q_OBJECT

 public:
  // Computes the order of `rows` by `column`; nothing once `*cancel` is set.
  // Runs on a pool thread.
  using OrderFunction = std::function<std::optional<std::vector<size_t>>(
      const ResultTable& rows, int column, bool ascending, const std::atomic<bool>* cancel)>;

  explicit ColumnSorter(QObject* parent = nullptr, OrderFunction order = default_order());
  // Abandons the sorts being computed and waits for their threads.
  ~ColumnSorter() override;

  // The click on the header of `column` of the list over `model`.
  void header_clicked(ResultListModel* model, int column);

  // True while a sort of some list is being computed.
  bool busy() const { return !jobs_.empty(); }
  const SortDirections& directions() const { return directions_; }

  static OrderFunction default_order();

 Q_SIGNALS:
  // `model` now holds its rows in the order of `column`.
  void sorted(korvane::ResultListModel* model, int column, bool ascending);

 private:
  struct Job;

  static constexpr int kMaxAttempts = 2;

  void start(ResultListModel* model, int column, bool ascending, int attempt = 1);
  void on_computed(ResultListModel* model, const std::optional<std::vector<size_t>>& order);

  OrderFunction order_;
  SortDirections directions_;
  uint64_t next_ticket_ = 0;
  std::map<ResultListModel*, std::unique_ptr<Job>> jobs_;
  // Computations superseded by a newer click, still running; waited for at
  // the end only.
  std::vector<QFuture<std::optional<std::vector<size_t>>>> abandoned_;
};

}  // namespace korvane

#endif  // KORVANE_APP_COLUMN_SORTER_H_
