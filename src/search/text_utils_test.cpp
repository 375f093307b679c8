#include "search/text_utils.h"

#include <gtest/gtest.h>

#include <climits>

namespace korvane {
namespace {

struct BetweenCase {
  const char* text;
  const char* start;
  const char* end;
  const char* expected;
};

class TextBetween : public testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetween, CutsTheTextBetweenTheMarkers) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(text_between(c.text, c.start, c.end), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetween,
    testing::Values(BetweenCase{"共找到25条结果", "找到", "条结果", "25"},
                    BetweenCase{"共找到25条结果", "没有", "条结果", ""},
                    BetweenCase{"共找到25条", "找到", "条结果", ""},
                    // The end marker is only looked for after the start marker.
                    BetweenCase{"条结果 找到25", "找到", "条结果", ""},
                    BetweenCase{"找到条结果", "找到", "条结果", ""},
                    BetweenCase{"ab找到1条结果 找到2条结果", "找到", "条结果", "1"},
                    BetweenCase{R"(<a href="x">)", "href=#引号", "#引号>", "x"},
                    BetweenCase{"a#引号b#引号c", "a#引号", "c", ""},
                    BetweenCase{"", "a", "b", ""}));

struct ReplaceCase {
  const char* text;
  bool case_sensitive;
  std::vector<ReplacePair> pairs;
  const char* expected;
};

class ReplacePairs : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplacePairs, AppliesThePairsInOrder) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(replace_pairs(c.text, c.case_sensitive, c.pairs), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplacePairs,
    testing::Values(ReplaceCase{"a\r\nb c", false, {{"\r\n", ""}, {" ", ""}}, "abc"},
                    ReplaceCase{"<B>x</b><b>y", false, {{"<b>", ""}, {"</b>", ""}}, "xy"},
                    ReplaceCase{"<B>x", true, {{"<b>", ""}}, "<B>x"},
                    // Replaced text is not scanned again; a later pair sees the result.
                    ReplaceCase{"aaa", true, {{"a", "aa"}}, "aaaaaa"},
                    ReplaceCase{"abc", true, {{"ab", "x"}, {"xc", "y"}}, "y"},
                    ReplaceCase{"abc", true, {{"", "x"}}, "abc"},
                    // Letter case is ignored for ASCII letters only.
                    ReplaceCase{"Ä大小ä", false, {{"ä", "-"}}, "Ä大小-"},
                    ReplaceCase{"名称 名称", false, {{"名称", "n"}}, "n n"}));

struct IntegerCase {
  const char* text;
  int expected;
};

class ReadInteger : public testing::TestWithParam<IntegerCase> {};

TEST_P(ReadInteger, ReadsLeadingDigits) {
  EXPECT_EQ(read_integer(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadInteger,
                         testing::Values(IntegerCase{"25", 25}, IntegerCase{"  \t7", 7},
                                         IntegerCase{"1,234", 1}, IntegerCase{"+12x", 12},
                                         IntegerCase{"-3", -3}, IntegerCase{"２５", 25},
                                         IntegerCase{"1２3", 123}, IntegerCase{"x25", 0},
                                         IntegerCase{"", 0}, IntegerCase{"-", 0},
                                         IntegerCase{"99999999999", INT_MAX},
                                         IntegerCase{"-99999999999", INT_MIN}));

}  // namespace
}  // namespace korvane
