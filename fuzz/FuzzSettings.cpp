// The settings files of the save folder: the first byte chooses inf.dat,
// img.dat or TextBox.ini, the rest is its content; the global state loads
// them as the player does at start (a damaged file is set aside).
#include "fuzz/FuzzSupport.h"
#include "shell/ClassGlobal.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(Settings) {
  if (size < 1) return 0;
  fuzz::UsePlatform();
  static const char* const kFiles[] = {"save/inf.dat", "save/img.dat", "save/TextBox.ini"};
  static const bool made = std::system(("mkdir -p '" + fuzz::ScratchDir() + "save'").c_str()) == 0;
  if (!made) std::abort();
  const std::string& root = fuzz::ScratchDir();
  for (const char* f : kFiles) {
    std::remove((root + f).c_str());
    std::remove((root + f + ".damaged").c_str());
  }
  fuzz::WriteScratch(kFiles[data[0] % 3], fuzz::Input(data + 1, size - 1));
  fuzz::Guarded([&] {
    Tglobal global;
    global.ExeDir = root;
    global.SaveDir = root + "save/";
    Global = &global;
    global.LoadSettings();
    Global = nullptr;
  });
  Global = nullptr;
  return 0;
}
