// The rows of one result list: a table model over ResultRows with the columns
// "名称", "大小" and "磁力链接". Rows arrive in batches, one batch per result
// page, and each batch is inserted in one step. UI thread only, like every
// Qt model.
#ifndef KORVANE_APP_RESULT_LIST_MODEL_H_
#define KORVANE_APP_RESULT_LIST_MODEL_H_

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "search/result_row.h"

namespace korvane {

class ResultListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = 3;
  static constexpr int kMagnetColumn = 2;

  explicit ResultListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  const ResultTable& rows() const { return rows_; }
  // Text of cell (row, column); "" outside the table.
  const std::string& cell(int row, int column) const;

  // Appends `batch` at the end in one insertion.
  void append_rows(const ResultTable& batch);
  void clear();
  // Drops every row whose text in `column` repeats an earlier row's.
  void remove_duplicates(int column);
  // Puts row order[i] at place i. `order` must be a permutation of the
  // present rows; otherwise nothing changes and the result is false.
  // Selections and other persistent indexes follow their rows.
  bool apply_order(const std::vector<size_t>& order);

  // Grows with every change of the row set or order; a result computed on a
  // snapshot taken at an older revision is stale.
  uint64_t revision() const { return revision_; }
  // Grows with every change but appending: while it stays, the rows of an
  // older snapshot are still the first rows, in the same order.
  uint64_t shape_revision() const { return shape_revision_; }

 private:
  ResultTable rows_;
  uint64_t revision_ = 0;
  uint64_t shape_revision_ = 0;
};

}  // namespace korvane

#endif  // KORVANE_APP_RESULT_LIST_MODEL_H_
