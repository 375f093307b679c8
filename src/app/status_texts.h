// The texts of the status bar's panel 2: the selected list's row count and,
// while its search runs, how far the search has come.
#ifndef KORVANE_APP_STATUS_TEXTS_H_
#define KORVANE_APP_STATUS_TEXTS_H_

#include <QString>

#include "search/search_run.h"

namespace korvane {

// Count prefix, `rows` in decimal without separators, count suffix.
QString result_count_text(int rows);

// "正在读取第一页…" while probing, then "正在搜索：第 D/T 页" (with the failed
// pages when there are any); `stopping` after the user pressed stop.
QString search_progress_text(const SearchProgress& progress, bool stopping);

// The note that a search fetched only `fetched` of `wanted` pages.
QString page_cap_text(int wanted, int fetched);

}  // namespace korvane

#endif  // KORVANE_APP_STATUS_TEXTS_H_
