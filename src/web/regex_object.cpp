#include "web/regex_object.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>

namespace korvane {

namespace {

constexpr std::string_view kQuoteMarker = "#引号";

// Bounds of one match call. With the JIT the match limit counts over the whole
// call; the interpreter counts it per start position, where the heap limit is
// what stops a runaway backtrack.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kHeapLimitKiB = 256 * 1024;
constexpr size_t kJitStackStart = 64 * 1024;
constexpr size_t kJitStackMax = 8 * 1024 * 1024;

// Match context and JIT stack of the calling thread: a JIT stack may serve
// only one match at a time, so each thread has its own.
class ThreadMatchContext {
 public:
  ThreadMatchContext()
      : context_(pcre2_match_context_create(nullptr)),
        jit_stack_(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr)) {
    if (context_ == nullptr) return;
    pcre2_set_match_limit(context_, kMatchLimit);
    pcre2_set_heap_limit(context_, kHeapLimitKiB);
    if (jit_stack_ != nullptr) pcre2_jit_stack_assign(context_, nullptr, jit_stack_);
  }
  ~ThreadMatchContext() {
    pcre2_match_context_free(context_);
    pcre2_jit_stack_free(jit_stack_);
  }
  ThreadMatchContext(const ThreadMatchContext&) = delete;
  ThreadMatchContext& operator=(const ThreadMatchContext&) = delete;

  pcre2_match_context* get() { return context_; }

 private:
  pcre2_match_context* context_;
  pcre2_jit_stack* jit_stack_;
};

pcre2_match_context* thread_match_context() {
  thread_local ThreadMatchContext context;
  return context.get();
}

struct MatchDataFree {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using MatchData = std::unique_ptr<pcre2_match_data, MatchDataFree>;

uint32_t compile_options(const RegexOptions& options) {
  uint32_t flags = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                   PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_BACKSLASH_C;
  if (!options.case_sensitive) flags |= PCRE2_CASELESS;
  // Without MULTILINE, "$" matches only at the very end, as in ECMAScript.
  flags |= options.multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;
  return flags;
}

bool is_utf_error(int rc) { return rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21; }

// Length of the UTF-8 character starting at `pos` of a valid UTF-8 text.
size_t char_length(std::string_view text, size_t pos) {
  size_t end = pos + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return end - pos;
}

// Appends `replacement` for one match, expanding "$" forms as ECMAScript does.
void expand_replacement(std::string_view replacement, std::string_view subject,
                        const std::vector<std::string_view>& groups, size_t match_begin,
                        size_t match_end, std::string& out) {
  const size_t group_count = groups.size() - 1;
  auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
  for (size_t i = 0; i < replacement.size(); ++i) {
    const char c = replacement[i];
    if (c != '$' || i + 1 >= replacement.size()) {
      out += c;
      continue;
    }
    const char next = replacement[i + 1];
    if (next == '$') {
      out += '$';
      ++i;
    } else if (next == '&') {
      out += groups[0];
      ++i;
    } else if (next == '`') {
      out += subject.substr(0, match_begin);
      ++i;
    } else if (next == '\'') {
      out += subject.substr(match_end);
      ++i;
    } else if (is_digit(next)) {
      size_t n = static_cast<size_t>(next - '0');
      if (i + 2 < replacement.size() && is_digit(replacement[i + 2])) {
        const size_t nn = n * 10 + static_cast<size_t>(replacement[i + 2] - '0');
        if (nn >= 1 && nn <= group_count) {
          out += groups[nn];
          i += 2;
          continue;
        }
      }
      if (n >= 1 && n <= group_count) {
        out += groups[n];
        ++i;
      } else {
        out += '$';
      }
    } else {
      out += '$';
    }
  }
}

}  // namespace

struct CompiledPattern::Impl {
  std::string pattern;
  pcre2_code* code = nullptr;
  int capture_count = 0;

  ~Impl() { pcre2_code_free(code); }
};

std::string replace_quote_marker(std::string_view pattern) {
  std::string out;
  out.reserve(pattern.size());
  size_t from = 0;
  for (size_t at = pattern.find(kQuoteMarker); at != std::string_view::npos;
       at = pattern.find(kQuoteMarker, from)) {
    out.append(pattern.substr(from, at - from));
    out += '"';
    from = at + kQuoteMarker.size();
  }
  out.append(pattern.substr(from));
  return out;
}

CompiledPattern CompiledPattern::compile(std::string_view pattern, RegexOptions options) {
  auto impl = std::make_shared<Impl>();
  impl->pattern = options.quote_escape ? replace_quote_marker(pattern) : std::string(pattern);

  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  if (context == nullptr) return {};
  pcre2_set_newline(context, PCRE2_NEWLINE_ANY);
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  impl->code =
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(impl->pattern.data()), impl->pattern.size(),
                    compile_options(options), &error, &error_offset, context);
  pcre2_compile_context_free(context);
  if (impl->code == nullptr) return {};

  // Where the JIT is missing or refuses the pattern, pcre2_match interprets.
  pcre2_jit_compile(impl->code, PCRE2_JIT_COMPLETE);
  uint32_t captures = 0;
  pcre2_pattern_info(impl->code, PCRE2_INFO_CAPTURECOUNT, &captures);
  impl->capture_count = static_cast<int>(captures);

  CompiledPattern compiled;
  compiled.impl_ = std::move(impl);
  return compiled;
}

const std::string& CompiledPattern::pattern() const {
  static const std::string kEmpty;
  return impl_ ? impl_->pattern : kEmpty;
}

int CompiledPattern::capture_count() const { return impl_ ? impl_->capture_count : 0; }

bool RegexObject::execute(std::string_view pattern, std::string_view subject, bool case_sensitive,
                          bool multiline, bool global, bool quote_escape) {
  RegexOptions options;
  options.case_sensitive = case_sensitive;
  options.multiline = multiline;
  options.quote_escape = quote_escape;
  pattern_ = CompiledPattern::compile(pattern, options);
  pattern_text_ = quote_escape ? replace_quote_marker(pattern) : std::string(pattern);
  return run(subject, global);
}

bool RegexObject::execute(const CompiledPattern& pattern, std::string_view subject, bool global) {
  pattern_ = pattern;
  pattern_text_ = pattern.pattern();
  return run(subject, global);
}

bool RegexObject::run(std::string_view subject, bool global) {
  matches_.clear();
  subject_.clear();
  global_ = global;
  limit_reached_ = false;
  if (!pattern_.usable()) return false;

  const pcre2_code* code = pattern_.impl()->code;
  MatchData data(pcre2_match_data_create_from_pattern(code, nullptr));
  if (!data) return false;
  const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
  const int groups = pattern_.capture_count();
  // The first call checks the whole subject's UTF-8; later ones skip that.
  uint32_t flags = 0;
  size_t offset = 0;
  while (offset <= subject.size()) {
    const int rc =
        pcre2_match(code, text, subject.size(), offset, flags, data.get(), thread_match_context());
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0 && flags == 0 && is_utf_error(rc)) {
      matches_.clear();
      return false;
    }
    if (rc < 0) {
      limit_reached_ = true;
      break;
    }
    flags = PCRE2_NO_UTF_CHECK;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    std::vector<Span>& spans = matches_.emplace_back(static_cast<size_t>(groups) + 1);
    for (int g = 0; g <= groups && g < rc; ++g) {
      const PCRE2_SIZE begin = ovector[2 * g];
      if (begin == PCRE2_UNSET) continue;
      const PCRE2_SIZE end = std::max(begin, ovector[2 * g + 1]);
      spans[static_cast<size_t>(g)] = Span{begin, end, true};
    }
    if (!global) break;
    // After an empty match the search goes on one character further, as in
    // ECMAScript; a character is never split.
    size_t next = spans[0].end;
    if (spans[0].end == spans[0].begin || next <= offset) {
      if (next >= subject.size()) break;
      next += char_length(subject, next);
    }
    offset = next;
  }
  subject_.assign(subject);
  return true;
}

int RegexObject::match_count() const { return static_cast<int>(matches_.size()); }

std::string RegexObject::match_text(int match_index, int* position) const {
  return group_text(match_index, 0, position);
}

std::string RegexObject::group_text(int match_index, int group_index, int* position) const {
  if (position != nullptr) *position = -1;
  if (match_index < 1 || match_index > match_count() || group_index < 0) return "";
  const std::vector<Span>& spans = matches_[static_cast<size_t>(match_index) - 1];
  if (static_cast<size_t>(group_index) >= spans.size()) return "";
  const Span& span = spans[static_cast<size_t>(group_index)];
  if (!span.set) return "";
  if (position != nullptr) *position = static_cast<int>(span.begin);
  return subject_.substr(span.begin, span.end - span.begin);
}

int RegexObject::group_count() const { return matches_.empty() ? 0 : pattern_.capture_count(); }

std::string RegexObject::get_pattern() const { return pattern_text_; }

std::string RegexObject::replace(std::string_view replacement) const {
  if (!pattern_.usable()) return "";
  const std::string_view subject = subject_;
  std::string out;
  size_t copied = 0;
  std::vector<std::string_view> groups;
  for (const std::vector<Span>& spans : matches_) {
    if (spans[0].begin < copied) continue;  // cannot happen without \K tricks
    groups.clear();
    for (const Span& span : spans) {
      groups.push_back(span.set ? subject.substr(span.begin, span.end - span.begin)
                                : std::string_view());
    }
    out.append(subject.substr(copied, spans[0].begin - copied));
    expand_replacement(replacement, subject, groups, spans[0].begin, spans[0].end, out);
    copied = spans[0].end;
  }
  out.append(subject.substr(copied));
  return out;
}

RegexObject RegexObject::copy() const { return *this; }

void RegexObject::destroy() { *this = RegexObject(); }

}  // namespace korvane
