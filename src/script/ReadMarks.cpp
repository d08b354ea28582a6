#include "script/ReadMarks.h"

#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/FuncFile.h"

namespace vantel {

std::string ReadMarks::Load(const std::string& path) {
  path_ = path;
  pages_.clear();
  count_ = 0;
  dirty_ = false;
  std::vector<std::pair<int32_t, Bytes>> marks;
  try {
    const Bytes text = FileExists(path) ? ReadPackedFile(path, kMaxFileText) : Bytes();
    ForEachLine(text, [&](std::string_view line) {
      if (line.empty()) return;
      const size_t tab = line.find('\t');
      int32_t position = -1;
      if (tab == std::string_view::npos || tab + 1 == line.size() ||
          !TryStrToInt(line.substr(0, tab), position) || position < 0)
        throw DataError("a read mark is not \"position<TAB>script\"");
      if (marks.size() == kMaxMarks) throw DataError("more read marks than a story has pages");
      marks.emplace_back(position, Bytes(line.substr(tab + 1)));
    });
  } catch (const Error&) {
    // A file that is not marks (or far more of them than a story has pages)
    // stays for inspection; the reader starts with nothing marked.
    const std::string actual = FindPath(path).value_or(path);
    const std::string aside = actual + ".damaged";
    std::rename(actual.c_str(), aside.c_str());
    return std::filesystem::path(aside).filename().string();
  }
  for (const auto& [position, script] : marks) Mark(script, position);
  dirty_ = false;
  return {};
}

bool ReadMarks::IsRead(const Bytes& script, int32_t position) const {
  const auto it = pages_.find(LowerCase(script));
  return it != pages_.end() && it->second.count(position) != 0;
}

bool ReadMarks::Mark(const Bytes& script, int32_t position) {
  if (count_ >= kMaxMarks) return false;
  if (!pages_[LowerCase(script)].insert(position).second) return false;
  ++count_;
  dirty_ = true;
  return true;
}

bool ReadMarks::Flush(uint32_t now, bool force) {
  if (!dirty_ || path_.empty()) return false;
  // Differences, so the tick count may wrap.
  if (!force && written_ && now - lastWrite_ < kWriteInterval) return false;
  Bytes text;
  for (const auto& [script, positions] : pages_)
    for (int32_t position : positions) text += IntToStr(position) + "\t" + script + "\r\n";
  WritePackedFile(path_, text);
  dirty_ = false;
  written_ = true;
  lastWrite_ = now;
  return true;
}

}  // namespace vantel
