// Sorting result lists by a header click: names and sizes both ways, the
// directions shared by all lists, the link column, and rows that arrive
// while a sort is being computed.
#include "app/column_sorter.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <condition_variable>
#include <mutex>

#include "app/main_window.h"
#include "app/test_support.h"

namespace korvane {
namespace {

// Rows named and sized as given; each row's link is "row<i>", i its first place.
ResultTable rows_of(const std::vector<std::pair<std::string, std::string>>& cells) {
  ResultTable rows;
  for (size_t i = 0; i < cells.size(); ++i) {
    rows.push_back({cells[i].first, cells[i].second, "row" + std::to_string(i)});
  }
  return rows;
}

std::vector<std::string> column(const ResultListModel& model, int index) {
  std::vector<std::string> texts;
  for (const ResultRow& row : model.rows()) texts.push_back(row.column(index));
  return texts;
}

class ColumnSortTest : public ::testing::Test {
 protected:
  ColumnSortTest() : window_(testing::labelled_engines()) { window_.show(); }

  ResultListModel& tab_with(const ResultTable& rows) {
    ResultListView* list = window_.tabs().add_search_tab("list");
    list->result_model()->append_rows(rows);
    return *list->result_model();
  }

  // Clicks the header of `index` in the selected tab's list; waits for the sort.
  void click_header(int index) {
    Q_EMIT window_.tabs().selected_list()->horizontalHeader()->sectionClicked(index);
    ASSERT_TRUE(testing::wait_until([&] { return !window_.sorter().busy(); }));
  }

  QApplication& app_ = testing::test_app();
  MainWindow window_;
};

TEST_F(ColumnSortTest, NamesSortAsTextKeepingEqualNamesInTheirOrder) {
  ResultListModel& model = tab_with(rows_of({{"b", ""}, {"a", ""}, {"a", ""}}));
  click_header(0);
  EXPECT_EQ(column(model, 0), (std::vector<std::string>{"a", "a", "b"}));
  EXPECT_EQ(column(model, 2), (std::vector<std::string>{"row1", "row2", "row0"}));
  click_header(0);
  EXPECT_EQ(column(model, 2), (std::vector<std::string>{"row0", "row1", "row2"}));
}

TEST_F(ColumnSortTest, SizesSortByValueWithoutLosingRowsOrTexts) {
  ResultListModel& model = tab_with(rows_of({{"a", "700 MB"},
                                             {"b", "1.5 GB"},
                                             {"c", "12 KB"},
                                             {"d", "300 MB"},
                                             {"e", "?"},
                                             {"f", "0.5 GB"},
                                             {"g", "2 kb"}}));
  click_header(1);
  EXPECT_EQ(column(model, 1), (std::vector<std::string>{"2 kb", "12 KB", "300 MB", "0.5 GB",
                                                        "700 MB", "1.5 GB", "?"}));
  click_header(1);
  EXPECT_EQ(column(model, 1), (std::vector<std::string>{"1.5 GB", "700 MB", "0.5 GB", "300 MB",
                                                        "12 KB", "2 kb", "?"}));
  EXPECT_EQ(column(model, 0), (std::vector<std::string>{"b", "a", "f", "d", "c", "g", "e"}));
}

TEST_F(ColumnSortTest, DirectionsAreSharedByAllListsAndTheLinkColumnDoesNothing) {
  ResultListModel& first = tab_with(rows_of({{"b", ""}, {"a", ""}}));
  click_header(0);
  EXPECT_EQ(column(first, 0), (std::vector<std::string>{"a", "b"}));

  ResultListModel& second = tab_with(rows_of({{"x", ""}, {"z", ""}, {"y", ""}}));
  click_header(2);
  EXPECT_EQ(column(second, 0), (std::vector<std::string>{"x", "z", "y"}));
  click_header(0);  // the second click on 名称 in the program: descending
  EXPECT_EQ(column(second, 0), (std::vector<std::string>{"z", "y", "x"}));
}

TEST_F(ColumnSortTest, RowsArrivingDuringASortAreSortedWithTheRest) {
  std::mutex mutex;
  std::condition_variable released_cv;
  bool released = false;
  int computations = 0;
  ColumnSorter sorter(nullptr, [&](const ResultTable& rows, int index, bool ascending,
                                   const std::atomic<bool>* cancel) {
    std::unique_lock lock(mutex);
    ++computations;
    released_cv.wait(lock, [&] { return released; });
    return sorted_order(rows, index, ascending, cancel);
  });
  ResultListModel model;
  model.append_rows(rows_of({{"c", ""}, {"a", ""}}));
  sorter.header_clicked(&model, 0);
  model.append_rows(rows_of({{"b", ""}, {"d", ""}}));  // a page arrives meanwhile
  {
    std::lock_guard lock(mutex);
    released = true;
  }
  released_cv.notify_all();
  ASSERT_TRUE(testing::wait_until([&] { return !sorter.busy(); }));
  EXPECT_EQ(column(model, 0), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(computations, 2);
}

TEST_F(ColumnSortTest, ANewerClickSupersedesASortStillBeingComputed) {
  std::mutex mutex;
  std::condition_variable released_cv;
  bool released = false;
  ColumnSorter sorter(nullptr, [&](const ResultTable& rows, int index, bool ascending,
                                   const std::atomic<bool>* cancel) {
    std::unique_lock lock(mutex);
    released_cv.wait(lock, [&] { return released; });
    return sorted_order(rows, index, ascending, cancel);
  });
  ResultListModel model;
  model.append_rows(rows_of({{"b", ""}, {"c", ""}, {"a", ""}}));
  sorter.header_clicked(&model, 0);  // ascending
  sorter.header_clicked(&model, 0);  // descending, while the first still waits
  {
    std::lock_guard lock(mutex);
    released = true;
  }
  released_cv.notify_all();
  ASSERT_TRUE(testing::wait_until([&] { return !sorter.busy(); }));
  pump_delay(20);
  EXPECT_EQ(column(model, 0), (std::vector<std::string>{"c", "b", "a"}));
}

// An order function whose computations each wait until the test lets one more
// of them through.
class GatedOrder {
 public:
  ColumnSorter::OrderFunction function() {
    return [this](const ResultTable& rows, int index, bool ascending,
                  const std::atomic<bool>* cancel) {
      std::unique_lock lock(mutex_);
      const int mine = ++started_;
      cv_.wait(lock, [&] { return allowed_ >= mine; });
      return sorted_order(rows, index, ascending, cancel);
    };
  }
  void let_one_through() {
    std::lock_guard lock(mutex_);
    ++allowed_;
    cv_.notify_all();
  }
  int started() {
    std::lock_guard lock(mutex_);
    return started_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  int started_ = 0;
  int allowed_ = 0;
};

TEST_F(ColumnSortTest, RowsArrivingThroughEverySortStayAfterTheSortedOnes) {
  GatedOrder gate;
  ColumnSorter sorter(nullptr, gate.function());
  ResultListModel model;
  model.append_rows(rows_of({{"c", ""}, {"a", ""}}));
  sorter.header_clicked(&model, 0);
  model.append_rows(rows_of({{"d", ""}, {"b", ""}}));
  gate.let_one_through();
  ASSERT_TRUE(testing::wait_until([&] { return gate.started() == 2; }));
  model.append_rows(rows_of({{"z", ""}, {"e", ""}}));  // pages keep coming
  gate.let_one_through();
  ASSERT_TRUE(testing::wait_until([&] { return !sorter.busy(); }));
  EXPECT_EQ(column(model, 0), (std::vector<std::string>{"a", "b", "c", "d", "z", "e"}));
}

TEST_F(ColumnSortTest, AListDeletedDuringItsSortIsLeftAlone) {
  GatedOrder gate;
  ColumnSorter sorter(nullptr, gate.function());
  int sorted_signals = 0;
  QObject::connect(&sorter, &ColumnSorter::sorted, [&] { ++sorted_signals; });
  auto model = std::make_unique<ResultListModel>();
  model->append_rows(rows_of({{"b", ""}, {"a", ""}}));
  sorter.header_clicked(model.get(), 0);
  model.reset();
  gate.let_one_through();
  ASSERT_TRUE(testing::wait_until([&] { return !sorter.busy(); }));
  pump_delay(20);
  EXPECT_EQ(sorted_signals, 0);
}

}  // namespace
}  // namespace korvane
