#include "app/enciphered_text.h"

#include <array>
#include <cstdint>
#include <utility>

namespace korvane {

std::string rc4(std::string_view data, std::string_view key) {
  std::string out(data);
  if (key.empty()) return out;
  std::array<uint8_t, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<uint8_t>(j + s[i] + static_cast<uint8_t>(key[i % key.size()]));
    std::swap(s[i], s[j]);
  }
  uint8_t a = 0;
  uint8_t b = 0;
  for (char& c : out) {
    a = static_cast<uint8_t>(a + 1);
    b = static_cast<uint8_t>(b + s[a]);
    std::swap(s[a], s[b]);
    c = static_cast<char>(static_cast<uint8_t>(c) ^ s[static_cast<uint8_t>(s[a] + s[b])]);
  }
  return out;
}

std::string decipher(const EncipheredText& text) {
  if (text.key.empty()) return "";
  std::string_view stored(reinterpret_cast<const char*>(text.stored.data()), text.stored.size());
  std::string_view key(reinterpret_cast<const char*>(text.key.data()), text.key.size());
  std::string plain = rc4(stored, key);
  if (size_t zero = plain.find('\0'); zero != std::string::npos) plain.resize(zero);
  return plain;
}

namespace ciphered {
namespace {

constexpr unsigned char kTitlePrefixBytes[] = {0xc7, 0x0a, 0x74, 0x42, 0x67, 0x90, 0x73, 0xcd, 0x07,
                                               0x8a, 0x5f, 0x33, 0xeb, 0xc1, 0xaa, 0xdb, 0x69, 0x5f,
                                               0x0b, 0x12, 0x13, 0x2c, 0xb3, 0xde, 0xae, 0xea};
constexpr unsigned char kTitlePrefixKey[] = {'4', '7', '1', '1'};

constexpr unsigned char kSearchHintBytes[] = {
    0x19, 0x65, 0x2a, 0x22, 0xdf, 0xec, 0xac, 0x6e, 0x59, 0xfa, 0x02, 0x5e, 0xa0,
    0x75, 0x87, 0xfa, 0x8d, 0x96, 0xfd, 0x39, 0x18, 0x0c, 0x5e, 0xb5, 0xdb, 0xfc,
    0x75, 0x81, 0xb1, 0x13, 0x70, 0xed, 0x72, 0x0a, 0x7b, 0xcb, 0x1a, 0x57, 0xea};
constexpr unsigned char kSearchHintKey[] = {'2', '3', '0', '9'};

constexpr unsigned char kInstanceNamePrefixBytes[] = {0xb8, 0xb1, 0xcb, 0x61, 0xa8, 0x82,
                                                      0x00, 0x62, 0x04, 0x25, 0xfd, 0x15,
                                                      0xa3, 0xf0, 0xab, 0xfb, 0x93};
constexpr unsigned char kInstanceNamePrefixKey[] = {'8', '1', '6', '2', '0'};

constexpr unsigned char kStatusLineBytes[] = {
    0x41, 0x71, 0xd9, 0x6b, 0x2d, 0x7d, 0x00, 0xc1, 0xb1, 0x93, 0x9f, 0xa6, 0x72, 0x2e, 0xe2, 0x9f,
    0x04, 0x2f, 0x52, 0x19, 0xcf, 0xee, 0x15, 0x23, 0xb2, 0x43, 0x56, 0x99, 0x70, 0x16, 0x74, 0xcf,
    0xb2, 0xaf, 0xfd, 0x85, 0x3f, 0x13, 0x87, 0x5e, 0x46, 0x63, 0x57, 0x2c, 0x78, 0xd7, 0xc4, 0x0c};
constexpr unsigned char kStatusLineKey[] = {'3', '6', '5'};

constexpr unsigned char kCountPrefixBytes[] = {0x64, 0xa8, 0x63, 0x78, 0x0a, 0xd9, 0x4d, 0xaf,
                                               0x99, 0x1e, 0xe9, 0x46, 0xfc, 0x56, 0x5e, 0xee};
constexpr unsigned char kCountPrefixKey[] = {'7', '5', '0', '3'};

constexpr unsigned char kCountSuffixBytes[] = {0xb7, 0x35, 0x19, 0x68, 0xec,
                                               0x7f, 0x23, 0x1a, 0xdf, 0x15};
constexpr unsigned char kCountSuffixKey[] = {'1', '2', '8', '8'};

}  // namespace

const EncipheredText kTitlePrefix{kTitlePrefixBytes, kTitlePrefixKey};
const EncipheredText kSearchHint{kSearchHintBytes, kSearchHintKey};
const EncipheredText kInstanceNamePrefix{kInstanceNamePrefixBytes, kInstanceNamePrefixKey};
const EncipheredText kStatusLine{kStatusLineBytes, kStatusLineKey};
const EncipheredText kCountPrefix{kCountPrefixBytes, kCountPrefixKey};
const EncipheredText kCountSuffix{kCountSuffixBytes, kCountSuffixKey};

}  // namespace ciphered
}  // namespace korvane
