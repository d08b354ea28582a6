// vxtool image: shows how the player sees one picture name. The name is
// loaded exactly as a layer loads it (colour names, archive JPEG before PNG,
// loose files) and written as a PNG file: RGB for 24-bit pictures, RGBA for
// 32-bit ones. SOURCE is an image archive (loose files are then looked for
// in the image/ folder beside it) or a folder of loose pictures. The name is
// given in UTF-8 and looked up in code page 932, as scripts name pictures.
#include <cstdio>
#include <filesystem>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "base/PngWrite.h"
#include "graphics/FuncBmpLoader.h"
#include "shell/ClassGlobal.h"
#include "tools/VxTool.h"

namespace vantel::vxtool {
namespace {

int Image(const Args& args) {
  RejectOptions(args);
  if (args.size() != 3) BadUsage("needs SOURCE, NAME and OUT.png");
  const std::string& source = args[0];
  std::string looseDir;
  if (DirectoryExists(source)) {
    ImageArchive = new TArchive("");
    looseDir = WithTrailingSlash(source);
  } else if (FileExists(source)) {
    ImageArchive = new TArchive(source);
    const std::string parent = std::filesystem::path(source).parent_path().string();
    looseDir = (parent.empty() ? "" : parent + "/") + "image/";
  } else {
    return Fail("no archive or folder " + source);
  }
  ImageArchive->SetLooseDir(looseDir);

  Picture picture;
  bool found;
  try {
    found = LoadImage(picture, FromUtf8(args[1]));
  } catch (const Error& e) {
    FreeArchives();
    return Fail("picture " + args[1] + " cannot be loaded: " + e.what());
  }
  FreeArchives();
  if (!found) return Fail("no picture " + args[1] + " in " + source);
  if (picture.Empty()) return Fail("picture " + args[1] + " is empty");
  WritePng(args[2], picture);
  std::printf("%s: %dx%d, %d-bit\n", args[2].c_str(), picture.Width(), picture.Height(),
              picture.BytesPerPixel() * 8);
  return 0;
}

VxCommand imageCmd(
    "image",
    "SOURCE NAME OUT.png   load NAME as the player does (archive or folder) and write it as PNG",
    Image);

}  // namespace
}  // namespace vantel::vxtool
