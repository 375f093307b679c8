#include "search/result_row.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

ResultTable rows_with_links(std::initializer_list<const char*> links) {
  ResultTable rows;
  int n = 0;
  for (const char* link : links) rows.push_back({"name" + std::to_string(n++), "1GB", link});
  return rows;
}

std::vector<std::string> column_of(const ResultTable& rows, int column) {
  std::vector<std::string> out;
  for (const ResultRow& row : rows) out.push_back(row.column(column));
  return out;
}

TEST(RemoveDuplicateRows, KeepsTheFirstRowOfEachTextInOrder) {
  ResultTable rows = rows_with_links({"a", "b", "a", "c", "b"});
  remove_duplicate_rows(rows, 2);
  EXPECT_EQ(column_of(rows, 2), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(column_of(rows, 0), (std::vector<std::string>{"name0", "name1", "name3"}));
}

TEST(RemoveDuplicateRows, EmptyTextsAreOneTextAndCaseCounts) {
  ResultTable rows = rows_with_links({"", "A", "", "a", ""});
  remove_duplicate_rows(rows, 2);
  EXPECT_EQ(column_of(rows, 2), (std::vector<std::string>{"", "A", "a"}));
}

TEST(RemoveDuplicateRows, LongTextsSurviveTheMoves) {
  // Texts longer than a short-string buffer and ones inside it, moved around.
  std::string long_link = "magnet:?xt=urn:btih:" + std::string(40, 'f');
  ResultTable rows = rows_with_links({"x", "x", long_link.c_str(), "y", long_link.c_str(), "z"});
  remove_duplicate_rows(rows, 2);
  EXPECT_EQ(column_of(rows, 2), (std::vector<std::string>{"x", long_link, "y", "z"}));
}

TEST(RemoveDuplicateRows, EmptyTableAndOtherColumns) {
  ResultTable empty;
  remove_duplicate_rows(empty, 2);
  EXPECT_TRUE(empty.empty());

  ResultTable rows = {{"n", "1GB", "a"}, {"n", "2GB", "b"}};
  remove_duplicate_rows(rows, 0);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].size, "1GB");
  // A column the row lacks reads as the empty text for every row.
  rows = {{"n", "1GB", "a"}, {"m", "2GB", "b"}};
  remove_duplicate_rows(rows, 7);
  EXPECT_EQ(rows.size(), 1u);
}

}  // namespace
}  // namespace korvane
