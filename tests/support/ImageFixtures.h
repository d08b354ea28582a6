// Picture fixtures for the decoder tests: PNG chunks built by hand, pictures
// written by ImageMagick's convert, and libpng as the reference decoder.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Endian.h"
#include "base/Paths.h"
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <cstdio>

#include "ByteFixtures.h"  // beside this header, for the benchmarks too
#include "base/Picture.h"

namespace vantel::testing {

inline std::string PngChunk(const std::string& type, const std::string& data) {
  std::string body = type + data;
  return Be32(uint32_t(data.size())) + body +
         Be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

inline std::string PngSignature() {
  return "\x89PNG\r\n\x1a\n";
}

inline std::string Ihdr(uint32_t w, uint32_t h, int depth, int colourType, int interlace = 0) {
  return PngChunk(
      "IHDR", Be32(w) + Be32(h) + char(depth) + char(colourType) + '\0' + '\0' + char(interlace));
}

// The chunks of a PNG file as (type, data) pairs, and back.
struct PngChunkData {
  std::string type, data;
};
inline std::vector<PngChunkData> SplitChunks(const std::string& png) {
  std::vector<PngChunkData> out;
  size_t p = 8;
  while (p + 12 <= png.size()) {
    const uint32_t len = GetBE32(reinterpret_cast<const uint8_t*>(png.data() + p));
    out.push_back({png.substr(p + 4, 4), png.substr(p + 8, len)});
    p += 12 + len;
  }
  return out;
}
// The image data of a PNG file: its IDAT chunks' data joined.
inline std::string IdatData(const std::string& png) {
  std::string out;
  for (const auto& c : SplitChunks(png))
    if (c.type == "IDAT") out += c.data;
  return out;
}
inline std::string JoinChunks(const std::vector<PngChunkData>& chunks) {
  std::string out = PngSignature();
  for (const auto& c : chunks) out += PngChunk(c.type, c.data);
  return out;
}

inline bool HaveConvert() {
  return std::system("convert -version >/dev/null 2>&1") == 0;
}

// Runs `convert ARGS OUT` and returns the file's bytes (empty on failure).
// ARGS ending in a format prefix ("PNG24:") is joined to OUT without a blank.
inline std::string Convert(const std::string& args, const std::string& out) {
  const std::string sep = !args.empty() && args.back() == ':' ? "" : " ";
  const std::string cmd = "convert " + args + sep + "'" + out + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  return ReadWholeFile(out).value_or("");
}

// libpng's reading of a PNG file in the form our decoder gives: BGR or BGRA,
// 8 bits, palettes expanded, grey spread to three channels, tRNS as alpha.
// Throws std::runtime_error when libpng refuses.
inline Picture LibpngDecode(const std::string& png) {
  struct Source {
    const std::string* bytes;
    size_t pos;
  } src{&png, 0};
  png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(p);
  std::vector<uint8_t>* pixels = new std::vector<uint8_t>;
  std::vector<png_bytep>* rows = new std::vector<png_bytep>;
  png_uint_32 w = 0, h = 0;
  int channels = 0;
  if (setjmp(png_jmpbuf(p))) {
    png_destroy_read_struct(&p, &info, nullptr);
    delete pixels;
    delete rows;
    throw std::runtime_error("libpng refused the file");
  }
  png_set_read_fn(p, &src, [](png_structp ps, png_bytep out, png_size_t n) {
    auto* s = static_cast<Source*>(png_get_io_ptr(ps));
    if (s->pos + n > s->bytes->size()) png_error(ps, "truncated");
    std::memcpy(out, s->bytes->data() + s->pos, n);
    s->pos += n;
  });
  png_read_info(p, info);
  const int type = png_get_color_type(p, info);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(p);
  if (type == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(p, info) < 8)
    png_set_expand_gray_1_2_4_to_8(p);
  if ((type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_PALETTE ||
       type == PNG_COLOR_TYPE_RGB) &&
      png_get_valid(p, info, PNG_INFO_tRNS))
    png_set_tRNS_to_alpha(p);
  png_set_strip_16(p);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(p);
  png_set_bgr(p);
  png_set_interlace_handling(p);
  png_read_update_info(p, info);
  w = png_get_image_width(p, info);
  h = png_get_image_height(p, info);
  channels = png_get_channels(p, info);
  pixels->resize(size_t(w) * h * channels);
  for (png_uint_32 y = 0; y < h; ++y) rows->push_back(pixels->data() + size_t(y) * w * channels);
  png_read_image(p, rows->data());
  png_destroy_read_struct(&p, &info, nullptr);
  Picture out(int(w), int(h), channels == 4 ? Picture::Format::BGRA32 : Picture::Format::BGR24, 0);
  std::memcpy(out.Data(), pixels->data(), pixels->size());
  delete pixels;
  delete rows;
  return out;
}

// A 24-bit picture as JPEG bytes (libjpeg), baseline or progressive.
inline std::string EncodeJpeg(const Picture& pic, int quality = 95, bool progressive = false) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = JDIMENSION(pic.Width());
  c.image_height = JDIMENSION(pic.Height());
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pic.Row(int(c.next_scanline)));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string out(reinterpret_cast<char*>(mem), size);
  std::free(mem);
  return out;
}

// The JPEG with its last scan (SOS header and entropy-coded data) repeated
// `extra` more times before EOI, as a damaged or hostile file may hold it:
// the decoder warns of the bogus progression and goes on decoding.
inline std::string RepeatLastJpegScan(const std::string& jpeg, int extra) {
  size_t p = 2, lastScan = 0, lastEnd = 0;
  auto byte = [&](size_t i) { return static_cast<uint8_t>(jpeg[i]); };
  while (p + 4 <= jpeg.size() && byte(p) == 0xFF) {
    const uint8_t marker = byte(p + 1);
    if (marker == 0xD9) break;
    const size_t length = size_t(byte(p + 2)) << 8 | byte(p + 3);
    size_t end = p + 2 + length;
    if (marker == 0xDA) {  // entropy-coded data runs to the next marker that is not RSTn
      while (end + 1 < jpeg.size() && !(byte(end) == 0xFF && byte(end + 1) != 0 &&
                                        (byte(end + 1) < 0xD0 || byte(end + 1) > 0xD7)))
        ++end;
      lastScan = p;
      lastEnd = end;
    }
    p = end;
  }
  std::string scan = jpeg.substr(lastScan, lastEnd - lastScan), out = jpeg.substr(0, lastEnd);
  for (int i = 0; i < extra; ++i) out += scan;
  return out + jpeg.substr(lastEnd);
}

}  // namespace vantel::testing
