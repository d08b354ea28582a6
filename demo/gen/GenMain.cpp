// vantel_demogen OUTDIR: writes the demo story's pictures and sounds into
// OUTDIR/image and OUTDIR/sound (UTF-8 file names), ready for `vxtool pack`.
// The scripts need no making: `vxtool pack` packs demo/story as written. Deterministic: two runs
// write the same bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <future>
#include <string>

#include "base/Paths.h"
#include "demo/gen/DemoImages.h"
#include "demo/gen/DemoSounds.h"

namespace {

using vantel::demo::AssetList;

// Writes a list's files into dir, removing files that no longer belong
// there (so a renamed picture does not linger in the archive).
void WriteAll(const AssetList& list, const std::string& dir) {
  std::filesystem::create_directories(dir);
  std::vector<std::string> keep;
  for (const auto& asset : list) {
    vantel::WriteFileAtomic(dir + "/" + asset.name, asset.make());
    keep.push_back(asset.name);
  }
  for (const std::string& file : vantel::ListDirectory(dir))
    if (std::find(keep.begin(), keep.end(), file) == keep.end())
      std::filesystem::remove(dir + "/" + file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vantel_demogen OUTDIR\n");
    return 2;
  }
  const std::string out = argv[1];
  const auto start = std::chrono::steady_clock::now();
  try {
    const std::string work = out + "/work";
    std::filesystem::create_directories(work);
    // Sounds and pictures are independent: make them side by side.
    auto sounds = std::async(std::launch::async,
                             [&] { WriteAll(vantel::demo::SoundAssets(work), out + "/sound"); });
    WriteAll(vantel::demo::ImageAssets(), out + "/image");
    sounds.get();
    std::filesystem::remove_all(work);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantel_demogen: %s\n", e.what());
    return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("vantel_demogen: demo data written to %s in %.1f s\n", out.c_str(), seconds);
  return 0;
}
