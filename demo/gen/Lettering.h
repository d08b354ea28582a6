// Lettering on the demo's pictures (button labels, track titles, credits,
// the title logo), drawn with the player's own text service (FreeType through
// FontText) so the pictures use the same fonts as the story text.
//
// FontText blends colour by coverage but leaves a 32-bit picture's alpha
// alone; here the text is rendered white on black first and that coverage is
// blended through Canvas, so text on a transparent canvas gets its alpha.
// Main thread only (FontText is not thread-safe). Throws vantel::Error when
// no font can be opened.
#pragma once

#include <string>

#include "demo/gen/Canvas.h"

namespace vantel::demo {

struct Letters {
  int height = 20;  // cell height in pixels
  bool serif = false;
  bool bold = false;
  Rgb colour{255, 255, 255};
  double alpha = 1;
  double shadow = 0;  // opacity of a soft dark shadow one pixel down-right
};

// Width in pixels of a UTF-8 text.
int TextWidth(const std::string& utf8, const Letters& style);
// Draws with the cell's top-left corner at (x, y).
void DrawText(Canvas& canvas, double x, double y, const std::string& utf8, const Letters& style);
// Draws centred on cx.
void DrawTextCentred(Canvas& canvas, double cx, double y, const std::string& utf8,
                     const Letters& style);

}  // namespace vantel::demo
