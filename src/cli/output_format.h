// How korvane-search writes its rows: table, json, jsonl, tsv, csv or magnet.
#ifndef KORVANE_CLI_OUTPUT_FORMAT_H_
#define KORVANE_CLI_OUTPUT_FORMAT_H_

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "search/result_row.h"

namespace korvane {

enum class OutputFormat { kTable, kJson, kJsonl, kTsv, kCsv, kMagnet };

std::optional<OutputFormat> parse_output_format(std::string_view name);

// Columns a text takes on a terminal: East Asian wide and full-width
// characters count two, combining marks and zero-width characters none.
int display_width(std::string_view utf8);

// Replaces control characters (C0, DEL, C1) by U+FFFD so that a site's text
// cannot drive the terminal.
std::string printable(std::string_view utf8);

// Writes `rows` in `format`. A table fits `terminal_columns` (0: no limit),
// cutting names that do not fit with "…". Texts bound for a terminal pass
// through printable(); json and jsonl escape control characters anyway.
void write_rows(std::ostream& out, const ResultTable& rows, OutputFormat format,
                int terminal_columns, bool to_terminal);

}  // namespace korvane

#endif  // KORVANE_CLI_OUTPUT_FORMAT_H_
