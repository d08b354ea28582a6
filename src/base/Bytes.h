// Byte strings and code pages.
//
// Text inside the system is bytes: data names and scripts in code page 932
// (Shift-JIS), the program's own captions and questions in GBK. Conversion to
// UTF-8 happens only at the platform boundary. In code page 932 a trail byte
// may fall in 0x40-0x7E (ASCII letters and '\'), so every ASCII-level
// operation here steps over double-byte characters. Depends on the C
// library's iconv (one without CP932 or GBK makes conversion throw Error);
// StrToInt throws ConvertError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

using Bytes = std::string;  // a byte string in one of the code pages below

enum class CodePage { CP932, GBK };

// Conversion through iconv. Bytes that are not valid in the source encoding
// become '?' (to a code page) or U+FFFD (to UTF-8); nothing throws.
std::string ToUtf8(std::string_view text, CodePage from = CodePage::CP932);
Bytes FromUtf8(std::string_view utf8, CodePage to = CodePage::CP932);

// A UTF-8 source literal converted once into its code-page bytes; the result
// lives for the whole run. Safe to call from any thread.
const Bytes& Sjis(const char* utf8Literal);
const Bytes& Gbk(const char* utf8Literal);

// Lead byte of a double-byte character in code page 932: 0x81-0x9F, 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
// Lead byte of a double-byte character in GBK: 0x81-0xFE.
constexpr bool IsGbkLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}

// Length in bytes of the character starting at text[i] (1 or 2; 1 at the end).
size_t CharLength(std::string_view text, size_t i, CodePage cp = CodePage::CP932);

// ASCII letters folded; double-byte characters left exactly as they are.
Bytes LowerCase(std::string_view text, CodePage cp = CodePage::CP932);
Bytes UpperCase(std::string_view text, CodePage cp = CodePage::CP932);
// Equal when equal after LowerCase.
bool SameText(std::string_view a, std::string_view b, CodePage cp = CodePage::CP932);

// The lines of a text: CR LF, CR or LF ends a line; a final line break adds
// no empty line. CR and LF are never trail bytes, so this works on bytes.
std::vector<Bytes> SplitLines(std::string_view text);
// Calls `each(line)` for every line SplitLines would give, as views into
// `text`, without building the list (a text of line breaks alone would
// otherwise cost a string object per break).
template <typename Each>
void ForEachLine(std::string_view text, Each&& each) {
  for (size_t i = 0; i < text.size();) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = text.size();
    each(text.substr(i, end - i));
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
}
// How many lines SplitLines would give.
size_t CountLines(std::string_view text);

// Integer parsing as the system's StrToInt does it: leading blanks, an
// optional sign, decimal digits or a '$'/'0x' hexadecimal number, nothing
// after; the value must fit in 32 bits.
bool TryStrToInt(std::string_view text, int32_t& value);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
int32_t StrToInt(std::string_view text);  // throws ConvertError
// Decimal text of n.
inline Bytes IntToStr(int64_t n) {
  return std::to_string(n);
}

}  // namespace vantel
