#include "tools/lsp/LspServer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "base/Errors.h"
#include "base/Paths.h"
#include "base/SourceText.h"
#include "script/ClassCodeBlue.h"
#include "script/ScriptLint.h"
#include "sound/FuncSound.h"

namespace vantel::lsp {
namespace {

namespace fs = std::filesystem;

// JSON-RPC error codes.
constexpr int kParseError = -32700, kInvalidRequest = -32600, kMethodNotFound = -32601,
              kInvalidParams = -32602, kNotInitialized = -32002;

// ---- What the commands do, for completion and hover -----------------------------

struct AttrDoc {
  const char* name;
  const char* fallback;  // the default as the player takes it
  const char* values;    // the values it takes, when there are few
};
struct CommandDoc {
  const char* name;
  const char* about;
  std::vector<AttrDoc> attrs;
};

const std::vector<CommandDoc>& Commands() {
  static const std::vector<CommandDoc> commands = {
      {"background", "Shows a picture, or a colour name or #RRGGBB, as the background; a <wipe> brings it on screen.",
       {{"src", "empty", ""}, {"top", "0", ""}, {"left", "0", ""}}},
      {"layer", "Puts a picture on overlay layer 1 (behind the figures), 2 or 3 (in front of them).",
       {{"num", "2", "1, 2, 3"}, {"mode", "on", "on, off"}, {"src", "empty", ""},
        {"transparent", "100", "opacity in percent"}}},
      {"bustup", "Shows the figure picture name_face at a place, standing on the bottom edge.",
       {{"align", "empty", "left, center, right, align4"}, {"mode", "on", "on, off"},
        {"name", "empty", ""}, {"face", "empty", ""}, {"left", "align", ""}}},
      {"whiteout", "Flashes the screen white for time tenths of a second.", {{"time", "1", ""}}},
      {"wipe", "Brings what changed on screen with a transition lasting time tenths of a second.",
       {{"effect", "normal", "normal, fade, mesh, fall, noize, scan"}, {"time", "10", ""}}},
      {"k", "Shows the text gathered so far and waits for the reader (or time tenths of a second).",
       {{"time", "-1 (wait for the reader)", ""}}},
      {"wait", "Shows the text gathered so far and goes on after time tenths of a second.",
       {{"time", "0", ""}}},
      {"box", "Sets up the message box: layout BOXtype of textbox.ini, its colour and opacity.",
       {{"type", "0", "0-7"}, {"color", "empty (black)", ""}, {"transparent", "50", "percent"}}},
      {"p", "Starts a new page of text.", {}},
      {"clear", "Hides the message window and clears every picture layer.", {}},
      {"end", "Ends the story.", {}},
      {"scroll", "Ends the chapter with the credits scroll.", {}},
      {"br", "A line break in the story text.", {}},
      {"font", "Colours the text after it until the next <font color=...>; </font> does not end the colour.",
       {{"color", "empty", "a colour name or #RRGGBB"}}},
      {"/font", "Closes a <font>; the colour stays until the next <font color=...>.", {}},
      {"r", "Ruby: small reading text above the characters up to </r>.",
       {{"text", "empty", ""}, {"alt", "empty", ""}}},
      {"/r", "Ends a ruby group.", {}},
      {"a", "Jumps to script#label; without a label to the script's second token, without a script within this one.",
       {{"href", "empty", "script#label"}}},
      {"marker", "A jump target: <a href=\"#name\"> goes on after it (names are compared in lower case).",
       {{"name", "empty", ""}}},
      {"!", "A comment.", {}},
      {"bgm", "Music: plays, fades in, fades out or stops a sound on the music channel.",
       {{"src", "empty", ""}, {"mode", "empty", "on, off, fadein, fadeout"},
        {"option", "empty (once)", "loop, random"}, {"time", "20", "fade in tenths of a second"}}},
      {"se", "Sound effects and voices: plays, fades in, fades out or stops a sound on the effects channel.",
       {{"src", "empty", ""}, {"mode", "empty", "on, off, fadein, fadeout"},
        {"option", "empty (once)", "loop, random"}, {"time", "20", "fade in tenths of a second"}}},
      {"calc", "Kept for older scripts; does nothing.", {}},
      {"movie", "Kept for older scripts; does nothing.", {}},
      {"starttimer", "Kept for older scripts; does nothing.", {}},
  };
  return commands;
}

const CommandDoc* FindDoc(const std::string& name) {
  for (const CommandDoc& c : Commands())
    if (name == c.name) return &c;
  return nullptr;
}

std::string AttrText(const AttrDoc& a) {
  std::string s = std::string(a.name) + " (default " + a.fallback + ")";
  if (*a.values) s += std::string(": ") + a.values;
  return s;
}

std::string HoverText(const CommandDoc& c) {
  std::string s = "<" + std::string(c.name) + "> " + c.about;
  if (!c.attrs.empty()) {
    s += "\n\nAttributes: ";
    for (size_t i = 0; i < c.attrs.size(); ++i) s += (i ? "; " : "") + AttrText(c.attrs[i]);
    s += ".";
  }
  return s;
}

// ---- Paths, URIs and positions --------------------------------------------------

std::string PathOfUri(const std::string& uri) {
  if (uri.rfind("file://", 0) != 0) return std::string();
  std::string path;
  for (size_t i = 7; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
      path += char(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      path += uri[i];
    }
  }
  return path;
}

std::string UriOfPath(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += ch;
    } else {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    }
  }
  return uri;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += text[i];
    }
  }
  return lines;
}

// UTF-16 code units (the protocol's columns) of the first `bytes` bytes of a UTF-8 line.
int Utf16Column(const std::string& line, size_t bytes) {
  int units = 0;
  for (size_t i = 0; i < bytes && i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

// The byte offset of UTF-16 column `column` in a UTF-8 line.
size_t ByteOfColumn(const std::string& line, int column) {
  int units = 0;
  size_t i = 0;
  while (i < line.size() && units < column) {
    const auto c = static_cast<unsigned char>(line[i]);
    units += c >= 0xF0 ? 2 : 1;
    ++i;
    while (i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) ++i;
  }
  return i;
}

Json Position(int line, int column) {
  Json p = Json::Object();
  p.Set("line", line);
  p.Set("character", column);
  return p;
}

Json Range(int line, int from, int to) {
  Json r = Json::Object();
  r.Set("start", Position(line, from));
  r.Set("end", Position(line, to));
  return r;
}

// Where the `sameBefore`+1-th copy of `token` (UTF-8) stands on line `line`
// (0-based); the whole line when it is not found.
Json TokenRange(const std::vector<std::string>& lines, int line, const std::string& token,
                int sameBefore) {
  if (line < 0 || line >= int(lines.size())) return Range(std::max(line, 0), 0, 0);
  const std::string& text = lines[size_t(line)];
  size_t at = token.empty() ? std::string::npos : text.find(token);
  for (int k = 0; k < sameBefore && at != std::string::npos; ++k) at = text.find(token, at + 1);
  if (at == std::string::npos) return Range(line, 0, Utf16Column(text, text.size()));
  return Range(line, Utf16Column(text, at), Utf16Column(text, at + token.size()));
}

// "name:LINE: message" as the source reader words a character it cannot convert.
int LineOfError(const std::string& what) {
  const size_t colon = what.find(':');
  if (colon == std::string::npos) return 1;
  const int n = std::atoi(what.c_str() + colon + 1);
  return n > 0 ? n : 1;
}

// The message without its "name:LINE: " prefix.
std::string WithoutWhere(const std::string& what) {
  const size_t colon = what.find(':');
  if (colon == std::string::npos) return what;
  size_t end = colon + 1;
  while (end < what.size() && what[end] >= '0' && what[end] <= '9') ++end;
  if (end == colon + 1 || what.compare(end, 2, ": ") != 0) return what;
  return what.substr(end + 2);
}

bool IsFolderNamed(const fs::path& dir, const char* name) {
  return SameText(dir.filename().string(), name);
}

// The tag around byte `at` of `line`: [open, close) with open at '<'; false
// when `at` is not inside one.
bool TagAround(const std::string& line, size_t at, size_t& open, size_t& close) {
  const size_t lt = line.rfind('<', at == 0 ? 0 : at - 1);
  if (lt == std::string::npos) return false;
  const size_t gt = line.find('>', lt);
  if (gt != std::string::npos && gt < at) return false;
  open = lt;
  close = gt == std::string::npos ? line.size() : gt + 1;
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The command word of a tag's text (after '<'), lower-cased.
std::string CommandWord(const std::string& tag) {
  size_t end = 1;
  while (end < tag.size() && tag[end] != ' ' && tag[end] != '\t' && tag[end] != '>') ++end;
  return Lower(tag.substr(1, end - 1));
}

// The value of attribute `name` in a tag's text, and where it starts.
bool AttrValue(const std::string& tag, const std::string& name, std::string& value, size_t& at) {
  const std::string lower = Lower(tag);
  size_t from = 0;
  while ((from = lower.find(name, from)) != std::string::npos) {
    const bool wordStart = from > 0 && (lower[from - 1] == ' ' || lower[from - 1] == '\t');
    size_t eq = from + name.size();
    while (eq < lower.size() && lower[eq] == ' ') ++eq;
    if (wordStart && eq < lower.size() && lower[eq] == '=') {
      size_t v = eq + 1;
      while (v < tag.size() && tag[v] == ' ') ++v;
      if (v < tag.size() && tag[v] == '"') {
        const size_t end = tag.find('"', v + 1);
        at = v + 1;
        value = tag.substr(at, (end == std::string::npos ? tag.size() : end) - at);
      } else {
        size_t end = v;
        while (end < tag.size() && tag[end] != ' ' && tag[end] != '>') ++end;
        at = v;
        value = tag.substr(v, end - v);
      }
      return true;
    }
    from += name.size();
  }
  return false;
}

Json Item(const std::string& label, int kind, const std::string& detail,
          const std::string& documentation = "") {
  Json item = Json::Object();
  item.Set("label", label);
  item.Set("kind", kind);
  if (!detail.empty()) item.Set("detail", detail);
  if (!documentation.empty()) item.Set("documentation", documentation);
  return item;
}

// Completion item kinds.
constexpr int kKindKeyword = 14, kKindProperty = 10, kKindFile = 17, kKindReference = 18,
              kKindValue = 12;

}  // namespace

// ---- Documents and workspaces -----------------------------------------------------

struct LspServer::Doc {
  std::string uri, path, text;  // text: UTF-8 as the editor holds it
  Bytes name;                   // the script name the player loads it by
  std::string folder;           // the folder holding the file, with '/'
};

struct LspServer::Workspace {
  std::string game;     // the game folder, with '/'
  std::string scripts;  // where its loose scripts are, with '/'
  std::unique_ptr<ResourceShelf> images, sounds;
};

LspServer::LspServer(Send send) : send_(std::move(send)) {}
LspServer::~LspServer() = default;

LspServer::Workspace& LspServer::WorkspaceOf(const Doc& doc) {
  fs::path folder = fs::path(doc.folder).parent_path();
  std::string game;
  if (IsFolderNamed(folder, "script")) {
    game = folder.parent_path().string();
  } else {
    for (fs::path p = folder; !p.empty(); p = p.parent_path()) {
      std::error_code ec;
      if (fs::exists(p / "script.chs", ec) || fs::is_directory(p / "script", ec) ||
          fs::exists(p / "image.pk2", ec)) {
        game = p.string();
        break;
      }
      if (p == p.parent_path()) break;
    }
    if (game.empty()) game = !root_.empty() ? root_ : folder.string();
  }
  game = WithTrailingSlash(game);
  auto& w = workspaces_[game];
  if (!w) {
    w = std::make_unique<Workspace>();
    w->game = game;
    w->scripts = DirectoryExists(game + "script/") ? game + "script/" : doc.folder;
    try {
      w->images = std::make_unique<ResourceShelf>(game + "image.pk2", game + "image/");
      w->sounds = std::make_unique<ResourceShelf>(game + "sound.pk2", game + "sound/");
    } catch (const vantel::Error&) {
      w->images.reset();
      w->sounds.reset();
    }
  }
  return *w;
}

// ---- Messages ---------------------------------------------------------------------

void LspServer::Reply(const Json& id, Json result) {
  Json m = Json::Object();
  m.Set("jsonrpc", "2.0");
  m.Set("id", id);
  m.Set("result", std::move(result));
  send_(m.Dump());
}

void LspServer::Error(const Json& id, int code, const std::string& message) {
  Json e = Json::Object();
  e.Set("code", code);
  e.Set("message", message);
  Json m = Json::Object();
  m.Set("jsonrpc", "2.0");
  m.Set("id", id);
  m.Set("error", std::move(e));
  send_(m.Dump());
}

void LspServer::Notify(const std::string& method, Json params) {
  Json m = Json::Object();
  m.Set("jsonrpc", "2.0");
  m.Set("method", method);
  m.Set("params", std::move(params));
  send_(m.Dump());
}

void LspServer::Fault(const std::string& why) {
  Error(Json(), kParseError, why);
}

void LspServer::Handle(const std::string& body) {
  Json message;
  try {
    message = Json::Parse(body);
  } catch (const JsonError& e) {
    Error(Json(), kParseError, e.what());
    return;
  }
  try {
    Dispatch(message);
  } catch (const std::exception& e) {
    // A fault in one request must not end the server the editor relies on.
    const Json& id = message["id"];
    if (!id.IsNull()) Error(id, -32603, std::string("internal error: ") + e.what());
  }
}

void LspServer::Dispatch(const Json& message) {
  if (message.IsArray()) {
    Error(Json(), kInvalidRequest, "batches are not taken");
    return;
  }
  const Json& id = message["id"];
  const Json& method = message["method"];
  const bool hasId = message.IsObject() && (id.IsNumber() || id.IsString());
  if (!message.IsObject() || !method.IsString() || (!id.IsNull() && !hasId)) {
    // Replies from the client (an id without a method) need no answer.
    if (message.IsObject() && hasId && method.IsNull()) return;
    Error(hasId ? id : Json(), kInvalidRequest, "not a JSON-RPC request or notification");
    return;
  }
  const std::string& name = method.Str();
  const Json& params = message["params"];
  if (!hasId) {
    Notification(name, params);
    return;
  }
  if (shutdown_) {
    Error(id, kInvalidRequest, "the server is shut down");
    return;
  }
  if (!initialized_ && name != "initialize") {
    Error(id, kNotInitialized, "initialize comes first");
    return;
  }
  if (name == "initialize" || name == "shutdown" || name.rfind("textDocument/", 0) == 0) {
    if (name != "shutdown" && !params.IsObject()) {
      Error(id, kInvalidParams, "params must be an object");
      return;
    }
    Json result = Request(name, params);
    if (result.type() != Json::Type::Bool || result.Bool(true)) {
      Reply(id, std::move(result));
      return;
    }
  }
  Error(id, kMethodNotFound, "no method " + name);
}

Json LspServer::Request(const std::string& method, const Json& params) {
  if (method == "initialize") {
    initialized_ = true;
    std::string root = PathOfUri(params["rootUri"].Str());
    if (root.empty()) root = params["rootPath"].Str();
    if (root.empty() && params["workspaceFolders"].IsArray() &&
        !params["workspaceFolders"].Items().empty())
      root = PathOfUri(params["workspaceFolders"].Items()[0]["uri"].Str());
    root_ = root;
    Json caps = Json::Object();
    Json sync = Json::Object();
    sync.Set("openClose", true);
    sync.Set("change", 1);  // the whole text each time
    sync.Set("save", true);
    caps.Set("textDocumentSync", std::move(sync));
    Json completion = Json::Object();
    Json triggers = Json::Array();
    for (const char* t : {"<", " ", "=", "\"", "#"}) triggers.Push(t);
    completion.Set("triggerCharacters", std::move(triggers));
    caps.Set("completionProvider", std::move(completion));
    caps.Set("definitionProvider", true);
    caps.Set("referencesProvider", true);
    caps.Set("documentSymbolProvider", true);
    caps.Set("hoverProvider", true);
    Json info = Json::Object();
    info.Set("name", "vxtool lsp");
    Json result = Json::Object();
    result.Set("capabilities", std::move(caps));
    result.Set("serverInfo", std::move(info));
    return result;
  }
  if (method == "shutdown") {
    shutdown_ = true;
    return Json();
  }
  if (method == "textDocument/completion") return Completion(params);
  if (method == "textDocument/definition") return Definition(params);
  if (method == "textDocument/references") return References(params);
  if (method == "textDocument/documentSymbol") return Symbols(params);
  if (method == "textDocument/hover") return Hover(params);
  return Json(false);  // not a method of ours
}

void LspServer::Notification(const std::string& method, const Json& params) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || !params.IsObject()) return;
  const Json& document = params["textDocument"];
  const std::string& uri = document["uri"].Str();
  if (method == "textDocument/didOpen") {
    const std::string path = PathOfUri(uri);
    if (path.empty()) return;
    auto doc = std::make_unique<Doc>();
    doc->uri = uri;
    doc->path = path;
    doc->text = document["text"].Str();
    doc->name = ScriptBaseName(FromUtf8(fs::path(path).filename().string()));
    doc->folder = WithTrailingSlash(fs::path(path).parent_path().string());
    docs_[uri] = std::move(doc);
    Publish(uri);
  } else if (method == "textDocument/didChange") {
    auto it = docs_.find(uri);
    const Json& changes = params["contentChanges"];
    if (it == docs_.end() || !changes.IsArray() || changes.Items().empty()) return;
    it->second->text = changes.Items().back()["text"].Str(it->second->text);
    Publish(uri);
  } else if (method == "textDocument/didSave") {
    auto it = docs_.find(uri);
    if (it == docs_.end()) return;
    if (params["text"].IsString()) it->second->text = params["text"].Str();
    // Pictures or sounds may have been added meanwhile.
    workspaces_.erase(WorkspaceOf(*it->second).game);
    Publish(uri);
  } else if (method == "textDocument/didClose") {
    if (docs_.erase(uri) == 0) return;
    Json p = Json::Object();
    p.Set("uri", uri);
    p.Set("diagnostics", Json::Array());
    Notify("textDocument/publishDiagnostics", std::move(p));
  }
}

// ---- Diagnostics ------------------------------------------------------------------

void LspServer::Publish(const std::string& uri) {
  const Doc& doc = *docs_.at(uri);
  Workspace& w = WorkspaceOf(doc);
  const std::vector<std::string> lines = SplitLines(doc.text);
  Json diagnostics = Json::Array();
  auto add = [&](Json range, const std::string& message) {
    Json d = Json::Object();
    d.Set("range", std::move(range));
    d.Set("severity", 1);
    d.Set("source", "vxtool lint");
    d.Set("message", message);
    diagnostics.Push(std::move(d));
  };
  ScriptLint lint;
  try {
    AddScriptsFrom(lint, w.scripts == doc.folder && !DirectoryExists(w.game + "script/") &&
                                 !FileExists(w.game + "script.chs")
                             ? doc.folder
                             : w.game);
  } catch (const vantel::Error&) {
  }
  // Every open buffer of this game stands in for its file.
  bool readable = true;
  for (const auto& [u, other] : docs_) {
    if (other.get() != &doc && WorkspaceOf(*other).game != w.game) continue;
    try {
      lint.AddScript(other->name, SourceToCp932(other->text, other->name.empty()
                                                                 ? "script"
                                                                 : ToUtf8(other->name) + ".vxs"));
    } catch (const vantel::Error& e) {
      if (other.get() != &doc) continue;
      readable = false;
      const std::string what = e.what();
      add(TokenRange(lines, LineOfError(what) - 1, "", 0), WithoutWhere(what));
    }
  }
  if (readable) {
    if (w.images && w.images->Usable()) lint.Images = w.images.get();
    if (w.sounds && w.sounds->Usable()) lint.Sounds = w.sounds.get();
    for (const LintFinding& f : lint.Check(doc.name))
      add(TokenRange(lines, f.line - 1, ToUtf8(f.token), f.sameBefore), f.message);
  }
  Json p = Json::Object();
  p.Set("uri", uri);
  p.Set("diagnostics", std::move(diagnostics));
  Notify("textDocument/publishDiagnostics", std::move(p));
}

// ---- Completion -------------------------------------------------------------------

namespace {

// The tokens of a script's text (UTF-8 or CP932 source), as the player cuts them.
void TokensOf(TCodeBlue& code, const std::string& source) {
  try {
    code.Tokenize(SourceToCp932(source, "script"));
  } catch (const vantel::Error&) {
    code.Tokenize(source);
  }
}

// The marker names of a script, lower-cased as jumps compare them, with their token index.
std::vector<std::pair<std::string, int>> Markers(TCodeBlue& code) {
  std::vector<std::pair<std::string, int>> out;
  TCodeBlue probe;
  for (int i = 0; i < code.Count(); ++i) {
    if (code[i].empty() || code[i][0] != '<') continue;
    probe.ParseToken(code[i]);
    probe.Errors.Clear();
    if (probe.Command != "*marker") continue;
    const Bytes name = LowerCase(probe.Attr("name", ""));
    if (!name.empty()) out.emplace_back(ToUtf8(name), i);
  }
  return out;
}

}  // namespace

Json LspServer::Completion(const Json& params) {
  Json items = Json::Array();
  const std::optional<TagAt> cursor = FindTagAt(params);
  if (!cursor) return items;
  const Doc& doc = *cursor->doc;
  const auto& [docOf, lineNo, line, at, open, close] = *cursor;
  const std::string typed = line.substr(open, at - open);  // "<cmd attr=val"
  const size_t space = typed.find_first_of(" \t");
  if (space == std::string::npos) {
    for (const CommandDoc& c : Commands())
      items.Push(Item(c.name, kKindKeyword, c.about, HoverText(c)));
    return items;
  }
  const std::string command = CommandWord(typed);
  const CommandDoc* cmd = FindDoc(command);
  const size_t wordStart = typed.find_last_of(" \t") + 1;
  const std::string word = typed.substr(wordStart);
  const size_t eq = word.find('=');
  if (eq == std::string::npos) {
    if (cmd)
      for (const AttrDoc& a : cmd->attrs)
        items.Push(Item(a.name, kKindProperty, "default " + std::string(a.fallback), AttrText(a)));
    return items;
  }
  const std::string attr = Lower(word.substr(0, eq));
  Workspace& w = WorkspaceOf(doc);
  if (attr == "src" && (command == "background" || command == "layer")) {
    if (!w.images) return items;
    for (const Bytes& name : w.images->Names()) {
      const std::string file = ToUtf8(name);
      const size_t dot = file.rfind('.');
      if (dot == std::string::npos) continue;
      const std::string ext = Lower(file.substr(dot));
      if (ext == ".png" || ext == ".jpg") items.Push(Item(file.substr(0, dot), kKindFile, file));
    }
  } else if (attr == "src" && (command == "bgm" || command == "se")) {
    if (!w.sounds) return items;
    std::set<std::string> seen;
    for (const Bytes& name : w.sounds->Names()) {
      const std::string file = ToUtf8(name);
      if (file.size() < 5 || Lower(file.substr(file.size() - 4)) != ".wav") continue;
      std::string stem = file.substr(0, file.size() - 4);
      if (seen.insert(stem).second) items.Push(Item(stem, kKindFile, file));
      // stem1.wav ... stem5.wav: the random variants' name.
      if (stem.size() > 1 && stem.back() == '1' && seen.insert(stem.substr(0, stem.size() - 1)).second)
        items.Push(Item(stem.substr(0, stem.size() - 1), kKindFile, "option=random: " + file + " ..."));
    }
  } else if (attr == "href") {
    std::string value = word.substr(eq + 1);
    if (!value.empty() && value[0] == '"') value.erase(0, 1);
    const size_t hash = value.find('#');
    ScriptLint lint;
    try {
      AddScriptsFrom(lint, w.scripts);
      if (DirectoryExists(w.game) && FileExists(w.game + "script.chs")) AddScriptsFrom(lint, w.game);
    } catch (const vantel::Error&) {
    }
    if (hash == std::string::npos) {
      for (const Bytes& name : lint.ScriptNames())
        items.Push(Item(ToUtf8(name), kKindFile, "script " + ToUtf8(name) + ".vxs"));
    }
    // Labels of the script named before '#', or of this one.
    const Bytes target =
        hash == std::string::npos || hash == 0 ? doc.name : ScriptBaseName(FromUtf8(value.substr(0, hash)));
    TCodeBlue code;
    const auto open = std::find_if(docs_.begin(), docs_.end(),
                                   [&](const auto& d) { return d.second->name == target; });
    if (open != docs_.end())
      TokensOf(code, open->second->text);
    else
      try {
        code.Tokenize(lint.ScriptText(target));
      } catch (const vantel::Error&) {
      }
    for (const auto& [label, index] : Markers(code))
      items.Push(Item(hash == std::string::npos ? "#" + label : label, kKindReference,
                      "marker on line " + std::to_string(code.Tag(index)) + " of " + ToUtf8(target) + ".vxs"));
  } else if (cmd) {
    for (const AttrDoc& a : cmd->attrs) {
      if (attr != a.name || !*a.values || std::string(a.values).find(',') == std::string::npos) continue;
      std::string values = a.values;
      for (size_t from = 0; from < values.size();) {
        size_t comma = values.find(", ", from);
        if (comma == std::string::npos) comma = values.size();
        items.Push(Item(values.substr(from, comma - from), kKindValue, AttrText(a)));
        from = comma + 2;
      }
    }
  }
  return items;
}

// ---- Definition, references, symbols, hover ----------------------------------------

std::optional<LspServer::TagAt> LspServer::FindTagAt(const Json& params, bool nudge) const {
  auto it = docs_.find(params["textDocument"]["uri"].Str());
  if (it == docs_.end()) return std::nullopt;
  std::vector<std::string> lines = SplitLines(it->second->text);
  const int lineNo = int(params["position"]["line"].Num(-1));
  if (lineNo < 0 || lineNo >= int(lines.size())) return std::nullopt;
  TagAt t{it->second.get(), lineNo, std::move(lines[size_t(lineNo)]), 0, 0, 0};
  t.at = ByteOfColumn(t.line, int(params["position"]["character"].Num(0)));
  const size_t probe = nudge && t.at + 1 <= t.line.size() ? t.at + 1 : t.at;
  if (!TagAround(t.line, probe, t.open, t.close)) return std::nullopt;
  return t;
}

Json LspServer::Definition(const Json& params) {
  const std::optional<TagAt> cursor = FindTagAt(params);
  if (!cursor) return Json();
  const Doc& doc = *cursor->doc;
  const auto& [docOf, lineNo, line, at, open, close] = *cursor;
  const std::string tag = line.substr(open, close - open);
  std::string href;
  size_t valueAt = 0;
  if (CommandWord(tag) != "a" || !AttrValue(tag, "href", href, valueAt)) return Json();
  const JumpTarget target = SplitHref(FromUtf8(href));
  const Bytes name = target.file.empty() ? doc.name : ScriptBaseName(target.file);
  // The target's text: its open buffer, else its loose file.
  std::string source, uri;
  for (const auto& [u, d] : docs_)
    if (d->name == name && d->folder == doc.folder) source = d->text, uri = u;
  if (uri.empty()) {
    const Workspace& w = WorkspaceOf(doc);
    for (const std::string& folder : {w.scripts, doc.folder}) {
      if (auto file = FindDataFile(folder, name + ".vxs")) {
        source = ReadWholeFile(*file).value_or("");
        uri = UriOfPath(*file);
        break;
      }
    }
  }
  if (uri.empty()) return Json();
  TCodeBlue code;
  TokensOf(code, source);
  int index = target.label.empty() ? 0 : code.FindLabel(target.label);
  if (index < 0) return Json();
  Json location = Json::Object();
  location.Set("uri", uri);
  const std::vector<std::string> targetLines = SplitLines(source);
  if (index < code.Count()) {
    // Tokens of the same text before it on its line.
    int same = 0;
    for (int j = index - 1; j >= 0 && code.Tag(j) == code.Tag(index); --j) same += code[j] == code[index];
    std::string token = code[index];
    try {
      token = ToUtf8(token);
    } catch (const vantel::Error&) {
    }
    location.Set("range", TokenRange(targetLines, code.Tag(index) - 1, token, same));
  } else {
    location.Set("range", Range(0, 0, 0));
  }
  return location;
}

Json LspServer::References(const Json& params) {
  Json out = Json::Array();
  const std::optional<TagAt> cursor = FindTagAt(params);
  if (!cursor) return out;
  const Doc& doc = *cursor->doc;
  const auto& [docOf, lineNo, line, at, open, close] = *cursor;
  const std::string tag = line.substr(open, close - open);
  // The label: a marker's name, or the label part of an href.
  Bytes script = doc.name, label;
  std::string value;
  size_t valueAt = 0;
  if (CommandWord(tag) == "marker" && AttrValue(tag, "name", value, valueAt)) {
    label = LowerCase(FromUtf8(value));
  } else if (CommandWord(tag) == "a" && AttrValue(tag, "href", value, valueAt)) {
    const JumpTarget t = SplitHref(FromUtf8(value));
    if (!t.file.empty()) script = ScriptBaseName(t.file);
    label = t.label;
  }
  if (label.empty()) return out;
  const bool withDeclaration = params["context"]["includeDeclaration"].Bool(true);
  // Every script with a file: the open buffers, then the loose files.
  std::map<Bytes, std::pair<std::string, std::string>> sources;  // name -> uri, text
  const Workspace& w = WorkspaceOf(doc);
  for (const std::string& folder : {w.scripts, doc.folder})
    for (const std::string& file : ListDirectory(folder)) {
      if (file.size() < 5 || !SameText(file.substr(file.size() - 4), ".vxs")) continue;
      const Bytes name = ScriptBaseName(FromUtf8(file));
      if (!sources.count(name))
        sources[name] = {UriOfPath(folder + file), ReadWholeFile(folder + file).value_or("")};
    }
  for (const auto& [u, d] : docs_)
    if (d->folder == doc.folder || d->folder == w.scripts) sources[d->name] = {u, d->text};
  TCodeBlue probe;
  for (const auto& [name, where] : sources) {
    TCodeBlue code;
    TokensOf(code, where.second);
    const std::vector<std::string> srcLines = SplitLines(where.second);
    for (int i = 0; i < code.Count(); ++i) {
      if (code[i].empty() || code[i][0] != '<') continue;
      probe.ParseToken(code[i]);
      probe.Errors.Clear();
      bool hit = false;
      if (probe.Command == "*a") {
        const JumpTarget t = SplitHref(probe.Attr("href", ""));
        hit = t.label == label && (t.file.empty() ? name : ScriptBaseName(t.file)) == script;
      } else if (probe.Command == "*marker" && withDeclaration) {
        hit = name == script && LowerCase(probe.Attr("name", "")) == label;
      }
      if (!hit) continue;
      int same = 0;
      for (int j = i - 1; j >= 0 && code.Tag(j) == code.Tag(i); --j) same += code[j] == code[i];
      Json location = Json::Object();
      location.Set("uri", where.first);
      location.Set("range", TokenRange(srcLines, code.Tag(i) - 1, ToUtf8(code[i]), same));
      out.Push(std::move(location));
    }
  }
  return out;
}

Json LspServer::Symbols(const Json& params) {
  Json out = Json::Array();
  auto it = docs_.find(params["textDocument"]["uri"].Str());
  if (it == docs_.end()) return out;
  const Doc& doc = *it->second;
  TCodeBlue code;
  TokensOf(code, doc.text);
  const std::vector<std::string> lines = SplitLines(doc.text);
  for (const auto& [label, index] : Markers(code)) {
    int same = 0;
    for (int j = index - 1; j >= 0 && code.Tag(j) == code.Tag(index); --j) same += code[j] == code[index];
    const Json range = TokenRange(lines, code.Tag(index) - 1, ToUtf8(code[index]), same);
    Json symbol = Json::Object();
    symbol.Set("name", label);
    symbol.Set("detail", "marker");
    symbol.Set("kind", 20);  // Key
    symbol.Set("range", range);
    symbol.Set("selectionRange", range);
    out.Push(std::move(symbol));
  }
  return out;
}

Json LspServer::Hover(const Json& params) {
  const std::optional<TagAt> cursor = FindTagAt(params, true);
  if (!cursor) return Json();
  const auto& [docOf, lineNo, line, at, open, close] = *cursor;
  const CommandDoc* c = FindDoc(CommandWord(line.substr(open, close - open)));
  if (!c) return Json();
  Json contents = Json::Object();
  contents.Set("kind", "plaintext");
  contents.Set("value", HoverText(*c));
  Json hover = Json::Object();
  hover.Set("contents", std::move(contents));
  hover.Set("range", Range(lineNo, Utf16Column(line, open), Utf16Column(line, close)));
  return hover;
}

}  // namespace vantel::lsp
