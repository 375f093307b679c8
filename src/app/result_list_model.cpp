#include "app/result_list_model.h"

#include <QString>

namespace korvane {
namespace {

const char* const kColumnTitles[ResultListModel::kColumnCount] = {"名称", "大小", "磁力链接"};

bool is_permutation_of(const std::vector<size_t>& order, size_t n) {
  if (order.size() != n) return false;
  std::vector<bool> seen(n, false);
  for (size_t i : order) {
    if (i >= n || seen[i]) return false;
    seen[i] = true;
  }
  return true;
}

}  // namespace

ResultListModel::ResultListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    return QString::fromStdString(cell(index.row(), index.column()));
  }
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(kColumnTitles[section]);
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

const std::string& ResultListModel::cell(int row, int column) const {
  static const std::string empty;
  if (row < 0 || row >= rowCount()) return empty;
  return rows_[static_cast<size_t>(row)].column(column);
}

void ResultListModel::append_rows(const ResultTable& batch) {
  if (batch.empty()) return;
  const int first = rowCount();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(batch.size()) - 1);
  rows_.insert(rows_.end(), batch.begin(), batch.end());
  ++revision_;
  endInsertRows();
}

void ResultListModel::clear() {
  beginResetModel();
  rows_.clear();
  ++revision_;
  ++shape_revision_;
  endResetModel();
}

void ResultListModel::remove_duplicates(int column) {
  ResultTable kept = rows_;
  remove_duplicate_rows(kept, column);
  if (kept.size() == rows_.size()) return;
  beginResetModel();
  rows_ = std::move(kept);
  ++revision_;
  ++shape_revision_;
  endResetModel();
}

bool ResultListModel::apply_order(const std::vector<size_t>& order) {
  if (!is_permutation_of(order, rows_.size())) return false;
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> new_place(order.size());
  ResultTable sorted;
  sorted.reserve(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) {
    sorted.push_back(std::move(rows_[order[i]]));
    new_place[order[i]] = static_cast<int>(i);
  }
  rows_ = std::move(sorted);
  ++revision_;
  ++shape_revision_;
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    after.push_back(index.isValid() && index.row() < rowCount()
                        ? createIndex(new_place[static_cast<size_t>(index.row())], index.column())
                        : QModelIndex());
  }
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  return true;
}

}  // namespace korvane

// The meta-object code beside the class, so that the static library links
// each class only where it is used.
#include "moc_result_list_model.cpp"
