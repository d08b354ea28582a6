#include "base/SourceText.h"

#include <cstdint>

#include "base/Errors.h"

namespace vantel {

bool IsUtf8(std::string_view s, bool& nonAscii) {
  nonAscii = false;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t n;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF)
      n = 1, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
      n = 2, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
      n = 3, cp = c & 0x07;
    else
      return false;
    if (i + n >= s.size()) return false;
    for (size_t k = 1; k <= n; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    nonAscii = true;
    i += n + 1;
  }
  return true;
}

namespace {

bool HasBareLf(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return true;
  return false;
}

// The length of the line end at `i`, read as the script loader reads line
// ends: CR LF and LF CR are one line end each, as are CR and LF alone, pairs
// taken as they come. Each becomes one CR LF, so a line keeps its number.
size_t LineEndLength(std::string_view s, size_t i) {
  if (i >= s.size()) return 0;
  const char other = s[i] == '\r' ? '\n' : '\r';
  return i + 1 < s.size() && s[i + 1] == other ? 2 : 1;
}

}  // namespace

Bytes SourceToCp932(std::string_view bytes, const std::string& name) {
  bool nonAscii = false;
  if (!IsUtf8(bytes, nonAscii) || (!nonAscii && !HasBareLf(bytes))) return Bytes(bytes);
  Bytes out;
  out.reserve(bytes.size() + bytes.size() / 16);
  size_t line = 1, start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view text = bytes.substr(start, end - start);
    const Bytes converted = FromUtf8(text);
    // iconv turns what code page 932 lacks into '?': catch it by converting back.
    if (ToUtf8(converted) != text)
      throw DataError(name + ":" + std::to_string(line) +
                      ": a character there has no code page 932 form");
    out += converted;
    out += "\r\n";
    start = end + LineEndLength(bytes, end);
    ++line;
  }
  return out;
}

}  // namespace vantel
