#include "sort/column_sort.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace korvane {
namespace {

using testing::ElementsAre;

constexpr double kKiB = 1024.0;
constexpr double kMiB = kKiB * 1024;
constexpr double kGiB = kMiB * 1024;
constexpr double kTiB = kGiB * 1024;
constexpr double kPiB = kTiB * 1024;

struct SizeCase {
  const char* text;
  std::optional<double> bytes;
};

void PrintTo(const SizeCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class SizeInBytes : public testing::TestWithParam<SizeCase> {};

TEST_P(SizeInBytes, ReadsTheSizeAsTheSitePrintedIt) {
  const SizeCase& c = GetParam();
  EXPECT_EQ(size_in_bytes(c.text), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Units, SizeInBytes,
    testing::Values(SizeCase{"700 MB", 700 * kMiB}, SizeCase{"12 KB", 12 * kKiB},
                    SizeCase{"1.5 GB", 1.5 * kGiB}, SizeCase{"1.2 TB", 1.2 * kTiB},
                    SizeCase{"2 PB", 2 * kPiB}, SizeCase{"512 B", 512}, SizeCase{"512", 512},
                    SizeCase{"3 bytes", 3}, SizeCase{"1 byte", 1}, SizeCase{"3字节", 3},
                    SizeCase{"8 KiB", 8 * kKiB}, SizeCase{"8 MiB", 8 * kMiB},
                    SizeCase{"8 GiB", 8 * kGiB}, SizeCase{"8 TiB", 8 * kTiB},
                    SizeCase{"4K", 4 * kKiB}, SizeCase{"4 M", 4 * kMiB}, SizeCase{"4G", 4 * kGiB},
                    SizeCase{"4T", 4 * kTiB}));

INSTANTIATE_TEST_SUITE_P(
    LetterCaseAndSpaces, SizeInBytes,
    testing::Values(SizeCase{"1.5gb", 1.5 * kGiB}, SizeCase{"1.5 Gb", 1.5 * kGiB},
                    SizeCase{"1.5gB", 1.5 * kGiB}, SizeCase{"2 kib", 2 * kKiB},
                    SizeCase{"2 KIB", 2 * kKiB}, SizeCase{"2 BYTES", 2}, SizeCase{"2 k", 2 * kKiB},
                    SizeCase{"  700MB  ", 700 * kMiB}, SizeCase{"700\tMB", 700 * kMiB},
                    SizeCase{"700\u00a0MB", 700 * kMiB},  // no-break space
                    SizeCase{"700\u3000MB", 700 * kMiB},  // ideographic space
                    SizeCase{"\u3000700 MB\u00a0", 700 * kMiB}));

INSTANTIATE_TEST_SUITE_P(
    DecimalAndThousands, SizeInBytes,
    testing::Values(SizeCase{"1,5 GB", 1.5 * kGiB}, SizeCase{"1,25 GB", 1.25 * kGiB},
                    SizeCase{"1,2345 GB", 1.2345 * kGiB},
                    // A comma before exactly three digits groups thousands.
                    SizeCase{"1,234 MB", 1234 * kMiB}, SizeCase{"1,234,567 B", 1234567},
                    SizeCase{"1,234.5 MB", 1234.5 * kMiB}, SizeCase{"1,234,5 MB", 1234.5 * kMiB},
                    SizeCase{"0.5 GB", 0.5 * kGiB}, SizeCase{"007 MB", 7 * kMiB}));

INSTANTIATE_TEST_SUITE_P(FullWidth, SizeInBytes,
                         testing::Values(SizeCase{"７００ＭＢ", 700 * kMiB},
                                         SizeCase{"１．５ ｇｂ", 1.5 * kGiB},
                                         SizeCase{"１，５ＧＢ", 1.5 * kGiB},
                                         SizeCase{"1.5ＧiB", 1.5 * kGiB}));

INSTANTIATE_TEST_SUITE_P(
    Unreadable, SizeInBytes,
    testing::Values(SizeCase{"", std::nullopt}, SizeCase{"   ", std::nullopt},
                    SizeCase{"MB", std::nullopt}, SizeCase{"未知", std::nullopt},
                    SizeCase{"-1 GB", std::nullopt}, SizeCase{"+1 GB", std::nullopt},
                    SizeCase{".5 GB", std::nullopt}, SizeCase{"1. GB", std::nullopt},
                    SizeCase{"1, GB", std::nullopt}, SizeCase{"1.5.2 GB", std::nullopt},
                    SizeCase{"1.234,5 MB", std::nullopt}, SizeCase{"1 024 MB", std::nullopt},
                    SizeCase{"1e3 MB", std::nullopt}, SizeCase{"12 XB", std::nullopt},
                    SizeCase{"12 KBB", std::nullopt}, SizeCase{"12 iB", std::nullopt},
                    SizeCase{"12 MB (about)", std::nullopt}, SizeCase{"大小: 12 MB", std::nullopt},
                    SizeCase{"12 MB\xff", std::nullopt},  // invalid UTF-8
                    SizeCase{"nan", std::nullopt}, SizeCase{"inf GB", std::nullopt}));

TEST(SizeInBytesTest, SameAmountInDifferentUnitsReadsEqual) {
  EXPECT_EQ(size_in_bytes("1.5 GB"), size_in_bytes("1536 MB"));
  EXPECT_EQ(size_in_bytes("0.1 GB"), size_in_bytes("102.4 MB"));
  EXPECT_EQ(size_in_bytes("1,5 KiB"), size_in_bytes("1536"));
}

TEST(SizeInBytesTest, ValueTooLargeForADoubleIsUnreadable) {
  const std::string huge = std::string(400, '9') + " PB";
  EXPECT_EQ(size_in_bytes(huge), std::nullopt);
  EXPECT_EQ(size_in_bytes(std::string(308, '9') + " PB"), std::nullopt);
  ASSERT_TRUE(size_in_bytes(std::string(300, '9')).has_value());
  EXPECT_TRUE(std::isfinite(*size_in_bytes(std::string(300, '9'))));
}

ResultTable names(std::initializer_list<const char*> list) {
  ResultTable rows;
  for (const char* name : list) rows.push_back({name, "1 MB", "magnet:?xt=urn:btih:x"});
  return rows;
}

ResultTable sizes(std::initializer_list<const char*> list) {
  ResultTable rows;
  int n = 0;
  for (const char* size : list) rows.push_back({"row" + std::to_string(n++), size, ""});
  return rows;
}

TEST(SortedOrder, EqualNamesKeepTheirListOrderInBothDirections) {
  const ResultTable rows = names({"b", "a", "a"});
  EXPECT_THAT(sorted_order(rows, kNameColumn, true), ElementsAre(1, 2, 0));
  EXPECT_THAT(sorted_order(rows, kNameColumn, false), ElementsAre(0, 1, 2));
}

TEST(SortedOrder, NamesCompareByGbkBytesCaseSensitive) {
  // Pinyin order for the common characters; capitals before small letters;
  // bytes compare unsigned, so Chinese (high bytes) comes after ASCII.
  const ResultTable rows = names({"从", "b", "阿", "波", "B", "a", "A"});
  EXPECT_THAT(sorted_order(rows, kNameColumn, true), ElementsAre(6, 4, 5, 1, 2, 3, 0));
  EXPECT_THAT(sorted_order(rows, kNameColumn, false), ElementsAre(0, 3, 2, 1, 5, 4, 6));
}

TEST(SortedOrder, NameKeyIsTheGbkEncoding) {
  EXPECT_EQ(name_sort_key("阿"), "\xB0\xA2");
  EXPECT_EQ(name_sort_key("Ab"), "Ab");
  EXPECT_LT(name_sort_key("阿"), name_sort_key("波"));
}

TEST(SortedOrder, SizesSortByValueWithRowsAndTextsUntouched) {
  const ResultTable rows = sizes({"700 MB", "1.5 GB", "12 KB", "300 MB"});
  const ResultTable before = rows;
  EXPECT_THAT(sorted_order(rows, kSizeColumn, true), ElementsAre(2, 3, 0, 1));
  EXPECT_THAT(sorted_order(rows, kSizeColumn, false), ElementsAre(1, 0, 3, 2));
  EXPECT_EQ(rows, before);
}

TEST(SortedOrder, SizesInLargerUnitsSortAboveSmallerOnes) {
  const ResultTable rows = sizes({"1.2 TB", "900 GB", "1023 MB", "1 GB", "2048 B"});
  EXPECT_THAT(sorted_order(rows, kSizeColumn, true), ElementsAre(4, 2, 3, 1, 0));
}

TEST(SortedOrder, UnreadableSizesComeLastInBothDirections) {
  const ResultTable rows = sizes({"未知", "2 MB", "", "1 MB", "? GB", "2048 KB"});
  // 2 MB and 2048 KB are equal: list order in both directions.
  EXPECT_THAT(sorted_order(rows, kSizeColumn, true), ElementsAre(3, 1, 5, 0, 2, 4));
  EXPECT_THAT(sorted_order(rows, kSizeColumn, false), ElementsAre(1, 5, 3, 0, 2, 4));
}

TEST(SortedOrder, OtherColumnsAndEmptyTablesKeepTheOrder) {
  const ResultTable rows = names({"b", "a", "c"});
  EXPECT_THAT(sorted_order(rows, 2, true), ElementsAre(0, 1, 2));
  EXPECT_THAT(sorted_order(rows, 2, false), ElementsAre(0, 1, 2));
  EXPECT_THAT(sorted_order(rows, -1, true), ElementsAre(0, 1, 2));
  EXPECT_TRUE(sorted_order(ResultTable{}, kNameColumn, true).empty());
  EXPECT_TRUE(sorted_order(ResultTable{}, kSizeColumn, false).empty());
}

TEST(SortedOrder, CancelFlag) {
  const ResultTable rows = sizes({"2 MB", "1 MB"});
  std::atomic<bool> cancel = false;
  EXPECT_EQ(sorted_order(rows, kSizeColumn, true, &cancel), (std::vector<size_t>{1, 0}));
  EXPECT_EQ(sorted_order(rows, kSizeColumn, true, nullptr), (std::vector<size_t>{1, 0}));
  cancel = true;
  EXPECT_EQ(sorted_order(rows, kSizeColumn, true, &cancel), std::nullopt);
  EXPECT_EQ(sorted_order(rows, kNameColumn, true, &cancel), std::nullopt);
}

TEST(SortDirectionsTest, EachColumnAlternatesStartingAscending) {
  SortDirections directions;
  EXPECT_FALSE(directions.last_ascending(kNameColumn));
  EXPECT_FALSE(directions.last_ascending(kSizeColumn));
  EXPECT_TRUE(directions.next_ascending(kNameColumn));
  EXPECT_FALSE(directions.next_ascending(kNameColumn));
  EXPECT_TRUE(directions.next_ascending(kNameColumn));
  // The size mark is its own.
  EXPECT_TRUE(directions.next_ascending(kSizeColumn));
  EXPECT_FALSE(directions.next_ascending(kSizeColumn));
  EXPECT_TRUE(directions.last_ascending(kNameColumn));
}

TEST(SortDirectionsTest, MarksAreSharedByAllListsAndTheLinkColumnChangesNone) {
  // One object for the program: names ascending on one list, then a click on
  // names in another list sorts it descending.
  SortDirections directions;
  ResultTable first = names({"b", "a"});
  ResultTable second = names({"x", "y"});
  EXPECT_THAT(sorted_order(first, kNameColumn, directions.next_ascending(kNameColumn)),
              ElementsAre(1, 0));
  EXPECT_THAT(sorted_order(second, kNameColumn, directions.next_ascending(kNameColumn)),
              ElementsAre(1, 0));

  directions.next_ascending(kSizeColumn);
  directions.next_ascending(2);
  EXPECT_FALSE(directions.last_ascending(kNameColumn));
  EXPECT_TRUE(directions.last_ascending(kSizeColumn));
  EXPECT_FALSE(directions.next_ascending(kSizeColumn));
  EXPECT_TRUE(directions.next_ascending(kNameColumn));
}

}  // namespace
}  // namespace korvane
