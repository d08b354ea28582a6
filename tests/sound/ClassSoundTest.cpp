#include "sound/ClassSound.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/headless/HeadlessAudio.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

// A source whose left values count up from `start` (one per frame) and whose
// right values are a constant, so the tests can tell exactly which frames it gave.
class CountingSource : public TSoundMixSource {
 public:
  explicit CountingSource(int32_t right = 0) : right_(right) {}
  void Mix(int32_t* buffer, int32_t, int32_t byteCount) override {
    for (int i = 0; i < byteCount / 4; ++i) {
      buffer[2 * i] += next_++ % 30000;
      buffer[2 * i + 1] += right_;
    }
  }
  int32_t next_ = 1;
  int32_t right_;
};

class ThrowingSource : public TSoundMixSource {
 public:
  void Mix(int32_t*, int32_t, int32_t) override { throw std::runtime_error("bad block"); }
};

class WaveOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform_);
    ResetSoundNotices();
  }
  void TearDown() override { SetPlatform(nullptr); }
  HeadlessAudio& Open(TSound& sound) {
    sound.Open(44100, 16, 2);
    return *platform_.LastAudioDevice();
  }
  HeadlessPlatform platform_;
};

TEST_F(WaveOutput, RingOfTwelveSilentUntilEnabledThenResumesAtTheSameSample) {
  TSound sound(TSound::RefillMode::Synchronous);
  CountingSource source;
  sound.AddSource(nullptr);  // skipped
  sound.AddSource(&source);
  HeadlessAudio& device = Open(sound);
  EXPECT_EQ(sound.OutputFormat().avgBytesPerSec, 176400u);
  EXPECT_EQ(sound.OutputFormat().blockAlign, 4);
  EXPECT_EQ(device.QueuedCount(), 12u);
  EXPECT_EQ(device.Format().samplesPerSecond, 44100);

  // The first twelve buffers, and all while disabled, are silent and the source stays put.
  auto silent = device.PullMany(20);
  ASSERT_EQ(silent.size(), 20u * 1500);
  for (int16_t v : silent) ASSERT_EQ(v, 0);
  EXPECT_EQ(source.next_, 1);
  EXPECT_EQ(device.QueuedCount(), 12u);  // every pulled buffer came back

  sound.Enabled = true;
  auto heard = device.PullMany(24);  // 12 silent ones still queued, then mixed ones
  ASSERT_EQ(heard.size(), 24u * 1500);
  for (size_t i = 0; i < 12 * 1500; ++i) ASSERT_EQ(heard[i], 0);
  EXPECT_EQ(heard[12 * 1500], 1);
  EXPECT_EQ(heard[12 * 1500 + 2], 2);
  EXPECT_EQ(heard.back(), 0);
  EXPECT_EQ(heard[heard.size() - 2], 12 * 750 + 0);  // last left value: frame 9000

  // Disabled in the middle: silence, then the next frame after the last one heard.
  sound.Enabled = false;
  device.PullMany(12);  // the buffers filled while enabled
  auto paused = device.PullMany(12);
  for (int16_t v : paused) ASSERT_EQ(v, 0);
  sound.Enabled = true;
  auto resumed = device.PullMany(13);
  EXPECT_EQ(resumed[12 * 1500], 24 * 750 + 1);
}

TEST_F(WaveOutput, MixSaturatesInsteadOfWrapping) {
  TSound sound(TSound::RefillMode::Synchronous);
  CountingSource a(20000), b(20000), c(-30000), d(-30000);
  sound.AddSource(&a);
  sound.AddSource(&b);
  sound.Enabled = true;
  std::vector<int16_t> buffer(1500);
  sound.FillBuffer(buffer.data());
  EXPECT_EQ(buffer[1], 32767);  // 40 000 clips, it does not turn negative
  sound.AddSource(&c);
  sound.AddSource(&d);
  sound.FillBuffer(buffer.data());
  EXPECT_EQ(buffer[1], -20000);  // summed in full before clipping: +40 000 - 60 000
  CountingSource e(-30000);
  sound.AddSource(&e);
  sound.FillBuffer(buffer.data());
  EXPECT_EQ(buffer[1], -32768);
}

TEST_F(WaveOutput, CloseQueuesNothingAgainAndAFailingSourceDoesNotStopTheOthers) {
  TSound sound(TSound::RefillMode::Synchronous);
  ThrowingSource bad;
  CountingSource good(7);
  sound.AddSource(&bad);
  sound.AddSource(&good);
  sound.Enabled = true;
  HeadlessAudio& device = Open(sound);
  int calls = device.QueueCalls();
  EXPECT_EQ(calls, 12);
  std::vector<int16_t> out;
  device.Pull(&out);
  EXPECT_EQ(device.QueueCalls(), 13);
  EXPECT_EQ(out[1], 7);
  EXPECT_FALSE(TakeSoundWarnings().empty());

  sound.Close();
  EXPECT_FALSE(sound.IsOpen());
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.QueuedCount(), 0u);
  EXPECT_FALSE(device.Pull());
  EXPECT_EQ(device.QueueCalls(), 13);
  sound.Close();  // twice is harmless
}

TEST_F(WaveOutput, ADeviceThatCannotOpenIsReportedOnceAndTheProgramRunsOn) {
  platform_.SetAudioOpenFails(true);
  TSound sound;
  CountingSource source;
  sound.AddSource(&source);
  sound.Enabled = true;
  sound.Open(44100, 16, 2);
  EXPECT_FALSE(sound.IsOpen());
  ASSERT_EQ(platform_.Messages().size(), 1u);
  EXPECT_EQ(platform_.Messages()[0].text, Sjis("WAVEデバイスがOPENできませんでした。"));
  EXPECT_EQ(platform_.Messages()[0].cp, CodePage::CP932);
  EXPECT_EQ(platform_.LastAudioDevice()->QueueCalls(), 0);
  sound.Close();
  EXPECT_EQ(platform_.Messages().size(), 1u);
}

TEST_F(WaveOutput, OwnRefillThreadRequeuesEveryReturnedBufferInOrder) {
  TSound sound;  // the player's mode
  CountingSource source;
  sound.AddSource(&source);
  sound.Enabled = true;
  HeadlessAudio& device = Open(sound);
  std::vector<int16_t> out;
  for (int i = 0; i < 30; ++i) {
    ASSERT_TRUE(device.WaitForQueued(12, 5000));
    ASSERT_TRUE(device.Pull(&out));
  }
  ASSERT_TRUE(device.WaitForQueued(12, 5000));
  // Buffers are refilled in the order they came back, so the frames run on
  // without a jump across 30 buffers.
  for (size_t f = 1; f < out.size() / 2; ++f) ASSERT_EQ(out[2 * f], out[2 * f - 2] + 1) << f;
  sound.Close();
  EXPECT_EQ(device.QueuedCount(), 0u);
}

// A source that, once armed, holds its next mix for a while, so that the
// refill thread is inside the walk over the sources when the test acts.
class SlowSource : public TSoundMixSource {
 public:
  void Mix(int32_t*, int32_t, int32_t) override {
    if (!armed.exchange(false)) return;
    inside = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::atomic<bool> armed{false}, inside{false};
};

TEST_F(WaveOutput, SourcesAddedDuringAMixWaitForItAndJoinTheNext) {
  TSound sound;  // the player's mode
  SlowSource slow;
  CountingSource after;  // walked to once the slow mix returns
  sound.AddSource(&slow);
  sound.AddSource(&after);
  sound.Enabled = true;
  HeadlessAudio& device = Open(sound);
  slow.armed = true;
  ASSERT_TRUE(device.Pull());  // the refill thread starts a mix and stays in it
  for (int i = 0; i < 500 && !slow.inside; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(slow.inside);
  // Growing the list moves it; the walk in progress must not see that.
  std::vector<std::unique_ptr<CountingSource>> added;
  for (int i = 0; i < 64; ++i) {
    added.push_back(std::make_unique<CountingSource>());
    sound.AddSource(added.back().get());
  }
  ASSERT_TRUE(device.WaitForQueued(12, 5000));
  ASSERT_TRUE(device.Pull());
  ASSERT_TRUE(device.WaitForQueued(12, 5000));
  sound.Close();
  for (const auto& source : added) EXPECT_EQ(source->next_, 1 + TSound::kBufferFrames);
}

}  // namespace
}  // namespace vantel
