// Conversions between the program's UTF-8 texts and the encodings met at its
// edges: GBK for engine addresses, UTF-16LE for byte-level interfaces, and
// whatever charset a web page declares. All routines are thread-safe.
#ifndef KORVANE_WEB_TEXT_ENCODING_H_
#define KORVANE_WEB_TEXT_ENCODING_H_

#include <string>
#include <string_view>

namespace korvane {

// UTF-8 to GBK bytes. Encoded as GB18030, which is GBK for every character GBK
// holds and keeps the others too, so nothing turns into "?".
std::string utf8_to_gbk(std::string_view utf8);
// GBK (read as GB18030) to UTF-8; invalid bytes become U+FFFD.
std::string gbk_to_utf8(std::string_view bytes);

// Decodes `bytes` in the charset named by `label` (any letter case) to UTF-8.
// gb2312, gbk, x-gbk, cp936 and gb18030 use the GB18030 decoder; iso-8859-1
// and us-ascii use windows-1252; other names go to ICU's converter of that
// name. Invalid bytes become U+FFFD; zero bytes are kept. Returns false in
// *known (when given) and decodes as GBK when the name is unknown; a label
// holding anything but letters, digits, "-", "_", "." and ":" (after trimming
// spaces) is unknown, as is "".
std::string decode_bytes(std::string_view bytes, std::string_view label, bool* known = nullptr);

// The charset that a <meta ... charset=NAME> tag in the first 1024 bytes of
// `body` declares, or "" when there is none. The tag must stand on one line.
// Bytes from 0x80 up never belong to the name, whatever the body's charset.
std::string declared_charset(std::string_view body);

// The page text of a response body: decoded in its declared charset, as GBK
// when it declares none or an unknown one. The whole body is decoded: a zero
// byte does not end it.
std::string decode_page(std::string_view body);

// UTF-8 text to UTF-16LE bytes ending with one zero unit, or without it when
// `drop_terminator` is true. An empty text gives no bytes at all. Invalid UTF-8
// becomes U+FFFD; a zero byte is converted like any other character.
std::string text_to_utf16(std::string_view text, bool drop_terminator = false);
// UTF-16LE bytes to UTF-8: the units up to the first zero unit, or all of them.
// An odd last byte is ignored; unpaired surrogates become U+FFFD.
std::string utf16_to_text(std::string_view bytes);

}  // namespace korvane

#endif  // KORVANE_WEB_TEXT_ENCODING_H_
