// The ordering logic behind a click on a result list's column header: how
// size texts read as byte values, the order of names, the new row order of a
// table, and the direction each column sorts in next. Nothing here changes a
// row: the caller applies the returned order to its own list.
#ifndef KORVANE_SORT_COLUMN_SORT_H_
#define KORVANE_SORT_COLUMN_SORT_H_

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "search/result_row.h"

namespace korvane {

inline constexpr int kNameColumn = 0;
inline constexpr int kSizeColumn = 1;

// Reads a size as the sites print it and returns its value in bytes, or
// nothing when the text cannot be read. Thread-safe.
//
// The whole text must be: optional spaces, a number, optional spaces, an
// optional unit, optional spaces. Spaces are ASCII blanks, U+00A0 and U+3000;
// full-width digits, letters and punctuation count as their ASCII forms.
//  - The number has no sign: digits, then optionally a decimal separator and
//    more digits. A point is always a decimal point. A comma followed by
//    exactly three digits and then no further digit is a thousands separator
//    ("1,234 MB", "1,234,567 B", "1,234.5 MB"); any other comma is a decimal
//    comma ("1,5 GB", "1,25 GB"). After the decimal separator no further
//    separator may follow.
//  - Units, in any letter case: none, "B", "byte", "bytes" and "字节" mean bytes;
//    K, KB, KiB = 1024 B; M, MB, MiB = 1024 KB; likewise G, T and P. The sites
//    mean binary units, so KB and KiB are the same.
// Unreadable: the empty text, no number, a sign, an unknown unit, anything
// else around the size, a value too large for a double.
//
// Since every unit is a power of two, two texts naming the same amount in
// different units ("1.5 GB", "1536 MB") read as exactly the same value.
std::optional<double> size_in_bytes(std::string_view size_text);

// The order in which names sort "as text": the name's GB18030 bytes (GBK for
// every character GBK holds), compared byte by byte as unsigned values, letter
// case counting. This puts the common Chinese characters in pinyin order.
// Comparing two keys with std::string's operator< gives that order.
// Thread-safe.
std::string name_sort_key(std::string_view name);

// The row order that sorts `rows` by `column`: element i is the index in
// `rows` of the row that goes to place i. Thread-safe; `rows` is only read.
//  - Column 0 (name): by name_sort_key.
//  - Column 1 (size): by size_in_bytes; rows whose size cannot be read come
//    after all others, in both directions.
//  - Any other column: the rows' own order.
// The sort is stable in both directions: rows whose keys are equal keep their
// order in `rows`. Each row's key is computed once.
std::vector<size_t> sorted_order(const ResultTable& rows, int column, bool ascending);

// As above, but gives up and returns nothing once `*cancel` (when not null)
// reads true. The flag is looked at while the keys are computed, which is most
// of the work, and once more before returning; the comparison sort itself is
// not interrupted.
std::optional<std::vector<size_t>> sorted_order(const ResultTable& rows, int column, bool ascending,
                                                const std::atomic<bool>* cancel);

// The direction of the next sort of each column, for the whole program and
// shared by all result lists: the first sort by a column is ascending, each
// later one turns the direction around. Names and sizes have one mark each;
// other columns have none. Not thread-safe: used from the UI thread only.
class SortDirections {
 public:
  // Turns the column's mark around and returns the direction to sort in now:
  // true for ascending. For a column other than 0 and 1 nothing changes and
  // the result is true.
  bool next_ascending(int column);

  // True when the last sort by the column was ascending; false before the
  // first sort and for columns other than 0 and 1.
  bool last_ascending(int column) const;

 private:
  bool name_ascending_ = false;
  bool size_ascending_ = false;
};

}  // namespace korvane

#endif  // KORVANE_SORT_COLUMN_SORT_H_
