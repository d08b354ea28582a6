// A save record handed to a new story scene, as the load dialog and the
// title's "continue" do: restored (or refused with a message), then a few
// ticks of the restored scene. The first chapter script is absent, so the
// restored position points into an empty script.
#include <memory>

#include "data/ClassArchive.h"
#include "fuzz/FuzzSupport.h"
#include "graphics/ClassFlat.h"
#include "graphics/FuncBmpLoader.h"
#include "script/Class_Story.h"
#include "shell/ClassGlobal.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(Save) {
  fuzz::UsePlatform();
  static TArchive* images = [] {
    auto* a = new TArchive(fuzz::ScratchDir() + "image.pk2");  // none: loose files only
    a->SetLooseDir(fuzz::ScratchDir() + "image/");
    return a;
  }();
  ImageArchive = images;
  SetImageLoader([](Picture& p, const Bytes& name) { return LoadImage(p, name); });
  fuzz::Guarded([&] {
    Tglobal global;
    global.ExeDir = fuzz::ScratchDir();
    global.MessageStep = 50;
    for (int n = 0; n < 8; ++n)
      global.BoxLeft[n] = 50, global.BoxTop[n] = 420, global.BoxWidth[n] = 700,
      global.BoxHeight[n] = 150;
    global.HandOver = Bytes(fuzz::Input(data, size));
    Global = &global;
    {
      TStory story;
      for (int i = 0; i < 3; ++i) story.Signal(100, 0, 0);
    }
    Global = nullptr;
  });
  Global = nullptr;
  ImageArchive = nullptr;
  SetImageLoader(nullptr);
  return 0;
}
