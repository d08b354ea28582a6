#include "data/ClassSList.h"

#include "base/Errors.h"
#include "data/CommaText.h"
#include "data/FuncFile.h"

namespace vantel {
namespace {

[[noreturn]] void OutOfRange(int i) {
  throw IndexError("list index out of bounds (" + std::to_string(i) + ")");
}

Bytes SectionHeader(std::string_view section) {
  return "[" + UpperCase(section) + "]";
}

// A body line's key: the text up to the first tab, blank or '='.
std::string_view KeyOf(std::string_view line) {
  size_t end = line.find_first_of("\t =");
  return line.substr(0, end);
}

// A body line's value: after the first '=', without a leading run of blanks,
// tabs and further '='; empty when there is no '='.
std::string_view ValueOf(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return {};
  line.remove_prefix(eq);
  size_t start = line.find_first_not_of("\t =");
  return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

}  // namespace

const TSlist::Line& TSlist::At(int i) const {
  if (i < 0 || i >= Count()) OutOfRange(i);
  return lines_[i];
}

TSlist::Line& TSlist::At(int i) {
  if (i < 0 || i >= Count()) OutOfRange(i);
  return lines_[i];
}

int TSlist::Add(Bytes text) {
  lines_.push_back({std::move(text), 0});
  return Count() - 1;
}

void TSlist::Insert(int i, Bytes text) {
  if (i < 0 || i > Count()) OutOfRange(i);
  lines_.insert(lines_.begin() + i, Line{std::move(text), 0});
}

void TSlist::Delete(int i) {
  if (i < 0 || i >= Count()) OutOfRange(i);
  lines_.erase(lines_.begin() + i);
}

int TSlist::IndexOf(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(lines_[i].text, text)) return i;
  return -1;
}

Bytes TSlist::Text() const {
  Bytes out;
  for (const Line& l : lines_) {
    out += l.text;
    out += "\r\n";
  }
  return out;
}

void TSlist::SetText(std::string_view text) {
  lines_.clear();
  lines_.reserve(CountLines(text));
  ForEachLine(text, [&](std::string_view line) { Add(Bytes(line)); });
}

Bytes TSlist::CommaText() const {
  std::vector<Bytes> fields;
  fields.reserve(lines_.size());
  for (const Line& l : lines_) fields.push_back(l.text);
  return JoinCommaText(fields);
}

void TSlist::SetCommaText(std::string_view text) {
  lines_.clear();
  for (Bytes& f : SplitCommaText(text)) Add(std::move(f));
}

int TSlist::SectionLine(const Bytes& header) const {
  // Lengths first: a settings file may hold many lines, and only a line of
  // the header's length can be it.
  for (int i = 0; i < Count(); ++i)
    if (lines_[i].text.size() == header.size() && UpperCase(lines_[i].text) == header) return i;
  return Count();
}

int TSlist::KeyLine(int header, const Bytes& key, int& end) const {
  int i = header + 1;
  for (; i < Count(); ++i) {
    const Bytes& line = lines_[i].text;
    if (!line.empty() && line[0] == '[') break;
    const std::string_view lineKey = KeyOf(line);
    if (lineKey.size() == key.size() && UpperCase(lineKey) == key) {
      end = i;
      return i;
    }
  }
  end = i;
  return -1;
}

Bytes TSlist::ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const {
  int end;
  int at = KeyLine(SectionLine(SectionHeader(section)), UpperCase(key), end);
  if (at < 0) return Bytes(fallback);
  std::string_view value = ValueOf(lines_[at].text);
  return value.empty() ? Bytes(fallback) : Bytes(value);
}

int32_t TSlist::ReadInteger(std::string_view section, std::string_view key,
                            int32_t fallback) const {
  return StrToIntDef(ReadString(section, key, IntToStr(fallback)), fallback);
}

bool TSlist::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return LowerCase(ReadString(section, key, fallback ? "TRUE" : "FALSE")) == "true";
}

void TSlist::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const Bytes header = SectionHeader(section);
  const Bytes upperKey = UpperCase(key);
  const Bytes line = upperKey + "=" + Bytes(value);
  int at = SectionLine(header);
  if (at == Count()) Add(header);
  int end;
  int found = KeyLine(at, upperKey, end);
  if (found >= 0) {
    lines_[found].text = line;
  } else if (end == Count()) {
    Add(line);
  } else {
    Insert(at + 1, line);
  }
}

void TSlist::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, IntToStr(value));
}

void TSlist::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "TRUE" : "FALSE");
}

Bytes TSlist::PopString() {
  Bytes text = At(0).text;
  Delete(0);
  return text;
}

int32_t TSlist::PopInteger() {
  int32_t n = StrToInt(At(0).text);
  Delete(0);
  return n;
}

bool TSlist::PopBool() {
  bool b = At(0).text == "true";
  Delete(0);
  return b;
}

int TSlist::AddTagged(Bytes text, int32_t tag) {
  lines_.push_back({std::move(text), tag});
  return Count() - 1;
}

Bytes TSlist::GetField(int i, int n) const {
  return CommaField(At(i).text, n);
}

void TSlist::SetField(int i, int n, std::string_view value) {
  if (n < 0) OutOfRange(n);
  auto fields = SplitCommaText(At(i).text);
  if (fields.size() < static_cast<size_t>(n) + 1) fields.resize(static_cast<size_t>(n) + 1);
  fields[n] = Bytes(value);
  lines_[i].text = JoinCommaText(fields);
}

void TSlist::LoadFromPackedFile(const std::string& path, size_t maxLength) {
  Clear();
  const Bytes text = ReadPackedFile(path, maxLength);
  lines_.reserve(CountLines(text));
  ForEachLine(text, [&](std::string_view line) {
    auto fields = SplitCommaText(line);
    // A blank line has no tag field: it comes back as an empty line, tag 0.
    int32_t tag = 0;
    if (!fields.empty()) {
      tag = StrToIntDef(fields[0], 0);
      fields.erase(fields.begin());
    }
    AddTagged(JoinCommaText(fields), tag);
  });
}

void TSlist::SaveToPackedFile(const std::string& path) const {
  Bytes text;
  for (const Line& l : lines_) {
    auto fields = SplitCommaText(l.text);
    fields.insert(fields.begin(), IntToStr(l.tag));
    text += JoinCommaText(fields);
    text += "\r\n";
  }
  WritePackedFile(path, text);
}

}  // namespace vantel
