// Class_MsLog: TmsLog, scene 2, the message log (backlog).
//
// The log keeps no history of its own: it re-reads the nine chapter scripts
// and shows their text lines up to where the reader is (Global's ScriptName
// and HandOverLine, the story's 1-based line used as a 0-based index, so the
// story's current line is the last one shown on entry). A line is shown when
// it is not empty and does not begin with '['; lines that begin with a tag
// other than ruby ("<r ") or font ("<fo") are marked with '[' when loaded.
// On the page, ruby, colour and line-break tags (any case) become the text
// layer's markup and every other tag is left out, as the story shows them.
// Five buttons (and their keys; the wheel arrives as Up/Down) page up, step a
// line up, return, step a line down and page down. Return asks for the story
// (scene 3); the story's save record in Global's HandOver is left untouched
// for it to restore itself from.
//
// The reading position is held to the story's chapter: a line past its end
// counts as just after its last line, so the log never runs on into text not
// yet read, and stepping past the end of the last chapter stays put.
//
// Only one chapter's lines are held at a time; each chapter's line count is
// learned once and kept in the chapter list's tags.
//
// Depends on Tflat, TFlatText, TFlatBtn, TCodeRed/TCodeBlue (tokens, tag
// parsing, chapter titles), the script archive and loose scripts, Global and
// the platform's text service. Fails: never; a missing or empty chapter
// script has no lines (stepping passes over it), a reading position outside
// the chapter list shows an empty log, and a damaged button look is reported
// once (PictureNotice) and drawn as nothing. Damaged packed script data
// raises DataError from the archive or file reader.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/Bytes.h"
#include "data/ClassSList.h"
#include "graphics/ClassFlat.h"
#include "graphics/ClassFlatBtn.h"
#include "graphics/ClassFlatText.h"
#include "graphics/PictureNotice.h"
#include "platform/Platform.h"
#include "script/ClassCodeBlue.h"

namespace vantel {

class TmsLog : public Tflat {
 public:
  static constexpr int kChapters = 9;
  static constexpr int kPageLines = 20;  // displayable lines put on one page
  static constexpr int kEntryLines = 7;  // lines shown before the reading position on entry
  static constexpr int kPageStep = 11;   // lines moved by page up / page down

  // A place in the story: chapter index in the chapter list, line from 0.
  struct Position {
    int32_t chapter = 0;
    int32_t line = 0;
    bool operator==(const Position&) const = default;
  };

  // Draws the corner title with `text`; without one, with the platform's.
  explicit TmsLog(TextService* text = nullptr);
  ~TmsLog() override;
  void Signal(int32_t code, int32_t a, int32_t b) override;

  // Fills the line store with the script `name` (CP932, no extension).
  void LoadChapter(const Bytes& name);
  // One displayable line back (every line when raw); false, at (0, 0), when
  // the start of the first chapter is passed.
  bool StepBack(Position& p, bool raw);
  // One displayable line forward (every line when raw), never past the
  // reading position; false when already there (p may then have moved onto
  // it) or at the end of the last chapter.
  bool StepForward(Position& p, bool raw);
  // The page text for the text layer (up to 20 lines from the view
  // position); also draws the corner title of the view's chapter.
  Bytes BuildPage();
  void ShowPage();

  // Line count of chapter `index`, loading it when not yet known.
  int32_t LineCount(int32_t index);
  bool Displayable(const Position& p);

  std::unique_ptr<TFlatText> TextLayer;
  std::unique_ptr<TFlatBtn> PageUpButton;
  std::unique_ptr<TFlatBtn> LineUpButton;
  std::unique_ptr<TFlatBtn> ReturnButton;
  std::unique_ptr<TFlatBtn> LineDownButton;
  std::unique_ptr<TFlatBtn> PageDownButton;
  TCodeBlue Lines;  // the loaded chapter's lines; its ScriptName names the chapter
  bool LinesLoaded = false;
  Position Reading;           // where the story is
  Position View;              // the first line of the page
  bool ReadingKnown = false;  // the story's script is one of the chapters
  TSlist Chapters;            // script names; tags hold line counts once known
  // Where loose scripts are looked for (the story's loader uses the same).
  std::string ScriptDir = "script/";
  PictureNotice Notice;

 private:
  void EnsureLoaded(int32_t index);
  void DrawCornerTitle();

  TextService* text_;
};

// Makes scene 2 of the scene manager a TmsLog.
void RegisterMessageLogScene();

}  // namespace vantel
