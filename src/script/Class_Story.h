// Class_Story: TStory, the scene in which the story is read (scene 3).
//
// The scene's own picture is the background; seven child layers hold
// pictures (layer1, left, center, right, align4, layer2, layer3), then come
// the message box and the message text layer, all composed in that order.
// It owns one interpreter and, tick by tick, either runs the script until an
// action makes it wait, or waits: for the reader (click or key release), a
// timer, a transition or a white flash. Shift skips (completes text, feeds
// pages, continues, makes wipes instant); the AutoSkip setting continues
// 2 s after the text has finished appearing; Space hides and shows the
// message window. Every fifth wipe writes the backup save; SaveData,
// SaveToFile and LoadData build, write and restore save records (StorySave).
//
// States (FState): 0 running, 1 text wait, 3 transition, 11 script ended,
// 15 white flash (the scene manager paints white), 16 restored and waiting
// for the entry transition.
//
// Depends on Tflat, TFlatText, TCodeBlue, the sound helpers, the platform
// (Shift state, message boxes) and Global (settings, box layout, HandOver,
// NextScene, SaveDir). Fails: a damaged save record handed over is refused
// with a message to the reader and the scene returns to the title; a picture
// that cannot be decoded is reported (once per picture name in a scene, the
// repeats go to the debugger's log) and the story goes on; script faults in
// actions (a box number that is not one of the eight boxes) are added to the
// script's error list; a backup save that cannot be written is logged.
// SaveToFile lets FileError through to its caller (the save command),
// SaveFolderFull when data0 ... data1000 all exist (no save is overwritten),
// and DataError for a record longer than a save may hold (kMaxSaveRecordLength).
#pragma once

#include <cstdint>
#include <memory>
#include <set>

#include "base/Bytes.h"
#include "data/ClassSList.h"
#include "graphics/ClassFlat.h"
#include "graphics/ClassFlatText.h"
#include "script/ClassCodeBlue.h"

namespace vantel {

class TStory : public Tflat {
 public:
  // Builds the scene, loads the first chapter script and waits for the entry
  // transition; with a record in Global->HandOver, restores it instead.
  // `text` draws the message text (the platform's text service when null).
  explicit TStory(Tflat* parent = nullptr, TextService* text = nullptr);
  // Fades the sounds out (the music only when the next scene is not the
  // credits scroll) and deletes the backup save (kept when the next scene is
  // the message log, from which the story returns).
  ~TStory() override;

  void Signal(int32_t code, int32_t a, int32_t b) override;
  // Performs actions until one makes the scene wait.
  void Run();
  // Hides or shows the message box and text, redrawing what they covered.
  void ShowWindow(bool visible);
  // Builds the message box from text box layout entry BOX`type`.
  void SetupBox(int32_t type, int32_t colour, int32_t opacity);

  // The save record of the scene as it is now; records Global->HandOverLine.
  Bytes SaveData();
  // Writes the record to the save folder as `name` (a free slot "dataN" when
  // empty) and saves the settings; returns the name used.
  Bytes SaveToFile(const Bytes& name);
  // Restores a record (nothing for an empty text). DataError, before
  // anything changes, for a record that cannot be restored.
  void LoadData(const Bytes& text);

  // ---- Fields ----
  TSlist FAction;              // the fields of the action being performed
  Tflat* FNamed[8] = {};       // 0 is the scene itself, 1-7 the picture layers
  Tflat* FBox = nullptr;       // the message box, tag "box"
  TFlatText* FText = nullptr;  // the message text, tag "tex"
  int32_t FWhiteOut = 0;       // ms left of a white flash
  int32_t FBoxType = 0;        // 0-7
  int32_t FBoxColour = -1;     // 0x00BBGGRR, or -1 for none (a black box)
  int32_t FBoxOpacity = 0;     // 0-256
  bool FWaitKey = false;       // a click or key release may end the wait
  int32_t FTimer = 0;          // ms left of a timed wait
  bool FTimed = false;         // the wait ends when the timer runs out
  int32_t FWipeCount = 0;      // wipes performed by this scene
  // Live reload (shell/LiveReload.h): where the text now on the page began
  // (its source line, and the tokeniser's line breaks just before it that
  // belong to it; line 0 when unknown), and, while the page is drawn again,
  // the line up to which text waits and wipes pass at once (0: none).
  int32_t FPageLine = 0;
  int32_t FPageBreaks = 0;
  int32_t FCatchUpLine = 0;

  // Most actions one Run performs; a script that loops through actions
  // without ever waiting goes on at the next tick instead of hanging.
  static constexpr int kMaxActionsPerRun = 10000;

 private:
  void Perform();
  void LayerAction();
  void Wipe();
  void TextWait(bool key);
  void BoxAction();
  void Advance();  // the reader's advance: next page part, or on
  void LeaveWait();  // the wait ends and the page counts as read
  void Tick();
  void Centre();
  void LoadPictureReported(Tflat& layer, const Bytes& name);

  std::unique_ptr<Tflat> layers_[7];
  std::unique_ptr<Tflat> box_;
  std::unique_ptr<TFlatText> text_;
  std::unique_ptr<TCodeBlue> script_;
  int32_t stepFrom_ = 0;           // the first token of the step being performed
  uint64_t stepTokens_ = 0;        // the tokens' version then (a jump loads others)
  bool backToTitle_ = false;  // a handed-over record was refused
  // Pictures (lower-cased names) whose failure the reader has been shown;
  // later failures of the same picture go to the debugger's log only.
  std::set<Bytes> pictureFailuresShown_;
};

// Registers the story as scene 3 with the scene manager (called at start).
void RegisterStoryScene();

}  // namespace vantel
