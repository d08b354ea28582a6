#include "data/FuncFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/Endian.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "data/CommaText.h"
#include "support/ByteFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using testing::Deflate;

// Text that compresses badly, so its zlib stream spans several input chunks.

}  // namespace

TEST(PackedBlock, RoundTripsAndStopsRightAfterItsStream) {
  for (const std::string& text :
       {std::string(), std::string("MESSAGESTEP=50\r\n"), testing::NoiseBytes(200000, 12345)}) {
    MemoryStream s;
    s.WriteBytes("head");
    int64_t n = WritePackedBlock(s, text);
    EXPECT_EQ(s.Position(), 4 + n);
    s.WriteBytes("TAIL");
    EXPECT_EQ(static_cast<uint8_t>(s.Data()[7]), 0x5A);  // the written mark
    s.Seek(4);
    EXPECT_EQ(ReadPackedBlock(s), text);
    EXPECT_EQ(s.Position(), 4 + n);  // the read-ahead was given back
    char tail[4];
    s.ReadExact(tail, 4);
    EXPECT_EQ(std::string(tail, 4), "TAIL");
  }
}

TEST(PackedBlock, IgnoresTheTopByteOfTheLengthWord) {
  MemoryStream s(Le32(3) + Deflate("abc", 1));
  EXPECT_EQ(ReadPackedBlock(s), "abc");
}

TEST(PackedBlock, BadBlocksFailNamingTheData) {
  const std::string z = Deflate("hello world");
  auto fails = [](std::string bytes, const char* problem) {
    MemoryStream s(std::move(bytes));
    try {
      ReadPackedBlock(s, "save/data3");
      ADD_FAILURE() << "no error for " << problem;
    } catch (const DataError& e) {
      EXPECT_NE(std::string(e.what()).find("save/data3"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
    }
  };
  fails(Le32(0x5A000000 | 11) + z.substr(0, z.size() - 3), "ends after");  // cut short
  fails(Le32(0x5A000000 | 20) + z, "holds 11 bytes, not the 20");          // length too big
  fails(Le32(0x5A000000 | 5) + z, "more than the 5");                      // length too small
  std::string bad = z;
  bad[5] ^= 0x55;
  fails(Le32(0x5A000000 | 11) + bad, "");  // any clear error will do
  std::string badCheck = z;
  badCheck.back() ^= 1;  // Adler-32 trailer
  fails(Le32(0x5A000000 | 11) + badCheck, "damaged");
  fails("ab", "unexpected end");
  // The largest length is accepted by construction but must still match.
  fails(Le32(0x5AFFFFFF) + z + std::string(20000, '\0'), "not the 16777215");
}

TEST(PackedBlock, LengthsNoDataCouldHoldFailBeforeInflating) {
  const std::string z = Deflate("hello world");
  auto message = [](std::string bytes, size_t limit) -> std::string {
    MemoryStream s(std::move(bytes));
    try {
      ReadPackedBlock(s, "name list", limit);
    } catch (const DataError& e) {
      return e.what();
    }
    return "read";
  };
  EXPECT_EQ(message(Le32(11) + z, 11), "read");
  EXPECT_NE(message(Le32(11) + z, 10).find("unpacks to 11 bytes"), std::string::npos);
  // 16 MB stated by a block of a few bytes: deflate cannot expand that far.
  EXPECT_NE(message(Le32(0xFFFFFF) + z, kMaxPackedLength).find("more than the 19 bytes"),
            std::string::npos);
  // The largest expansion deflate really reaches still reads.
  const std::string breaks(kMaxPackedLength, '\n');
  EXPECT_EQ(message(Le32(0xFFFFFF) + Deflate(breaks), kMaxPackedLength), "read");

  // Files: a text over the caller's limit fails, packed or plain, and a
  // file far over it is refused unread.
  testing::TempDir dir;
  WritePackedFile(dir / "packed", breaks);
  EXPECT_LT(ReadWholeFile(dir / "packed")->size(), 20000u);
  EXPECT_EQ(ReadPackedFile(dir / "packed").size(), kMaxPackedLength);
  EXPECT_THROW(ReadPackedFile(dir / "packed", 1 << 20), DataError);
  dir.Write("plain", std::string(3000, 'x'));
  EXPECT_EQ(ReadPackedFile(dir / "plain", 3000).size(), 3000u);
  EXPECT_THROW(ReadPackedFile(dir / "plain", 2999), DataError);
  EXPECT_THROW(ReadPackedFile(dir / "plain", 100), DataError);
  EXPECT_EQ(ReadPackedFile(dir / "none", 100), "");
}

TEST(PackedBlock, RefusesTextTooLongForTheLengthWord) {
  MemoryStream s;
  EXPECT_THROW(WritePackedBlock(s, std::string(kMaxPackedLength + 1, 'a')), DataError);
  EXPECT_EQ(s.Size(), 0);
}

TEST(PackedFile, ReadsPackedAndPlainFiles) {
  testing::TempDir dir;
  EXPECT_EQ(ReadPackedFile(dir / "none"), "");
  dir.Write("short", "ab");
  EXPECT_EQ(ReadPackedFile(dir / "short"), "ab");
  dir.Write("plain", "[]\r\nA=1\r\n");
  EXPECT_EQ(ReadPackedFile(dir / "PLAIN"), "[]\r\nA=1\r\n");
  // A plain file whose fourth byte is 'Z' is taken as packed and cannot be read.
  dir.Write("z", "abcZ and more");
  EXPECT_THROW(ReadPackedFile(dir / "z"), DataError);

  WritePackedFile(dir / "empty", "");
  auto bytes = ReadWholeFile(dir / "empty");
  EXPECT_EQ(bytes->substr(0, 4), Le32(0x5A000000));
  EXPECT_EQ(bytes->substr(4), Deflate(""));
  EXPECT_EQ(ReadPackedFile(dir / "empty"), "");
}

TEST(PackedFile, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
  // A FIFO has no writer to wait for and /dev/zero never ends: both are
  // refused at once, and so is a file larger than its kind may be.
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir / "zero");
  for (const char* name : {"fifo", "zero"}) {
    EXPECT_THROW(ReadPackedFile(dir / name, 1 << 20), DataError) << name;
    EXPECT_THROW(ReadWholeFile(dir / name), DataError) << name;
    EXPECT_THROW(FileStream(dir / name, FileStream::Mode::Read), DataError) << name;
  }
  dir.Write("big", std::string(5000, 'x'));
  EXPECT_THROW(ReadPackedFile(dir / "big", 1000), DataError);
  EXPECT_THROW(ReadWholeFile(dir / "big", 4999), DataError);
  EXPECT_EQ(ReadWholeFile(dir / "big", 5000)->size(), 5000u);
}

TEST(PackedFile, RewritingReplacesTheWholeFile) {
  testing::TempDir dir;
  WritePackedFile(dir / "inf.dat", testing::NoiseBytes(5000, 12345));
  WritePackedFile(dir / "INF.DAT", "short");
  EXPECT_EQ(ReadPackedFile(dir / "inf.dat"), "short");
  EXPECT_EQ(ListDirectory(dir.Path()), std::vector<std::string>{"inf.dat"});
  EXPECT_THROW(WritePackedFile(dir / "no/such/dir", "x"), FileError);
}

TEST(ColorOf, NamesAndHexadecimal) {
  EXPECT_EQ(ColorOf("white"), 0xFFFFFF);
  EXPECT_EQ(ColorOf("blue"), 0xFF0000);
  EXPECT_EQ(ColorOf("gray"), 0x808080);
  EXPECT_EQ(ColorOf("White"), -1);
  EXPECT_EQ(ColorOf(""), -1);
  EXPECT_EQ(ColorOf("bg01"), -1);
  EXPECT_EQ(ColorOf("#FF0000"), 255);
  EXPECT_EQ(ColorOf("#ff8000"), 0x0080FF);
  EXPECT_EQ(ColorOf("#12"), 0x12);
  EXPECT_EQ(ColorOf("#1234"), 0x3412);
  EXPECT_EQ(ColorOf("#XYZXYZ"), 0);
  EXPECT_EQ(ColorOf("#"), 0);
  EXPECT_EQ(ColorOf("#-1"), 0);
}

TEST(TextHelpers, CommaFieldAndCopyRange) {
  EXPECT_EQ(CommaField("a,b z", 2), "z");
  EXPECT_EQ(CommaField("a", 1), "");
  // Splitting stops at the fields asked for (a record of a million commas
  // costs no more than its head).
  EXPECT_EQ(SplitCommaText("a,\"b,c\",d,e", 2), (std::vector<Bytes>{"a", "b,c"}));
  EXPECT_EQ(SplitCommaText("a,", 1), std::vector<Bytes>{"a"});
  EXPECT_EQ(SplitCommaText("a,", 2), (std::vector<Bytes>{"a", ""}));
  EXPECT_EQ(CommaField(std::string(1 << 20, ',') + "x", 1), "");
  EXPECT_EQ(CopyRange("abcdef", 2, 4), "bcd");
  EXPECT_EQ(CopyRange("abcdef", 0, 2), "ab");
  EXPECT_EQ(CopyRange("abcdef", 5, 99), "ef");
  EXPECT_EQ(CopyRange("abcdef", 4, 3), "");
  EXPECT_EQ(CopyRange("abc", 7, 9), "");
}

}  // namespace vantel
