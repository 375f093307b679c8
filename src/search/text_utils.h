// Small text routines of the page readers. Texts are UTF-8; every search
// compares bytes and, since markers are whole UTF-8 texts, never starts or
// ends inside a character.
#ifndef KORVANE_SEARCH_TEXT_UTILS_H_
#define KORVANE_SEARCH_TEXT_UTILS_H_

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace korvane {

// Marker word that stands for a double quote in text_between's markers.
inline constexpr std::string_view kQuoteMarker = "#引号";

// The text between the first `start` and the first `end` after it; "" when
// either is missing. Every "#引号" in a marker stands for one double quote.
std::string text_between(std::string_view text, std::string_view start, std::string_view end);

using ReplacePair = std::pair<std::string_view, std::string_view>;

// Applies the pairs in order, each to the result of the one before: every
// occurrence of `from`, scanning left to right, becomes `to`; replaced text is
// not scanned again; an empty `from` changes nothing. Without
// `case_sensitive`, ASCII letters compare regardless of case.
std::string replace_pairs(std::string_view text, bool case_sensitive,
                          std::span<const ReplacePair> pairs);
std::string replace_pairs(std::string_view text, bool case_sensitive,
                          std::initializer_list<ReplacePair> pairs);

// Reads an integer the standard way: leading white space, an optional sign,
// then decimal digits up to the first other character; full-width digits
// (and a full-width sign) count as their ASCII forms. No digits gives 0; a
// value past the 32-bit range is clamped to it.
int read_integer(std::string_view text);

// Replaces every occurrence of `from` (non-empty) by `to`, exact bytes.
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);

}  // namespace korvane

#endif  // KORVANE_SEARCH_TEXT_UTILS_H_
