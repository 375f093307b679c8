// Cookie texts as a browser sends them in a "Cookie: " line: name=value pieces
// joined by "; ". Pure text work, safe on any thread. Spaces here are the
// ASCII space and the full-width space U+3000.
#ifndef KORVANE_WEB_COOKIES_H_
#define KORVANE_WEB_COOKIES_H_

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Merges the cookies a response set into the kept ones: the response's pieces
// first, then the kept pieces whose names it did not set (of several kept
// pieces with one name only the first); pieces ending in "=deleted" and
// repeated pieces are dropped. Both texts lose their spaces; `cookies`
// receives the merged text, which is also returned.
std::string merge_cookies(std::string& cookies, std::string& returned_cookies);

// The text before a piece's first "=", trimmed; the whole piece, trimmed,
// when it has no "=".
std::string cookie_name(std::string_view piece);
bool contains_cookie_name(const std::vector<std::string>& pieces, std::string_view name);
// Splits at `separator`, leaves out every repeat of an earlier identical piece
// and joins again.
std::string remove_repeated_pieces(std::string_view text, std::string_view separator);
// 1-based index of the first element equal to `text`, -1 when none is.
int index_of_text(const std::vector<std::string>& list, std::string_view text);

// Splits at `separator`: an empty text gives no pieces, an empty piece between
// two separators stays, the text after the last separator only when non-empty.
// An empty separator gives the whole text as one piece.
std::vector<std::string> split_pieces(std::string_view text, std::string_view separator);
// Removes every ASCII and full-width space.
std::string remove_spaces(std::string_view text);
// Trims ASCII and full-width spaces at both ends.
std::string trim_spaces(std::string_view text);

}  // namespace korvane

#endif  // KORVANE_WEB_COOKIES_H_
