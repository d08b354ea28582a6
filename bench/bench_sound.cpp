// Sound benchmarks.
//
// Mixing: three playing PCM sources into one 750-frame buffer, against
// copying the same bytes (three sources' 3 000 bytes each). Decoding:
// Microsoft ADPCM and MPEG Layer-3 as multiples of real time ("x_realtime"
// counter: seconds of sound decoded per second), our MPEG converter against
// bare libmpg123 on the same file, and the sox command line as a peer.
// Refill cost on damaged data: starting a random set whose variants decode
// to nothing, against starting a healthy set, and as a share of the 17 ms
// one buffer lasts. Fixtures are made with sox and lame into a temporary
// directory; the benchmarks that need them are skipped when the tools are
// missing.
#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "bench/BenchSupport.h"
#include "sound/ClassSound.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"
#include "sound/SoundConverter.h"
#include "sound/WaveFormat.h"
#include "tests/support/SoundFixtures.h"

namespace vantel {
namespace {

struct Fixtures {
  std::string dir;
  bool tools = false;
  Fixtures() {
    dir = (std::filesystem::temp_directory_path() / "vantel-bench-sound").string() + "/";
    std::filesystem::create_directories(dir + "sound");
    auto run = [](const std::string& c) {
      return std::system((c + " >/dev/null 2>&1").c_str()) == 0;
    };
    tools = run("sox -n -r 44100 -b 16 -c 2 " + dir +
                "in.wav synth 10 sine 300-3000 whitenoise vol 0.5") &&
            run("sox " + dir + "in.wav -e ms-adpcm " + dir + "adpcm.wav") &&
            run("lame --quiet -b 192 " + dir + "in.wav " + dir + "in.mp3");
    // PCM loops for the mixer (written directly: no tool needed).
    for (int i = 0; i < 3; ++i) {
      std::string data(200000 * 4, '\0');
      for (size_t k = 0; k < data.size(); ++k) data[k] = char(k * (i + 3));
      WriteFileAtomic(dir + "sound/p" + std::to_string(i) + ".wav",
                      RiffWave(WaveFormat::Pcm16(2, 44100).FileRecord(), data));
    }
    // Random sets: "bad" holds MPEG wave files whose data is no MPEG at all,
    // "good" the same number of short PCM voices.
    FormatBlock mpeg{};
    MakeMpegFormat(0x6490FBFF, mpeg);  // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz
    for (int d = 1; d <= 5; ++d) {
      WriteFileAtomic(dir + "sound/bad" + std::to_string(d) + ".wav",
                      RiffWave(std::string(mpeg.begin(), mpeg.begin() + 30), std::string(4000, 0)));
      WriteFileAtomic(dir + "sound/good" + std::to_string(d) + ".wav",
                      RiffWave(WaveFormat::Pcm16(2, 44100).FileRecord(), std::string(40000, 1)));
    }
  }
  ~Fixtures() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

Fixtures& Fix() {
  static Fixtures f;
  return f;
}

void BM_MixThreePcmSources(benchmark::State& state) {
  TSound sound(TSound::RefillMode::Synchronous);
  std::vector<std::unique_ptr<TSoundSrc>> sources;
  for (int i = 0; i < 3; ++i) {
    sources.push_back(std::make_unique<TSoundSrc>(nullptr, Fix().dir + "sound/"));
    sources.back()->Post({kSoundPlay, "p" + std::to_string(i) + ".wav", 0, 0});
    sound.AddSource(sources.back().get());
  }
  sound.Enabled = true;
  std::vector<int16_t> buffer(TSound::kBufferBytes / 2);
  for (auto _ : state) {
    sound.FillBuffer(buffer.data());
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(state.iterations() * 3 * TSound::kBufferBytes);
}
BENCHMARK(BM_MixThreePcmSources);

void BM_CopySameBytes(benchmark::State& state) {
  std::vector<uint8_t> in(3 * TSound::kBufferBytes, 1), out(3 * TSound::kBufferBytes);
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(in.size()));
}
BENCHMARK(BM_CopySameBytes);

// One buffer fill right after a random set is started: the first pick, its
// header, its first refill and the mix.
void StartRandomSet(benchmark::State& state, const char* stem) {
  TSound sound(TSound::RefillMode::Synchronous);
  TSoundSrc source(nullptr, Fix().dir + "sound/");
  sound.AddSource(&source);
  sound.Enabled = true;
  std::vector<int16_t> buffer(TSound::kBufferBytes / 2);
  for (auto _ : state) {
    source.Post({kSoundPlay, std::string(stem) + ".wav", 0, -1});
    sound.FillBuffer(buffer.data());
    benchmark::DoNotOptimize(buffer.data());
  }
  TakeSoundWarnings();
}
void BM_StartDamagedRandomSet(benchmark::State& state) {
  StartRandomSet(state, "bad");
}
void BM_StartHealthyRandomSet(benchmark::State& state) {
  StartRandomSet(state, "good");
}
BENCHMARK(BM_StartDamagedRandomSet)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartHealthyRandomSet)->Unit(benchmark::kMicrosecond);

// Hostile sounds, one buffer fill each: the first fills after a play (the
// header, the first refills) and, for those that keep playing, the fills
// that follow. Each should stay a small share of the 17 ms a buffer lasts.
struct Hostile {
  const char* name;
  int loops;
  std::string bytes;
};
const std::vector<Hostile>& HostileSounds() {
  static const std::vector<Hostile> sounds = [] {
    auto record = [](uint16_t tag, uint16_t channels, uint32_t avg, uint16_t align,
                     const std::string& extra) {
      WaveFormat f;
      f.formatTag = tag;
      f.channels = channels;
      f.samplesPerSec = 44100;
      f.avgBytesPerSec = avg;
      f.blockAlign = align;
      f.extraSize = uint16_t(extra.size());
      std::string r(18, '\0');
      f.Write(reinterpret_cast<uint8_t*>(r.data()));
      return r + extra;
    };
    std::string adpcmExtra = Le16(2) + Le16(1) + Le16(256) + Le16(0);  // header-only blocks
    std::string noise(200000, '\0');
    uint32_t x = 1;
    for (char& c : noise) c = char((x = x * 1103515245 + 12345) >> 24);
    return std::vector<Hostile>{
        // MPEG data of noise, blocks near the largest a record may ask for.
        {"mpegnoise.wav", 0,
         RiffWave(record(kWaveFormatMpegLayer3, 2, 700000, 1, std::string(12, '\0')), noise)},
        // ADPCM whose data is one byte, looped: every block is shorter than its header.
        {"adpcmbyte.wav", 0, RiffWave(record(kWaveFormatMsAdpcm, 1, 1, 7, adpcmExtra), "\x01")},
        // ADPCM of one header-only block, looped: two samples per seven bytes.
        {"adpcmtiny.wav", 0,
         RiffWave(record(kWaveFormatMsAdpcm, 1, 1, 7, adpcmExtra), std::string(7, '\0'))},
        // PCM of one frame, looped.
        {"pcmframe.wav", 0, RiffWave(WaveFormat::Pcm16(2, 44100).FileRecord(), "abcd")},
    };
  }();
  return sounds;
}

void BM_HostileSoundFills(benchmark::State& state, int which, bool afterStart) {
  static bool written = false;
  if (!written) {
    for (auto& h : HostileSounds()) WriteFileAtomic(Fix().dir + "sound/" + h.name, h.bytes);
    written = true;
  }
  const Hostile& h = HostileSounds()[size_t(which)];
  TSound sound(TSound::RefillMode::Synchronous);
  TSoundSrc source(nullptr, Fix().dir + "sound/");
  sound.AddSource(&source);
  sound.Enabled = true;
  std::vector<int16_t> buffer(TSound::kBufferBytes / 2);
  source.Post({kSoundPlay, h.name, 0, h.loops});
  if (afterStart)
    for (int i = 0; i < 40; ++i) sound.FillBuffer(buffer.data());
  for (auto _ : state) {
    if (!afterStart) source.Post({kSoundPlay, h.name, 0, h.loops});
    sound.FillBuffer(buffer.data());
    benchmark::DoNotOptimize(buffer.data());
  }
  TakeSoundWarnings();
}
BENCHMARK_CAPTURE(BM_HostileSoundFills, mpegnoise_start, 0, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HostileSoundFills, adpcmbyte_start, 1, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HostileSoundFills, adpcmtiny_start, 2, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HostileSoundFills, adpcmtiny_steady, 2, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HostileSoundFills, pcmframe_start, 3, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HostileSoundFills, pcmframe_steady, 3, true)->Unit(benchmark::kMicrosecond);

// Decodes `data` block by block through our converter as a source does.
size_t DecodeThrough(const FormatBlock& format, const std::string& data,
                     std::vector<uint8_t>& out) {
  WaveFormat pcm;
  SuggestPcmFormat(format, pcm);
  auto c = OpenConverter(format, pcm);
  uint32_t block = c->SourceSize(TSoundSrc::kDecodedBytes);
  size_t total = 0;
  for (size_t p = 0; p < data.size(); p += block) {
    size_t n = std::min<size_t>(block, data.size() - p);
    total +=
        c->Convert(reinterpret_cast<const uint8_t*>(data.data() + p), n, out.data(), out.size());
  }
  return total;
}

void ReportRealtime(benchmark::State& state, size_t pcmBytesPerIteration) {
  double seconds = double(pcmBytesPerIteration) / (44100.0 * 4);
  state.counters["x_realtime"] =
      benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_AdpcmDecode(benchmark::State& state) {
  const auto file = Fix().tools ? ReadWholeFile(Fix().dir + "adpcm.wav") : std::nullopt;
  if (!file) return state.SkipWithError("sox is needed for the fixture");
  const auto [format, data] = testing::ParseWave(*file);
  std::vector<uint8_t> out(TSoundSrc::kDecodedBytes);
  size_t bytes = 0;
  for (auto _ : state) bytes = DecodeThrough(format, data, out);
  ReportRealtime(state, bytes);
}
BENCHMARK(BM_AdpcmDecode)->Unit(benchmark::kMillisecond);

void BM_MpegDecodeThroughConverter(benchmark::State& state) {
  auto mp3 = ReadWholeFile(Fix().dir + "in.mp3");
  if (!Fix().tools || !mp3) return state.SkipWithError("lame is needed for the fixture");
  FormatBlock format{};
  MakeMpegFormat(Get32(reinterpret_cast<const uint8_t*>(mp3->data())), format);
  std::vector<uint8_t> out(TSoundSrc::kDecodedBytes);
  size_t bytes = 0;
  for (auto _ : state) bytes = DecodeThrough(format, *mp3, out);
  ReportRealtime(state, bytes);
}
BENCHMARK(BM_MpegDecodeThroughConverter)->Unit(benchmark::kMillisecond);

void BM_MpegDecodeBareLibmpg123(benchmark::State& state) {
  auto mp3 = ReadWholeFile(Fix().dir + "in.mp3");
  if (!Fix().tools || !mp3) return state.SkipWithError("lame is needed for the fixture");
  std::vector<uint8_t> out(TSoundSrc::kDecodedBytes);
  size_t bytes = 0;
  for (auto _ : state) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_open_feed(h);
    mpg123_feed(h, reinterpret_cast<const unsigned char*>(mp3->data()), mp3->size());
    bytes = 0;
    for (;;) {
      size_t done = 0;
      int r = mpg123_read(h, out.data(), out.size(), &done);
      bytes += done;
      if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
    }
    mpg123_delete(h);
  }
  ReportRealtime(state, bytes);
}
BENCHMARK(BM_MpegDecodeBareLibmpg123)->Unit(benchmark::kMillisecond);

// The sox command line decoding the same ADPCM file (process start included).
void BM_SoxAdpcmPeer(benchmark::State& state) {
  if (!Fix().tools) return state.SkipWithError("sox is needed");
  std::string cmd = "sox " + Fix().dir + "adpcm.wav -t raw /dev/null >/dev/null 2>&1";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(cmd.c_str()));
  ReportRealtime(state, 441000 * 4);
}
BENCHMARK(BM_SoxAdpcmPeer)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
}  // namespace vantel

int main(int argc, char** argv) {
  vantel::bench::BestTimeRecorder rec;
  vantel::bench::RunBenchmarks(argc, argv, rec);
  auto& t = rec.ns;
  auto ratio = [&](const char* name, const char* base, const char* aim) {
    if (!t.count(name) || !t.count(base)) return;
    std::printf("  %-28s %9.2f x %-26s %s\n", name, t[name] / t[base], base, aim);
  };
  std::printf("\nRatios\n");
  ratio("BM_MixThreePcmSources", "BM_CopySameBytes", "");
  ratio("BM_StartDamagedRandomSet", "BM_StartHealthyRandomSet", "aim <= 5");
  ratio("BM_MpegDecodeThroughConverter", "BM_MpegDecodeBareLibmpg123", "");
  // Fills measured in microseconds, as a share of the 17 ms a buffer lasts.
  for (auto& [name, us] : t)
    if (name == "BM_StartDamagedRandomSet" || name.starts_with("BM_HostileSoundFills"))
      std::printf("  %-40s %9.4f of the 17 ms a buffer lasts (aim <= 0.05)\n", name.c_str(),
                  us / 17000.0);
  return 0;
}
