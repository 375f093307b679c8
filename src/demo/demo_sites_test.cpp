#include "demo/demo_sites.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "search/engine_hosts.h"
#include "search/search_engine.h"
#include "web/text_encoding.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;

std::string without_spaces(std::string text) {
  std::erase(text, ' ');
  return text;
}

// Fetches the catalogue's own addresses from a running DemoSites.
class SiteClient {
 public:
  explicit SiteClient(const DemoSites& sites) : port_(sites.port()), engines_(builtin_engines()) {
    apply_host_overrides(engines_, sites.host_overrides());
  }
  const SearchEngine& engine(int number) const { return engines_.at(number - 1); }

  std::string path(int engine_number, std::string_view keyword, int page) const {
    const std::string url = page_address(engine(engine_number), keyword, page);
    return url.substr(url.find('/', std::string_view("http://").size()));
  }
  httplib::Result get(int engine_number, std::string_view keyword, int page) const {
    return get_path(path(engine_number, keyword, page));
  }
  httplib::Result get_path(const std::string& path) const {
    httplib::Client client("127.0.0.1", port_);
    client.set_url_encode(false);
    client.set_read_timeout(60, 0);
    return client.Get(path.c_str());
  }
  // The page's text; "" (and a test failure) when it did not come with 200.
  std::string page(int engine_number, std::string_view keyword, int page) const {
    httplib::Result res = get(engine_number, keyword, page);
    if (!res || res->status != 200) {
      ADD_FAILURE() << "engine " << engine_number << " page " << page << " failed";
      return "";
    }
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=gbk");
    return decode_page(res->body);
  }

 private:
  int port_;
  EngineCatalogue engines_;
};

// What the engine's reader makes of demo hit `index`: engines 1 and 2 lose
// every space in cleaning, engine 3 keeps them.
ResultRow expected_row(int engine, std::string_view keyword, int index) {
  const DemoHit hit = demo_hit(engine, keyword, index);
  ResultRow row{hit.name(keyword), hit.size, std::string(kMagnetPrefix) + hit.hash};
  if (engine != 3) {
    row.name = without_spaces(row.name);
    row.size = without_spaces(row.size);
  }
  return row;
}

// One server with the default options for the tests of a suite.
class DemoSitesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(sites_.start()); }
  static void TearDownTestSuite() { sites_.stop(); }
  static DemoSites sites_;
};

DemoSites DemoSitesTest::sites_;

class DemoSitesSearch : public DemoSitesTest, public testing::WithParamInterface<std::string> {};

// A whole search as the search thread runs it: the first page gives the
// count, the count the pages, and every page its rows.
TEST_P(DemoSitesSearch, EveryEngineServesAllItsHits) {
  const std::string& keyword = GetParam();
  const SiteClient client(sites_);
  const DemoOptions defaults;
  const struct {
    int pages, last_rows;
  } expected[] = {{14, 7}, {10, 5}, {7, 4}};  // 137, 95 and 64 hits
  for (int e = 1; e <= kDemoEngineCount; ++e) {
    SCOPED_TRACE(testing::Message() << "engine " << e << " keyword " << keyword);
    const int pages = pages_for_hits(
        client.engine(e), read_hit_count(client.engine(e), keyword, client.page(e, keyword, 1)));
    ASSERT_EQ(pages, expected[e - 1].pages);

    ResultTable all;
    for (int p = 1; p <= pages; ++p) {
      const ResultTable rows = parse_result_page(client.engine(e), client.page(e, keyword, p));
      ASSERT_EQ(static_cast<int>(rows.size()), p < pages ? 10 : expected[e - 1].last_rows)
          << "page " << p;
      for (size_t i = 0; i < rows.size(); ++i) {
        const int index = (p - 1) * 10 + static_cast<int>(i);
        EXPECT_EQ(rows[i], expected_row(e, keyword, index)) << "hit " << index;
        EXPECT_NE(rows[i].name.find(e == 3 ? keyword : without_spaces(keyword)), std::string::npos);
      }
      all.insert(all.end(), rows.begin(), rows.end());
      EXPECT_EQ(sites_.fetch_count(e, keyword, p), p == 1 ? 2 : 1) << "page " << p;
    }
    ASSERT_EQ(static_cast<int>(all.size()), defaults.hits[e - 1]);
    // Some hits repeat an earlier page's row; removing repeats shows it.
    int repeats = 0;
    for (int i = 0; i < defaults.hits[e - 1]; ++i) repeats += demo_hit_is_repeat(i);
    ASSERT_GT(repeats, 0);
    remove_duplicate_rows(all, 2);
    EXPECT_EQ(static_cast<int>(all.size()), defaults.hits[e - 1] - repeats);
  }
}

INSTANTIATE_TEST_SUITE_P(Keywords, DemoSitesSearch,
                         testing::Values("ubuntu", "电影", "权力的游戏 第八季"));

TEST_F(DemoSitesTest, SamePageSameBytesOtherKeywordOtherPage) {
  const SiteClient client(sites_);
  for (int e = 1; e <= kDemoEngineCount; ++e) {
    const httplib::Result a = client.get(e, "电影", 3), b = client.get(e, "电影", 3);
    const httplib::Result other = client.get(e, "电视", 3);
    ASSERT_TRUE(a && b && other);
    EXPECT_EQ(a->body, b->body);
    EXPECT_NE(a->body, other->body);
  }
}

TEST_F(DemoSitesTest, NoHitsKeywordGivesPagesWithoutCount) {
  const SiteClient client(sites_);
  for (int e = 1; e <= kDemoEngineCount; ++e) {
    const std::string page = client.page(e, "电影 NoHits", 1);
    EXPECT_EQ(read_hit_count(client.engine(e), "电影 NoHits", page), 0) << e;
    EXPECT_TRUE(parse_result_page(client.engine(e), page).empty()) << e;
  }
}

TEST_F(DemoSitesTest, OtherRequestsAreRefusedAndNotLogged) {
  const SiteClient client(sites_);
  const size_t logged = sites_.request_log().size();
  for (const char* path : {"/", "/list/abc-s1d-0.html", "/search/%ZZ/1-1.html", "/favicon.ico"}) {
    const httplib::Result res = client.get_path(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 404) << path;
  }
  httplib::Client raw("127.0.0.1", sites_.port());
  const httplib::Result posted = raw.Post("/list/abc-s1d-1.html", "x", "text/plain");
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->status, 405);
  EXPECT_EQ(sites_.request_log().size(), logged);
}

// Small result sets: the last page of engines 1 and 2 may hold no rows, and
// engine 3 shows no count for a single page.
TEST(DemoSitesCounts, SmallResultSets) {
  DemoSites sites;
  DemoOptions options;
  options.hits = {5, 10, 10};
  ASSERT_TRUE(sites.start(options));
  const SiteClient client(sites);
  const struct {
    int engine, page, count_read, rows;
  } cases[] = {{1, 1, 5, 5}, {2, 1, 10, 10}, {2, 2, 10, 0}, {3, 1, 0, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "engine " << c.engine << " page " << c.page);
    const std::string page = client.page(c.engine, "abc", c.page);
    EXPECT_EQ(read_hit_count(client.engine(c.engine), "abc", page), c.count_read);
    EXPECT_EQ(parse_result_page(client.engine(c.engine), page).size(), static_cast<size_t>(c.rows));
  }
  options.hits = {5, 10, 11};
  ASSERT_TRUE(sites.start(options));
  const SiteClient again(sites);
  EXPECT_EQ(read_hit_count(again.engine(3), "abc", again.page(3, "abc", 1)), 2);
  EXPECT_EQ(parse_result_page(again.engine(3), again.page(3, "abc", 2)).size(), 1u);
}

TEST(DemoSitesFaults, FailingAndCutPages) {
  DemoSites sites;
  DemoOptions options;
  options.fail_pages = {2};
  options.drop_pages = {3};
  options.latency = 5ms;
  ASSERT_TRUE(sites.start(options));
  const SiteClient client(sites);
  for (int e = 1; e <= kDemoEngineCount; ++e) {
    SCOPED_TRACE(testing::Message() << "engine " << e);
    EXPECT_EQ(parse_result_page(client.engine(e), client.page(e, "abc", 1)).size(), 10u);
    const httplib::Result failed = client.get(e, "abc", 2);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->status, 500);
    const httplib::Result cut = client.get(e, "abc", 3);
    EXPECT_FALSE(cut) << "a body cut short must not arrive as a page";
    EXPECT_EQ(sites.fetch_count(e, "abc", 3), 1);
  }
}

// A stalled page and a page on a long delay are held until stop(), which
// releases them instead of waiting for them.
TEST(DemoSitesFaults, StopReleasesHeldPages) {
  for (const bool stall : {true, false}) {
    SCOPED_TRACE(stall ? "stall" : "latency");
    DemoSites sites;
    DemoOptions options;
    if (stall) {
      options.stall_pages = {4};
    } else {
      options.latency = std::chrono::hours(1);
    }
    ASSERT_TRUE(sites.start(options));
    const SiteClient client(sites);
    auto held = std::async(std::launch::async, [&] { return client.get(2, "abc", 4); });
    while (sites.fetch_count(2, "abc", 4) == 0) std::this_thread::sleep_for(1ms);
    if (stall) {
      while (sites.stalled_requests() == 0) std::this_thread::sleep_for(1ms);
    }
    sites.stop();
    EXPECT_FALSE(sites.running());
    const httplib::Result res = held.get();
    if (res) {
      EXPECT_EQ(res->status, 503);
    }
    EXPECT_EQ(sites.stalled_requests(), 0);
  }
}

TEST(DemoSitesLifecycle, PortsRestartAndLog) {
  DemoSites first;
  ASSERT_TRUE(first.start());
  EXPECT_GT(first.port(), 0);
  EXPECT_EQ(first.host(), "127.0.0.1:" + std::to_string(first.port()));
  EXPECT_EQ(first.host_overrides(),
            (HostOverrides{{1, first.host()}, {2, first.host()}, {3, first.host()}}));

  DemoSites second;
  EXPECT_FALSE(second.start({}, first.port())) << "the port is taken";
  EXPECT_FALSE(second.running());
  EXPECT_EQ(second.host(), "");

  const SiteClient client(first);
  ASSERT_TRUE(client.get(3, "电影", 2));
  EXPECT_EQ(first.request_log(), (std::vector<DemoPageRequest>{{3, "电影", 2}}));

  const int port = first.port();
  first.stop();
  EXPECT_EQ(first.port(), 0);
  EXPECT_FALSE(httplib::Client("127.0.0.1", port).Get("/list/a-s1d-1.html")) << "port closed";
  ASSERT_TRUE(second.start({}, port)) << "a stopped server frees its port";
  ASSERT_TRUE(first.start());
  EXPECT_TRUE(first.request_log().empty());
}

}  // namespace
}  // namespace korvane
