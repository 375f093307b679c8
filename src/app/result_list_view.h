// A result list: a table view over its own ResultListModel with the columns
// "名称" (273 px), "大小" (75 px) and "磁力链接" (400 px), rows selected whole,
// one at a time, and a header that takes clicks. The hidden template list of
// the welcome tab and every search tab's list are made alike. UI thread only.
#ifndef KORVANE_APP_RESULT_LIST_VIEW_H_
#define KORVANE_APP_RESULT_LIST_VIEW_H_

#include <QTableView>

#include "app/result_list_model.h"

namespace korvane {

class ResultListView : public QTableView {
  Q_OBJECT

 public:
  static constexpr int kWidth = 752;
  static constexpr int kHeight = 449;

  explicit ResultListView(QWidget* parent = nullptr);

  ResultListModel* result_model() const { return model_; }
  // The selected row, or -1 when no row is selected.
  int selected_row() const;

 Q_SIGNALS:
  // A right click anywhere in the list, at `global_pos` on the screen.
  void context_menu_requested(QPoint global_pos);
  // A click on the header of column `column` (0-based).
  void header_clicked(int column);

 private:
  ResultListModel* model_;
};

}  // namespace korvane

#endif  // KORVANE_APP_RESULT_LIST_VIEW_H_
