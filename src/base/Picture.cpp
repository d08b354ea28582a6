#include "base/Picture.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/Errors.h"

namespace vantel {

Picture::Picture(int width, int height, Format format, Colour fill) : format_(format), fill_(fill) {
  SetSize(width, height);
}

void Picture::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  if (width > kMaxSide || height > kMaxSide || int64_t{width} * height > kMaxPixels)
    throw DataError("a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                    " pixels is larger than any picture may be");
  const int bpp = BytesPerPixel();
  std::vector<uint8_t> old;
  old.swap(pixels_);
  const int oldWidth = width_, oldHeight = height_;
  width_ = width;
  height_ = height;
  // A fill whose bytes are all equal (black, white, greys in 24 bits) is
  // written by the allocation itself; decoders size pictures this way.
  const uint8_t b = static_cast<uint8_t>(fill_);
  const bool uniform = static_cast<uint8_t>(fill_ >> 8) == b &&
                       static_cast<uint8_t>(fill_ >> 16) == b && (bpp == 3 || b == 0);
  pixels_.assign(static_cast<size_t>(width) * height * bpp, uniform ? b : 0);
  if (!uniform) Fill(fill_);
  const int keepW = std::min(oldWidth, width), keepH = std::min(oldHeight, height);
  // (A picture with one side 0 has no pixels at all: nothing to keep.)
  for (int y = 0; keepW > 0 && y < keepH; ++y)
    std::memcpy(Row(y), old.data() + static_cast<size_t>(y) * oldWidth * bpp,
                static_cast<size_t>(keepW) * bpp);
}

void Picture::SetPixelFormat(Format format) {
  if (format == format_) return;
  const int from = BytesPerPixel(), to = static_cast<int>(format);
  std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * to, 0);
  const size_t count = static_cast<size_t>(width_) * height_;
  for (size_t i = 0; i < count; ++i) std::memcpy(&out[i * to], &pixels_[i * from], 3);
  pixels_.swap(out);
  format_ = format;
}

void Picture::FillRect(int left, int top, int right, int bottom, Colour colour, uint8_t alpha) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  if (left >= right || top >= bottom) return;
  const uint8_t px[4] = {static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8),
                         static_cast<uint8_t>(colour), alpha};
  // One row is filled pixel by pixel; the others are copies of it.
  const int bpp = BytesPerPixel();
  uint8_t* first = Pixel(left, top);
  if (bpp == 4) {
    for (int x = left; x < right; ++x) std::memcpy(first + (x - left) * 4, px, 4);
  } else {
    for (int x = left; x < right; ++x) std::memcpy(first + (x - left) * 3, px, 3);
  }
  const size_t span = static_cast<size_t>(right - left) * bpp;
  for (int y = top + 1; y < bottom; ++y) std::memcpy(Pixel(left, y), first, span);
}

}  // namespace vantel
