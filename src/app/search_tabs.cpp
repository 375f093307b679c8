#include "app/search_tabs.h"

#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

namespace korvane {

SearchTabs::SearchTabs(QTabWidget* tabs, QWidget* delete_button, QObject* parent)
    : QObject(parent), tabs_(tabs), delete_button_(delete_button) {
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { sync_tab_view(); });
}

int SearchTabs::tab_count() const { return tabs_->count(); }

ResultListView* SearchTabs::add_search_tab(const QString& keyword) {
  auto* list = new ResultListView();
  list->setObjectName(QStringLiteral("结果列表"));
  connect(list, &ResultListView::context_menu_requested, this,
          &SearchTabs::list_context_menu_requested);
  connect(list, &ResultListView::header_clicked, this, &SearchTabs::list_header_clicked);
  list_registry_.push_back(list);
  const int index = tabs_->addTab(list, keyword + QStringLiteral("  "));
  search_tab_count_ = tabs_->count();
  tabs_->setCurrentIndex(index);
  sync_tab_view();
  return list;
}

bool SearchTabs::remove_tab(int index) {
  if (index < 1 || index >= tabs_->count()) return false;
  ResultListView* list = list_registry_[static_cast<size_t>(index - 1)];
  Q_EMIT list_removed(list);
  list_registry_.erase(list_registry_.begin() + (index - 1));
  tabs_->removeTab(index);
  list->deleteLater();
  sync_tab_view();
  return true;
}

bool SearchTabs::remove_tab_of(const ResultListView* list) { return remove_tab(tab_of(list)); }

int SearchTabs::tab_of(const ResultListView* list) const {
  auto it = std::find(list_registry_.begin(), list_registry_.end(), list);
  if (list == nullptr || it == list_registry_.end()) return -1;
  return static_cast<int>(it - list_registry_.begin()) + 1;
}

ResultListView* SearchTabs::list_of_tab(int index) const {
  if (index < 1 || index > static_cast<int>(list_registry_.size())) return nullptr;
  return list_registry_[static_cast<size_t>(index - 1)];
}

int SearchTabs::record_selected_tab() {
  current_tab_index_ = tabs_->currentIndex();
  return current_tab_index_;
}

void SearchTabs::sync_tab_view() {
  const int selected = tabs_->currentIndex();
  QTabBar* bar = tabs_->tabBar();
  const QRect header = bar->tabRect(selected).translated(bar->pos());
  if (header.isValid()) {
    const QPoint origin = tabs_->pos();
    delete_button_->move(
        origin.x() + header.left() + header.width() - delete_button_->width() + 4,
        origin.y() + header.top() + header.height() - delete_button_->height() - 6);
    delete_button_->raise();
  }
  current_tab_index_ = selected;
}

}  // namespace korvane

// The meta-object code beside the class, so that the static library links
// each class only where it is used.
#include "moc_search_tabs.cpp"
