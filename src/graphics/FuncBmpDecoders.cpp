// The two picture decoders of FuncBmpLoader: LoadJpeg over libjpeg-turbo and
// our own PNG decoder over zlib.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <zlib.h>

#include "base/Endian.h"
#include "base/Errors.h"
#include "graphics/FuncBmpLoader.h"

namespace vantel {
namespace {

void CheckSize(int64_t width, int64_t height, const char* what) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > kMaxPicturePixels)
    throw DataError(std::string(what) + " picture size " + std::to_string(width) + "x" +
                    std::to_string(height) + " is out of range");
}

// Makes `picture` an empty picture of the given format, then gives it its
// size (width first, as the loader always did).
// Black is used while sizing because every pixel is written afterwards and
// a black picture costs one pass less to allocate.
void Prepare(Picture& picture, Picture::Format format, int width, int height) {
  const Colour fill = picture.FillColour();
  picture.SetSize(0, 0);
  picture.SetPixelFormat(format);
  picture.SetFillColour(0);
  picture.SetWidth(width);
  picture.SetHeight(height);
  picture.SetFillColour(fill);
}

// ---- JPEG ------------------------------------------------------------------
//
// libjpeg reports fatal errors through error_exit, which by default ends the
// process. Ours jumps back with longjmp; the functions that call setjmp run
// only libjpeg calls and plain memory work, so no C++ destructor is skipped.

struct JpegErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}

// Warnings (a truncated file whose missing part is drawn grey) are not fatal,
// as with the library's defaults, but are not printed either.
extern "C" void JpegOutputMessage(j_common_ptr) {}

// A progressive JPEG may hold any number of scans, and every scan walks the
// coefficients of the whole picture again (some 5 ns a pixel), so a small
// file of tiny scans can cost seconds. Real encoders write about ten; more
// than 128 is taken as damage, and larger pictures are allowed fewer (down to
// 32), so that the work stays within a few tenths of a second.
constexpr long kMaxJpegScans = 128;
constexpr long kMinJpegScans = 32;
constexpr int64_t kJpegScanPixelBudget = int64_t{1} << 26;

long JpegScanLimit(int64_t pixels) {
  return std::clamp<long>(static_cast<long>(kJpegScanPixelBudget / std::max<int64_t>(pixels, 1)),
                          kMinJpegScans, kMaxJpegScans);
}

struct JpegProgress {
  jpeg_progress_mgr pub;  // first, so that the library's pointer is ours
  long maxScans = kMaxJpegScans;
};

// Called by the library while it reads the scans; ends the decode through
// the error manager's jump once the file has more scans than allowed.
extern "C" void JpegMonitor(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  const auto* progress = reinterpret_cast<const JpegProgress*>(cinfo->progress);
  if (d->input_scan_number <= progress->maxScans) return;
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  std::snprintf(err->message, sizeof err->message, "it has more than %ld scans",
                progress->maxScans);
  longjmp(err->jump, 1);
}

struct JpegJob {
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  JpegProgress progress;
  bool created = false;
  ~JpegJob() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Reads the header and starts decompression; false with err.message set on failure.
bool JpegStart(JpegJob& job, const unsigned char* data, unsigned long size, bool& cmyk) {
  job.cinfo.err = jpeg_std_error(&job.err.pub);
  job.err.pub.error_exit = JpegErrorExit;
  job.err.pub.output_message = JpegOutputMessage;
  if (setjmp(job.err.jump)) return false;
  jpeg_create_decompress(&job.cinfo);
  job.created = true;
  jpeg_mem_src(&job.cinfo, data, size);
  jpeg_read_header(&job.cinfo, TRUE);
  cmyk = job.cinfo.jpeg_color_space == JCS_CMYK || job.cinfo.jpeg_color_space == JCS_YCCK;
  job.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  job.cinfo.scale_num = job.cinfo.scale_denom = 1;
  job.cinfo.dct_method = JDCT_ISLOW;
  job.cinfo.do_fancy_upsampling = TRUE;
  jpeg_calc_output_dimensions(&job.cinfo);
  job.progress.pub.progress_monitor = JpegMonitor;
  job.progress.maxScans =
      JpegScanLimit(int64_t{job.cinfo.image_width} * int64_t{job.cinfo.image_height});
  job.cinfo.progress = &job.progress.pub;
  return true;
}

// Decodes every scanline into the rows of `pixels` (stride bytes apart).
// CMYK data (Adobe's inverted form) goes through `scratch`, one row long.
bool JpegRows(JpegJob& job, uint8_t* pixels, size_t stride, bool cmyk, uint8_t* scratch) {
  if (setjmp(job.err.jump)) return false;
  jpeg_start_decompress(&job.cinfo);
  while (job.cinfo.output_scanline < job.cinfo.output_height) {
    uint8_t* row = pixels + job.cinfo.output_scanline * stride;
    JSAMPROW target = cmyk ? scratch : row;
    if (jpeg_read_scanlines(&job.cinfo, &target, 1) != 1) break;
    if (cmyk) {
      const uint8_t* s = scratch;
      for (JDIMENSION x = 0; x < job.cinfo.output_width; ++x, s += 4, row += 3) {
        const unsigned k = s[3];
        row[0] = static_cast<uint8_t>(s[2] * k / 255);
        row[1] = static_cast<uint8_t>(s[1] * k / 255);
        row[2] = static_cast<uint8_t>(s[0] * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&job.cinfo);
  return true;
}

// ---- PNG -------------------------------------------------------------------

constexpr uint32_t ChunkType(const char (&t)[5]) {
  return uint32_t(uint8_t(t[0])) << 24 | uint32_t(uint8_t(t[1])) << 16 |
         uint32_t(uint8_t(t[2])) << 8 | uint32_t(uint8_t(t[3]));
}
constexpr uint32_t kIHDR = ChunkType("IHDR"), kPLTE = ChunkType("PLTE"), kTRNS = ChunkType("tRNS"),
                   kIDAT = ChunkType("IDAT");

// Walks the chunks of a PNG file in a stream.
class ChunkWalker {
 public:
  explicit ChunkWalker(Stream& s) : s_(s) {}
  // Reads the next chunk header; false at the end of the stream.
  bool Next(uint32_t& length, uint32_t& type) {
    uint8_t h[8];
    if (s_.Read(h, 8) != 8) return false;
    length = GetBE32(h);
    type = GetBE32(h + 4);
    if (length > 0x7FFFFFFFu) throw DataError("PNG chunk length out of range");
    return true;
  }
  // Steps over `count` data bytes and, when `crc`, the 4 CRC bytes after them.
  void Skip(uint32_t count, bool crc = true) {
    s_.Seek(s_.Position() + int64_t{count} + (crc ? 4 : 0));
  }
  Stream& In() { return s_; }

 private:
  Stream& s_;
};

// The zlib stream of the image data, inflated on demand. The stream may be
// spread over several IDAT chunks; the bytes between them (CRC, next chunk
// header) are stepped over. Data is inflated in large blocks and handed out
// row by row: inflating a row at a time keeps zlib off its fast path for the
// last 258 bytes of every row, which costs more than the copy.
class IdatInflater {
 public:
  IdatInflater(ChunkWalker& chunks, uint32_t firstLength)
      : chunks_(chunks), left_(firstLength), in_(65536), out_(262144) {
    std::memset(&z_, 0, sizeof z_);
    if (inflateInit(&z_) != Z_OK) throw DataError("cannot start inflating PNG image data");
  }
  ~IdatInflater() { inflateEnd(&z_); }
  IdatInflater(const IdatInflater&) = delete;
  IdatInflater& operator=(const IdatInflater&) = delete;

  // Inflates exactly `count` bytes into `out`.
  void Read(uint8_t* out, size_t count) {
    while (count > 0) {
      if (pos_ == end_) InflateBlock();
      const size_t n = std::min(count, end_ - pos_);
      std::memcpy(out, out_.data() + pos_, n);
      pos_ += n;
      out += n;
      count -= n;
    }
  }

 private:
  // Fills out_ with what can be inflated; throws only when nothing could be,
  // so that a stream that stops early still gives every row it holds.
  void InflateBlock() {
    pos_ = end_ = 0;
    z_.next_out = out_.data();
    z_.avail_out = static_cast<uInt>(out_.size());
    while (z_.avail_out > 0 && !ended_) {
      if (z_.avail_in == 0 && !Refill()) break;
      const int rc = inflate(&z_, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) ended_ = true;
      if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT)
        throw DataError(std::string("PNG image data is damaged (") +
                        (z_.msg ? z_.msg : "bad zlib stream") + ")");
      if (rc == Z_MEM_ERROR) throw std::bad_alloc();
      if (rc == Z_BUF_ERROR && z_.avail_in > 0)
        throw DataError("PNG image data cannot be inflated");
    }
    end_ = out_.size() - z_.avail_out;
    if (end_ == 0)
      throw DataError(problem_.empty() ? "PNG image data ends before the last row" : problem_);
  }

  // More compressed bytes from the current or the next IDAT chunk; false
  // (with problem_ set) when there are none.
  bool Refill() {
    if (!problem_.empty()) return false;
    while (left_ == 0) {
      chunks_.Skip(0);  // the CRC of the chunk just finished
      uint32_t length, type;
      if (!chunks_.Next(length, type)) {
        problem_ = "PNG data is truncated inside the image data";
        return false;
      }
      if (type != kIDAT) {
        problem_ = "PNG image data ends before the last row";
        return false;
      }
      left_ = length;
    }
    const size_t want = std::min<size_t>(left_, in_.size());
    const size_t got = chunks_.In().Read(in_.data(), want);
    if (got == 0) {
      problem_ = "PNG data is truncated inside the image data";
      return false;
    }
    left_ -= static_cast<uint32_t>(got);
    z_.next_in = in_.data();
    z_.avail_in = static_cast<uInt>(got);
    return true;
  }

  ChunkWalker& chunks_;
  uint32_t left_;  // data bytes of the current IDAT chunk not yet read
  std::vector<uint8_t> in_, out_;
  size_t pos_ = 0, end_ = 0;  // the inflated bytes of out_ not yet handed out
  bool ended_ = false;
  std::string problem_;
  z_stream z_;
};

// The Paeth predictor: of left (a), above (b) and upper left (c), the one
// nearest to a + b - c, ties going to a, then b.
inline uint8_t Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return static_cast<uint8_t>((pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c));
}

// Undoes a row filter in place. `prior` is the previous row of the same pass
// (unfiltered), or null for the first row, which counts as zeros. BPP is the
// filter's byte distance when known at compile time (3 and 4, the data's own
// forms), else 0 and `bpp` is used.
template <size_t BPP>
void UnfilterRow(int filter, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
  if constexpr (BPP != 0) bpp = BPP;
  switch (filter) {
    case 0:
      return;
    case 1:  // Sub
      for (size_t i = bpp; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      return;
    case 2:  // Up
      if (prior)
        for (size_t i = 0; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      return;
    case 3:  // Average
      if (prior) {
        for (size_t i = 0; i < bpp && i < length; ++i)
          row[i] = static_cast<uint8_t>(row[i] + (prior[i] >> 1));
        for (size_t i = bpp; i < length; ++i)
          row[i] = static_cast<uint8_t>(row[i] + ((row[i - bpp] + prior[i]) >> 1));
      } else {
        for (size_t i = bpp; i < length; ++i)
          row[i] = static_cast<uint8_t>(row[i] + (row[i - bpp] >> 1));
      }
      return;
    case 4:  // Paeth
      if (prior) {
        for (size_t i = 0; i < bpp && i < length; ++i)
          row[i] = static_cast<uint8_t>(row[i] + prior[i]);
        for (size_t i = bpp; i < length; ++i)
          row[i] = static_cast<uint8_t>(row[i] + Paeth(row[i - bpp], prior[i], prior[i - bpp]));
      } else {  // with a zero row above, Paeth picks the left byte
        for (size_t i = bpp; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      }
      return;
    default:
      throw DataError("PNG row filter type " + std::to_string(filter) + " is unknown");
  }
}

void Unfilter(int filter, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
  if (bpp == 4)
    UnfilterRow<4>(filter, row, prior, length, bpp);
  else if (bpp == 3)
    UnfilterRow<3>(filter, row, prior, length, bpp);
  else
    UnfilterRow<0>(filter, row, prior, length, bpp);
}

void SwapRedBlue(uint8_t* row, int width, int bpp) {
  for (int x = 0; x < width; ++x, row += bpp) std::swap(row[0], row[2]);
}

struct PngHeader {
  int width = 0, height = 0;
  int depth = 8, colourType = 2, interlace = 0;
  int Channels() const {
    static const int channels[7] = {1, 0, 3, 1, 2, 0, 4};
    return channels[colourType];
  }
};

void CheckHeader(const PngHeader& h) {
  const int d = h.depth;
  bool ok;
  switch (h.colourType) {
    case 0:
      ok = d == 1 || d == 2 || d == 4 || d == 8 || d == 16;
      break;
    case 3:
      ok = d == 1 || d == 2 || d == 4 || d == 8;
      break;
    case 2:
    case 4:
    case 6:
      ok = d == 8 || d == 16;
      break;
    default:
      throw DataError("PNG colour type " + std::to_string(h.colourType) + " is unknown");
  }
  if (!ok)
    throw DataError("PNG bit depth " + std::to_string(d) + " is not allowed with colour type " +
                    std::to_string(h.colourType));
  if (h.interlace > 1)
    throw DataError("PNG interlace method " + std::to_string(h.interlace) + " is unknown");
}

// Everything except 8-bit non-interlaced truecolour: each row is inflated
// into a scratch row, unfiltered, and converted into the picture.
class GeneralRows {
 public:
  GeneralRows(const PngHeader& h, const std::vector<uint8_t>& palette,
              const std::vector<uint8_t>& trns, bool useTrns, Picture& picture)
      : h_(h), palette_(palette), trns_(trns), useTrns_(useTrns), pic_(picture) {}

  void Decode(IdatInflater& in) {
    static const int kStartX[7] = {0, 4, 0, 2, 0, 1, 0}, kStartY[7] = {0, 0, 4, 0, 2, 0, 1},
                     kStepX[7] = {8, 8, 4, 4, 2, 2, 1}, kStepY[7] = {8, 8, 8, 4, 4, 2, 2};
    const int passes = h_.interlace ? 7 : 1;
    const size_t bitsPerPixel = size_t(h_.Channels()) * h_.depth;
    const size_t filterBpp = std::max<size_t>(1, bitsPerPixel / 8);
    for (int p = 0; p < passes; ++p) {
      const int x0 = h_.interlace ? kStartX[p] : 0, y0 = h_.interlace ? kStartY[p] : 0;
      const int dx = h_.interlace ? kStepX[p] : 1, dy = h_.interlace ? kStepY[p] : 1;
      if (x0 >= h_.width || y0 >= h_.height) continue;  // an empty pass has no rows at all
      const int passWidth = (h_.width - x0 + dx - 1) / dx;
      const size_t rowBytes = (passWidth * bitsPerPixel + 7) / 8;
      std::vector<uint8_t> cur(rowBytes), prior(rowBytes);
      bool first = true;
      for (int y = y0; y < h_.height; y += dy) {
        uint8_t filter;
        in.Read(&filter, 1);
        in.Read(cur.data(), rowBytes);
        Unfilter(filter, cur.data(), first ? nullptr : prior.data(), rowBytes, filterBpp);
        Convert(cur.data(), passWidth, pic_.Pixel(x0, y), dx * pic_.BytesPerPixel());
        cur.swap(prior);
        first = false;
      }
    }
  }

 private:
  // Sample `index` of a row as an integer of the file's bit depth.
  unsigned Sample(const uint8_t* row, size_t index) const {
    switch (h_.depth) {
      case 8:
        return row[index];
      case 16:
        return unsigned(row[2 * index]) << 8 | row[2 * index + 1];
      default: {
        const size_t bit = index * h_.depth;
        const unsigned mask = (1u << h_.depth) - 1;
        return (row[bit >> 3] >> (8 - h_.depth - (bit & 7))) & mask;
      }
    }
  }
  // Sample `i` of a tRNS colour key (grey, or red, green, blue).
  unsigned Key(size_t i) const { return unsigned(trns_[2 * i]) << 8 | trns_[2 * i + 1]; }
  // A sample scaled to 8 bits: 16-bit samples keep their high byte, grey
  // levels of 1, 2 and 4 bits are spread over 0...255.
  uint8_t Sample8(unsigned v) const {
    if (h_.depth == 16) return static_cast<uint8_t>(v >> 8);
    if (h_.depth < 8) return static_cast<uint8_t>(v * 255 / ((1u << h_.depth) - 1));
    return static_cast<uint8_t>(v);
  }

  void Convert(const uint8_t* row, int count, uint8_t* out, int step) const {
    const int ch = h_.Channels();
    for (int i = 0; i < count; ++i, out += step) {
      const size_t s = size_t(i) * ch;
      switch (h_.colourType) {
        case 0: {
          const unsigned v = Sample(row, s);
          out[0] = out[1] = out[2] = Sample8(v);
          if (useTrns_)
            out[3] = (trns_.size() >= 2 && v == (unsigned(trns_[0]) << 8 | trns_[1])) ? 0 : 255;
          break;
        }
        case 2: {
          const unsigned r = Sample(row, s), g = Sample(row, s + 1), b = Sample(row, s + 2);
          out[2] = Sample8(r);
          out[1] = Sample8(g);
          out[0] = Sample8(b);
          // The key colour is compared at the file's own depth, before scaling.
          if (useTrns_) out[3] = (r == Key(0) && g == Key(1) && b == Key(2)) ? 0 : 255;
          break;
        }
        case 3: {
          const unsigned v = Sample(row, s);
          if (v * 3 + 2 < palette_.size()) {
            out[2] = palette_[v * 3];
            out[1] = palette_[v * 3 + 1];
            out[0] = palette_[v * 3 + 2];
          } else {  // an index past the palette's end shows black
            out[0] = out[1] = out[2] = 0;
          }
          if (useTrns_) out[3] = v < trns_.size() ? trns_[v] : 255;
          break;
        }
        case 4:
          out[0] = out[1] = out[2] = Sample8(Sample(row, s));
          out[3] = Sample8(Sample(row, s + 1));
          break;
        case 6:
          out[2] = Sample8(Sample(row, s));
          out[1] = Sample8(Sample(row, s + 1));
          out[0] = Sample8(Sample(row, s + 2));
          out[3] = Sample8(Sample(row, s + 3));
          break;
      }
    }
  }

  const PngHeader& h_;
  const std::vector<uint8_t>& palette_;
  const std::vector<uint8_t>& trns_;
  bool useTrns_;
  Picture& pic_;
};

}  // namespace

void LoadJpeg(Picture& picture, Stream& stream, int64_t size) {
  if (size < 0) size = 0;
  // The size comes from an archive's directory: check it against what the
  // stream holds before allocating for it.
  if (size > stream.Size() - stream.Position() || size > int64_t{1} << 30)
    throw DataError("JPEG data is truncated: " + std::to_string(size) + " bytes expected");
  if (size == 0) throw DataError("JPEG data is empty");
  std::vector<unsigned char> data(static_cast<size_t>(size));
  stream.ReadExact(data.data(), data.size(), "JPEG data");

  JpegJob job;
  bool cmyk = false;
  if (!JpegStart(job, data.data(), static_cast<unsigned long>(data.size()), cmyk))
    throw DataError(std::string("JPEG cannot be decoded: ") + job.err.message);
  CheckSize(job.cinfo.output_width, job.cinfo.output_height, "JPEG");
  Prepare(picture, Picture::Format::BGR24, static_cast<int>(job.cinfo.output_width),
          static_cast<int>(job.cinfo.output_height));
  std::vector<uint8_t> scratch(cmyk ? size_t(job.cinfo.output_width) * 4 : 0);
  if (!JpegRows(job, picture.Data(), static_cast<size_t>(picture.Stride()), cmyk, scratch.data()))
    throw DataError(std::string("JPEG cannot be decoded: ") + job.err.message);
}

void LoadPng(Picture& picture, Stream& stream) {
  ChunkWalker chunks(stream);
  uint8_t signature[8];
  // The signature is read and not checked; a file that is not PNG fails on its chunks.
  if (stream.Read(signature, 8) != 8) throw DataError("PNG data is truncated in its signature");

  uint32_t length = 0, type = 0;
  for (;;) {
    if (!chunks.Next(length, type)) throw DataError("PNG data has no IHDR chunk");
    if (type == kIHDR) break;
    chunks.Skip(length);
  }
  if (length < 13) throw DataError("PNG IHDR chunk is too short");
  uint8_t ihdr[13];
  stream.ReadExact(ihdr, 13, "PNG IHDR chunk");
  chunks.Skip(length - 13);
  PngHeader h;
  const uint32_t w = GetBE32(ihdr), hgt = GetBE32(ihdr + 4);
  CheckSize(w, hgt, "PNG");
  h.width = static_cast<int>(w);
  h.height = static_cast<int>(hgt);
  h.depth = ihdr[8];
  h.colourType = ihdr[9];
  h.interlace = ihdr[12];
  CheckHeader(h);

  std::vector<uint8_t> palette, trns;
  for (;;) {
    if (!chunks.Next(length, type)) throw DataError("PNG data has no image data (IDAT chunk)");
    if (type == kIDAT) break;
    if ((type == kPLTE || type == kTRNS) && length <= 768) {
      std::vector<uint8_t>& into = type == kPLTE ? palette : trns;
      into.resize(length);
      if (length > 0) stream.ReadExact(into.data(), length, "PNG chunk");
      chunks.Skip(0);
    } else {
      chunks.Skip(length);
    }
  }
  if (h.colourType == 3 && (palette.empty() || palette.size() % 3 != 0))
    throw DataError("PNG palette picture has no usable PLTE chunk");

  // Deflate cannot expand data more than about 1032 times: a header whose
  // size the rest of the stream cannot possibly fill is refused before the
  // picture is allocated for it.
  const int64_t rowBits = int64_t{h.width} * h.Channels() * h.depth;
  const int64_t minimumRaw = int64_t{h.height} * ((rowBits + 7) / 8);
  const int64_t available = stream.Size() - stream.Position();
  if (minimumRaw > available * 1032 + 1032)
    throw DataError("PNG image data is far too short for a " + std::to_string(h.width) + "x" +
                    std::to_string(h.height) + " picture");

  // A tRNS chunk makes grey, palette and truecolour pictures 32-bit; a
  // truecolour key too short to name a colour is ignored.
  const bool useTrns = !trns.empty() && (h.colourType == 0 || h.colourType == 3 ||
                                         (h.colourType == 2 && trns.size() >= 6));
  const bool alpha = h.colourType >= 4 || useTrns;
  Prepare(picture, alpha ? Picture::Format::BGRA32 : Picture::Format::BGR24, h.width, h.height);

  IdatInflater in(chunks, length);
  if (h.depth == 8 && (h.colourType == 2 || h.colourType == 6) && h.interlace == 0 && !useTrns) {
    // The data's own form: rows inflate straight into the picture. Red and
    // blue are swapped one row late, as the next row's filter may need this
    // row in the file's order.
    const int bpp = picture.BytesPerPixel();
    const size_t stride = static_cast<size_t>(picture.Stride());
    for (int y = 0; y < h.height; ++y) {
      uint8_t filter;
      in.Read(&filter, 1);
      uint8_t* row = picture.Row(y);
      in.Read(row, stride);
      if (filter != 0) Unfilter(filter, row, y > 0 ? picture.Row(y - 1) : nullptr, stride, bpp);
      if (y > 0) SwapRedBlue(picture.Row(y - 1), h.width, bpp);
    }
    SwapRedBlue(picture.Row(h.height - 1), h.width, bpp);
  } else {
    GeneralRows(h, palette, trns, useTrns, picture).Decode(in);
  }
}

}  // namespace vantel
