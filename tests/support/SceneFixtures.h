// A headless stage for scene and widget tests: the headless platform, a bare
// global state whose save directory lives in a temporary directory, an image
// archive of plain-coloured PNG pictures made by the test (installed as the
// layers' image loader), and the three
// sound sources reading small PCM waves from the temporary sound/ folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "base/Paths.h"
#include "base/Picture.h"
#include "base/PngWrite.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "graphics/ClassFlat.h"
#include "graphics/FuncBmpLoader.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/ClassGlobal.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"

namespace vantel::testing {

class SceneFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform);
    Global = &global;
    DebugMode = false;
    global.ExeDir = dir.Path();
    global.SaveDir = dir / "save/";
    MakeDirectories(global.SaveDir);
    SetImageLoader([](Picture& p, const Bytes& name) { return LoadImage(p, name); });
    for (int i = 0; i < 3; ++i) {
      sources[i] = std::make_unique<TSoundSrc>(nullptr, dir / "sound/");
      SoundSources[i] = sources[i].get();
    }
  }
  void TearDown() override {
    SetImageLoader(nullptr);
    FreeArchives();
    for (auto& s : SoundSources) s = nullptr;
    Global = nullptr;
    SetPlatform(nullptr);
  }

  // A plain picture `name` (CP932) of the given size and colour 0x00BBGGRR.
  void AddPicture(const Bytes& name, int width, int height, Colour colour) {
    images.Add(LowerCase(name) + ".png",
               EncodePng(Picture(width, height, Picture::Format::BGR24, colour)));
  }
  // Writes the pictures added so far as the image archive and opens it.
  void OpenImages() {
    images.Write(dir / "image.pk2");
    ImageArchive = new TArchive(dir / "image.pk2");
    ImageArchive->SetLooseDir(dir / "image/");
  }
  // A silent wave of one second that sound commands naming `name` (CP932) find.
  void AddSound(const Bytes& name) {
    dir.Write("sound/" + ToUtf8(SoundCommandName(name)),
              PcmWave(2, 44100, std::vector<int16_t>(88200, 0)));
  }
  // Lets source `index` run its latest command and mix `rounds` buffers;
  // returns the name of the sound it now plays (empty when none).
  Bytes Mixed(int index, int rounds = 1) {
    std::vector<int32_t> buffer(1500);
    for (int i = 0; i < rounds; ++i) sources[index]->Mix(buffer.data(), 255, 3000);
    return sources[index]->Playing() && !sources[index]->Finished() ? sources[index]->Name()
                                                                    : Bytes();
  }

  HeadlessPlatform platform;
  Tglobal global;
  TempDir dir;
  ArchiveWriter images{ArchiveWriter::Kind::Raw};
  std::unique_ptr<TSoundSrc> sources[3];
};

}  // namespace vantel::testing
