#include "demo/gen/Lettering.h"

#include "base/Bytes.h"
#include "platform/FontText.h"

namespace vantel::demo {
namespace {

FontText& Service() {
  static FontText service;
  return service;
}

FontRequest Request(const Letters& style) {
  FontRequest r;
  r.face = FromUtf8(style.serif ? "MS Mincho" : "MS Gothic");
  r.height = style.height;
  r.bold = style.bold;
  return r;
}

}  // namespace

int TextWidth(const std::string& utf8, const Letters& style) {
  return Service().Measure(Request(style), FromUtf8(utf8)).width;
}

void DrawText(Canvas& canvas, double x, double y, const std::string& utf8, const Letters& style) {
  const FontRequest font = Request(style);
  const Bytes text = FromUtf8(utf8);
  const TextExtent extent = Service().Measure(font, text);
  if (extent.width <= 0 || extent.height <= 0) return;
  Picture coverage(extent.width + 2, extent.height + 2, Picture::Format::BGR24, 0);
  coverage.Fill(0);
  Service().Draw(coverage, 1, 1, font, 0xFFFFFF, text);
  const int ox = static_cast<int>(x) - 1, oy = static_cast<int>(y) - 1;
  auto blend = [&](int dx, int dy, Rgb colour, double alpha) {
    for (int j = 0; j < coverage.Height(); ++j)
      for (int i = 0; i < coverage.Width(); ++i) {
        const uint8_t c = coverage.Pixel(i, j)[0];
        if (c) canvas.Blend(ox + i + dx, oy + j + dy, colour, alpha * c / 255.0);
      }
  };
  if (style.shadow > 0) {
    blend(1, 1, Rgb{0, 0, 0}, style.shadow);
    blend(2, 2, Rgb{0, 0, 0}, style.shadow * 0.5);
  }
  blend(0, 0, style.colour, style.alpha);
}

void DrawTextCentred(Canvas& canvas, double cx, double y, const std::string& utf8,
                     const Letters& style) {
  DrawText(canvas, cx - TextWidth(utf8, style) / 2.0, y, utf8, style);
}

}  // namespace vantel::demo
