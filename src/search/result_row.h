// One search hit and the core's table of hits.
#ifndef KORVANE_SEARCH_RESULT_ROW_H_
#define KORVANE_SEARCH_RESULT_ROW_H_

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

inline constexpr std::string_view kMagnetPrefix = "magnet:?xt=urn:btih:";

// Texts exactly as the page had them: no trimming, no entity decoding.
struct ResultRow {
  std::string name;    // column 0 "名称"
  std::string size;    // column 1 "大小", as the site printed it
  std::string magnet;  // column 2 "磁力链接": kMagnetPrefix + the page's hash

  // Column 0, 1 or 2; any other column reads as the empty text.
  const std::string& column(int index) const;
  bool operator==(const ResultRow&) const = default;
};

using ResultTable = std::vector<ResultRow>;

// Keeps the first row of each distinct text in `column` (exact bytes, letter
// case counting) and drops later repeats; the order of the rest is kept.
void remove_duplicate_rows(ResultTable& rows, int column);

}  // namespace korvane

#endif  // KORVANE_SEARCH_RESULT_ROW_H_
