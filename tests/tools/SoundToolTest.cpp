#include <gtest/gtest.h>

#include <cstdlib>

#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"
#include "support/Vxtool.h"

namespace vantel {
namespace {

using testing::TempDir;

int Vxtool(const std::string& args) {
  return testing::RunVxtool("sound " + args);
}

TEST(SoundTool, WritesWhatTheDeviceReceived) {
  TempDir dir;
  dir.Write("snd/Voice.wav", testing::PcmWave(1, 44100, std::vector<int16_t>(3000, 8000)));
  // Once: the sound's 3 000 frames (ramped in over 1 024), then the rest of its last buffer.
  ASSERT_EQ(Vxtool(dir / "snd" + " VOICE " + dir / "once.wav"), 0);
  auto once = testing::ParseWave(*ReadWholeFile(dir / "once.wav"));
  WaveFormat f = WaveFormat::Read(once.format.data());
  EXPECT_EQ(f.channels, 2);
  EXPECT_EQ(f.samplesPerSec, 44100u);
  auto s = testing::ToSamples(once.data);
  ASSERT_GE(s.size(), 2u * 3000);
  EXPECT_LE(s.size(), 2u * 3750 + 2 * 750);
  EXPECT_EQ(s[2 * 2000], 8000 * 253 / 512);
  EXPECT_EQ(s[2 * 2000 + 1], 8000 * 253 / 512);
  EXPECT_EQ(s[2 * 3000], 0);

  // Endless, cut at one second, at half volume.
  ASSERT_EQ(
      Vxtool(dir / "snd" + " voice.mp3 " + dir / "loop.wav --loops 0 --seconds 1 --volume 128"),
      1);  // an .mp3 name is taken as it is: there is no voice.mp3
  ASSERT_EQ(Vxtool(dir / "snd" + " voice " + dir / "loop.wav --loops 0 --seconds 1 --volume 128"),
            0);
  auto loop = testing::ToSamples(testing::ParseWave(*ReadWholeFile(dir / "loop.wav")).data);
  EXPECT_GE(loop.size(), 2u * 44100);
  EXPECT_LE(loop.size(), 2u * (44100 + 750));
  EXPECT_EQ(loop[2 * 40000], 8000 * (254 * 128 / 256) / 512);

  // From a sound archive.
  ArchiveWriter writer(ArchiveWriter::Kind::Raw);
  writer.Add("voice.wav", testing::PcmWave(1, 44100, std::vector<int16_t>(3000, 4000)));
  writer.Write(dir / "sound.pk2");
  ASSERT_EQ(Vxtool(dir / "sound.pk2" + " Voice.wav " + dir / "arc.wav"), 0);
  auto arc = testing::ToSamples(testing::ParseWave(*ReadWholeFile(dir / "arc.wav")).data);
  ASSERT_GE(arc.size(), 2u * 3000);
  EXPECT_EQ(arc[2 * 2000], 4000 * 253 / 512);

  EXPECT_EQ(Vxtool(dir / "snd" + " missing " + dir / "x.wav"), 1);
  EXPECT_EQ(Vxtool(dir / "nowhere" + " voice " + dir / "x.wav"), 1);
  EXPECT_FALSE(FileExists(dir / "x.wav"));
}

}  // namespace
}  // namespace vantel
