#include "web/text_encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <iterator>
#include <memory>

#include "web/regex_object.h"

namespace korvane {

namespace {

constexpr size_t kDeclarationWindow = 1024;
constexpr const char* kGbkConverter = "gb18030";

struct ConverterClose {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterClose>;

// Writes U+FFFD for every invalid or unmappable input sequence. ICU's own
// substitution gives U+001A instead for single bytes of some converters.
void to_unicode_replacement(const void* /*context*/, UConverterToUnicodeArgs* args,
                            const char* /*units*/, int32_t /*length*/,
                            UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;
  static const UChar kReplacement = 0xFFFD;
  *error = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, error);
}

// Opens ICU's converter `name` with U+FFFD for bad input; null when unknown.
Converter open_converter(const char* name) {
  UErrorCode error = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &error));
  if (U_FAILURE(error)) return nullptr;
  error = U_ZERO_ERROR;
  ucnv_setToUCallBack(converter.get(), to_unicode_replacement, nullptr, nullptr, nullptr, &error);
  if (U_FAILURE(error)) return nullptr;
  return converter;
}

// Converts the whole of `input` from `from` to `to`, zero bytes included.
std::string convert(UConverter* to, UConverter* from, std::string_view input) {
  if (input.empty() || to == nullptr || from == nullptr) return "";
  std::string out(input.size() + input.size() / 2 + 16, '\0');
  UChar pivot[1024];
  UChar* pivot_source = pivot;
  UChar* pivot_target = pivot;
  const char* source = input.data();
  char* target = out.data();
  bool reset = true;
  for (;;) {
    UErrorCode error = U_ZERO_ERROR;
    ucnv_convertEx(to, from, &target, out.data() + out.size(), &source, input.data() + input.size(),
                   pivot, &pivot_source, &pivot_target, pivot + std::size(pivot), reset,
                   /*flush=*/true, &error);
    reset = false;
    if (error != U_BUFFER_OVERFLOW_ERROR) break;
    const size_t used = static_cast<size_t>(target - out.data());
    out.resize(out.size() * 2);
    target = out.data() + used;
  }
  out.resize(static_cast<size_t>(target - out.data()));
  return out;
}

std::string convert(const char* to_name, const char* from_name, std::string_view input) {
  if (input.empty()) return "";
  Converter to = open_converter(to_name);
  Converter from = open_converter(from_name);
  return convert(to.get(), from.get(), input);
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_label_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
         c == ':';
}

// The ICU converter name for a charset label, "" when the label cannot name
// one (ICU reads "," as the start of converter options, "" as its default).
std::string converter_name(std::string_view label) {
  while (!label.empty() && (label.front() == ' ' || label.front() == '\t')) label.remove_prefix(1);
  while (!label.empty() && (label.back() == ' ' || label.back() == '\t')) label.remove_suffix(1);
  std::string name;
  for (char c : label) {
    c = ascii_lower(c);
    if (!is_label_char(c)) return "";
    name += c;
  }
  if (name == "gb2312" || name == "gbk" || name == "x-gbk" || name == "cp936" ||
      name == "gb18030") {
    return kGbkConverter;
  }
  if (name == "iso-8859-1" || name == "latin1" || name == "us-ascii" || name == "ascii") {
    return "windows-1252";
  }
  return name;
}

}  // namespace

std::string utf8_to_gbk(std::string_view utf8) { return convert(kGbkConverter, "UTF-8", utf8); }

std::string gbk_to_utf8(std::string_view bytes) { return convert("UTF-8", kGbkConverter, bytes); }

std::string decode_bytes(std::string_view bytes, std::string_view label, bool* known) {
  const std::string name = converter_name(label);
  Converter from = name.empty() ? nullptr : open_converter(name.c_str());
  if (known != nullptr) *known = from != nullptr;
  if (!from) return gbk_to_utf8(bytes);
  Converter to = open_converter("UTF-8");
  return convert(to.get(), from.get(), bytes);
}

std::string declared_charset(std::string_view body) {
  static const CompiledPattern kMeta = CompiledPattern::compile("<meta.+?charset=[^\\w]?([-\\w]+)");
  // The body is in an unknown charset: match on an ASCII copy, every other
  // byte replaced by a character that is neither a word character nor a line
  // break.
  std::string ascii(body.substr(0, kDeclarationWindow));
  for (char& c : ascii) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  RegexObject re;
  if (!re.execute(kMeta, ascii, /*global=*/false)) return "";
  return re.group_text(1, 1);
}

std::string decode_page(std::string_view body) {
  const std::string charset = declared_charset(body);
  return charset.empty() ? gbk_to_utf8(body) : decode_bytes(body, charset);
}

std::string text_to_utf16(std::string_view text, bool drop_terminator) {
  if (text.empty()) return "";
  std::string bytes = convert("UTF-16LE", "UTF-8", text);
  if (!drop_terminator) bytes.append(2, '\0');
  return bytes;
}

std::string utf16_to_text(std::string_view bytes) {
  size_t units = bytes.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    if (bytes[2 * i] == '\0' && bytes[2 * i + 1] == '\0') {
      units = i;
      break;
    }
  }
  return convert("UTF-8", "UTF-16LE", bytes.substr(0, 2 * units));
}

}  // namespace korvane
