#include "cli/output_format.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

namespace korvane {
namespace {

const std::string kLink = std::string(kMagnetPrefix) + std::string(40, 'a');

std::string written(const ResultTable& rows, OutputFormat format, int columns = 0,
                    bool terminal = false) {
  std::ostringstream out;
  write_rows(out, rows, format, columns, terminal);
  return out.str();
}

TEST(DisplayWidth, CountsWideCharactersTwice) {
  struct {
    const char* text;
    int width;
  } cases[] = {{"abc", 3},       {"电影", 4}, {"ｱ", 1},    {"Ａ", 2},
               {"e\xCC\x81", 1}, {"🎉", 2},    {"한국", 4}, {"", 0}};
  for (const auto& c : cases) EXPECT_EQ(display_width(c.text), c.width) << c.text;
}

TEST(Printable, ReplacesControlCharacters) {
  EXPECT_EQ(printable("a\x1b[31mb"), "a\xEF\xBF\xBD[31mb");
  EXPECT_EQ(printable("x\ty\r\n"), "x\xEF\xBF\xBDy\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(printable("\xC2\x9B"
                      "2J"),
            "\xEF\xBF\xBD"
            "2J");  // C1 control
  EXPECT_EQ(printable("电影 ok"), "电影 ok");
  EXPECT_EQ(printable("bad\xFF"), "bad\xEF\xBF\xBD");
}

TEST(WriteRows, JsonAndJsonlCarryTheThreeKeys) {
  ResultTable rows = {{"名 \"1\"", "1 GB", kLink}, {"b\x01", "", kLink}};
  nlohmann::json array = nlohmann::json::parse(written(rows, OutputFormat::kJson));
  ASSERT_EQ(array.size(), 2u);
  EXPECT_EQ(array[0]["name"], "名 \"1\"");
  EXPECT_EQ(array[0]["size"], "1 GB");
  EXPECT_EQ(array[1]["name"], "b\x01");  // escaped by JSON, not lost
  EXPECT_EQ(array[1]["magnet"], kLink);
  // Keys in the order of the columns.
  EXPECT_LT(written(rows, OutputFormat::kJsonl).find("\"name\""),
            written(rows, OutputFormat::kJsonl).find("\"size\""));

  std::istringstream lines(written(rows, OutputFormat::kJsonl));
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    EXPECT_EQ(nlohmann::json::parse(line)["magnet"], kLink);
    ++count;
  }
  EXPECT_EQ(count, 2);
}

TEST(WriteRows, TsvAndCsvQuoteWhatNeedsQuoting) {
  ResultTable rows = {{"a,b", "1\tGB", kLink}, {"say \"hi\"", "2 GB", kLink}};
  EXPECT_EQ(written(rows, OutputFormat::kCsv), "name,size,magnet\n\"a,b\",1\tGB," + kLink +
                                                   "\n\"say \"\"hi\"\"\",2 GB," + kLink + "\n");
  EXPECT_EQ(written(rows, OutputFormat::kTsv), "name\tsize\tmagnet\na,b\t\"1\tGB\"\t" + kLink +
                                                   "\n\"say \"\"hi\"\"\"\t2 GB\t" + kLink + "\n");
}

TEST(WriteRows, TerminalOutputNeverCarriesControlCharacters) {
  ResultTable rows = {{"evil\x1b]0;title\x07", "1 GB", kLink}};
  for (OutputFormat format : {OutputFormat::kTable, OutputFormat::kTsv, OutputFormat::kCsv}) {
    EXPECT_EQ(written(rows, format, 200, true).find('\x1b'), std::string::npos);
  }
  EXPECT_EQ(written(rows, OutputFormat::kMagnet), kLink + "\n");
}

TEST(WriteRows, TableFitsTheTerminal) {
  ResultTable rows = {{"电影电影电影电影电影电影电影电影电影电影电影电影", "700 MB", kLink},
                      {"short", "1.5 GB", kLink}};
  std::istringstream table(written(rows, OutputFormat::kTable, 100, true));
  std::string line;
  std::getline(table, line);
  EXPECT_EQ(line.rfind("名称", 0), 0u);
  while (std::getline(table, line)) {
    if (line.find("magnet:") == std::string::npos) continue;
    EXPECT_LE(display_width(line), 100) << line;
  }
  EXPECT_NE(written(rows, OutputFormat::kTable, 100, true).find("…"), std::string::npos);
  EXPECT_NE(written(rows, OutputFormat::kTable, 0, false).find(rows[0].name), std::string::npos);
}

TEST(OutputFormatNames, KnownAndUnknown) {
  EXPECT_EQ(parse_output_format("jsonl"), OutputFormat::kJsonl);
  EXPECT_EQ(parse_output_format("magnet"), OutputFormat::kMagnet);
  EXPECT_FALSE(parse_output_format("xml"));
  EXPECT_FALSE(parse_output_format("JSON"));
}

}  // namespace
}  // namespace korvane
