// JPEG encoding of the demo's backgrounds and event pictures through
// libjpeg's compressor, into memory. Deterministic for the same picture and
// quality. Throws vantel::DataError when the encoder reports an error.
#pragma once

#include <string>

#include "base/Picture.h"

namespace vantel::demo {

// Encodes a 24- or 32-bit picture (alpha is dropped) as a baseline JPEG.
std::string EncodeJpeg(const Picture& picture, int quality = 90);

}  // namespace vantel::demo
