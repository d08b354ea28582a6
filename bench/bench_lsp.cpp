// The language server's answer to an edit: a didChange of the demo's largest
// chapter (the whole text, as editors send it) until its diagnostics are
// published, which runs the checker on the buffer against the game's other
// scripts, pictures and sounds. Reported in milliseconds (the aim is at most
// 20 ms after a change) and as a ratio to tokenising the same text in the
// same run, the least any check of it must do.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "base/Bytes.h"
#include "base/Paths.h"
#include "base/SourceText.h"
#include "bench/BenchSupport.h"
#include "script/ClassCodeRed.h"
#include "tools/lsp/Json.h"
#include "tools/lsp/LspServer.h"

using namespace vantel;
using lsp::Json;

namespace {

// The demo's largest chapter source (UTF-8) and its name.
const std::pair<std::string, std::string>& Chapter() {
  static const std::pair<std::string, std::string> chapter = [] {
    std::pair<std::string, std::string> best;
    for (const auto& e : std::filesystem::directory_iterator(VANTEL_DEMO_STORY)) {
      if (e.path().extension() != ".vxs") continue;
      std::string text = ReadWholeFile(e.path().string()).value_or("");
      if (text.size() > best.second.size()) best = {e.path().filename().string(), text};
    }
    return best;
  }();
  return chapter;
}

std::string Message(const std::string& method, Json params, int id = 0) {
  Json m = Json::Object();
  m.Set("jsonrpc", "2.0");
  if (id) m.Set("id", id);
  m.Set("method", method);
  m.Set("params", std::move(params));
  return m.Dump();
}

void BM_DiagnosticsAfterChange(benchmark::State& state) {
  size_t published = 0;
  lsp::LspServer server([&](const std::string& body) { published += body.size() > 0; });
  const std::string uri = "file://" + std::string(VANTEL_DEMO_GAME) + "/script/" + Chapter().first;
  Json init = Json::Object();
  init.Set("rootUri", "file://" + std::string(VANTEL_DEMO_GAME));
  server.Handle(Message("initialize", init, 1));
  Json doc = Json::Object(), open = Json::Object();
  doc.Set("uri", uri);
  doc.Set("text", Chapter().second);
  open.Set("textDocument", doc);
  server.Handle(Message("textDocument/didOpen", open));
  int edit = 0;
  for (auto _ : state) {
    // An author typing: the text differs at every change.
    Json change = Json::Object(), changes = Json::Array(), text = Json::Object(), id = Json::Object();
    id.Set("uri", uri);
    text.Set("text", Chapter().second + std::string(size_t(++edit % 7), 'x'));
    changes.Push(std::move(text));
    change.Set("textDocument", std::move(id));
    change.Set("contentChanges", std::move(changes));
    server.Handle(Message("textDocument/didChange", std::move(change)));
  }
  benchmark::DoNotOptimize(published);
}
BENCHMARK(BM_DiagnosticsAfterChange)->Unit(benchmark::kMillisecond);

void BM_Tokenize(benchmark::State& state) {
  const Bytes text = SourceToCp932(Chapter().second, Chapter().first);
  TCodeRed code;
  for (auto _ : state) {
    code.Tokenize(text);
    benchmark::DoNotOptimize(code.Count());
  }
}
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  vantel::bench::BestTimeRecorder rec;
  vantel::bench::RunBenchmarks(argc, argv, rec);
  auto& t = rec.ns;
  if (t.count("BM_DiagnosticsAfterChange") && t.count("BM_Tokenize"))
    std::printf("\nDiagnostics for %s (%zu bytes) after a change: %.2f ms (aim: at most 20 ms), "
                "%.1f x BM_Tokenize\n",
                Chapter().first.c_str(), Chapter().second.size(), t["BM_DiagnosticsAfterChange"],
                t["BM_DiagnosticsAfterChange"] / t["BM_Tokenize"]);
  return 0;
}
