// Class_CGlib: TCGlib, scene 4, the gallery of the pictures already seen.
//
// The pictures are the entries of Global->Unlocked, in stored order, as
// counted when the scene opens; the gallery only reads the list. Their
// thumbnails (name + "_s") stand twenty to a page, five columns by four rows,
// numbered down the columns: entry page * 20 + k goes to slot k, at column
// k div 4, row k mod 4. A thumbnail under the pointer is dimmed. Clicking one
// shows the full picture (fade, 500 ms) until a click after the fade, which
// fades back to the page. Back and next turn pages (mesh, 500 ms); the menu
// button asks for the title. The title music ("m03") fades in on opening and
// fades out when the scene is destroyed.
//
// Clicks are acted on once (each flag is cleared as it is read), and clicks
// that arrive while the page fades back in are dropped, so a picture stays up
// for at least 500 ms and nothing acts on a click made during a transition.
//
// Depends on Tflat, TFlatBtn, PictureNotice, the image loader, Global
// (Unlocked, FullScreen, NextScene), PostSound and the platform's screen
// size. A missing picture or thumbnail shows nothing (whatever the loader
// leaves). A damaged one is left out (its slot stays empty, or the page stays
// up instead of the picture); a damaged background is drawn black and a
// damaged button look as nothing. The first such failure while the gallery
// is open is shown to the reader, every one goes to the debugger's log.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "base/Bytes.h"
#include "graphics/ClassFlat.h"
#include "graphics/ClassFlatBtn.h"
#include "graphics/PictureNotice.h"

namespace vantel {

class TCGlib : public Tflat {
 public:
  static constexpr int kSlots = 20;
  // Modes in FState.
  static constexpr int32_t kBrowsing = 0, kPicture = 501, kReturning = 502;

  TCGlib();
  ~TCGlib() override;
  void Signal(int32_t code, int32_t a, int32_t b) override;

  // Fills the slots and shows the back and next buttons for the current page.
  void ShowPage();

  // Where slot k stands on the page.
  static int32_t SlotLeft(int k) { return 130 + 110 * (k / 4); }
  static int32_t SlotTop(int k) { return 90 + 85 * (k % 4); }

  std::unique_ptr<TFlatBtn> MenuButton, BackButton, NextButton;
  std::array<std::unique_ptr<Tflat>, kSlots> Slots;
  int32_t LastPage = 0;
  int32_t EntryCount = 0;
  int32_t Page = 0;
  PictureNotice Notice;  // damaged pictures: one message box while the gallery is open

 private:
  void LoadBackground();
  void Browse();
  void ShowPicture(int k);
  void TurnPage(int32_t step);
  void SetButtonsVisible(bool visible);
};

// Makes scene 4 of the scene manager a TCGlib.
void RegisterGalleryScene();

}  // namespace vantel
