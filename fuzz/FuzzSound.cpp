// A sound archive entry (RIFF wave: PCM, Microsoft ADPCM, MPEG in RIFF, or
// raw MPEG audio) played by a sound source, looping, for a few buffers of
// the mix. The first byte chooses one pass or endless looping.
#include <map>
#include <mutex>
#include <vector>

#include "base/Stream.h"
#include "fuzz/FuzzSupport.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"

using namespace vantel;

namespace {

// One entry, "fuzz.wav", behind a leading byte (real entries never sit at offset 0).
class OneEntry : public SoundArchiveView {
 public:
  explicit OneEntry(std::string_view bytes)
      : stream_("P" + std::string(bytes)), size_(bytes.size()) {}
  int32_t IndexOf(const Bytes& name) override { return name == "fuzz.wav" ? 0 : -1; }
  uint32_t EntryOffset(const Bytes& name) override { return name == "fuzz.wav" ? 1 : 0; }
  uint32_t EntrySize(const Bytes& name) override {
    return name == "fuzz.wav" ? static_cast<uint32_t>(size_) : 0;
  }
  Stream& EntryStream(const Bytes&) override { return stream_; }

 private:
  MemoryStream stream_;
  size_t size_;
};

}  // namespace

VANTEL_FUZZ_ENTRY(Sound) {
  if (size < 1) return 0;
  fuzz::UsePlatform();
  OneEntry entry(fuzz::Input(data + 1, size - 1));
  fuzz::Guarded([&] {
    std::lock_guard<std::recursive_mutex> lock(SoundLock());
    TSoundSrc source(&entry, fuzz::ScratchDir() + "no-sound/");
    source.SeedRandom(1);
    source.Post({kSoundPlay, "fuzz.wav", 0, data[0] & 1 ? 0 : 1});
    std::vector<int32_t> buffer(750 * 2);
    for (int i = 0; i < 16; ++i) source.Mix(buffer.data(), 255, 3000);
    source.SaveState();
    source.RemainingTime();
  });
  TakeSoundWarnings();
  ResetSoundNotices();
  return 0;
}
