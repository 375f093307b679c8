// Whole searches through the window's controls against the demo sites on
// 127.0.0.1: control states during and after a search, the rows and the
// count, the no-hits path, stop, tab deletion during a search, and closing
// the window while a search runs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <set>

#include "app/enciphered_text.h"
#include "app/main_window.h"
#include "app/test_support.h"
#include "demo/demo_sites.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;

class MainWindowSearchTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::test_app(); }

  // Starts the demo sites with `options` and a window searching them.
  void open(DemoOptions options = {}) {
    ASSERT_TRUE(demo_.start(options));
    EngineCatalogue engines = builtin_engines();
    apply_host_overrides(engines, demo_.host_overrides());
    window_ = std::make_unique<MainWindow>(std::move(engines));
    window_->show();
  }

  template <typename T>
  T* find(const char* name) {
    return window_->findChild<T*>(QString::fromUtf8(name));
  }
  QLineEdit* search_box() { return find<QLineEdit>("编辑框_搜索内容"); }
  QPushButton* start_button() { return find<QPushButton>("按钮_开始搜索"); }
  QPushButton* stop_button() { return find<QPushButton>("按钮_停止搜索"); }
  QComboBox* engine_box() { return find<QComboBox>("组合框_引擎"); }
  QTabWidget* tab_control() { return find<QTabWidget>("高级选择夹1"); }

  void type_keyword(const QString& keyword) {
    QTest::mouseClick(search_box(), Qt::LeftButton);
    testing::type_text(search_box(), keyword);
  }

  // Types `keyword`, picks engine `engine` and clicks the start button.
  void search(const QString& keyword, int engine = 1) {
    engine_box()->setCurrentIndex(engine - 1);
    type_keyword(keyword);
    QTest::mouseClick(start_button(), Qt::LeftButton);
  }

  bool wait_for_end() {
    return testing::wait_until([&] { return !window_->search_running(); }, 60s);
  }

  bool inputs_enabled() {
    return start_button()->isEnabled() && search_box()->isEnabled() && engine_box()->isEnabled();
  }
  bool inputs_disabled() {
    return !start_button()->isEnabled() && !search_box()->isEnabled() && !engine_box()->isEnabled();
  }

  static std::set<std::string> links(const ResultListModel& model) {
    std::set<std::string> seen;
    for (const ResultRow& row : model.rows()) seen.insert(row.magnet);
    return seen;
  }

  DemoSites demo_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowSearchTest, AWholeSearchFillsItsTabWithoutRepeatedLinks) {
  DemoOptions options;
  options.latency = 200ms;  // pages keep coming while the progress is read
  open(options);
  search("电影");

  EXPECT_TRUE(inputs_disabled());
  EXPECT_TRUE(stop_button()->isEnabled());
  ASSERT_EQ(tab_control()->count(), 2);
  EXPECT_EQ(tab_control()->tabText(1), "电影  ");
  EXPECT_EQ(tab_control()->currentIndex(), 1);
  ResultListView* list = window_->tabs().selected_list();
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(testing::wait_until([&] { return list->result_model()->rowCount() > 0; }, 30s));
  window_->result_count_tick();
  EXPECT_TRUE(window_->panel_text(2).contains("正在")) << window_->panel_text(2).toStdString();

  ASSERT_TRUE(wait_for_end());
  EXPECT_TRUE(inputs_enabled());
  EXPECT_FALSE(stop_button()->isEnabled());
  const ResultListModel& model = *list->result_model();
  ASSERT_GT(model.rowCount(), 0);
  EXPECT_EQ(links(model).size(), static_cast<size_t>(model.rowCount()));
  for (const ResultRow& row : model.rows()) {
    EXPECT_TRUE(row.magnet.starts_with(kMagnetPrefix));
    EXPECT_FALSE(row.name.empty());
  }
  // Every page of engine 1 (137 hits: 14 pages) was asked for.
  EXPECT_EQ(demo_.fetch_count(1, "电影", 14), 1);
  window_->result_count_tick();
  EXPECT_EQ(window_->panel_text(2), QString::fromStdString(decipher(ciphered::kCountPrefix)) +
                                        QString::number(model.rowCount()) +
                                        QString::fromStdString(decipher(ciphered::kCountSuffix)));
}

TEST_F(MainWindowSearchTest, EnterStartsASearchWithTheChosenEngine) {
  open();
  engine_box()->setCurrentIndex(1);
  type_keyword("abc");
  testing::press_enter(search_box());
  ASSERT_EQ(tab_control()->count(), 2);
  EXPECT_EQ(tab_control()->tabText(1), "abc  ");
  ASSERT_TRUE(wait_for_end());
  EXPECT_GT(window_->tabs().list_of_tab(1)->result_model()->rowCount(), 0);
  EXPECT_GE(demo_.fetch_count(2, "abc", 1), 1);
  EXPECT_EQ(demo_.fetch_count(1, "abc", 1), 0);
}

TEST_F(MainWindowSearchTest, NoHitsRemovesTheSearchsOwnTabAndTellsTheUser) {
  DemoOptions options;
  options.latency = 300ms;
  open(options);
  search("earlier");
  ASSERT_TRUE(wait_for_end());
  ResultListView* earlier = window_->tabs().list_of_tab(1);

  testing::MessageBoxCatcher boxes;
  search("nohits", 2);
  EXPECT_EQ(tab_control()->count(), 3);
  tab_control()->setCurrentIndex(1);  // the user looks at the earlier tab meanwhile
  ASSERT_TRUE(wait_for_end());
  ASSERT_TRUE(testing::wait_until([&] { return !boxes.texts.isEmpty(); }));

  ASSERT_EQ(tab_control()->count(), 2);
  EXPECT_EQ(tab_control()->tabText(1), "earlier  ");
  EXPECT_EQ(window_->tabs().list_registry(), std::vector<ResultListView*>{earlier});
  EXPECT_EQ(boxes.texts[0], "引擎2暂不可用，请稍后重试\r\n\r\n如无法解决请切换别的引擎搜索");
  EXPECT_EQ(boxes.captions[0], "提示");
  EXPECT_EQ(boxes.icons[0], QMessageBox::Information);
  EXPECT_TRUE(inputs_enabled());
  EXPECT_FALSE(stop_button()->isEnabled());
}

TEST_F(MainWindowSearchTest, AnUnreachableEngineTakesTheNoHitsPath) {
  open();
  demo_.stop();  // nothing listens on the engines' port any more
  testing::MessageBoxCatcher boxes;
  search("电影", 3);
  ASSERT_TRUE(wait_for_end());
  ASSERT_TRUE(testing::wait_until([&] { return !boxes.texts.isEmpty(); }));
  EXPECT_TRUE(boxes.texts[0].startsWith("引擎3暂不可用"));
  EXPECT_EQ(tab_control()->count(), 1);
}

TEST_F(MainWindowSearchTest, StopFetchesNoFurtherPagesAndTheSearchEndsAsUsual) {
  DemoOptions options;
  options.latency = 300ms;  // a round of five pages takes this long: time to stop
  open(options);
  search("电影");
  ResultListView* list = window_->tabs().selected_list();
  ASSERT_TRUE(testing::wait_until([&] { return list->result_model()->rowCount() > 0; }, 30s));
  QTest::mouseClick(stop_button(), Qt::LeftButton);
  EXPECT_FALSE(stop_button()->isEnabled());
  EXPECT_FALSE(start_button()->isEnabled());  // until the search has ended
  ASSERT_TRUE(wait_for_end());
  EXPECT_TRUE(inputs_enabled());
  EXPECT_FALSE(stop_button()->isEnabled());
  EXPECT_EQ(demo_.fetch_count(1, "电影", 14), 0);  // the last page was never asked for
  EXPECT_EQ(links(*list->result_model()).size(),
            static_cast<size_t>(list->result_model()->rowCount()));
}

TEST_F(MainWindowSearchTest, NoTabIsDeletedDuringASearch) {
  DemoOptions options;
  options.latency = 100ms;
  open(options);
  search("电影");
  testing::MessageBoxCatcher boxes;
  QTest::mouseClick(find<QWidget>("图形按钮_删除子夹"), Qt::LeftButton);
  ASSERT_TRUE(testing::wait_until([&] { return !boxes.texts.isEmpty(); }));
  EXPECT_EQ(boxes.texts[0], "搜索完毕后才可删除子夹");
  EXPECT_EQ(tab_control()->count(), 2);
  ASSERT_TRUE(wait_for_end());
  window_->delete_search_tab();
  EXPECT_EQ(tab_control()->count(), 1);
}

TEST_F(MainWindowSearchTest, ASearchCutShortByThePageCapSaysSo) {
  open();
  SearchOptions options;
  options.max_pages = 3;
  window_->search().set_options(options);
  search("电影");  // 137 hits want 14 pages
  ASSERT_TRUE(wait_for_end());
  EXPECT_EQ(demo_.fetch_count(1, "电影", 3), 1);
  EXPECT_EQ(demo_.fetch_count(1, "电影", 4), 0);
  window_->result_count_tick();
  EXPECT_TRUE(window_->panel_text(2).contains("只取前 3 页（共 14 页）"))
      << window_->panel_text(2).toStdString();
}

TEST_F(MainWindowSearchTest, ClosingDuringASearchCancelsItAtOnce) {
  DemoOptions options;
  options.stall_pages = {2, 3, 4, 5, 6};  // held until the server stops
  open(options);
  SearchOptions patient;
  patient.page_timeout_seconds = 3600;  // only an abort can end these requests
  window_->search().set_options(patient);
  search("电影");
  ASSERT_TRUE(testing::wait_until([&] { return demo_.stalled_requests() > 0; }, 30s));
  QSignalSpy closed(window_.get(), &MainWindow::closed);
  window_->close();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(window_->search_running());
  pump_delay(50);  // reports of the cancelled search, if any were queued, are dropped
  window_.reset();
}

}  // namespace
}  // namespace korvane
