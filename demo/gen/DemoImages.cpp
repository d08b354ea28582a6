#include "demo/gen/DemoImages.h"

#include <cmath>
#include <cstdio>

#include "base/PngWrite.h"
#include "demo/gen/Canvas.h"
#include "demo/gen/JpegWrite.h"
#include "demo/gen/Lettering.h"
#include "demo/gen/Synth.h"
#include "scenes/Class_Scroll.h"

namespace vantel::demo {
namespace {

constexpr double kPi = 3.14159265358979323846;
using Points = std::vector<std::pair<double, double>>;

std::string Png(const Canvas& c) {
  return EncodePng(c.Pic());
}
std::string Jpg(const Canvas& c) {
  return EncodeJpeg(c.Pic(), 90);
}

const Rgb kWhite = Hex(0xFFFFFF);
const Rgb kBlack = Hex(0x000000);

// ---------- scenery ----------

void Clouds(Canvas& c, Rng& rng, double top, double bottom, int count, Rgb colour, double a) {
  for (int i = 0; i < count; ++i) {
    const double x = rng.Uniform() * c.Width(), y = top + rng.Uniform() * (bottom - top);
    const double w = 60 + rng.Uniform() * 120;
    for (int k = 0; k < 5; ++k)
      c.Ellipse(x + (k - 2) * w * 0.3, y - (k % 2) * w * 0.12, w * 0.35, w * 0.18, colour, a, 6);
  }
}

void Sea(Canvas& c, Rng& rng, int top, Rgb near, Rgb far, Rgb glint, int glints) {
  c.VerticalGradient(top, c.Height(), far, near);
  for (int i = 0; i < glints; ++i) {
    const double y = top + std::pow(rng.Uniform(), 1.6) * (c.Height() - top);
    const double w = 6 + (y - top) * 0.12 * rng.Uniform();
    c.Ellipse(rng.Uniform() * c.Width(), y, w, 1 + (y - top) * 0.006, glint, 0.35, 1);
  }
}

void Stars(Canvas& c, Rng& rng, int count, double bottom) {
  for (int i = 0; i < count; ++i) {
    const double r = 0.6 + rng.Uniform() * 1.2;
    c.Ellipse(rng.Uniform() * c.Width(), rng.Uniform() * bottom, r, r, kWhite,
              0.4 + 0.6 * rng.Uniform(), 1);
  }
}

// A lighthouse standing on baseY, `h` pixels tall, centred on x.
void Lighthouse(Canvas& c, double x, double baseY, double h, Rgb body, Rgb band, bool lit) {
  const double wb = h * 0.16, wt = h * 0.10, top = baseY - h;
  c.Polygon({{x - wb, baseY}, {x + wb, baseY}, {x + wt, top + h * 0.15}, {x - wt, top + h * 0.15}},
            body);
  for (int i = 0; i < 2; ++i) {
    const double y0 = baseY - h * (0.3 + 0.3 * i), y1 = y0 - h * 0.1;
    const double w0 = wb + (wt - wb) * (baseY - y0) / (h * 0.85),
                 w1 = wb + (wt - wb) * (baseY - y1) / (h * 0.85);
    c.Polygon({{x - w0, y0}, {x + w0, y0}, {x + w1, y1}, {x - w1, y1}}, band);
  }
  c.Rect(x - wt * 1.3, top + h * 0.13, x + wt * 1.3, top + h * 0.16, Lerp(body, kBlack, 0.5));
  c.Rect(x - wt * 0.8, top + h * 0.03, x + wt * 0.8, top + h * 0.13,
         lit ? Hex(0xFFF0B0) : Lerp(body, kBlack, 0.35));
  c.Polygon({{x - wt, top + h * 0.03}, {x + wt, top + h * 0.03}, {x, top - h * 0.04}},
            Lerp(band, kBlack, 0.2));
  if (lit) c.Glow(x, top + h * 0.08, h * 0.5, Hex(0xFFF2C0), 0.7);
}

void Houses(Canvas& c, Rng& rng, double baseY, double slope, int count) {
  static const unsigned kWalls[] = {0xE8DCC8, 0xD8C8B0, 0xC8D4D8, 0xF0E6D8, 0xBFAF98};
  static const unsigned kRoofs[] = {0x5A6A7A, 0x8A4A3A, 0x4A5A4A, 0x6A5A8A, 0x3A4A5A};
  for (int i = 0; i < count; ++i) {
    const double x = i * (c.Width() / static_cast<double>(count)) + rng.Uniform() * 20;
    const double y = baseY - slope * x + rng.Uniform() * 30;
    const double w = 70 + rng.Uniform() * 60, h = 50 + rng.Uniform() * 50;
    const Rgb wall = Hex(kWalls[rng.Below(5)]), roof = Hex(kRoofs[rng.Below(5)]);
    c.Rect(x, y - h, x + w, c.Height(), wall);
    c.Polygon({{x - 8, y - h}, {x + w + 8, y - h}, {x + w / 2, y - h - h * 0.5}}, roof);
    for (int k = 0; k < 2; ++k)
      c.Rect(x + 12 + k * (w / 2), y - h + 15, x + 26 + k * (w / 2), y - h + 32, Hex(0x506070));
  }
}

Canvas BgUmi() {
  Canvas c(800, 600, false);
  Rng rng(1);
  c.VerticalGradient(0, 330, Hex(0x5EA8E8), Hex(0xD8ECF8));
  Clouds(c, rng, 40, 220, 7, kWhite, 0.8);
  c.Polygon({{560, 330}, {800, 330}, {800, 290}, {700, 286}, {640, 305}}, Hex(0x6A8A70));
  Lighthouse(c, 720, 292, 90, Hex(0xF4F4F0), Hex(0xC04040), false);
  Sea(c, rng, 330, Hex(0x1E6FA8), Hex(0x64A8D0), kWhite, 160);
  c.Polygon({{0, 600}, {0, 480}, {300, 500}, {800, 540}, {800, 600}}, Hex(0xE8D8B0));
  c.Polygon({{0, 482}, {300, 502}, {800, 542}, {800, 548}, {300, 508}, {0, 490}}, kWhite, 0.6);
  return c;
}

Canvas BgMachi() {
  Canvas c(800, 600, false);
  Rng rng(2);
  c.VerticalGradient(0, 260, Hex(0x88C0F0), Hex(0xE4F0F8));
  Clouds(c, rng, 30, 140, 4, kWhite, 0.7);
  Sea(c, rng, 200, Hex(0x3A80B8), Hex(0x80B8D8), kWhite, 40);
  Houses(c, rng, 420, 0.25, 7);
  c.Polygon({{300, 600}, {500, 600}, {430, 330}, {390, 330}}, Hex(0xB8B0A0));
  for (int i = 0; i < 14; ++i) {
    const double y = 340 + i * i * 1.35;
    const double half = 20 + (y - 330) * 0.37;
    c.Line(410 - half, y, 410 + half, y, 1.5, Hex(0x8A8070), 0.8);
  }
  c.Rect(640, 120, 648, 600, Hex(0x5A4A3A));
  c.Line(560, 150, 800, 135, 1.5, Hex(0x303030), 0.7);
  return c;
}

Canvas BgHeya() {
  Canvas c(800, 600, false);
  c.VerticalGradient(0, 400, Hex(0xE8DCC0), Hex(0xD0C0A0));
  c.Rect(470, 70, 740, 330, Hex(0x8AC8F0));
  for (int i = 0; i < 3; ++i) c.Ellipse(520 + 80 * i, 130 + 20 * (i % 2), 40, 14, kWhite, 0.8, 6);
  for (int i = 0; i <= 4; ++i) c.Line(470 + i * 67.5, 70, 470 + i * 67.5, 330, 5, Hex(0x7A5A3A));
  for (int i = 0; i <= 3; ++i) c.Line(470, 70 + i * 86.7, 740, 70 + i * 86.7, 5, Hex(0x7A5A3A));
  c.Rect(0, 395, 800, 405, Hex(0x6A4A2A));
  c.Polygon({{0, 405}, {800, 405}, {800, 600}, {0, 600}}, Hex(0xB8B878));
  for (int i = 0; i < 5; ++i)
    c.Line(-200 + i * 300, 600, 100 + i * 150, 405, 2, Hex(0x8A8A50), 0.7);
  c.RoundRect(200, 470, 560, 520, 8, Hex(0x5A3A20));
  c.Rect(220, 520, 240, 580, Hex(0x4A2A10));
  c.Rect(520, 520, 540, 580, Hex(0x4A2A10));
  c.Ellipse(300, 462, 24, 8, Hex(0xE0E8E0));
  return c;
}

Canvas BgMise() {
  Canvas c(800, 600, false);
  Rng rng(4);
  c.VerticalGradient(0, 600, Hex(0x4A3A2C), Hex(0x2A2018));
  c.Glow(400, 80, 380, Hex(0xFFD890), 0.35);
  for (int s = 0; s < 3; ++s) {
    const double y = 120 + s * 110;
    c.Rect(40, y, 760, y + 10, Hex(0x6A4A2A));
    for (int i = 0; i < 9; ++i) {
      const double x = 60 + i * 78 + rng.Uniform() * 10, h = 40 + rng.Uniform() * 50;
      c.RoundRect(x, y - h, x + 60, y, 4, Lerp(Hex(0x807060), Hex(0xC0A080), rng.Uniform()));
      c.Ellipse(x + 16, y - h / 2, 7, 7, Hex(0x303030));
      c.Ellipse(x + 44, y - h / 2, 5, 5, Hex(0x303030));
    }
  }
  c.Rect(0, 470, 800, 600, Hex(0x5A3A22));
  c.Rect(0, 470, 800, 480, Hex(0x7A5A3A));
  c.Line(600, 0, 600, 90, 2, Hex(0x202020));
  c.Polygon({{570, 90}, {630, 90}, {615, 70}, {585, 70}}, Hex(0x304030));
  c.Glow(600, 95, 120, Hex(0xFFE0A0), 0.6);
  return c;
}

Canvas BgToudai() {
  Canvas c(800, 600, false);
  Rng rng(5);
  c.VerticalGradient(0, 380, Hex(0x5A3A78), Hex(0xF8A060));
  c.Glow(150, 360, 200, Hex(0xFFD080), 0.7);
  Clouds(c, rng, 60, 200, 5, Hex(0xF0A0A0), 0.45);
  Sea(c, rng, 380, Hex(0x2A2A50), Hex(0x8A5A70), Hex(0xFFC080), 90);
  c.Polygon({{300, 600}, {330, 470}, {420, 420}, {800, 400}, {800, 600}}, Hex(0x2A2030));
  Lighthouse(c, 560, 425, 330, Hex(0xF0E8E0), Hex(0xB03838), false);
  return c;
}

Canvas BgYoru() {
  Canvas c(800, 600, false);
  Rng rng(6);
  c.VerticalGradient(0, 360, Hex(0x040818), Hex(0x1A2A50));
  Stars(c, rng, 220, 340);
  c.Glow(600, 110, 110, Hex(0xD0E0FF), 0.5);
  c.Ellipse(600, 110, 34, 34, Hex(0xF4F4E8), 1, 1.5);
  Sea(c, rng, 360, Hex(0x050A18), Hex(0x142040), Hex(0xC0D0F0), 0);
  for (int i = 0; i < 60; ++i) {
    const double y = 365 + i * 4;
    c.Ellipse(600 + (rng.Uniform() - 0.5) * (10 + i), y, 8 + i * 0.8 * rng.Uniform(), 1.2,
              Hex(0xE0E8FF), 0.5);
  }
  return c;
}

Canvas BgMatsuri() {
  Canvas c(800, 600, false);
  Rng rng(7);
  c.VerticalGradient(0, 600, Hex(0x0A0A24), Hex(0x2A1A30));
  Stars(c, rng, 80, 200);
  for (int i = 0; i < 6; ++i) {
    const double x = i * 140 - 10;
    c.Rect(x, 380, x + 120, 600, Hex(0x3A2418));
    c.Polygon({{x - 8, 380}, {x + 128, 380}, {x + 100, 340}, {x + 20, 340}},
              Hex(i % 2 ? 0xC03030 : 0xE8E0D0));
    c.Glow(x + 60, 420, 70, Hex(0xFFC070), 0.5);
  }
  for (int row = 0; row < 2; ++row) {
    const double y0 = 150 + row * 90;
    c.Line(0, y0, 800, y0 + 20, 1.5, Hex(0x202020));
    for (int i = 0; i < 10; ++i) {
      const double x = 40 + i * 80, y = y0 + 20 * x / 800 + 20;
      c.Glow(x, y, 40, Hex(0xFF8040), 0.5);
      c.Ellipse(x, y, 14, 18, Hex(0xE84030), 1, 1.5);
      c.Rect(x - 9, y - 20, x + 9, y - 16, Hex(0x202020));
    }
  }
  return c;
}

Canvas BgSora() {
  Canvas c(800, 600, false);
  Rng rng(8);
  c.VerticalGradient(0, 520, Hex(0x2A78D8), Hex(0xC8E4F8));
  Clouds(c, rng, 120, 420, 9, kWhite, 0.85);
  Sea(c, rng, 520, Hex(0x2060A0), Hex(0x70B0D8), kWhite, 40);
  return c;
}

// ---------- event pictures ----------

void Reel(Canvas& c, double x, double y, double r) {
  c.Ellipse(x, y, r, r, Hex(0x8A8A90));
  c.Ellipse(x, y, r * 0.8, r * 0.8, Hex(0x3A3028));
  c.Ellipse(x, y, r * 0.25, r * 0.25, Hex(0xB0B0B8));
  for (int k = 0; k < 3; ++k) {
    const double a = k * 2 * kPi / 3;
    c.Line(x, y, x + std::cos(a) * r * 0.8, y + std::sin(a) * r * 0.8, 5, Hex(0x8A8A90));
  }
}

Canvas Ev01() {
  Canvas c(800, 600, false);
  c.VerticalGradient(0, 600, Hex(0x2A2A34), Hex(0x141418));
  c.Ellipse(400, 110, 90, 90, Hex(0x0A1230));
  Rng rng(11);
  c.Ellipse(400, 110, 92, 92, Hex(0x6A6A70), 1);
  c.Ellipse(400, 110, 84, 84, Hex(0x0A1838), 1);
  for (int i = 0; i < 30; ++i)
    c.Ellipse(330 + rng.Uniform() * 140, 40 + rng.Uniform() * 140, 1, 1, kWhite, 0.8);
  for (int i = 0; i < 3; ++i) {
    const double x = 60 + i * 250;
    c.RoundRect(x, 240, x + 200, 470, 6, Hex(0x5A5A60));
    for (int k = 0; k < 5; ++k) c.Ellipse(x + 25 + k * 38, 280, 10, 10, Hex(0x202020));
    for (int k = 0; k < 4; ++k)
      c.Rect(x + 20 + k * 45, 320, x + 50 + k * 45, 340, Hex(0x9AC890), 0.8);
  }
  Reel(c, 370, 380, 50);
  Reel(c, 490, 380, 50);
  c.Glow(640, 300, 60, Hex(0xFF2020), 0.9);
  c.Ellipse(640, 300, 7, 7, Hex(0xFF5040));
  c.Rect(0, 470, 800, 600, Hex(0x3A2A20));
  return c;
}

Canvas Ev02() {
  Canvas c(800, 600, false);
  c.VerticalGradient(0, 600, Hex(0xE8E0D0), Hex(0x40383A));
  for (int i = 0; i < 18; ++i) {
    const double t = i / 18.0;
    const double rx = 380 * (1 - t) + 20, ry = rx * 0.35, cy = 560 - i * 30;
    c.Ellipse(400 + 30 * std::sin(i * 0.7), cy, rx, ry, Lerp(Hex(0x5A5058), Hex(0xE0D8C8), t), 1,
              2);
    c.Ellipse(400 + 30 * std::sin(i * 0.7), cy - 6, rx * 0.9, ry * 0.85,
              Lerp(Hex(0x3A3038), Hex(0xC8C0B0), t), 1, 2);
  }
  c.Glow(410, 40, 160, Hex(0xFFFFF0), 0.9);
  return c;
}

Canvas Ev03() {
  Canvas c(800, 600, false);
  Rng rng(13);
  c.VerticalGradient(0, 420, Hex(0x020410), Hex(0x10204A));
  Stars(c, rng, 160, 400);
  Sea(c, rng, 420, Hex(0x02040C), Hex(0x0C1838), Hex(0xFFF0C0), 60);
  c.Polygon({{0, 600}, {0, 440}, {200, 430}, {300, 470}, {300, 600}}, Hex(0x06060A));
  Lighthouse(c, 150, 440, 300, Hex(0x30303A), Hex(0x20202A), true);
  for (int k = 0; k < 6; ++k)
    c.Polygon({{150, 160}, {800, 60 - k * 18}, {800, 200 + k * 18}}, Hex(0xFFF4C8), 0.06);
  return c;
}

void Burst(Canvas& c, Rng& rng, double x, double y, double r, Rgb colour) {
  c.Glow(x, y, r * 1.3, colour, 0.35);
  for (int k = 0; k < 36; ++k) {
    const double a = k * 2 * kPi / 36 + rng.Uniform() * 0.05;
    const double r0 = r * 0.25, r1 = r * (0.85 + 0.15 * rng.Uniform());
    c.Line(x + std::cos(a) * r0, y + std::sin(a) * r0, x + std::cos(a) * r1, y + std::sin(a) * r1,
           2, colour, 0.8);
    c.Ellipse(x + std::cos(a) * r1, y + std::sin(a) * r1, 2.5, 2.5, kWhite, 0.9);
  }
}

Canvas Ev04() {
  Canvas c(800, 600, false);
  Rng rng(14);
  c.VerticalGradient(0, 430, Hex(0x05051A), Hex(0x20183A));
  Burst(c, rng, 250, 160, 120, Hex(0xFF6080));
  Burst(c, rng, 560, 120, 90, Hex(0x80C0FF));
  Burst(c, rng, 660, 260, 70, Hex(0xFFE060));
  Sea(c, rng, 430, Hex(0x080818), Hex(0x302040), Hex(0xFF90A0), 120);
  c.Polygon({{0, 600}, {0, 470}, {260, 470}, {260, 600}}, Hex(0x0A0A12));
  for (int i = 0; i < 8; ++i) c.Glow(20 + i * 32, 470, 18, Hex(0xFF9040), 0.8);
  Lighthouse(c, 740, 440, 160, Hex(0x404050), Hex(0x303040), true);
  return c;
}

Canvas Ev05() {
  Canvas c(800, 600, false);
  Rng rng(15);
  c.VerticalGradient(0, 330, Hex(0x4A5A9A), Hex(0xFFB070));
  c.Glow(620, 320, 220, Hex(0xFFE0A0), 0.8);
  Clouds(c, rng, 60, 220, 5, Hex(0xFFC0A0), 0.5);
  Sea(c, rng, 330, Hex(0x2A3A6A), Hex(0xE09070), Hex(0xFFE0B0), 140);
  c.Polygon({{0, 470}, {800, 440}, {800, 520}, {0, 560}}, Hex(0x505058));
  c.Line(0, 515, 800, 480, 3, Hex(0xE0E0D0), 0.7);
  c.RoundRect(200, 380, 420, 490, 18, Hex(0xE8E4D8));
  c.Rect(200, 440, 420, 452, Hex(0x3A7AB8));
  for (int k = 0; k < 5; ++k) c.RoundRect(215 + k * 40, 395, 248 + k * 40, 430, 4, Hex(0x40506A));
  c.Ellipse(250, 490, 20, 20, Hex(0x202020));
  c.Ellipse(375, 490, 20, 20, Hex(0x202020));
  return c;
}

std::string Thumb(const Canvas& full, bool png) {
  Canvas t(100, 75, false);
  t.Draw(Shrink(full.Pic(), 100, 75), 0, 0);
  for (int i = 0; i < 100; ++i) {
    t.Blend(i, 0, kWhite, 0.8);
    t.Blend(i, 74, kWhite, 0.8);
  }
  for (int j = 0; j < 75; ++j) {
    t.Blend(0, j, kWhite, 0.8);
    t.Blend(99, j, kWhite, 0.8);
  }
  return png ? Png(t) : Jpg(t);
}

// ---------- characters ----------

enum class Hair { Long, Pony, Old };

struct Person {
  Rgb skin, hair, outfit, trim, eye;
  Hair style;
  bool glasses;
};

const Person kNanami{Hex(0xF8E0D0), Hex(0x2A2030), Hex(0x3A5A8A), Hex(0xF0F0F0),
                     Hex(0x3A4A7A), Hair::Long,    false};
const Person kChikage{Hex(0xE8C8A8), Hex(0x6A3A1A), Hex(0xF0A040), Hex(0xFFFFFF),
                      Hex(0x6A3A1A), Hair::Pony,    false};
const Person kGen{Hex(0xE8C8A8), Hex(0xB8B8B8), Hex(0x4A5A4A), Hex(0x2A3A5A),
                  Hex(0x3A3A3A), Hair::Old,     true};

void Ring(Canvas& c, double x, double y, double r, double w, Rgb col) {
  for (int k = 0; k < 48; ++k) {
    const double a0 = k * 2 * kPi / 48, a1 = (k + 1) * 2 * kPi / 48;
    c.Line(x + r * std::cos(a0), y + r * std::sin(a0), x + r * std::cos(a1), y + r * std::sin(a1),
           w, col);
  }
}

// Paints a person in a 360 x 560 design space mapped by (ox, oy, s).
void DrawPerson(Canvas& c, const Person& p, const std::string& face, double ox, double oy,
                double s) {
  auto X = [&](double x) { return ox + x * s; };
  auto Y = [&](double y) { return oy + y * s; };
  auto E = [&](double cx, double cy, double rx, double ry, Rgb col, double a = 1) {
    c.Ellipse(X(cx), Y(cy), rx * s, ry * s, col, a, 1.2);
  };
  auto P = [&](Points pts, Rgb col, double a = 1) {
    for (auto& pt : pts) pt = {X(pt.first), Y(pt.second)};
    c.Polygon(pts, col, a);
  };
  auto L = [&](double x0, double y0, double x1, double y1, double w, Rgb col) {
    c.Line(X(x0), Y(y0), X(x1), Y(y1), w * s, col);
  };
  const Rgb shade = Lerp(p.skin, Hex(0xA06050), 0.25);
  if (p.style == Hair::Long) {
    E(180, 190, 112, 150, p.hair);
    P({{70, 200}, {290, 200}, {300, 420}, {60, 420}}, p.hair);
  }
  if (p.style == Hair::Pony) E(285, 150, 40, 75, p.hair);
  P({{40, 560}, {70, 340}, {130, 295}, {230, 295}, {290, 340}, {320, 560}}, p.outfit);
  P({{130, 295}, {180, 370}, {230, 295}}, p.trim);
  P({{150, 295}, {180, 345}, {210, 295}}, p.skin);
  if (p.style == Hair::Old) P({{110, 340}, {250, 340}, {270, 560}, {90, 560}}, p.trim);
  c.Rect(X(158), Y(230), X(202), Y(300), shade);
  E(180, 170, 78, 92, p.skin);
  if (p.style == Hair::Old) {
    E(110, 150, 20, 40, p.hair);
    E(250, 150, 20, 40, p.hair);
    E(180, 92, 60, 22, p.hair, 0.9);
  } else {
    E(180, 106, 88, 48, p.hair);
    for (int k = 0; k < 5; ++k)
      P({{112 + k * 28, 100}, {140 + k * 28, 100}, {122 + k * 28, 150}}, p.hair);
    E(104, 190, 16, 60, p.hair);
    E(256, 190, 16, 60, p.hair);
  }
  const double eyeY = 185;
  const bool closed = face == "smile" || face == "warai";
  for (int side = 0; side < 2; ++side) {
    const double ex = side ? 210 : 150;
    if (closed) {
      E(ex, eyeY + 2, 14, 9, Hex(0x2A2020));
      E(ex, eyeY + 6, 15, 9, p.skin);
    } else {
      const double ry = face == "odoroki" ? 18 : face == "sad" ? 11 : 15;
      E(ex, eyeY, 13, ry, kWhite);
      E(ex, eyeY + 1, 9, ry - 3, p.eye);
      E(ex, eyeY + 2, 4, ry - 8 > 2 ? ry - 8 : 2, Hex(0x101018));
      E(ex - 3, eyeY - 4, 3, 3, kWhite);
    }
    const double inner = side ? -1 : 1;  // the brow end nearer the nose
    double lift = 0;
    if (face == "sad") lift = -6;
    if (face == "okori") lift = 7;
    if (face == "odoroki") lift = -3;
    const double by = eyeY - (face == "odoroki" ? 30 : 24);
    L(ex - 14 * inner, by + lift * 0.3 - (face == "sad" ? -2 : 0), ex + 12 * inner, by + lift,
      p.style == Hair::Old ? 6 : 3.5, Lerp(p.hair, kBlack, 0.3));
  }
  if (p.glasses) {
    Ring(c, X(150), Y(eyeY), 22 * s, 3 * s, Hex(0x303030));
    Ring(c, X(210), Y(eyeY), 22 * s, 3 * s, Hex(0x303030));
    L(172, eyeY, 188, eyeY, 3, Hex(0x303030));
  }
  if (face == "smile" || face == "warai") {
    E(180, 228, face == "warai" ? 18 : 14, face == "warai" ? 11 : 7, Hex(0xA03838));
    E(180, 224, face == "warai" ? 18 : 14, 4, p.skin);
    c.Glow(X(128), Y(212), 22 * s, Hex(0xFF8080), 0.35);
    c.Glow(X(232), Y(212), 22 * s, Hex(0xFF8080), 0.35);
  } else if (face == "odoroki") {
    E(180, 232, 8, 11, Hex(0x802828));
  } else if (face == "okori") {
    L(166, 232, 194, 228, 3.5, Hex(0x803030));
  } else if (face == "sad") {
    L(168, 234, 192, 234, 3, Hex(0x904040));
    E(142, 214, 4, 7, Hex(0xA0D0FF), 0.8);
  } else {
    L(170, 230, 190, 230, 3, Hex(0x904040));
  }
  if (p.style == Hair::Old) {
    L(150, 130, 210, 130, 2, shade);
    L(130, 205, 140, 215, 2, shade);
    L(230, 205, 220, 215, 2, shade);
  }
}

std::string PersonPicture(const Person& p, const std::string& face, int w, int h) {
  Canvas c(w, h, true, {}, 0);
  DrawPerson(c, p, face, 0, 0, std::min(w / 360.0, h / 560.0));
  return Png(c);
}

std::string Cat() {
  Canvas c(800, 600, true, {}, 0);
  const Rgb body = Hex(0xF0E8E0), patch = Hex(0xD08030), dark = Hex(0x303030);
  for (int k = 0; k < 8; ++k) c.Line(700 + k * 4, 420 - k * 6, 704 + k * 4, 414 - k * 6, 10, patch);
  c.Ellipse(660, 410, 60, 40, body);
  c.Ellipse(680, 400, 22, 18, patch);
  c.Ellipse(610, 370, 32, 28, body);
  c.Polygon({{585, 355}, {595, 325}, {608, 350}}, body);
  c.Polygon({{615, 350}, {630, 325}, {638, 355}}, patch);
  c.Ellipse(600, 368, 4, 3, dark);
  c.Ellipse(622, 368, 4, 3, dark);
  c.Ellipse(611, 380, 3, 2, Hex(0xE08080));
  return Png(c);
}

std::string FarFigure() {
  Canvas c(800, 600, true, {}, 0);
  DrawPerson(c, kChikage, "smile", 340, 360, 0.42);
  c.Line(340 + 280 * 0.42, 360 + 330 * 0.42, 340 + 340 * 0.42, 360 + 200 * 0.42, 10, kChikage.skin);
  return Png(c);
}

// ---------- overlays ----------

std::string FxAme() {
  Canvas c(800, 600, true, {}, 0);
  Rng rng(21);
  for (int i = 0; i < 420; ++i) {
    const double x = rng.Uniform() * 840, y = rng.Uniform() * 620, len = 14 + rng.Uniform() * 26;
    c.Line(x, y, x - len * 0.25, y + len, 1.2, Hex(0xD0E0F0), 0.35 + 0.3 * rng.Uniform());
  }
  return Png(c);
}

std::string FxHikari() {
  Canvas c(800, 600, true, {}, 0);
  c.Glow(400, 260, 420, Hex(0xFFE8B0), 0.6);
  c.Glow(400, 260, 160, Hex(0xFFFFF0), 0.5);
  return Png(c);
}

std::string FxHoshi() {
  Canvas c(800, 600, true, {}, 0);
  Rng rng(22);
  for (int i = 0; i < 120; ++i) {
    const double x = rng.Uniform() * 800, y = rng.Uniform() * 280, r = 1 + rng.Uniform() * 2;
    c.Glow(x, y, r * 4, Hex(0xFFF8E0), 0.5);
    c.Ellipse(x, y, r, r, kWhite, 0.9);
  }
  return Png(c);
}

std::string FxMemo() {
  Canvas c(800, 600, true, {}, 0);
  c.Polygon({{135, 100}, {665, 88}, {672, 468}, {128, 476}}, Hex(0xF4ECD8));
  for (int i = 0; i < 11; ++i) c.Line(160, 130 + i * 32, 645, 124 + i * 32, 1, Hex(0xA0B8D0), 0.7);
  c.Glow(600, 420, 60, Hex(0xC0A060), 0.25);
  return Png(c);
}

// ---------- menu pictures ----------

enum class Look { Idle, Over, Pressed };

// A rounded button with an icon at its left and a light band that sweeps
// across it: `sweep` runs from 0 to 1 over the idle animation.
Canvas Button(int w, int h, Rgb base, Look look, double sweep, int icon, const std::string& label) {
  Canvas c(w, h, true, {}, 0);
  const Rgb face = look == Look::Over      ? Lerp(base, kWhite, 0.3)
                   : look == Look::Pressed ? Lerp(base, kBlack, 0.35)
                                           : base;
  const double inset = look == Look::Pressed ? 1.5 : 0;
  c.RoundRect(0, 0, w, h, h / 2.0, look == Look::Over ? Hex(0xFFE0A0) : Hex(0xD0D8E8), 0.9);
  c.RoundRect(2 + inset, 2 + inset, w - 2 + inset, h - 2 + inset, h / 2.0 - 2, face, 0.92);
  c.RoundRect(4, 3, w - 4, h / 2.0, h / 4.0, kWhite, look == Look::Pressed ? 0.05 : 0.15);
  if (sweep >= 0) {
    const double x = -30 + sweep * (w + 60);
    for (int k = -10; k <= 10; ++k)
      c.Line(x + k, 3, x + k - h * 0.4, h - 3, 1, kWhite, 0.025 * (10 - std::abs(k)));
  }
  const double cx = h * 0.65, cy = h / 2.0, r = h * 0.22;
  const Rgb ic = look == Look::Over ? Hex(0xFFF0C0) : Hex(0xF0F4FF);
  switch (icon) {
    case 0:
      c.Polygon({{cx - r * 0.7, cy - r}, {cx - r * 0.7, cy + r}, {cx + r, cy}}, ic);
      break;  // play
    case 1:
      c.Polygon({{cx + r * 0.7, cy - r}, {cx + r * 0.7, cy + r}, {cx - r, cy}}, ic);
      break;  // back
    case 2:
      c.Rect(cx - r, cy - r * 0.8, cx + r, cy + r * 0.8, ic);
      break;  // square
    case 3:
      c.Ellipse(cx, cy, r, r, ic);
      break;  // dot
    case 4:
      c.Polygon({{cx, cy - r}, {cx + r, cy}, {cx, cy + r}, {cx - r, cy}}, ic);
      break;  // diamond
    default:
      break;
  }
  Letters text;
  text.height = static_cast<int>(h * 0.6);
  text.colour = look == Look::Over ? Hex(0xFFF0C8) : look == Look::Pressed ? Hex(0xC8D0E0) : kWhite;
  text.shadow = 0.6;
  DrawTextCentred(c, (h * 1.1 + w - h * 0.3) / 2 + inset, (h - text.height) / 2.0 + inset, label,
                  text);
  return c;
}

Canvas Arrow(int w, int h, bool up, bool twice, Look look) {
  Canvas c(w, h, true, {}, 0);
  const Rgb face = look == Look::Over      ? Hex(0x4A6AA0)
                   : look == Look::Pressed ? Hex(0x1A2A40)
                                           : Hex(0x2A3A5A);
  c.RoundRect(0, 0, w, h, 10, Hex(0xC0C8D8), 0.9);
  c.RoundRect(2, 2, w - 2, h - 2, 8, face, 0.95);
  const int n = twice ? 2 : 1;
  for (int k = 0; k < n; ++k) {
    const double off = twice ? (k == 0 ? -7 : 7) : 0;
    const double cy = h / 2.0 + (up ? off : -off), r = w * 0.28;
    if (up)
      c.Polygon({{w / 2.0 - r, cy + r * 0.5}, {w / 2.0 + r, cy + r * 0.5}, {w / 2.0, cy - r * 0.5}},
                kWhite);
    else
      c.Polygon({{w / 2.0 - r, cy - r * 0.5}, {w / 2.0 + r, cy - r * 0.5}, {w / 2.0, cy + r * 0.5}},
                kWhite);
  }
  return c;
}

Canvas GameMenu() {
  Canvas c(800, 600, false);
  Rng rng(31);
  c.VerticalGradient(0, 300, Hex(0x1A1A4A), Hex(0xE08A70));
  Stars(c, rng, 60, 140);
  c.Glow(560, 300, 240, Hex(0xFFC080), 0.6);
  Sea(c, rng, 300, Hex(0x0A1028), Hex(0x6A4A6A), Hex(0xFFC0A0), 120);
  c.Polygon({{520, 320}, {800, 300}, {800, 600}, {600, 600}}, Hex(0x100C18));
  Lighthouse(c, 690, 310, 220, Hex(0x2A2430), Hex(0x3A2A34), true);
  for (int k = 0; k < 4; ++k)
    c.Polygon({{690, 110}, {0, 40 - k * 14}, {0, 150 + k * 14}}, Hex(0xFFF0C8), 0.05);
  c.RoundRect(90, 110, 470, 250, 20, Hex(0x000010), 0.35);
  c.Line(120, 218, 440, 218, 2, Hex(0xFFE0B0), 0.8);
  DrawTextCentred(c, 280, 132, "汐風ラジオ", Letters{64, true, false, Hex(0xFFF4E0), 1, 0.7});
  DrawTextCentred(c, 280, 226, "SHIOKAZE RADIO", Letters{16, false, false, Hex(0xFFE0B0), 0.9, 0});
  return c;
}

Canvas CgLibrary() {
  Canvas c(800, 600, false);
  c.VerticalGradient(0, 600, Hex(0x102830), Hex(0x08141A));
  c.RoundRect(110, 70, 690, 440, 12, Hex(0x000000), 0.35);
  for (int col = 0; col < 5; ++col)
    for (int row = 0; row < 4; ++row) {
      const double x = 130 + 110 * col, y = 90 + 85 * row;
      c.RoundRect(x - 4, y - 4, x + 104, y + 79, 4, Hex(0x4A7A88), 0.8);
      c.Rect(x, y, x + 100, y + 75, Hex(0x0A1C22));
    }
  c.Rect(0, 540, 800, 600, Hex(0x000000), 0.3);
  c.Line(40, 50, 300, 50, 2, Hex(0x80C0D0), 0.8);
  DrawText(c, 44, 16, "ギャラリー", Letters{28, true, false, Hex(0xD0F0F8), 1, 0.5});
  return c;
}

Canvas SoundLibrary() {
  Canvas c(800, 600, false);
  c.VerticalGradient(0, 600, Hex(0x24143A), Hex(0x0C0818));
  c.RoundRect(215, 75, 575, 450, 12, Hex(0x000000), 0.35);
  for (int i = 0; i < 14; ++i)
    c.Line(250, 90 + 25 * i + 23, 550, 90 + 25 * i + 23, 1, Hex(0x8060A0), 0.4);
  for (int r = 0; r < 8; ++r)
    c.Ellipse(680, 260, 100 - r * 9, 100 - r * 9, r % 2 ? Hex(0x181020) : Hex(0x282030));
  c.Ellipse(680, 260, 24, 24, Hex(0xC04060));
  c.Line(40, 50, 300, 50, 2, Hex(0xC0A0E0), 0.8);
  DrawText(c, 44, 16, "ミュージック", Letters{28, true, false, Hex(0xF0E0FF), 1, 0.5});
  return c;
}

Canvas Marker(int frame) {
  Canvas c(18, 18, true, {}, 0);
  const double t = frame / 10.0;
  c.Glow(9, 9, 6 + 3 * std::sin(t * 2 * kPi), Hex(0xFFD0F0), 0.8);
  c.Polygon({{4, 3}, {4, 15}, {15, 9}}, Hex(0xFFE8FF));
  return c;
}

// Track titles, in the music room's track order.
const char* const kTrackTitles[14] = {"源さんの湯のみ", "波打ち際",          "岬の灯台",
                                      "潮見町",         "ブリキの小箱",      "汐見電器",
                                      "嵐のあと",       "汐風ラジオ",        "はんだ付けの午後",
                                      "台風の夜",       "八月十五日",        "ひぐらし",
                                      "海沿いの道",     "海の近くのあなたへ"};

Canvas TrackStrip(int index, Look look) {
  Canvas c(300, 22, true, {}, 0);
  const Rgb bg = look == Look::Over      ? Hex(0x6A4A9A)
                 : look == Look::Pressed ? Hex(0x2A1A4A)
                                         : Hex(0x3A2A5A);
  c.RoundRect(0, 1, 300, 21, 6, bg, look == Look::Idle ? 0.6 : 0.9);
  c.Ellipse(14, 11, 8, 8, Hex(0xC0A0E0));
  Letters text;
  text.height = 16;
  text.colour = look == Look::Over ? Hex(0xFFF0FF) : Hex(0xE0D0F0);
  char number[16];
  std::snprintf(number, sizeof number, "%02d", index + 1);
  DrawTextCentred(c, 14, 3, number, Letters{11, false, true, Hex(0x2A1A3A), 1, 0});
  DrawText(c, 32, 3, kTrackTitles[index], text);
  return c;
}

// ---------- credits, closing picture, logo ----------

// Credits: role and names of each line (the names are the demo's own).
struct Credit {
  const char* role;
  const char* names;  // lines separated by '/'
};
const Credit kCreditText[33] = {{"企画", "波多野 灯"},
                                {"脚本", "岬 しおり"},
                                {"キャラクター", "朝凪 つばさ"},
                                {"サブキャラ", "夕凪 ひかる"},
                                {"2DCG", "白浜 りく"},
                                {"原画", "朝凪 つばさ"},
                                {"彩色", "青柳 ことね"},
                                {"レイアウト", "磯部 遥"},
                                {"彩色設定", "青柳 ことね"},
                                {"美術", "磯部 遥/潮田 まもる"},
                                {"3DCG", "潮田 まもる"},
                                {"プログラム", "Vantel 開発チーム"},
                                {"スクリプト", "岬 しおり"},
                                {"ムービー", "月島 凪"},
                                {"デザイン", "白浜 りく"},
                                {"題字", "墨田 波線"},
                                {"サウンド", "汐入 響"},
                                {"サウンドプロデュース", "汐入 響"},
                                {"サウンドサブ", "鳴海 すず"},
                                {"コンポーザー", "鳴海 すず/汐入 響"},
                                {"ギター", "浜辺 弦"},
                                {"胡弓", "琴浦 ゆう"},
                                {"テーマ曲", "「海の近くのあなたへ」/うた　espeak-ng"},
                                {"サウンド", "波音収録班"},
                                {"進行管理", "時任 航"},
                                {"デバッグ", "網干 ただし/Vantel テスト一同"},
                                {"広報", "港 ひらく"},
                                {"サポート", "汐見町のみなさん"},
                                {"協力", "潮見町商店街/岬の灯台保存会"},
                                {"Thanks", "and you"},
                                {"プロデューサー", "大潮 満"},
                                {"監督", "波多野 灯"},
                                {"製作", "ゼルト"}};

Canvas CreditLine(int index) {
  std::vector<std::string> names;
  for (std::string rest = kCreditText[index].names;;) {
    const size_t slash = rest.find('/');
    names.push_back(rest.substr(0, slash));
    if (slash == std::string::npos) break;
    rest = rest.substr(slash + 1);
  }
  const bool last = index == 32;
  const int nameHeight = last ? 44 : 26;
  const int h = 40 + static_cast<int>(names.size()) * (nameHeight + 8);
  Canvas c(400, h, true, {}, 0);
  const Rgb gold = Hex(0xE0C890);
  const Letters roleStyle{20, true, false, gold, 1, 0};
  const double half = TextWidth(kCreditText[index].role, roleStyle) / 2.0;
  c.Line(200 - half - 70, 12, 200 - half - 12, 12, 1.5, gold, 0.8);
  c.Line(200 + half + 12, 12, 200 + half + 70, 12, 1.5, gold, 0.8);
  DrawTextCentred(c, 200, 2, kCreditText[index].role, roleStyle);
  for (size_t k = 0; k < names.size(); ++k)
    DrawTextCentred(c, 200, 34 + k * (nameHeight + 8), names[k],
                    Letters{nameHeight, true, last, kWhite, 1, 0});
  return c;
}

Canvas Clear() {
  Canvas c(800, 600, false);
  Rng rng(41);
  c.VerticalGradient(0, 360, Hex(0x2A3A7A), Hex(0xFFC890));
  c.Glow(400, 360, 300, Hex(0xFFE8B0), 0.8);
  Clouds(c, rng, 80, 260, 6, Hex(0xFFD8C0), 0.5);
  Sea(c, rng, 360, Hex(0x1A2A5A), Hex(0xE0A080), Hex(0xFFE8C0), 160);
  Lighthouse(c, 660, 380, 150, Hex(0xF0E8E0), Hex(0xB03838), true);
  c.Line(250, 150, 550, 150, 2, kWhite, 0.8);
  DrawTextCentred(c, 400, 162, "おしまい", Letters{52, true, true, kWhite, 1, 0.6});
  c.Line(250, 230, 550, 230, 2, kWhite, 0.8);
  DrawTextCentred(c, 400, 240, "読んでくれて、ありがとう",
                  Letters{20, false, true, kWhite, 0.9, 0.5});
  return c;
}

Canvas LogoFrame(int frame) {
  Canvas c(320, 240, false);
  const double t = frame / 54.0;
  // Ripples spread first, then the mark fades in and a light passes over it.
  for (int k = 0; k < 3; ++k) {
    const double r = (t * 1.6 - k * 0.18) * 200;
    if (r > 0 && r < 200)
      for (int s = 0; s < 64; ++s) {
        const double a0 = s * 2 * kPi / 64, a1 = (s + 1) * 2 * kPi / 64;
        c.Line(160 + r * std::cos(a0), 120 + r * std::sin(a0), 160 + r * std::cos(a1),
               120 + r * std::sin(a1), 2, Hex(0x60A0FF), std::max(0.0, 0.8 - r / 250));
      }
  }
  const double mark = std::clamp((t - 0.2) / 0.4, 0.0, 1.0);
  if (mark > 0) {
    c.Glow(160, 120, 110, Hex(0x2050A0), 0.5 * mark);
    c.Polygon({{110, 80}, {210, 80}, {210, 96}, {110, 96}}, Hex(0xE8F0FF), mark);
    c.Polygon({{210, 96}, {128, 148}, {110, 148}, {192, 96}}, Hex(0xE8F0FF), mark);
    c.Polygon({{110, 148}, {210, 148}, {210, 164}, {110, 164}}, Hex(0xE8F0FF), mark);
    c.Line(110, 178, 210, 178, 2, Hex(0x80B0FF), mark);
    DrawTextCentred(c, 160, 186, "ゼ ル ト", Letters{22, true, false, Hex(0xC8DCFF), mark, 0});
  }
  const double sweep = (t - 0.6) / 0.25;
  if (sweep > 0 && sweep < 1) {
    const double x = 80 + sweep * 160;
    for (int k = -12; k <= 12; ++k)
      c.Line(x + k, 70, x + k - 30, 175, 1, kWhite, 0.03 * (12 - std::abs(k)) * mark);
  }
  return c;
}

std::string Three(int n) {
  char b[16];
  std::snprintf(b, sizeof b, "%03d", n);
  return b;
}

}  // namespace

const std::vector<std::string>& TrackPictureStems() {
  static const std::vector<std::string> stems = {
      "sound_m05", "sound_m04",  "sound_m06", "sound_m01", "sound_m07", "sound_m02", "sound_m10",
      "sound_m03", "sound_m08b", "sound_m09", "sound_m11", "sound_m12", "sound_m13", "sound_uta"};
  return stems;
}

AssetList ImageAssets() {
  AssetList a;
  auto add = [&](std::string name, std::function<std::string()> make) {
    a.push_back({std::move(name), std::move(make)});
  };

  add("bg_umi.jpg", [] { return Jpg(BgUmi()); });
  add("bg_machi.jpg", [] { return Jpg(BgMachi()); });
  add("bg_heya.jpg", [] { return Jpg(BgHeya()); });
  add("bg_mise.jpg", [] { return Jpg(BgMise()); });
  add("bg_toudai.jpg", [] { return Jpg(BgToudai()); });
  add("bg_sora.jpg", [] { return Jpg(BgSora()); });
  add("bg_yoru.png", [] { return Png(BgYoru()); });
  add("bg_matsuri.png", [] { return Png(BgMatsuri()); });

  add("ev01.jpg", [] { return Jpg(Ev01()); });
  add("ev01_s.png", [] { return Thumb(Ev01(), true); });
  add("ev02.jpg", [] { return Jpg(Ev02()); });
  add("ev02_s.jpg", [] { return Thumb(Ev02(), false); });
  add("ev03.jpg", [] { return Jpg(Ev03()); });
  add("ev03_s.png", [] { return Thumb(Ev03(), true); });
  add("ev04.png", [] { return Png(Ev04()); });
  add("ev04_s.png", [] { return Thumb(Ev04(), true); });
  add("ev05.jpg", [] { return Jpg(Ev05()); });
  add("ev05_s.jpg", [] { return Thumb(Ev05(), false); });

  // Character pictures come in their own sizes: the story places them by width and height.
  struct Cast {
    const char* name;
    const Person* person;
    int w, h;
    std::vector<const char*> faces;
  };
  const Cast cast[] = {{"nanami", &kNanami, 360, 560, {"normal", "smile", "sad", "odoroki"}},
                       {"chikage", &kChikage, 330, 514, {"normal", "smile", "okori"}},
                       {"gen", &kGen, 380, 540, {"normal", "warai"}}};
  for (const Cast& c : cast)
    for (const char* face : c.faces) {
      const Person* p = c.person;
      const int w = c.w, h = c.h;
      const std::string f = face;
      add(std::string(c.name) + "_" + face + ".png",
          [p, f, w, h] { return PersonPicture(*p, f, w, h); });
    }
  add("neko_normal.png", [] { return Cat(); });
  add("chikage_tooku.png", [] { return FarFigure(); });

  add("fx_ame.png", [] { return FxAme(); });
  add("fx_hikari.png", [] { return FxHikari(); });
  add("fx_hoshi.png", [] { return FxHoshi(); });
  add("fx_memo.png", [] { return FxMemo(); });

  // Title: each button has its idle frames, then the hover and pressed looks.
  struct TitleButton {
    const char* prefix;
    int frames;
    Rgb base;
    int icon;
    const char* label;
  };
  const TitleButton buttons[] = {{"title_start_", 8, Hex(0x2A4A7A), 0, "はじめから"},
                                 {"title_load_", 7, Hex(0x2A5A6A), 4, "つづきから"},
                                 {"title_cg_", 12, Hex(0x3A4A6A), 2, "ギャラリー"},
                                 {"title_sound_", 15, Hex(0x4A3A6A), 3, "ミュージック"},
                                 {"title_exit_", 7, Hex(0x5A3A4A), 1, "おわる"}};
  for (const TitleButton& b : buttons) {
    for (int f = 1; f <= b.frames; ++f) {
      const double sweep = static_cast<double>(f - 1) / b.frames;
      add(b.prefix + Three(f) + ".png",
          [b, sweep] { return Png(Button(180, 34, b.base, Look::Idle, sweep, b.icon, b.label)); });
    }
    add(std::string(b.prefix) + "over.png",
        [b] { return Png(Button(180, 34, b.base, Look::Over, -1, b.icon, b.label)); });
    add(std::string(b.prefix) + "out.png",
        [b] { return Png(Button(180, 34, b.base, Look::Pressed, -1, b.icon, b.label)); });
  }
  add("game_menu.jpg", [] { return Jpg(GameMenu()); });

  // Gallery.
  add("cg_library.jpg", [] { return Jpg(CgLibrary()); });
  struct CgButton {
    const char* prefix;
    int icon;
    const char* label;
  };
  const CgButton cgButtons[] = {
      {"CG_menu_", 2, "メニュー"}, {"CG_back_", 1, "まえへ"}, {"CG_next_", 0, "つぎへ"}};
  for (const auto& [prefix, icon, label] : cgButtons)
    for (int k = 1; k <= 3; ++k) {
      const Look look = k == 1 ? Look::Idle : k == 2 ? Look::Over : Look::Pressed;
      const int i = icon;
      const std::string l = label;
      add(std::string(prefix) + "0" + std::to_string(k) + ".png",
          [look, i, l] { return Png(Button(110, 36, Hex(0x1A4A5A), look, -1, i, l)); });
    }

  // Music room.
  add("sound_LIBRARY.png", [] { return Png(SoundLibrary()); });
  for (int k = 1; k <= 3; ++k) {
    const Look look = k == 1 ? Look::Idle : k == 2 ? Look::Over : Look::Pressed;
    add("sonun_0" + std::to_string(k) + ".png",
        [look] { return Png(Button(130, 36, Hex(0x4A2A6A), look, -1, 1, "もどる")); });
  }
  for (int f = 1; f <= 10; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "option_%02d.png", f);
    add(name, [f] { return Png(Marker(f)); });
  }
  for (size_t i = 0; i < TrackPictureStems().size(); ++i)
    for (int k = 1; k <= 3; ++k) {
      const Look look = k == 1 ? Look::Idle : k == 2 ? Look::Over : Look::Pressed;
      const int index = static_cast<int>(i);
      add(TrackPictureStems()[i] + "_0" + std::to_string(k) + ".png",
          [index, look] { return Png(TrackStrip(index, look)); });
    }

  // Message log: page up, line up, return, line down, page down.
  for (int b = 1; b <= 5; ++b)
    for (int k = 0; k < 3; ++k) {
      static const char* const kRole[] = {"playback_n0", "playback_ov0", "playback_out0"};
      const Look look = static_cast<Look>(k);
      add(kRole[k] + std::to_string(b) + ".png", [b, look] {
        if (b == 3) return Png(Button(170, 40, Hex(0x2A3A5A), look, -1, 1, "もどる"));
        return Png(Arrow(50, 50, b < 3, b == 1 || b == 5, look));
      });
    }

  // Credits and the closing picture.
  // The credits scroll names its 33 pictures; the demo paints one for each.
  const std::vector<Bytes> credits = Tscroll::CreditNames();
  for (size_t i = 0; i < credits.size(); ++i)
    add(ToUtf8(credits[i]) + ".png", [i] { return Png(CreditLine(static_cast<int>(i))); });
  add("clear.jpg", [] { return Jpg(Clear()); });

  // The maker's logo: 55 frames, two ticks each, 5.5 seconds.
  for (int f = 0; f <= 54; ++f) {
    char name[64];
    std::snprintf(name, sizeof name, "ゼルトロゴ_000%02d.png", f);
    add(name, [f] { return Png(LogoFrame(f)); });
  }
  return a;
}

}  // namespace vantel::demo
