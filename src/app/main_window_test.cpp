// The main window without a search: controls, creation steps, tabs, list
// commands, the status tick, the tray handler and closing.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/enciphered_text.h"
#include "app/test_support.h"

namespace korvane {
namespace {

ResultTable some_rows(int n) {
  ResultTable rows;
  for (int i = 0; i < n; ++i) {
    rows.push_back({"名称" + std::to_string(i), std::to_string(i + 1) + " MB",
                    "magnet:?xt=urn:btih:" + std::string(39, 'a') + std::to_string(i % 10)});
  }
  return rows;
}

QString deciphered(const EncipheredText& text) { return QString::fromStdString(decipher(text)); }

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : app_(testing::test_app()), window_(testing::labelled_engines()) {
    window_.show();
    QApplication::processEvents();
  }

  template <typename T>
  T* find(const char* name) {
    return window_.findChild<T*>(QString::fromUtf8(name));
  }

  QTabWidget* tab_control() { return find<QTabWidget>("高级选择夹1"); }
  QLineEdit* search_box() { return find<QLineEdit>("编辑框_搜索内容"); }
  QPushButton* start_button() { return find<QPushButton>("按钮_开始搜索"); }
  QPushButton* stop_button() { return find<QPushButton>("按钮_停止搜索"); }
  QToolButton* delete_button() { return find<QToolButton>("图形按钮_删除子夹"); }
  QMenu* menu(const char* name) { return find<QMenu>(name); }

  // A search tab holding `rows`, selected.
  ResultListView* tab_with_rows(const QString& keyword, const ResultTable& rows) {
    ResultListView* list = window_.tabs().add_search_tab(keyword);
    list->result_model()->append_rows(rows);
    return list;
  }

  static QStringList action_texts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions()) texts << action->text();
    return texts;
  }

  QApplication& app_;
  MainWindow window_;
};

TEST_F(MainWindowTest, EveryControlHasItsNamePlaceSizeAndFirstState) {
  struct Place {
    const char* name;
    QRect geometry;
  };
  const Place places[] = {
      {"状态条1", QRect(3, 586, 851, 20)},       {"图形按钮_删除子夹", QRect(0, 0, 16, 16)},
      {"高级选择夹1", QRect(48, 63, 752, 472)},  {"组合框_引擎", QRect(48, 24, 72, 20)},
      {"按钮_停止搜索", QRect(704, 18, 80, 32)}, {"编辑框_搜索内容", QRect(128, 18, 464, 32)},
      {"按钮_开始搜索", QRect(603, 18, 80, 32)}, {"标签1", QRect(0, 0, 80, 24)},
      {"超级列表框1", QRect(0, 0, 752, 449)},
  };
  for (const Place& place : places) {
    QWidget* widget = find<QWidget>(place.name);
    ASSERT_NE(widget, nullptr) << place.name;
    EXPECT_EQ(widget->size(), place.geometry.size()) << place.name;
    // The delete button's place follows the selected tab's header (tested below).
    if (QString(place.name) != "图形按钮_删除子夹") {
      EXPECT_EQ(widget->pos(), place.geometry.topLeft()) << place.name;
    }
  }
  EXPECT_EQ(window_.size(), QSize(857, 610));
  EXPECT_EQ(window_.minimumSize(), window_.maximumSize());
  EXPECT_FALSE(window_.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window_.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_NEAR(window_.windowOpacity(), 230.0 / 255.0, 0.01);

  EXPECT_EQ(window_.windowTitle(), deciphered(ciphered::kTitlePrefix) + "2.3");
  EXPECT_EQ(window_.instance_name(), deciphered(ciphered::kInstanceNamePrefix) + "2.3");
  EXPECT_EQ(search_box()->text(), deciphered(ciphered::kSearchHint));
  EXPECT_EQ(search_box()->palette().color(QPalette::Text), QColor(192, 192, 192));
  EXPECT_FALSE(stop_button()->isEnabled());
  EXPECT_EQ(stop_button()->text(), "停止搜索");
  EXPECT_EQ(start_button()->text(), "开始搜索");
  auto* engines = find<QComboBox>("组合框_引擎");
  EXPECT_FALSE(engines->isEditable());
  ASSERT_EQ(engines->count(), 3);
  EXPECT_EQ(engines->itemText(0), "引擎1");
  EXPECT_EQ(engines->itemText(2), "引擎3");
  EXPECT_EQ(engines->currentText(), "引擎1");
  ASSERT_EQ(tab_control()->count(), 1);
  EXPECT_EQ(tab_control()->tabText(0), "欢迎使用  ");
  EXPECT_TRUE(find<QLabel>("图片框1")->isVisible());
  EXPECT_FALSE(find<QWidget>("超级列表框1")->isVisible());
  EXPECT_FALSE(find<QWidget>("标签1")->isVisible());
  EXPECT_EQ(find<QLabel>("标签1")->text(), "多线程");
  auto* timer = find<QTimer>("时钟_统计项目结果");
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->interval(), 300);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(window_.panel_text(0), "服务器已连接");

  EXPECT_EQ(action_texts(menu("菜单")), QStringList({"下载", "复制链接", "复制整行"}));
  EXPECT_EQ(action_texts(menu("菜单1")), QStringList({"隐藏", "退出"}));
  EXPECT_EQ(action_texts(menu("菜单2")), QStringList({"显示", "退出"}));
}

TEST_F(MainWindowTest, ResultListsHaveTheTemplatesColumns) {
  auto* list = find<ResultListView>("超级列表框1");
  const int widths[] = {273, 75, 400};
  const char* titles[] = {"名称", "大小", "磁力链接"};
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(list->columnWidth(column), widths[column]);
    EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
  }
  ResultListView* copy = window_.tabs().add_search_tab("abc");
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(copy->columnWidth(column), widths[column]);
  }
  EXPECT_EQ(copy->mapTo(tab_control(), QPoint(0, 0)), QPoint(0, 22));
  EXPECT_EQ(copy->width(), 752);
}

TEST_F(MainWindowTest, NoKeywordShowsTheMessageAndAddsNoTab) {
  const QString no_keywords[] = {deciphered(ciphered::kSearchHint), "", "搜索你想要的任何资源！"};
  testing::MessageBoxCatcher boxes;
  bool first = true;
  for (const QString& text : no_keywords) {
    if (!first) {
      QTest::mouseClick(search_box(), Qt::LeftButton);
      testing::type_text(search_box(), text);
    }
    first = false;
    window_.start_search();
  }
  testing::press_enter(search_box());  // Enter runs the same check
  ASSERT_EQ(boxes.texts.size(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(boxes.texts[i], "请先输入要搜索的资源");
    EXPECT_EQ(boxes.captions[i], "提示");
    EXPECT_EQ(boxes.icons[i], QMessageBox::Information);
  }
  EXPECT_EQ(tab_control()->count(), 1);
  EXPECT_FALSE(stop_button()->isEnabled());
}

TEST_F(MainWindowTest, ALeftPressEmptiesTheSearchBoxAndTurnsItBlack) {
  QTest::mouseClick(search_box(), Qt::LeftButton);
  EXPECT_EQ(search_box()->text(), "");
  EXPECT_EQ(search_box()->palette().color(QPalette::Text), QColor(Qt::black));
  testing::type_text(search_box(), "电影");
  EXPECT_EQ(search_box()->text(), "电影");
  QTest::mouseClick(search_box(), Qt::LeftButton);
  EXPECT_EQ(search_box()->text(), "");
}

// The box reached by Tab, not by a click, still holds the hint.
TEST_F(MainWindowTest, PastedTextReplacesTheHint) {
  QApplication::clipboard()->setText("电影");
  search_box()->setFocus();
  QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
  QApplication::sendEvent(search_box(), &paste);
  EXPECT_EQ(search_box()->text(), "电影");
}

TEST_F(MainWindowTest, InputMethodTextReplacesTheHint) {
  search_box()->setFocus();
  QInputMethodEvent commit;
  commit.setCommitString("音乐");
  QApplication::sendEvent(search_box(), &commit);
  EXPECT_EQ(search_box()->text(), "音乐");
}

TEST_F(MainWindowTest, AddedTabsAreSelectedAndKeepTheirLists) {
  SearchTabs& tabs = window_.tabs();
  ResultListView* first = tabs.add_search_tab("abc");
  EXPECT_EQ(tab_control()->count(), 2);
  EXPECT_EQ(tab_control()->tabText(1), "abc  ");
  EXPECT_EQ(tab_control()->currentIndex(), 1);
  EXPECT_EQ(tabs.current_tab_index(), 1);
  EXPECT_EQ(tabs.search_tab_count(), 2);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->result_model()->rowCount(), 0);

  ResultListView* second = tabs.add_search_tab("def");
  ResultListView* third = tabs.add_search_tab("ghi");
  EXPECT_FALSE(first->isVisible());
  EXPECT_FALSE(second->isVisible());
  EXPECT_TRUE(third->isVisible());

  tab_control()->setCurrentIndex(2);
  window_.delete_search_tab();
  ASSERT_EQ(tab_control()->count(), 3);
  EXPECT_EQ(tab_control()->tabText(1), "abc  ");
  EXPECT_EQ(tab_control()->tabText(2), "ghi  ");
  EXPECT_EQ(tabs.list_registry(), (std::vector<ResultListView*>{first, third}));

  tab_control()->setCurrentIndex(0);
  EXPECT_FALSE(first->isVisible());
  EXPECT_FALSE(third->isVisible());
  EXPECT_TRUE(find<QLabel>("图片框1")->isVisible());
  tab_control()->setCurrentIndex(1);
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(third->isVisible());
}

TEST_F(MainWindowTest, TheDeleteButtonSitsOverTheSelectedHeaderAndSparesTheWelcomeTab) {
  window_.tabs().add_search_tab("一个较长的关键字");
  window_.tabs().add_search_tab("x");
  for (int index : {0, 1, 2}) {
    tab_control()->setCurrentIndex(index);
    QTabBar* bar = tab_control()->tabBar();
    const QRect header = bar->tabRect(index).translated(bar->pos());
    const QPoint expected(48 + header.left() + header.width() - 16 + 4,
                          63 + header.top() + header.height() - 16 - 6);
    EXPECT_EQ(delete_button()->pos(), expected) << index;
  }
  testing::MessageBoxCatcher boxes;
  tab_control()->setCurrentIndex(0);
  QTest::mouseClick(delete_button(), Qt::LeftButton);
  EXPECT_EQ(tab_control()->count(), 3);
  EXPECT_TRUE(boxes.texts.isEmpty());
}

TEST_F(MainWindowTest, NoTabIsDeletedWhileTheStartButtonIsDisabled) {
  window_.tabs().add_search_tab("abc");
  start_button()->setEnabled(false);  // as while a search runs
  testing::MessageBoxCatcher boxes;
  window_.delete_search_tab();
  EXPECT_EQ(tab_control()->count(), 2);
  ASSERT_EQ(boxes.texts.size(), 1);
  EXPECT_EQ(boxes.texts[0], "搜索完毕后才可删除子夹");
  EXPECT_EQ(boxes.captions[0], "提示");
}

TEST_F(MainWindowTest, CopyRowJoinsTheColumnsAndCopyLinkTakesTheLink) {
  ResultListView* list =
      tab_with_rows("abc", {{"abc", "1 GB", "magnet:?xt=urn:btih:X"}, {"b", "2 MB", "m2"}});
  list->selectRow(0);
  window_.commands().copy_row();
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            "abc\r\n大小：1 GB\r\n磁力链接：magnet:?xt=urn:btih:X");
  list->selectRow(1);
  window_.commands().copy_link();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "m2");

  list->clearSelection();
  window_.commands().copy_row();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "\r\n大小：\r\n磁力链接：");
  window_.commands().copy_link();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
}

TEST_F(MainWindowTest, CommandsUseTheSelectedTabsList) {
  ResultListView* first = tab_with_rows("one", {{"first", "1 MB", "link-1"}});
  first->selectRow(0);
  ResultListView* second = tab_with_rows("two", {{"second", "2 MB", "link-2"}});
  second->selectRow(0);
  tab_control()->setCurrentIndex(1);
  window_.commands().copy_link();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "link-1");
}

TEST_F(MainWindowTest, DownloadOpensOnlyAWellFormedMagnetLink) {
  const std::string good = "magnet:?xt=urn:btih:" + std::string(40, 'c');
  ResultListView* list =
      tab_with_rows("abc", {{"good", "1 GB", good}, {"bad", "1 GB", good + "&tr=http://x/"}});
  std::vector<QUrl> opened;
  window_.commands().set_link_opener([&](const QUrl& link) { opened.push_back(link); });
  testing::MessageBoxCatcher boxes;

  list->selectRow(0);
  window_.commands().download();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].toString(), QString::fromStdString(good));
  EXPECT_TRUE(boxes.texts.isEmpty());

  list->selectRow(1);
  window_.commands().download();
  list->clearSelection();
  window_.commands().download();  // no row selected: nothing is handed over, nothing said
  EXPECT_EQ(opened.size(), 1u);
  ASSERT_EQ(boxes.texts.size(), 1);
  EXPECT_EQ(boxes.texts[0], QString::fromUtf8(kNoValidMagnetText));
  EXPECT_EQ(boxes.captions[0], "提示");
}

TEST_F(MainWindowTest, RightClickOpensTheMenuOnlyOverAListWithRows) {
  ResultListView* empty = window_.tabs().add_search_tab("empty");
  window_.commands().on_context_menu(empty->mapToGlobal(QPoint(10, 10)));
  EXPECT_FALSE(menu("菜单")->isVisible());

  ResultListView* full = tab_with_rows("full", some_rows(2));
  const QPoint at = full->viewport()->mapToGlobal(QPoint(100, 200));  // below the rows
  Q_EMIT full->context_menu_requested(at);
  ASSERT_TRUE(menu("菜单")->isVisible());
  EXPECT_EQ(menu("菜单")->pos(), at + QPoint(3, 3));
  menu("菜单")->close();
}

TEST_F(MainWindowTest, TheTickShowsTheStatusLineAndTheSelectedListsCount) {
  window_.result_count_tick();
  EXPECT_EQ(window_.panel_text(1), deciphered(ciphered::kStatusLine));
  EXPECT_EQ(window_.panel_text(2), "");

  tab_with_rows("25", some_rows(25));
  tab_with_rows("3", some_rows(3));
  tab_control()->setCurrentIndex(1);
  window_.result_count_tick();
  EXPECT_EQ(window_.panel_text(2),
            deciphered(ciphered::kCountPrefix) + "25" + deciphered(ciphered::kCountSuffix));
  tab_control()->setCurrentIndex(0);
  window_.result_count_tick();
  EXPECT_EQ(window_.panel_text(2), "");
  tab_control()->setCurrentIndex(2);
  EXPECT_TRUE(testing::wait_until([&] { return window_.panel_text(2).contains("3"); },
                                  std::chrono::seconds(5)));  // the timer's own tick
}

TEST_F(MainWindowTest, TrayClicksShowTheWindowAndOfferTheMenuForItsState) {
  window_.on_tray_activated(QSystemTrayIcon::Context);
  EXPECT_TRUE(menu("菜单1")->isVisible());
  EXPECT_FALSE(menu("菜单2")->isVisible());
  menu("菜单1")->close();

  window_.hide();
  window_.on_tray_activated(QSystemTrayIcon::Context);
  EXPECT_TRUE(menu("菜单2")->isVisible());
  menu("菜单2")->close();
  window_.on_tray_activated(QSystemTrayIcon::DoubleClick);
  EXPECT_FALSE(window_.isVisible());
  window_.on_tray_activated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(window_.isVisible());

  window_.showMinimized();
  window_.on_tray_activated(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(window_.windowState() & Qt::WindowMinimized);

  QAction* hide_action = menu("菜单1")->actions()[0];
  if (hide_action->isEnabled()) {
    hide_action->trigger();
  } else {
    window_.hide();  // no tray here: hiding is not offered
  }
  EXPECT_FALSE(window_.isVisible());
  menu("菜单2")->actions()[0]->trigger();  // "显示"
  EXPECT_TRUE(window_.isVisible());
}

TEST_F(MainWindowTest, HidingIsOfferedOnlyWithATray) {
  const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
  EXPECT_EQ(menu("菜单1")->actions()[0]->isEnabled(), tray);
  EXPECT_EQ(window_.tray_icon() != nullptr, tray);
}

TEST_F(MainWindowTest, EscAndQuitCloseTheWindow) {
  QSignalSpy closed(&window_, &MainWindow::closed);
  QTest::keyClick(&window_, Qt::Key_Escape);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(window_.isVisible());

  window_.show();
  menu("菜单1")->actions()[1]->trigger();  // "退出" while shown
  EXPECT_EQ(closed.count(), 2);
  EXPECT_FALSE(window_.isVisible());

  window_.show();
  window_.hide();                          // as when hidden to the tray
  menu("菜单2")->actions()[1]->trigger();  // "退出" while hidden
  EXPECT_EQ(closed.count(), 3);
}

}  // namespace
}  // namespace korvane
