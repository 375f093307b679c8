// The pages of the demo sites: deterministic hits for any keyword, the result
// pages of the three engines in their sites' layouts (GBK, as the sites serve
// them), and the reading of a request's path back into engine, keyword and
// page. Everything here is pure and safe on any thread.
//
// Every engine serves kDemoRowsPerPage rows a page. Engines 1 and 2 write the
// hit count on each page and serve floor(hits / 10) + 1 pages, as their
// readers expect, so the last page holds hits mod 10 rows (possibly none).
// Engine 3 serves ceil(hits / 10) pages and writes the number of its last
// page in a "尾页" link; a result set of one page has no such link, so a
// reader finds no count there: engine 3 needs more than 10 hits to be read.
#ifndef KORVANE_DEMO_DEMO_PAGES_H_
#define KORVANE_DEMO_DEMO_PAGES_H_

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

inline constexpr int kDemoEngineCount = 3;
inline constexpr int kDemoRowsPerPage = 10;
// Page numbers above this are not served.
inline constexpr int kDemoMaxPage = 1000000;

// One hit as the sites show it (UTF-8). Its name is name_before + the keyword
// + name_after; the page highlights the keyword in the engine's own way.
struct DemoHit {
  std::string name_before;
  std::string name_after;
  std::string size;  // as printed: "700 MB", "1.5 GB", "812 B", "4.7GB" ...
  std::string hash;  // 40 lower-case hex digits
  std::string date;  // "2019-03-07"
  int files = 1;
  int heat = 0;

  std::string name(std::string_view keyword) const;
};

// Hit `index` (from 0) of `engine` (1 to 3) for `keyword`. The same arguments
// always give the same hit. Hits 17, 27, 37 ... repeat hit index - 12 (a row
// of the page before) whole, as sites list a torrent twice.
DemoHit demo_hit(int engine, std::string_view keyword, int index);

// True for the hits that repeat an earlier one (see demo_hit).
bool demo_hit_is_repeat(int index);

// Pages that `engine` serves for `hits` hits (0 when hits <= 0), and the rows
// on page `page` (from 1); 0 rows past the last page.
int demo_page_count(int engine, int hits);
int demo_rows_on_page(int engine, int hits, int page);

// Result page `page` of `engine` for `keyword` when the keyword has `hits`
// hits, GBK-encoded, line ends as the site writes them (CR LF for engines 1
// and 2, LF for engine 3). With hits <= 0 it is a "no results" page without
// count markers. The keyword is written HTML-escaped in the page's texts.
std::string demo_page(int engine, std::string_view keyword, int page, int hits);

// What a request asks for.
struct DemoPageRequest {
  int engine = 0;
  std::string keyword;  // UTF-8
  int page = 0;
  bool operator==(const DemoPageRequest&) const = default;
};

// Reads a request target (path, optionally with a query) of one of the
// engines' layouts:
//   engine 1  /list/<kw>-s1d-<n>.html     (the last "-s1d-<n>.html" ends kw)
//   engine 2  /search/<kw>/<n>-1.html     (kw without a raw "/")
//   engine 3  /search/<kw>_ctime_<n>.html (the last "_ctime_<n>.html" ends kw)
// kw is percent-decoded and read as GBK; n is 1 to kDemoMaxPage without
// leading zeros. Nothing for any other target, an empty keyword or a broken
// percent escape.
std::optional<DemoPageRequest> parse_demo_target(std::string_view target);

}  // namespace korvane

#endif  // KORVANE_DEMO_DEMO_PAGES_H_
