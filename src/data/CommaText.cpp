#include "data/CommaText.h"

namespace vantel {
namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// Reads a quoted field starting at text[i] == '"'; leaves i after it.
Bytes ReadQuoted(std::string_view text, size_t& i) {
  Bytes field;
  ++i;
  while (i < text.size()) {
    char c = text[i++];
    if (c != '"') {
      field += c;
    } else if (i < text.size() && text[i] == '"') {
      field += '"';
      ++i;
    } else {
      return field;
    }
  }
  return field;  // no closing quote: the field keeps everything to the end
}

}  // namespace

std::vector<Bytes> SplitCommaText(std::string_view text, size_t maxFields) {
  std::vector<Bytes> fields;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (i < n && fields.size() < maxFields) {
    if (text[i] == '"') {
      fields.push_back(ReadQuoted(text, i));
    } else {
      size_t start = i;
      while (i < n && !IsBlank(text[i]) && text[i] != ',') ++i;
      fields.emplace_back(text.substr(start, i - start));
    }
    while (i < n && IsBlank(text[i])) ++i;
    if (i < n && text[i] == ',') {
      if (i + 1 == n && fields.size() < maxFields) fields.emplace_back();
      ++i;
      while (i < n && IsBlank(text[i])) ++i;
    }
  }
  return fields;
}

Bytes QuoteCommaField(std::string_view field) {
  bool quote = false;
  for (char c : field)
    if (IsBlank(c) || c == '"' || c == ',') quote = true;
  if (!quote) return Bytes(field);
  Bytes out = "\"";
  for (char c : field) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

Bytes JoinCommaText(const std::vector<Bytes>& fields) {
  if (fields.size() == 1 && fields[0].empty()) return "\"\"";
  Bytes out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += ',';
    out += QuoteCommaField(fields[i]);
  }
  return out;
}

}  // namespace vantel
