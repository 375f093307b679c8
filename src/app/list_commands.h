// The commands on the rows of the selected tab's result list: the right-click
// menu "菜单" and its items "下载", "复制链接" and "复制整行". Each command finds
// its list through the selected tab, never through the list that raised the
// event. UI thread only.
#ifndef KORVANE_APP_LIST_COMMANDS_H_
#define KORVANE_APP_LIST_COMMANDS_H_

#include <QObject>
#include <QPoint>
#include <QString>
#include <QUrl>
#include <functional>

class QMenu;
class QWidget;

namespace korvane {

class SearchTabs;

// Hands a link to the system's open action; replaceable for tests.
using LinkOpener = std::function<void(const QUrl& link)>;

// The opener over QDesktopServices::openUrl.
LinkOpener desktop_link_opener();

// The texts between the columns of a copied row.
inline const char* const kRowSizeJoin = "\r\n大小：";
inline const char* const kRowLinkJoin = "\r\n磁力链接：";

// What the user is told when the selected row holds no link the system may open.
inline const char* const kNoValidMagnetText = "所选行没有有效的磁力链接，无法下载";

class ListCommands : public QObject {
  Q_OBJECT

 public:
  // `menu` is "菜单"; `message_parent` parents the message boxes.
  ListCommands(SearchTabs& tabs, QMenu* menu, QWidget* message_parent, QObject* parent = nullptr);

  void set_link_opener(LinkOpener opener) { opener_ = std::move(opener); }

  // Right click at `global_pos`: pops up "菜单" 3 pixels right of and below it
  // when the selected tab's list has rows; otherwise nothing.
  void on_context_menu(QPoint global_pos);
  // "下载": a well-formed magnet link goes to the open action; another text
  // is refused with a message; with no row selected nothing happens.
  void download();
  // "复制链接".
  void copy_link();
  // "复制整行": name, "\r\n大小：", size, "\r\n磁力链接：", link.
  void copy_row();

  // The text of `column` in the selected row of the selected tab's list; ""
  // without a selected row.
  QString selected_row_text(int column);

 private:
  SearchTabs& tabs_;
  QMenu* menu_;
  QWidget* message_parent_;
  LinkOpener opener_;
};

}  // namespace korvane

#endif  // KORVANE_APP_LIST_COMMANDS_H_
