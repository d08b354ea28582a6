// TCodeRed: loads a story script (.vxs) by name and cuts it into a flat list
// of tokens (tags, story text runs, <BR> and <P>), each tagged with its
// 1-based source line number; records the script's chapter; and turns the
// reading position into a short string for save data and back.
//
// Scripts are looked for in the script archive (the lower-cased base name +
// ".vxs"), then as a loose file in ScriptDir (plain or packed text). A
// script found in neither loads as no tokens. Damaged packed data raises
// DataError; RestorePosition of a bad record raises IndexError or
// ConvertError (as the field queue does) or DataError for a negative
// position. The interpreter derives from this class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "data/ClassSList.h"

namespace vantel {

class TArchive;

// Chapter of a script, by its name (code page 932): number 0-8 and display
// title (GBK), or nullptr for a script outside the chapter table.
struct ChapterInfo {
  const char* scriptName;  // UTF-8
  int32_t number;
  int chapter;  // 1-6
};
const ChapterInfo* FindChapter(std::string_view scriptName);
// "第N章" + a full-width space + the chapter's name, in GBK.
const Bytes& ChapterTitleOf(int chapter);
// The length of the line end at `i` of `text`, or 0 when no line end starts
// there. CR LF, LF CR, CR alone and LF alone each end one line; the pairs
// are taken as they come, so CR LF CR LF and LF CR LF CR are two line ends.
size_t LineEndAt(std::string_view text, size_t i);
// The script name Load uses for `name`: its file-name part without the
// extension, lower-cased (D:\x\A.VXS gives "a").
Bytes ScriptBaseName(std::string_view name);
// The text of a loose script or settings file as the player reads it: a
// packed text file unpacked, a UTF-8 source converted to code page 932 with
// CR LF (SourceToCp932), anything else as it is; empty when there is no
// file. The one way loose sources are read: the player, vxtool pack, lint,
// render and playtest all use it. DataError for damaged packed data or a
// character with no code page 932 form; FileError for an unreadable file.
// A file larger than kMaxScriptFileBytes, or a FIFO or device under the
// script's name, raises DataError without being read.
Bytes ReadScriptFile(const std::string& path);
// Largest loose script file read: a packed script carries at most 16 MiB,
// and its UTF-8 source takes up to half as much again, with line ends.
constexpr size_t kMaxScriptFileBytes = size_t{48} << 20;

// Scripts whose loose file an author saved while the game runs (live
// reload): Load reads that file before the archive's copy from then on.
void PreferLooseScript(const Bytes& baseName);
bool LooseScriptPreferred(const Bytes& baseName);
void ForgetPreferredScripts();

class TCodeRed : public TSlist {
 public:
  int32_t Position = 0;     // index of the next token to execute
  int32_t CurrentLine = 0;  // source line of the token being executed
  Bytes ScriptName;         // base name of the loaded script, lower-cased
  Bytes ChapterTitle;       // GBK; empty outside the chapter table
  int32_t ChapterNumber = 0;
  // "<line number><message>" per script error, repeats folded and only the
  // most recent lines kept (BoundedLog).
  TSlist Errors;
  // Counts every replacement of the tokens (Tokenize), so that indexes
  // built over them know when they are stale.
  uint64_t TokensVersion = 0;
  // Bytes of text the last Load read (the unpacked script), for bounds on
  // how much a story step may load.
  size_t LoadedLength = 0;

  // Where scripts are found: the script archive (unset = the program's
  // script archive, when it is open), then the directory of loose scripts
  // (UTF-8, trailing '/'; relative to the working directory by default).
  TArchive* ScriptArchive = nullptr;
  std::string ScriptDir = "script/";
  // Every Load copies ScriptName here (unset = the global state's copy,
  // which the debugger and the message log read, when Global exists).
  Bytes* GlobalScriptName = nullptr;

  // Loads the script `name`; any directory and extension in it are ignored.
  void Load(std::string_view name);
  // Replaces the tokens by those of `text`.
  void Tokenize(std::string_view text);
  // "name,position" as comma text, and back (loading the script named).
  Bytes PositionString() const;
  void RestorePosition(std::string_view text);
};

}  // namespace vantel
