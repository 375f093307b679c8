// Regular expressions on PCRE2, with the dialect the page parsers rely on:
// letter case ignored unless asked, "^" and "$" at every line break, "." never
// matching a line break, \w \d \s and their kin matching ASCII only, lazy
// quantifiers, groups numbered from 1. Subjects and patterns are UTF-8.
//
// Line breaks are LF, CR, CRLF and U+2028/U+2029 (ECMAScript's terminators;
// VT, FF and U+0085 count too). "\uHHHH", "[]" and "[^]" and back references to
// unset groups behave as in ECMAScript. Every match call is bounded by a match
// limit and a heap limit; with the JIT (always used where it compiles) a page
// costs time linear in its size even for a lazy group that never closes.
#ifndef KORVANE_WEB_REGEX_OBJECT_H_
#define KORVANE_WEB_REGEX_OBJECT_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct RegexOptions {
  bool case_sensitive = false;
  bool multiline = true;
  // Every "#引号" in the pattern stands for one double quote.
  bool quote_escape = false;
};

// `pattern` with every "#引号" replaced by one double quote.
std::string replace_quote_marker(std::string_view pattern);

// A compiled pattern. Immutable once built: one instance may be used by any
// number of threads at once (each match uses match data of its own). Compiled
// with the JIT where the platform has it.
class CompiledPattern {
 public:
  CompiledPattern() = default;  // unusable
  // Unusable when `pattern` is not valid UTF-8 or does not compile.
  static CompiledPattern compile(std::string_view pattern, RegexOptions options = {});

  // False when the pattern could not be compiled.
  bool usable() const { return impl_ != nullptr; }
  // The pattern text as compiled (after the quote replacement); "" if unusable.
  const std::string& pattern() const;
  int capture_count() const;

  struct Impl;
  const Impl* impl() const { return impl_.get(); }

 private:
  std::shared_ptr<const Impl> impl_;
};

// One match set over one subject. Indexes are 1-based; a reading past the last
// match or group gives "" (or 0, and -1 in `position`). An object is used by
// one thread at a time.
class RegexObject {
 public:
  // Compiles `pattern` and runs it over `subject`. True when a match set was
  // produced (also an empty one); false when the pattern is unusable or the
  // subject is not valid UTF-8, leaving no matches.
  bool execute(std::string_view pattern, std::string_view subject, bool case_sensitive = false,
               bool multiline = true, bool global = true, bool quote_escape = false);
  // Runs an already compiled pattern; same result rules.
  bool execute(const CompiledPattern& pattern, std::string_view subject, bool global = true);
  // True when the last execute stopped early because a match call hit the
  // match, heap or JIT stack limit: the matches found before that point are
  // kept (and execute returned true), the rest of the subject was not searched.
  bool limit_reached() const { return limit_reached_; }

  int match_count() const;
  // Text of match i; `position`, when given, receives its 0-based byte offset
  // in the subject (-1 when there is no such match).
  std::string match_text(int match_index, int* position = nullptr) const;
  // Text of group j of match i; "" when that group took no part in the match
  // (`position` then -1).
  std::string group_text(int match_index, int group_index, int* position = nullptr) const;
  // Number of capturing groups of the first match; 0 when there is no match.
  int group_count() const;
  // The pattern of the last execute (after the quote replacement), or "".
  std::string get_pattern() const;
  // The last subject with its matches (all when global, else the first)
  // replaced; "$1".."$99", "$&", "$`", "$'" and "$$" in the replacement work as
  // in ECMAScript. "" before the first execute and after a failed one.
  std::string replace(std::string_view replacement) const;
  // A new object sharing the compiled pattern, with its own copy of the subject
  // and of the match set.
  RegexObject copy() const;
  // Forgets pattern, subject and matches.
  void destroy();

 private:
  bool run(std::string_view subject, bool global);

  struct Span {
    size_t begin = 0;
    size_t end = 0;
    bool set = false;
  };
  CompiledPattern pattern_;
  std::string pattern_text_;
  std::string subject_;
  bool global_ = true;
  bool limit_reached_ = false;
  // Per match: the whole match first, then each group.
  std::vector<std::vector<Span>> matches_;
};

}  // namespace korvane

#endif  // KORVANE_WEB_REGEX_OBJECT_H_
