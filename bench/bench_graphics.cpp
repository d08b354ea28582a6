// Composition speed: the blend routines cell by cell over a whole frame, one
// step of each transition effect, the composition of a story-like layer tree,
// and pixman's OVER on the same pictures as a peer. Every figure is printed at
// the end as a ratio to memcpy of the same bytes measured in the same run.
#include <benchmark/benchmark.h>

#include <pixman.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "graphics/ClassFlat.h"
#include "graphics/FuncBmpDraw.h"
#include "graphics/FuncEffect.h"

using namespace vantel;
using Format = Picture::Format;

namespace {

constexpr int W = 800, H = 600, kCell = 50;

Picture RandomPicture(int w, int h, Format f, uint32_t seed) {
  Picture p(w, h, f, 0);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < p.ByteSize(); ++i) p.Data()[i] = uint8_t(rng());
  return p;
}

// Half transparent, a quarter partial, a quarter opaque, with boundaries that
// wander from row to row so that they cut through cells as a figure's do.
Picture AlphaMix() {
  Picture p = RandomPicture(W, H, Format::BGRA32, 2);
  for (int y = 0; y < H; ++y) {
    const int b1 = 400 + int(60 * std::sin(y / 37.0)), b2 = b1 + 200;
    for (int x = 0; x < W; ++x) {
      uint8_t& a = p.Pixel(x, y)[3];
      a = x < b1 ? 0 : x >= b2 ? 255 : uint8_t(1 + (x - b1) * 253 / 200);
    }
  }
  return p;
}

// A standing figure: an opaque body with a three-pixel soft edge, transparent around.
Picture Figure(uint32_t seed) {
  Picture p = RandomPicture(300, 500, Format::BGRA32, seed);
  for (int y = 0; y < 500; ++y) {
    const double half = 60 + 50 * std::sin(y / 80.0) + (y > 150 ? 40 : 0);
    for (int x = 0; x < 300; ++x) {
      const double d = half - std::abs(x - 150.0);
      p.Pixel(x, y)[3] = d <= 0 ? 0 : d >= 3 ? 255 : uint8_t(d * 85);
    }
  }
  return p;
}

// Glyph-like speckles: about a fifth of the pixels drawn, the rest transparent.
Picture TextLayer() {
  Picture p(760, 150, Format::BGRA32, 0xFFFFFF);
  std::mt19937 rng(9);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 760; ++x) {
      const bool ink = (y % 30) < 24 && (x % 24) < 20 && rng() % 3 == 0;
      p.Pixel(x, y)[3] = ink ? (rng() % 4 ? 255 : uint8_t(rng() % 254 + 1)) : 0;
    }
  return p;
}

const Picture& Frame24() {
  static const Picture p = RandomPicture(W, H, Format::BGR24, 1);
  return p;
}
const Picture& Alpha32() {
  static const Picture p = AlphaMix();
  return p;
}

// ---- Baselines ---------------------------------------------------------------

void BM_MemcpyCells(benchmark::State& state) {
  const Picture& src = Frame24();
  Picture dst = Frame24();
  for (auto _ : state) {
    for (int j = 0; j < 12; ++j)
      for (int i = 0; i < 16; ++i)
        for (int y = 0; y < kCell; ++y)
          std::memcpy(dst.Pixel(kCell * i, kCell * j + y), src.Pixel(kCell * i, kCell * j + y),
                      kCell * 3);
    benchmark::DoNotOptimize(dst.Data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyCells);

void BM_MemcpyFrame(benchmark::State& state) {
  const Picture& src = Frame24();
  Picture dst = Frame24();
  for (auto _ : state) {
    std::memcpy(dst.Data(), src.Data(), src.ByteSize());
    benchmark::DoNotOptimize(dst.Data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFrame);

// ---- Blend, cell by cell over a frame --------------------------------------

template <bool Reference>
void BlendCells(benchmark::State& state, const Picture& src, int a) {
  Picture dst = Frame24();
  for (auto _ : state) {
    for (int j = 0; j < 12; ++j)
      for (int i = 0; i < 16; ++i) {
        if (Reference)
          BlendReference(dst, kCell * i, kCell * j, src, kCell * i, kCell * j, kCell, kCell, a);
        else
          Blend(dst, kCell * i, kCell * j, src, kCell * i, kCell * j, kCell, kCell, a);
      }
    benchmark::DoNotOptimize(dst.Data());
    benchmark::ClobberMemory();
  }
}

void BM_CopyBlock(benchmark::State& s) {
  BlendCells<false>(s, Frame24(), 255);
}
void BM_BlendConstant(benchmark::State& s) {
  BlendCells<false>(s, Frame24(), 128);
}
void BM_BlendPixelAlpha(benchmark::State& s) {
  BlendCells<false>(s, Alpha32(), 255);
}
void BM_BlendPixelAlphaScaled(benchmark::State& s) {
  BlendCells<false>(s, Alpha32(), 128);
}
void BM_BlendConstant_plain(benchmark::State& s) {
  BlendCells<true>(s, Frame24(), 128);
}
void BM_BlendPixelAlpha_plain(benchmark::State& s) {
  BlendCells<true>(s, Alpha32(), 255);
}
void BM_BlendPixelAlphaScaled_plain(benchmark::State& s) {
  BlendCells<true>(s, Alpha32(), 128);
}
BENCHMARK(BM_CopyBlock);
BENCHMARK(BM_BlendConstant);
BENCHMARK(BM_BlendPixelAlpha);
BENCHMARK(BM_BlendPixelAlphaScaled);
BENCHMARK(BM_BlendConstant_plain);
BENCHMARK(BM_BlendPixelAlpha_plain);
BENCHMARK(BM_BlendPixelAlphaScaled_plain);

// ---- pixman OVER onto a 24-bit destination, whole frame in one call -------

void PixmanOver(benchmark::State& state, bool halfMask) {
  // pixman wants premultiplied alpha: the same pictures, premultiplied once.
  static std::vector<uint32_t> premultiplied = [] {
    std::vector<uint32_t> px(size_t(W) * H);
    const Picture& s = Alpha32();
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const uint8_t* p = s.Pixel(x, y);
        const uint32_t a = p[3];
        auto m = [&](uint8_t c) { return uint32_t((c * a + 127) / 255); };
        px[size_t(y) * W + x] = (a << 24) | (m(p[2]) << 16) | (m(p[1]) << 8) | m(p[0]);
      }
    return px;
  }();
  Picture dst = Frame24();
  pixman_image_t* src =
      pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, premultiplied.data(), W * 4);
  pixman_image_t* out = pixman_image_create_bits(
      PIXMAN_r8g8b8, W, H, reinterpret_cast<uint32_t*>(dst.Data()), dst.Stride());
  pixman_color_t half = {0, 0, 0, 0x8080};
  pixman_image_t* mask = halfMask ? pixman_image_create_solid_fill(&half) : nullptr;
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src, mask, out, 0, 0, 0, 0, 0, 0, W, H);
    benchmark::DoNotOptimize(dst.Data());
    benchmark::ClobberMemory();
  }
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(out);
  pixman_image_unref(src);
}
void BM_PixmanOver(benchmark::State& s) {
  PixmanOver(s, false);
}
void BM_PixmanOverHalf(benchmark::State& s) {
  PixmanOver(s, true);
}
BENCHMARK(BM_PixmanOver);
BENCHMARK(BM_PixmanOverHalf);

// ---- Effects: one step over an 800 x 600 picture ---------------------------
// The target alternates between two pictures so the snapshot never settles.

void EffectStep(benchmark::State& state, int kind, int prev, int cur) {
  Picture s = RandomPicture(W, H, Format::BGR24, 3);
  const Picture n1 = RandomPicture(W, H, Format::BGR24, 4),
                n2 = RandomPicture(W, H, Format::BGR24, 5);
  bool flip = false;
  for (auto _ : state) {
    Effect(kind, s, flip ? n1 : n2, prev, cur);
    flip = !flip;
    benchmark::DoNotOptimize(s.Data());
    benchmark::ClobberMemory();
  }
}
void BM_EffectFade(benchmark::State& s) {
  EffectStep(s, kFade, 76, 102);
}
void BM_EffectFadeLate(benchmark::State& s) {
  EffectStep(s, kFade, 179, 204);
}
void BM_EffectMesh(benchmark::State& s) {
  EffectStep(s, kMesh, 76, 102);
}
void BM_EffectFall(benchmark::State& s) {
  EffectStep(s, kFall, 76, 102);
}
void BM_EffectNoise(benchmark::State& s) {
  EffectStep(s, kNoise, 76, 102);
}
void BM_EffectScan(benchmark::State& s) {
  EffectStep(s, kScan, 76, 102);
}
BENCHMARK(BM_EffectFade);
BENCHMARK(BM_EffectFadeLate);
BENCHMARK(BM_EffectMesh);
BENCHMARK(BM_EffectFall);
BENCHMARK(BM_EffectNoise);
BENCHMARK(BM_EffectScan);

// ---- Compose of a story-like tree ------------------------------------------

struct StoryTree {
  Tflat root{nullptr};
  Tflat bg{&root}, left{&root}, centre{&root}, right{&root}, box{&root}, text{&root};
  StoryTree() {
    root.FPicture = Picture(W, H, Format::BGR24, 0);
    root.FVisible = true;
    root.Show();
    bg.FPicture = RandomPicture(W, H, Format::BGR24, 6);
    left.FPicture = Figure(7), centre.FPicture = Figure(8), right.FPicture = Figure(9);
    left.FLeft = 30, centre.FLeft = 250, right.FLeft = 470;
    left.FTop = centre.FTop = right.FTop = 100;
    box.FPicture = Picture(760, 150, Format::BGR24, 0x402020);
    box.FLeft = text.FLeft = 20;
    box.FTop = text.FTop = 430;
    box.FOpacity = 128;
    text.FPicture = TextLayer();
    for (Tflat* l : {&bg, &left, &centre, &right, &box, &text}) l->Show();
    root.Compose();
  }
};

void BM_ComposeAllDirty(benchmark::State& state) {
  StoryTree t;
  for (auto _ : state) {
    t.root.FillDirty(1);
    t.root.Compose();
    benchmark::DoNotOptimize(t.root.FComposition.Data());
  }
}
void BM_ComposeFourCells(benchmark::State& state) {
  StoryTree t;
  for (auto _ : state) {
    t.root.FillDirty(0);
    t.root.FDirty[5][3] = t.root.FDirty[6][3] = t.root.FDirty[5][9] = t.root.FDirty[6][9] = 1;
    t.root.Compose();
    benchmark::DoNotOptimize(t.root.FComposition.Data());
  }
}
BENCHMARK(BM_ComposeAllDirty);
BENCHMARK(BM_ComposeFourCells);

}  // namespace

int main(int argc, char** argv) {
  vantel::bench::BestTimeRecorder rec;
  vantel::bench::RunBenchmarks(argc, argv, rec);
  auto& t = rec.ns;
  auto ratio = [&](const char* name, const char* base, const char* aim) {
    if (!t.count(name) || !t.count(base)) return;
    std::printf("  %-32s %7.2f x %-16s %s\n", name, t[name] / t[base], base, aim);
  };
  std::printf("\nRatios (blend path: %s)\n", BlendPathName());
  ratio("BM_CopyBlock", "BM_MemcpyCells", "aim <= 1.5");
  ratio("BM_BlendConstant", "BM_MemcpyCells", "");
  ratio("BM_BlendPixelAlpha", "BM_MemcpyCells", "aim <= 5");
  ratio("BM_BlendPixelAlphaScaled", "BM_MemcpyCells", "aim <= 5");
  ratio("BM_BlendConstant_plain", "BM_MemcpyCells", "");
  ratio("BM_BlendPixelAlpha_plain", "BM_MemcpyCells", "");
  ratio("BM_BlendPixelAlphaScaled_plain", "BM_MemcpyCells", "");
  ratio("BM_PixmanOver", "BM_MemcpyCells", "peer of BlendPixelAlpha");
  ratio("BM_PixmanOverHalf", "BM_MemcpyCells", "peer of BlendPixelAlphaScaled");
  ratio("BM_BlendPixelAlpha", "BM_PixmanOver", "aim < 1");
  ratio("BM_BlendPixelAlphaScaled", "BM_PixmanOverHalf", "aim < 1");
  for (const char* e : {"BM_EffectFade", "BM_EffectFadeLate", "BM_EffectMesh", "BM_EffectFall",
                        "BM_EffectNoise", "BM_EffectScan"})
    ratio(e, "BM_MemcpyFrame", "aim <= 10");
  ratio("BM_ComposeAllDirty", "BM_MemcpyFrame", "aim <= 15");
  ratio("BM_ComposeFourCells", "BM_ComposeAllDirty", "aim <= 0.05");
  return 0;
}
