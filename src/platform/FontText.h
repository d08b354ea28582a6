// FontText: the text drawing service on FreeType, with faces found through
// fontconfig.
//
// A face name as scripts and the program give it ("ＭＳ 明朝", "MS Gothic",
// "SIMHEI", an installed family name) is matched to an installed font: an
// installed family of exactly that name first, then the well-known Windows
// faces mapped onto the CJK families that are installed (mincho / song /
// serif faces to Noto Serif CJK, gothic / hei / sans faces to Noto Sans CJK),
// and anything else to the default face, Noto Sans CJK. The Japanese variant
// is used for CP932 text, the simplified Chinese one for GBK. A character the
// matched face lacks is taken from the default face. Bold and italic are
// synthesised (outline emboldening, a 12-degree shear) when the matched font
// has no such style.
//
// Heights work as the platform's font heights do:
//   height > 0   the cell height: ascent + descent of the face (its Windows
//                metrics, which include the internal leading) is exactly
//                `height` pixels; the em size is height * unitsPerEm / cell.
//   height < 0   the character (em) height is -height pixels.
//   height = 0   a default cell height of 16 pixels.
// Cell heights are kept within 1 ... 1024 pixels.
//
// A face that stands in for another (every name that is not an installed
// family, and the default face) is sized as the face it stands for, as a
// metric-compatible font would be: the Windows CJK faces the data names
// (MS Gothic and Mincho, SimHei, SimSun ...) have a cell of one em, so the
// stand-in's em is the cell height, with its em box filling the cell (the
// baseline at its typographic ascender). Glyphs reaching beyond the em box
// (deep Latin descenders) reach beyond the cell. Characters a face lacks
// are drawn from the default face at the same em.
//
// Measure gives the sum of the characters' advances (whole pixels each, no
// kerning) and the cell height; an empty text measures 0 wide and one cell
// high. Draw puts the text's cell with its top-left corner at (x, y), the
// baseline `ascent` pixels below y, blending the colour into the picture by
// each pixel's anti-aliased coverage (dst += (colour - dst) * coverage / 255);
// so white text on black leaves the coverage itself in every byte. The alpha
// byte of a 32-bit picture is not touched. Everything is clipped to the picture.
//
// Text arrives as CP932 or GBK bytes (FontRequest::codePage) and is converted
// to Unicode here; bytes that are not valid become U+FFFD.
//
// Faces (one FreeType face per file and index), sizes and rendered glyphs are
// cached; a cached glyph writes the same pixels as a fresh rendering.
//
// Fails: the constructor (and the first SharedFontText) throws Error when
// FreeType or fontconfig cannot start or no font at all can be opened. Measuring and drawing never
// throw for bad text: a glyph that cannot be loaded is drawn as nothing. Not thread-safe: use it
// from one thread (the main thread).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace vantel {

class FontText : public TextService {
 public:
  FontText();
  ~FontText() override;
  FontText(const FontText&) = delete;
  FontText& operator=(const FontText&) = delete;

  TextExtent Measure(const FontRequest& font, std::string_view text) override;
  void Draw(Picture& target, int x, int y, const FontRequest& font, Colour colour,
            std::string_view text) override;

  // What a request resolves to: the font file and face index, its family
  // name, whether bold or italic are synthesised, and whether the face
  // stands in for one that is not installed.
  struct Resolved {
    std::string file;
    int index = 0;
    std::string family;
    bool syntheticBold = false;
    bool syntheticItalic = false;
    bool standIn = false;
  };
  Resolved Resolve(const FontRequest& font);

  // Cell metrics of a request: the cell height in pixels, how far the
  // baseline lies below the cell's top, and the em in whole pixels.
  struct CellMetrics {
    int height = 0;
    int ascent = 0;
    int em = 0;
  };
  CellMetrics Metrics(const FontRequest& font);

  // Rendered glyphs are kept for reuse unless this is switched off
  // (benchmarks measure the uncached rendering with it).
  void SetGlyphCache(bool on);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The process's one text service, made on first use: fontconfig's font list
// is read and faces are opened once, however many platforms, tools and tests
// ask for text.
FontText& SharedFontText();

}  // namespace vantel
