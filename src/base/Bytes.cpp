#include "base/Bytes.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <unordered_map>

#include "base/Errors.h"

namespace vantel {
namespace {

const char* IconvName(CodePage cp) {
  return cp == CodePage::CP932 ? "CP932" : "GBK";
}

// Converts with iconv, replacing each undecodable input byte by `replacement`.
std::string Convert(std::string_view in, const char* to, const char* from,
                    std::string_view replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw Error(std::string("iconv cannot convert ") + from + " to " + to);
  std::string out;
  out.resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  size_t used = 0;
  while (srcLeft > 0) {
    char* dst = out.data() + used;
    size_t dstLeft = out.size() - used;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    used = out.size() - dstLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
    } else {  // EILSEQ or EINVAL (truncated sequence): replace one byte and go on
      if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
      out.replace(used, replacement.size(), replacement);
      used += replacement.size();
      ++src;
      --srcLeft;
    }
  }
  iconv_close(cd);
  out.resize(used);
  return out;
}

const Bytes& Cached(const char* literal, CodePage cp) {
  static std::mutex mutex;
  static std::unordered_map<const char*, Bytes> cache[2];
  std::lock_guard<std::mutex> lock(mutex);
  auto& map = cache[cp == CodePage::CP932 ? 0 : 1];
  auto it = map.find(literal);
  if (it == map.end()) it = map.emplace(literal, FromUtf8(literal, cp)).first;
  return it->second;
}

bool IsLead(unsigned char c, CodePage cp) {
  return cp == CodePage::CP932 ? IsLeadByte(c) : IsGbkLeadByte(c);
}

template <typename Fold>
Bytes FoldAscii(std::string_view text, CodePage cp, Fold fold) {
  Bytes out(text);
  for (size_t i = 0; i < out.size();) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLead(c, cp) && i + 1 < out.size()) {
      i += 2;
      continue;
    }
    out[i] = static_cast<char>(fold(c));
    ++i;
  }
  return out;
}

}  // namespace

std::string ToUtf8(std::string_view text, CodePage from) {
  return Convert(text, "UTF-8", IconvName(from), "\xEF\xBF\xBD");
}

Bytes FromUtf8(std::string_view utf8, CodePage to) {
  return Convert(utf8, IconvName(to), "UTF-8", "?");
}

const Bytes& Sjis(const char* utf8Literal) {
  return Cached(utf8Literal, CodePage::CP932);
}
const Bytes& Gbk(const char* utf8Literal) {
  return Cached(utf8Literal, CodePage::GBK);
}

size_t CharLength(std::string_view text, size_t i, CodePage cp) {
  if (i + 1 < text.size() && IsLead(static_cast<unsigned char>(text[i]), cp)) return 2;
  return 1;
}

Bytes LowerCase(std::string_view text, CodePage cp) {
  return FoldAscii(text, cp, [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
}

Bytes UpperCase(std::string_view text, CodePage cp) {
  return FoldAscii(text, cp, [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
}

bool SameText(std::string_view a, std::string_view b, CodePage cp) {
  return a.size() == b.size() && LowerCase(a, cp) == LowerCase(b, cp);
}

std::vector<Bytes> SplitLines(std::string_view text) {
  std::vector<Bytes> lines;
  lines.reserve(CountLines(text));
  ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

size_t CountLines(std::string_view text) {
  size_t n = 0;
  ForEachLine(text, [&](std::string_view) { ++n; });
  return n;
}

bool TryStrToInt(std::string_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    v = v * base + d;
    if (v > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL)) return false;
  }
  if (base == 16) {
    // hexadecimal text gives the 32-bit pattern: $FFFFFFFF is -1
    const uint32_t bits = static_cast<uint32_t>(v);
    value = static_cast<int32_t>(negative ? 0u - bits : bits);
    return true;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  int32_t v;
  return TryStrToInt(text, v) ? v : fallback;
}

int32_t StrToInt(std::string_view text) {
  int32_t v;
  if (!TryStrToInt(text, v))
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
  return v;
}

}  // namespace vantel
