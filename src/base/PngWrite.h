// Writes a picture as a PNG file (RGB for 24-bit pictures, RGBA for 32-bit),
// for frame dumps, authoring tools and the demo generator. Depends on zlib.
// The player reads PNG with its own decoder (graphics/FuncBmpLoader).
#pragma once

#include <string>

#include "base/Picture.h"

namespace vantel {

std::string EncodePng(const Picture& picture);
// Throws FileError when the file cannot be written.
void WritePng(const std::string& path, const Picture& picture);

}  // namespace vantel
