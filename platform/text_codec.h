#pragma once
#include <string>
#include <string_view>

namespace orv {

// How an INI file's bytes are encoded on disk; a file is rewritten the way it came.
enum class TextEncoding { Utf8, Utf8Bom, Utf16LeBom };

struct DecodedText {
  std::string utf8;
  TextEncoding encoding = TextEncoding::Utf8;
};

// Detects the byte-order mark and turns the file's bytes into UTF-8. Invalid
// UTF-16 (a lone surrogate, an odd trailing byte) becomes U+FFFD; bytes of a
// file without a BOM are taken as they are.
DecodedText DecodeText(std::string_view bytes);
std::string EncodeText(std::string_view utf8, TextEncoding encoding);

// UTF-8 <-> UTF-16 for names stored as 16-bit code units. Invalid input
// sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// The text with the ASCII letters A-Z made lower case (other bytes as they are).
std::string AsciiLower(std::string_view text);

// Length of the longest prefix of `utf8` that holds at most `units` UTF-16 code
// units, never splitting a character.
size_t Utf8PrefixForUnits(std::string_view utf8, size_t units);

}  // namespace orv
