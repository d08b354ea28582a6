// A JPEG as the picture loader reads it from an archive entry.
#include "base/Stream.h"
#include "fuzz/FuzzSupport.h"
#include "graphics/FuncBmpLoader.h"

using namespace vantel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Guarded([&] {
    MemoryStream stream{std::string(fuzz::Input(data, size))};
    Picture picture;
    LoadJpeg(picture, stream, static_cast<int64_t>(size));
  });
  return 0;
}
