#include "sound/ClassSoundSrc.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "platform/headless/HeadlessAudio.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/FuncSound.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using testing::HaveTool;
using testing::PcmWave;
using testing::RunTool;
using testing::TempDir;

// A memory stream that counts what is read from it, to hold the sources to
// bounded work.
class CountingStream : public MemoryStream {
 public:
  using MemoryStream::MemoryStream;
  size_t Read(void* buffer, size_t count) override {
    ++reads;
    return MemoryStream::Read(buffer, count);
  }
  int64_t reads = 0;
};

// A sound archive in memory: one leading byte (so every entry's offset is
// above 0, as in a real archive), then the entries back to back.
class MemoryArchive : public SoundArchiveView {
 public:
  void Add(const Bytes& name, const std::string& bytes) {
    std::string all = stream_.Data();
    if (all.empty()) all = "P";
    entries_[name] = {uint32_t(all.size()), uint32_t(bytes.size())};
    stream_ = CountingStream(all + bytes);
  }
  // Reads of the archive's stream since the last call.
  int64_t TakeReads() { return std::exchange(stream_.reads, 0); }
  int32_t IndexOf(const Bytes& name) override { return entries_.count(name) ? 0 : -1; }
  uint32_t EntryOffset(const Bytes& name) override {
    return entries_.count(name) ? entries_[name].first : 0;
  }
  uint32_t EntrySize(const Bytes& name) override {
    return entries_.count(name) ? entries_[name].second : 0;
  }
  Stream& EntryStream(const Bytes&) override { return stream_; }

 private:
  CountingStream stream_;
  std::map<Bytes, std::pair<uint32_t, uint32_t>> entries_;
};

// Stereo frames whose left value is `f(i)` and right value its negation.
std::vector<int16_t> StereoPattern(int frames, int16_t (*f)(int)) {
  std::vector<int16_t> s;
  for (int i = 0; i < frames; ++i) {
    s.push_back(f(i));
    s.push_back(int16_t(-f(i)));
  }
  return s;
}
int16_t Saw(int i) {
  return int16_t((i % 1000) * 30 - 15000);
}

// A RIFF chunk as editors write it: id, length, body, a pad byte after an odd body.
std::string Chunk(const char* id, const std::string& body) {
  std::string c = id + testing::Le32(uint32_t(body.size())) + body;
  return body.size() % 2 ? c + '\0' : c;
}
std::string Riff(const std::string& chunks) {
  return "RIFF" + testing::Le32(uint32_t(chunks.size() + 4)) + "WAVE" + chunks;
}
std::string Pcm8Format(int channels) {
  WaveFormat f = WaveFormat::Pcm16(uint16_t(channels), 44100);
  f.avgBytesPerSec = 44100u * uint32_t(channels);
  f.blockAlign = uint16_t(channels);
  f.bitsPerSample = 8;
  return f.FileRecord();
}
// The format chunk of a mono Microsoft ADPCM sound with the standard
// coefficients, `blockAlign`-byte blocks of as many samples as they hold.
std::string AdpcmRecord(int blockAlign) {
  static const int16_t kCoef[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                      {240, 0}, {460, -208}, {392, -232}};
  WaveFormat f;
  f.formatTag = kWaveFormatMsAdpcm;
  f.channels = 1;
  f.samplesPerSec = 44100;
  f.avgBytesPerSec = 22311;
  f.blockAlign = uint16_t(blockAlign);
  f.bitsPerSample = 4;
  f.extraSize = 32;
  std::string r(18, '\0');
  f.Write(reinterpret_cast<uint8_t*>(r.data()));
  r += testing::Le16(uint32_t(2 + (blockAlign - 7) * 2)) + testing::Le16(7);
  for (auto& c : kCoef) r += testing::Le16(uint16_t(c[0])) + testing::Le16(uint16_t(c[1]));
  return r;
}
// The format chunk of MPEG-1 Layer III at 128 kbit/s, 44.1 kHz, joint stereo.
std::string MpegRecord() {
  FormatBlock f{};
  MakeMpegFormat(0x6490FBFF, f);
  return std::string(f.begin(), f.begin() + 30);
}

// One source (index 0 of the mix) on a synchronous wave output over the
// headless device; loose sounds live in the fixture's temporary directory.
class SoundSource : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform_);
    ResetSoundNotices();
    source_ = std::make_unique<TSoundSrc>(&archive_, dir_ / "sound/");
    source_->SeedRandom(7);
    sound_.AddSource(source_.get());
    sound_.Enabled = true;
  }
  void TearDown() override {
    sound_.Close();
    SetPlatform(nullptr);
  }
  void Post(int32_t kind, const Bytes& name, int32_t value = 0, int32_t loops = 1) {
    std::lock_guard<std::recursive_mutex> lock(SoundLock());
    source_->Post({kind, name, value, loops});
  }
  // Opens the device (its first twelve fills mix at once) after the posts.
  void Start() {
    sound_.Open(44100, 16, 2);
    device_ = platform_.LastAudioDevice();
  }
  std::vector<int16_t> Pull(int buffers) { return device_->PullMany(buffers); }

  TempDir dir_;
  HeadlessPlatform platform_;
  MemoryArchive archive_;
  TSound sound_{TSound::RefillMode::Synchronous};
  std::unique_ptr<TSoundSrc> source_;
  HeadlessAudio* device_ = nullptr;
};

TEST_F(SoundSource, EndlessPcmLoopJoinsWithoutGapOrRampAndCountsPasses) {
  const int n = 20000;  // longer than one decoded block, so the joins fall between refills
  dir_.Write("sound/loop.wav", PcmWave(2, 44100, StereoPattern(n, Saw)));
  Post(kSoundPlay, "loop.wav", 0, 0);
  Start();
  auto out = Pull(80);  // 60 000 frames: three passes
  // The first 512 frames are ramped in; everything after follows the data
  // exactly, across both loop points.
  EXPECT_EQ(out[0], 0);
  // A stereo sound's ramp covers 1 024 values, so frame 256 is at half volume.
  EXPECT_EQ(out[2 * 256], Saw(256) * 512 / 1024 * 253 / 512);
  for (int f = 512; f < 60000; ++f) {
    ASSERT_EQ(out[2 * f], Saw(f % n) * 253 / 512) << "frame " << f;
    ASSERT_EQ(out[2 * f + 1], -Saw(f % n) * 253 / 512) << "frame " << f;
  }
  EXPECT_EQ(source_->SaveState(), "loop.wav,-3,false,true");
  EXPECT_FALSE(source_->Finished());
}

TEST_F(SoundSource, CountedPassesEndInSilenceAndLeaveTheSourceFinished) {
  dir_.Write("sound/two.wav",
             PcmWave(2, 44100, StereoPattern(1000, [](int) { return int16_t(4000); })));
  Post(kSoundPlay, "two.wav", 0, 2);
  Start();
  auto out = Pull(4);
  for (int f = 512; f < 2000; ++f) ASSERT_EQ(out[2 * f], 4000 * 253 / 512) << f;
  for (int f = 2000; f < 3000; ++f) ASSERT_EQ(out[2 * f], 0) << f;
  EXPECT_TRUE(source_->Finished());
  EXPECT_EQ(source_->SaveState(), ",0,false,true");
  EXPECT_EQ(source_->RemainingTime(), 0);
}

TEST_F(SoundSource, FadesFollowQuarterMillisecondUnits) {
  dir_.Write("sound/a.wav", PcmWave(1, 44100, std::vector<int16_t>(100000, 10000)));
  Post(kSoundPlay, "a.wav", 0, 0);
  Start();
  Pull(12);
  Post(kSoundFadeOut, "", 800);
  std::vector<int> volumes;
  std::vector<int16_t> out;
  while (!source_->Finished() && volumes.size() < 20) {
    device_->Pull(&out);
    volumes.push_back(source_->FadeVolume());
  }
  std::vector<int> expected = {233, 211, 189, 168, 146, 124, 103, 81, 59, 38, 16, 16};
  EXPECT_EQ(volumes, expected);  // the 12th call finishes and adds nothing
  // The first faded buffer went out at 233: g = 233 * 255 / 256, factor 232 * 255 / 256.
  out = Pull(12);
  EXPECT_EQ(out[0], 10000 * (232 * 255 / 256) / 512);

  Post(kSoundFadeIn, "a.wav", 2000, 0);
  volumes.clear();
  for (int i = 0; i < 31; ++i) {
    device_->Pull();
    volumes.push_back(source_->FadeVolume());
  }
  EXPECT_EQ(volumes[0], 8);
  EXPECT_EQ(volumes[1], 17);
  EXPECT_EQ(volumes[28], 251);
  EXPECT_EQ(volumes[29], 255);
  EXPECT_EQ(volumes[30], 255);
}

TEST_F(SoundSource, OnlyTheLatestCommandRunsAndVolumesScaleBothChannels) {
  dir_.Write("sound/a.wav", PcmWave(1, 44100, std::vector<int16_t>(60000, 10000)));
  dir_.Write("sound/b.wav", PcmWave(1, 44100, std::vector<int16_t>(60000, 20000)));
  dir_.Write("sound/uta.wav", PcmWave(1, 44100, std::vector<int16_t>(60000, 20000)));
  Start();
  // Commands posted now run in the next fill, which is heard after the
  // twelve buffers already queued. A mono sound ramps in over 1 024 frames,
  // so its third buffer is the first at full level.
  auto heard = [&] {
    Pull(12);
    return Pull(3);
  };
  Post(kSoundPlay, "a.wav", 0, 0);
  Post(kSoundPlay, "b.wav", 0, 0);
  auto out = heard();
  EXPECT_EQ(source_->Name(), "b.wav");
  EXPECT_EQ(out[2 * 512], 20000 * 512 / 1024 * 253 / 512);
  EXPECT_EQ(out[2 * 1600], 20000 * 253 / 512);  // mono goes to both sides
  EXPECT_EQ(out[2 * 1600 + 1], 20000 * 253 / 512);

  // A volume change followed at once by a play loses the volume change.
  Post(kSoundVolume, "", 128);
  Post(kSoundPlay, "a.wav", 0, 0);
  out = heard();
  EXPECT_EQ(out[2 * 1600], 10000 * 253 / 512);
  Post(kSoundVolume, "", 128);
  out = heard();
  EXPECT_EQ(out[0], 10000 * (254 * 128 / 256) / 512);

  Post(kSoundVolume, "", 255);
  heard();
  Post(kSoundPlay, "uta.wav", 0, 0);  // the vocal song at full scale
  out = heard();
  EXPECT_EQ(out[2 * 1600], 20000 * 253 / 256);

  Post(kSoundStop, ".wav");
  out = heard();
  for (int16_t v : out) ASSERT_EQ(v, 0);
  EXPECT_FALSE(source_->Finished());  // a stop leaves finished as it was
  EXPECT_EQ(source_->SaveState(), ",0,false,false");
}

TEST_F(SoundSource, DisablingPausesAtTheSampleAndResumesThere) {
  dir_.Write("sound/s.wav", PcmWave(2, 44100, StereoPattern(30000, Saw)));
  Post(kSoundPlay, "s.wav", 0, 1);
  Start();
  Pull(12);  // frames 0 to 8 999, while 9 000 to 17 999 are mixed
  sound_.Enabled = false;
  Pull(12);  // frames up to 17 999 heard; silence is queued
  auto silent = Pull(24);
  for (int16_t v : silent) ASSERT_EQ(v, 0);
  sound_.Enabled = true;
  Pull(12);  // silent ones still queued
  auto b = Pull(1);
  for (int f = 0; f < 750; ++f) ASSERT_EQ(b[2 * f], Saw(18000 + f) * 253 / 512) << f;
}

TEST_F(SoundSource, ArchiveEntriesComeFirstAndNeverReadIntoTheNextEntry) {
  // An entry whose data chunk claims more than the entry holds, followed by
  // a loud neighbour: only the entry's own 100 frames may play.
  std::string quiet = PcmWave(1, 44100, std::vector<int16_t>(100, 1000));
  quiet.replace(40, 4, testing::Le32(1 << 20));
  archive_.Add("q.wav", quiet);
  archive_.Add("loud.wav", PcmWave(1, 44100, std::vector<int16_t>(5000, 30000)));
  dir_.Write("sound/q.wav",
             PcmWave(1, 44100, std::vector<int16_t>(5000, 7)));  // loses to the archive
  Post(kSoundPlay, "q.wav", 0, 1);
  Start();
  auto out = Pull(1);
  for (int f = 100; f < 750; ++f) ASSERT_EQ(out[2 * f], 0) << f;
  EXPECT_EQ(out[2 * 99], 1000 * 99 / 1024 * 253 / 512);
  EXPECT_TRUE(source_->Finished());
  auto warnings = TakeSoundWarnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("longer than the file"), std::string::npos);
}

TEST(SoundArchive, SourcesReadTheRealArchiveThroughItsView) {
  HeadlessPlatform platform;
  SetPlatform(&platform);
  TempDir dir;
  ArchiveWriter writer(ArchiveWriter::Kind::Raw);
  writer.Add("a.wav", PcmWave(1, 44100, std::vector<int16_t>(3000, 1000)));
  writer.Add("my song.wav", PcmWave(1, 44100, std::vector<int16_t>(3000, 3000)));
  writer.Write(dir / "sound.pk2");
  dir.Write("sound/loose.wav", PcmWave(1, 44100, std::vector<int16_t>(3000, 2000)));
  TArchive archive(dir / "sound.pk2");
  archive.SetLooseDir(dir / "sound/");
  TArchiveSoundView view(archive);
  TSoundSrc source(&view, dir / "sound/");
  TSound sound(TSound::RefillMode::Synchronous);
  sound.AddSource(&source);
  sound.Enabled = true;
  std::vector<int16_t> buffer(1500);
  for (const char* name : {"a.wav", "loose.wav", "my song.wav"}) {
    // Another reader left the archive on a loose file: the entry still
    // comes from the archive file.
    ASSERT_TRUE(archive.SelectEntry("loose.wav"));
    source.Post({kSoundPlay, name, 0, 1});
    sound.FillBuffer(buffer.data());
    sound.FillBuffer(buffer.data());
    int expected = std::string(name) == "a.wav" ? 1000 : name[0] == 'l' ? 2000 : 3000;
    EXPECT_EQ(buffer[2 * 500], expected * 253 / 512) << name;
  }
  // Names with blanks are quoted in the state text.
  EXPECT_EQ(source.SaveState(), "\"my song.wav\",0,false,true");
  SetPlatform(nullptr);
}

TEST_F(SoundSource, DamagedSoundsPlaySilenceWithAWarningAndNeverHang) {
  std::string pcm = testing::Samples(std::vector<int16_t>(2000, 5000));
  std::string fmt = testing::PcmFormat(2, 44100);
  std::map<std::string, std::string> files = {
      {"nodata.wav", "RIFF" + testing::Le32(100) + "WAVEfmt " + testing::Le32(16) + fmt + "LIST" +
                         testing::Le32(4) + "abcd"},
      {"empty.wav", testing::MakeWave(fmt, "")},
      {"short.wav", "RIFF"},
      {"fmtpast.wav", "RIFF" + testing::Le32(100) + "WAVEfmt " + testing::Le32(5000) + fmt},
      {"six.wav", testing::MakeWave(testing::PcmFormat(6, 44100), pcm)},
      {"wide.wav", testing::MakeWave(fmt.substr(0, 14) + testing::Le16(24), pcm)},
      // Data that decodes to no sound at all, played endlessly: no MPEG
      // frame, ADPCM data shorter than a block header.
      {"mpegjunk.wav", testing::MakeWave(MpegRecord(), std::string(4000, '\0'))},
      {"adpcmtail.wav", testing::MakeWave(AdpcmRecord(64), std::string(5, '\x01'))},
      {"junk.wav", std::string(3000, 'x')},
      // Records that would make a decoded block need gigabytes of compressed
      // data: an MPEG byte rate near 2^32, ADPCM blocks of 65535 bytes
      // holding two samples each.
      {"mpegrate.wav",
       testing::MakeWave(testing::Le16(0x55) + testing::Le16(2) + testing::Le32(44100) +
                             testing::Le32(0xFFFFFFFF) + testing::Le16(1) + testing::Le16(0) +
                             testing::Le16(12) + testing::Le16(1) + testing::Le32(2) +
                             testing::Le16(1393) + testing::Le16(1) + testing::Le16(1393),
                         std::string(4000, 'x'))},
      {"adpcmblock.wav",
       testing::MakeWave(testing::Le16(2) + testing::Le16(1) + testing::Le32(44100) +
                             testing::Le32(22050) + testing::Le16(65535) + testing::Le16(4) +
                             testing::Le16(8) + testing::Le16(2) + testing::Le16(1) +
                             testing::Le16(256) + testing::Le16(0),
                         std::string(70000, '\0'))},
  };
  for (auto& [name, bytes] : files) {
    archive_.Add(name, bytes);
    archive_.Add("after-" + name, PcmWave(1, 44100, std::vector<int16_t>(5000, 30000)));
  }
  for (const char* variant : {"r1.wav", "r2.wav", "r3.wav"})
    archive_.Add(variant, testing::MakeWave(MpegRecord(), std::string(4000, '\0')));
  Start();
  archive_.TakeReads();
  // Each ends with one line, after a few reads of its own bytes.
  for (auto& [name, bytes] : files) {
    Post(kSoundPlay, name, 0, 0);
    auto out = Pull(13);
    for (int16_t v : out) ASSERT_EQ(v, 0) << name;
    EXPECT_TRUE(source_->Finished()) << name;
    EXPECT_EQ(TakeSoundWarnings().size(), 1u) << name;
    EXPECT_LE(archive_.TakeReads(), 40) << name;
  }
  // The same damage in a random set: the variant that starts it ends after
  // a few tries, instead of every mix reopening the set thousands of times.
  Post(kSoundPlay, "r.wav", 0, -1);
  auto out = Pull(13);
  for (int16_t v : out) ASSERT_EQ(v, 0);
  EXPECT_TRUE(source_->Finished());
  auto lines = TakeSoundWarnings();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("decodes to no sound"), std::string::npos);
  EXPECT_LE(archive_.TakeReads(), 40);
  EXPECT_FALSE(ShowPendingSoundNotices());  // damage is not a missing codec
}

TEST_F(SoundSource, ChunkLayoutsOfOtherToolsAndEightBitPcmPlay) {
  std::string fmt = testing::PcmFormat(1, 22050);
  std::string data = testing::Samples(std::vector<int16_t>(3000, 2000));
  std::string body = "WAVEfmt " + testing::Le32(16) + fmt + "LIST" + testing::Le32(3) + "abc" +
                     std::string(1, '\0') + "data" + testing::Le32(uint32_t(data.size())) + data;
  dir_.Write("sound/odd.wav", "RIFF" + testing::Le32(uint32_t(body.size())) + body);
  Post(kSoundPlay, "odd.wav", 0, 1);
  Start();
  auto out = Pull(2);
  EXPECT_EQ(out[2 * 1200], 2000 * 253 / 512);
  // Not 44.1 kHz: played anyway, one stored sample per output sample, with a warning line.
  ASSERT_EQ(source_->Warnings().size(), 1u);
  EXPECT_EQ(source_->Warnings()[0], Sjis("サウンドodd.wavは44.1Kじゃないよ"));

  // Editors put other chunks before the format chunk; unsigned 8-bit
  // samples are widened to 16 bits (128 is silence).
  std::string bytes8;
  for (int i = 0; i < 4000; ++i) bytes8 += char(i * 7 % 256);
  auto wide = [](uint8_t b) { return (b - 128) * 256; };
  dir_.Write("sound/junk.wav", Riff(Chunk("JUNK", std::string(28, '\0')) + Chunk("LIST", "INFOx") +
                                    Chunk("fmt ", testing::PcmFormat(2, 44100)) +
                                    Chunk("data", testing::Samples(StereoPattern(4000, Saw)))));
  dir_.Write("sound/u8.wav", testing::MakeWave(Pcm8Format(1), bytes8));
  dir_.Write("sound/u8s.wav",
             Riff(Chunk("LIST", "INFOabc") + Chunk("fmt ", Pcm8Format(2)) +
                  Chunk("data", bytes8 + "\x01")));  // half a frame at the end is dropped
  auto heard = [&](const char* name) {
    Post(kSoundPlay, name, 0, 1);
    Pull(12);
    return Pull(6);
  };
  out = heard("junk.wav");
  for (int f = 512; f < 4000; ++f) ASSERT_EQ(out[2 * f + 1], -Saw(f) * 253 / 512) << f;
  EXPECT_EQ(out[2 * 4000], 0);
  out = heard("u8.wav");
  EXPECT_EQ(source_->OutputFormat().bitsPerSample, 16);
  EXPECT_EQ(out[2 * 100], wide(uint8_t(bytes8[100])) * 100 / 1024 * 253 / 512);
  for (int f = 1024; f < 4000; ++f) {
    ASSERT_EQ(out[2 * f], wide(uint8_t(bytes8[f])) * 253 / 512) << f;
    ASSERT_EQ(out[2 * f + 1], out[2 * f]) << f;
  }
  EXPECT_EQ(out[2 * 4000], 0);
  out = heard("u8s.wav");
  for (int f = 512; f < 2000; ++f) {
    ASSERT_EQ(out[2 * f], wide(uint8_t(bytes8[2 * f])) * 253 / 512) << f;
    ASSERT_EQ(out[2 * f + 1], wide(uint8_t(bytes8[2 * f + 1])) * 253 / 512) << f;
  }
  EXPECT_EQ(out[2 * 2000], 0);
  EXPECT_TRUE(TakeSoundWarnings().size() == 1u);  // only the rate warning of odd.wav
}

TEST_F(SoundSource, RandomVariantsChainAmongThoseThatExist) {
  for (int d = 1; d <= 7; ++d) {
    if (d == 4) continue;
    dir_.Write("sound/x" + std::to_string(d) + ".wav",
               PcmWave(1, 44100, std::vector<int16_t>(1000, int16_t(1000 * d))));
  }
  Start();
  Post(kSoundPlay, "x.wav", 0, -1);
  Pull(1);  // one mix: the first variant plays its first 750 frames
  std::vector<Bytes> heard{source_->Name()};
  EXPECT_TRUE(heard[0] >= "x1.wav" && heard[0] <= "x5.wav");
  for (int i = 0; i < 60; ++i) {
    Pull(1);
    if (source_->Name() != heard.back()) heard.push_back(source_->Name());
  }
  EXPECT_GT(heard.size(), 20u);
  std::set<Bytes> distinct(heard.begin(), heard.end());
  EXPECT_GE(distinct.size(), 4u);
  EXPECT_FALSE(distinct.count("x4.wav"));
  // Each variant is one pass, wholly decoded at once: its count is already 0.
  EXPECT_EQ(source_->SaveState().substr(source_->SaveState().find(',')), ",0,true,true");

  // Variants of 40 frames would need nineteen chains per buffer: a buffer
  // chains a bounded number, and long calls are reported at most once per play.
  for (int d = 1; d <= 3; ++d)
    dir_.Write("sound/z" + std::to_string(d) + ".wav",
               PcmWave(1, 44100, std::vector<int16_t>(40, 3000)));
  TakeSoundWarnings();
  Post(kSoundPlay, "z.wav", 0, -1);
  Pull(12);
  auto out = Pull(20);
  for (int b = 0; b < 20; ++b) ASSERT_NE(out[1500 * b + 2 * 300], 0) << b;  // every buffer plays
  EXPECT_FALSE(source_->Finished());
  EXPECT_LE(TakeSoundWarnings().size(), 1u);
}

TEST_F(SoundSource, ASingleVariantReplaysInsteadOfSearchingForever) {
  dir_.Write("sound/y3.wav", PcmWave(1, 44100, std::vector<int16_t>(300, 1000)));
  Start();
  // However the choice falls, the one variant that exists starts the set.
  for (uint32_t seed = 0; seed < 20; ++seed) {
    source_->SeedRandom(seed);
    Post(kSoundPlay, "y.wav", 0, -1);
    Pull(1);
    ASSERT_TRUE(source_->Playing()) << seed;
    ASSERT_EQ(source_->Name(), "y3.wav") << seed;
  }
  auto out = Pull(20);  // 15 000 frames of a 300-frame sound: it keeps replaying
  EXPECT_NE(out[2 * 14000 + 2 * 200], 0);
  EXPECT_FALSE(source_->Finished());
}

TEST_F(SoundSource, CompressedLoopShorterThanABlockJoinsInsideEachBlock) {
  // ADPCM whose last block is short: each pass starts again on a block
  // boundary. Three 64-byte blocks of 116 samples, then one of 20 bytes (28).
  std::string blocks;
  uint32_t lcg = 12345;
  for (int b = 0; b < 4; ++b) {
    std::string block = std::string(1, char(b % 7)) + testing::Le16(40) +
                        testing::Le16(uint16_t(100 * b)) + testing::Le16(uint16_t(-50 * b));
    for (int i = 7; i < (b < 3 ? 64 : 20); ++i)
      block += char((lcg = lcg * 1103515245 + 12345) >> 24);
    blocks += block;
  }
  std::string record = AdpcmRecord(64);
  dir_.Write("sound/short.wav", testing::MakeWave(record, blocks));
  FormatBlock adpcm{};
  std::copy(record.begin(), record.end(), adpcm.begin());
  WaveFormat decoded;
  ASSERT_EQ(SuggestPcmFormat(adpcm, decoded), ConverterStatus::Ok);
  std::vector<int16_t> shortPass(1000);
  size_t got = OpenConverter(adpcm, decoded)
                   ->Convert(reinterpret_cast<const uint8_t*>(blocks.data()), blocks.size(),
                             reinterpret_cast<uint8_t*>(shortPass.data()), 2000);
  ASSERT_EQ(got, (3 * 116 + 28) * 2u);
  shortPass.resize(got / 2);
  Start();
  Post(kSoundPlay, "short.wav", 0, 0);
  Pull(12);
  auto looped = Pull(40);  // 30 000 frames: about 80 passes over several refills
  for (size_t f = 1024; f < 30000; ++f)
    ASSERT_EQ(looped[2 * f], shortPass[f % shortPass.size()] * 253 / 512) << "frame " << f;
  EXPECT_FALSE(source_->Finished());

  if (!HaveTool("sox")) GTEST_SKIP() << "sox is not installed";
  dir_.Write("sound/.keep", "");
  ASSERT_TRUE(RunTool("sox -n -r 44100 -b 16 -c 2 " + dir_ / "in.wav" + " synth 0.1 sine 500"));
  ASSERT_TRUE(RunTool("sox " + dir_ / "in.wav" + " -e ms-adpcm " + dir_ / "sound/c.wav"));
  auto wave = testing::ParseWave(*ReadWholeFile(dir_ / "sound/c.wav"));
  WaveFormat pcm;
  ASSERT_EQ(SuggestPcmFormat(wave.format, pcm), ConverterStatus::Ok);
  auto once = testing::ToSamples([&] {
    std::vector<uint8_t> buffer(200000);
    auto c = OpenConverter(wave.format, pcm);
    size_t n = c->Convert(reinterpret_cast<const uint8_t*>(wave.data.data()), wave.data.size(),
                          buffer.data(), buffer.size());
    return std::string(reinterpret_cast<char*>(buffer.data()), n);
  }());
  const size_t pass = once.size() / 2;  // frames in one pass
  Post(kSoundPlay, "c.wav", 0, 0);
  Pull(12);
  auto out = Pull(60);  // 45 000 frames: many passes, several blocks
  for (size_t f = 512; f < 45000; ++f)
    ASSERT_EQ(out[2 * f], once[2 * (f % pass)] * 253 / 512) << "frame " << f;
}

TEST_F(SoundSource, MpegInAWaveFilePlaysItsLength) {
  if (!HaveTool("sox") || !HaveTool("lame")) GTEST_SKIP() << "sox or lame is not installed";
  ASSERT_TRUE(RunTool("sox -n -r 44100 -b 16 -c 2 " + dir_ / "in.wav" + " synth 2 sine 440"));
  ASSERT_TRUE(RunTool("lame --quiet -b 128 " + dir_ / "in.wav" + " " + dir_ / "in.mp3"));
  std::string mp3 = *ReadWholeFile(dir_ / "in.mp3");
  FormatBlock f{};
  MakeMpegFormat(testing::Get32Of(mp3.data()), f);
  dir_.Write("sound/m.wav", testing::MakeWave(std::string(f.begin(), f.begin() + 30), mp3));
  // The same data under an .mp3 name is read as raw MPEG audio.
  dir_.Write("sound/raw.mp3", mp3);
  // A record that claims eight times the byte rate: blocks take in far more
  // than they decode; the decoder works through what it holds before taking
  // more, and to the end after the last pass.
  Put32(f.data() + 8, Get32(f.data() + 8) * 8);
  dir_.Write("sound/fast.wav", testing::MakeWave(std::string(f.begin(), f.begin() + 30), mp3));
  Start();
  for (const char* name : {"m.wav", "raw.mp3", "fast.wav"}) {
    Post(kSoundPlay, name, 0, 1);
    int buffers = 0;
    do {
      device_->Pull();
      ++buffers;
    } while (!source_->Finished() && buffers < 400);
    EXPECT_EQ(source_->Name(), name);
    // Two seconds, plus the whole frames of encoder delay and padding.
    EXPECT_GE(buffers * 750, 88200) << name;
    EXPECT_LE(buffers * 750, 88200 + 3 * 1152 + 2 * 750) << name;
    Pull(13);
  }
}

TEST_F(SoundSource, UndecodableFormatsRaiseTheCodecNoticeOnceAndStaySilent) {
  std::string fmt = testing::PcmFormat(2, 44100);
  fmt.replace(0, 2, testing::Le16(0x11));  // IMA ADPCM
  for (const char* name : {"i1.wav", "i2.wav", "i3.wav"})
    dir_.Write(std::string("sound/") + name,
               testing::MakeWave(fmt + testing::Le16(0), std::string(4000, 'a')));
  Start();
  for (const char* name : {"i1.wav", "i2.wav", "i3.wav"}) {
    Post(kSoundPlay, name, 0, 1);
    auto out = Pull(13);
    for (int16_t v : out) ASSERT_EQ(v, 0);
    EXPECT_TRUE(source_->Failed());
  }
  EXPECT_TRUE(ShowPendingSoundNotices());
  EXPECT_FALSE(ShowPendingSoundNotices());
  ASSERT_EQ(platform_.Messages().size(), 1u);
  EXPECT_EQ(platform_.Messages()[0].text, CodecMissingText());
  EXPECT_EQ(platform_.Messages()[0].kind, MessageKind::Confirmation);
}

}  // namespace
}  // namespace vantel
