#include "cli/output_format.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

namespace korvane {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kEllipsis = "…";
constexpr int kMinNameColumns = 12;

// Walks the code points of a UTF-8 text: fn(code point, its bytes).
template <typename Fn>
void for_each_char(std::string_view text, Fn fn) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t length = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < length;) {
    const int32_t begin = at;
    UChar32 c;
    U8_NEXT(bytes, at, length, c);
    fn(c, text.substr(begin, at - begin));
  }
}

int char_width(UChar32 c) {
  if (c < 0) return 1;  // an invalid byte is shown as one replacement character
  const int category = u_charType(c);
  if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_FORMAT_CHAR) {
    return 0;
  }
  const int width = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
  return (width == U_EA_WIDE || width == U_EA_FULLWIDTH) ? 2 : 1;
}

bool is_control(UChar32 c) { return c < 0 || c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// The longest prefix of `text` no wider than `columns`, with "…" when cut.
std::string fit(std::string_view text, int columns) {
  if (display_width(text) <= columns) return std::string(text);
  std::string out;
  int used = 0;
  bool full = false;
  for_each_char(text, [&](UChar32 c, std::string_view bytes) {
    const int w = char_width(c);
    if (full || used + w > columns - 1) {
      full = true;
      return;
    }
    out.append(bytes);
    used += w;
  });
  return out.append(kEllipsis);
}

std::string pad(std::string text, int columns) {
  const int width = display_width(text);
  if (width < columns) text.append(columns - width, ' ');
  return text;
}

std::string quoted(std::string_view field, std::string_view specials) {
  if (field.find_first_of(specials) == std::string_view::npos) return std::string(field);
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

nlohmann::ordered_json row_json(const ResultRow& row) {
  return {{"name", row.name}, {"size", row.size}, {"magnet", row.magnet}};
}

void write_table(std::ostream& out, const ResultTable& rows, int terminal_columns,
                 const std::vector<ResultRow>& shown) {
  int size_w = display_width("大小"), name_w = display_width("名称");
  for (const ResultRow& row : shown) {
    size_w = std::max(size_w, display_width(row.size));
    name_w = std::max(name_w, display_width(row.name));
  }
  if (terminal_columns > 0) {
    int magnet_w = static_cast<int>(kMagnetPrefix.size()) + 40;
    name_w = std::min(name_w, std::max(kMinNameColumns, terminal_columns - size_w - magnet_w - 4));
  }
  out << pad("名称", name_w) << "  " << pad("大小", size_w) << "  磁力链接\n";
  for (const ResultRow& row : shown) {
    out << pad(fit(row.name, name_w), name_w) << "  " << pad(row.size, size_w) << "  " << row.magnet
        << '\n';
  }
  out << rows.size() << " 条\n";
}

}  // namespace

std::optional<OutputFormat> parse_output_format(std::string_view name) {
  static const std::pair<std::string_view, OutputFormat> kNames[] = {
      {"table", OutputFormat::kTable}, {"json", OutputFormat::kJson},
      {"jsonl", OutputFormat::kJsonl}, {"tsv", OutputFormat::kTsv},
      {"csv", OutputFormat::kCsv},     {"magnet", OutputFormat::kMagnet}};
  for (const auto& [text, format] : kNames) {
    if (text == name) return format;
  }
  return std::nullopt;
}

int display_width(std::string_view utf8) {
  int width = 0;
  for_each_char(utf8, [&](UChar32 c, std::string_view) { width += char_width(c); });
  return width;
}

std::string printable(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for_each_char(utf8, [&](UChar32 c, std::string_view bytes) {
    out.append(is_control(c) ? kReplacement : bytes);
  });
  return out;
}

void write_rows(std::ostream& out, const ResultTable& rows, OutputFormat format,
                int terminal_columns, bool to_terminal) {
  const bool clean = to_terminal || format == OutputFormat::kTable;
  std::vector<ResultRow> shown;
  shown.reserve(rows.size());
  for (const ResultRow& row : rows) {
    shown.push_back(
        clean ? ResultRow{printable(row.name), printable(row.size), printable(row.magnet)} : row);
  }
  switch (format) {
    case OutputFormat::kTable:
      return write_table(out, rows, terminal_columns, shown);
    case OutputFormat::kJson: {
      nlohmann::ordered_json array = nlohmann::ordered_json::array();
      for (const ResultRow& row : rows) array.push_back(row_json(row));
      out << array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
      return;
    }
    case OutputFormat::kJsonl:
      for (const ResultRow& row : rows) {
        out << row_json(row).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << '\n';
      }
      return;
    case OutputFormat::kTsv:
    case OutputFormat::kCsv: {
      const bool csv = format == OutputFormat::kCsv;
      const std::string_view specials = csv ? ",\"\r\n" : "\t\"\r\n";
      const char* separator = csv ? "," : "\t";
      out << "name" << separator << "size" << separator << "magnet\n";
      for (const ResultRow& row : shown) {
        out << quoted(row.name, specials) << separator << quoted(row.size, specials) << separator
            << quoted(row.magnet, specials) << '\n';
      }
      return;
    }
    case OutputFormat::kMagnet:
      for (const ResultRow& row : shown) out << row.magnet << '\n';
      return;
  }
}

}  // namespace korvane
