#include "base/PngWrite.h"

#include <zlib.h>

#include "base/Endian.h"
#include "base/Errors.h"
#include "base/Paths.h"

namespace vantel {
namespace {

void Chunk(std::string& out, const char* type, const std::string& data) {
  out += Be32(static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  out += Be32(
      static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size())));
}

}  // namespace

std::string EncodePng(const Picture& picture) {
  const int w = picture.Width(), h = picture.Height(), bpp = picture.BytesPerPixel();
  std::string raw;
  raw.reserve(static_cast<size_t>(h) * (w * bpp + 1));
  for (int y = 0; y < h; ++y) {
    raw += '\0';  // filter type None
    const uint8_t* row = picture.Row(y);
    for (int x = 0; x < w; ++x, row += bpp) {
      raw += static_cast<char>(row[2]);
      raw += static_cast<char>(row[1]);
      raw += static_cast<char>(row[0]);
      if (bpp == 4) raw += static_cast<char>(row[3]);
    }
  }
  uLongf packedSize = compressBound(raw.size());
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 6) != Z_OK)
    throw DataError("PNG encoding failed");
  packed.resize(packedSize);

  std::string out = "\x89PNG\r\n\x1a\n";
  std::string ihdr = Be32(w) + Be32(h);
  ihdr += '\x08';                      // bit depth
  ihdr += bpp == 4 ? '\x06' : '\x02';  // RGBA or RGB
  ihdr += std::string(3, '\0');        // compression, filter, interlace
  Chunk(out, "IHDR", ihdr);
  Chunk(out, "IDAT", packed);
  Chunk(out, "IEND", "");
  return out;
}

void WritePng(const std::string& path, const Picture& picture) {
  WriteFileAtomic(path, EncodePng(picture));
}

}  // namespace vantel
