#include "base/PngWrite.h"

#include <zlib.h>

#include <vector>

#include "base/Endian.h"
#include "base/Errors.h"
#include "base/Paths.h"

namespace vantel {
namespace {

void Chunk(std::string& out, const char* type, const std::string& data) {
  out += Be32(static_cast<uint32_t>(data.size()));
  const size_t body = out.size();
  out.append(type, 4);
  out += data;
  out += Be32(static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(out.data() + body), out.size() - body)));
}

struct Deflater {
  z_stream zs{};
  Deflater() {
    if (deflateInit(&zs, 6) != Z_OK) throw DataError("PNG encoding failed");
  }
  ~Deflater() { deflateEnd(&zs); }
};

}  // namespace

std::string EncodePng(const Picture& picture) {
  const int w = picture.Width(), h = picture.Height(), bpp = picture.BytesPerPixel();
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string ihdr = Be32(w) + Be32(h);
  ihdr += '\x08';                      // bit depth
  ihdr += bpp == 4 ? '\x06' : '\x02';  // RGBA or RGB
  ihdr += std::string(3, '\0');        // compression, filter, interlace
  Chunk(out, "IHDR", ihdr);

  // One IDAT chunk, its data compressed row by row straight into the output:
  // a picture of the largest size is never held a second (or third) time.
  const size_t idat = out.size();
  out += Be32(0);  // the length, set once known
  out += "IDAT";
  Deflater d;
  std::vector<uint8_t> row(static_cast<size_t>(w) * bpp + 1);
  uint8_t buffer[1 << 16];
  auto pump = [&](int flush) {
    int rc;
    do {
      d.zs.next_out = buffer;
      d.zs.avail_out = sizeof buffer;
      rc = deflate(&d.zs, flush);
      if (rc == Z_STREAM_ERROR) throw DataError("PNG encoding failed");
      out.append(reinterpret_cast<const char*>(buffer), sizeof buffer - d.zs.avail_out);
    } while (d.zs.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
  };
  for (int y = 0; y < h; ++y) {
    row[0] = 0;  // filter type None
    const uint8_t* p = picture.Row(y);
    uint8_t* q = row.data() + 1;
    for (int x = 0; x < w; ++x, p += bpp, q += bpp) {
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
      if (bpp == 4) q[3] = p[3];
    }
    d.zs.next_in = row.data();
    d.zs.avail_in = static_cast<uInt>(row.size());
    pump(Z_NO_FLUSH);
  }
  d.zs.next_in = nullptr;
  d.zs.avail_in = 0;
  pump(Z_FINISH);
  const size_t data = idat + 8;
  const std::string length = Be32(static_cast<uint32_t>(out.size() - data));
  out.replace(idat, 4, length);
  out += Be32(static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(out.data() + idat + 4), out.size() - idat - 4)));
  Chunk(out, "IEND", "");
  return out;
}

void WritePng(const std::string& path, const Picture& picture) {
  WriteFileAtomic(path, EncodePng(picture));
}

}  // namespace vantel
