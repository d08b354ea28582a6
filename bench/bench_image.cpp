// Picture decoding speed: LoadPng against libpng and against a bare zlib
// inflate of the same image data; LoadJpeg against a bare libjpeg-turbo
// decode of the same bytes, and the cost of refusing a progressive JPEG of
// thousands of scans against that ordinary decode. Two PNG files of one
// 800x600 RGBA picture: the data's own form (filter None on every row, one
// IDAT) and the same picture saved by libpng with adaptive filters. Ratios of
// CPU time (single-threaded work, so other load on the machine disturbs them
// less than wall time) are printed at the end.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "base/Errors.h"
#include "base/PngWrite.h"
#include "base/Stream.h"
#include "graphics/FuncBmpLoader.h"
#include "tests/support/ImageFixtures.h"

using namespace vantel;

namespace {

constexpr int kW = 800, kH = 600;

// A picture with the smooth areas, edges and grain of a drawn background.
Picture MakePicture(bool alpha) {
  Picture p(kW, kH, alpha ? Picture::Format::BGRA32 : Picture::Format::BGR24, 0);
  uint32_t seed = 12345;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      uint8_t* px = p.Pixel(x, y);
      seed = seed * 1664525 + 1013904223;
      const int grain = int(seed >> 29) - 4;
      const double d = std::hypot(x - 400.0, y - 260.0);
      const bool inside = d < 180 || ((x / 64 + y / 48) % 5 == 0);
      px[0] = uint8_t(std::clamp(int(120 + 100 * std::sin(x / 90.0)) + grain, 0, 255));
      px[1] = uint8_t(std::clamp(int(y * 200 / kH) + (inside ? 40 : 0) + grain, 0, 255));
      px[2] = uint8_t(std::clamp(int(255 - d / 3) + grain, 0, 255));
      if (alpha) px[3] = uint8_t(inside ? 255 : std::clamp(int(d) - 100, 0, 255));
    }
  return p;
}

struct MemSource {
  const std::string* bytes;
  size_t pos;
};

std::string LibpngEncodeAdaptive(const Picture& pic) {
  std::string out;
  png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(p);
  png_set_write_fn(
      p, &out,
      [](png_structp ps, png_bytep d, png_size_t n) {
        static_cast<std::string*>(png_get_io_ptr(ps))->append(reinterpret_cast<char*>(d), n);
      },
      nullptr);
  png_set_IHDR(p, info, kW, kH, 8, pic.Is32() ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(p, 0, PNG_ALL_FILTERS);
  png_write_info(p, info);
  png_set_bgr(p);
  for (int y = 0; y < kH; ++y) png_write_row(p, const_cast<png_bytep>(pic.Row(y)));
  png_write_end(p, info);
  png_destroy_write_struct(&p, &info);
  return out;
}

struct Inputs {
  std::string profile = EncodePng(MakePicture(true));  // filter None, one IDAT
  std::string adaptive = LibpngEncodeAdaptive(MakePicture(true));
  std::string profileIdat = testing::IdatData(profile), adaptiveIdat = testing::IdatData(adaptive);
  std::string jpeg = testing::EncodeJpeg(MakePicture(false), 90);
  // A hostile file: a plain 800x600 progressive JPEG whose last scan is
  // repeated 5 434 times (some 68 kB, as damaged or crafted files hold them).
  // Every scan walks the whole picture: decoded to the end it costs
  // seconds; the decoder gives up at its scan limit.
  std::string manyScans = testing::RepeatLastJpegScan(
      testing::EncodeJpeg(Picture(kW, kH, Picture::Format::BGR24, 0x808080), 90, true), 5434);
};
const Inputs& In() {
  static Inputs in;
  return in;
}

void OurPng(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    MemoryStream s(file);
    Picture p;
    LoadPng(p, s);
    benchmark::DoNotOptimize(p.Data());
  }
}

void Libpng(benchmark::State& state, const std::string& file) {
  for (auto _ : state) {
    MemSource src{&file, 0};
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    png_set_read_fn(p, &src, [](png_structp ps, png_bytep out, png_size_t n) {
      auto* s = static_cast<MemSource*>(png_get_io_ptr(ps));
      std::memcpy(out, s->bytes->data() + s->pos, n);
      s->pos += n;
    });
    png_read_info(p, info);
    png_set_bgr(p);
    png_read_update_info(p, info);
    const size_t stride = png_get_rowbytes(p, info);
    std::vector<uint8_t> pixels(stride * kH);
    for (int y = 0; y < kH; ++y) png_read_row(p, pixels.data() + y * stride, nullptr);
    png_destroy_read_struct(&p, &info, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}

// Only the inflate: the floor under any PNG decoder of this file.
void BareInflate(benchmark::State& state, const std::string& idat) {
  const size_t rawSize = size_t(kH) * (kW * 4 + 1);
  for (auto _ : state) {
    std::vector<uint8_t> raw(rawSize);
    z_stream z{};
    inflateInit(&z);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(idat.data()));
    z.avail_in = uInt(idat.size());
    z.next_out = raw.data();
    z.avail_out = uInt(raw.size());
    inflate(&z, Z_FINISH);
    inflateEnd(&z);
    benchmark::DoNotOptimize(raw.data());
  }
}

void OurJpeg(benchmark::State& state) {
  const std::string& file = In().jpeg;
  for (auto _ : state) {
    MemoryStream s(file);
    Picture p;
    LoadJpeg(p, s, int64_t(file.size()));
    benchmark::DoNotOptimize(p.Data());
  }
}

void RefusedJpeg(benchmark::State& state) {
  const std::string& file = In().manyScans;
  for (auto _ : state) {
    MemoryStream s(file);
    Picture p;
    try {
      LoadJpeg(p, s, int64_t(file.size()));
      state.SkipWithError("the file of 5 444 scans was decoded");
      break;
    } catch (const DataError&) {
    }
  }
}

void BareLibjpeg(benchmark::State& state) {
  const std::string& file = In().jpeg;
  for (auto _ : state) {
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&c);
    std::vector<uint8_t> pixels(size_t(c.output_width) * c.output_height * 3);
    while (c.output_scanline < c.output_height) {
      JSAMPROW row = pixels.data() + size_t(c.output_scanline) * c.output_width * 3;
      jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    benchmark::DoNotOptimize(pixels.data());
  }
}

// Remembers each benchmark's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> times;
  std::set<std::string> medians;
  void ReportRuns(const std::vector<Run>& runs) override {
    // With --benchmark_repetitions the median is used, else the single run.
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration && !medians.count(r.run_name.str()))
        times[r.run_name.str()] = r.GetAdjustedCPUTime();
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        times[r.run_name.str()] = r.GetAdjustedCPUTime();
        medians.insert(r.run_name.str());
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("png_profile/LoadPng",
                               [](benchmark::State& s) { OurPng(s, In().profile); });
  benchmark::RegisterBenchmark("png_profile/libpng",
                               [](benchmark::State& s) { Libpng(s, In().profile); });
  benchmark::RegisterBenchmark("png_profile/inflate",
                               [](benchmark::State& s) { BareInflate(s, In().profileIdat); });
  benchmark::RegisterBenchmark("png_adaptive/LoadPng",
                               [](benchmark::State& s) { OurPng(s, In().adaptive); });
  benchmark::RegisterBenchmark("png_adaptive/libpng",
                               [](benchmark::State& s) { Libpng(s, In().adaptive); });
  benchmark::RegisterBenchmark("png_adaptive/inflate",
                               [](benchmark::State& s) { BareInflate(s, In().adaptiveIdat); });
  benchmark::RegisterBenchmark("jpeg/LoadJpeg", OurJpeg);
  benchmark::RegisterBenchmark("jpeg/libjpeg", BareLibjpeg);
  benchmark::RegisterBenchmark("jpeg_5444_scans/LoadJpeg", RefusedJpeg);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ratio = [&](const char* a, const char* b) {
    if (reporter.times.count(a) && reporter.times.count(b))
      std::printf("%-22s / %-22s = %.3f\n", a, b, reporter.times[a] / reporter.times[b]);
  };
  std::printf("\nratios (lower is faster):\n");
  ratio("png_profile/LoadPng", "png_profile/libpng");
  ratio("png_profile/LoadPng", "png_profile/inflate");
  ratio("png_adaptive/LoadPng", "png_adaptive/libpng");
  ratio("png_adaptive/LoadPng", "png_adaptive/inflate");
  ratio("jpeg/LoadJpeg", "jpeg/libjpeg");
  // Refusing the hostile file costs a bounded number of whole-picture scans.
  ratio("jpeg_5444_scans/LoadJpeg", "jpeg/LoadJpeg");
  std::printf("file sizes: profile %zu, adaptive %zu, jpeg %zu, 5444 scans %zu bytes\n",
              In().profile.size(), In().adaptive.size(), In().jpeg.size(), In().manyScans.size());
  benchmark::Shutdown();
  return 0;
}
