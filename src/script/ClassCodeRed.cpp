#include "script/ClassCodeRed.h"

#include <array>
#include <filesystem>
#include <set>

#include "base/Errors.h"
#include "base/Paths.h"
#include "base/SourceText.h"
#include "base/Stream.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "shell/ClassGlobal.h"

namespace vantel {
namespace {

const ChapterInfo kChapters[] = {
    {"脚本1", 0, 1},   {"脚本2", 1, 2},   {"脚本2_2", 2, 2}, {"脚本3", 3, 3}, {"脚本4", 4, 4},
    {"脚本4_2", 5, 4}, {"脚本5_1", 6, 5}, {"脚本5_2", 7, 5}, {"脚本6", 8, 6},
};

// The chapters' own names: four characters each, five for chapter 4.
const char* const kChapterTitles[] = {
    "第一章　春雨初晴",   "第二章　旧街灯影", "第三章　月下归途",
    "第四章　无人知晓处", "第五章　星河将尽", "第六章　晨光重临",
};

// The file-name part of a path: after the last '\', '/' or ':' that is a
// character of its own (a trail byte may be 0x5C).
std::string_view FileNamePart(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i += CharLength(path, i)) {
    if (CharLength(path, i) == 2) continue;
    if (path[i] == '\\' || path[i] == '/' || path[i] == ':') start = i + 1;
  }
  return path.substr(start);
}

std::string_view WithoutExtension(std::string_view name) {
  size_t dot = name.rfind('.');  // '.' is never a trail byte
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::set<Bytes>& PreferredScripts() {
  static std::set<Bytes> names;
  return names;
}

}  // namespace

void PreferLooseScript(const Bytes& baseName) {
  PreferredScripts().insert(baseName);
}

bool LooseScriptPreferred(const Bytes& baseName) {
  return PreferredScripts().count(baseName) > 0;
}

void ForgetPreferredScripts() {
  PreferredScripts().clear();
}

const ChapterInfo* FindChapter(std::string_view scriptName) {
  for (const ChapterInfo& c : kChapters)
    if (Sjis(c.scriptName) == scriptName) return &c;
  return nullptr;
}

const Bytes& ChapterTitleOf(int chapter) {
  return Gbk(kChapterTitles[chapter - 1]);
}

size_t LineEndAt(std::string_view text, size_t i) {
  if (i >= text.size() || (text[i] != '\r' && text[i] != '\n')) return 0;
  // The other of the two line-end bytes completes a pair.
  const char other = text[i] == '\r' ? '\n' : '\r';
  return i + 1 < text.size() && text[i + 1] == other ? 2 : 1;
}

Bytes ScriptBaseName(std::string_view name) {
  return LowerCase(WithoutExtension(FileNamePart(name)));
}

Bytes ReadScriptFile(const std::string& path) {
  auto bytes = ReadWholeFile(path, kMaxScriptFileBytes);
  if (!bytes) {
    if (FileExists(path)) throw FileError("cannot read " + path);
    return Bytes();
  }
  if (bytes->size() >= 4 && static_cast<unsigned char>((*bytes)[3]) == 0x5A) {
    MemoryStream stream(std::move(*bytes));
    return ReadPackedBlock(stream, path);
  }
  return SourceToCp932(*bytes, std::filesystem::path(path).filename().string());
}

void TCodeRed::Load(std::string_view name) {
  const Bytes base = ScriptBaseName(name);
  const Bytes file = base + ".vxs";
  Bytes text;
  TArchive* archive = ScriptArchive ? ScriptArchive : vantel::ScriptArchive;
  std::optional<std::string> loose;
  if (LooseScriptPreferred(base)) loose = FindDataFile(ScriptDir, file);
  if (!loose && archive && archive->IndexOf(file) >= 0) {
    text = archive->ReadText(file);
  } else if (auto path = loose ? loose : DataPath(ScriptDir, file); path && FileExists(*path)) {
    text = ReadScriptFile(*path);
  }
  LoadedLength = text.size();
  ScriptName = base;
  if (Bytes* global = GlobalScriptName ? GlobalScriptName : Global ? &Global->ScriptName : nullptr)
    *global = ScriptName;
  Position = 0;
  Tokenize(text);
  if (const ChapterInfo* c = FindChapter(ScriptName)) {
    ChapterNumber = c->number;
    ChapterTitle = ChapterTitleOf(c->chapter);
  } else {
    ChapterTitle.clear();
  }
}

void TCodeRed::Tokenize(std::string_view text) {
  Clear();
  ++TokensVersion;
  Bytes token;
  bool lineHasChars = false, inTag = false, storyText = false, paragraphPending = false,
       inQuotes = false;
  int32_t line = 1;
  auto endLine = [&] {
    if (!token.empty()) AddTagged(token, line);
    if (!lineHasChars) {
      if (paragraphPending) AddTagged("<P>", line);
      paragraphPending = false;
    }
    if (storyText) {
      AddTagged("<BR>", line);
      paragraphPending = true;
    }
    token.clear();
    lineHasChars = inTag = storyText = inQuotes = false;
    ++line;
  };
  // Bytes that change the state; every other byte only joins the token.
  static constexpr auto kSpecial = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : {'\n', '\r', '"', '<', '>'}) t[c] = true;
    return t;
  }();
  for (size_t i = 0; i < text.size(); ++i) {
    if (!kSpecial[static_cast<unsigned char>(text[i])]) {
      size_t end = i + 1;
      while (end < text.size() && !kSpecial[static_cast<unsigned char>(text[end])]) ++end;
      token.append(text.data() + i, end - i);
      lineHasChars = true;
      if (!inTag) storyText = true;
      i = end - 1;
      continue;
    }
    const char c = text[i];
    if (const size_t end = LineEndAt(text, i)) {
      endLine();
      i += end - 1;
      continue;
    }
    if (c == '"') inQuotes = !inQuotes;
    if (c == '<' && !inQuotes) {
      if (!token.empty()) AddTagged(token, line);
      token.clear();
      inTag = true;
    }
    token += c;
    lineHasChars = true;
    if (!inTag) storyText = true;
    if (c == '>' && !inQuotes) {
      AddTagged(token, line);
      token.clear();
      inTag = false;
    }
  }
  // A last line without a line break still counts.
  if (lineHasChars) endLine();
}

Bytes TCodeRed::PositionString() const {
  TSlist fields;
  fields.PushString(ScriptName);
  fields.PushInteger(Position);
  return fields.CommaText();
}

void TCodeRed::RestorePosition(std::string_view text) {
  TSlist fields;
  fields.SetCommaText(text);
  const Bytes name = fields.PopString();
  if (name.empty()) return;
  Load(name);
  const int32_t position = fields.PopInteger();
  if (position < 0)
    throw DataError("the saved position " + IntToStr(position) + " in " + ToUtf8(name) +
                    " is not a script position");
  Position = position;
}

}  // namespace vantel
