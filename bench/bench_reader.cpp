// What the reader additions cost the story when they are off, and what
// writing the read marks costs. Per page the story asks the additions at the
// page's start (voice and clipboard both off), at every tick of the wait
// (skipping off: 40 ticks, two seconds of reading) and at its end (one mark,
// no write due); reported as a ratio to copying the page's text once, the
// least the story itself does with a page. Writing 2 000 marks (a long
// story's pages) is reported as a ratio to writing the same text as a plain
// packed file, which is what a save costs.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/Bytes.h"
#include "data/FuncFile.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/ReaderAdditions.h"

using namespace vantel;

namespace {

const std::string kPage = "\r\n" + Sjis("七月の終わり。ぼくは三年ぶりに、祖母の住む") +
                          "\r\n*r,text," + Sjis("しおみちょう") + "\r\n" + Sjis("潮見町") +
                          "\r\n*/r\r\n" + Sjis("へ帰ってきた。");
const Bytes kScript = Sjis("脚本1");
constexpr int kMarks = 2000;

std::string TempDir() {
  char name[] = "/tmp/vantel-bench-XXXXXX";
  return std::string(::mkdtemp(name)) + "/";
}

HeadlessPlatform& Platform() {
  static HeadlessPlatform platform;
  SetPlatform(&platform);
  return platform;
}

void BM_PageCopy(benchmark::State& state) {
  std::string copy;
  for (auto _ : state) {
    copy.assign(kPage);
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_PageCopy);

void BM_ReaderOffPerPage(benchmark::State& state) {
  Platform();
  ReaderAdditions reader("", "bench");  // nothing remembered, everything off
  int32_t position = 0;
  for (auto _ : state) {
    reader.PageShown(kPage);
    for (int tick = 0; tick < 40; ++tick)
      benchmark::DoNotOptimize(reader.SkipsPage(kScript, position));
    reader.PageRead(kScript, position);
    position = (position + 1) % kMarks;
  }
}
BENCHMARK(BM_ReaderOffPerPage);

Bytes MarksText() {
  Bytes text;
  for (int i = 0; i < kMarks; ++i) text += IntToStr(i * 7) + "\t" + LowerCase(kScript) + "\r\n";
  return text;
}

void BM_PackedWrite(benchmark::State& state) {
  const std::string dir = TempDir();
  const Bytes text = MarksText();
  for (auto _ : state) WritePackedFile(dir + "plain.dat", text);
}
BENCHMARK(BM_PackedWrite)->Unit(benchmark::kMicrosecond);

void BM_ReadMarksWrite(benchmark::State& state) {
  const std::string dir = TempDir();
  ReadMarks marks;
  marks.Load(dir + "read.dat");
  for (int i = 0; i < kMarks; ++i) marks.Mark(kScript, i * 7);
  uint32_t now = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ReadMarks fresh = marks;
    fresh.Mark(kScript, 1);  // something new to write
    state.ResumeTiming();
    fresh.Flush(now += 1000, true);
  }
}
BENCHMARK(BM_ReadMarksWrite)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  vantel::bench::BestTimeRecorder rec;
  vantel::bench::RunBenchmarks(argc, argv, rec);
  auto& t = rec.ns;
  if (t.count("BM_ReaderOffPerPage") && t.count("BM_PageCopy"))
    std::printf("\nReader additions off, per page: %.1f ns, %.2f x BM_PageCopy\n",
                t["BM_ReaderOffPerPage"], t["BM_ReaderOffPerPage"] / t["BM_PageCopy"]);
  if (t.count("BM_ReadMarksWrite") && t.count("BM_PackedWrite"))
    std::printf("Writing %d read marks: %.0f us, %.2f x BM_PackedWrite\n", kMarks,
                t["BM_ReadMarksWrite"], t["BM_ReadMarksWrite"] / t["BM_PackedWrite"]);
  return 0;
}
