#include "demo/gen/DemoScripts.h"

#include "base/Bytes.h"
#include "base/Errors.h"
#include "base/Paths.h"

namespace vantel::demo {

std::string ConvertScript(const std::string& utf8, const std::string& name) {
  std::string out;
  size_t line = 1, start = 0;
  while (start < utf8.size()) {
    size_t end = utf8.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = utf8.size();
    std::string text = utf8.substr(start, end - start);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const Bytes bytes = FromUtf8(text);
    // iconv turns what code page 932 lacks into '?': catch it by converting back.
    if (ToUtf8(bytes) != text)
      throw DataError(name + ":" + std::to_string(line) +
                      ": a character there has no code page 932 form");
    out += bytes;
    // The tokeniser ends a line only at CR, so every line, the last one
    // included, gets its CR LF (text after the last CR would be dropped).
    out += "\r\n";
    start = end + 1;
    ++line;
  }
  return out;
}

AssetList ScriptAssets(const std::string& storyDir) {
  AssetList list;
  for (const std::string& file : ListDirectory(storyDir)) {
    const auto dot = file.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : file.substr(dot);
    if (ext != ".vxs" && ext != ".ini") continue;
    const std::string path = storyDir + "/" + file;
    list.push_back({file, [path, file] {
                      auto text = ReadWholeFile(path);
                      if (!text) throw FileError("cannot read " + path);
                      return ConvertScript(*text, file);
                    }});
  }
  if (list.empty()) throw FileError("no story scripts in " + storyDir);
  return list;
}

}  // namespace vantel::demo
