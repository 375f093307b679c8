#include "web/cookies.h"

#include <string>

namespace korvane {
namespace {

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";  // U+3000
constexpr std::string_view kDeleted = "=deleted";

// Length of the space at `at`, or 0.
size_t space_at(std::string_view text, size_t at) {
  if (text[at] == ' ') return 1;
  if (text.substr(at, kFullWidthSpace.size()) == kFullWidthSpace) return kFullWidthSpace.size();
  return 0;
}

bool ends_with_space(std::string_view text) {
  return !text.empty() && (text.back() == ' ' || text.ends_with(kFullWidthSpace));
}

}  // namespace

std::vector<std::string> split_pieces(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) return {std::string(text)};
  size_t at = 0;
  for (size_t hit; (hit = text.find(separator, at)) != std::string_view::npos;) {
    pieces.emplace_back(text.substr(at, hit - at));
    at = hit + separator.size();
  }
  if (at < text.size()) pieces.emplace_back(text.substr(at));
  return pieces;
}

std::string remove_spaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    size_t n = space_at(text, at);
    if (n == 0) out.push_back(text[at]);
    at += n == 0 ? 1 : n;
  }
  return out;
}

std::string trim_spaces(std::string_view text) {
  for (size_t n; !text.empty() && (n = space_at(text, 0)) != 0;) text.remove_prefix(n);
  while (ends_with_space(text)) text.remove_suffix(text.back() == ' ' ? 1 : kFullWidthSpace.size());
  return std::string(text);
}

std::string cookie_name(std::string_view piece) {
  size_t equals = piece.find('=');
  return trim_spaces(equals == std::string_view::npos ? piece : piece.substr(0, equals));
}

bool contains_cookie_name(const std::vector<std::string>& pieces, std::string_view name) {
  for (const std::string& piece : pieces) {
    if (cookie_name(piece) == name) return true;
  }
  return false;
}

int index_of_text(const std::vector<std::string>& list, std::string_view text) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == text) return static_cast<int>(i) + 1;
  }
  return -1;
}

std::string remove_repeated_pieces(std::string_view text, std::string_view separator) {
  std::vector<std::string> seen;
  std::string out;
  for (std::string& piece : split_pieces(text, separator)) {
    if (index_of_text(seen, piece) != -1) continue;
    out.append(piece).append(separator);
    seen.push_back(std::move(piece));
  }
  if (!out.empty()) out.resize(out.size() - separator.size());
  return out;
}

std::string merge_cookies(std::string& cookies, std::string& returned_cookies) {
  cookies = remove_spaces(cookies);
  returned_cookies = remove_spaces(returned_cookies);
  std::vector<std::string> working = split_pieces(returned_cookies, ";");
  for (std::string& piece : split_pieces(cookies, ";")) {
    if (!contains_cookie_name(working, cookie_name(piece))) working.push_back(std::move(piece));
  }
  std::string merged;
  for (const std::string& piece : working) {
    if (piece.ends_with(kDeleted)) continue;
    merged.append(piece).append("; ");
  }
  if (!merged.empty()) merged.resize(merged.size() - 2);
  cookies = remove_repeated_pieces(merged, "; ");
  return cookies;
}

}  // namespace korvane
