#include "app/result_list_view.h"

#include <QHeaderView>

namespace korvane {
namespace {

constexpr int kColumnWidths[ResultListModel::kColumnCount] = {273, 75, 400};

}  // namespace

ResultListView::ResultListView(QWidget* parent)
    : QTableView(parent), model_(new ResultListModel(this)) {
  setModel(model_);
  resize(kWidth, kHeight);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setShowGrid(true);
  setAlternatingRowColors(true);
  setSortingEnabled(false);
  setTextElideMode(Qt::ElideRight);
  verticalHeader()->setVisible(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(false);
  for (int column = 0; column < ResultListModel::kColumnCount; ++column) {
    setColumnWidth(column, kColumnWidths[column]);
  }
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    Q_EMIT context_menu_requested(viewport()->mapToGlobal(pos));
  });
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &ResultListView::header_clicked);
}

int ResultListView::selected_row() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

}  // namespace korvane

// The meta-object code beside the class, so that the static library links
// each class only where it is used.
#include "moc_result_list_view.cpp"
