#include "graphics/ClassFlatText.h"

#include <algorithm>

#include "graphics/GraphicsHost.h"

namespace vantel {

namespace {

constexpr int32_t kLineStep = 34;      // pixels from one line's centre to the next
constexpr int32_t kBottomMargin = 22;  // a line's centre must stay this far above the bottom
constexpr int32_t kRubyRise = 21;      // ruby tops sit this far above the line's centre
constexpr int32_t kRubySize = 10;
constexpr uint8_t kRubyAlpha = 200;
constexpr int32_t kMaxHalfGlyph = 56;
constexpr int32_t kDefaultMessageStep = 50;

}  // namespace

TFlatText::TFlatText(Tflat* parent, TextService* text)
    : Tflat(parent), FLetters(text), text_(text ? text : &GetPlatform().Text()) {
  glyphFont_.codePage = CodePage::CP932;
}

void TFlatText::SetBox(int32_t x, int32_t y, int32_t width, int32_t height) {
  // A box narrower than its margins has no room for text at all.
  width = std::max(width, 0);
  height = std::max(height, 0);
  FPicture.SetSize(0, 0);
  SetLeft(x);
  SetTop(y);
  FPicture.SetPixelFormat(Picture::Format::BGRA32);
  FPicture.SetSize(width, height);
  ClearPage();
  FLetters.Clear();
  FLetters.FLineWidth = width;
  FPageText.clear();
}

void TFlatText::ClearPage() {
  // A picture without pixels has no rows to address.
  if (FPicture.Is32() && FPicture.Width() > 0)
    for (int y = 0; y < FPicture.Height(); ++y) {
      uint8_t* p = FPicture.Row(y) + 3;
      for (int x = 0; x < FPicture.Width(); ++x, p += 4) *p = 0;
    }
  FPageText.clear();
  FLineY = -12;
  FLetters.Clear();
  FFull = false;
  MarkWhole();
}

bool TFlatText::AddText(std::string_view text) {
  // Without a host (tools, tests) the setting's default applies; a step below
  // 1 would never show the text, and the setting's range ends at 255.
  const GraphicsHost* host = GetGraphicsHost();
  FRevealSpeed = 2 * std::clamp(host ? host->MessageStep() : kDefaultMessageStep, 1, 255);
  const bool added = FLetters.AddText(text);
  if (added) {
    FDone = false;
    FPageText += text;
  }
  return added;
}

bool TFlatText::RevealNext() {
  if (FFull) return false;
  if (FLetters.Count() == 0 || FDone) {
    FDone = true;
    return false;
  }
  const TLet& l = FLetters.Letter(0);
  if (l.X == 0) {
    FLineY += kLineStep;
    if (FLineY > FPicture.Height() - kBottomMargin) {
      FFull = true;  // the letter stays queued until the page is cleared
      return true;
    }
  }
  glyphFont_.face = l.FontName;
  glyphFont_.bold = l.Style & kStyleBold;
  glyphFont_.italic = l.Style & kStyleItalic;
  DrawGlyph(l.X, FLineY - l.Size / 2, l.Color, l.Size, l.Text);
  if (!l.Ruby.empty()) DrawRuby(l);
  FLetters.DeleteLetter(0);
  if (FLetters.Count() == 0) FDone = true;
  return true;
}

void TFlatText::RevealAll() {
  while (!FDone && !FFull) RevealNext();
}

void TFlatText::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  // Revealing goes on while the owner hides the layer.
  if (code != 100 || FDone) return;
  FRevealAcc += FRevealSpeed;
  while (FRevealAcc > 100) {
    FRevealAcc -= 100;
    RevealNext();
  }
}

void TFlatText::DrawGlyph(int32_t x, int32_t y, Colour color, int32_t size, const Bytes& text) {
  glyphFont_.height = 2 * size;
  const TextExtent e = text_->Measure(glyphFont_, text);
  const int32_t gw = std::min((e.width - 2) / 2, kMaxHalfGlyph);
  // The work picture is cleared below the cell too: a face that stands in
  // for the data's own can reach below its cell (a Latin descender), and
  // those rows are shown as well, where the named face would have had them
  // inside its cell.
  FGlyph.FillRect(0, 0, e.width, FGlyph.Height(), 0);
  text_->Draw(FGlyph, 0, 0, glyphFont_, 0xFFFFFF, text);
  int32_t rows = e.height;
  for (int r = FGlyph.Height() - 1; r >= rows; --r) {
    const uint8_t* g = FGlyph.Row(r);
    const int n = 3 * std::min(e.width, FGlyph.Width());
    if (std::any_of(g, g + std::max(n, 0), [](uint8_t v) { return v != 0; })) rows = r + 1;
  }
  const int32_t gh = std::min((rows - 2) / 2, kMaxHalfGlyph);

  FPicture.FillRect(x, y, x + gw + 1, y + gh + 1, color, 0);
  if (FPicture.Is32()) {
    // The box and the work picture both clip: samples beyond the work
    // picture (a glyph wider than 112 pixels) count as black.
    const int c0 = std::max(0, -x), c1 = std::min(gw, FPicture.Width() - 1 - x);
    const int r0 = std::max(0, -y), r1 = std::min(gh, FPicture.Height() - 1 - y);
    const int gwMax = FGlyph.Width(), ghMax = FGlyph.Height();
    auto sample = [&](int i, int j) -> int {
      return i < gwMax && j < ghMax ? FGlyph.Pixel(i, j)[0] : 0;
    };
    for (int r = r0; r <= r1 && c0 <= c1; ++r) {
      uint8_t* p = FPicture.Pixel(x + c0, y + r) + 3;
      for (int c = c0; c <= c1; ++c, p += 4)
        *p = static_cast<uint8_t>((sample(2 * c, 2 * r) + sample(2 * c + 1, 2 * r) +
                                   sample(2 * c, 2 * r + 1) + sample(2 * c + 1, 2 * r + 1)) /
                                  4);
    }
  }
  MarkRect(x, y, x + gw, y + gh);
}

void TFlatText::DrawRuby(const TLet& l) {
  glyphFont_.face = "SIMHEI";
  glyphFont_.height = kRubySize;
  glyphFont_.bold = glyphFont_.italic = false;
  const int32_t n = static_cast<int32_t>(l.Ruby.size() / 2);  // ruby is double-byte characters
  const int32_t span = l.RubySpan;
  int32_t tw = text_->Measure(glyphFont_, l.Ruby).width;
  int32_t xs = std::max(0, l.X + (span - tw) / 2);
  if (span + 20 < tw) tw = 0;  // far wider than its base: spread it out after all
  const int32_t pitch = std::max(n > 0 ? span / n : 1, 8);
  int32_t off = (span - ((n - 1) * pitch + 9)) / 2;
  if (l.X + off < 0) off = 0;
  const int32_t top = FLineY - kRubyRise;
  for (int32_t k = 0; k < n; ++k) {
    const Bytes ch = l.Ruby.substr(2 * k, 2);
    if (tw < span) {
      DrawRubyChar(l.X + off + k * pitch, top, l.Color, kRubySize, ch);  // spread over the base
    } else {
      DrawRubyChar(xs, top, l.Color, kRubySize, ch);  // set solid, centred
      xs += text_->Measure(glyphFont_, ch).width;
    }
  }
}

void TFlatText::DrawRubyChar(int32_t x, int32_t y, Colour color, int32_t size, const Bytes& text) {
  // Black ruby is drawn in 0x010101 so that it differs from the background.
  const Colour c = color == 0 ? 0x010101 : color;
  const uint8_t bgr[3] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
  glyphFont_.height = size;
  const TextExtent e = text_->Measure(glyphFont_, text);
  // Rendered white on black, the glyph's pixels are its anti-aliased
  // coverage: that becomes the alpha (full coverage giving 200), and every
  // inked pixel takes the letter's own colour, so ruby shows in that colour
  // rather than darkened by the coverage.
  FGlyph.FillRect(0, 0, e.width, e.height, 0);
  text_->Draw(FGlyph, 0, 0, glyphFont_, 0xFFFFFF, text);
  if (FPicture.Is32()) {
    const int c0 = std::max(0, -x);
    const int c1 = std::min({e.width, FGlyph.Width(), FPicture.Width() - x});
    const int r0 = std::max(0, -y);
    const int r1 = std::min({e.height, FGlyph.Height(), FPicture.Height() - y});
    for (int r = r0; r < r1 && c0 < c1; ++r) {
      const uint8_t* g = FGlyph.Pixel(c0, r);
      uint8_t* p = FPicture.Pixel(x + c0, y + r);
      for (int col = c0; col < c1; ++col, g += 3, p += 4)
        if (g[0]) {
          p[0] = bgr[0];
          p[1] = bgr[1];
          p[2] = bgr[2];
          p[3] = static_cast<uint8_t>((g[0] * kRubyAlpha + 127) / 255);
        }
    }
  }
  MarkRect(x, y, x + e.width, y + e.height);
}

}  // namespace vantel
