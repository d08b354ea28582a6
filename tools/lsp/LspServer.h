// LspServer: `vxtool lsp`, a Language Server Protocol server for .vxs story
// scripts. It takes one JSON-RPC message body at a time (framing is
// LspMessage's) and sends replies and notifications through a callback:
//   diagnostics as the author types (the checker `vxtool lint` runs, on the
//   open buffer, with its wording, on the line and column of the tag);
//   completion of command names, attributes (with their defaults), picture
//   names for src=, sound names for <bgm>/<se>, scripts and labels for href=;
//   go to definition from href="script#label" to the marker; references of
//   a label; the markers as document symbols; hover on a command.
// The workspace of a script is the game folder holding it: the folder above
// a script/ folder, or upward the first folder with script.chs, a script/
// folder or image.pk2; else the client's root; else the script's own folder.
//
// Depends on the checker (script/ScriptLint), the interpreter's tokeniser
// and label search, the source reader and Json. Fails: never throws out of
// Handle; a message that is not JSON, not a request, or names no known
// method gets a JSON-RPC error reply; a request before initialize gets
// ServerNotInitialized.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "tools/lsp/Json.h"

namespace vantel::lsp {

class LspServer {
 public:
  using Send = std::function<void(const std::string& body)>;
  explicit LspServer(Send send);
  ~LspServer();

  // One message body from the client.
  void Handle(const std::string& body);
  // A message the framing could not read: answered as a parse error.
  void Fault(const std::string& why);
  bool Exited() const { return exited_; }
  // 0 after shutdown then exit, 1 for an exit without shutdown.
  int ExitCode() const { return shutdown_ ? 0 : 1; }

 private:
  struct Doc;
  struct Workspace;
  void Dispatch(const Json& message);
  Json Request(const std::string& method, const Json& params);
  void Notification(const std::string& method, const Json& params);
  void Reply(const Json& id, Json result);
  void Error(const Json& id, int code, const std::string& message);
  void Notify(const std::string& method, Json params);

  void Publish(const std::string& uri);
  Json Completion(const Json& params);
  Json Definition(const Json& params);
  Json References(const Json& params);
  Json Symbols(const Json& params);
  Json Hover(const Json& params);

  Workspace& WorkspaceOf(const Doc& doc);

  // The tag under the editor's cursor in an open buffer (positions are the
  // client's, columns in UTF-16). `nudge`: a cursor right before the tag's
  // '<' counts as inside it (hover).
  struct TagAt {
    const Doc* doc;
    int lineNo;
    std::string line;  // the cursor's line (UTF-8)
    size_t at, open, close;  // byte offsets: the cursor, the tag's '<' and end
  };
  std::optional<TagAt> FindTagAt(const Json& params, bool nudge = false) const;

  Send send_;
  std::string root_;  // the client's root folder (UTF-8), or empty
  bool initialized_ = false, shutdown_ = false, exited_ = false;
  std::map<std::string, std::unique_ptr<Doc>> docs_;  // by URI
  std::map<std::string, std::unique_ptr<Workspace>> workspaces_;  // by game folder
};

}  // namespace vantel::lsp
