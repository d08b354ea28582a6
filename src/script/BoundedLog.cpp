#include "script/BoundedLog.h"

#include <algorithm>

namespace vantel {
namespace {

// How many times `last` already holds `line`: 1 for the line itself, n for
// the line followed by " (n回)", 0 for another line.
int32_t RepeatsIn(const Bytes& last, const Bytes& line) {
  if (last.size() < line.size() || last.compare(0, line.size(), line) != 0) return 0;
  if (last.size() == line.size()) return 1;
  const Bytes& close = Sjis("回)");
  std::string_view rest(last);
  rest.remove_prefix(line.size());
  if (rest.size() <= 2 + close.size() || rest.substr(0, 2) != " (" ||
      rest.substr(rest.size() - close.size()) != close)
    return 0;
  const std::string_view digits = rest.substr(2, rest.size() - 2 - close.size());
  int32_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9' || n > 100000000) return 0;
    n = n * 10 + (c - '0');
  }
  return n >= 2 ? n : 0;
}

}  // namespace

void AddLogLine(TSlist& log, const Bytes& line, int keep) {
  const int count = log.Count();
  if (count > 0) {
    if (const int32_t n = RepeatsIn(log[count - 1], line); n > 0) {
      // The count stops short of overflowing; the line still says it repeats.
      log.SetString(count - 1, line + " (" + IntToStr(std::min(n + 1, 999999999)) + Sjis("回)"));
      return;
    }
  }
  log.Add(line);
  keep = std::max(keep, 1);
  // Dropping a quarter's worth at once keeps the copying per line constant.
  if (log.Count() <= keep + keep / 4) return;
  TSlist kept;
  for (int i = log.Count() - keep; i < log.Count(); ++i) kept.AddTagged(log[i], log.Tag(i));
  log = std::move(kept);
}

}  // namespace vantel
