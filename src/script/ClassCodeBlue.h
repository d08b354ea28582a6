// TCodeBlue: the script interpreter. Walks the tokens TCodeRed loaded,
// gathers story text and inline markup (line breaks, coloured text, ruby)
// into a text buffer, performs jumps (<a href="file#label">) and sound
// requests (<bgm>, <se>) on the spot, and stops at the first command the
// story scene has to perform, handing it over as an action: text fields,
// each followed by CR LF, field 0 naming it (flat, wipe, key, ...). An empty
// action means the script has run out.
//
// Depends on TCodeRed (loading), ColorOf, the sound helpers (PostSound) and
// the global state (debugger display fields and its log). Script faults
// (unknown commands, {name} references) never stop the story: each adds one
// line "<source line><message>" to Errors and to the debugger's log, both
// bounded (BoundedLog: repeats fold, the most recent lines are kept). In
// debug mode each token is shown in the debugger with the text gathered
// before it, cut at the length the debugger shows. The one
// exception is a loop of jumps that never reaches an action (10 000 jumps,
// or 100 jumps that load a script, or jumps that have loaded 64 MiB of
// script text, in one step): it is reported and ends the script rather than
// hang the story.
// A damaged script met through a jump raises DataError from Load.
//
// The command table and the pure pieces of execution (action fields, sound
// requests, jump targets, label search) are public so that the script
// checker reads scripts exactly as the player runs them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Bytes.h"
#include "data/ClassSList.h"
#include "script/ClassCodeRed.h"

namespace vantel {

// What a command does when executed.
enum class CommandKind {
  Action,      // ends the step with action fields for the story scene
  TextMarkup,  // adds a line to the text buffer
  Jump,        // <a href>
  Sound,       // <bgm>, <se>
  Nothing,     // markers, comments and commands without effect
};
// The kind of a command ("*" + lower-case tag name), or nullopt when the
// interpreter does not know it.
std::optional<CommandKind> FindCommand(std::string_view command);

// One PostSound call.
struct SoundRequest {
  int channel = 0;  // 0 music, 1 effects and voices
  int32_t kind = 0;
  Bytes name;  // as written, lower-cased; PostSound completes it to name.wav
  int32_t value = 0;
  int32_t loops = 0;
};

// The two parts of an href: file before the first '#', label after it.
struct JumpTarget {
  Bytes file;
  Bytes label;
};
JumpTarget SplitHref(std::string_view href);

class TCodeBlue : public TCodeRed {
 public:
  Bytes TextBuffer;  // CR LF + element, for each element gathered this step
  Bytes Command;     // "*" + tag name, or the story text after substitution
  TSlist AttrNames;  // lower-cased
  TSlist AttrValues;
  TSlist Action;

  // Runs tokens from Position up to and including the first that yields an
  // action; returns the action text (empty when the tokens run out).
  Bytes Step();
  // Fills Command and the attributes from one token; false for an empty token.
  bool ParseToken(std::string_view token);
  // The attribute's value, or `fallback` when it is absent or empty.
  Bytes Attr(std::string_view name, std::string_view fallback) const;
  // Replaces each {name} by name, reporting every reference: no variables exist.
  Bytes Substitute(std::string_view text);
  // Adds "<line of the token at Position><message>" to Errors and the log.
  void ReportError(const Bytes& message);
  // The same for a fault found on source line `line` (the story scene's
  // faults in an action, whose token the step has already passed).
  void ReportErrorAt(int32_t line, const Bytes& message);

  // The action fields of the current command (an Action kind); *k and *wait
  // take the text buffer's lines and empty it.
  void BuildAction();
  // The request the current *bgm or *se makes; nullopt for a mode that asks
  // for nothing.
  std::optional<SoundRequest> SoundRequestOf() const;
  // Index of the token a jump to `label` lands on (the first whose name
  // attribute, lower-cased, equals it), or -1. Reports nothing and leaves
  // the current command's fields as they are. The labels are indexed at the
  // first search after the tokens were replaced, so a jump costs no scan;
  // a token changed in place through the list (SetString) is not seen.
  int FindLabel(std::string_view label);

 private:
  void Execute();
  void Jump();
  void AddToTextBuffer(const Bytes& element);
  void BuildLabelIndex();
  bool quiet_ = false;        // Substitute without reports (the label search)
  std::vector<Bytes> words_;  // ParseToken's words, kept to reuse their storage
  // The text buffer without its line breaks, only as far as the debugger
  // shows it.
  Bytes shown_;
  // Label -> index of the first tag token carrying that name; story text
  // before firstTag_ is compared with the current tag's name instead.
  std::unordered_map<Bytes, int> labels_;
  int firstTag_ = 0;
  uint64_t labelsFor_ = ~uint64_t{0};  // TokensVersion the index was built for
  int labelsCount_ = -1;
};

// The attribute read as an integer (`fallback` when it is not one) times
// 100, saturated to 32 bits.
int32_t TimeTimes100(std::string_view text, int32_t fallback);

}  // namespace vantel
