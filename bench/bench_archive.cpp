// Archive reader speed, each figure against a baseline in the same run:
//  - opening an archive of 20 000 entries against inflating its name list;
//  - IndexOf over every name against the plain linear search of the list;
//  - ReadText of a 200 KB script against zlib's uncompress of the same block;
//  - loading the largest settings text accepted (512 KiB of line breaks, the
//    most lines per byte) against inflating that file;
//  - opening a 16 kB archive whose name list unpacks to 16 M line breaks
//    (refused as damage) against inflating that name list;
//  - listing a save folder of 100 saves that each unpack to 1 MiB of commas
//    against reading (inflating) those 100 files.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>

#include "base/Bytes.h"
#include "base/Endian.h"
#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "data/ClassSList.h"
#include "data/CommaText.h"
#include "data/FuncFile.h"
#include "script/StorySave.h"
#include "shell/UnitShiori.h"

using namespace vantel;

namespace {

constexpr int kEntries = 20000;

struct Fixture {
  std::string dir;
  std::string images, script;
  std::vector<Bytes> names;
  std::string nameBlock;    // the packed name list of the image archive
  std::string scriptBlock;  // the packed 200 KB script
  size_t scriptSize = 0;
  std::string settings;     // 512 KiB of line breaks, packed
  std::string flooded;      // an archive whose name list is 16 M line breaks
  std::string floodedList;  // that name list's packed block

  Fixture() {
    dir = (std::filesystem::temp_directory_path() / ("vantel-bench-" + std::to_string(::getpid())))
              .string() +
          "/";
    std::filesystem::create_directories(dir);
    ArchiveWriter img(ArchiveWriter::Kind::Raw);
    Bytes list;
    for (int i = 0; i < kEntries; ++i) {
      Bytes name =
          Sjis("背景") + "_" + std::to_string(i * 7919 % 100000) + (i % 2 ? ".png" : ".jpg");
      img.Add(name, std::string(16, 'x'));
      names.push_back(LowerCase(name));
      list += name + "\r\n";
    }
    images = dir + "image.pk2";
    img.Write(images);
    MemoryStream m;
    WritePackedBlock(m, list);
    nameBlock = m.Data();

    // Script-like text: tags and Japanese lines, about 200 KB.
    const Bytes words[] = {Sjis("彼女は"),     Sjis("静かに"),     Sjis("窓の外を"),
                           Sjis("見ていた。"), Sjis("「そうか」"), Sjis("雨が"),
                           Sjis("降り続く"),   Sjis("夜だった。")};
    Bytes text;
    uint32_t x = 1;
    for (int line = 0; text.size() < 200 * 1024; ++line) {
      if (line % 9 == 0)
        text += "<background src=bg" + std::to_string(line % 40) + " effect=fade time=5>\r\n";
      for (int w = 0; w < 6; ++w) text += words[(x = x * 1103515245 + 12345) >> 29];
      text += "<k>\r\n";
    }
    scriptSize = text.size();
    ArchiveWriter chs(ArchiveWriter::Kind::PackedText);
    chs.Add("story.vxs", text);
    script = dir + "script.chs";
    chs.Write(script);
    MemoryStream s;
    WritePackedBlock(s, text);
    scriptBlock = s.Data();

    settings = dir + "inf.dat";
    WritePackedFile(settings, std::string(512 << 10, '\n'));
    MemoryStream f;
    WritePackedBlock(f, std::string(kMaxPackedLength, '\n'));
    floodedList = f.Data();
    flooded = dir + "flooded.pk2";
    WriteFileAtomic(flooded,
                    "HEADER!!" + floodedList + Le32(0) + Le32(12) + Le32(0) + Le32(0) + Le32(0));
  }
  ~Fixture() { std::filesystem::remove_all(dir); }
  // 100 saves of about 1 kB, each a record of a title, a key, a comment and
  // then 1 MiB of commas (the most items a save may unpack to).
  const std::string& CommaSaves() {
    if (commaSaves.empty()) {
      commaSaves = dir + "commas/";
      std::filesystem::create_directories(commaSaves);
      const Bytes record = "t,100,c" + Bytes(kMaxSaveRecordLength - 7, ',');
      for (int i = 0; i < 100; ++i) WritePackedFile(commaSaves + "data" + std::to_string(i), record);
    }
    return commaSaves;
  }
  std::string commaSaves;
};

Fixture& F() {
  static Fixture f;
  return f;
}

void BM_OpenArchive(benchmark::State& state) {
  for (auto _ : state) {
    TArchive a(F().images);
    benchmark::DoNotOptimize(a.IndexOf(F().names[0]));
  }
}
BENCHMARK(BM_OpenArchive)->Unit(benchmark::kMillisecond);

void BM_OpenArchive_BaselineInflateNameList(benchmark::State& state) {
  for (auto _ : state) {
    MemoryStream m(F().nameBlock);
    benchmark::DoNotOptimize(ReadPackedBlock(m));
  }
}
BENCHMARK(BM_OpenArchive_BaselineInflateNameList)->Unit(benchmark::kMillisecond);

void BM_IndexOfAll(benchmark::State& state) {
  TArchive a(F().images);
  for (auto _ : state)
    for (const Bytes& n : F().names) benchmark::DoNotOptimize(a.IndexOf(n));
}
BENCHMARK(BM_IndexOfAll)->Unit(benchmark::kMillisecond);

// The described search: lower-case the name, then compare it with each name in turn.
void BM_IndexOfAll_BaselineLinear(benchmark::State& state) {
  const auto& names = F().names;
  for (auto _ : state)
    for (const Bytes& n : names) {
      const Bytes want = LowerCase(n);
      int found = -1;
      for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == want) {
          found = static_cast<int>(i);
          break;
        }
      benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_IndexOfAll_BaselineLinear)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadText200K(benchmark::State& state) {
  TArchive a(F().script);
  for (auto _ : state) benchmark::DoNotOptimize(a.ReadText("story.vxs"));
  state.SetBytesProcessed(state.iterations() * F().scriptSize);
}
BENCHMARK(BM_ReadText200K)->Unit(benchmark::kMicrosecond);

void BM_ReadText200K_BaselineUncompress(benchmark::State& state) {
  const std::string& block = F().scriptBlock;
  for (auto _ : state) {
    std::string out(F().scriptSize, '\0');
    uLongf size = out.size();
    uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
               reinterpret_cast<const Bytef*>(block.data() + 4), block.size() - 4);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * F().scriptSize);
}
BENCHMARK(BM_ReadText200K_BaselineUncompress)->Unit(benchmark::kMicrosecond);

void BM_LoadLargestSettings(benchmark::State& state) {
  for (auto _ : state) {
    TSlist list;
    list.LoadFromPackedFile(F().settings, 512 << 10);
    benchmark::DoNotOptimize(list.ReadInteger("", "Volume1", 80));
  }
}
BENCHMARK(BM_LoadLargestSettings)->Unit(benchmark::kMillisecond);

void BM_LoadLargestSettings_BaselineInflate(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadPackedFile(F().settings));
}
BENCHMARK(BM_LoadLargestSettings_BaselineInflate)->Unit(benchmark::kMillisecond);

void BM_OpenFloodedArchive(benchmark::State& state) {
  for (auto _ : state) {
    try {
      TArchive a(F().flooded);
      benchmark::DoNotOptimize(a.IndexOf("x"));
    } catch (const std::exception& e) {
      benchmark::DoNotOptimize(e.what());
    }
  }
}
BENCHMARK(BM_OpenFloodedArchive)->Unit(benchmark::kMillisecond);

void BM_OpenFloodedArchive_BaselineInflateNameList(benchmark::State& state) {
  for (auto _ : state) {
    MemoryStream m(F().floodedList);
    benchmark::DoNotOptimize(ReadPackedBlock(m));
  }
}
BENCHMARK(BM_OpenFloodedArchive_BaselineInflateNameList)->Unit(benchmark::kMillisecond);

void BM_ListCommaSaves(benchmark::State& state) {
  const std::string& folder = F().CommaSaves();
  for (auto _ : state) {
    TFormShiori form(folder);
    form.RefreshList();
    benchmark::DoNotOptimize(form.Rows.size());
  }
}
BENCHMARK(BM_ListCommaSaves)->Unit(benchmark::kMillisecond);

void BM_ListCommaSaves_BaselineReadFiles(benchmark::State& state) {
  const std::string& folder = F().CommaSaves();
  for (auto _ : state)
    for (int i = 0; i < 100; ++i)
      benchmark::DoNotOptimize(
          ReadPackedFile(folder + "data" + std::to_string(i), kMaxSaveRecordLength));
}
BENCHMARK(BM_ListCommaSaves_BaselineReadFiles)->Unit(benchmark::kMillisecond);

// What listing cost when every record was split whole: for comparison only.
void BM_ListCommaSaves_WholeRecordSplit(benchmark::State& state) {
  const std::string& folder = F().CommaSaves();
  for (auto _ : state)
    for (int i = 0; i < 100; ++i)
      benchmark::DoNotOptimize(SplitCommaText(
          ReadPackedFile(folder + "data" + std::to_string(i), kMaxSaveRecordLength)));
}
BENCHMARK(BM_ListCommaSaves_WholeRecordSplit)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
