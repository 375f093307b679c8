#include "search/text_utils.h"

#include <climits>
#include <cstdint>

namespace korvane {
namespace {

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool equal_at(std::string_view text, size_t at, std::string_view needle, bool case_sensitive) {
  if (text.size() - at < needle.size()) return false;
  if (case_sensitive) return text.compare(at, needle.size(), needle) == 0;
  for (size_t i = 0; i < needle.size(); ++i) {
    if (ascii_lower(text[at + i]) != ascii_lower(needle[i])) return false;
  }
  return true;
}

// Finds `needle` at or after `from`. Because `needle` is a whole UTF-8 text,
// a match can only begin where a character begins.
size_t find_text(std::string_view text, std::string_view needle, size_t from, bool case_sensitive) {
  if (case_sensitive) return text.find(needle, from);
  if (needle.size() > text.size()) return std::string_view::npos;
  for (size_t at = from; at + needle.size() <= text.size(); ++at) {
    if (equal_at(text, at, needle, false)) return at;
  }
  return std::string_view::npos;
}

std::string replace_one_pair(std::string_view text, const ReplacePair& pair, bool case_sensitive) {
  const auto& [from, to] = pair;
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t at = 0;
  for (size_t hit; (hit = find_text(text, from, at, case_sensitive)) != std::string_view::npos;) {
    out.append(text.substr(at, hit - at)).append(to);
    at = hit + from.size();
  }
  out.append(text.substr(at));
  return out;
}

// Reads one decimal digit, ASCII or full-width (U+FF10..U+FF19, EF BC 90..99),
// at `at`; returns its value and advances, or -1.
int read_digit(std::string_view text, size_t& at) {
  if (at < text.size() && text[at] >= '0' && text[at] <= '9') return text[at++] - '0';
  if (at + 2 < text.size() && text.compare(at, 2, "\xEF\xBC") == 0) {
    unsigned char c = static_cast<unsigned char>(text[at + 2]);
    if (c >= 0x90 && c <= 0x99) {
      at += 3;
      return c - 0x90;
    }
  }
  return -1;
}

bool consume(std::string_view text, size_t& at, std::string_view what) {
  if (text.substr(at, what.size()) != what) return false;
  at += what.size();
  return true;
}

}  // namespace

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
  return replace_one_pair(text, {from, to}, true);
}

std::string text_between(std::string_view text, std::string_view start, std::string_view end) {
  const std::string start_marker = replace_all(start, kQuoteMarker, "\"");
  const std::string end_marker = replace_all(end, kQuoteMarker, "\"");
  size_t begin = text.find(start_marker);
  if (begin == std::string_view::npos) return "";
  begin += start_marker.size();
  size_t stop = text.find(end_marker, begin);
  if (stop == std::string_view::npos) return "";
  return std::string(text.substr(begin, stop - begin));
}

std::string replace_pairs(std::string_view text, bool case_sensitive,
                          std::span<const ReplacePair> pairs) {
  std::string current(text);
  for (const ReplacePair& pair : pairs) current = replace_one_pair(current, pair, case_sensitive);
  return current;
}

std::string replace_pairs(std::string_view text, bool case_sensitive,
                          std::initializer_list<ReplacePair> pairs) {
  return replace_pairs(text, case_sensitive,
                       std::span<const ReplacePair>(pairs.begin(), pairs.size()));
}

int read_integer(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = false;
  if (consume(text, at, "-") || consume(text, at, "\xEF\xBC\x8D")) {
    negative = true;
  } else if (!consume(text, at, "+")) {
    consume(text, at, "\xEF\xBC\x8B");
  }
  int64_t value = 0;
  for (int digit; (digit = read_digit(text, at)) >= 0;) {
    value = value * 10 + digit;
    if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace korvane
