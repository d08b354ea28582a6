#include <gtest/gtest.h>

#include "base/Errors.h"
#include "graphics/FuncBmpLoader.h"
#include "support/ImageFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using testing::Deflate;
using testing::Ihdr;
using testing::PngChunk;
using testing::PngSignature;

Picture DecodePng(const std::string& bytes) {
  MemoryStream s(bytes);
  Picture p;
  LoadPng(p, s);
  return p;
}

std::string PixelBytes(const Picture& p) {
  return std::string(reinterpret_cast<const char*>(p.Data()), p.ByteSize());
}

// A PNG of the data's own form: 8-bit truecolour, filter None, one IDAT.
std::string ProfilePng(int w, int h, int colourType, const std::string& samples,
                       const std::string& beforeIhdr = "", const std::string& beforeIdat = "") {
  const size_t rowBytes = size_t(w) * (colourType == 6 ? 4 : 3);
  std::string raw;
  for (int y = 0; y < h; ++y) raw += '\0' + samples.substr(y * rowBytes, rowBytes);
  return PngSignature() + beforeIhdr + Ihdr(w, h, 8, colourType) + beforeIdat +
         PngChunk("IDAT", Deflate(raw)) + PngChunk("IEND", "");
}

TEST(LoadPng, FilesOfTheDataFormDecodeToTheStoredBytes) {
  // Two RGBA pixels (255,0,0,128) and (0,0,255,255): red and blue swap, alpha stays.
  Picture p = DecodePng(ProfilePng(2, 1, 6, std::string("\xFF\x00\x00\x80\x00\x00\xFF\xFF", 8)));
  ASSERT_TRUE(p.Is32());
  EXPECT_EQ(p.Width(), 2);
  EXPECT_EQ(p.Height(), 1);
  EXPECT_EQ(PixelBytes(p), std::string("\x00\x00\xFF\x80\xFF\x00\x00\xFF", 8));

  const std::string rgb("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 12);
  Picture q = DecodePng(ProfilePng(2, 2, 2, rgb));
  ASSERT_FALSE(q.Is32());
  EXPECT_EQ(PixelBytes(q), std::string("\x03\x02\x01\x06\x05\x04\x09\x08\x07\x0C\x0B\x0A", 12));

  // Chunks before IHDR and between IHDR and IDAT change nothing.
  Picture r = DecodePng(ProfilePng(2, 2, 2, rgb, PngChunk("tEXt", std::string("Title\0x", 7)),
                                   PngChunk("gAMA", Be32(45455))));
  EXPECT_EQ(r, q);

  // A truecolour file with a tRNS colour key becomes 32-bit, transparent
  // exactly at the key colour (4, 5, 6); a key too short to name a colour is ignored.
  Picture t =
      DecodePng(ProfilePng(2, 2, 2, rgb, "", PngChunk("tRNS", std::string("\0\4\0\5\0\6", 6))));
  ASSERT_TRUE(t.Is32());
  EXPECT_EQ(PixelBytes(t), std::string("\x03\x02\x01\xFF\x06\x05\x04\x00"
                                       "\x09\x08\x07\xFF\x0C\x0B\x0A\xFF",
                                       16));
  EXPECT_EQ(DecodePng(ProfilePng(2, 2, 2, rgb, "", PngChunk("tRNS", std::string("\0\4", 2)))), q);
  // 16-bit samples are matched at their full depth: the second pixel differs
  // from the key only in its low byte and stays opaque.
  const std::string raw16 = std::string("\0\1\2\3\4\5\6", 7) + std::string("\0\1\2\3\4\5\7", 7);
  Picture k = DecodePng(PngSignature() + Ihdr(1, 2, 16, 2) +
                        PngChunk("tRNS", std::string("\1\2\3\4\5\6", 6)) +
                        PngChunk("IDAT", Deflate(raw16)) + PngChunk("IEND", ""));
  ASSERT_TRUE(k.Is32());
  EXPECT_EQ(PixelBytes(k), std::string("\5\3\1\0\5\3\1\xFF", 8));

  // Decoding starts at the stream's position (an entry inside an archive).
  MemoryStream s("prefix" + ProfilePng(2, 2, 2, rgb));
  s.Seek(6);
  Picture u(5, 5, Picture::Format::BGRA32);
  LoadPng(u, s);
  EXPECT_EQ(u, q);
}

struct Fixture {
  const char* name;
  const char* args;  // convert arguments before the output file
};

const Fixture kFixtures[] = {
    {"rgb8", "-seed 7 -size 41x29 plasma: -depth 8 PNG24:"},
    {"rgb16", "-size 37x23 gradient:red-blue -depth 16 PNG48:"},
    {"rgba8", "-size 30x20 'gradient:rgba(255,0,0,1)-rgba(0,0,255,0.2)' PNG32:"},
    {"rgba16", "-size 30x20 'gradient:rgba(255,0,0,1)-rgba(0,0,255,0.2)' PNG64:"},
    {"palette8", "-seed 7 -size 41x29 plasma: -colors 40 PNG8:"},
    {"palette4",
     "-seed 9 -size 5x3 plasma: -colors 9 -define png:bit-depth=4 -define png:color-type=3 PNG:"},
    {"palette2",
     "-seed 9 -size 15x7 plasma: -colors 3 -define png:bit-depth=2 -define png:color-type=3 PNG:"},
    {"palette2-interlaced",
     "-seed 9 -size 15x7 plasma: -colors 2 -interlace PNG -define png:color-type=3 PNG:"},
    {"palette-trns",
     "-seed 3 -size 41x29 plasma: -colors 8 \\( +clone -alpha extract -fill black "
     "-draw 'rectangle 3,3 20,10' \\) -alpha off -compose copy_opacity -composite PNG8:"},
    {"rgb-trns",
     "-seed 7 -size 41x29 plasma: -depth 8 -fill '#102030' -draw 'rectangle 3,3 20,10' "
     "-transparent '#102030' PNG24:"},
    {"grey8", "-seed 7 -size 41x29 plasma: -colorspace Gray -depth 8 PNG:"},
    {"grey4",
     "-seed 7 -size 41x29 plasma: -colorspace Gray -define png:color-type=0 -define "
     "png:bit-depth=4 PNG:"},
    {"grey2",
     "-seed 7 -size 41x29 plasma: -colorspace Gray -define png:color-type=0 -define "
     "png:bit-depth=2 PNG:"},
    {"grey1", "-seed 7 -size 43x29 plasma: -colorspace Gray -monochrome PNG:"},
    {"grey16", "-seed 7 -size 41x29 plasma: -colorspace Gray -depth 16 PNG:"},
    {"grey-alpha",
     "-size 30x20 'gradient:graya(100%,1)-graya(0%,0.2)' -colorspace Gray -define png:color-type=4 "
     "PNG:"},
    {"grey-trns",
     "-size 20x10 xc:gray50 -fill black -draw 'rectangle 0,0 9,9' -colorspace Gray -transparent "
     "black "
     "-define png:color-type=0 PNG:"},
    {"interlaced-rgb", "-seed 7 -size 41x29 plasma: -depth 8 -interlace PNG PNG24:"},
    {"interlaced-rgba",
     "-seed 9 -size 41x29 plasma: -alpha set -channel A -evaluate set 60% +channel -interlace PNG "
     "PNG32:"},
    {"interlaced-tiny", "-seed 9 -size 5x3 plasma: -interlace PNG PNG24:"},
    {"interlaced-1px", "-size 1x1 xc:red -interlace PNG PNG24:"},
    {"interlaced-grey2",
     "-seed 7 -size 13x11 plasma: -colorspace Gray -define png:color-type=0 "
     "-define png:bit-depth=2 -interlace PNG PNG:"},
    {"many-idat", "-seed 9 -size 300x200 plasma: -depth 8 PNG24:"},
    {"adaptive-rgba",
     "-seed 5 -size 200x150 plasma: -alpha set -channel A -fx 'i/w' +channel -define "
     "png:compression-filter=5 PNG32:"},
    {"paeth", "-seed 5 -size 64x40 plasma: -define png:compression-filter=4 PNG24:"},
    {"average", "-seed 5 -size 64x40 plasma: -define png:compression-filter=3 PNG24:"},
};

// Writes every fixture with convert into `dir`; empty names when convert is missing.
std::vector<std::pair<std::string, std::string>> MakeFixtures(const testing::TempDir& dir) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const Fixture& f : kFixtures) {
    std::string bytes = testing::Convert(f.args, dir / (std::string(f.name) + ".png"));
    EXPECT_FALSE(bytes.empty()) << "convert failed for " << f.name;
    out.emplace_back(f.name, bytes);
  }
  return out;
}

TEST(LoadPng, AgreesWithLibpngOnFilesWrittenByOtherTools) {
  if (!testing::HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
  testing::TempDir dir;
  bool sawTrns = false, sawManyIdat = false;
  for (const auto& [name, bytes] : MakeFixtures(dir)) {
    SCOPED_TRACE(name);
    if (bytes.empty()) continue;
    Picture expected = testing::LibpngDecode(bytes);
    Picture got = DecodePng(bytes);
    ASSERT_EQ(got.Width(), expected.Width());
    ASSERT_EQ(got.Height(), expected.Height());
    ASSERT_EQ(got.Is32(), expected.Is32());
    EXPECT_TRUE(got == expected) << "pixels differ";
    int idats = 0;
    for (const auto& c : testing::SplitChunks(bytes)) {
      idats += c.type == "IDAT";
      sawTrns |= c.type == "tRNS";
    }
    sawManyIdat |= idats > 1;
  }
  // The fixtures must really exercise these paths.
  EXPECT_TRUE(sawTrns);
  EXPECT_TRUE(sawManyIdat);
}

TEST(LoadPng, ImageDataSplitOverManySmallChunks) {
  const std::string rgb = [] {
    std::string s;
    for (int i = 0; i < 7 * 5 * 4; ++i) s += char(i * 37 + 11);
    return s;
  }();
  const std::string whole = ProfilePng(7, 5, 6, rgb);
  auto chunks = testing::SplitChunks(whole);
  std::vector<testing::PngChunkData> split;
  for (const auto& c : chunks) {
    if (c.type != "IDAT") {
      split.push_back(c);
      continue;
    }
    for (size_t i = 0, n = 1; i < c.data.size(); i += n, n = n % 5 + 1) {
      split.push_back({"IDAT", c.data.substr(i, n)});
      if (n == 3) split.push_back({"IDAT", ""});  // empty chunks are allowed too
    }
  }
  EXPECT_EQ(DecodePng(testing::JoinChunks(split)), DecodePng(whole));
}

void ExpectDataError(const std::string& png, const std::string& fragment) {
  SCOPED_TRACE(fragment);
  try {
    DecodePng(png);
    ADD_FAILURE() << "no error";
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
  }
}

TEST(LoadPng, RefusesBrokenFilesWithAClearMessage) {
  const std::string idat = PngChunk("IDAT", Deflate(std::string(1 + 3, '\0')));
  const std::string end = PngChunk("IEND", "");
  ExpectDataError(PngSignature() + Ihdr(0x7FFFFFFF, 0x7FFFFFFF, 8, 6) + idat + end, "out of range");
  ExpectDataError(PngSignature() + Ihdr(40000, 40000, 8, 2) + idat + end, "out of range");
  ExpectDataError(PngSignature() + Ihdr(0, 1, 8, 2) + idat + end, "out of range");
  // Allowed sizes, but a few bytes of data can never fill them.
  ExpectDataError(PngSignature() + Ihdr(20000, 1600, 8, 6) + idat + end, "far too short");
  ExpectDataError(PngSignature() + Ihdr(30000, 1000, 1, 0, 1) + idat + end, "far too short");
  ExpectDataError(PngSignature() + Ihdr(1, 1, 8, 5) + idat + end, "colour type");
  ExpectDataError(PngSignature() + Ihdr(1, 1, 4, 2) + idat + end, "bit depth");
  ExpectDataError(PngSignature() + Ihdr(1, 1, 8, 2, 2) + idat + end, "interlace");
  ExpectDataError(PngSignature() + Ihdr(1, 1, 8, 3) + idat + end, "PLTE");
  ExpectDataError(PngSignature() + PngChunk("tEXt", "a"), "no IHDR");
  ExpectDataError("", "signature");
  ExpectDataError(PngSignature() + Ihdr(1, 1, 8, 2) + end, "no image data");
  ExpectDataError(PngSignature() + Ihdr(1, 1, 8, 2) + PngChunk("IDAT", Deflate("\x05xyz")) + end,
                  "filter type 5");
  // Image data that ends a row early, with or without more chunks after it.
  ExpectDataError(PngSignature() + Ihdr(1, 2, 8, 2) + idat + end, "ends before the last row");
  ExpectDataError(PngSignature() + Ihdr(1, 2, 8, 2) + idat, "ends before the last row");
  const std::string rows = Deflate(std::string(2 * 4, '\0'));
  ExpectDataError(PngSignature() + Ihdr(1, 2, 8, 2) + PngChunk("IDAT", rows.substr(0, 4)),
                  "truncated");
  // A zlib stream that holds every row but never finishes still decodes:
  // only the rows are needed.
  std::string flushed(64, '\0');
  z_stream z{};
  deflateInit(&z, 9);
  std::string raw = std::string("\0\1\2\3", 4) + std::string("\0\4\5\6", 4);
  z.next_in = reinterpret_cast<Bytef*>(raw.data());
  z.avail_in = uInt(raw.size());
  z.next_out = reinterpret_cast<Bytef*>(flushed.data());
  z.avail_out = uInt(flushed.size());
  deflate(&z, Z_SYNC_FLUSH);
  flushed.resize(flushed.size() - z.avail_out);
  deflateEnd(&z);
  Picture open = DecodePng(PngSignature() + Ihdr(1, 2, 8, 2) + PngChunk("IDAT", flushed) + end);
  EXPECT_EQ(PixelBytes(open), std::string("\3\2\1\6\5\4", 6));
  ExpectDataError(
      PngSignature() + Ihdr(1, 1, 8, 2) + PngChunk("IDAT", "\x78\x9c\xff\xff\xff\xff") + end,
      "damaged");
  ExpectDataError(PngSignature() + Ihdr(1, 1, 8, 2) + PngChunk("IDAT", "\x78\x9c"), "truncated");
  // A chunk length that cannot be true.
  ExpectDataError(PngSignature() + "\xFF\xFF\xFF\xF0IHDR", "length");
}

// Every picture or DataError, never a crash or a read outside the buffers
// (the sanitizer build checks the latter).
void Mangle(const std::string& good, const std::string& name) {
  SCOPED_TRACE(name);
  const size_t step = std::max<size_t>(1, good.size() / 300);
  for (size_t cut = 0; cut < good.size(); cut += step) {
    try {
      DecodePng(good.substr(0, cut));
    } catch (const DataError&) {
    }
  }
  for (size_t at = 8; at < good.size(); at += step) {
    for (uint8_t x : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
      std::string bad = good;
      bad[at] = char(bad[at] ^ x);
      try {
        Picture p = DecodePng(bad);
        EXPECT_LE(int64_t(p.Width()) * p.Height(), kMaxPicturePixels);
      } catch (const DataError&) {
      }
    }
  }
}

TEST(LoadPng, TruncatedOrCorruptFilesGiveAPictureOrDataError) {
  Mangle(ProfilePng(3, 2, 6, std::string(24, '\x40')), "hand-made");
  if (!testing::HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
  testing::TempDir dir;
  for (const auto& [name, bytes] : MakeFixtures(dir))
    if (!bytes.empty()) Mangle(bytes, name);
}

Picture DecodeJpegFile(const std::string& bytes) {
  MemoryStream s("xx" + bytes + "trailing");
  s.Seek(2);
  Picture p;
  LoadJpeg(p, s, int64_t(bytes.size()));
  EXPECT_EQ(s.Position(), int64_t(bytes.size()) + 2);
  return p;
}

TEST(LoadJpeg, DecodesColourGreyAndCmykToBlueGreenRed) {
  if (!testing::HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
  testing::TempDir dir;
  // Red on the left, blue on the right: the byte order must come out B, G, R.
  Picture c = DecodeJpegFile(testing::Convert(
      "-size 64x48 xc:'#FF0000' -fill '#0000FF' -draw 'rectangle 32,0 63,47' -quality 95",
      dir / "c.jpg"));
  ASSERT_EQ(c.Width(), 64);
  ASSERT_EQ(c.Height(), 48);
  ASSERT_FALSE(c.Is32());
  EXPECT_LT(c.Pixel(4, 4)[0], 16);
  EXPECT_GT(c.Pixel(4, 4)[2], 240);
  EXPECT_GT(c.Pixel(60, 40)[0], 240);
  EXPECT_LT(c.Pixel(60, 40)[2], 16);

  Picture g = DecodeJpegFile(
      testing::Convert("-size 33x17 gradient:white-black -colorspace Gray", dir / "g.jpg"));
  ASSERT_EQ(g.Width(), 33);
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x) {
      const uint8_t* px = g.Pixel(x, y);
      ASSERT_TRUE(px[0] == px[1] && px[1] == px[2]);
    }
  EXPECT_GT(g.Pixel(0, 0)[0], 230);
  EXPECT_LT(g.Pixel(0, 16)[0], 25);

  Picture k = DecodeJpegFile(
      testing::Convert("-size 16x16 xc:'#2040E0' -colorspace CMYK -quality 95", dir / "k.jpg"));
  ASSERT_EQ(k.Width(), 16);
  EXPECT_NEAR(k.Pixel(8, 8)[0], 0xE0, 12);
  EXPECT_NEAR(k.Pixel(8, 8)[1], 0x40, 12);
  EXPECT_NEAR(k.Pixel(8, 8)[2], 0x20, 12);
}

TEST(LoadJpeg, RefusedOrDamagedDataGivesDataErrorNotAnExit) {
  try {
    DecodeJpegFile("this is not a JPEG at all");
    ADD_FAILURE() << "no error";
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("JPEG"), std::string::npos);
  }
  EXPECT_THROW(DecodeJpegFile(""), DataError);
  MemoryStream shortStream("\xFF\xD8");
  Picture p;
  EXPECT_THROW(LoadJpeg(p, shortStream, 100), DataError);  // fewer bytes than the entry claims
  EXPECT_THROW(LoadJpeg(p, shortStream, int64_t{1} << 40), DataError);  // refused before allocating

  // A progressive file decodes; the same file with thousands of repeated
  // scans (each a few bytes, each a walk over the whole picture) is damage.
  Picture plain(64, 48, Picture::Format::BGR24, 0);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t* px = plain.Pixel(x, y);
      px[0] = uint8_t(x * 4);
      px[1] = uint8_t(y * 5);
      px[2] = uint8_t((x ^ y) * 3);
    }
  const std::string progressive = testing::EncodeJpeg(plain, 90, true);
  const Picture decoded = DecodeJpegFile(progressive);
  EXPECT_EQ(decoded, DecodeJpegFile(testing::EncodeJpeg(plain, 90)));
  EXPECT_EQ(DecodeJpegFile(testing::RepeatLastJpegScan(progressive, 40)).Width(), 64);
  try {
    DecodeJpegFile(testing::RepeatLastJpegScan(progressive, 5000));
    ADD_FAILURE() << "5000 scans were decoded";
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("scans"), std::string::npos) << e.what();
  }

  if (!testing::HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
  testing::TempDir dir;
  const std::string good =
      testing::Convert("-seed 4 -size 40x30 plasma: -quality 80", dir / "p.jpg");
  ASSERT_FALSE(good.empty());
  const size_t step = std::max<size_t>(1, good.size() / 200);
  for (size_t cut = 0; cut < good.size(); cut += step) {
    try {
      Picture q = DecodeJpegFile(good.substr(0, cut));
      EXPECT_EQ(q.Width(), 40);  // a truncated file is drawn with its missing part filled
    } catch (const DataError&) {
    }
  }
  for (size_t at = 0; at < good.size(); at += step) {
    std::string bad = good;
    bad[at] = char(bad[at] ^ 0x5A);
    try {
      DecodeJpegFile(bad);
    } catch (const DataError&) {
    }
  }
}

}  // namespace
}  // namespace vantel
