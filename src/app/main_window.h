// The main window: the search controls, the tab control 高级选择夹1 with the
// welcome tab and one tab per search, the status bar 状态条1, the 300 ms
// status timer, the tray icon and the three popup menus. Every control
// carries its design name as objectName. The window runs its creation steps
// in the constructor; closing it ends the program: a running search is
// cancelled and joined first. UI thread only.
#ifndef KORVANE_APP_MAIN_WINDOW_H_
#define KORVANE_APP_MAIN_WINDOW_H_

#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include "app/list_commands.h"
#include "app/search_controller.h"
#include "app/search_tabs.h"
#include "search/search_engine.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace korvane {

class ColumnSorter;

inline const char* const kProgramVersion = "2.3";
// The box text that counts as no keyword, besides the empty text.
inline const char* const kNoKeywordText = "搜索你想要的任何资源！";
inline const char* const kNoKeywordMessage = "请先输入要搜索的资源";
inline const char* const kDeleteDuringSearchMessage = "搜索完毕后才可删除子夹";

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 857;
  static constexpr int kHeight = 610;

  explicit MainWindow(EngineCatalogue engines, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The handlers of the controls, public so that tests can drive them.
  void start_search();
  void stop_search();
  void delete_search_tab();
  void result_count_tick();
  void on_tray_activated(QSystemTrayIcon::ActivationReason reason);

  // The text of status bar panel 0, 1 or 2.
  QString panel_text(int panel) const;
  // The instance name of creation step 2.
  const QString& instance_name() const { return instance_name_; }
  // True when the single-instance guard found another copy running.
  bool refused_by_guard() const { return refused_by_guard_; }
  bool search_running() const { return search_.running(); }

  SearchTabs& tabs() { return *tabs_; }
  ListCommands& commands() { return *commands_; }
  ColumnSorter& sorter() { return *sorter_; }
  SearchController& search() { return search_; }
  QSystemTrayIcon* tray_icon() const { return tray_; }

 Q_SIGNALS:
  // The window has been closed; the program ends.
  void closed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build_controls();
  void build_status_bar();
  void build_tab_control();
  void build_menus();
  void run_creation_steps();
  void add_tray_icon();
  void show_search_hint();
  void clear_search_hint();
  void open_search_tab(const QString& keyword);
  void set_inputs_enabled(bool enabled);
  void on_search_finished(SearchOutcome outcome);
  void on_page_capped(int wanted, int fetched);
  void popup_at_pointer(QMenu* menu);

  const EngineCatalogue engines_;
  QString instance_name_;
  bool refused_by_guard_ = false;
  bool searches_ready_ = false;  // set by the last creation step
  bool hint_shown_ = false;

  QStatusBar* status_bar_ = nullptr;
  QLabel* panels_[3] = {};
  QTimer* count_timer_ = nullptr;
  QToolButton* delete_button_ = nullptr;
  QTabWidget* tab_control_ = nullptr;
  QLabel* welcome_ = nullptr;
  ResultListView* template_list_ = nullptr;
  QComboBox* engine_box_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  QLineEdit* search_box_ = nullptr;
  QPushButton* start_button_ = nullptr;
  QLabel* label1_ = nullptr;
  QMenu* list_menu_ = nullptr;
  QMenu* tray_menu_shown_ = nullptr;
  QMenu* tray_menu_hidden_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;

  SearchTabs* tabs_ = nullptr;
  ListCommands* commands_ = nullptr;
  ColumnSorter* sorter_ = nullptr;
  SearchController search_;
  QPointer<ResultListView> search_list_;  // the running search's list
  QString search_engine_label_;
};

}  // namespace korvane

#endif  // KORVANE_APP_MAIN_WINDOW_H_
