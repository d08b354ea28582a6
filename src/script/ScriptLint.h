// The script checker for authors: reads every script exactly as the player
// reads it (TCodeRed's tokeniser, TCodeBlue's parsing, command table, action
// fields, sound requests and label search) without running a scene, and
// lists what would go wrong while the story plays: unknown commands, {name}
// references, jumps to scripts or labels that do not exist (a label written
// with capitals can never match), pictures and sounds that the data does
// not hold, box settings the story cannot use, layers that do not exist,
// values that silently fall back to a default, and </font> written as if it
// ended a colour (it changes nothing: the colour stays until the next
// <font color=...>).
//
// One checking code serves `vxtool lint`, `vxtool playtest` and the editor's
// language server: scripts are known by name and read one at a time when
// they are checked (a few others are kept while jumps are followed), so the
// memory used stays bounded by the largest scripts, however many an archive
// names; a script may also be given as text (an editor's unsaved buffer),
// which then stands in for the stored one.
//
// Depends on the interpreter and the archive reader. Findings are UTF-8 text
// with the script's file name and source line. Reading a damaged archive or
// packed script raises DataError; a missing script path raises FileError.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"

namespace vantel {

class TArchive;

struct LintFinding {
  std::string script;  // file name, UTF-8 ("脚本1.vxs")
  int32_t line = 0;    // 1-based source line
  std::string message;
  // The token the finding is about (CP932; empty for the script as a whole)
  // and how many tokens of the same text come before it on its line, so an
  // editor can place the finding on its column.
  Bytes token;
  int32_t sameBefore = 0;
};
// "script:line: message"
std::string FormatFinding(const LintFinding& finding);

// Where pictures or sounds are looked for: an archive, then the loose folder
// beside it, as the player looks for them.
class ResourceShelf {
 public:
  // `archivePath` may be empty or name a missing file (loose files only);
  // `looseDir` ends with '/', or is empty for no loose folder.
  ResourceShelf(const std::string& archivePath, std::string looseDir);
  ~ResourceShelf();
  // True when the archive has an entry `name` (any ASCII case) or the loose
  // folder a file of that name.
  bool Has(const Bytes& name) const;
  // Something to look in: an archive that exists or a loose folder that does.
  bool Usable() const;
  std::string Describe() const;  // for the tool's summary
  // Every name it holds (lower-cased, CP932), archive and loose folder.
  std::vector<Bytes> Names() const;

 private:
  std::unique_ptr<TArchive> archive_;
  std::string looseDir_;
};

class ScriptLint {
 public:
  ScriptLint();
  ~ScriptLint();
  ScriptLint(const ScriptLint&) = delete;
  ScriptLint& operator=(const ScriptLint&) = delete;

  // Adds a script (CP932 text) under the name Load would give it, in place
  // of any script of that name.
  void AddScript(std::string_view name, std::string_view text);
  // Adds a script read when it is needed: entry `entry` of the script
  // archive at `archivePath`, or (empty `archivePath`) the loose file
  // `file`, read as the player reads it.
  void AddStored(std::string_view name, const std::string& archivePath, const Bytes& entry);
  void AddFile(std::string_view name, const std::string& file);
  size_t ScriptCount() const { return sources_.size(); }
  bool HasScript(std::string_view name) const;
  std::vector<Bytes> ScriptNames() const;  // base names, in order
  // The script's CP932 text (empty when there is none); DataError when it
  // cannot be read.
  Bytes ScriptText(std::string_view name) const;
  // Null: that kind of resource is not checked.
  const ResourceShelf* Images = nullptr;
  const ResourceShelf* Sounds = nullptr;
  // Every finding, scripts in name order, each script's in line order.
  std::vector<LintFinding> Run() const;
  // The same, handed over one script at a time; a script that cannot be
  // read gives one finding saying why.
  void Run(const std::function<void(std::vector<LintFinding>&)>& each) const;
  // The findings of one script, in line order.
  std::vector<LintFinding> Check(std::string_view name) const;

 private:
  struct Source;
  std::map<Bytes, std::shared_ptr<Source>> sources_;  // base name -> where its text is
};

// What the checker says of a tag not closed on its line (`token`, CP932),
// the fault that also keeps a source from being reloaded while playing.
std::string UnclosedTagMessage(std::string_view token);

// Adds the scripts found at `path`: the .vxs entries of a script archive (a
// file), the .vxs files of a directory, or, for a game directory holding
// script.chs, the archive's scripts and those of its script/ folder that
// the archive lacks; for a game directory with only a script/ folder, the
// scripts in that folder. Throws FileError when there is nothing at `path`.
void AddScriptsFrom(ScriptLint& lint, const std::string& path);

// The CP932 text of a loose .vxs file's bytes (SourceToCp932: UTF-8 is
// converted, anything else taken as CP932 already); `name` labels errors.
Bytes ScriptTextFromFile(std::string_view bytes, const std::string& name = "script");

}  // namespace vantel
