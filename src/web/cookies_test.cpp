#include "web/cookies.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

struct MergeCase {
  const char* kept;
  const char* returned;
  const char* merged;
};

class MergeCookies : public testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookies, MergesTheResponseIntoTheKeptCookies) {
  std::string cookies = GetParam().kept;
  std::string returned = GetParam().returned;
  EXPECT_EQ(merge_cookies(cookies, returned), GetParam().merged);
  EXPECT_EQ(cookies, GetParam().merged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeCookies,
    testing::Values(MergeCase{"a=1; b=2", "b=3", "b=3; a=1"}, MergeCase{"a=1", "a=deleted", ""},
                    MergeCase{"", "x=1", "x=1"}, MergeCase{"", "", ""},
                    MergeCase{"", "b=3; b=3", "b=3"}, MergeCase{"", "b=3; b=4", "b=3; b=4"},
                    MergeCase{"a=1; a=2", "", "a=1"}, MergeCase{"word", "word", "word"},
                    MergeCase{"Ab=1", "ab=2", "ab=2; Ab=1"},
                    MergeCase{"a=1;;b=2", "", "a=1; ; b=2"}, MergeCase{"a=1;", "", "a=1"},
                    MergeCase{"a=1", "s=x　y", "s=xy; a=1"}));

TEST(MergeCookies, RemovesSpacesFromTheReturnedCookiesToo) {
  std::string cookies = "a = 1";
  std::string returned = "s=x y;　t=2";
  merge_cookies(cookies, returned);
  EXPECT_EQ(returned, "s=xy;t=2");
  EXPECT_EQ(cookies, "s=xy; t=2; a=1");
}

TEST(CookieHelpers, NamesAndPieces) {
  EXPECT_EQ(cookie_name(" sid =abc=d"), "sid");
  EXPECT_EQ(cookie_name("　bare　"), "bare");
  EXPECT_EQ(split_pieces("a;;b;", ";"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(split_pieces("", ";").empty());
  EXPECT_EQ(split_pieces("a;b", ""), (std::vector<std::string>{"a;b"}));
  EXPECT_EQ(remove_repeated_pieces("a; b; a; ; ", "; "), "a; b; ");
  EXPECT_EQ(index_of_text({"x", "y", "y"}, "y"), 2);
  EXPECT_EQ(index_of_text({"x"}, "z"), -1);
  EXPECT_TRUE(contains_cookie_name({"a=1", " b =2"}, "b"));
  EXPECT_EQ(trim_spaces(" 　a b　 "), "a b");
}

}  // namespace
}  // namespace korvane
