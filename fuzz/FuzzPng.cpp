// A PNG as the picture loader reads it from an archive entry.
#include "base/Stream.h"
#include "fuzz/FuzzSupport.h"
#include "graphics/FuncBmpLoader.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(Png) {
  fuzz::Guarded([&] {
    MemoryStream stream{std::string(fuzz::Input(data, size))};
    Picture picture;
    LoadPng(picture, stream);
  });
  return 0;
}
