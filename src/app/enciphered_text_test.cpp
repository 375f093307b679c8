#include "app/enciphered_text.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(EncipheredText, Rc4MatchesAPublishedVector) {
  // Key "Key", plain text "Plaintext": BBF316E8D940AF0AD3.
  EXPECT_EQ(rc4("Plaintext", "Key"), "\xBB\xF3\x16\xE8\xD9\x40\xAF\x0A\xD3");
  EXPECT_EQ(rc4(rc4("任意文本", "4711"), "4711"), "任意文本");
}

TEST(EncipheredText, EachProgramTextDeciphersToItsPlainText) {
  struct Case {
    const EncipheredText& text;
    const char* plain;
  };
  const Case cases[] = {
      {ciphered::kTitlePrefix, "KorvaneBT资源搜索器 V"},
      {ciphered::kSearchHint, "输入关键字，按回车开始搜索"},
      {ciphered::kInstanceNamePrefix, "korvane-instance-"},
      {ciphered::kStatusLine, "右键点击结果可下载或复制磁力链接"},
      {ciphered::kCountPrefix, "本列表共有 "},
      {ciphered::kCountSuffix, " 条资源"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decipher(c.text), c.plain);
    EXPECT_GE(c.text.key.size(), 3u);
    EXPECT_LE(c.text.key.size(), 5u);
    for (unsigned char k : c.text.key) EXPECT_TRUE(k >= '0' && k <= '9');
  }
}

TEST(EncipheredText, PlainTextEndsAtItsFirstZeroByte) {
  const std::string stored = rc4(std::string("ab\0cd", 5), "123");
  const std::string key = "123";
  EncipheredText text{{reinterpret_cast<const unsigned char*>(stored.data()), stored.size()},
                      {reinterpret_cast<const unsigned char*>(key.data()), key.size()}};
  EXPECT_EQ(decipher(text), "ab");
}

}  // namespace
}  // namespace korvane
