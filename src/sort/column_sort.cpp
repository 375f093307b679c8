#include "sort/column_sort.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <utility>

#include "web/text_encoding.h"

namespace korvane {
namespace {

// The text with full-width forms turned into ASCII and the wide spaces into
// ASCII spaces; other characters are kept. Nothing for invalid UTF-8.
std::optional<std::string> fold_width(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return std::nullopt;
    if (c >= 0xFF01 && c <= 0xFF5E) {
      folded += static_cast<char>(c - 0xFEE0);
    } else if (c == 0x00A0 || c == 0x3000) {
      folded += ' ';
    } else {
      folded.append(text.substr(start, i - start));
    }
  }
  return folded;
}

bool is_digit(std::string_view s, size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; }

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view trim_spaces(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

// A comma at `i` followed by exactly three digits and then no further digit.
bool is_thousands_comma(std::string_view s, size_t i) {
  return s[i] == ',' && is_digit(s, i + 1) && is_digit(s, i + 2) && is_digit(s, i + 3) &&
         !is_digit(s, i + 4);
}

// Reads the number at the start of `s` as plain digits with an optional
// decimal point ("1234.5"), advancing `s` past it. Nothing when `s` does not
// start with a digit or a decimal separator has no digit after it.
std::optional<std::string> take_number(std::string_view& s) {
  std::string number;
  size_t i = 0;
  if (!is_digit(s, i)) return std::nullopt;
  while (is_digit(s, i)) number += s[i++];
  while (i < s.size() && is_thousands_comma(s, i)) {
    number.append(s.substr(i + 1, 3));
    i += 4;
  }
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    if (!is_digit(s, ++i)) return std::nullopt;
    number += '.';
    while (is_digit(s, i)) number += s[i++];
  }
  s.remove_prefix(i);
  return number;
}

// Bytes per unit, or nothing for an unknown unit.
std::optional<double> unit_factor(std::string_view unit) {
  std::string lower(unit);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (lower.empty() || lower == "b" || lower == "byte" || lower == "bytes" || lower == "字节") {
    return 1.0;
  }
  static constexpr std::string_view kPrefixes = "kmgtp";
  const size_t power = kPrefixes.find(lower[0]);
  if (power == std::string_view::npos) return std::nullopt;
  const std::string_view rest = std::string_view(lower).substr(1);
  if (!rest.empty() && rest != "b" && rest != "ib") return std::nullopt;
  return std::ldexp(1.0, 10 * static_cast<int>(power + 1));
}

// A size key: readable sizes by value, unreadable ones after all of them.
struct SizeKey {
  bool readable;
  double bytes;
};

bool is_cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

std::vector<size_t> identity_order(size_t count) {
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), size_t{0});
  return order;
}

// Computes one key per row; nothing when cancelled on the way.
template <typename Key, typename MakeKey>
std::optional<std::vector<Key>> row_keys(const ResultTable& rows, MakeKey make_key,
                                         const std::atomic<bool>* cancel) {
  std::vector<Key> keys;
  keys.reserve(rows.size());
  for (const ResultRow& row : rows) {
    if (is_cancelled(cancel)) return std::nullopt;
    keys.push_back(make_key(row));
  }
  return keys;
}

// A name key in the sort: its first eight bytes as a big-endian number, so
// that most comparisons settle without reaching the key's bytes elsewhere in
// memory, then the whole key.
struct NameEntry {
  uint64_t head;
  std::string_view key;
  size_t row;
};

uint64_t key_head(std::string_view key) {
  uint64_t head = 0;
  for (size_t i = 0; i < 8; ++i) {
    head = (head << 8) | (i < key.size() ? static_cast<uint8_t>(key[i]) : 0u);
  }
  return head;
}

bool entry_less(const NameEntry& a, const NameEntry& b) {
  if (a.head != b.head) return a.head < b.head;
  return a.key < b.key;
}

std::optional<std::vector<size_t>> name_order(const ResultTable& rows, bool ascending,
                                              const std::atomic<bool>* cancel) {
  const auto keys = row_keys<std::string>(
      rows, [](const ResultRow& row) { return name_sort_key(row.name); }, cancel);
  if (!keys) return std::nullopt;
  std::vector<NameEntry> entries;
  entries.reserve(keys->size());
  for (size_t i = 0; i < keys->size(); ++i) {
    entries.push_back({key_head((*keys)[i]), (*keys)[i], i});
  }
  if (ascending) {
    std::stable_sort(entries.begin(), entries.end(), entry_less);
  } else {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const NameEntry& a, const NameEntry& b) { return entry_less(b, a); });
  }
  std::vector<size_t> order;
  order.reserve(entries.size());
  for (const NameEntry& entry : entries) order.push_back(entry.row);
  return order;
}

std::optional<std::vector<size_t>> size_order(const ResultTable& rows, bool ascending,
                                              const std::atomic<bool>* cancel) {
  auto keys = row_keys<SizeKey>(
      rows,
      [](const ResultRow& row) {
        const std::optional<double> bytes = size_in_bytes(row.size);
        return SizeKey{bytes.has_value(), bytes.value_or(0.0)};
      },
      cancel);
  if (!keys) return std::nullopt;
  std::vector<size_t> order = identity_order(rows.size());
  const std::vector<SizeKey>& k = *keys;
  std::stable_sort(order.begin(), order.end(), [&k, ascending](size_t a, size_t b) {
    if (k[a].readable != k[b].readable) return k[a].readable;
    if (!k[a].readable) return false;
    return ascending ? k[a].bytes < k[b].bytes : k[b].bytes < k[a].bytes;
  });
  return order;
}

}  // namespace

std::optional<double> size_in_bytes(std::string_view size_text) {
  const std::optional<std::string> folded = fold_width(size_text);
  if (!folded) return std::nullopt;
  std::string_view rest = trim_spaces(*folded);
  const std::optional<std::string> number = take_number(rest);
  if (!number) return std::nullopt;
  const std::optional<double> factor = unit_factor(trim_spaces(rest));
  if (!factor) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(number->data(), number->data() + number->size(), value);
  if (error != std::errc() || end != number->data() + number->size()) return std::nullopt;
  value *= *factor;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::string name_sort_key(std::string_view name) { return utf8_to_gbk(name); }

std::vector<size_t> sorted_order(const ResultTable& rows, int column, bool ascending) {
  return *sorted_order(rows, column, ascending, nullptr);
}

std::optional<std::vector<size_t>> sorted_order(const ResultTable& rows, int column, bool ascending,
                                                const std::atomic<bool>* cancel) {
  std::optional<std::vector<size_t>> order;
  if (column == kNameColumn) {
    order = name_order(rows, ascending, cancel);
  } else if (column == kSizeColumn) {
    order = size_order(rows, ascending, cancel);
  } else {
    order = identity_order(rows.size());
  }
  if (is_cancelled(cancel)) return std::nullopt;
  return order;
}

bool SortDirections::next_ascending(int column) {
  if (column == kNameColumn) return name_ascending_ = !name_ascending_;
  if (column == kSizeColumn) return size_ascending_ = !size_ascending_;
  return true;
}

bool SortDirections::last_ascending(int column) const {
  if (column == kNameColumn) return name_ascending_;
  if (column == kSizeColumn) return size_ascending_;
  return false;
}

}  // namespace korvane
