// The tabs of 高级选择夹1: tab 0 is the welcome tab, tab k (k >= 1) a search
// tab whose result list is element k of the list registry (element 0 here,
// as the registry counts from 0 in code). Adding appends to both, removing
// takes from both, so the correspondence always holds. Keeps the delete
// button 图形按钮_删除子夹 over the right end of the selected tab's header.
// UI thread only.
#ifndef KORVANE_APP_SEARCH_TABS_H_
#define KORVANE_APP_SEARCH_TABS_H_

#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

#include "app/result_list_view.h"

class QTabWidget;
class QWidget;

namespace korvane {

class SearchTabs : public QObject {
  Q_OBJECT

 public:
  // `tabs` holds the welcome tab as its only tab; `delete_button` is a
  // sibling of `tabs` that this object moves.
  SearchTabs(QTabWidget* tabs, QWidget* delete_button, QObject* parent = nullptr);

  // Adds a tab "keyword  " at the end with a new, empty result list, selects
  // it and returns the list.
  ResultListView* add_search_tab(const QString& keyword);
  // Removes search tab `index` (>= 1) with its list; false for the welcome
  // tab or an index out of range.
  bool remove_tab(int index);
  // Removes the tab that holds `list`; false when no tab holds it.
  bool remove_tab_of(const ResultListView* list);
  // Moves the delete button and records the selected tab.
  void sync_tab_view();
  // Records the tab control's selected index as current_tab_index and
  // returns it.
  int record_selected_tab();

  int current_tab_index() const { return current_tab_index_; }
  int search_tab_count() const { return search_tab_count_; }
  int tab_count() const;
  // The list of tab `index`, or nullptr for the welcome tab or no such tab.
  ResultListView* list_of_tab(int index) const;
  // The list of the selected tab (current_tab_index), or nullptr.
  ResultListView* selected_list() const { return list_of_tab(current_tab_index_); }
  // The tab that holds `list`, or -1.
  int tab_of(const ResultListView* list) const;
  const std::vector<ResultListView*>& list_registry() const { return list_registry_; }

 Q_SIGNALS:
  // Raised by any result list; the handlers find their list through the
  // selected tab, never through the sender.
  void list_context_menu_requested(QPoint global_pos);
  void list_header_clicked(int column);
  // A tab's list is about to go.
  void list_removed(ResultListView* list);

 private:
  QTabWidget* tabs_;
  QWidget* delete_button_;
  std::vector<ResultListView*> list_registry_;
  int current_tab_index_ = 0;
  int search_tab_count_ = 0;
};

}  // namespace korvane

#endif  // KORVANE_APP_SEARCH_TABS_H_
