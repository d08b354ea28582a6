// Painting for the demo's pictures: gradients and anti-aliased shapes
// (ellipses, rounded rectangles, convex polygons, thick lines, glows)
// blended into a vantel::Picture. 24-bit canvases blend over their pixels;
// 32-bit canvases composite with straight alpha, so shapes painted on a
// transparent canvas give a picture with soft alpha edges. No failures.
#pragma once

#include <utility>
#include <vector>

#include "base/Picture.h"

namespace vantel::demo {

struct Rgb {
  double r = 0, g = 0, b = 0;
};
Rgb Lerp(Rgb a, Rgb b, double t);
Rgb Hex(unsigned rgb);  // 0xRRGGBB

class Canvas {
 public:
  Canvas(int width, int height, bool alpha, Rgb fill = {}, double fillAlpha = 1);
  int Width() const { return picture_.Width(); }
  int Height() const { return picture_.Height(); }
  Picture& Pic() { return picture_; }
  const Picture& Pic() const { return picture_; }

  // Blends one pixel (outside the canvas: nothing).
  void Blend(int x, int y, Rgb c, double a);
  void VerticalGradient(int top, int bottom, Rgb from, Rgb to, double a = 1);
  void Rect(double l, double t, double r, double b, Rgb c, double a = 1);
  void Ellipse(double cx, double cy, double rx, double ry, Rgb c, double a = 1, double feather = 1);
  void RoundRect(double l, double t, double r, double b, double radius, Rgb c, double a = 1);
  // A convex polygon, points in either winding order.
  void Polygon(const std::vector<std::pair<double, double>>& pts, Rgb c, double a = 1);
  void Line(double x0, double y0, double x1, double y1, double width, Rgb c, double a = 1);
  // A radial glow: full alpha a at the centre, fading smoothly to 0 at r.
  void Glow(double cx, double cy, double r, Rgb c, double a = 1);
  // Draws `src` (any format) at (x, y) scaled by `scale`, with its alpha.
  void Draw(const Picture& src, double x, double y, double scale = 1, double a = 1);

 private:
  // Runs cover(px, py) -> 0..1 over a bounding box and blends.
  template <typename F>
  void Cover(double l, double t, double r, double b, Rgb c, double a, F cover);
  Picture picture_;
};

// A smaller copy by area averaging (for thumbnails).
Picture Shrink(const Picture& src, int width, int height);

}  // namespace vantel::demo
