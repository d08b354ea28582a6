#include "script/ScriptLint.h"

#include <algorithm>
#include <cstdlib>
#include <list>
#include <optional>
#include <set>

#include "base/Errors.h"
#include "base/Paths.h"
#include "base/SourceText.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "script/ClassCodeBlue.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

std::string U(std::string_view cp932) {
  return ToUtf8(cp932);
}

std::string Quoted(std::string_view cp932) {
  return "\"" + U(cp932) + "\"";
}

// The tags of the story scene's layers, as the layer action compares them.
bool IsLayerTag(std::string_view tag) {
  static const std::set<std::string_view> kTags = {"background", "layer1", "left",   "center",
                                                   "right",      "align4", "layer2", "layer3"};
  return kTags.count(tag) > 0;
}

// The message text layer's colour until a <font color=...> changes it.
constexpr int32_t kDefaultTextColour = 0xFFFFFF;

// Story text that shows nothing whatever its colour.
bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A colour name or #RRGGBB with six hexadecimal digits.
bool IsColour(std::string_view text) {
  if (text.size() == 7 && text[0] == '#') {
    for (size_t i = 1; i < 7; ++i)
      if (!IsHexDigit(text[i])) return false;
    return true;
  }
  return text.size() > 0 && text[0] != '#' && ColorOf(text) >= 0;
}

// The picture loader's name: extension removed, lower-cased.
Bytes PictureStem(std::string_view name) {
  const size_t dot = name.rfind('.');  // '.' is never a trail byte
  return LowerCase(dot == std::string_view::npos ? name : name.substr(0, dot));
}

// One script read for checking.
struct Script {
  Bytes name;
  mutable TCodeBlue code;  // its tokens; its label search serves jumps into it
  std::string error;       // why it could not be read (it then has no tokens)
  std::string File() const { return U(name) + ".vxs"; }
};
using ScriptPtr = std::shared_ptr<const Script>;

// The scripts being looked at: the one checked (its caller holds it) and the
// few most recently reached through jumps. Everything else is read again
// when it is needed, so no more than a handful of texts is ever held.
class ScriptCache {
 public:
  explicit ScriptCache(const ScriptLint& lint) : lint_(lint) {}
  // The script's tokens, or null when there is no such script. A script
  // that cannot be read has no tokens here; checking it says why.
  ScriptPtr Get(const Bytes& name) {
    for (auto it = recent_.begin(); it != recent_.end(); ++it) {
      if ((*it)->name != name) continue;
      recent_.splice(recent_.begin(), recent_, it);
      return recent_.front();
    }
    if (!lint_.HasScript(name)) return nullptr;
    auto s = std::make_shared<Script>();
    s->name = name;
    try {
      s->code.Tokenize(lint_.ScriptText(name));
    } catch (const Error& e) {
      s->error = e.what();
    }
    recent_.push_front(s);
    if (recent_.size() > kKept) recent_.pop_back();
    return s;
  }

 private:
  static constexpr size_t kKept = 3;
  const ScriptLint& lint_;
  std::list<ScriptPtr> recent_;
};

class Checker {
 public:
  Checker(ScriptCache& scripts, const ResourceShelf* images, const ResourceShelf* sounds,
          std::vector<LintFinding>& out)
      : scripts_(scripts), images_(images), sounds_(sounds), out_(out) {}

  void Check(const ScriptPtr& scriptPtr) {
    const Script& script = *scriptPtr;
    TCodeBlue c;
    c.ScriptName = script.name;
    for (int i = 0; i < script.code.Count(); ++i) c.AddTagged(script.code[i], script.code.Tag(i));
    std::map<Bytes, int32_t> markers;  // name -> line of its first marker
    file_ = script.File();
    const size_t first = out_.size();
    colour_ = kDefaultTextColour;
    fontEnd_.reset();
    for (int i = 0; i < c.Count(); ++i) {
      const Bytes token = c[i];
      line_ = c.Tag(i);
      // Tokens of the same text before this one on its line.
      sameBefore_ = 0;
      for (int j = i - 1; j >= 0 && c.Tag(j) == line_; --j) sameBefore_ += c[j] == token;
      token_ = token;
      c.Position = i;
      c.CurrentLine = line_;
      c.Errors.Clear();
      if (token[0] == '<' && token.back() != '>')
        Report(UnclosedTagMessage(token));
      c.ParseToken(token);
      // Interpreter errors ({name} references), without their line prefix.
      const Bytes prefix = IntToStr(line_);
      for (int e = 0; e < c.Errors.Count(); ++e) Report(U(c.Errors[e].substr(prefix.size())));
      TrackColour(c, token);
      if (c.Command.empty() || c.Command[0] != '*') continue;
      const auto kind = FindCommand(c.Command);
      if (token[0] != '<') {
        Report("story text " + Quoted(token) + " starts with '*' and is read as the command <" +
               U(c.Command.substr(1)) + ">" + (kind ? "" : ", which does not exist"));
        continue;
      }
      if (!kind) {
        Report("unknown command <" + U(c.Command.substr(1)) + ">");
        continue;
      }
      switch (*kind) {
        case CommandKind::Action:
          CheckAction(c);
          break;
        case CommandKind::TextMarkup:
          if (c.Command == "*font") CheckColour(c, "font");
          if (c.Command == "*r" && c.Attr("text", c.Attr("alt", "")).empty())
            Report("ruby without text or alt");
          break;
        case CommandKind::Jump:
          CheckJump(c, scriptPtr, i);
          break;
        case CommandKind::Sound:
          CheckSound(c);
          break;
        case CommandKind::Nothing:
          if (c.Command == "*marker") {
            const Bytes name = LowerCase(c.Attr("name", ""));
            if (name.empty()) {
              Report("a marker without a name");
            } else if (auto [at, added] = markers.emplace(name, line_); !added) {
              Report("the marker " + Quoted(name) + " repeats the one on line " +
                     std::to_string(at->second) + "; jumps land on the first");
            }
          }
          break;
      }
    }
    token_.clear();
    sameBefore_ = 0;
    if (fontEnd_) {
      line_ = fontEnd_->line;
      Report("</font> does not end the colour " + Quoted(fontEnd_->colour) +
             ", which carries on past the end of the script; set the colour back with <font "
             "color=white>");
    }
    // A </font> is reported when the text after it is met.
    std::stable_sort(out_.begin() + std::ptrdiff_t(first), out_.end(),
                     [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
  }

 private:
  void Report(std::string message) {
    out_.push_back({file_, line_, std::move(message), token_, sameBefore_});
  }

  // </font> changes nothing in the player: the colour of the last <font
  // color=...> stays until another one. A </font> while a colour other than
  // the default is in effect, followed by story text (or the end of the
  // script) before the next <font color=...>, is written as if it ended
  // the colour.
  void TrackColour(const TCodeBlue& c, const Bytes& token) {
    if (token[0] != '<') {
      if (!fontEnd_ || c.Command.empty() || c.Command[0] == '*' || IsBlank(c.Command)) return;
      const int32_t textLine = line_;
      line_ = fontEnd_->line;
      const Bytes token = std::move(token_);
      token_ = "</font>";
      sameBefore_ = 0;
      Report("</font> does not end the colour " + Quoted(fontEnd_->colour) +
             ": the story text after it (line " + std::to_string(textLine) +
             ") stays in that colour; set the colour back with <font color=white>");
      line_ = textLine;
      token_ = token;
      fontEnd_.reset();
    } else if (c.Command == "*font") {
      const Bytes colour = c.Attr("color", "");
      colour_ = ColorOf(colour);
      colourName_ = colour;
      fontEnd_.reset();
    } else if (c.Command == "*/font" && !fontEnd_ && colour_ != kDefaultTextColour &&
               colour_ >= 0) {  // no colour (-1) is drawn white too
      fontEnd_ = FontEnd{line_, colourName_};
    }
  }

  // An integer attribute that falls back to a default when it is not one.
  void CheckInteger(const TCodeBlue& c, const char* attr, const char* fallback) {
    const Bytes v = c.Attr(attr, "");
    int32_t n;
    if (!v.empty() && !TryStrToInt(v, n))
      Report(std::string(attr) + "=" + Quoted(v) + " is not a whole number; " + fallback +
             " is used");
  }

  void CheckColour(const TCodeBlue& c, const char* what) {
    const Bytes v = c.Attr("color", "");
    if (!v.empty() && !IsColour(v))
      Report(std::string("the ") + what + " colour " + Quoted(v) +
             " is neither a colour name nor #RRGGBB");
  }

  void CheckPicture(const Bytes& name) {
    if (!images_) return;
    if (ColorOf(name) >= 0) {
      if (!IsColour(name)) Report("the picture " + Quoted(name) + " is a colour with bad digits");
      return;
    }
    const Bytes stem = PictureStem(name);
    if (stem.empty()) {
      Report("the command names no picture");
      return;
    }
    if (!images_->Has(stem + ".jpg") && !images_->Has(stem + ".png"))
      Report("no picture " + Quoted(stem) + " (looked for " + U(stem) + ".jpg and " + U(stem) +
             ".png)");
  }

  void CheckAction(TCodeBlue& c) {
    if (c.Command == "*k" || c.Command == "*wait") {
      CheckInteger(c, "time", c.Command == "*k" ? "-1 (wait for the reader)" : "10");
      return;
    }
    if (c.Command == "*whiteout") return CheckInteger(c, "time", "1");
    if (c.Command == "*wipe") {
      CheckInteger(c, "time", "10");
      static const std::set<std::string_view> kEffects = {"normal", "fade",  "mesh",
                                                          "fall",   "noize", "scan"};
      const Bytes effect = LowerCase(c.Attr("effect", "normal"));
      if (!kEffects.count(effect))
        Report("the effect " + Quoted(effect) +
               " is not known (normal, fade, mesh, fall, noize, scan); a fade is used");
      return;
    }
    if (c.Command == "*box") {
      const Bytes type = c.Attr("type", "0");
      int32_t n;
      if (!TryStrToInt(type, n))
        Report("box type " + Quoted(type) + " is not an integer: the story cannot set up the box");
      else if (n < 0 || n > 7)
        Report("box type " + type + " is outside 0-7");
      CheckInteger(c, "transparent", "50");
      CheckColour(c, "box");
      return;
    }
    if (c.Command == "*layer") CheckInteger(c, "transparent", "100");
    if (c.Command != "*background" && c.Command != "*layer" && c.Command != "*bustup") return;

    c.BuildAction();
    const Bytes tag = c.Action[1], mode = c.Action[2], picture = c.Action[3];
    if (!IsLayerTag(tag)) {
      if (c.Command == "*bustup")
        Report("align=" + Quoted(tag) +
               " names no layer (left, center, right or align4, in lower case): nothing happens");
      else
        Report("num=" + Quoted(c.Attr("num", "2")) +
               " names no layer (1, 2 or 3): nothing happens");
      return;
    }
    if (mode == "off") return;
    if (mode != "on")
      Report("mode=" + Quoted(mode) +
             " is neither on nor off (in lower case): the picture is shown");
    if (c.Command == "*bustup" && (c.Attr("name", "").empty() || c.Attr("face", "").empty())) {
      Report("a bustup needs both name and face");
      return;
    }
    CheckPicture(picture);
  }

  void CheckSound(const TCodeBlue& c) {
    CheckInteger(c, "time", "20");
    const auto request = c.SoundRequestOf();
    if (!request) {
      Report("mode=" + Quoted(c.Attr("mode", "")) +
             " asks for nothing (on, off, fadein or fadeout)");
      return;
    }
    if (request->kind != kSoundPlay && request->kind != kSoundFadeIn) return;
    if (request->name.empty()) {
      Report("the command names no sound");
      return;
    }
    if (!sounds_) return;
    const Bytes file = SoundCommandName(request->name);
    if (request->loops != -1) {
      if (!sounds_->Has(file)) Report("no sound " + U(file));
      return;
    }
    // Random variants start as one of stem1 ... stem5.
    const Bytes stem = SoundNameStem(file);
    if (!sounds_->Has(stem + "1.wav")) {
      Report("no sound " + U(stem) + "1.wav (the first of the random variants of " +
             Quoted(request->name) + ")");
      return;
    }
    std::string missing;
    for (char d = '2'; d <= '5'; ++d)
      if (!sounds_->Has(stem + d + ".wav")) missing += (missing.empty() ? "" : ", ") + U(stem) + d;
    if (!missing.empty())
      Report("random variants missing: " + missing +
             " (a variant that is not there starts silent)");
  }

  // Where execution goes on after the jump `href` at token `index` of
  // `from`: the script and the token index, or a null script when the
  // target script does not exist (the story runs out there).
  struct Landing {
    ScriptPtr script;
    int next;
  };
  Landing Resolve(const ScriptPtr& from, int index, std::string_view href) const {
    const JumpTarget target = SplitHref(href);
    Landing to{from, index + 1};
    if (!target.file.empty()) {
      const Bytes name = ScriptBaseName(target.file);
      ScriptPtr into = name == from->name ? from : scripts_.Get(name);
      if (!into) return {nullptr, 0};
      to = {std::move(into), 1};  // the first token of a script jumped to is passed over
    }
    if (!target.label.empty())
      if (const int at = to.script->code.FindLabel(target.label); at >= 0) to.next = at + 1;
    return to;
  }

  // True when execution from `at` jumps round for ever without reaching a
  // command that hands the story an action.
  bool LoopsForever(Landing at) {
    std::set<std::pair<Bytes, int>> seen;
    while (at.script && at.next < at.script->code.Count()) {
      if (!seen.insert({at.script->name, at.next}).second) return true;
      probe_.ParseToken(at.script->code[at.next]);
      probe_.Errors.Clear();
      const auto kind = FindCommand(probe_.Command);
      if (kind == CommandKind::Action) return false;
      if (kind == CommandKind::Jump && !probe_.Attr("href", "").empty())
        at = Resolve(at.script, at.next, probe_.Attr("href", ""));
      else
        ++at.next;
    }
    return false;
  }

  void CheckJump(TCodeBlue& c, const ScriptPtr& selfPtr, int index) {
    const Script& self = *selfPtr;
    const Bytes href = c.Attr("href", "");
    if (href.empty()) {
      Report("a jump without href does nothing");
      return;
    }
    const JumpTarget target = SplitHref(href);
    ScriptPtr intoPtr = selfPtr;
    if (!target.file.empty()) {
      const Bytes name = ScriptBaseName(target.file);
      intoPtr = name == self.name ? selfPtr : scripts_.Get(name);
      if (!intoPtr) {
        Report("jump to the script " + Quoted(name) + ", which does not exist");
        return;
      }
    }
    const Script* into = intoPtr.get();
    if (LoopsForever(Resolve(selfPtr, index, href)))
      Report("the jump to " + Quoted(href) +
             " loops for ever without reaching a command the story waits for; the player ends "
             "the script there");
    if (target.label.empty()) {
      // The player passes over the first token of a script it jumps to.
      if (into != &self && into->code.Count() > 0) {
        probe_.ParseToken(into->code[0]);
        const Bytes& c = probe_.Command;
        if (c != "*!" && c != "*marker" && c != "*calc" && c != "*movie" && c != "*starttimer")
          Report("the jump to " + Quoted(href) + " passes over the first token of " + into->File() +
                 ", " + Quoted(into->code[0]) + "; start that script with a comment <!>");
      }
      return;
    }
    const int at = into->code.FindLabel(target.label);
    const std::string where = into == &self ? "" : " in " + into->File();
    if (at >= 0) {
      probe_.ParseToken(into->code[at]);
      if (probe_.Command != "*marker")
        Report("the label " + Quoted(target.label) + " lands on " + Quoted(into->code[at]) +
               " (line " + std::to_string(into->code.Tag(at)) + where + "), not on a marker");
      return;
    }
    const int folded = into->code.FindLabel(LowerCase(target.label));
    if (folded >= 0)
      Report("the label " + Quoted(target.label) + " can never match: labels are compared with " +
             "lower-cased marker names, so write " + Quoted(LowerCase(target.label)) + " (line " +
             std::to_string(into->code.Tag(folded)) + where + ")");
    else
      Report("no label " + Quoted(target.label) + (where.empty() ? "" : where) +
             "; the story goes on " + (into == &self ? "after the jump" : "from its second token"));
  }

  ScriptCache& scripts_;
  const ResourceShelf* images_;
  const ResourceShelf* sounds_;
  std::vector<LintFinding>& out_;
  std::string file_;
  int32_t line_ = 0;
  Bytes token_;  // the token being checked
  int32_t sameBefore_ = 0;
  // The text colour a <font color=...> set, and the first </font> after it
  // that has not been followed by story text yet.
  int32_t colour_ = kDefaultTextColour;
  Bytes colourName_;
  struct FontEnd {
    int32_t line;
    Bytes colour;
  };
  std::optional<FontEnd> fontEnd_;
  TCodeBlue probe_;  // parses tokens met while following jumps; its reports are ignored
};

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

bool HasVxsExtension(std::string_view name) {
  return name.size() > 4 && SameText(name.substr(name.size() - 4), ".vxs");
}

// The archive's scripts, read when each is checked.
void AddFromArchive(ScriptLint& lint, const std::string& path) {
  TArchive archive(path);
  for (const TArchive::Entry& e : archive.Entries())
    if (HasVxsExtension(e.name) && archive.EntryOffset(e.name) == e.offset)
      lint.AddStored(e.name, path, e.name);
}

// The .vxs files of a directory; `skip` names those already added.
void AddFromDirectory(ScriptLint& lint, const std::string& dir, const std::set<Bytes>& skip) {
  for (const std::string& file : ListDirectory(dir)) {
    if (!HasVxsExtension(file) || !FileExists(dir + file)) continue;
    const Bytes name = ScriptBaseName(FromUtf8(file));
    if (skip.count(name)) continue;
    // As the player reads it: packed, UTF-8 or code page 932.
    lint.AddFile(name, dir + file);
  }
}

}  // namespace

std::string UnclosedTagMessage(std::string_view token) {
  return "the tag " + Quoted(token) + " is not closed on its line";
}

std::string FormatFinding(const LintFinding& f) {
  return f.script + ":" + std::to_string(f.line) + ": " + f.message;
}

ResourceShelf::ResourceShelf(const std::string& archivePath, std::string looseDir)
    : looseDir_(std::move(looseDir)) {
  if (!archivePath.empty() && FileExists(archivePath)) {
    archive_ = std::make_unique<TArchive>(archivePath);
    archive_->SetLooseDir(looseDir_);
  }
}

ResourceShelf::~ResourceShelf() = default;

bool ResourceShelf::Has(const Bytes& name) const {
  if (archive_ && archive_->IndexOf(name) >= 0) return true;
  if (looseDir_.empty()) return false;
  const auto path = DataPath(looseDir_, name);
  return path && FileExists(*path);
}

bool ResourceShelf::Usable() const {
  return archive_ || (!looseDir_.empty() && DirectoryExists(looseDir_));
}

std::vector<Bytes> ResourceShelf::Names() const {
  std::set<Bytes> names;
  if (archive_)
    for (const TArchive::Entry& e : archive_->Entries()) names.insert(e.name);
  if (!looseDir_.empty())
    for (const std::string& file : ListDirectory(looseDir_)) names.insert(LowerCase(FromUtf8(file)));
  return {names.begin(), names.end()};
}

std::string ResourceShelf::Describe() const {
  std::string s;
  if (archive_) s = archive_->Path();
  if (!looseDir_.empty() && DirectoryExists(looseDir_)) s += (s.empty() ? "" : " and ") + looseDir_;
  return s;
}

struct ScriptLint::Source {
  bool inMemory = false;
  Bytes text;                        // in memory
  std::shared_ptr<TArchive> archive; // or an archive's entry
  Bytes entry;
  std::string file;  // or a loose file
};

ScriptLint::ScriptLint() = default;
ScriptLint::~ScriptLint() = default;

void ScriptLint::AddScript(std::string_view name, std::string_view text) {
  auto s = std::make_shared<Source>();
  s->inMemory = true;
  s->text = Bytes(text);
  sources_[ScriptBaseName(name)] = std::move(s);
}

void ScriptLint::AddStored(std::string_view name, const std::string& archivePath,
                           const Bytes& entry) {
  // One archive object serves all its entries.
  std::shared_ptr<TArchive> archive;
  for (const auto& [n, s] : sources_)
    if (s->archive && s->archive->Path() == archivePath) archive = s->archive;
  if (!archive) archive = std::make_shared<TArchive>(archivePath);
  auto s = std::make_shared<Source>();
  s->archive = std::move(archive);
  s->entry = entry;
  sources_[ScriptBaseName(name)] = std::move(s);
}

void ScriptLint::AddFile(std::string_view name, const std::string& file) {
  auto s = std::make_shared<Source>();
  s->file = file;
  sources_[ScriptBaseName(name)] = std::move(s);
}

bool ScriptLint::HasScript(std::string_view name) const {
  return sources_.count(Bytes(name)) > 0;
}

std::vector<Bytes> ScriptLint::ScriptNames() const {
  std::vector<Bytes> names;
  for (const auto& [name, s] : sources_) names.push_back(name);
  return names;
}

Bytes ScriptLint::ScriptText(std::string_view name) const {
  auto it = sources_.find(Bytes(name));
  if (it == sources_.end()) return Bytes();
  const Source& s = *it->second;
  if (s.inMemory) return s.text;
  if (s.archive) return s.archive->ReadText(s.entry);
  return ReadScriptFile(s.file);
}

namespace {

// A script that cannot be read: one finding, on the line the reader named
// ("file:line: ...") or the first.
LintFinding Unreadable(const Bytes& name, const std::string& what) {
  LintFinding f{U(name) + ".vxs", 1, what, {}, 0};
  const size_t colon = what.find(':');
  if (colon != std::string::npos) {
    size_t end = colon + 1;
    while (end < what.size() && what[end] >= '0' && what[end] <= '9') ++end;
    if (end > colon + 1 && end + 1 < what.size() && what[end] == ':' && what[end + 1] == ' ') {
      f.line = std::max(1, std::atoi(what.c_str() + colon + 1));
      f.message = what.substr(end + 2);
    }
  }
  return f;
}

}  // namespace

void ScriptLint::Run(const std::function<void(std::vector<LintFinding>&)>& each) const {
  std::vector<LintFinding> out;
  for (const auto& [name, source] : sources_) {
    (void)source;
    out.clear();
    // A cache of its own for each script: the one checked and the few its
    // jumps reach are all that is held.
    ScriptCache cache(*this);
    Checker checker(cache, Images, Sounds, out);
    const ScriptPtr s = cache.Get(name);
    if (s->error.empty())
      checker.Check(s);
    else
      out.push_back(Unreadable(name, s->error));
    each(out);
  }
}

std::vector<LintFinding> ScriptLint::Run() const {
  std::vector<LintFinding> all;
  Run([&all](std::vector<LintFinding>& some) {
    for (LintFinding& f : some) all.push_back(std::move(f));
  });
  return all;
}

std::vector<LintFinding> ScriptLint::Check(std::string_view name) const {
  const Bytes base = ScriptBaseName(name);
  std::vector<LintFinding> out;
  ScriptCache cache(*this);
  Checker checker(cache, Images, Sounds, out);
  const ScriptPtr s = cache.Get(base);
  if (!s) return out;
  if (!s->error.empty()) return {Unreadable(base, s->error)};
  checker.Check(s);
  return out;
}

void AddScriptsFrom(ScriptLint& lint, const std::string& path) {
  if (FileExists(path)) return AddFromArchive(lint, path);
  if (!DirectoryExists(path)) throw FileError("no script archive or directory " + path);
  const std::string dir = WithSlash(path);
  if (FileExists(dir + "script.chs")) {
    // A game directory: the archive first, then the loose scripts it lacks.
    AddFromArchive(lint, dir + "script.chs");
    std::set<Bytes> have;
    TArchive archive(dir + "script.chs");
    for (const auto& e : archive.Entries())
      if (HasVxsExtension(e.name)) have.insert(ScriptBaseName(e.name));
    AddFromDirectory(lint, dir + "script/", have);
    return;
  }
  if (DirectoryExists(dir + "script/")) {
    // A game directory whose scripts are all loose, as the player reads them.
    AddFromDirectory(lint, dir + "script/", {});
    return;
  }
  AddFromDirectory(lint, dir, {});
}

Bytes ScriptTextFromFile(std::string_view bytes, const std::string& name) {
  return SourceToCp932(bytes, name);
}

}  // namespace vantel
