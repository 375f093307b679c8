#include "web/regex_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace korvane {
namespace {

struct DialectCase {
  const char* pattern;
  std::string subject;
  int count;
  const char* first;  // text of the first match when count > 0
};

TEST(RegexObjectTest, DialectWithDefaultOptions) {
  const DialectCase cases[] = {
      {"ABC", "xabcx", 1, "abc"},  // letter case ignored by default
      {"é", "É", 1, "É"},          // also beyond ASCII
      {"a.b", "a\nb", 0, ""},
      {"a.b", "a\rb", 0, ""},
      {"a.b", "a\r\nb", 0, ""},
      {"a.b", "a\u2028b", 0, ""},
      {"a.+", "abc\r\ndef", 1, "abc"},
      {"^def$", "abc\r\ndef\r\nghi", 1, "def"},  // multi-line by default
      {"\\w+", "中文abc文", 1, "abc"},           // \w is ASCII only
      {"[^\\w]", "a中", 1, "中"},                // a whole character, not a byte
      {"\\d", "１2", 1, "2"},
      {"\\s", "中\u3000文 ", 1, " "},
      {"\\u4e2d", "文中", 1, "中"},  // ECMAScript \uHHHH
      {"a[^]b", "a\nb", 1, "a\nb"},  // ECMAScript "any character" class
      {"<td>(.*?)</td>", "<td>1</td><td>2</td>", 2, "<td>1</td>"},
  };
  for (const DialectCase& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " over " + c.subject);
    RegexObject re;
    ASSERT_TRUE(re.execute(c.pattern, c.subject));
    EXPECT_EQ(re.match_count(), c.count);
    EXPECT_EQ(re.match_text(1), c.first);
  }
}

TEST(RegexObjectTest, OptionsChangeTheDialect) {
  RegexObject re;
  EXPECT_TRUE(re.execute("ABC", "abc", /*case_sensitive=*/true));
  EXPECT_EQ(re.match_count(), 0);

  EXPECT_TRUE(re.execute("^b", "a\nb", false, /*multiline=*/false));
  EXPECT_EQ(re.match_count(), 0);
  // As in ECMAScript, "$" without multi-line is the very end only.
  EXPECT_TRUE(re.execute("a$", "a\n", false, false));
  EXPECT_EQ(re.match_count(), 0);

  EXPECT_TRUE(re.execute("\\d", "1 2 3", false, true, /*global=*/false));
  EXPECT_EQ(re.match_count(), 1);
  EXPECT_EQ(re.replace("#"), "# 2 3");
}

TEST(RegexObjectTest, NoMatchIsASuccessWithNothingToRead) {
  RegexObject re;
  EXPECT_TRUE(re.execute("(x)", "abc"));
  EXPECT_EQ(re.match_count(), 0);
  EXPECT_EQ(re.group_count(), 0);
  int position = 7;
  EXPECT_EQ(re.match_text(1, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(re.group_text(1, 1), "");
  EXPECT_EQ(re.replace("y"), "abc");
}

TEST(RegexObjectTest, UnusablePatternFailsAndLeavesNothing) {
  for (const char* pattern : {"(abc", "a)", "[a", "*a", "a{2,1}", "\xff"}) {
    SCOPED_TRACE(pattern);
    RegexObject re;
    ASSERT_TRUE(re.execute("b", "abc"));
    EXPECT_FALSE(re.execute(pattern, "abc"));
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.match_text(1), "");
    EXPECT_EQ(re.group_count(), 0);
    EXPECT_EQ(re.replace("x"), "");
    EXPECT_EQ(re.get_pattern(), pattern);
    EXPECT_FALSE(CompiledPattern::compile(pattern).usable());
  }
  RegexObject re;
  EXPECT_FALSE(re.execute(CompiledPattern(), "abc"));
}

TEST(RegexObjectTest, InvalidUtf8SubjectFails) {
  const std::string long_tail = "a" + std::string(10000, 'b') + "\xc3";
  for (const std::string& subject : {std::string("abc\xff"), long_tail, std::string("\xff")}) {
    RegexObject re;
    EXPECT_FALSE(re.execute("a", subject));
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.replace("x"), "");
    // Also when the pattern is longer than the subject.
    EXPECT_FALSE(re.execute("abcdefgh", subject));
  }
}

TEST(RegexObjectTest, GroupsAndPositions) {
  RegexObject re;
  ASSERT_TRUE(re.execute("(a)|(b)", "xb"));
  ASSERT_EQ(re.match_count(), 1);
  EXPECT_EQ(re.group_count(), 2);
  int position = 0;
  EXPECT_EQ(re.group_text(1, 1, &position), "");  // took no part
  EXPECT_EQ(position, -1);
  EXPECT_EQ(re.group_text(1, 2, &position), "b");
  EXPECT_EQ(position, 1);
  EXPECT_EQ(re.group_text(1, 3), "");  // past the last group
  EXPECT_EQ(re.group_text(2, 1), "");  // past the last match
  EXPECT_EQ(re.group_text(0, 1), "");

  ASSERT_TRUE(re.execute("中文(.+?)结束", "前中文测试结束后"));
  EXPECT_EQ(re.match_text(1, &position), "中文测试结束");
  EXPECT_EQ(position, 3);  // bytes
  EXPECT_EQ(re.group_text(1, 1, &position), "测试");
  EXPECT_EQ(position, 9);
}

TEST(RegexObjectTest, QuoteEscape) {
  const std::string subject = R"(<a href="x.html">#引号y#引号</a>)";
  RegexObject re;
  ASSERT_TRUE(re.execute("href=#引号(.*?)#引号", subject, false, true, true, true));
  EXPECT_EQ(re.group_text(1, 1), "x.html");
  EXPECT_EQ(re.get_pattern(), "href=\"(.*?)\"");

  ASSERT_TRUE(re.execute("#引号(.*?)#引号", subject));  // the marker taken literally
  EXPECT_EQ(re.group_text(1, 1), "y");
  EXPECT_EQ(re.get_pattern(), "#引号(.*?)#引号");
}

TEST(RegexObjectTest, SecondExecuteReplacesTheFirst) {
  RegexObject re;
  ASSERT_TRUE(re.execute("(\\d)", "1 2 3"));
  ASSERT_EQ(re.match_count(), 3);
  ASSERT_TRUE(re.execute("([a-z]+)", "99 xy"));
  EXPECT_EQ(re.match_count(), 1);
  EXPECT_EQ(re.match_text(1), "xy");
  EXPECT_EQ(re.match_text(2), "");
  EXPECT_EQ(re.get_pattern(), "([a-z]+)");
  EXPECT_EQ(re.replace("-"), "99 -");
}

TEST(RegexObjectTest, EmptyMatchesNeverSplitACharacter) {
  RegexObject re;
  ASSERT_TRUE(re.execute("x*", "中文"));
  ASSERT_EQ(re.match_count(), 3);
  int position = 0;
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(re.match_text(i, &position), "");
    EXPECT_EQ(position, (i - 1) * 3);
  }
  EXPECT_EQ(re.replace("-"), "-中-文-");

  // After a non-empty match, an empty one may follow at its end.
  ASSERT_TRUE(re.execute("\\d*", "12中"));
  ASSERT_EQ(re.match_count(), 3);
  EXPECT_EQ(re.match_text(1), "12");
  EXPECT_EQ(re.replace("<$&>"), "<12><>中<>");
}

TEST(RegexObjectTest, ReplacementForms) {
  struct Case {
    const char* replacement;
    const char* result;
  };
  const Case cases[] = {
      {"$2=$1", "[b=a] [d=c]"},     {"$&$&", "[a:ba:b] [c:dc:d]"}, {"$$1", "[$1] [$1]"},
      {"$3$0$", "[$3$0$] [$3$0$]"}, {"$10", "[a0] [c0]"},          {"$02", "[b] [d]"},
      {"$`|", "[[|] [[a:b] [|]"},   {"$'", "[] [c:d]] []]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.replacement);
    RegexObject re;
    ASSERT_TRUE(re.execute("(\\w):(\\w)", "[a:b] [c:d]"));
    EXPECT_EQ(re.replace(c.replacement), c.result);
  }
}

TEST(RegexObjectTest, CopyAndDestroy) {
  RegexObject re;
  ASSERT_TRUE(re.execute("(b+)", "abbc"));
  RegexObject copy = re.copy();
  ASSERT_TRUE(re.execute("x", "y"));
  EXPECT_EQ(copy.match_count(), 1);
  EXPECT_EQ(copy.group_text(1, 1), "bb");
  EXPECT_EQ(copy.get_pattern(), "(b+)");

  copy.destroy();
  EXPECT_EQ(copy.match_count(), 0);
  EXPECT_EQ(copy.get_pattern(), "");
  EXPECT_EQ(copy.replace("z"), "");
  EXPECT_EQ(RegexObject().replace("z"), "");
}

TEST(RegexObjectTest, SharedCompiledPatternAcrossThreads) {
  const CompiledPattern pattern = CompiledPattern::compile("<td>(\\d+)</td>");
  ASSERT_TRUE(pattern.usable());
  std::string page;
  for (int i = 0; i < 2000; ++i) page += "<TD>" + std::to_string(i) + "</td>中\n";

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int round = 0; round < 20; ++round) {
        RegexObject re;
        bool ok = re.execute(pattern, page) && re.match_count() == 2000;
        for (int i = 1; ok && i <= 2000; i += 333)
          ok = re.group_text(i, 1) == std::to_string(i - 1);
        if (!ok) ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

TEST(RegexObjectTest, LazyGroupThatNeverClosesOverALargePageReturns) {
  std::string page;
  for (int i = 0; i < 200000; ++i) page += "<td>a</tdx";  // 2 MB on one line
  RegexObject re;
  EXPECT_TRUE(re.execute("<td>(.*?)</td>", page));
  EXPECT_EQ(re.match_count(), 0);
}

TEST(RegexObjectTest, RunawayBacktrackingStopsAndKeepsEarlierMatches) {
  const std::string subject = "aac " + std::string(40, 'a');
  RegexObject re;
  EXPECT_TRUE(re.execute("(a+)+[bc]", subject));
  EXPECT_TRUE(re.limit_reached());
  EXPECT_EQ(re.match_count(), 1);
  EXPECT_EQ(re.match_text(1), "aac");

  EXPECT_TRUE(re.execute("a", "a"));
  EXPECT_FALSE(re.limit_reached());
}

}  // namespace
}  // namespace korvane
