// ClassLetter: text layout for the message window.
//
// Tletters turns the text of a message page, in the line form the script
// interpreter produces (plain text lines, and "*" tag lines for line break,
// italic, bold, font and ruby), into a queue of positioned letters (TLet).
// Letters are measured with the current font through a TextService and laid
// out on lines of FLineWidth pixels with the Japanese line-breaking rules:
// no-start characters never begin a line, an opening quote never ends one,
// ruby groups stay together, the last three letters known are never split
// off, commas and full stops widen on lines that gave letters up, and every
// broken line is stretched to the full width. A letter whose X is 0 begins a
// line; vertical placement is the text layer's business.
//
// Depends on: the text service (measuring only), CommaField and ColorOf
// (data/FuncFile), base byte strings.
// Fails: never; any text is laid out. A line with no permitted break point is
// broken at the letter that overflows it, so layout always moves forward.
#pragma once

#include <cstdint>
#include <deque>
#include <string_view>

#include "base/Bytes.h"
#include "base/Picture.h"
#include "platform/Platform.h"

namespace vantel {

// Font style bits of a letter.
enum LetterStyle : uint8_t { kStyleBold = 1, kStyleItalic = 2 };

class TLet {
 public:
  Bytes Text;             // the character: 1 or 2 bytes of CP932
  int32_t X = 0;          // left edge from the box's left edge; 0 starts a line
  int32_t Width = 0;      // advance width in the letter's font
  int32_t RubyIndex = 0;  // 0 none, 1 first letter of a ruby group, 2 ... 10 the following ones
  int32_t RubySpan = 0;   // on a group's first letter: the width the group covers
  Bytes Ruby;             // the ruby text, on a group's first letter only
  Bytes FontName;         // face name ("" is the platform's default face)
  Colour Color = 0xFFFFFF;
  uint8_t Style = 0;  // LetterStyle bits
  int32_t Size = 23;  // font height in pixels, 10 ... 56
};

// The font with which letters are measured and which they remember. It
// persists across pages: only tags change it.
struct LetterFont {
  Bytes Name;           // "" is the platform's default face
  int32_t Height = 23;  // pixels, as the tag gave it (not clamped)
  Colour Color = 0xFFFFFF;
  uint8_t Style = 0;  // LetterStyle bits
};

class Tletters {
 public:
  // Measures with `measure`; without one, with the platform's text service.
  explicit Tletters(TextService* measure = nullptr);

  // Appends a chunk of text; true when at least one letter was added.
  bool AddText(std::string_view text);
  int Count() const { return static_cast<int>(FLetters.size()); }
  TLet& Letter(int index) { return FLetters[index]; }
  const TLet& Letter(int index) const { return FLetters[index]; }
  // Drops every letter; the next one starts a line. The font is kept.
  void Clear();
  // Removes one letter (the text layer removes index 0 after drawing it).
  void DeleteLetter(int index);

  // The steps of AddText.
  void ApplyTag(std::string_view line);
  void AddLetters(std::string_view text);
  void Layout();

  std::deque<TLet> FLetters;
  int32_t FLineWidth = 0;
  LetterFont FMeasure;  // the current font
  // 0 none pending, 1 next letter starts a group, 2 ... 10 position in it.
  int32_t FRubyCounter = 0;
  Bytes FRubyText;       // ruby waiting for the next group's first letter
  int32_t FPenX = 0;     // where the next letter would go
  int32_t FLaidOut = 0;  // letters at the front already placed by Layout

 private:
  bool MayBeginLine(int j, int n) const;

  TextService* measure_;
};

}  // namespace vantel
