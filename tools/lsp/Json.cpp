#include "tools/lsp/Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vantel::lsp {

const std::string& Json::Empty() {
  static const std::string empty;
  return empty;
}

const Json& Json::operator[](std::string_view key) const {
  static const Json null;
  if (type_ != Type::Object) return null;
  // A name given twice: the last one counts, as most readers take it.
  for (auto it = members_.rbegin(); it != members_.rend(); ++it)
    if (it->first == key) return it->second;
  return null;
}

const std::string& Json::Str(const std::string& fallback) const {
  return type_ == Type::String ? string_ : fallback;
}

Json& Json::Set(std::string key, Json value) {
  type_ = Type::Object;
  for (auto& [k, v] : members_)
    if (k == key) {
      v = std::move(value);
      return v;
    }
  members_.emplace_back(std::move(key), std::move(value));
  return members_.back().second;
}

Json& Json::Push(Json value) {
  type_ = Type::Array;
  items_.push_back(std::move(value));
  return items_.back();
}

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : t_(text) {}

  Json Document() {
    Json v = Value(0);
    Space();
    if (i_ != t_.size()) Fail("bytes after the JSON value");
    return v;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw JsonError("JSON: " + what + " at byte " + std::to_string(i_));
  }
  void Space() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r'))
      ++i_;
  }
  bool Take(char c) {
    Space();
    if (i_ < t_.size() && t_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Take(c)) Fail(std::string("expected '") + c + "'");
  }
  void Word(std::string_view w) {
    if (t_.substr(i_, w.size()) != w) Fail("unknown word");
    i_ += w.size();
  }

  Json Value(int depth) {
    if (depth > Json::kMaxDepth) Fail("nesting too deep");
    Space();
    if (i_ >= t_.size()) Fail("unexpected end");
    const char c = t_[i_];
    if (c == '{') {
      ++i_;
      Json o = Json::Object();
      if (Take('}')) return o;
      do {
        Space();
        if (i_ >= t_.size() || t_[i_] != '"') Fail("expected a member name");
        std::string key = String();
        Expect(':');
        o.members_.emplace_back(std::move(key), Value(depth + 1));
      } while (Take(','));
      Expect('}');
      return o;
    }
    if (c == '[') {
      ++i_;
      Json a = Json::Array();
      if (Take(']')) return a;
      do a.items_.push_back(Value(depth + 1));
      while (Take(','));
      Expect(']');
      return a;
    }
    if (c == '"') return Json(String());
    if (c == 't') return Word("true"), Json(true);
    if (c == 'f') return Word("false"), Json(false);
    if (c == 'n') return Word("null"), Json();
    return Json(Number());
  }

  double Number() {
    const size_t start = i_;
    auto digits = [&] {
      const size_t from = i_;
      while (i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9') ++i_;
      if (i_ == from) Fail("expected a digit");
    };
    if (i_ < t_.size() && t_[i_] == '-') ++i_;
    if (i_ < t_.size() && t_[i_] == '0')
      ++i_;
    else
      digits();
    if (i_ < t_.size() && t_[i_] == '.') {
      ++i_;
      digits();
    }
    if (i_ < t_.size() && (t_[i_] == 'e' || t_[i_] == 'E')) {
      ++i_;
      if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-')) ++i_;
      digits();
    }
    return std::strtod(std::string(t_.substr(start, i_ - start)).c_str(), nullptr);
  }

  unsigned Hex4() {
    if (i_ + 4 > t_.size()) Fail("short \\u escape");
    unsigned v = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = t_[i_++];
      v <<= 4;
      if (h >= '0' && h <= '9')
        v |= unsigned(h - '0');
      else if (h >= 'a' && h <= 'f')
        v |= unsigned(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        v |= unsigned(h - 'A' + 10);
      else
        Fail("bad \\u escape");
    }
    return v;
  }

  static void Utf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xF0 | (cp >> 18));
      out += char(0x80 | ((cp >> 12) & 0x3F));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }

  // The length of the UTF-8 character at i_ (0 when it is not well formed).
  size_t Utf8Length() const {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(t_[i_ + k]); };
    const unsigned char c = b(0);
    size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                                                       : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || i_ + n > t_.size()) return 0;
    for (size_t k = 1; k < n; ++k)
      if ((b(k) & 0xC0) != 0x80) return 0;
    if (n == 3 && ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) >= 0xA0))) return 0;
    if (n == 4 && ((c == 0xF0 && b(1) < 0x90) || (c == 0xF4 && b(1) >= 0x90))) return 0;
    return n;
  }

  std::string String() {
    ++i_;  // the opening quote
    std::string out;
    for (;;) {
      if (i_ >= t_.size()) Fail("unterminated string");
      const char c = t_[i_];
      if (c == '"') {
        ++i_;
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
      if (c != '\\') {
        const size_t n = Utf8Length();
        if (n == 0) Fail("bytes that are not UTF-8");
        out.append(t_.substr(i_, n));
        i_ += n;
        continue;
      }
      if (++i_ >= t_.size()) Fail("unterminated escape");
      const char e = t_[i_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned cp = Hex4();
          if (cp >= 0xDC00 && cp <= 0xDFFF) Fail("lone low surrogate");
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (t_.substr(i_, 2) != "\\u") Fail("lone high surrogate");
            i_ += 2;
            const unsigned low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) Fail("bad surrogate pair");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          Utf8(out, cp);
          break;
        }
        default:
          Fail("bad escape");
      }
    }
  }

  std::string_view t_;
  size_t i_ = 0;
};

Json Json::Parse(std::string_view text) {
  return JsonParser(text).Document();
}

namespace {

void DumpString(std::string& out, const std::string& s) {
  out += '"';
  for (const char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
          out += buf;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

}  // namespace

void Json::DumpTo(std::string& out) const {
  switch (type_) {
    case Type::Null:
      out += "null";
      break;
    case Type::Bool:
      out += bool_ ? "true" : "false";
      break;
    case Type::Number: {
      if (!std::isfinite(number_)) {
        out += "null";
      } else if (number_ == std::floor(number_) && std::fabs(number_) < 9e15) {
        out += std::to_string(static_cast<long long>(number_));
      } else {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.17g", number_);
        out += buf;
      }
      break;
    }
    case Type::String:
      DumpString(out, string_);
      break;
    case Type::Array:
      out += '[';
      for (size_t k = 0; k < items_.size(); ++k) {
        if (k) out += ',';
        items_[k].DumpTo(out);
      }
      out += ']';
      break;
    case Type::Object:
      out += '{';
      for (size_t k = 0; k < members_.size(); ++k) {
        if (k) out += ',';
        DumpString(out, members_[k].first);
        out += ':';
        members_[k].second.DumpTo(out);
      }
      out += '}';
      break;
  }
}

std::string Json::Dump() const {
  std::string out;
  DumpTo(out);
  return out;
}

}  // namespace vantel::lsp
