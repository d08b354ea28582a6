// ClassFlatText: TFlatText, the layer that shows the message window's text
// letter by letter.
//
// Its own picture is a 32-bit picture the size of the text box, transparent
// except where letters have been drawn. Text arrives in chunks (AddText) and
// is laid out at once by Tletters; every tick reveals letters from the front
// of the queue at the reader's message speed. A letter is rendered white on
// black at twice its size on a 112 x 112 work picture (FGlyph), and each 2 x 2
// block of it becomes the alpha of one pixel over a flat fill of the
// letter's colour. Ruby is drawn above the first letter of its group, in the
// letter's colour with its coverage as alpha (at most 200). Lines are 34
// pixels apart, centred at 22, 56, 90, ...; a line whose centre would fall
// below the box's height - 22 does not fit, and revealing stops (FFull)
// until the page is cleared. A box of negative size is an empty one.
//
// Depends on Tflat (layers and dirty cells), Tletters (layout), the text
// service (measuring and drawing glyphs) and the reader's message speed from
// the graphics host (50 without one). Fails: never; text that does not fit is not drawn,
// and everything drawn is clipped to the box.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/Bytes.h"
#include "base/Picture.h"
#include "graphics/ClassFlat.h"
#include "graphics/ClassLetter.h"
#include "platform/Platform.h"

namespace vantel {

class TFlatText : public Tflat {
 public:
  // Draws with `text`; without one, with the platform's text service.
  explicit TFlatText(Tflat* parent, TextService* text = nullptr);

  // Places the box and makes the picture 32-bit, width x height, empty.
  void SetBox(int32_t x, int32_t y, int32_t width, int32_t height);
  // Clears every pixel's alpha and drops the page's letters (FDone is kept).
  void ClearPage();
  // Queues a chunk; true when it added letters. The reveal speed becomes
  // twice the reader's message speed setting.
  bool AddText(std::string_view text);
  // Draws the next letter; true when a letter was taken or the page found full.
  bool RevealNext();
  // Shows the rest of the page at once.
  void RevealAll();
  void Signal(int32_t code, int32_t a, int32_t b) override;

  // The steps of RevealNext.
  void DrawGlyph(int32_t x, int32_t y, Colour color, int32_t size, const Bytes& text);
  void DrawRubyChar(int32_t x, int32_t y, Colour color, int32_t size, const Bytes& text);

  Picture FGlyph{112, 112, Picture::Format::BGR24, 0};  // work picture, black fill
  Tletters FLetters;
  int32_t FLineY = -12;        // centre line of the current text line
  Bytes FPageText;             // every chunk since the page was cleared, unchanged
  bool FDone = false;          // no letter waiting: the page is fully shown
  bool FFull = false;          // the next line does not fit; revealing stops
  int32_t FRevealAcc = 0;      // hundredths of a letter
  int32_t FRevealSpeed = 150;  // hundredths of a letter per tick

 private:
  void DrawRuby(const TLet& letter);

  TextService* text_;
  FontRequest glyphFont_;  // FGlyph's font: face, height and style
};

}  // namespace vantel
