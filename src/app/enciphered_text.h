// Texts of our own that the program holds only enciphered: each is a byte
// string stored beside its key, a short string of decimal digits. A text is
// deciphered anew at every use (RC4 under the key) and read up to its first
// zero byte. Everything here is immutable and safe on any thread.
#ifndef KORVANE_APP_ENCIPHERED_TEXT_H_
#define KORVANE_APP_ENCIPHERED_TEXT_H_

#include <span>
#include <string>
#include <string_view>

namespace korvane {

struct EncipheredText {
  std::span<const unsigned char> stored;
  std::span<const unsigned char> key;  // decimal digits, as bytes
};

// RC4 over `data` under `key`; the same call enciphers and deciphers.
std::string rc4(std::string_view data, std::string_view key);

// The plain text of `text`, cut at its first zero byte; "" for an empty key.
std::string decipher(const EncipheredText& text);

// The program's enciphered texts (UTF-8 once deciphered).
namespace ciphered {
extern const EncipheredText kTitlePrefix;         // window title before the version
extern const EncipheredText kSearchHint;          // grey hint in the empty search box
extern const EncipheredText kInstanceNamePrefix;  // single-instance name before the version
extern const EncipheredText kStatusLine;          // status bar panel 1
extern const EncipheredText kCountPrefix;         // status bar panel 2, before the row count
extern const EncipheredText kCountSuffix;         // status bar panel 2, after the row count
}  // namespace ciphered

}  // namespace korvane

#endif  // KORVANE_APP_ENCIPHERED_TEXT_H_
