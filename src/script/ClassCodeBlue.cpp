#include "script/ClassCodeBlue.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>
#include <vector>

#include "data/FuncFile.h"
#include "script/BoundedLog.h"
#include "shell/ClassGlobal.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

// ---- The global state ------------------------------------------------------
// Everything the interpreter tells the rest of the program besides actions
// and sound goes through these two calls.

// The debugger's view of the token being run.
void ShowInDebugger(const Bytes& codeText, int32_t line) {
  if (!Global) return;
  Global->CodeText = codeText;
  Global->LineNo = line;
  Global->UpdateDebugInfo();
}

// A script error line for the debugger's message box.
void LogToDebugger(const Bytes& line) {
  if (Global) Global->AppendLog(line);
}

// ---- The command table -----------------------------------------------------

struct CommandEntry {
  std::string_view name;
  CommandKind kind;
};

constexpr std::array kCommands = {
    CommandEntry{"*background", CommandKind::Action},
    CommandEntry{"*layer", CommandKind::Action},
    CommandEntry{"*bustup", CommandKind::Action},
    CommandEntry{"*whiteout", CommandKind::Action},
    CommandEntry{"*wipe", CommandKind::Action},
    CommandEntry{"*k", CommandKind::Action},
    CommandEntry{"*wait", CommandKind::Action},
    CommandEntry{"*box", CommandKind::Action},
    CommandEntry{"*p", CommandKind::Action},
    CommandEntry{"*clear", CommandKind::Action},
    CommandEntry{"*end", CommandKind::Action},
    CommandEntry{"*scroll", CommandKind::Action},
    CommandEntry{"*br", CommandKind::TextMarkup},
    CommandEntry{"*/font", CommandKind::TextMarkup},
    CommandEntry{"*/r", CommandKind::TextMarkup},
    CommandEntry{"*font", CommandKind::TextMarkup},
    CommandEntry{"*r", CommandKind::TextMarkup},
    CommandEntry{"*a", CommandKind::Jump},
    CommandEntry{"*marker", CommandKind::Nothing},
    CommandEntry{"*!", CommandKind::Nothing},
    CommandEntry{"*bgm", CommandKind::Sound},
    CommandEntry{"*se", CommandKind::Sound},
    CommandEntry{"*calc", CommandKind::Nothing},
    CommandEntry{"*movie", CommandKind::Nothing},
    CommandEntry{"*starttimer", CommandKind::Nothing},
};

// More jumps than any story makes between two actions.
constexpr int kMaxJumpsPerStep = 10000;
// More scripts than any story loads between two actions: each load reads
// and cuts a whole script, so a loop through a jump to a script (itself,
// or two scripts jumping to each other) is caught long before the cap on
// jumps.
constexpr int kMaxLoadsPerStep = 100;
// Nor does a step load more text than this: a small file that unpacks to
// the largest script, jumping to itself, would otherwise cost seconds in
// its hundred loads before the cap on loads caught it.
constexpr size_t kMaxLoadedPerStep = size_t{64} << 20;
// More tokens than any story runs between two actions beyond one pass
// through its script, and more text than any page gathers: a loop with long
// rounds, or one that gathers text round after round, is caught long before
// its jumps reach their cap (each round may be the whole script).
constexpr int kMaxRevisitsPerStep = 50000;
constexpr size_t kMaxGatheredText = size_t{1} << 20;

// The debugger shows the code line only when it is shorter than this, so no
// more of it is ever built.
constexpr size_t kCodeTextShown = 100;

// The value a label is compared with: the token's name attribute,
// lower-cased, or a lone 0x08 byte when it has none.
const char kNoName[] = "\x08";

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The attribute read as an integer (`fallback` when it is not one) times
// `num` div 100, truncated towards zero.
Bytes Percent(std::string_view text, int32_t fallback, int32_t num) {
  int32_t v;
  if (!TryStrToInt(text, v)) v = fallback;
  return IntToStr(Saturate(int64_t{v} * num / 100));
}

// Position of the first `c` that is a character of its own (a trail byte of
// a double-byte character may be '{' or '}'), or npos.
size_t FindChar(std::string_view text, char c) {
  for (size_t i = 0; i < text.size(); i += CharLength(text, i))
    if (text[i] == c && CharLength(text, i) == 1) return i;
  return std::string_view::npos;
}

}  // namespace

std::optional<CommandKind> FindCommand(std::string_view command) {
  for (const CommandEntry& e : kCommands)
    if (e.name == command) return e.kind;
  return std::nullopt;
}

JumpTarget SplitHref(std::string_view href) {
  const size_t hash = href.find('#');  // '#' is never a trail byte
  if (hash == std::string_view::npos) return {Bytes(href), Bytes()};
  return {Bytes(href.substr(0, hash)), Bytes(href.substr(hash + 1))};
}

int32_t TimeTimes100(std::string_view text, int32_t fallback) {
  int32_t v;
  if (!TryStrToInt(text, v)) v = fallback;
  return Saturate(int64_t{v} * 100);
}

// ---- Parsing ---------------------------------------------------------------

bool TCodeBlue::ParseToken(std::string_view token) {
  if (token.empty()) return false;
  if (token[0] != '<') {
    Command = Substitute(token);
    return true;
  }
  std::vector<Bytes>& words = words_;
  words.clear();
  std::string_view body = token.size() >= 2 ? token.substr(1, token.size() - 2) : "";
  Bytes word;
  bool quoted = false;  // the current word has a quoted part, so it counts even when empty
  bool inQuotes = false;
  auto store = [&] {
    if (!word.empty() || quoted) words.push_back(word);
    word.clear();
    quoted = false;
  };
  for (char c : body) {
    if (c == '"') {
      inQuotes = !inQuotes;
      quoted = true;
    } else if (inQuotes) {
      word += c;
    } else if (c == ' ' || c == '\t') {
      store();
    } else if (c == '=') {
      word = LowerCase(word);
      store();
      words.push_back("=");
    } else {
      word += c;
    }
  }
  store();
  words.push_back(Bytes());
  words.push_back(Bytes());

  Command = "*" + LowerCase(words[0]);
  AttrNames.Clear();
  AttrValues.Clear();
  const size_t n = words.size();
  for (size_t i = 1; i + 2 < n;) {
    AttrNames.Add(LowerCase(words[i]));
    if (words[i + 1] == "=") {
      AttrValues.Add(Substitute(words[i + 2]));
      i += 3;
    } else {
      AttrValues.Add(Bytes());
      i += 1;
    }
  }
  return true;
}

Bytes TCodeBlue::Attr(std::string_view name, std::string_view fallback) const {
  for (int i = 0; i < AttrNames.Count(); ++i)
    if (AttrNames[i] == name) return AttrValues[i].empty() ? Bytes(fallback) : AttrValues[i];
  return Bytes(fallback);
}

Bytes TCodeBlue::Substitute(std::string_view text) {
  // Most text has no brace byte at all.
  if (text.find('{') == std::string_view::npos || text.find('}') == std::string_view::npos)
    return Bytes(text);
  Bytes out(text);
  for (;;) {
    const size_t p = FindChar(out, '{');
    const size_t q = FindChar(out, '}');
    if (p == Bytes::npos || q == Bytes::npos || q < p) break;
    const Bytes name = out.substr(p + 1, q - p - 1);
    if (!quiet_) ReportError(Sjis("変数<") + name + Sjis(">は未定義．"));
    out.replace(p, q - p + 1, name);
  }
  return out;
}

void TCodeBlue::ReportError(const Bytes& message) {
  ReportErrorAt(Position >= 0 && Position < Count() ? Tag(Position) : CurrentLine, message);
}

void TCodeBlue::ReportErrorAt(int32_t line, const Bytes& message) {
  const Bytes entry = IntToStr(line) + message;
  AddLogLine(Errors, entry);
  LogToDebugger(entry);
}

// ---- Execution -------------------------------------------------------------

void TCodeBlue::BuildAction() {
  Action.Clear();
  auto add = [&](Bytes field) { Action.Add(std::move(field)); };
  auto addText = [&] {
    // Every element was added as CR LF + element, so the first line is empty.
    if (TextBuffer.empty()) return;
    size_t start = 0;
    for (;;) {
      const size_t at = TextBuffer.find("\r\n", start);
      add(TextBuffer.substr(start, at == Bytes::npos ? Bytes::npos : at - start));
      if (at == Bytes::npos) break;
      start = at + 2;
    }
    TextBuffer.clear();
    shown_.clear();
  };
  if (Command == "*background") {
    add("flat"), add("background"), add("on"), add(LowerCase(Attr("src", "")));
    add(Attr("top", "0")), add(Attr("left", "0")), add("100");
  } else if (Command == "*layer") {
    add("flat"), add("layer" + Attr("num", "2")), add(Attr("mode", "on"));
    add(LowerCase(Attr("src", ""))), add("0"), add("0");
    add(Percent(Attr("transparent", "100"), 100, 255));
  } else if (Command == "*bustup") {
    add("flat"), add(Attr("align", "")), add(Attr("mode", "on"));
    add(LowerCase(Attr("name", "")) + "_" + LowerCase(Attr("face", "")));
    add("bottom"), add(Attr("left", "align")), add("255");
  } else if (Command == "*whiteout") {
    add("white"), add(IntToStr(TimeTimes100(Attr("time", "1"), 1)));
  } else if (Command == "*wipe") {
    add("wipe"), add(LowerCase(Attr("effect", "normal")));
    add(IntToStr(TimeTimes100(Attr("time", "10"), 10)));
  } else if (Command == "*k") {
    add("key"), add(Attr("time", "-1")), addText();
  } else if (Command == "*wait") {
    add("wait"), add(Attr("time", "0")), addText();
  } else if (Command == "*box") {
    add("box"), add(Attr("type", "0")), add(IntToStr(ColorOf(Attr("color", ""))));
    add(Percent(Attr("transparent", "50"), 50, 256));
  } else if (Command == "*p") {
    add("pagefeed");
  } else if (Command == "*clear") {
    add("clear");
  } else if (Command == "*end") {
    add("end");
  } else if (Command == "*scroll") {
    add("scroll");
  }
}

std::optional<SoundRequest> TCodeBlue::SoundRequestOf() const {
  const Bytes src = LowerCase(Attr("src", ""));
  const Bytes mode = LowerCase(Attr("mode", ""));
  const Bytes option = LowerCase(Attr("option", ""));
  const int32_t time = TimeTimes100(LowerCase(Attr("time", "20")), 20);
  const int32_t repeat = option == "random" ? -1 : option == "loop" ? 0 : 1;
  SoundRequest r;
  r.channel = Command == "*bgm" ? 0 : 1;
  if (mode == "off") {
    r.kind = kSoundStop;
  } else if (mode == "fadeout") {
    r.kind = kSoundFadeOut, r.value = time;
  } else if (mode == "on") {
    r.kind = kSoundPlay, r.name = src, r.loops = repeat;
  } else if (mode == "fadein") {
    r.kind = kSoundFadeIn, r.name = src, r.value = time, r.loops = repeat;
  } else {
    return std::nullopt;
  }
  return r;
}

void TCodeBlue::BuildLabelIndex() {
  labels_.clear();
  firstTag_ = Count();
  // Parsing replaces the current command's fields, which the caller may
  // still need; a reference met on the way is reported when its own token
  // runs, not here.
  const Bytes command = Command;
  const TSlist names = AttrNames, values = AttrValues;
  quiet_ = true;
  for (int i = 0; i < Count(); ++i) {
    const Bytes& token = Strings(i);
    if (token.empty() || token[0] != '<') continue;
    firstTag_ = std::min(firstTag_, i);
    ParseToken(token);
    labels_.emplace(LowerCase(Attr("name", kNoName)), i);  // the first one stays
  }
  quiet_ = false;
  Command = command;
  AttrNames = names;
  AttrValues = values;
  labelsFor_ = TokensVersion;
  labelsCount_ = Count();
}

int TCodeBlue::FindLabel(std::string_view label) {
  if (labelsFor_ != TokensVersion || labelsCount_ != Count()) BuildLabelIndex();
  // A scan from the first token would compare story text before the first
  // tag with the fields of the tag parsed last, the one being run: a jump
  // whose own name is its label lands on the first token.
  if (firstTag_ > 0 && LowerCase(Attr("name", kNoName)) == label) return 0;
  const auto it = labels_.find(Bytes(label));
  return it == labels_.end() ? -1 : it->second;
}

void TCodeBlue::Jump() {
  const JumpTarget target = SplitHref(Attr("href", ""));
  if (!target.file.empty()) {
    // Load leaves Position at 0 and the step's advance moves it on, so a jump
    // to a script without a (found) label resumes at its second token: scripts
    // written for this player rely on their first token being passed over.
    Load(target.file);
  }
  if (!target.label.empty()) {
    const int at = FindLabel(target.label);
    if (at >= 0) Position = at;
  }
}

void TCodeBlue::AddToTextBuffer(const Bytes& element) {
  TextBuffer += "\r\n";
  TextBuffer += element;
  if (shown_.size() < kCodeTextShown) shown_.append(element, 0, kCodeTextShown - shown_.size());
}

Bytes TCodeBlue::Step() {
  Bytes result;
  TextBuffer.clear();
  shown_.clear();
  if (Position < 0) Position = 0;
  int jumps = 0, loads = 0, tokens = 0;
  size_t loaded = 0;  // bytes of script text this step's jumps loaded
  Bytes lastJump;     // where this step's last jump went, and from which line
  int32_t lastJumpLine = 0;
  while (result.empty() && Count() > 0 && Position < Count()) {
    if (++tokens > Count() + kMaxRevisitsPerStep || TextBuffer.size() > kMaxGatheredText) {
      if (lastJump.empty())
        ReportError(Sjis("テキストが長すぎます."));
      else
        ReportErrorAt(lastJumpLine, Sjis("ジャンプが無限ループです<") + lastJump + ">.");
      Position = Count();
      return result;
    }
    CurrentLine = Tag(Position);
    // Only a jump replaces the tokens, and the token is not used after that.
    const Bytes& token = Strings(Position);
    if (!ParseToken(token)) {
      ++Position;
      continue;
    }
    if (DebugMode && Global) {
      // The text gathered so far, without its line breaks, then the token;
      // built only as far as the debugger can show it.
      Bytes code = shown_;
      code.append(token, 0, kCodeTextShown - code.size());
      ShowInDebugger(code, CurrentLine);
    }
    Action.Clear();
    if (!Command.empty() && Command[0] == '*') {
      const std::optional<CommandKind> kind = FindCommand(Command);
      if (!kind) {
        ReportError(Sjis("不明なコマンド<") + Command + Sjis(">です."));
      } else {
        switch (*kind) {
          case CommandKind::Action:
            BuildAction();
            result = Action.Text();
            break;
          case CommandKind::TextMarkup:
            if (Command == "*font")
              AddToTextBuffer("*font,color," + Attr("color", ""));
            else if (Command == "*r")
              AddToTextBuffer("*r,text," + Attr("text", Attr("alt", "")));
            else
              AddToTextBuffer(Command);
            break;
          case CommandKind::Jump: {
            // Jumps that never reach an action would hang the story: such a
            // loop is reported once and ends the script.
            const bool load = !SplitHref(Attr("href", "")).file.empty();
            if (++jumps > kMaxJumpsPerStep ||
                (load && (++loads > kMaxLoadsPerStep || loaded > kMaxLoadedPerStep))) {
              ReportError(Sjis("ジャンプが無限ループです<") + Attr("href", "") + ">.");
              Position = Count();
              return result;
            }
            lastJump = Attr("href", "");
            lastJumpLine = CurrentLine;
            Jump();
            if (load) loaded += LoadedLength;
            break;
          }
          case CommandKind::Sound:
            if (const auto r = SoundRequestOf(); r && SoundSources[r->channel])
              PostSound(r->channel, r->kind, r->name, r->value, r->loops);
            break;
          case CommandKind::Nothing:
            break;
        }
      }
    } else {
      AddToTextBuffer(Command);
    }
    ++Position;
  }
  return result;
}

}  // namespace vantel
