#include "app/result_list_model.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QSignalSpy>

#include "app/test_support.h"

namespace korvane {
namespace {

ResultRow row(const char* name, const char* size, const char* magnet) {
  return ResultRow{name, size, magnet};
}

class ResultListModelTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::test_app(); }
  ResultListModel model;
};

TEST_F(ResultListModelTest, ShowsTheThreeColumnsWithTheirTitles) {
  model.append_rows({row("名称甲", "1 GB", "magnet:?xt=urn:btih:A")});
  ASSERT_EQ(model.columnCount(), 3);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "名称");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "大小");
  EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "磁力链接");
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "名称甲");
  EXPECT_EQ(model.data(model.index(0, 1)).toString(), "1 GB");
  EXPECT_EQ(model.data(model.index(0, 2)).toString(), "magnet:?xt=urn:btih:A");
  EXPECT_EQ(model.cell(5, 0), "");
  EXPECT_EQ(model.cell(-1, 0), "");
}

TEST_F(ResultListModelTest, AppendsEachBatchInOneInsertion) {
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  model.append_rows({row("a", "1", "x"), row("b", "2", "y")});
  model.append_rows({});
  model.append_rows({row("c", "3", "z")});
  ASSERT_EQ(inserted.count(), 2);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 1);
  EXPECT_EQ(inserted[1][1].toInt(), 2);
  EXPECT_EQ(inserted[1][2].toInt(), 2);
  EXPECT_EQ(model.rowCount(), 3);
}

TEST_F(ResultListModelTest, RemovesRepeatedLinksKeepingTheFirst) {
  model.append_rows({row("1", "", "a"), row("2", "", "b"), row("3", "", "a"), row("4", "", "c"),
                     row("5", "", "b"), row("6", "", "B")});
  const uint64_t before = model.revision();
  model.remove_duplicates(ResultListModel::kMagnetColumn);
  ASSERT_EQ(model.rowCount(), 4);
  EXPECT_EQ(model.cell(0, 0), "1");
  EXPECT_EQ(model.cell(1, 0), "2");
  EXPECT_EQ(model.cell(2, 0), "4");
  EXPECT_EQ(model.cell(3, 0), "6");
  EXPECT_GT(model.revision(), before);
}

TEST_F(ResultListModelTest, AppliesAnOrderAndTheSelectionFollowsItsRow) {
  model.append_rows({row("b", "", "0"), row("a", "", "1"), row("c", "", "2")});
  QItemSelectionModel selection(&model);
  selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ASSERT_TRUE(model.apply_order({1, 0, 2}));
  EXPECT_EQ(model.cell(0, 0), "a");
  EXPECT_EQ(model.cell(1, 0), "b");
  EXPECT_EQ(model.cell(2, 0), "c");
  ASSERT_EQ(selection.selectedRows().size(), 1);
  EXPECT_EQ(selection.selectedRows().front().row(), 1);  // "b" is selected still
}

TEST_F(ResultListModelTest, RefusesAnOrderThatIsNoPermutationOfTheRows) {
  model.append_rows({row("a", "", "0"), row("b", "", "1")});
  const uint64_t before = model.revision();
  EXPECT_FALSE(model.apply_order({0}));        // rows arrived since
  EXPECT_FALSE(model.apply_order({0, 0}));     // a row twice
  EXPECT_FALSE(model.apply_order({0, 2}));     // no such row
  EXPECT_FALSE(model.apply_order({1, 0, 2}));  // one row too many
  EXPECT_EQ(model.revision(), before);
  EXPECT_EQ(model.cell(0, 0), "a");
}

}  // namespace
}  // namespace korvane
