// A JPEG as the picture loader reads it from an archive entry.
#include "base/Stream.h"
#include "fuzz/FuzzSupport.h"
#include "graphics/FuncBmpLoader.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(Jpeg) {
  fuzz::Guarded([&] {
    MemoryStream stream{std::string(fuzz::Input(data, size))};
    Picture picture;
    LoadJpeg(picture, stream, static_cast<int64_t>(size));
  });
  return 0;
}
