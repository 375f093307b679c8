#include "demo/demo_pages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "search/search_engine.h"
#include "web/text_encoding.h"

namespace korvane {
namespace {

// A small deterministic generator (splitmix64) seeded from the hit's identity.
class Mix {
 public:
  explicit Mix(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  template <typename T, size_t N>
  const T& pick(const std::array<T, N>& items) {
    return items[below(static_cast<int>(N))];
  }

 private:
  uint64_t state_;
};

uint64_t hit_seed(int engine, std::string_view keyword, int index) {
  uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a
  auto add = [&h](unsigned char c) {
    h ^= c;
    h *= 0x100000001b3ULL;
  };
  add(static_cast<unsigned char>(engine));
  for (unsigned char c : keyword) add(c);
  add(0);
  for (int shift = 0; shift < 32; shift += 8) add(static_cast<unsigned char>(index >> shift));
  return h;
}

template <typename... Args>
std::string format(const char* pattern, Args... args) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, args...);
  return buffer;
}

constexpr std::array<std::string_view, 6> kLeads = {"", "", "", "[高清]", "【中文字幕】", "最新 "};
constexpr std::array<std::string_view, 10> kTopics = {"全集",   "合集",    "蓝光原盘",   "纪录片",
                                                      "演唱会", "有声书",  "官方中文版", "完整版",
                                                      "第3季",  "无损音乐"};
constexpr std::array<std::string_view, 10> kQualities = {
    "1080p", "720p",     "4K HDR",   "WEB-DL",   "BluRay x264",
    "FLAC",  "MP3 320k", "ISO 镜像", "国语中字", "双语字幕"};
constexpr std::array<std::string_view, 6> kExtensions = {".mkv", ".mp4",  ".iso",
                                                         ".zip", ".flac", ".rar"};
constexpr std::array<std::string_view, 6> kKinds = {"视频",   "视频", "镜像",
                                                    "压缩包", "音乐", "压缩包"};

std::string name_after(Mix& mix) {
  if (mix.below(4) == 0) {
    return format(".S%02dE%02d.", 1 + mix.below(6), 1 + mix.below(24)) +
           std::string(mix.pick(kQualities));
  }
  return " " + std::string(mix.pick(kTopics)) + " " + format("%d", 1990 + mix.below(35)) + " " +
         std::string(mix.pick(kQualities));
}

// Sizes in every unit the sites print, mostly with a space before the unit.
std::string size_text(Mix& mix) {
  std::string size;
  const int kind = mix.below(20);
  if (kind == 0) {
    size = format("%d B", 100 + mix.below(924));
  } else if (kind <= 3) {
    size = mix.below(2) ? format("%d KB", 1 + mix.below(1023))
                        : format("%.1f KB", (10 + mix.below(10000)) / 10.0);
  } else if (kind <= 10) {
    size = mix.below(3) == 0 ? format("%d MB", 100 * (1 + mix.below(9)))
                             : format("%.1f MB", (10 + mix.below(10000)) / 10.0);
  } else if (kind <= 18) {
    size = mix.below(2) ? format("%.1f GB", (10 + mix.below(500)) / 10.0)
                        : format("%.2f GB", (100 + mix.below(5000)) / 100.0);
  } else {
    size = format("%.1f TB", (10 + mix.below(40)) / 10.0);
  }
  if (mix.below(8) == 0) size.erase(size.find(' '), 1);
  return size;
}

std::string hash_text(Mix& mix) {
  const uint64_t a = mix.next(), b = mix.next(), c = mix.next();
  return format("%016llx%016llx%08llx", static_cast<unsigned long long>(a),
                static_cast<unsigned long long>(b), static_cast<unsigned long long>(c >> 32));
}

// The keyword as page text: markup characters and control characters as
// character references, so no keyword can change the page's layout.
std::string escape_html(std::string_view text) {
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if (c < 0x20 || c == 0x7f) {
          out += format("&#%d;", c);
        } else {
          out.push_back(ch);
        }
    }
  }
  return out;
}

// Engine 3 writes the keyword raw in its links, as its site does, unless the
// keyword holds ASCII that a link cannot carry; then it writes it
// percent-encoded. The readers of its count accept both forms.
std::string engine3_link_keyword(std::string_view keyword) {
  for (unsigned char c : keyword) {
    const bool plain = c >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '~';
    if (!plain) return encode_keyword(keyword);
  }
  return std::string(keyword);
}

// Collects the lines of a page with the site's line end.
class PageWriter {
 public:
  explicit PageWriter(std::string_view eol) : eol_(eol) {}
  PageWriter& line(std::string_view text) {
    out_ += text;
    out_ += eol_;
    return *this;
  }
  std::string gbk() const { return utf8_to_gbk(out_); }

 private:
  std::string_view eol_;
  std::string out_;
};

struct PageContext {
  int engine;
  std::string_view keyword;
  int page;
  int hits;
  int last_page;
  int first_index() const { return (page - 1) * kDemoRowsPerPage; }
  int rows() const { return demo_rows_on_page(engine, hits, page); }
};

std::string engine1_link(std::string_view keyword, int page, std::string_view text) {
  return "<a href=\"/list/" + encode_keyword(keyword) + "-s1d-" + std::to_string(page) +
         ".html\">" + std::string(text) + "</a>";
}

std::string engine1_page(const PageContext& c) {
  PageWriter w("\r\n");
  w.line("<!DOCTYPE html>").line("<html>").line("<head>");
  w.line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />");
  w.line("<title>磁力种子搜索 - 第" + std::to_string(c.page) + "页</title>");
  w.line("</head>").line("<body>").line("<div class=\"nav\"><a href=\"/\">首页</a></div>");
  if (c.hits <= 0) {
    w.line("<div class=\"tips\">抱歉，没有相关的结果。</div>").line("</body>").line("</html>");
    return w.gbk();
  }
  w.line("<div class=\"tips\">共找到 " + std::to_string(c.hits) + " 条结果，用时 0.02 秒</div>");
  w.line("<ul class=\"list\">");
  const std::string keyword = escape_html(c.keyword);
  for (int i = 0; i < c.rows(); ++i) {
    const DemoHit hit = demo_hit(c.engine, c.keyword, c.first_index() + i);
    const std::string name = hit.name_before + keyword + hit.name_after;
    w.line("<li>");
    w.line("<div class=\"dt\"><a title=\"" + name + "\" target=\"_blank\" href=\"/info/" +
           hit.hash + "\">" + name + "</a></div>");
    w.line("<div class=\"dd\">文件数:<span>" + std::to_string(hit.files) + "</span> 大小:<span>" +
           hit.size + "</span> 创建时间:<span>" + hit.date + "</span></div>");
    w.line("</li>");
  }
  w.line("</ul>");
  std::string pages = "<div class=\"pages\">";
  if (c.page > 1) pages += engine1_link(c.keyword, c.page - 1, "上一页") + " ";
  pages += "<span class=\"current\">" + std::to_string(c.page) + "</span>";
  if (c.page < c.last_page) pages += " " + engine1_link(c.keyword, c.page + 1, "下一页");
  w.line(pages + "</div>").line("</body>").line("</html>");
  return w.gbk();
}

std::string engine2_link(std::string_view keyword, int page, std::string_view text) {
  return "<a href=\"/search/" + encode_keyword(keyword) + "/" + std::to_string(page) +
         "-1.html\">" + std::string(text) + "</a>";
}

std::string engine2_page(const PageContext& c) {
  PageWriter w("\r\n");
  w.line("<!DOCTYPE html>").line("<html>");
  w.line("<head><meta charset=\"gbk\"><title>搜索结果 - 第" + std::to_string(c.page) +
         "页</title></head>");
  w.line("<body>");
  if (c.hits <= 0) {
    w.line("<div class=\"search-statu\"><span>没有相关的结果</span></div>");
    w.line("</body>").line("</html>");
    return w.gbk();
  }
  w.line("<div class=\"search-statu\"><span>大约 " + std::to_string(c.hits) +
         " 条结果</span></div>");
  const std::string keyword = "<b>" + escape_html(c.keyword) + "</b>";
  for (int i = 0; i < c.rows(); ++i) {
    const int index = c.first_index() + i;
    const DemoHit hit = demo_hit(c.engine, c.keyword, index);
    const std::string name = hit.name_before + keyword + hit.name_after;
    const size_t kind = static_cast<size_t>(hit.files) % kExtensions.size();
    w.line("<div class=\"search-item\">");
    w.line("<div class=\"item-title\"><h3><a href=\"/wiki/" + hit.hash +
           ".html\" target=\"_blank\">" + name + "</a></h3></div>");
    w.line("<div class=\"item-list\"><ul><li>" + name + std::string(kExtensions[kind]) +
           "</li></ul></div>");
    w.line("<div class=\"item-bar\"><span class=\"cpill blue-pill\">" + std::string(kKinds[kind]) +
           "</span><span>创建时间：" + hit.date +
           "</span><span>文件大小：<b class=\"cpill yellow-pill\">" + hit.size +
           "</b></span><span>文件数：" + std::to_string(hit.files) + "</span></div>");
    w.line("</div>");
  }
  std::string pages = "<div class=\"bottom-pager\">";
  if (c.page > 1) pages += engine2_link(c.keyword, c.page - 1, "上一页");
  if (c.page < c.last_page) pages += engine2_link(c.keyword, c.page + 1, "下一页");
  w.line(pages + "</div>").line("</body>").line("</html>");
  return w.gbk();
}

std::string engine3_item(std::string_view link_keyword, int page, std::string_view text) {
  return "<li><a href='/search/" + std::string(link_keyword) + "_ctime_" + std::to_string(page) +
         ".html'>" + std::string(text) + "</a></li>";
}

std::string engine3_page(const PageContext& c) {
  PageWriter w("\n");
  w.line("<!DOCTYPE html>").line("<html lang=\"zh-CN\">").line("<head>");
  w.line("<meta charset='gbk'>");
  w.line("<title>搜索结果 - 第" + std::to_string(c.page) + "页</title>");
  w.line("</head>").line("<body>").line("<div class=\"container\">");
  if (c.hits <= 0) {
    w.line("<div class=\"alert\">抱歉，没有相关的结果。</div>");
    w.line("</div>").line("</body>").line("</html>");
    return w.gbk();
  }
  const std::string keyword = "<span class=\"highlight\">" + escape_html(c.keyword) + "</span>";
  for (int i = 0; i < c.rows(); ++i) {
    const DemoHit hit = demo_hit(c.engine, c.keyword, c.first_index() + i);
    w.line("<div class=\"media\">").line("<div class=\"media-body\">");
    w.line("<h4 class=\"media-heading\"><a href=\"/" + hit.hash + ".html\">" + hit.name_before +
           keyword + hit.name_after + "</a></h4>");
    w.line("\t\t\t\t").line("\t\t\t\t<div class=\"media-more\">");
    w.line("\t\t\t\t<cite>创建日期：</cite><span class=\"label label-success\">" + hit.date +
           "&nbsp;&nbsp;&nbsp;</span>");
    w.line("\t\t\t\t<cite>文件大小：</cite><span class=\"label label-warning\">" + hit.size +
           "&nbsp;&nbsp;&nbsp;</span>");
    w.line("\t\t\t\t<cite>访问热度：</cite><span class=\"label label-primary\">" +
           std::to_string(hit.heat) + "&nbsp;&nbsp;&nbsp;</span>");
    w.line("\t\t\t\t</div>").line("</div>").line("</div>");
  }
  const std::string link = engine3_link_keyword(c.keyword);
  std::string pages = "<ul class=\"pagination\">" + engine3_item(link, 1, "首页");
  if (c.page > 1) pages += engine3_item(link, c.page - 1, "上一页");
  if (c.page < c.last_page) {
    pages += engine3_item(link, c.page + 1, "下一页") + engine3_item(link, c.last_page, "尾页");
  }
  w.line(pages + "</ul>").line("</div>").line("</body>").line("</html>");
  return w.gbk();
}

std::optional<int> page_number(std::string_view digits) {
  if (digits.empty() || digits.size() > 7 || digits.front() == '0') return std::nullopt;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > kDemoMaxPage) return std::nullopt;
  return n;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> percent_decode(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hex_value(text[i + 1]), low = hex_value(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

std::optional<DemoPageRequest> make_request(int engine, std::string_view keyword,
                                            std::string_view digits) {
  const std::optional<int> page = page_number(digits);
  if (keyword.empty() || !page) return std::nullopt;
  const std::optional<std::string> bytes = percent_decode(keyword);
  if (!bytes) return std::nullopt;
  return DemoPageRequest{engine, gbk_to_utf8(*bytes), *page};
}

bool strip_suffix(std::string_view& text, std::string_view suffix) {
  if (!text.ends_with(suffix)) return false;
  text.remove_suffix(suffix.size());
  return true;
}

// Splits "<kw><separator><digits>" at the last separator.
std::optional<DemoPageRequest> split_last(int engine, std::string_view text,
                                          std::string_view separator) {
  const size_t at = text.rfind(separator);
  if (at == std::string_view::npos) return std::nullopt;
  return make_request(engine, text.substr(0, at), text.substr(at + separator.size()));
}

}  // namespace

std::string DemoHit::name(std::string_view keyword) const {
  return name_before + std::string(keyword) + name_after;
}

bool demo_hit_is_repeat(int index) { return index >= 17 && index % 10 == 7; }

DemoHit demo_hit(int engine, std::string_view keyword, int index) {
  if (demo_hit_is_repeat(index)) return demo_hit(engine, keyword, index - 12);
  Mix mix(hit_seed(engine, keyword, index));
  DemoHit hit;
  hit.name_before = std::string(mix.pick(kLeads));
  hit.name_after = name_after(mix);
  hit.size = size_text(mix);
  hit.hash = hash_text(mix);
  hit.date = format("%04d-%02d-%02d", 2010 + mix.below(15), 1 + mix.below(12), 1 + mix.below(28));
  hit.files = 1 + mix.below(300);
  hit.heat = mix.below(100000);
  return hit;
}

int demo_page_count(int engine, int hits) {
  if (hits <= 0) return 0;
  if (engine == 3) return (hits + kDemoRowsPerPage - 1) / kDemoRowsPerPage;
  return hits / kDemoRowsPerPage + 1;
}

int demo_rows_on_page(int engine, int hits, int page) {
  if (page < 1 || page > demo_page_count(engine, hits)) return 0;
  return std::min(kDemoRowsPerPage, hits - (page - 1) * kDemoRowsPerPage);
}

std::string demo_page(int engine, std::string_view keyword, int page, int hits) {
  const PageContext context{engine, keyword, page, hits, demo_page_count(engine, hits)};
  switch (engine) {
    case 1:
      return engine1_page(context);
    case 2:
      return engine2_page(context);
    default:
      return engine3_page(context);
  }
}

std::optional<DemoPageRequest> parse_demo_target(std::string_view target) {
  target = target.substr(0, target.find('?'));
  std::string_view rest = target;
  if (rest.starts_with("/list/")) {
    rest.remove_prefix(6);
    if (!strip_suffix(rest, ".html")) return std::nullopt;
    return split_last(1, rest, "-s1d-");
  }
  if (!rest.starts_with("/search/")) return std::nullopt;
  rest.remove_prefix(8);
  std::string_view engine2 = rest;
  if (strip_suffix(engine2, "-1.html")) {
    const size_t slash = engine2.find('/');
    if (slash != std::string_view::npos && slash == engine2.rfind('/')) {
      return split_last(2, engine2, "/");
    }
  }
  if (!strip_suffix(rest, ".html")) return std::nullopt;
  return split_last(3, rest, "_ctime_");
}

}  // namespace korvane
