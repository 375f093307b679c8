#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "app/app_theme.h"
#include "app/column_sorter.h"
#include "app/enciphered_text.h"
#include "app/instance_guard.h"
#include "app/notice_box.h"
#include "app/online_notice.h"
#include "app/pictures.h"
#include "app/status_texts.h"

namespace korvane {
namespace {

constexpr int kPanelWidths[3] = {150, 250, 500};
constexpr int kCountTickMs = 300;
constexpr int kStatusBarX = 3;
constexpr int kStatusBarHeight = 20;
const QColor kHintColour(192, 192, 192);

QLabel* make_label(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  return label;
}

void set_text_colour(QLineEdit* box, const QColor& colour) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Text, colour);
  box->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow(EngineCatalogue engines, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      engines_(std::move(engines)) {
  setObjectName(QStringLiteral("主窗口"));
  setWindowTitle(QStringLiteral("KorvaneBT资源搜索器 V2.3"));
  setWindowIcon(program_icon());
  setFixedSize(kWidth, kHeight);
  build_controls();
  build_menus();
  connect(&search_, &SearchController::finished, this,
          [this](SearchOutcome outcome, const QString&) { on_search_finished(outcome); });
  connect(&search_, &SearchController::page_capped, this, &MainWindow::on_page_capped);
  run_creation_steps();
}

MainWindow::~MainWindow() { search_.cancel(); }

void MainWindow::build_controls() {
  build_status_bar();

  count_timer_ = new QTimer(this);
  count_timer_->setObjectName(QStringLiteral("时钟_统计项目结果"));
  count_timer_->setInterval(kCountTickMs);
  connect(count_timer_, &QTimer::timeout, this, &MainWindow::result_count_tick);
  count_timer_->start();

  build_tab_control();

  engine_box_ = new QComboBox(this);
  engine_box_->setObjectName(QStringLiteral("组合框_引擎"));
  engine_box_->setGeometry(48, 24, 72, 20);
  engine_box_->setEditable(false);
  for (const SearchEngine& engine : engines_) {
    engine_box_->addItem(QString::fromStdString(engine.label));
  }
  engine_box_->setCurrentIndex(0);

  stop_button_ = new QPushButton(QStringLiteral("停止搜索"), this);
  stop_button_->setObjectName(QStringLiteral("按钮_停止搜索"));
  stop_button_->setGeometry(704, 18, 80, 32);
  stop_button_->setEnabled(false);
  connect(stop_button_, &QPushButton::clicked, this, &MainWindow::stop_search);

  search_box_ = new QLineEdit(this);
  search_box_->setObjectName(QStringLiteral("编辑框_搜索内容"));
  search_box_->setGeometry(128, 18, 464, 32);
  search_box_->installEventFilter(this);
  connect(search_box_, &QLineEdit::returnPressed, this, [this] {
    start_search();
    setFocus(Qt::OtherFocusReason);
  });

  start_button_ = new QPushButton(QStringLiteral("开始搜索"), this);
  start_button_->setObjectName(QStringLiteral("按钮_开始搜索"));
  start_button_->setGeometry(603, 18, 80, 32);
  connect(start_button_, &QPushButton::clicked, this, &MainWindow::start_search);

  label1_ = make_label(this, "标签1", QStringLiteral("多线程"));
  label1_->setGeometry(0, 0, 80, 24);
  label1_->hide();

  setTabOrder(engine_box_, search_box_);
  setTabOrder(search_box_, start_button_);
  setTabOrder(start_button_, stop_button_);
  setFocusPolicy(Qt::ClickFocus);
}

void MainWindow::build_status_bar() {
  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(QStringLiteral("状态条1"));
  // Docked at the bottom edge, where a status bar sits, rather than over the
  // search controls.
  status_bar_->setGeometry(kStatusBarX, kHeight - kStatusBarHeight - 4, 851, kStatusBarHeight);
  status_bar_->setSizeGripEnabled(false);

  auto* first = new QWidget(status_bar_);
  first->setFixedWidth(kPanelWidths[0]);
  auto* first_layout = new QHBoxLayout(first);
  first_layout->setContentsMargins(2, 0, 2, 0);
  first_layout->setSpacing(4);
  auto* icon = new QLabel(first);
  icon->setPixmap(status_icon());
  first_layout->addWidget(icon);
  panels_[0] = new QLabel(QStringLiteral("服务器已连接"), first);
  first_layout->addWidget(panels_[0], 1);
  status_bar_->addWidget(first);

  panels_[1] = new QLabel(QStringLiteral("欢迎使用KorvaneBT资源搜索器"), status_bar_);
  panels_[1]->setFixedWidth(kPanelWidths[1]);
  status_bar_->addWidget(panels_[1]);
  panels_[2] = new QLabel(status_bar_);
  panels_[2]->setMinimumWidth(0);
  panels_[2]->setMaximumWidth(kPanelWidths[2]);
  status_bar_->addWidget(panels_[2], 1);
  for (int i = 0; i < 3; ++i) panels_[i]->setObjectName(QStringLiteral("面板%1").arg(i));
}

void MainWindow::build_tab_control() {
  delete_button_ = new QToolButton(this);
  delete_button_->setObjectName(QStringLiteral("图形按钮_删除子夹"));
  delete_button_->setGeometry(108, 63, 16, 16);
  delete_button_->setIcon(delete_tab_icon());
  delete_button_->setIconSize(QSize(16, 16));
  delete_button_->setAutoRaise(true);
  delete_button_->setFocusPolicy(Qt::NoFocus);
  delete_button_->setToolTip(QStringLiteral("删除当前子夹"));
  delete_button_->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0px; }"));
  connect(delete_button_, &QToolButton::clicked, this, &MainWindow::delete_search_tab);

  tab_control_ = new QTabWidget(this);
  tab_control_->setObjectName(QStringLiteral("高级选择夹1"));
  tab_control_->setGeometry(48, 63, 752, 472);
  tab_control_->setDocumentMode(true);
  tab_control_->setUsesScrollButtons(true);
  tab_control_->tabBar()->setExpanding(false);
  tab_control_->tabBar()->setElideMode(Qt::ElideRight);
  QFont tab_font = cjk_font(12);
  tab_font.setFamilies(QStringList{QStringLiteral("SimSun"), QStringLiteral("宋体")} +
                       tab_font.families());
  tab_font.setWeight(QFont::Normal);
  tab_control_->setFont(tab_font);

  welcome_ = make_label(nullptr, "图片框1", QString());
  welcome_->setPixmap(welcome_picture());
  welcome_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  tab_control_->addTab(welcome_, QStringLiteral("欢迎使用  "));

  template_list_ = new ResultListView(welcome_);
  template_list_->setObjectName(QStringLiteral("超级列表框1"));
  template_list_->setGeometry(0, 0, ResultListView::kWidth, ResultListView::kHeight);
  template_list_->hide();

  tabs_ = new SearchTabs(tab_control_, delete_button_, this);
  delete_button_->raise();

  sorter_ = new ColumnSorter(this);
  connect(tabs_, &SearchTabs::list_header_clicked, this, [this](int column) {
    tabs_->record_selected_tab();
    if (ResultListView* list = tabs_->selected_list()) {
      sorter_->header_clicked(list->result_model(), column);
    }
  });
}

void MainWindow::build_menus() {
  list_menu_ = new QMenu(QStringLiteral("菜单"), this);
  list_menu_->setObjectName(QStringLiteral("菜单"));
  commands_ = new ListCommands(*tabs_, list_menu_, this, this);
  connect(list_menu_->addAction(QStringLiteral("下载")), &QAction::triggered, commands_,
          &ListCommands::download);
  connect(list_menu_->addAction(QStringLiteral("复制链接")), &QAction::triggered, commands_,
          &ListCommands::copy_link);
  connect(list_menu_->addAction(QStringLiteral("复制整行")), &QAction::triggered, commands_,
          &ListCommands::copy_row);
  connect(tabs_, &SearchTabs::list_context_menu_requested, commands_,
          &ListCommands::on_context_menu);

  tray_menu_shown_ = new QMenu(QStringLiteral("菜单1"), this);
  tray_menu_shown_->setObjectName(QStringLiteral("菜单1"));
  QAction* hide_action = tray_menu_shown_->addAction(QStringLiteral("隐藏"));
  connect(hide_action, &QAction::triggered, this, &QWidget::hide);
  connect(tray_menu_shown_->addAction(QStringLiteral("退出")), &QAction::triggered, this,
          &QWidget::close);

  tray_menu_hidden_ = new QMenu(QStringLiteral("菜单2"), this);
  tray_menu_hidden_->setObjectName(QStringLiteral("菜单2"));
  connect(tray_menu_hidden_->addAction(QStringLiteral("显示")), &QAction::triggered, this,
          &QWidget::show);
  connect(tray_menu_hidden_->addAction(QStringLiteral("退出")), &QAction::triggered, this,
          &QWidget::close);
}

// The creation steps, in their fixed order.
void MainWindow::run_creation_steps() {
  const QString version = QString::fromUtf8(kProgramVersion);  // 1
  instance_name_ = QString::fromStdString(decipher(ciphered::kInstanceNamePrefix)) + version;
  if (!single_instance_guard(instance_name_)) {  // 2
    refused_by_guard_ = true;
    return;
  }
  add_tray_icon();                   // 3
  setWindowOpacity(230.0 / 255.0);   // 4
  tint_theme(*this, -20, 0, 0);      // 5
  show_search_hint();                // 6
  run_notice_check(*this, version);  // 7
  searches_ready_ = true;            // 8: rows are appended on this thread only
}

void MainWindow::add_tray_icon() {
  // Without a tray the window could not be brought back once hidden, so
  // hiding is not offered.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    tray_menu_shown_->actions().front()->setEnabled(false);
    return;
  }
  tray_ = new QSystemTrayIcon(program_icon(), this);
  tray_->setObjectName(QStringLiteral("托盘图标"));
  tray_->setToolTip(windowTitle());
  connect(tray_, &QSystemTrayIcon::activated, this, &MainWindow::on_tray_activated);
  tray_->show();
}

void MainWindow::show_search_hint() {
  set_text_colour(search_box_, kHintColour);
  search_box_->setText(QString::fromStdString(decipher(ciphered::kSearchHint)));
  hint_shown_ = true;
}

void MainWindow::clear_search_hint() {
  set_text_colour(search_box_, Qt::black);
  search_box_->clear();
  hint_shown_ = false;
}

namespace {

// Whether `event` in the search box puts text into it: a printable key, a
// paste, or text committed by an input method.
bool replaces_hint(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    return key->matches(QKeySequence::Paste) ||
           (!key->text().isEmpty() && key->text().front().isPrint());
  }
  if (event->type() == QEvent::InputMethod) {
    return !static_cast<QInputMethodEvent*>(event)->commitString().isEmpty();
  }
  return false;
}

}  // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_box_) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      clear_search_hint();
    } else if (hint_shown_ && replaces_hint(event)) {
      clear_search_hint();  // typing or pasting replaces the hint rather than extending it
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::start_search() {
  if (!searches_ready_ || search_.running()) return;
  const QString keyword = search_box_->text();
  if (keyword.isEmpty() || keyword == QString::fromUtf8(kNoKeywordText) || hint_shown_) {
    show_notice(this, QString::fromUtf8(kNoKeywordMessage));
    return;
  }
  stop_button_->setEnabled(true);
  open_search_tab(keyword);
}

void MainWindow::open_search_tab(const QString& keyword) {
  ResultListView* list = tabs_->add_search_tab(keyword);
  const SearchEngine* engine = find_engine(engines_, engine_box_->currentText().toStdString());
  if (engine == nullptr) {
    tabs_->remove_tab_of(list);
    stop_button_->setEnabled(false);
    return;
  }
  set_inputs_enabled(false);
  search_list_ = list;
  search_engine_label_ = engine_box_->currentText();
  search_.start(*engine, keyword.toStdString(), list->result_model());
  result_count_tick();
}

void MainWindow::stop_search() {
  stop_button_->setEnabled(false);
  search_.stop();
}

void MainWindow::set_inputs_enabled(bool enabled) {
  if (enabled) {
    search_box_->setEnabled(true);
    start_button_->setEnabled(true);
    engine_box_->setEnabled(true);
    stop_button_->setEnabled(false);
  } else {
    start_button_->setEnabled(false);
    search_box_->setEnabled(false);
    engine_box_->setEnabled(false);
  }
}

void MainWindow::on_search_finished(SearchOutcome outcome) {
  set_inputs_enabled(true);
  ResultListView* list = search_list_;
  search_list_ = nullptr;
  if (outcome == SearchOutcome::kNoHits) {
    tabs_->remove_tab_of(list);  // the search's own tab, whichever is selected
    show_notice(this, QString::fromStdString(
                          no_hits_message(search_engine_label_.toStdString(), "\r\n\r\n")));
  }
  result_count_tick();
}

void MainWindow::on_page_capped(int wanted, int fetched) {
  if (search_list_) search_list_->setProperty("page_cap_note", page_cap_text(wanted, fetched));
}

void MainWindow::delete_search_tab() {
  if (!start_button_->isEnabled()) {
    show_notice(this, QString::fromUtf8(kDeleteDuringSearchMessage));
    return;
  }
  tabs_->remove_tab(tab_control_->currentIndex());
}

void MainWindow::result_count_tick() {
  const int selected = tab_control_->currentIndex();
  panels_[1]->setText(QString::fromStdString(decipher(ciphered::kStatusLine)));
  if (selected == 0) {
    panels_[2]->clear();
    return;
  }
  const ResultListView* list = tabs_->list_of_tab(tabs_->current_tab_index());
  if (list == nullptr) {
    panels_[2]->clear();
    return;
  }
  QString text = result_count_text(list->result_model()->rowCount());
  if (search_.running() && list == search_list_) {
    text += QStringLiteral("　") + search_progress_text(search_.progress(), search_.stopping());
  }
  if (const QVariant note = list->property("page_cap_note"); note.isValid()) {
    text += QStringLiteral("　") + note.toString();
  }
  panels_[2]->setText(text);
}

QString MainWindow::panel_text(int panel) const {
  return panel >= 0 && panel < 3 ? panels_[panel]->text() : QString();
}

void MainWindow::popup_at_pointer(QMenu* menu) { menu->popup(QCursor::pos() + QPoint(3, 3)); }

void MainWindow::on_tray_activated(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      show();
      setWindowState(windowState() & ~Qt::WindowMinimized);
      raise();
      activateWindow();
      break;
    case QSystemTrayIcon::Context:
      popup_at_pointer(isVisible() ? tray_menu_shown_ : tray_menu_hidden_);
      break;
    default:
      break;
  }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  tabs_->sync_tab_view();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  hide();
  search_.cancel();
  if (tray_ != nullptr) tray_->hide();
  event->accept();
  Q_EMIT closed();
}

}  // namespace korvane

// The meta-object code beside the class, so that the static library links
// each class only where it is used.
#include "moc_main_window.cpp"
