#include "demo/gen/DemoSounds.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/Errors.h"
#include "base/Paths.h"
#include "demo/gen/Synth.h"

namespace vantel::demo {
namespace {

enum class Codec { Pcm, Adpcm, Mp3 };

std::string ReadFileOrThrow(const std::string& path) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) throw FileError("cannot read " + path);
  return *bytes;
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw FileError("command failed: " + command);
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string EncodeMp3(const Pcm& pcm, const std::string& workDir, const std::string& stem) {
  const std::string in = workDir + "/" + stem + "-in.wav", out = workDir + "/" + stem + ".mp3";
  WriteFileAtomic(in, WavPcm(pcm));
  Run("lame --quiet --cbr -b 128 -t " + Quote(in) + " " + Quote(out));
  std::string mp3 = ReadFileOrThrow(out);
  DeleteFile(in);
  DeleteFile(out);
  return WavMp3(mp3, pcm.channels, 128, static_cast<uint32_t>(pcm.Frames()));
}

std::string Encode(Codec codec, const Pcm& pcm, const std::string& workDir,
                   const std::string& stem) {
  switch (codec) {
    case Codec::Pcm:
      return WavPcm(pcm);
    case Codec::Adpcm:
      return WavMsAdpcm(pcm);
    case Codec::Mp3:
      return EncodeMp3(pcm, workDir, stem);
  }
  return {};
}

struct Track {
  const char* stem;
  TunePlan tune;
  Codec codec;
  int channels;
};

TunePlan Tune(uint32_t seed, double seconds, int bpm, int root, bool minor,
              std::vector<int> progression, bool pad, bool arp, bool drums, bool bells, Voice lead,
              double density = 0.7, int step = 2) {
  TunePlan t;
  t.seed = seed;
  t.seconds = seconds;
  t.bpm = bpm;
  t.root = root;
  t.minor = minor;
  t.progression = std::move(progression);
  t.pad = pad;
  t.arp = arp;
  t.drums = drums;
  t.bells = bells;
  t.lead = lead;
  t.melodyDensity = density;
  t.melodyStep = step;
  return t;
}

std::vector<Track> Tracks() {
  using V = Voice;
  return {
      {"m01", Tune(11, 20, 76, 62, false, {0, 4, 5, 3}, true, true, false, false, V::Pluck),
       Codec::Pcm, 2},
      {"m02", Tune(12, 16, 112, 65, false, {0, 3, 4, 0}, false, true, true, false, V::Organ),
       Codec::Pcm, 1},
      {"m03", Tune(13, 24, 70, 64, false, {0, 5, 3, 4}, true, false, false, true, V::Pluck, 0.6),
       Codec::Adpcm, 2},
      {"m04", Tune(14, 20, 120, 67, false, {0, 4, 5, 3}, false, true, true, false, V::Lead),
       Codec::Adpcm, 1},
      {"m05", Tune(15, 20, 66, 57, true, {0, 5, 2, 6}, true, false, false, false, V::Pluck, 0.6),
       Codec::Pcm, 1},
      {"m06", Tune(16, 20, 80, 62, true, {0, 5, 6, 4}, true, true, false, true, V::Bell, 0.4),
       Codec::Adpcm, 2},
      {"m07", Tune(17, 24, 60, 57, true, {0, 3, 5, 4}, true, false, false, false, V::Lead, 0.5, 1),
       Codec::Mp3, 2},
      {"m08", Tune(18, 16, 126, 62, false, {0, 3, 0, 4}, false, true, true, false, V::Organ),
       Codec::Adpcm, 1},
      {"m08b", Tune(19, 12, 100, 62, false, {0, 3, 0, 4}, true, false, false, true, V::Pluck),
       Codec::Pcm, 2},
      {"m09", Tune(20, 16, 132, 52, true, {0, 0, 5, 4}, true, true, true, false, V::Lead, 0.5),
       Codec::Adpcm, 2},
      {"m10", Tune(21, 16, 92, 69, false, {0, 2, 3, 4}, true, true, false, true, V::Pluck),
       Codec::Pcm, 1},
      {"m11", Tune(22, 20, 116, 65, false, {0, 3, 4, 0}, false, true, true, true, V::Organ),
       Codec::Mp3, 2},
      {"m12", Tune(23, 20, 72, 64, false, {0, 5, 3, 4}, true, false, false, true, V::Pluck, 0.6),
       Codec::Adpcm, 2},
      {"m13", Tune(24, 57, 68, 60, false, {0, 4, 5, 3}, true, true, false, false, V::Lead, 0.5, 1),
       Codec::Mp3, 2},
  };
}

// The song: a ballad whose phrases are spoken by espeak-ng, each at the
// pitch of its place in the tune.
std::string MakeSong(const std::string& workDir) {
  TunePlan t =
      Tune(25, 36, 84, 60, false, {0, 5, 3, 4}, true, true, false, true, Voice::Pluck, 0.3, 1);
  Mix mix = RenderTune(t);
  static const char* const kLines[] = {
      "しおかぜに のせて",    "きょうも よぶよ", "うみの ちかくの あなたへ", "ひかりを ともして",
      "とおい なつの よるに", "うたは とどくよ", "また らいねんの なつに",
  };
  static const int kPitch[] = {55, 60, 65, 55, 60, 68, 62};
  const double bar = 4 * 60.0 / t.bpm;
  for (int i = 0; i < 7; ++i) {
    const std::string text = workDir + "/uta-" + std::to_string(i) + ".txt";
    const std::string wav = workDir + "/uta-" + std::to_string(i) + ".wav";
    WriteFileAtomic(text, kLines[i]);
    Run("espeak-ng -v ja+f3 -s 105 -p " + std::to_string(kPitch[i]) + " -f " + Quote(text) +
        " -w " + Quote(wav));
    int rate = 0;
    Pcm voice = ReadPcmWav(ReadFileOrThrow(wav), &rate);
    DeleteFile(text);
    DeleteFile(wav);
    mix.AddMono(voice.samples, rate, bar * (1 + 1.5 * i), 2.2, 0);
  }
  mix.FadeEdges(0.5);
  return EncodeMp3(mix.ToPcm(2, 0.6), workDir, "uta");
}

// ---- effects ----

Pcm Click() {
  Mix m(0.35);
  Rng rng(101);
  m.Noise(rng, 0, 0.05, 0.6, 0.9, 0.001);
  m.Kick(0.0, 0.5);
  m.Note(Voice::Bell, 0.04, 0.1, 1760, 0.25);
  m.FadeEdges(0.003);
  return m.ToPcm(1, 0.7);
}

Pcm Door() {
  Mix m(1.0);
  Rng rng(102);
  for (int i = 0; i < 6; ++i) m.Noise(rng, 0.05 * i, 0.08, 0.3, 0.05 + 0.02 * i, 0.01);
  m.Note(Voice::Organ, 0.0, 0.4, 180, 0.15);
  m.Kick(0.55, 0.9);
  m.Noise(rng, 0.55, 0.3, 0.5, 0.1, 0.002);
  m.FadeEdges(0.003);
  return m.ToPcm(1, 0.75);
}

Pcm Static() {
  Mix m(2.0);
  Rng rng(103);
  for (int i = 0; i < 40; ++i) m.Noise(rng, 0.05 * i, 0.1, 0.3 + 0.2 * rng.Uniform(), 0.6, 0.04);
  for (int i = 0; i < 25; ++i)
    m.Noise(rng, 2.0 * rng.Uniform(), 0.01, 0.8, 0.95, 0.001, rng.Uniform() - 0.5);
  m.Note(Voice::Organ, 0, 2.0, 50, 0.05);
  m.FadeEdges(0.01);
  return m.ToPcm(2, 0.5);
}

Pcm Chime() {
  Mix m(4.0);
  for (int i = 0; i < 4; ++i) m.Note(Voice::Bell, 0.7 * i, 0.6, i % 2 ? 523.25 : 392.0, 0.3);
  m.FadeEdges(0.01);
  return m.ToPcm(1, 0.7);
}

Pcm Wave(int variant) {
  const double len = 3.0 + 0.4 * variant;
  Mix m(len);
  Rng rng(200 + variant);
  m.Noise(rng, 0, len, 0.8, 0.04 + 0.01 * variant, len * (0.3 + 0.05 * variant),
          -0.3 + 0.15 * variant);
  m.Noise(rng, len * 0.3, len * 0.7, 0.25, 0.4, len * 0.2, 0.3 - 0.15 * variant);
  m.FadeEdges(0.05);
  return m.ToPcm(2, 0.6);
}

Pcm Step(int variant) {
  Mix m(0.45);
  Rng rng(300 + variant);
  m.Kick(0, 0.4);
  m.Noise(rng, 0, 0.08, 0.4, 0.5, 0.002);
  m.Note(Voice::Bell, 0.005, 0.1, 300 + 70 * variant, 0.12);
  m.FadeEdges(0.003);
  return m.ToPcm(1, 0.6);
}

Pcm Thunder() {
  Mix m(3.5);
  Rng rng(104);
  m.Noise(rng, 0, 0.25, 0.8, 0.7, 0.003);
  m.Noise(rng, 0.05, 3.4, 1.6, 0.015, 0.2);
  m.Noise(rng, 0.6, 2.0, 0.8, 0.01, 0.4);
  m.FadeEdges(0.01);
  return m.ToPcm(2, 0.85);
}

Pcm Firework(int variant) {
  Mix m(2.5);
  Rng rng(400 + variant);
  const double pan = -0.6 + 0.3 * variant;
  for (int i = 0; i < 8; ++i)
    m.Note(Voice::Lead, 0.06 * i, 0.07, 900 + 120 * i + 40 * variant, 0.04, pan);
  m.Kick(0.55, 0.9);
  m.Noise(rng, 0.55, 1.2, 0.9, 0.03, 0.01, pan);
  for (int i = 0; i < 30; ++i) m.Noise(rng, 0.7 + 1.6 * rng.Uniform(), 0.015, 0.3, 0.9, 0.001, pan);
  m.FadeEdges(0.01);
  return m.ToPcm(2, 0.8);
}

Pcm LogoSound() {
  Mix m(5.0);
  Rng rng(105);
  m.Noise(rng, 0, 1.2, 0.5, 0.3, 0.9);
  const int notes[] = {64, 71, 76, 79, 83, 88};
  for (int i = 0; i < 6; ++i)
    m.Note(Voice::Bell, 1.0 + 0.12 * i, 1.5, MidiFreq(notes[i]), 0.2, -0.5 + 0.2 * i);
  m.Note(Voice::Pad, 1.0, 3.0, MidiFreq(52), 0.15);
  m.FadeEdges(0.3);
  return m.ToPcm(2, 0.8);
}

}  // namespace

Pcm ReadPcmWav(const std::string& bytes, int* rate) {
  auto u16 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at]) |
                                 static_cast<uint8_t>(bytes[at + 1]) << 8);
  };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
    throw DataError("not a RIFF/WAVE file");
  Pcm pcm;
  bool haveFormat = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const size_t len = std::min<size_t>(u32(at + 4), bytes.size() - at - 8);
    if (id == "fmt " && len >= 16) {
      if (u16(at + 8) != 1 || u16(at + 22) != 16) throw DataError("wave data is not 16-bit PCM");
      pcm.channels = static_cast<int>(u16(at + 10));
      if (pcm.channels != 1 && pcm.channels != 2)
        throw DataError("wave data must be mono or stereo");
      if (rate) *rate = static_cast<int>(u32(at + 12));
      haveFormat = true;
    } else if (id == "data") {
      if (!haveFormat) throw DataError("wave data before its format");
      for (size_t i = 0; i + 1 < len; i += 2)
        pcm.samples.push_back(static_cast<int16_t>(u16(at + 8 + i)));
      pcm.samples.resize(pcm.samples.size() / pcm.channels * pcm.channels);
      return pcm;
    }
    at += 8 + len + (len & 1);
  }
  throw DataError("wave file without data");
}

AssetList SoundAssets(const std::string& workDir) {
  AssetList list;
  for (const Track& t : Tracks())
    list.push_back({std::string(t.stem) + ".wav", [t, workDir] {
                      Mix mix = RenderTune(t.tune);
                      mix.FadeEdges(0.02);
                      return Encode(t.codec, mix.ToPcm(t.channels), workDir, t.stem);
                    }});
  list.push_back({"uta.wav", [workDir] { return MakeSong(workDir); }});
  list.push_back({"SE_01_スロット差込.wav", [] { return WavPcm(Click()); }});
  list.push_back({"SE_02_ドア.wav", [] { return WavPcm(Door()); }});
  list.push_back({"SE_03_ノイズ.wav", [] { return WavPcm(Static()); }});
  list.push_back({"SE_04_鐘.wav", [] { return WavMsAdpcm(Chime()); }});
  list.push_back({"SE_07_雷.wav", [] { return WavMsAdpcm(Thunder()); }});
  for (int v = 1; v <= 5; ++v) {
    const std::string n = std::to_string(v);
    list.push_back({"SE_05_波x" + n + ".wav", [v] { return WavPcm(Wave(v)); }});
    list.push_back({"SE_06_足音x" + n + ".wav", [v] { return WavPcm(Step(v)); }});
    list.push_back({"SE_08_花火x" + n + ".wav", [v] { return WavMsAdpcm(Firework(v)); }});
  }
  list.push_back({"ゼルトロゴノイズSound.wav", [] { return WavMsAdpcm(LogoSound()); }});
  return list;
}

}  // namespace vantel::demo
