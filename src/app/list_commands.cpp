#include "app/list_commands.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>

#include "app/magnet_link.h"
#include "app/notice_box.h"
#include "app/search_tabs.h"

namespace korvane {

LinkOpener desktop_link_opener() {
  return [](const QUrl& link) { QDesktopServices::openUrl(link); };
}

ListCommands::ListCommands(SearchTabs& tabs, QMenu* menu, QWidget* message_parent, QObject* parent)
    : QObject(parent),
      tabs_(tabs),
      menu_(menu),
      message_parent_(message_parent),
      opener_(desktop_link_opener()) {}

void ListCommands::on_context_menu(QPoint global_pos) {
  tabs_.record_selected_tab();
  const ResultListView* list = tabs_.selected_list();
  if (list == nullptr || list->result_model()->rowCount() == 0) return;
  menu_->popup(global_pos + QPoint(3, 3));
}

QString ListCommands::selected_row_text(int column) {
  tabs_.record_selected_tab();
  const ResultListView* list = tabs_.selected_list();
  if (list == nullptr) return QString();
  return QString::fromStdString(list->result_model()->cell(list->selected_row(), column));
}

void ListCommands::download() {
  const QString link = selected_row_text(ResultListModel::kMagnetColumn);
  if (link.isEmpty()) return;  // no row selected: nothing to hand over
  if (!is_well_formed_magnet(link.toStdString())) {
    show_notice(message_parent_, QString::fromUtf8(kNoValidMagnetText));
    return;
  }
  opener_(QUrl(link, QUrl::StrictMode));
}

void ListCommands::copy_link() {
  QGuiApplication::clipboard()->setText(selected_row_text(ResultListModel::kMagnetColumn));
}

void ListCommands::copy_row() {
  const QString name = selected_row_text(0);
  const QString size = selected_row_text(1);
  const QString link = selected_row_text(ResultListModel::kMagnetColumn);
  QGuiApplication::clipboard()->setText(name + QString::fromUtf8(kRowSizeJoin) + size +
                                        QString::fromUtf8(kRowLinkJoin) + link);
}

}  // namespace korvane

// The meta-object code beside the class, so that the static library links
// each class only where it is used.
#include "moc_list_commands.cpp"
