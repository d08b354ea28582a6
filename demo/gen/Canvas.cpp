#include "demo/gen/Canvas.h"

#include <algorithm>
#include <cmath>

namespace vantel::demo {

Rgb Lerp(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Hex(unsigned rgb) {
  return {static_cast<double>((rgb >> 16) & 0xFF), static_cast<double>((rgb >> 8) & 0xFF),
          static_cast<double>(rgb & 0xFF)};
}

namespace {
uint8_t Byte(double v) {
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}
double Clamp01(double v) {
  return std::clamp(v, 0.0, 1.0);
}
}  // namespace

Canvas::Canvas(int width, int height, bool alpha, Rgb fill, double fillAlpha)
    : picture_(width, height, alpha ? Picture::Format::BGRA32 : Picture::Format::BGR24) {
  const uint8_t a = alpha ? Byte(fillAlpha * 255) : 255;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture_.Pixel(x, y);
      p[0] = Byte(fill.b);
      p[1] = Byte(fill.g);
      p[2] = Byte(fill.r);
      if (alpha) p[3] = a;
    }
}

void Canvas::Blend(int x, int y, Rgb c, double a) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height() || a <= 0) return;
  a = std::min(a, 1.0);
  uint8_t* p = picture_.Pixel(x, y);
  if (!picture_.Is32()) {
    p[0] = Byte(p[0] + (c.b - p[0]) * a);
    p[1] = Byte(p[1] + (c.g - p[1]) * a);
    p[2] = Byte(p[2] + (c.r - p[2]) * a);
    return;
  }
  const double da = p[3] / 255.0;
  const double oa = a + da * (1 - a);
  if (oa <= 0) return;
  p[0] = Byte((c.b * a + p[0] * da * (1 - a)) / oa);
  p[1] = Byte((c.g * a + p[1] * da * (1 - a)) / oa);
  p[2] = Byte((c.r * a + p[2] * da * (1 - a)) / oa);
  p[3] = Byte(oa * 255);
}

template <typename F>
void Canvas::Cover(double l, double t, double r, double b, Rgb c, double a, F cover) {
  const int x0 = std::max(0, static_cast<int>(std::floor(l)) - 1);
  const int y0 = std::max(0, static_cast<int>(std::floor(t)) - 1);
  const int x1 = std::min(Width() - 1, static_cast<int>(std::ceil(r)) + 1);
  const int y1 = std::min(Height() - 1, static_cast<int>(std::ceil(b)) + 1);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const double k = cover(x + 0.5, y + 0.5);
      if (k > 0) Blend(x, y, c, a * k);
    }
}

void Canvas::VerticalGradient(int top, int bottom, Rgb from, Rgb to, double a) {
  for (int y = std::max(0, top); y < std::min(Height(), bottom); ++y) {
    const Rgb c =
        Lerp(from, to, bottom > top + 1 ? static_cast<double>(y - top) / (bottom - top - 1) : 0);
    for (int x = 0; x < Width(); ++x) Blend(x, y, c, a);
  }
}

void Canvas::Rect(double l, double t, double r, double b, Rgb c, double a) {
  Cover(l, t, r, b, c, a, [&](double x, double y) {
    return Clamp01(std::min({x - l + 0.5, r - x + 0.5, y - t + 0.5, b - y + 0.5}));
  });
}

void Canvas::Ellipse(double cx, double cy, double rx, double ry, Rgb c, double a, double feather) {
  if (rx <= 0 || ry <= 0) return;
  Cover(cx - rx, cy - ry, cx + rx, cy + ry, c, a, [&](double x, double y) {
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    const double d =
        (std::sqrt(dx * dx + dy * dy) - 1) * std::min(rx, ry);  // approx. pixels outside
    return Clamp01(0.5 - d / std::max(0.5, feather));
  });
}

void Canvas::RoundRect(double l, double t, double r, double b, double radius, Rgb c, double a) {
  radius = std::min({radius, (r - l) / 2, (b - t) / 2});
  Cover(l, t, r, b, c, a, [&](double x, double y) {
    const double qx = std::max(std::abs(x - (l + r) / 2) - ((r - l) / 2 - radius), 0.0);
    const double qy = std::max(std::abs(y - (t + b) / 2) - ((b - t) / 2 - radius), 0.0);
    const double inner = std::min(std::max(std::abs(x - (l + r) / 2) - ((r - l) / 2 - radius),
                                           std::abs(y - (t + b) / 2) - ((b - t) / 2 - radius)),
                                  0.0);
    const double d = std::sqrt(qx * qx + qy * qy) + inner - radius;
    return Clamp01(0.5 - d);
  });
}

void Canvas::Polygon(const std::vector<std::pair<double, double>>& pts, Rgb c, double a) {
  if (pts.size() < 3) return;
  double l = pts[0].first, r = l, t = pts[0].second, b = t, area = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    l = std::min(l, pts[i].first);
    r = std::max(r, pts[i].first);
    t = std::min(t, pts[i].second);
    b = std::max(b, pts[i].second);
    const auto& p = pts[i];
    const auto& q = pts[(i + 1) % pts.size()];
    area += p.first * q.second - q.first * p.second;
  }
  const double sign = area >= 0 ? 1 : -1;
  Cover(l, t, r, b, c, a, [&](double x, double y) {
    double d = 1e9;  // distance inside, to the nearest edge
    for (size_t i = 0; i < pts.size(); ++i) {
      const auto& p = pts[i];
      const auto& q = pts[(i + 1) % pts.size()];
      const double ex = q.first - p.first, ey = q.second - p.second;
      const double len = std::sqrt(ex * ex + ey * ey);
      if (len <= 0) continue;
      d = std::min(d, sign * (ex * (y - p.second) - ey * (x - p.first)) / len);
    }
    return Clamp01(d + 0.5);
  });
}

void Canvas::Line(double x0, double y0, double x1, double y1, double width, Rgb c, double a) {
  const double h = width / 2;
  const double ex = x1 - x0, ey = y1 - y0, len2 = ex * ex + ey * ey;
  Cover(std::min(x0, x1) - h, std::min(y0, y1) - h, std::max(x0, x1) + h, std::max(y0, y1) + h, c,
        a, [&](double x, double y) {
          const double t =
              len2 > 0 ? std::clamp(((x - x0) * ex + (y - y0) * ey) / len2, 0.0, 1.0) : 0;
          const double dx = x - (x0 + t * ex), dy = y - (y0 + t * ey);
          return Clamp01(h - std::sqrt(dx * dx + dy * dy) + 0.5);
        });
}

void Canvas::Glow(double cx, double cy, double r, Rgb c, double a) {
  Cover(cx - r, cy - r, cx + r, cy + r, c, a, [&](double x, double y) {
    const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / r;
    if (d >= 1) return 0.0;
    const double k = 1 - d;
    return k * k * (3 - 2 * k);
  });
}

void Canvas::Draw(const Picture& src, double x, double y, double scale, double a) {
  if (src.Empty() || scale <= 0) return;
  const int w = static_cast<int>(src.Width() * scale), h = static_cast<int>(src.Height() * scale);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const int sx = std::min(src.Width() - 1, static_cast<int>(i / scale));
      const int sy = std::min(src.Height() - 1, static_cast<int>(j / scale));
      const uint8_t* p = src.Pixel(sx, sy);
      const double pa = src.Is32() ? p[3] / 255.0 : 1.0;
      Blend(static_cast<int>(x) + i, static_cast<int>(y) + j,
            {static_cast<double>(p[2]), static_cast<double>(p[1]), static_cast<double>(p[0])},
            a * pa);
    }
}

Picture Shrink(const Picture& src, int width, int height) {
  Picture out(width, height, src.PixelFormat());
  const int bpp = src.BytesPerPixel();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int sx0 = x * src.Width() / width,
                sx1 = std::max(sx0 + 1, (x + 1) * src.Width() / width);
      const int sy0 = y * src.Height() / height,
                sy1 = std::max(sy0 + 1, (y + 1) * src.Height() / height);
      double sum[4] = {0, 0, 0, 0};
      for (int sy = sy0; sy < sy1; ++sy)
        for (int sx = sx0; sx < sx1; ++sx)
          for (int k = 0; k < bpp; ++k) sum[k] += src.Pixel(sx, sy)[k];
      const double n = static_cast<double>((sx1 - sx0) * (sy1 - sy0));
      for (int k = 0; k < bpp; ++k) out.Pixel(x, y)[k] = Byte(sum[k] / n);
    }
  return out;
}

}  // namespace vantel::demo
