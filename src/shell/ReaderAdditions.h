// ReaderAdditions: what a reader of today expects beside the described
// player, none of it changing the described behaviour by default: read marks
// and skipping what was read (Tab, a controller's right trigger held), the
// in-window notices of quick save and screenshots, screenshots themselves,
// self-voicing (V) and text to the clipboard (Shift+C).
//
// The story tells it when a page appears (PageShown), asks at each wait
// whether the page goes by (SkipsPage) and says when the reader leaves it
// (PageRead). The main window routes the added keys here (UnitVantel) and
// wraps the story's save hooks (WithReaderHooks) so each save gets its
// thumbnail. Its settings live in save/vantel.ini, section [Reader]; the
// read marks in save/read.dat (ReadMarks).
//
// Cost while everything is off: a flag test per page and per wait; the
// speech service is only contacted once self-voicing is switched on.
//
// Depends on the platform (notices, speech, clipboard, skip control),
// ReadMarks, PageText, SaveThumbs, PNG writing and Global's log. Fails:
// a damaged read.dat is set aside with a notice; a file that cannot be
// written (marks, settings, screenshot, thumbnail) is a notice or a log line,
// never an error that stops the story.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "base/Picture.h"
#include "script/ReadMarks.h"

namespace vantel {

struct VantelHooks;

class ReaderAdditions {
 public:
  // Reads save/vantel.ini and save/read.dat from `saveDir` (with its
  // trailing '/'; empty: nothing is remembered). `gameName` names screenshots.
  ReaderAdditions(std::string saveDir, std::string gameName);
  ~ReaderAdditions();  // writes the marks not yet written

  // ---- The story ----
  // A page's text (the interpreter's line form) starts to appear.
  void PageShown(std::string_view page);
  // The story waits at `position` of `script`: true when the page goes by
  // unread (skipping is on and the page was read). Skipping stops at the
  // first page not read.
  bool SkipsPage(const Bytes& script, int32_t position);
  // The reader left the page.
  void PageRead(const Bytes& script, int32_t position);
  // True while a skip of read pages runs (wipes are then instant).
  bool Skipping();

  // ---- The keys ----
  void ToggleSkip();  // Tab
  void StopSkip();    // a click or any other key
  void ToggleSelfVoicing();  // V
  void ToggleClipboard();    // Shift+C
  // F12: `frame` as PNG into the screenshot folder, with a notice.
  void Screenshot(const Picture& frame);

  // A notice in the window (GBK text).
  void Notice(const Bytes& gbkText, uint32_t ms = 1500);

  bool SelfVoicing() const { return voice_; }
  bool ClipboardText() const { return clipboard_; }
  ReadMarks& Marks() { return marks_; }

 private:
  void SaveSettings();
  void FlushMarks(bool force);

  std::string saveDir_, gameName_;
  ReadMarks marks_;
  bool voice_ = false, clipboard_ = false;
  bool noSpeech_ = false;  // the speech service is missing: told once
  bool skip_ = false;      // Tab
  bool marksFailed_ = false;
};

// The reader additions while the main window exists (null otherwise: the
// story then behaves exactly as described).
extern ReaderAdditions* Reader;

// Where screenshots go: $XDG_PICTURES_DIR/Vantel/ (the environment, else the
// user's user-dirs.dirs), else ~/Pictures/Vantel/. With a trailing '/'.
std::string ScreenshotFolder();
// The save the reader wrote last ("dataN" in `saveDir`, by time written);
// empty when there is none.
std::string LatestSave(const std::string& saveDir);
// `hooks` with each story save followed by its thumbnail and each save or
// load dialog followed by the removal of thumbnails whose saves are gone.
VantelHooks WithReaderHooks(VantelHooks hooks);

}  // namespace vantel
