#include <gtest/gtest.h>
#include <sys/wait.h>

#include "base/Errors.h"
#include "base/PngWrite.h"
#include "data/ArchiveWriter.h"
#include "graphics/FuncBmpLoader.h"
#include "shell/ClassGlobal.h"
#include "support/ImageFixtures.h"
#include "support/TempDir.h"
#include "support/Vxtool.h"

#include "support/Sanitized.h"

namespace vantel {
namespace {

Picture Solid(int w, int h, Colour c, bool alpha = false) {
  return Picture(w, h, alpha ? Picture::Format::BGRA32 : Picture::Format::BGR24, c);
}

// An image archive and a loose picture folder in a temporary directory, with
// a bare global state for the unlock list.
class LoadImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedDebug_ = DebugMode;
    DebugMode = false;
    Global = &state_;
  }
  void TearDown() override {
    FreeArchives();
    Global = nullptr;
    DebugMode = savedDebug_;
  }
  void OpenArchive(ArchiveWriter& w) {
    w.Write(dir_ / "image.pk2");
    ImageArchive = new TArchive(dir_ / "image.pk2");
    ImageArchive->SetLooseDir(dir_ / "image/");
  }
  testing::TempDir dir_;
  Tglobal state_;
  bool savedDebug_ = false;
};

TEST_F(LoadImageTest, ColourNamesGivePlainPictures) {
  Picture p(3, 3, Picture::Format::BGRA32, 0x123456);
  ASSERT_TRUE(LoadImage(p, "white"));
  ASSERT_EQ(p.Width(), 800);
  ASSERT_EQ(p.Height(), 600);
  ASSERT_FALSE(p.Is32());
  EXPECT_EQ(p.ByteSize(), 800u * 600 * 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.Data()), p.ByteSize()),
            std::string(800 * 600 * 3, '\xFF'));
  ASSERT_TRUE(LoadImage(p, "#102030"));
  for (int y : {0, 599})
    for (int x : {0, 799}) {
      EXPECT_EQ(p.Pixel(x, y)[0], 0x30);
      EXPECT_EQ(p.Pixel(x, y)[1], 0x20);
      EXPECT_EQ(p.Pixel(x, y)[2], 0x10);
    }
  // No archive and no file: the empty name is no colour and nothing is found.
  EXPECT_FALSE(LoadImage(p, ""));
  EXPECT_TRUE(p.Empty());
}

TEST_F(LoadImageTest, ArchiveLookupIgnoresExtensionAndCaseAndPrefersJpeg) {
  ArchiveWriter w(ArchiveWriter::Kind::Raw);
  w.Add("bg01.png", EncodePng(Solid(4, 3, 0x0000FF, true)));
  w.Add("ev01.png", EncodePng(Solid(5, 5, 0x00FF00)));
  w.Add("ev01.jpg", testing::EncodeJpeg(Solid(16, 8, 0xFF0000)));
  w.Add("broken.png", "\x89PNG\r\n\x1a\nnot really");
  OpenArchive(w);

  Picture p;
  ASSERT_TRUE(LoadImage(p, "BG01.PNG"));  // looked up as bg01.jpg, then bg01.png
  EXPECT_EQ(p, Solid(4, 3, 0x0000FF, true));
  EXPECT_EQ(p.Width(), 4);
  EXPECT_TRUE(p.Is32());
  EXPECT_EQ(p.Pixel(0, 0)[2], 0xFF);

  ASSERT_TRUE(LoadImage(p, "ev01.bmp"));  // both kinds stored: the JPEG wins
  EXPECT_EQ(p.Width(), 16);
  EXPECT_FALSE(p.Is32());
  EXPECT_GT(p.Pixel(3, 3)[0], 240);  // blue

  p = Solid(2, 2, 0);
  EXPECT_FALSE(LoadImage(p, "missing"));
  EXPECT_TRUE(p.Empty());
  EXPECT_THROW(LoadImage(p, "broken"), DataError);
  EXPECT_TRUE(state_.Unlocked.Count() == 0);
}

TEST_F(LoadImageTest, ThumbnailCompanionsRecordGalleryPicturesOnce) {
  ArchiveWriter w(ArchiveWriter::Kind::Raw);
  w.Add("ev02.png", EncodePng(Solid(2, 2, 0)));
  w.Add("ev02_s.png", EncodePng(Solid(1, 1, 0)));
  w.Add("ev01.jpg", testing::EncodeJpeg(Solid(8, 8, 0)));
  w.Add("ev01_s.jpg", testing::EncodeJpeg(Solid(8, 8, 0)));
  w.Add("bg01.png", EncodePng(Solid(2, 2, 0)));
  OpenArchive(w);
  dir_.Write("image/ev03.png", EncodePng(Solid(2, 2, 0)));
  dir_.Write("image/ev03_s.png", EncodePng(Solid(1, 1, 0)));

  Picture p;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(LoadImage(p, "EV02"));
    ASSERT_TRUE(LoadImage(p, "ev01.png"));
    ASSERT_TRUE(LoadImage(p, "bg01"));
    ASSERT_TRUE(LoadImage(p, "ev03"));  // a loose thumbnail counts only in debug mode
  }
  ASSERT_EQ(state_.Unlocked.Count(), 2);
  EXPECT_EQ(state_.Unlocked[0], "ev02");  // in the order first shown
  EXPECT_EQ(state_.Unlocked[1], "ev01");

  DebugMode = true;
  ASSERT_TRUE(LoadImage(p, "ev03"));
  ASSERT_EQ(state_.Unlocked.Count(), 3);
  EXPECT_EQ(state_.Unlocked[2], "ev03");

  // Without a global state (tools) nothing is recorded and nothing fails.
  Global = nullptr;
  EXPECT_TRUE(LoadImage(p, "ev02"));
}

TEST_F(LoadImageTest, LooseFilesStayInTheirFolder) {
  ArchiveWriter w(ArchiveWriter::Kind::Raw);
  w.Add("other.png", EncodePng(Solid(1, 1, 0)));
  OpenArchive(w);
  dir_.Write("image/cg.png", EncodePng(Solid(3, 2, 0x00FF00)));
  dir_.Write("image/both.png", EncodePng(Solid(3, 2, 0)));
  dir_.Write("image/both.jpg", testing::EncodeJpeg(Solid(9, 9, 0)));
  dir_.Write("image/Upper.PNG", EncodePng(Solid(7, 1, 0)));
  dir_.Write("image/plain", "no extension");
  dir_.Write("secret.png", EncodePng(Solid(1, 1, 0)));
  dir_.Write("image/sub/deep.png", EncodePng(Solid(1, 1, 0)));

  Picture p;
  ASSERT_TRUE(LoadImage(p, "CG.jpg"));
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(p.Pixel(1, 1)[1], 0xFF);
  ASSERT_TRUE(LoadImage(p, "both"));
  EXPECT_EQ(p.Width(), 9);
  ASSERT_TRUE(LoadImage(p, "upper"));  // the file's own case does not matter
  EXPECT_EQ(p.Width(), 7);
  // A file without a picture extension is not a picture.
  EXPECT_FALSE(LoadImage(p, "plain"));
  EXPECT_TRUE(p.Empty());
  // Names from scripts never leave the picture folder.
  EXPECT_FALSE(LoadImage(p, "../secret"));
  EXPECT_FALSE(LoadImage(p, "sub/deep"));
  EXPECT_FALSE(LoadImage(p, "sub\\deep"));
}

int RunVxtool(const std::string& args) {
  return testing::RunVxtool("image " + args);
}

TEST_F(LoadImageTest, VxtoolWritesThePictureTheLayerWouldShow) {
  ArchiveWriter w(ArchiveWriter::Kind::Raw);
  Picture rgba = Solid(6, 4, 0x204080, true);
  rgba.Pixel(1, 1)[3] = 77;
  w.Add("chara.png", EncodePng(rgba));
  w.Add("bg.jpg", testing::EncodeJpeg(Solid(32, 16, 0x808080)));
  w.Add("bad.png", "garbage");
  OpenArchive(w);
  dir_.Write("folder/loose.png", EncodePng(Solid(3, 3, 0x010203)));

  auto decode = [&](const std::string& file) {
    return testing::LibpngDecode(ReadWholeFile(dir_ / file).value_or(""));
  };
  ASSERT_EQ(RunVxtool(dir_ / "image.pk2" + " CHARA " + dir_ / "a.png"), 0);
  Picture a = decode("a.png");
  EXPECT_TRUE(a.Is32());
  EXPECT_EQ(a, rgba);
  ASSERT_EQ(RunVxtool(dir_ / "image.pk2" + " bg " + dir_ / "b.png"), 0);
  EXPECT_EQ(decode("b.png").Width(), 32);
  EXPECT_FALSE(decode("b.png").Is32());
  ASSERT_EQ(RunVxtool(dir_ / "folder loose " + dir_ / "c.png"), 0);
  EXPECT_EQ(decode("c.png"), Solid(3, 3, 0x010203));
  ASSERT_EQ(RunVxtool(dir_ / "folder '#FF0000' " + dir_ / "d.png"), 0);
  EXPECT_EQ(decode("d.png"), Solid(800, 600, 0x0000FF));

  EXPECT_NE(RunVxtool(dir_ / "image.pk2" + " nothing " + dir_ / "e.png"), 0);
  EXPECT_NE(RunVxtool(dir_ / "image.pk2" + " bad " + dir_ / "e.png"), 0);
  EXPECT_NE(RunVxtool(dir_ / "nowhere.pk2" + " bg " + dir_ / "e.png"), 0);
  EXPECT_FALSE(FileExists(dir_ / "e.png"));

#ifndef VANTEL_SANITIZED  // the sanitizers reserve address space of their own
  // The largest picture accepted, from a small grey PNG: 100 MB of pixels,
  // written out holding them once, not three more times.
  const std::string row = '\0' + std::string(8192, '\x80');
  std::string rows;
  rows.reserve(row.size() * 4096);
  for (int y = 0; y < 4096; ++y) rows += row;
  dir_.Write("folder/big.png", testing::PngSignature() + testing::Ihdr(8192, 4096, 8, 0) +
                                   testing::PngChunk("IDAT", testing::Deflate(rows, 1)) +
                                   testing::PngChunk("IEND", ""));
  rows = std::string();
  const std::string cmd = "ulimit -v 250000; '" + std::string(VANTEL_VXTOOL) + "' image '" +
                          dir_ / "folder' big '" + dir_ / "big.png' >/dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "more than 250 MB to write it";
  EXPECT_GT(FileSize(dir_ / "big.png"), 0);
#endif
}

}  // namespace
}  // namespace vantel
