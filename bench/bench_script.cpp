// Script speed on a 1 MB script of story text and tags: tokenising it,
// stepping through every token (parsing, substitution, the command table,
// actions and the text buffer), and both together, each reported as tokens
// per second and, at the end, as a ratio to a plain byte scan of the same
// text measured in the same run (counting tag and line ends, the least any
// tokeniser must do).
//
// Then the cost of one step of scripts that loop without ever reaching an
// action, with debug mode on as in the player: the step runs until its cap
// of jumps. A loop holding 100 letters of text, a loop through a story line
// that starts with '*' (an error each round) and a loop between two labels
// 60 kB apart are each reported as a ratio to the step of the smallest loop
// (one letter): a step's cost must not grow with the text gathered, the
// errors reported or the distance to a label.
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "script/ClassCodeBlue.h"
#include "shell/ClassGlobal.h"

using namespace vantel;

namespace {

constexpr size_t kScriptBytes = 1 << 20;

// A script as authors write them: lines of Japanese text with ruby, colour
// and breaks ending in <k>, paragraphs, pictures, wipes, music and comments.
Bytes MakeScript() {
  const Bytes words[] = {Sjis("彼女は"),     Sjis("静かに"), Sjis("窓の外を"), Sjis("見ていた。"),
                         Sjis("「そうか」"), Sjis("雨が"),   Sjis("降り続く"), Sjis("夜だった。")};
  Bytes text;
  uint32_t x = 1;
  auto next = [&] { return (x = x * 1103515245 + 12345) >> 29; };
  for (int line = 0; text.size() < kScriptBytes; ++line) {
    switch (line % 24) {
      case 0:
        text += Sjis("<! 場面の始まり>\r\n");
        text += "<background src=bg" + std::to_string(line % 40) + " top=0 left=0>\r\n";
        text += "<wipe effect=fade time=5>\r\n";
        break;
      case 6:
        text += "<bustup align=center name=nanami face=smile>\r\n<wipe effect=mesh time=3>\r\n";
        break;
      case 12:
        text += "<bgm src=m0" + std::to_string(line % 9) + " mode=fadein option=loop time=20>\r\n";
        break;
      case 18:
        text += "\r\n";
        break;
      default:
        break;
    }
    for (int w = 0; w < 5; ++w) {
      if (w == 2 && line % 5 == 0) {
        text += Sjis("<r text=\"よみ\">") + words[next()] + "</r>";
      } else if (w == 3 && line % 7 == 0) {
        text += "<font color=#ffa040>" + words[next()] + "</font>";
      } else {
        text += words[next()];
      }
    }
    text += line % 3 ? "<k>\r\n" : "<br>\r\n";
  }
  return text;
}

const Bytes& Script() {
  static const Bytes text = MakeScript();
  return text;
}

int TokenCount() {
  static const int count = [] {
    TCodeBlue c;
    c.Tokenize(Script());
    return c.Count();
  }();
  return count;
}

void SetTokenRate(benchmark::State& state) {
  state.counters["tokens/s"] =
      benchmark::Counter(double(TokenCount()), benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Script().size()));
}

// Runs every action of the loaded script.
int StepAll(TCodeBlue& c) {
  c.Position = 0;
  int actions = 0;
  while (!c.Step().empty()) ++actions;
  return actions;
}

void BM_ByteScan(benchmark::State& state) {
  const Bytes& text = Script();
  for (auto _ : state) {
    size_t marks = 0;
    for (char ch : text) marks += (ch == '<') + (ch == '>') + (ch == '\r');
    benchmark::DoNotOptimize(marks);
  }
  SetTokenRate(state);
}
BENCHMARK(BM_ByteScan)->Unit(benchmark::kMillisecond);

void BM_Tokenize(benchmark::State& state) {
  TCodeBlue c;
  for (auto _ : state) {
    c.Tokenize(Script());
    benchmark::DoNotOptimize(c.Count());
  }
  SetTokenRate(state);
}
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond);

void BM_StepThrough(benchmark::State& state) {
  TCodeBlue c;
  c.Tokenize(Script());
  for (auto _ : state) benchmark::DoNotOptimize(StepAll(c));
  SetTokenRate(state);
}
BENCHMARK(BM_StepThrough)->Unit(benchmark::kMillisecond);

void BM_TokenizeAndStep(benchmark::State& state) {
  TCodeBlue c;
  for (auto _ : state) {
    c.Tokenize(Script());
    benchmark::DoNotOptimize(StepAll(c));
  }
  SetTokenRate(state);
}
BENCHMARK(BM_TokenizeAndStep)->Unit(benchmark::kMillisecond);

// ---- Steps of endless jump loops -------------------------------------------

// `<marker name=l>` + `letters` letters of story text + a jump back.
Bytes TextLoop(int letters) {
  return "<marker name=l>" + Bytes(size_t(letters), 'a') + "<a href=\"#l\">\r\n";
}

// A story line that starts with '*' is read as an unknown command: the loop
// reports it on every round.
Bytes StarLoop() {
  return "<marker name=l>\r\n*sigh<a href=\"#l\">\r\n";
}

// Two labels 60 kB of story apart, jumping to each other.
Bytes DistantLabels() {
  Bytes text = "<marker name=near><a href=\"#far\">\r\n";
  while (text.size() < 60000) text += "<bgm src=m01 mode=off>text<k>\r\n";
  return text + "<marker name=far><a href=\"#near\">\r\n";
}

// A 60 kB script that jumps to itself by name: every jump loads it again.
Bytes SelfJump() {
  Bytes text = "<! loop>\r\n<a href=\"selfjump\">\r\n";
  while (text.size() < 60000) text += "<bgm src=m01 mode=off>text<k>\r\n";
  return text;
}

void RunLoopStep(benchmark::State& state, const Bytes& script, const char* name = nullptr) {
  const bool debug = DebugMode;
  DebugMode = true;
  // A global state for the debugger's fields and log, as in the player.
  Tglobal global;
  Global = &global;
  TCodeBlue c;
  // A script jumped to by name is read from a loose file.
  const std::string dir = "/tmp/vantel_bench_script_" + std::to_string(getpid()) + "/";
  if (name) {
    std::filesystem::create_directories(dir);
    std::ofstream(dir + name + ".vxs", std::ios::binary) << script;
    c.ScriptDir = dir;
    c.GlobalScriptName = &c.ScriptName;
  }
  c.Tokenize(script);
  for (auto _ : state) {
    c.Position = 0;
    c.Errors.Clear();
    benchmark::DoNotOptimize(c.Step());
  }
  DebugMode = debug;
  Global = nullptr;
  if (name) std::filesystem::remove_all(dir);
}

void BM_LoopStep_1Letter(benchmark::State& state) {
  RunLoopStep(state, TextLoop(1));
}
BENCHMARK(BM_LoopStep_1Letter)->Unit(benchmark::kMillisecond);

void BM_LoopStep_100Letters(benchmark::State& state) {
  RunLoopStep(state, TextLoop(100));
}
BENCHMARK(BM_LoopStep_100Letters)->Unit(benchmark::kMillisecond);

void BM_LoopStep_StarLine(benchmark::State& state) {
  RunLoopStep(state, StarLoop());
}
BENCHMARK(BM_LoopStep_StarLine)->Unit(benchmark::kMillisecond);

void BM_LoopStep_DistantLabels(benchmark::State& state) {
  RunLoopStep(state, DistantLabels());
}
BENCHMARK(BM_LoopStep_DistantLabels)->Unit(benchmark::kMillisecond);

void BM_LoopStep_SelfJump(benchmark::State& state) {
  RunLoopStep(state, SelfJump(), "selfjump");
}
BENCHMARK(BM_LoopStep_SelfJump)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  vantel::bench::BestTimeRecorder rec;
  vantel::bench::RunBenchmarks(argc, argv, rec);
  auto& t = rec.ns;
  std::printf("\nScript of %zu bytes, %d tokens\n", Script().size(), TokenCount());
  for (const char* name : {"BM_Tokenize", "BM_StepThrough", "BM_TokenizeAndStep"}) {
    if (!t.count(name) || !t.count("BM_ByteScan")) continue;
    // Times are in the benchmarks' unit (ms) per iteration.
    std::printf("  %-20s %10.0f tokens/s %7.2f x BM_ByteScan\n", name,
                TokenCount() / (t[name] / 1e3), t[name] / t["BM_ByteScan"]);
  }
  std::printf("\nOne step of an endless jump loop, debug mode on\n");
  for (const char* name : {"BM_LoopStep_100Letters", "BM_LoopStep_StarLine",
                           "BM_LoopStep_DistantLabels", "BM_LoopStep_SelfJump"}) {
    if (!t.count(name) || !t.count("BM_LoopStep_1Letter")) continue;
    std::printf("  %-28s %10.2f ms %7.2f x BM_LoopStep_1Letter\n", name, t[name],
                t[name] / t["BM_LoopStep_1Letter"]);
  }
  return 0;
}
