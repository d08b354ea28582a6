#include "demo/gen/JpegWrite.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "base/Errors.h"

namespace vantel::demo {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}

}  // namespace

std::string EncodeJpeg(const Picture& picture, int quality) {
  if (picture.Empty()) throw DataError("cannot encode an empty picture as JPEG");
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  // Locals touched after setjmp must not live in registers.
  volatile bool created = false;
  if (setjmp(err.jump)) {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    throw DataError(std::string("JPEG encoding failed: ") + err.message);
  }
  jpeg_create_compress(&cinfo);
  created = true;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(picture.Width()) * 3);
  const int bpp = picture.BytesPerPixel();
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* src = picture.Row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < picture.Width(); ++x, src += bpp) {
      row[x * 3] = src[2];
      row[x * 3 + 1] = src[1];
      row[x * 3 + 2] = src[0];
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return out;
}

}  // namespace vantel::demo
