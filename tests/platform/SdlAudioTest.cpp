#include "platform/sdl/SdlAudio.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/headless/HeadlessPlatform.h"
#include "sound/ClassSound.h"

namespace vantel {
namespace {

TEST(SdlAudio, CallbackCopiesQueuedBuffersInOrderAcrossItsOwnChunkSizes) {
  SdlAudio device;  // not opened: Drain is the callback's whole work
  std::vector<uint8_t> a(3000), b(3000);
  for (size_t i = 0; i < a.size(); ++i) a[i] = uint8_t(i), b[i] = uint8_t(i + 100);
  device.Queue(4, a.data(), a.size());
  device.Queue(9, b.data(), b.size());
  std::vector<uint8_t> out(4096, 0xAA);
  device.Drain(out.data(), 1000);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 1000, a.begin()));
  device.Drain(out.data(), 4096);  // the rest of a, all of b, then silence
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 2000, a.begin() + 1000));
  EXPECT_TRUE(std::equal(out.begin() + 2000, out.begin() + 4096, b.begin()));
  device.Drain(out.data(), 4096);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 904, b.begin() + 2096));
  for (size_t i = 904; i < out.size(); ++i) ASSERT_EQ(out[i], 0);
  device.Queue(1, a.data(), a.size());
  device.Reset();
  device.Drain(out.data(), 10);
  EXPECT_EQ(out[5], 0);
}

// Counts the frames it has been asked for.
class FrameCounter : public TSoundMixSource {
 public:
  void Mix(int32_t*, int32_t, int32_t bytes) override { frames += bytes / 4; }
  std::atomic<int> frames{0};
};

TEST(SdlAudio, RealDeviceFeedsTheWaveOutput) {
  // The dummy driver plays nowhere at real speed; a machine with a sound
  // card may use its own by unsetting this.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  HeadlessPlatform platform;
  SetPlatform(&platform);
  {
    TSound sound;
    FrameCounter counter;
    sound.AddSource(&counter);
    sound.Enabled = true;
    sound.OpenOn(std::make_unique<SdlAudio>(), 44100, 16, 2);
    if (!sound.IsOpen()) {
      SetPlatform(nullptr);
      GTEST_SKIP() << "no SDL audio device";
    }
    // The first twelve fills happen at once; the device may already have handed one back.
    EXPECT_GE(counter.frames, 12 * 750);
    // The device plays the queued buffers and hands them back for refilling.
    for (int i = 0; i < 200 && counter.frames < 30 * 750; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(counter.frames, 30 * 750);
    sound.Close();
    int after = counter.frames;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(counter.frames, after);  // nothing is refilled after closing
  }
  SetPlatform(nullptr);
}

}  // namespace
}  // namespace vantel
