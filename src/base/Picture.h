// Picture: a pixel buffer of 24-bit BGR or 32-bit BGRA rows.
//
// Rows are stored top-down without padding; Row(y) gives direct access for
// the hot loops. The alpha byte of 32-bit pictures is straight (not
// premultiplied), 0 transparent ... 255 opaque.
//
// Resizing keeps the pixels where the old and new areas overlap and fills the
// newly exposed area with the fill colour (alpha 0 in 32-bit pictures);
// setting the size a picture already has changes nothing. Depends on Errors
// only. Negative sizes count as 0; a size beyond kMaxSide or kMaxPixels
// raises DataError and leaves the picture as it was, so that strides and
// offsets, which the drawing code keeps in int, never overflow. Row and
// Pixel do not check their arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantel {

// Colour value 0x00BBGGRR (red in the low byte), as colour names and scripts give it.
using Colour = int32_t;

class Picture {
 public:
  enum class Format { BGR24 = 3, BGRA32 = 4 };
  // Largest side and area: a row of 4-byte pixels and the whole buffer
  // (1 GiB) stay far inside int. Picture decoders refuse well below this.
  static constexpr int kMaxSide = 32767;
  static constexpr int64_t kMaxPixels = int64_t{1} << 28;

  Picture() = default;  // 0 x 0, 32-bit, as every layer's own picture starts
  Picture(int width, int height, Format format, Colour fill = 0xFFFFFF);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Format PixelFormat() const { return format_; }
  int BytesPerPixel() const { return static_cast<int>(format_); }
  bool Is32() const { return format_ == Format::BGRA32; }
  int Stride() const { return width_ * BytesPerPixel(); }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  void SetSize(int width, int height);  // negative sizes count as 0; DataError beyond the caps
  // Changes the pixel format, converting the pixels (24 -> 32 gives alpha 0).
  void SetPixelFormat(Format format);

  Colour FillColour() const { return fill_; }
  void SetFillColour(Colour c) { fill_ = c; }

  uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * Stride(); }
  const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * Stride(); }
  uint8_t* Pixel(int x, int y) { return Row(y) + x * BytesPerPixel(); }
  const uint8_t* Pixel(int x, int y) const { return Row(y) + x * BytesPerPixel(); }
  uint8_t* Data() { return pixels_.data(); }
  const uint8_t* Data() const { return pixels_.data(); }
  size_t ByteSize() const { return pixels_.size(); }

  // Fills the rectangle [left, right) x [top, bottom), clipped to the
  // picture, with a colour (and, in 32-bit pictures, the given alpha).
  void FillRect(int left, int top, int right, int bottom, Colour colour, uint8_t alpha = 0);
  void Fill(Colour colour, uint8_t alpha = 0) { FillRect(0, 0, width_, height_, colour, alpha); }

  bool operator==(const Picture& o) const {
    return width_ == o.width_ && height_ == o.height_ && format_ == o.format_ &&
           pixels_ == o.pixels_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  Format format_ = Format::BGRA32;
  Colour fill_ = 0xFFFFFF;  // the platform's default brush is white
  std::vector<uint8_t> pixels_;
};

}  // namespace vantel
