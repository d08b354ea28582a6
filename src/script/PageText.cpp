#include "script/PageText.h"

#include "data/FuncFile.h"

namespace vantel {
namespace {

Bytes Flatten(std::string_view page, bool spoken) {
  Bytes out;
  bool inRuby = false;
  ForEachLine(page, [&](std::string_view line) {
    if (line.empty()) return;
    if (line[0] != '*') {
      if (!(spoken && inRuby)) out += line;
      return;
    }
    const Bytes tag = CommaField(line, 0);
    if (tag == "*br") {
      out += spoken ? " " : "\n";
    } else if (tag == "*r") {
      const Bytes reading = CommaField(line, 2);
      // A ruby without a reading says its base text.
      inRuby = spoken && !reading.empty();
      if (inRuby) out += reading;
    } else if (tag == "*/r") {
      inRuby = false;
    }
  });
  // The blank line that parts two pages in a script is no part of either.
  const size_t first = out.find_first_not_of(" \n"), last = out.find_last_not_of(" \n");
  return first == Bytes::npos ? Bytes() : out.substr(first, last - first + 1);
}

}  // namespace

Bytes SpokenText(std::string_view page) {
  return Flatten(page, true);
}

Bytes PlainText(std::string_view page) {
  return Flatten(page, false);
}

}  // namespace vantel
