#include "demo/demo_pages.h"

#include <gtest/gtest.h>

#include <set>

#include "search/search_engine.h"
#include "web/text_encoding.h"

namespace korvane {
namespace {

const SearchEngine& engine(int number) { return builtin_engines().at(number - 1); }

// The path part of the address the catalogue builds.
std::string path_of(int engine_number, std::string_view keyword, int page) {
  const std::string url = page_address(engine(engine_number), keyword, page);
  const std::string prefix = "http://" + engine(engine_number).host;
  return url.substr(prefix.size());
}

struct TargetCase {
  std::string target;
  std::optional<DemoPageRequest> expected;
};

TEST(ParseDemoTarget, ReadsEachEnginesLayout) {
  const TargetCase cases[] = {
      {"/list/abc-s1d-3.html", DemoPageRequest{1, "abc", 3}},
      {"/search/abc/3-1.html", DemoPageRequest{2, "abc", 3}},
      {"/search/abc_ctime_3.html", DemoPageRequest{3, "abc", 3}},
      {"/search/%B5%E7%D3%B0_ctime_12.html?from=x", DemoPageRequest{3, "电影", 12}},
      // The last separator ends the keyword; unreserved "-" and "_" arrive raw.
      {"/list/a-s1d-b-s1d-12.html", DemoPageRequest{1, "a-s1d-b", 12}},
      {"/search/a_ctime_b_ctime_7.html", DemoPageRequest{3, "a_ctime_b", 7}},
      {"/search/a_ctime_1.html/2-1.html", DemoPageRequest{2, "a_ctime_1.html", 2}},
      {"/search/x_ctime_1-1.html", std::nullopt},
      // Engine 2's keyword holds no raw "/"; an encoded one is part of it.
      {"/search/a%2Fb/2-1.html", DemoPageRequest{2, "a/b", 2}},
      {"/search/a/b/2-1.html", std::nullopt},
      {"/list/-s1d-1.html", std::nullopt},
      {"/list/abc-s1d-0.html", std::nullopt},
      {"/list/abc-s1d-01.html", std::nullopt},
      {"/list/abc-s1d-1x.html", std::nullopt},
      {"/list/abc-s1d-99999999.html", std::nullopt},
      {"/search/%ZZ/1-1.html", std::nullopt},
      {"/search/ab%4_ctime_1.html", std::nullopt},
      {"/search/abc.html", std::nullopt},
      {"/", std::nullopt},
  };
  for (const TargetCase& c : cases) {
    EXPECT_EQ(parse_demo_target(c.target), c.expected) << c.target;
  }
}

TEST(ParseDemoTarget, ReadsBackEveryAddressTheCatalogueBuilds) {
  for (const char* keyword : {"ubuntu", "电影", "a/b?c#d%e f", "x-s1d-5", "电影_ctime_2", "../..",
                              "한국 드라마", "1-1.html"}) {
    for (int e = 1; e <= kDemoEngineCount; ++e) {
      const std::string path = path_of(e, keyword, 7);
      EXPECT_EQ(parse_demo_target(path), (DemoPageRequest{e, keyword, 7})) << path;
    }
  }
}

TEST(DemoPageCount, TenRowsAPageInEachEnginesRule) {
  struct {
    int engine, hits, pages, last_rows;
  } cases[] = {{1, 137, 14, 7}, {2, 95, 10, 5}, {1, 9, 1, 9},  {2, 10, 2, 0}, {1, 140, 15, 0},
               {3, 64, 7, 4},   {3, 10, 1, 10}, {3, 11, 2, 1}, {1, 0, 0, 0},  {3, -1, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "engine " << c.engine << " hits " << c.hits);
    EXPECT_EQ(demo_page_count(c.engine, c.hits), c.pages);
    EXPECT_EQ(demo_rows_on_page(c.engine, c.hits, c.pages), c.last_rows);
    EXPECT_EQ(demo_rows_on_page(c.engine, c.hits, c.pages + 1), 0);
    if (c.pages > 1) {
      EXPECT_EQ(demo_rows_on_page(c.engine, c.hits, 1), kDemoRowsPerPage);
    }
  }
}

bool is_hex40(const std::string& text) {
  return text.size() == 40 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// "1.5 GB" -> {"GB", true}; {"", false} for a text that is no size.
std::pair<std::string, bool> size_unit(const std::string& size) {
  const size_t unit = size.find_first_not_of("0123456789. ");
  if (unit == 0 || unit == std::string::npos) return {"", false};
  const std::string number = size.substr(0, unit);
  const bool spaced = number.back() == ' ';
  if (number.find(' ') != (spaced ? number.size() - 1 : std::string::npos)) return {"", false};
  return {size.substr(unit), spaced};
}

TEST(DemoHit, DeterministicVariedAndRepeating) {
  std::set<std::string> units, hashes;
  bool spaced = false, unspaced = false;
  for (int i = 0; i < 300; ++i) {
    const DemoHit hit = demo_hit(1, "电影", i);
    EXPECT_TRUE(is_hex40(hit.hash)) << hit.hash;
    EXPECT_EQ(demo_hit(1, "电影", i).name("电影"), hit.name("电影"));
    EXPECT_EQ(demo_hit(1, "电影", i).hash, hit.hash);
    const auto [unit, with_space] = size_unit(hit.size);
    units.insert(unit);
    (with_space ? spaced : unspaced) = true;
    if (demo_hit_is_repeat(i)) {
      EXPECT_EQ(hit.hash, demo_hit(1, "电影", i - 12).hash);
      EXPECT_EQ(hit.size, demo_hit(1, "电影", i - 12).size);
    } else {
      EXPECT_TRUE(hashes.insert(hit.hash).second) << "hit " << i;
    }
  }
  EXPECT_EQ(units, (std::set<std::string>{"B", "KB", "MB", "GB", "TB"}));
  EXPECT_TRUE(spaced && unspaced);
  EXPECT_NE(demo_hit(1, "电影", 0).hash, demo_hit(2, "电影", 0).hash);
  EXPECT_NE(demo_hit(1, "电影", 0).hash, demo_hit(1, "电视", 0).hash);
}

TEST(DemoPage, LineEndsAndCharsetAsEachSiteWritesThem) {
  for (int e = 1; e <= kDemoEngineCount; ++e) {
    const std::string page = demo_page(e, "电影", 1, 25);
    EXPECT_EQ(declared_charset(page), "gbk") << e;
    EXPECT_NE(page.find(utf8_to_gbk("电影")), std::string::npos) << e;
    size_t lf = 0, crlf = 0;
    for (size_t i = 0; i < page.size(); ++i) {
      if (page[i] != '\n') continue;
      ++lf;
      if (i > 0 && page[i - 1] == '\r') ++crlf;
    }
    EXPECT_GT(lf, 20u);
    EXPECT_EQ(crlf, e == 3 ? 0u : lf) << e;
  }
}

// Markup in a keyword is written as character references: the layout holds
// and each row keeps its name, size and hash.
TEST(DemoPage, MarkupInTheKeywordCannotBreakTheLayout) {
  const std::string keyword = "a\"<b>'&</span>\n<x";
  for (int e = 1; e <= kDemoEngineCount; ++e) {
    const ResultTable rows =
        parse_result_page(engine(e), decode_page(demo_page(e, keyword, 2, 25)));
    ASSERT_EQ(rows.size(), 10u) << e;
    for (size_t i = 0; i < rows.size(); ++i) {
      const DemoHit hit = demo_hit(e, keyword, 10 + static_cast<int>(i));
      EXPECT_NE(rows[i].name.find("a&quot;&lt;b&gt;&#39;&amp;&lt;/span&gt;&#10;&lt;x"),
                std::string::npos)
          << rows[i].name;
      EXPECT_EQ(rows[i].magnet, std::string(kMagnetPrefix) + hit.hash);
    }
  }
}

}  // namespace
}  // namespace korvane
