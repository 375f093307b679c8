#include "search/search_engine.h"

#include <cstdio>

#include "search/text_utils.h"
#include "web/text_encoding.h"

namespace korvane {
namespace {

constexpr std::string_view kKeywordSlot = "{keyword}";

// Engine 3's one pattern: six lines, each ending in a bare line feed.
constexpr std::string_view kEngine3Pattern =
    "href=\"/(.*?).html\">(.*?)</a></h4>\n"
    "\t\t\t\t\n"
    "\t\t\t\t<div class=\"media-more\">\n"
    "\t\t\t\t<cite>创建日期：</cite><span class=\"label label-success\">(.*?)&nbsp;&nbsp;&nbsp;\n"
    "\t\t\t\t<cite>文件大小：</cite><span class=\"label label-warning\">(.*?)&nbsp;&nbsp;&nbsp;\n"
    "\t\t\t\t<cite>访问热度：</cite><span class=\"label label-primary\">(.*?)&nbsp;&nbsp;&nbsp;\n";

std::vector<CompiledPattern> compile_all(std::initializer_list<std::string_view> patterns) {
  std::vector<CompiledPattern> out;
  for (std::string_view pattern : patterns) out.push_back(CompiledPattern::compile(pattern));
  return out;
}

SearchEngine engine1() {
  SearchEngine e;
  e.label = "引擎1";
  e.host = "engine1.korvane.invalid";
  e.path_before_keyword = "/list/";
  e.path_before_page = "-s1d-";
  e.path_after_page = ".html";
  e.start_marker = "找到";
  e.end_marker = "条结果";
  e.page_count_rule = PageCountRule::kTenHitsPerPage;
  e.cleaning_pairs = {{"\r\n", ""}, {" ", ""}};
  e.patterns =
      compile_all({R"re(<atitle="(.*?)"target="_blank)re", R"re(大小:<span>(.*?)</span>)re",
                   R"re(target="_blank"href="/info/(.*?)">)re"});
  e.name = {0, 1};
  e.size = {1, 1};
  e.hash = {2, 1};
  return e;
}

SearchEngine engine2() {
  SearchEngine e;
  e.label = "引擎2";
  e.host = "engine2.korvane.invalid";
  e.path_before_keyword = "/search/";
  e.path_before_page = "/";
  e.path_after_page = "-1.html";
  e.start_marker = "大约 ";
  e.end_marker = " 条结果";
  e.page_count_rule = PageCountRule::kTenHitsPerPage;
  e.cleaning_pairs = {{"\r\n", ""},
                      {" ", ""},
                      {"<b>", ""},
                      {"</b>", ""},
                      {R"re(<bclass="cpillyellow-pill">)re", ""}};
  e.patterns =
      compile_all({R"re(target="_blank">(.*?)</a></h3></div><divclass="item-list"><ul><li>)re",
                   R"re(</span><span>文件大小：(.*?)</span><span>)re",
                   R"re(<ahref="/wiki/(.*?).html"target="_blank">)re"});
  e.name = {0, 1};
  e.size = {1, 1};
  e.hash = {2, 1};
  return e;
}

SearchEngine engine3() {
  SearchEngine e;
  e.label = "引擎3";
  e.host = "engine3.korvane.invalid";
  e.path_before_keyword = "/search/";
  e.path_before_page = "_ctime_";
  e.path_after_page = ".html";
  e.start_marker = "下一页</a></li><li><a href='/search/{keyword}_ctime_";
  e.end_marker = ".html'>尾页</a>";
  e.page_count_rule = PageCountRule::kLastPage;
  e.cleaning_pairs = {{"\r\n", ""}, {R"re(<span class="highlight">)re", ""}, {"</span>", ""}};
  e.patterns = compile_all({kEngine3Pattern});
  e.name = {0, 2};
  e.size = {0, 4};
  e.hash = {0, 1};
  return e;
}

bool unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '~';
}

std::string percent_encode(std::string_view bytes, bool lower_hex) {
  const char* digits = lower_hex ? "0123456789abcdef" : "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (unreserved(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out += {'%', digits[c >> 4], digits[c & 15]};
    }
  }
  return out;
}

// The forms in which a result page may write the keyword in its own links.
std::vector<std::string> keyword_forms(std::string_view keyword) {
  const std::string gbk = utf8_to_gbk(keyword);
  return {std::string(keyword), percent_encode(gbk, false), percent_encode(gbk, true),
          percent_encode(keyword, false), percent_encode(keyword, true)};
}

std::string address(const SearchEngine& engine, std::string_view keyword, int n) {
  std::string url = engine.host.find("://") == std::string::npos ? "http://" : "";
  url += engine.host;
  url += engine.path_before_keyword;
  url += encode_keyword(keyword);
  url += engine.path_before_page;
  url += std::to_string(n);
  url += engine.path_after_page;
  return url;
}

std::string cell(const RegexObject* objects, const RowField& field, int match) {
  return objects[field.pattern].group_text(match, field.group);
}

}  // namespace

const EngineCatalogue& builtin_engines() {
  static const EngineCatalogue engines = {engine1(), engine2(), engine3()};
  return engines;
}

const SearchEngine* find_engine(const EngineCatalogue& engines, std::string_view choice) {
  for (size_t i = 0; i < engines.size(); ++i) {
    if (engines[i].label == choice || std::to_string(i + 1) == choice) return &engines[i];
  }
  return nullptr;
}

std::string encode_keyword(std::string_view keyword) {
  return percent_encode(utf8_to_gbk(keyword), false);
}

std::string first_page_address(const SearchEngine& engine, std::string_view keyword) {
  return address(engine, keyword, 1);
}

std::string page_address(const SearchEngine& engine, std::string_view keyword, int n) {
  return address(engine, keyword, n);
}

int read_hit_count(const SearchEngine& engine, std::string_view keyword, std::string_view page) {
  if (engine.start_marker.find(kKeywordSlot) == std::string::npos) {
    return read_integer(text_between(page, engine.start_marker, engine.end_marker));
  }
  for (const std::string& form : keyword_forms(keyword)) {
    std::string start = replace_all(engine.start_marker, kKeywordSlot, form);
    std::string number = text_between(page, start, engine.end_marker);
    if (!number.empty()) return read_integer(number);
  }
  return 0;
}

int pages_for_hits(const SearchEngine& engine, int number_read) {
  if (number_read <= 0) return 0;
  if (engine.page_count_rule == PageCountRule::kLastPage) return number_read;
  return number_read / 10 + 1;
}

ResultTable parse_result_page(const SearchEngine& engine, std::string_view page) {
  if (engine.patterns.empty()) return {};
  std::vector<ReplacePair> pairs;
  for (const auto& [from, to] : engine.cleaning_pairs) pairs.emplace_back(from, to);
  const std::string cleaned = replace_pairs(page, false, pairs);

  std::vector<RegexObject> objects(engine.patterns.size());
  for (size_t i = 0; i < objects.size(); ++i) objects[i].execute(engine.patterns[i], cleaned);

  ResultTable rows;
  const int count = objects[0].match_count();
  rows.reserve(count);
  for (int i = 1; i <= count; ++i) {
    rows.push_back({cell(objects.data(), engine.name, i), cell(objects.data(), engine.size, i),
                    std::string(kMagnetPrefix) + cell(objects.data(), engine.hash, i)});
  }
  return rows;
}

}  // namespace korvane
