#include "web/text_encoding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace korvane {
namespace {

using namespace std::string_literals;

const std::string kGbkChinese = "\xd6\xd0\xce\xc4";  // 中文
const std::string kReplacement = "\xef\xbf\xbd";     // U+FFFD

TEST(TextEncodingTest, DecodePage) {
  struct Case {
    const char* name;
    std::string body;
    std::string text;
  };
  const std::string far_away(1100, ' ');
  const Case cases[] = {
      {"no declaration is GBK", "<p>" + kGbkChinese, "<p>中文"},
      {"gbk, double quotes", R"(<meta charset="gbk">)" + kGbkChinese,
       R"(<meta charset="gbk">中文)"},
      {"GB2312 in capitals, unquoted",
       "<META http-equiv=Content-Type content=text/html;charset=GB2312>" + kGbkChinese,
       "<META http-equiv=Content-Type content=text/html;charset=GB2312>中文"},
      {"utf-8 in single quotes", "<meta charset='utf-8'>中文😀한국",
       "<meta charset='utf-8'>中文😀한국"},
      {"UTF-8 inside content",
       R"(<meta http-equiv="Content-Type" content="text/html; charset=UTF-8">é)",
       R"(<meta http-equiv="Content-Type" content="text/html; charset=UTF-8">é)"},
      {"big5", "<meta charset=big5>\xa4\xa4\xa4\xe5", "<meta charset=big5>中文"},
      {"shift_jis", "<meta charset=\"Shift_JIS\">\x93\xfa\x96\x7b",
       "<meta charset=\"Shift_JIS\">日本"},
      {"iso-8859-1 is windows-1252", "<meta charset=iso-8859-1>\x80\xe9",
       "<meta charset=iso-8859-1>€é"},
      {"declaration after byte 1024 ignored", far_away + "<meta charset=\"utf-8\">" + kGbkChinese,
       far_away + "<meta charset=\"utf-8\">中文"},
      {"meta and charset on different lines",
       "<meta http-equiv=\"Content-Type\"\r\ncontent=\"charset=utf-8\">" + kGbkChinese,
       "<meta http-equiv=\"Content-Type\"\r\ncontent=\"charset=utf-8\">中文"},
      {"unknown name is GBK", "<meta charset=\"x-no-such-set\">" + kGbkChinese,
       "<meta charset=\"x-no-such-set\">中文"},
      {"GBK bytes before the declaration", "<meta content=\"" + kGbkChinese + "\" charset=utf-8>é",
       "<meta content=\"" + "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"s +
           "\" charset=utf-8>é"},
      {"zero byte kept", "\xd6\xd0\0\xce\xc4"s, "中\0文"s},
      {"zero byte kept with a declaration", "<meta charset=utf-8>a\0b"s,
       "<meta charset=utf-8>a\0b"s},
      {"invalid GBK bytes",
       "a\xff"
       "b\xd6 c\xd6",
       "a" + kReplacement + "b" + kReplacement + " c" + kReplacement},
      {"empty body", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode_page(c.body), c.text);
  }
}

TEST(TextEncodingTest, DeclaredCharset) {
  EXPECT_EQ(declared_charset("<head><meta charset='gb2312'>"), "gb2312");
  EXPECT_EQ(declared_charset("<head><meta charset=gb2312>"), "gb2312");
  EXPECT_EQ(declared_charset(R"(<META CONTENT="text/html; CHARSET=UTF-8">)"), "UTF-8");
  EXPECT_EQ(declared_charset("<title>" + kGbkChinese + "</title><meta name=d content=\"" +
                             kGbkChinese + "\"><meta charset=big5>"),
            "big5");
  EXPECT_EQ(declared_charset("<html>no tag</html>"), "");
  EXPECT_EQ(declared_charset(""), "");
  // The whole tag must lie within the first 1024 bytes.
  const std::string tag = "<meta charset=utf-8>";
  EXPECT_EQ(declared_charset(std::string(1024 - tag.size(), ' ') + tag), "utf-8");
  EXPECT_EQ(declared_charset(std::string(1026 - tag.size(), ' ') + tag), "utf-");
}

TEST(TextEncodingTest, DecodeBytesLabels) {
  struct Case {
    const char* label;
    std::string bytes;
    std::string text;
    bool known;
  };
  const Case cases[] = {
      {"GBK", kGbkChinese, "中文", true},
      {"x-gbk", kGbkChinese, "中文", true},
      {"cp936", kGbkChinese, "中文", true},
      {"Gb18030", "\x81\x30\x81\x30", "\xc2\x80", true},  // a four-byte sequence
      {"gb2312", kGbkChinese, "中文", true},
      {"latin1", "\x80\xe9", "€é", true},
      {"US-ASCII", "\x80", "€", true},
      {" utf8 ", "\xe4\xb8\xad", "中", true},
      {"utf-8", "a\xff", "a" + kReplacement, true},
      {"iso-8859-7",
       "\xd2"
       "a",
       kReplacement + "a", true},  // unassigned byte
      {"", kGbkChinese, "中文", false},
      {"no-such-charset", kGbkChinese, "中文", false},
      {"utf-8,swaplfnl", kGbkChinese, "中文", false},  // no converter options
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    bool known = !c.known;
    EXPECT_EQ(decode_bytes(c.bytes, c.label, &known), c.text);
    EXPECT_EQ(known, c.known);
  }
  EXPECT_EQ(decode_bytes("a", "nope"), "a");  // `known` may be left out
}

TEST(TextEncodingTest, GbkRoundTrips) {
  EXPECT_EQ(utf8_to_gbk("中文abc"), kGbkChinese + "abc");
  EXPECT_EQ(gbk_to_utf8(kGbkChinese + "abc"), "中文abc");
  // Characters GBK lacks survive as GB18030 sequences instead of "?".
  for (const std::string& text : {"한국어"s, "😀"s, "a€b"s, "中\0文"s, ""s}) {
    SCOPED_TRACE(text);
    const std::string gbk = utf8_to_gbk(text);
    EXPECT_EQ(gbk.find('?'), std::string::npos);
    EXPECT_EQ(gbk_to_utf8(gbk), text);
  }
  // Invalid UTF-8 turns into U+FFFD, not into nothing.
  EXPECT_EQ(gbk_to_utf8(utf8_to_gbk("a\xff"
                                    "b")),
            "a" + kReplacement + "b");
}

TEST(TextEncodingTest, Utf16Contracts) {
  EXPECT_EQ(text_to_utf16("abc"), "a\0b\0c\0\0\0"s);
  EXPECT_EQ(text_to_utf16("abc", true), "a\0b\0c\0"s);
  EXPECT_EQ(text_to_utf16(""), "");
  EXPECT_EQ(text_to_utf16("", true), "");
  EXPECT_EQ(text_to_utf16("中😀", true), "\x2d\x4e\x3d\xd8\x00\xde"s);

  EXPECT_EQ(utf16_to_text("A\0\0\0B\0"s), "A");
  EXPECT_EQ(utf16_to_text("A\0B\0"s), "AB");
  EXPECT_EQ(utf16_to_text("A\0B"s), "A");  // odd last byte ignored
  EXPECT_EQ(utf16_to_text(""), "");
  EXPECT_EQ(utf16_to_text("\0\0A\0"s), "");
  EXPECT_EQ(utf16_to_text("\x00\xd8"
                          "A\0"s),
            kReplacement + "A");  // unpaired surrogate
  EXPECT_EQ(utf16_to_text("\x3d\xd8"s), kReplacement);
  EXPECT_EQ(utf16_to_text(text_to_utf16("中文😀한국")), "中文😀한국");
}

TEST(TextEncodingTest, DecodesOnManyThreadsAtOnce) {
  const std::string gbk_page = "<p>" + kGbkChinese;
  const std::string big5_page = "<meta charset=big5>\xa4\xa4\xa4\xe5";
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        if (decode_page(gbk_page) != "<p>中文" ||
            decode_page(big5_page) != "<meta charset=big5>中文") {
          ++failures;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace korvane
