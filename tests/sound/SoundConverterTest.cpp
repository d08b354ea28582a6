#include "sound/SoundConverter.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "base/Stream.h"
#include "sound/FuncSound.h"
#include "sound/MsAdpcm.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using testing::HaveTool;
using testing::ParseWave;
using testing::RunTool;
using testing::TempDir;

// Decodes a whole compressed data block by block as a source does.
std::string DecodeAll(const FormatBlock& format, const std::string& data) {
  WaveFormat pcm;
  EXPECT_EQ(SuggestPcmFormat(format, pcm), ConverterStatus::Ok);
  auto c = OpenConverter(format, pcm);
  EXPECT_TRUE(c);
  if (!c) return {};
  std::string out;
  std::vector<uint8_t> buffer(50000);
  uint32_t block = c->SourceSize(50000);
  EXPECT_GT(block, 0u);
  for (size_t p = 0; p < data.size(); p += block) {
    size_t n = std::min<size_t>(block, data.size() - p);
    size_t got = c->Convert(reinterpret_cast<const uint8_t*>(data.data() + p), n, buffer.data(),
                            buffer.size());
    out.append(reinterpret_cast<char*>(buffer.data()), got);
  }
  return out;
}

// Decodes an ADPCM file with our decoder and with sox; both must agree bit for bit.
void ExpectSameAsSox(const TempDir& dir, const std::string& adpcmName) {
  ASSERT_TRUE(RunTool("sox " + dir / adpcmName + " -e signed -b 16 " + dir / "ref.wav"));
  auto adpcm = ParseWave(*ReadWholeFile(dir / adpcmName));
  auto ref = ParseWave(*ReadWholeFile(dir / "ref.wav"));
  std::string ours = DecodeAll(adpcm.format, adpcm.data);
  ASSERT_FALSE(ref.data.empty());
  ASSERT_EQ(ours.size(), ref.data.size());
  EXPECT_TRUE(ours == ref.data) << "decoded samples differ from sox";
}

class AdpcmAgainstSox : public ::testing::TestWithParam<int> {};

TEST_P(AdpcmAgainstSox, DecodesBitForBitWithStandardAndCustomCoefficients) {
  if (!HaveTool("sox")) GTEST_SKIP() << "sox is not installed";
  const int channels = GetParam();
  TempDir dir;
  // Tones with noise exercise every predictor and large step changes.
  ASSERT_TRUE(RunTool("sox -n -r 44100 -b 16 -c " + std::to_string(channels) + " " +
                      dir / "in.wav" + " synth 0.7 sine 300-3000 whitenoise vol 0.8"));
  ASSERT_TRUE(RunTool("sox " + dir / "in.wav" + " -e ms-adpcm " + dir / "a.wav"));
  ExpectSameAsSox(dir, "a.wav");

  // The same blocks with our own coefficient table in the file: the decoder
  // must use the table it is given, not the standard one.
  std::string file = *ReadWholeFile(dir / "a.wav");
  size_t fmt = file.find("fmt ") + 8;
  ASSERT_EQ(Get16(reinterpret_cast<const uint8_t*>(&file[fmt + 20])), 7);
  const int16_t custom[7][2] = {{300, -40}, {480, -230}, {16, 8},    {128, 100},
                                {256, 0},   {400, -180}, {350, -200}};
  for (int i = 0; i < 7; ++i) {
    file.replace(fmt + 22 + 4 * i, 2, testing::Le16(uint16_t(custom[i][0])));
    file.replace(fmt + 24 + 4 * i, 2, testing::Le16(uint16_t(custom[i][1])));
  }
  dir.Write("custom.wav", file);
  ExpectSameAsSox(dir, "custom.wav");
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, AdpcmAgainstSox, ::testing::Values(1, 2));

FormatBlock AdpcmFormat(int channels, int blockAlign, int samplesPerBlock, int coefficients) {
  FormatBlock f{};
  WaveFormat w;
  w.formatTag = kWaveFormatMsAdpcm;
  w.channels = uint16_t(channels);
  w.samplesPerSec = 44100;
  w.blockAlign = uint16_t(blockAlign);
  w.bitsPerSample = 4;
  w.extraSize = uint16_t(4 + 4 * coefficients);
  w.Write(f.data());
  Put16(&f[18], uint32_t(samplesPerBlock));
  Put16(&f[20], uint32_t(coefficients));
  for (int i = 0; i < coefficients; ++i) Put16(&f[22 + 4 * i], 256);
  return f;
}

TEST(AdpcmDecoder, ShortBlocksAndBadRecordsNeverReadOutsideTheirBytes) {
  // Mono, 32-byte blocks: 7 header bytes, 25 bytes of nibbles, 52 samples.
  FormatBlock f = AdpcmFormat(1, 32, 52, 7);
  std::string why;
  auto c = MsAdpcmConverter::Create(f, &why);
  ASSERT_TRUE(c) << why;
  EXPECT_EQ(c->SourceSize(50000), 50000u / 104 * 32);
  EXPECT_EQ(c->DestinationSize(64), 208u);
  // A truncated last block gives the samples its bytes hold; a tail shorter
  // than a block header gives none.
  EXPECT_EQ(c->DestinationSize(32 + 10), (52u + 2 + 3 * 2) * 2);
  EXPECT_EQ(c->DestinationSize(32 + 6), 104u);
  std::vector<uint8_t> data(42, 0);
  data[0] = 0;   // predictor
  data[1] = 16;  // delta
  data[32] = 0;
  data[33] = 16;
  std::vector<uint8_t> out(1000, 0xEE);
  EXPECT_EQ(c->Convert(data.data(), data.size(), out.data(), out.size()), 120u);
  EXPECT_EQ(out[120], 0xEE);
  // Capacity is respected: only whole blocks that fit are written.
  EXPECT_EQ(c->Convert(data.data(), data.size(), out.data(), 110), 104u);

  // Extreme coefficients and samples stay in range (no overflow, clamped output).
  FormatBlock extreme = AdpcmFormat(1, 32, 52, 1);
  Put16(&extreme[22], 0x8000);
  Put16(&extreme[24], 0x8000);
  auto e = MsAdpcmConverter::Create(extreme, &why);
  ASSERT_TRUE(e) << why;
  std::vector<uint8_t> loud(32, 0x77);
  loud[0] = 0;
  Put16(&loud[1], 0x7FFF);  // delta
  Put16(&loud[3], 0x8000);  // samples at the bottom of the range
  Put16(&loud[5], 0x8000);
  ASSERT_EQ(e->Convert(loud.data(), loud.size(), out.data(), out.size()), 104u);
  EXPECT_EQ(Get16(&out[4]), 32767);

  data[32] = 7;  // names a pair beyond the seven in the table
  EXPECT_THROW(c->Convert(data.data(), data.size(), out.data(), out.size()), DataError);

  EXPECT_FALSE(MsAdpcmConverter::Create(AdpcmFormat(3, 64, 20, 7), &why));  // channels
  EXPECT_FALSE(MsAdpcmConverter::Create(AdpcmFormat(2, 10, 2, 7), &why));   // block < header
  EXPECT_FALSE(MsAdpcmConverter::Create(AdpcmFormat(1, 32, 53, 7), &why));  // too many samples
  EXPECT_FALSE(
      MsAdpcmConverter::Create(AdpcmFormat(1, 32, 52, 59), &why));  // table overflows record
  EXPECT_FALSE(MsAdpcmConverter::Create(AdpcmFormat(1, 32, 52, 0), &why));
}

TEST(Converters, UnknownFormatsTakeTheCodecMissingPath) {
  FormatBlock f{};
  WaveFormat w = WaveFormat::Pcm16(2, 44100);
  w.formatTag = 0x11;  // IMA ADPCM: no decoder of ours
  w.Write(f.data());
  WaveFormat pcm;
  ConverterStatus status;
  EXPECT_EQ(SuggestPcmFormat(f, pcm), ConverterStatus::Unsupported);
  EXPECT_FALSE(OpenConverter(f, pcm, &status));
  EXPECT_EQ(status, ConverterStatus::Unsupported);
  w.formatTag = kWaveFormatMsAdpcm;
  w.channels = 6;
  w.Write(f.data());
  EXPECT_EQ(SuggestPcmFormat(f, pcm), ConverterStatus::Malformed);
}

TEST(MpegFormat, RecordsFollowTheFirstFrameHeader) {
  FormatBlock f{};
  // MPEG-1 Layer III, 128 kbit/s, 44 100 Hz, joint stereo.
  MakeMpegFormat(testing::Get32Of("\xFF\xFB\x90\x44"), f);
  WaveFormat w = WaveFormat::Read(f.data());
  EXPECT_EQ(w.formatTag, 0x55);
  EXPECT_EQ(w.channels, 2);
  EXPECT_EQ(w.samplesPerSec, 44100u);
  EXPECT_EQ(w.avgBytesPerSec, 16000u);
  EXPECT_EQ(w.blockAlign, 1);
  EXPECT_EQ(w.extraSize, 12);
  EXPECT_EQ(Get16(&f[18]), 1);
  EXPECT_EQ(Get32(&f[20]), 1u);
  EXPECT_EQ(Get16(&f[24]), 16000 * 1152 / 44100 + 1);
  EXPECT_EQ(Get16(&f[26]), 1);
  EXPECT_EQ(Get16(&f[28]), 1393);

  // MPEG-2 Layer III, mono, 64 kbit/s at 24 000 Hz (48 000 halved).
  MakeMpegFormat(testing::Get32Of("\xFF\xF3\x84\xC4"), f);
  w = WaveFormat::Read(f.data());
  EXPECT_EQ(w.channels, 1);
  EXPECT_EQ(w.samplesPerSec, 24000u);
  EXPECT_EQ(w.avgBytesPerSec, 8000u);
  EXPECT_EQ(Get16(&f[24]), 8000 * 576 / 24000 + 1);

  // MPEG-2.5 Layer III at 8 000 Hz (32 000 quartered): the MPEG-2 column
  // gives 8 kbit/s for index 1; its block size is left as it was.
  MakeMpegFormat(testing::Get32Of("\xFF\xE3\x18\x00"), f);
  w = WaveFormat::Read(f.data());
  EXPECT_EQ(w.samplesPerSec, 8000u);
  EXPECT_EQ(w.avgBytesPerSec, 1000u);
  EXPECT_EQ(Get16(&f[24]), 8000 * 576 / 24000 + 1);

  // MPEG-1 Layer I, 32 kbit/s, 32 000 Hz.
  MakeMpegFormat(testing::Get32Of("\xFF\xFF\x18\x00"), f);
  EXPECT_EQ(Get16(&f[24]), (4000 * 96 / 32000 + 1) * 4);

  // A reserved rate index never divides by zero; no converter takes it.
  MakeMpegFormat(testing::Get32Of("\xFF\xFB\x9C\x44"), f);
  EXPECT_EQ(WaveFormat::Read(f.data()).samplesPerSec, 0u);
  WaveFormat pcm;
  EXPECT_EQ(SuggestPcmFormat(f, pcm), ConverterStatus::Malformed);
}

TEST(MpegAudio, LameEncodedDataPlaysAtItsLength) {
  if (!HaveTool("sox") || !HaveTool("lame")) GTEST_SKIP() << "sox or lame is not installed";
  TempDir dir;
  for (int channels : {1, 2}) {
    ASSERT_TRUE(RunTool("sox -n -r 44100 -b 16 -c " + std::to_string(channels) + " " +
                        dir / "in.wav" + " synth 2 sine 440"));
    ASSERT_TRUE(RunTool("lame --quiet -b 128 " + dir / "in.wav" + " " + dir / "in.mp3"));
    std::string mp3 = *ReadWholeFile(dir / "in.mp3");
    FormatBlock f{};
    MakeMpegFormat(Get32(reinterpret_cast<const uint8_t*>(mp3.data())), f);
    ASSERT_EQ(WaveFormat::Read(f.data()).channels, channels);
    std::string pcm = DecodeAll(f, mp3);
    // Whole frames are decoded: the encoder's delay and padding add at most
    // a few frames of 1 152 samples to the two seconds.
    size_t frames = pcm.size() / (2 * channels);
    EXPECT_GE(frames, 88200u);
    EXPECT_LE(frames, 88200u + 3 * 1152u);
    // The tone is there, not silence.
    auto s = testing::ToSamples(pcm);
    int peak = 0;
    for (size_t i = 20000; i < 40000; ++i) peak = std::max(peak, std::abs(int(s[i])));
    EXPECT_GT(peak, 10000);
  }
}

TEST(MpegAudio, DamagedDataIsReportedNotPlayed) {
  FormatBlock f{};
  MakeMpegFormat(testing::Get32Of("\xFF\xFB\x90\x44"), f);
  WaveFormat pcm;
  ASSERT_EQ(SuggestPcmFormat(f, pcm), ConverterStatus::Ok);
  auto c = OpenConverter(f, pcm);
  ASSERT_TRUE(c);
  std::vector<uint8_t> junk(5000);
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i * 37 + 11);
  std::vector<uint8_t> out(50000);
  // Junk either yields nothing or a clean error; it never writes past the buffer.
  try {
    EXPECT_LE(c->Convert(junk.data(), junk.size(), out.data(), 1000), 1000u);
  } catch (const DataError&) {
  }
  // A record with a byte rate of 1 asks for sizes beyond 32 bits: they
  // saturate instead of wrapping round to something small.
  Put32(&f[8], 1);
  auto slow = OpenConverter(f, pcm);
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->DestinationSize(200000), UINT32_MAX);
}

}  // namespace
}  // namespace vantel
