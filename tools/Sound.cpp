// vxtool sound: plays one sound through a real sound source and the mixer on
// the headless audio device, and writes what the device received as a
// 16-bit stereo 44 100 Hz wave file. Endless sounds are cut at a stated length.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "base/Paths.h"
#include "base/Stream.h"
#include "data/ClassArchive.h"
#include "platform/headless/HeadlessAudio.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sound/ClassSound.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"
#include "sound/WaveFormat.h"
#include "tools/VxTool.h"

namespace vantel::vxtool {
namespace {

std::string WaveFile(const std::vector<int16_t>& samples) {
  return RiffWave(WaveFormat::Pcm16(2, 44100).FileRecord(),
                  std::string_view(reinterpret_cast<const char*>(samples.data()),
                                   samples.size() * sizeof(int16_t)));
}

int SoundCommand(const Args& args) {
  if (args.size() < 3) BadUsage("needs SOURCE, NAME and OUT.wav");
  const std::string& source = args[0];
  int loops = 1, volume = 255, seconds = 60;
  for (size_t i = 3; i < args.size(); ++i) {
    auto value = [&](int& target) {
      if (i + 1 >= args.size() || !TryStrToInt(args[i + 1], target))
        BadUsage(args[i] + " needs a number");
      ++i;
    };
    if (args[i] == "--loops")
      value(loops);
    else if (args[i] == "--volume")
      value(volume);
    else if (args[i] == "--seconds")
      value(seconds);
    else
      BadUsage("unknown option " + args[i]);
  }
  // A folder of loose sounds, or a sound archive (with loose sounds in the
  // "sound" folder beside it, as the player looks for them).
  std::unique_ptr<TArchive> archive;
  std::unique_ptr<TArchiveSoundView> view;
  std::string looseDir = source + "/";
  if (!DirectoryExists(source)) {
    if (!FileExists(source)) return Fail(source + ": no such archive or folder");
    archive = std::make_unique<TArchive>(source);
    view = std::make_unique<TArchiveSoundView>(*archive);
    looseDir = std::filesystem::path(source).parent_path().string();
    looseDir += looseDir.empty() ? "sound/" : "/sound/";
  }

  HeadlessPlatform platform;
  SetPlatform(&platform);
  ResetSoundNotices();
  // Names are data names (code page 932); the command line is UTF-8.
  Bytes name = FromUtf8(args[1]);
  // A raw MPEG file is named as it is; every other name goes the way the
  // program posts it: lower case with ".wav".
  Bytes posted = UpperCase(name).ends_with(".MP3") ? LowerCase(name) : SoundCommandName(name);
  TSoundSrc src(view.get(), looseDir);
  TSound sound(TSound::RefillMode::Synchronous);
  sound.AddSource(&src);
  {
    std::lock_guard<std::recursive_mutex> lock(SoundLock());
    if (volume != 255) {
      // A command of its own: only the latest queued command runs in a mix.
      src.Post({kSoundVolume, ".wav", volume, 0});
      std::vector<int16_t> discard(TSound::kBufferBytes / 2);
      sound.Enabled = true;
      sound.FillBuffer(discard.data());
      sound.Enabled = false;
    }
    src.Post({kSoundPlay, posted, 0, loops});
  }
  // Opened while disabled: its twelve buffers are silent and not kept. From
  // then on each pull runs one mix, so the buffer in which the sound
  // finished is known and nothing after it is kept.
  auto device = std::make_unique<HeadlessAudio>();
  HeadlessAudio* pull = device.get();
  sound.OpenOn(std::move(device), 44100, 16, 2);
  sound.Enabled = true;
  const int maxMixes = seconds * 44100 / TSound::kBufferFrames + 1;
  int pulled = 0, mixes = 0, keep = -1;
  bool cut = false;
  std::vector<int16_t> samples, buffer;
  for (;;) {
    buffer.clear();
    if (!pull->Pull(&buffer)) break;
    if (++pulled > TSound::kBufferCount)
      samples.insert(samples.end(), buffer.begin(), buffer.end());
    if (keep < 0) {
      ++mixes;
      if (src.Finished() || src.Failed() || !src.Playing()) keep = mixes;
      if (keep < 0 && mixes >= maxMixes) keep = mixes, cut = true;
    }
    if (keep >= 0 && static_cast<int>(samples.size() / buffer.size()) >= keep) break;
  }
  sound.Close();
  samples.resize(static_cast<size_t>(std::max(keep, 0)) * (TSound::kBufferBytes / 2));

  for (const Bytes& line : TakeSoundWarnings())
    std::fprintf(stderr, "warning: %s\n", ToUtf8(line).c_str());
  ShowPendingSoundNotices();
  for (const auto& m : platform.Messages())
    std::fprintf(stderr, "message: %s\n", ToUtf8(m.text, m.cp).c_str());
  SetPlatform(nullptr);
  if (src.Name().empty() && !src.Playing())
    return Fail(ToUtf8(posted) + ": no such sound in " + source);
  if (cut) std::fprintf(stderr, "cut at %d seconds\n", seconds);
  WriteFileAtomic(args[2], WaveFile(samples));
  std::printf("%s: %zu frames (%.3f s)\n", args[2].c_str(), samples.size() / 2,
              samples.size() / 2 / 44100.0);
  return 0;
}

VxCommand reg("sound", "SOURCE NAME OUT.wav [--loops N] [--volume V] [--seconds S]", SoundCommand);

}  // namespace
}  // namespace vantel::vxtool
