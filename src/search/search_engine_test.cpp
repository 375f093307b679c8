#include "search/search_engine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "web/text_encoding.h"

namespace korvane {
namespace {

const SearchEngine& engine(int number) { return builtin_engines().at(number - 1); }

std::string fixture_page(const std::string& name) {
  std::ifstream in(std::string(KORVANE_SOURCE_DIR) + "/src/search/testdata/" + name,
                   std::ios::binary);
  EXPECT_TRUE(in) << name;
  return decode_page(std::string(std::istreambuf_iterator<char>(in), {}));
}

std::string hash(int i) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, i % 2 ? "%040X" : "%040x",
                (i % 2 ? 0xabc0000 : 0xdef0000) + i);
  return buffer;
}

ResultRow row(std::string name, std::string size, int hash_number) {
  return {std::move(name), std::move(size), std::string(kMagnetPrefix) + hash(hash_number)};
}

struct FixtureCase {
  int engine;
  const char* file;
  int hit_count;
  int pages;
  ResultTable rows;
};

class EngineFixture : public testing::TestWithParam<FixtureCase> {};

// Realistic pages as each site serves them (GBK, CR LF for engines 1 and 2,
// bare line feeds for engine 3): the count, the pages and every row.
TEST_P(EngineFixture, ReadsCountAndRows) {
  const FixtureCase& c = GetParam();
  const std::string page = fixture_page(c.file);
  const int count = read_hit_count(engine(c.engine), "ubuntu", page);
  EXPECT_EQ(count, c.hit_count);
  EXPECT_EQ(pages_for_hits(engine(c.engine), count), c.pages);
  EXPECT_EQ(parse_result_page(engine(c.engine), page), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineFixture,
                         testing::Values(
                             // Spaces vanish from names and sizes on engines 1 and 2.
                             FixtureCase{1,
                                         "engine1_page.html",
                                         25,
                                         3,
                                         {row("Ubuntu22.04Desktop光盘", "3.5GB", 0),
                                          row("ubuntu-server最小安装", "850.2MB", 1),
                                          row("Ubuntu字体合集", "12KB", 2)}},
                             // Bold tags in any letter case are cleaned away.
                             FixtureCase{2,
                                         "engine2_page.html",
                                         10,
                                         2,
                                         {row("Ubuntu22.04LTS桌面版", "3.5GB", 10),
                                          row("UBUNTU服务器镜像", "1.2GB", 11)}},
                             // Highlight spans go, spaces inside names stay.
                             FixtureCase{3,
                                         "engine3_page.html",
                                         7,
                                         7,
                                         {row("Ubuntu 22.04 桌面 版", "3.5 GB", 20),
                                          row("ubuntu-mate 社区版", "2.1 GB", 21)}}));

TEST(PageAddress, BuildsEachEnginesLayout) {
  EXPECT_EQ(page_address(engine(1), "abc", 3),
            "http://engine1.korvane.invalid/list/abc-s1d-3.html");
  EXPECT_EQ(page_address(engine(2), "abc", 3),
            "http://engine2.korvane.invalid/search/abc/3-1.html");
  EXPECT_EQ(page_address(engine(3), "abc", 3),
            "http://engine3.korvane.invalid/search/abc_ctime_3.html");
  EXPECT_EQ(first_page_address(engine(2), "abc"), page_address(engine(2), "abc", 1));
}

TEST(PageAddress, KeywordIsPercentEncodedAsGbk) {
  EXPECT_EQ(encode_keyword("电影"), "%B5%E7%D3%B0");
  // Nothing in a keyword can change the path, the query or the request line.
  EXPECT_EQ(encode_keyword("a/b?c#d%e f\r\n..x"), "a%2Fb%3Fc%23d%25e%20f%0D%0A%2E%2Ex");
  EXPECT_EQ(page_address(engine(2), "../..", 1),
            "http://engine2.korvane.invalid/search/%2E%2E%2F%2E%2E/1-1.html");
  // A character GBK lacks is kept (as GB18030), not turned into "?".
  EXPECT_EQ(gbk_to_utf8(utf8_to_gbk("한")), "한");
  EXPECT_NE(encode_keyword("한"), "%3F");
}

struct CountCase {
  int engine;
  std::string keyword;
  std::string page;
  int expected;
};

class HitCount : public testing::TestWithParam<CountCase> {};

TEST_P(HitCount, ReadsTheNumberBetweenTheMarkers) {
  const CountCase& c = GetParam();
  EXPECT_EQ(read_hit_count(engine(c.engine), c.keyword, c.page), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HitCount,
    testing::Values(
        CountCase{1, "x", "共找到25条结果", 25}, CountCase{1, "x", "找到1,234条结果", 1},
        CountCase{1, "x", "找到２５条结果", 25}, CountCase{1, "x", "找到条结果", 0},
        CountCase{1, "x", "", 0}, CountCase{2, "x", "<span>大约 10 条结果</span>", 10},
        CountCase{2, "x", "大约10条结果", 0},
        CountCase{3, "abc", "下一页</a></li><li><a href='/search/abc_ctime_7.html'>尾页</a>", 7},
        // The page writes a Chinese keyword raw or percent-encoded.
        CountCase{3, "电影", "下一页</a></li><li><a href='/search/电影_ctime_4.html'>尾页</a>", 4},
        CountCase{3, "电影",
                  "下一页</a></li><li><a href='/search/%B5%E7%D3%B0_ctime_5.html'>尾页</a>", 5},
        CountCase{3, "abc", "下一页</a></li><li><a href='/search/other_ctime_7.html'>尾页</a>", 0},
        CountCase{3, "abc", "<a href='/search/abc_ctime_1.html'>首页</a>", 0}));

TEST(PagesForHits, TenHitsAPageOrTheLastPage) {
  struct {
    int engine, number, pages;
  } cases[] = {{1, 1, 1}, {1, 9, 1},  {1, 10, 2}, {2, 25, 3}, {2, 30, 4},
               {1, 0, 0}, {1, -5, 0}, {3, 7, 7},  {3, 1, 1},  {3, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(pages_for_hits(engine(c.engine), c.number), c.pages)
        << "engine " << c.engine << " number " << c.number;
  }
}

std::string engine1_items(int names, int sizes, int hashes) {
  std::string page;
  for (int i = 0; i < names; ++i) page += "<A TITLE=\"n" + std::to_string(i) + "\" TARGET=\"_blank";
  for (int i = 0; i < sizes; ++i) page += "大小:<span>" + std::to_string(i) + " MB</span>";
  for (int i = 0; i < hashes; ++i)
    page += "target=\"_blank\" href=\"/info/h" + std::to_string(i) + "\">";
  return page;
}

TEST(ParseResultPage, RowsFollowTheNameMatches) {
  ResultTable rows = parse_result_page(engine(1), engine1_items(10, 9, 8));
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0], (ResultRow{"n0", "0MB", "magnet:?xt=urn:btih:h0"}));
  EXPECT_EQ(rows[8].size, "8MB");
  EXPECT_EQ(rows[9].size, "");
  EXPECT_EQ(rows[8].magnet, "magnet:?xt=urn:btih:");
  EXPECT_TRUE(parse_result_page(engine(1), engine1_items(0, 3, 3)).empty());
  EXPECT_TRUE(parse_result_page(engine(2), "<html>nothing here</html>").empty());
  EXPECT_TRUE(parse_result_page(engine(3), "").empty());
}

TEST(ParseResultPage, KeepsCharactersGbkLacksAndEntities) {
  std::string page = fixture_page("engine3_page.html");
  page.replace(page.find("社区版"), std::string("社区版").size(), "한국어 &amp; 🎉");
  ResultTable rows = parse_result_page(engine(3), page);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].name, "ubuntu-mate 한국어 &amp; 🎉");
}

TEST(ParseResultPage, SharedPatternsWorkOnManyThreads) {
  const std::string page = fixture_page("engine2_page.html");
  const ResultTable expected = parse_result_page(engine(2), page);
  std::vector<std::thread> threads;
  std::vector<int> good(4);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) good[t] += parse_result_page(engine(2), page) == expected;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(good, std::vector<int>(4, 50));
}

TEST(FindEngine, ByLabelOrNumber) {
  EXPECT_EQ(find_engine(builtin_engines(), "引擎2"), &engine(2));
  EXPECT_EQ(find_engine(builtin_engines(), "3"), &engine(3));
  EXPECT_EQ(find_engine(builtin_engines(), "引擎4"), nullptr);
  EXPECT_EQ(find_engine(builtin_engines(), ""), nullptr);
}

}  // namespace
}  // namespace korvane
