// The catalogue of search engines and the pure routines that apply it:
// addresses of result pages, the hit count of a first page, the number of
// pages to fetch, and the rows of a result page. Nothing here touches the
// network or shared state; every routine is safe on any thread, and an
// engine's compiled patterns are shared by all of them.
#ifndef KORVANE_SEARCH_SEARCH_ENGINE_H_
#define KORVANE_SEARCH_SEARCH_ENGINE_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/result_row.h"
#include "web/regex_object.h"

namespace korvane {

enum class PageCountRule {
  kTenHitsPerPage,  // the number read is a hit count: floor(hits / 10) + 1 pages
  kLastPage,        // the number read is the last page's number
};

// Where a row's column comes from: pattern `pattern` (index into
// SearchEngine::patterns), capturing group `group` (from 1).
struct RowField {
  int pattern = 0;
  int group = 1;
};

struct SearchEngine {
  std::string label;  // "引擎1", "引擎2", "引擎3"
  std::string host;   // host name with an optional ":port"

  // Page n's path: path_before_keyword + keyword + path_before_page + n +
  // path_after_page. Page 1 is the first page.
  std::string path_before_keyword;
  std::string path_before_page;
  std::string path_after_page;

  // The number read from a first page lies between these. "{keyword}" in the
  // start marker stands for the keyword as the page writes it.
  std::string start_marker;
  std::string end_marker;
  PageCountRule page_count_rule = PageCountRule::kTenHitsPerPage;

  // Removed from a page, in order and regardless of ASCII case, before matching.
  std::vector<std::pair<std::string, std::string>> cleaning_pairs;
  // Compiled once with the default options; rows are counted by patterns[0].
  std::vector<CompiledPattern> patterns;
  RowField name;
  RowField size;
  RowField hash;
};

using EngineCatalogue = std::vector<SearchEngine>;

// The three built-in engines, in the order 引擎1, 引擎2, 引擎3, with
// placeholder hosts.
const EngineCatalogue& builtin_engines();

// The engine chosen by its label ("引擎2") or its number ("2"); nullptr when
// none fits.
const SearchEngine* find_engine(const EngineCatalogue& engines, std::string_view choice);

// The keyword as it goes into an address: its GBK bytes percent-encoded, so no
// character of it can change the request's path or query.
std::string encode_keyword(std::string_view keyword);

std::string first_page_address(const SearchEngine& engine, std::string_view keyword);
std::string page_address(const SearchEngine& engine, std::string_view keyword, int n);

// The number between the engine's count markers in a first page; 0 when the
// markers or the digits are missing.
int read_hit_count(const SearchEngine& engine, std::string_view keyword, std::string_view page);

// The number of result pages to fetch for the number read.
int pages_for_hits(const SearchEngine& engine, int number_read);

// The rows of a result page, in match order; none for a page that does not
// fit the engine's layout.
ResultTable parse_result_page(const SearchEngine& engine, std::string_view page);

}  // namespace korvane

#endif  // KORVANE_SEARCH_SEARCH_ENGINE_H_
