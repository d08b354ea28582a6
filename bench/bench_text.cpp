// Text drawing and layout speed, as ratios against rendering one glyph at
// twice its size (the message layer's work picture), measured in the same run.
//
//   GlyphRender2x           one CJK glyph, height 46, into a 112x112 24-bit picture
//                           over a black fill (glyph cache on): the baseline
//   GlyphRender2xUncached   the same, rasterised afresh every time
//   LayoutPage400           laying out a 400-letter page (measure, break, justify)
//   RevealLetter            drawing one letter on the message layer: the 2x glyph,
//                           the 2x2 coverage average into alpha, marking its cells
//   RevealPage400           clearing a 640x480 box, adding a 400-letter page and
//                           revealing all of it (with its ruby)
//
// Each benchmark reports `vs_glyph`: its CPU time per iteration over the
// baseline's (CPU time, since the machine is shared and wall time is noisy).
#include <benchmark/benchmark.h>

#include <time.h>

#include "base/Bytes.h"
#include "graphics/ClassFlatText.h"
#include "graphics/ClassLetter.h"
#include "platform/FontText.h"

namespace vantel {
namespace {

FontRequest GlyphFont() {
  FontRequest f;
  f.face = Sjis("ＭＳ 明朝");
  f.height = 46;
  return f;
}

void RenderGlyph(Picture& work, const FontRequest& f, const Bytes& text) {
  const TextExtent e = SharedFontText().Measure(f, text);
  work.FillRect(0, 0, e.width, e.height, 0);
  SharedFontText().Draw(work, 0, 0, f, 0xFFFFFF, text);
}

double baselineNs = 0;

double CpuNs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}

// Times the baseline outside Google Benchmark so every benchmark can divide by it.
double MeasureBaseline() {
  Picture work(112, 112, Picture::Format::BGR24, 0);
  const FontRequest f = GlyphFont();
  const Bytes& text = Sjis("漢");
  RenderGlyph(work, f, text);
  double best = 0;
  for (int round = 0; round < 5; ++round) {  // the quietest of five rounds
    long n = 0;
    const double t0 = CpuNs();
    double t1 = t0;
    do {
      for (int i = 0; i < 1000; ++i) RenderGlyph(work, f, text);
      n += 1000;
      t1 = CpuNs();
    } while (t1 - t0 < 1e8);
    const double ns = (t1 - t0) / n;
    if (round == 0 || ns < best) best = ns;
  }
  return best;
}

// Runs `body` in the benchmark loop and reports its ratio to the baseline.
template <typename Body>
void Timed(benchmark::State& state, Body body) {
  const double t0 = CpuNs();
  for (auto _ : state) body();
  const double ns = CpuNs() - t0;
  if (state.iterations() > 0 && baselineNs > 0)
    state.counters["vs_glyph"] = ns / static_cast<double>(state.iterations()) / baselineNs;
}

void GlyphRender2x(benchmark::State& state) {
  Picture work(112, 112, Picture::Format::BGR24, 0);
  const FontRequest f = GlyphFont();
  const Bytes& text = Sjis("漢");
  Timed(state, [&] {
    RenderGlyph(work, f, text);
    benchmark::DoNotOptimize(work.Data());
  });
}
BENCHMARK(GlyphRender2x);

void GlyphRender2xUncached(benchmark::State& state) {
  Picture work(112, 112, Picture::Format::BGR24, 0);
  const FontRequest f = GlyphFont();
  const Bytes& text = Sjis("漢");
  SharedFontText().SetGlyphCache(false);
  Timed(state, [&] {
    RenderGlyph(work, f, text);
    benchmark::DoNotOptimize(work.Data());
  });
  SharedFontText().SetGlyphCache(true);
}
BENCHMARK(GlyphRender2xUncached);

// A page of 400 letters: kana, kanji, punctuation, a ruby group and a quote.
Bytes Page400() {
  const Bytes sentence = Sjis("「今日はいい天気ですね。」と彼女は言った、") + "\r\n*r,text," +
                         Sjis("そら") + "\r\n" + Sjis("青空") + "\r\n*/r\r\n" +
                         Sjis("がどこまでも続いている…ッ“ほら”。");
  Bytes page;
  int letters = 0;
  while (letters < 400) {
    page += sentence + "\r\n";
    letters += 40;
  }
  return page;
}

void LayoutPage400(benchmark::State& state) {
  Tletters letters(&SharedFontText());
  letters.FLineWidth = 640;
  letters.ApplyTag("*font,size,23,name," + Sjis("ＭＳ 明朝"));
  const Bytes page = Page400();
  letters.AddText(page);  // warms the measuring cache, as an earlier page would
  state.counters["letters"] = letters.Count();
  Timed(state, [&] {
    letters.Clear();
    letters.AddText(page);
    benchmark::DoNotOptimize(letters.FPenX);
  });
}
BENCHMARK(LayoutPage400);

void RevealLetter(benchmark::State& state) {
  TFlatText layer(nullptr, &SharedFontText());
  layer.SetBox(0, 0, 640, 160);
  const Bytes& text = Sjis("漢");
  Timed(state, [&] {
    layer.DrawGlyph(100, 20, 0xFFFFFF, 23, text);
    benchmark::DoNotOptimize(layer.FPicture.Data());
  });
}
BENCHMARK(RevealLetter);

void RevealPage400(benchmark::State& state) {
  TFlatText layer(nullptr, &SharedFontText());
  layer.SetBox(0, 0, 640, 480);
  layer.FLetters.ApplyTag("*font,size,23,name," + Sjis("ＭＳ 明朝"));
  const Bytes page = Page400();
  layer.AddText(page);
  layer.RevealAll();
  state.counters["full"] = layer.FFull;
  Timed(state, [&] {
    layer.ClearPage();
    layer.AddText(page);
    layer.RevealAll();
    benchmark::DoNotOptimize(layer.FPicture.Data());
  });
}
BENCHMARK(RevealPage400);

}  // namespace
}  // namespace vantel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vantel::baselineNs = vantel::MeasureBaseline();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
