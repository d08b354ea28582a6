// TSlist: the system's general-purpose text container, an ordered list of
// byte-string lines (code page 932) each carrying a signed 32-bit tag.
//
// Besides the usual string-list operations it offers four ways of use:
//  - a settings view: "[SECTION]" header lines followed by "KEY=value" lines
//    (the settings file and the text box layout);
//  - a queue of fields, pushed at the end and popped from the front, turned
//    into one state record with CommaText() and back with SetCommaText();
//  - tagged lines (a token plus its source line number) with comma fields;
//  - a file form: the tagged lines as a packed text file.
// The script loader and interpreter derive from it.
//
// Section names, keys and IndexOf compare ASCII letters without regard to
// case and never fold a trail byte of a double-byte character. A line index
// out of range (popping from an empty queue) raises IndexError; PopInteger
// on a non-number raises ConvertError; file errors come from FuncFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"

namespace vantel {

class TSlist {
 public:
  TSlist() = default;
  virtual ~TSlist() = default;
  TSlist(const TSlist&) = default;
  TSlist& operator=(const TSlist&) = default;

  // The string list.
  int Count() const { return static_cast<int>(lines_.size()); }
  const Bytes& Strings(int i) const { return At(i).text; }
  const Bytes& operator[](int i) const { return At(i).text; }
  void SetString(int i, Bytes text) { At(i).text = std::move(text); }
  int Add(Bytes text);             // returns the new line's index; tag 0
  void Insert(int i, Bytes text);  // 0 <= i <= Count()
  void Delete(int i);
  void Clear() { lines_.clear(); }
  // First line equal to `text` ignoring ASCII case, or -1.
  int IndexOf(std::string_view text) const;
  // Every line followed by CR LF.
  Bytes Text() const;
  // Replaces the lines: CR LF, CR or LF ends a line; a final line break
  // makes no empty line. Tags are 0.
  void SetText(std::string_view text);
  // The lines as one comma-text record, and back (see data/CommaText.h).
  Bytes CommaText() const;
  void SetCommaText(std::string_view text);

  // Settings view. The value of the key in the first matching section, or
  // `fallback` when the section or key is missing or the value is empty.
  Bytes ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // True exactly when the text read is "true" in any case.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  // Sets KEY=value (the key upper-cased), adding the section and key when
  // missing: a new key goes first in a section that another one follows,
  // last in the last section.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Queue of fields.
  void PushString(Bytes text) { Add(std::move(text)); }
  void PushInteger(int32_t n) { Add(IntToStr(n)); }
  void PushBool(bool b) { Add(b ? "true" : "false"); }
  Bytes PopString();
  int32_t PopInteger();
  bool PopBool();  // true exactly for the text "true"

  // Tagged lines and their comma fields.
  int AddTagged(Bytes text, int32_t tag);
  int32_t Tag(int i) const { return At(i).tag; }
  void SetTag(int i, int32_t tag) { At(i).tag = tag; }
  // Field n of line i split as comma text; empty when there are fewer.
  Bytes GetField(int i, int n) const;
  // Replaces field n of line i, padding with empty fields as needed.
  void SetField(int i, int n, std::string_view value);

  // File form: one text line per list line, its tag as the first comma field.
  // Loading a missing file gives an empty list; a file whose text is longer
  // than `maxLength` bytes raises DataError before its lines are built.
  void LoadFromPackedFile(const std::string& path, size_t maxLength = SIZE_MAX);
  void SaveToPackedFile(const std::string& path) const;

 private:
  struct Line {
    Bytes text;
    int32_t tag = 0;
  };
  const Line& At(int i) const;
  Line& At(int i);
  // Index of the section's header line, or Count() when there is none.
  int SectionLine(const Bytes& header) const;
  // Index of the first line of the body after `header` whose key is `key`,
  // or -1; `end` receives the index where the body scan stopped.
  int KeyLine(int header, const Bytes& key, int& end) const;

  std::vector<Line> lines_;
};

}  // namespace vantel
