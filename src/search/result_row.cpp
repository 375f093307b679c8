#include "search/result_row.h"

#include <string_view>
#include <unordered_set>

namespace korvane {

const std::string& ResultRow::column(int index) const {
  static const std::string kEmpty;
  switch (index) {
    case 0:
      return name;
    case 1:
      return size;
    case 2:
      return magnet;
    default:
      return kEmpty;
  }
}

void remove_duplicate_rows(ResultTable& rows, int column) {
  // First decide, while no row moves, which rows stay; then close the gaps.
  std::vector<bool> keep(rows.size());
  {
    std::unordered_set<std::string_view> seen;
    seen.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) keep[i] = seen.insert(rows[i].column(column)).second;
  }
  size_t kept = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!keep[i]) continue;
    if (kept != i) rows[kept] = std::move(rows[i]);
    ++kept;
  }
  rows.resize(kept);
}

}  // namespace korvane
