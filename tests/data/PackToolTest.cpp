// The archive commands of vxtool, run as a program.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/Endian.h"
#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "support/ByteFixtures.h"
#include "support/TempDir.h"
#include "support/Vxtool.h"

namespace vantel {
namespace {

int RunVxTool(const std::string& args, const testing::TempDir& dir) {
  return testing::RunVxtool(args, dir / "out.txt", dir / "err.txt");
}

// An archive as a hostile or damaged one may be: any names, and entries
// that may all point at the same bytes (`data`, stored once after the
// directory).
std::string RawArchive(const std::vector<Bytes>& names, const std::string& data) {
  Bytes list;
  for (const Bytes& n : names) list += n + "\r\n";
  std::string out = std::string(kArchiveMagic, 8) + Le32(uint32_t(list.size()) | kPackedMark) +
                    testing::Deflate(list) + "VDIR" + Le32(uint32_t(names.size() * 12));
  const uint32_t at = uint32_t(out.size() + names.size() * 12);
  for (size_t i = 0; i < names.size(); ++i) out += Le32(at) + Le32(uint32_t(data.size())) + Le32(0);
  return out + data;
}

}  // namespace

TEST(PackTool, PackUnpackGivesBackTheSameFiles) {
  testing::TempDir dir;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"脚本1.vxs",
       "<P>"
       "\x8C\xE1\x94\x79"
       "\r\n<k>\r\n"},
      {"textbox.ini", "[BOX0]\r\nBOXLEFT=12\r\n"},
      {"表紙.png", testing::NoiseBytes(70000, 99)},
      {"ソ.txt", std::string("\0\1\2", 3)},
      {"empty.vxs", ""}};
  for (const auto& [name, bytes] : files) dir.Write("src/" + name, bytes);
  for (const char* archive : {"script.chs", "image.pk2"}) {
    ASSERT_EQ(RunVxTool("pack " + dir / "src " + dir / archive, dir), 0)
        << *ReadWholeFile(dir / "err.txt");
    const std::string out = dir / (std::string(archive) + ".out");
    ASSERT_EQ(RunVxTool("unpack " + dir / archive + " " + out, dir), 0)
        << *ReadWholeFile(dir / "err.txt");
    EXPECT_EQ(ListDirectory(out).size(), files.size());
    for (const auto& [name, bytes] : files)
      EXPECT_EQ(ReadWholeFile(out + "/" + name), bytes) << name;
  }
  // Script entries are packed text, picture archives hold raw bytes.
  TArchive script(dir / "script.chs");
  EXPECT_EQ(script.ReadText(Sjis("脚本1.vxs")), files[0].second);
  TArchive image(dir / "image.pk2");
  EXPECT_EQ(image.EntrySize(Sjis("脚本1.vxs")), static_cast<int64_t>(files[0].second.size()));

  ASSERT_EQ(RunVxTool("list " + dir / "image.pk2", dir), 0);
  const std::string listing = *ReadWholeFile(dir / "out.txt");
  EXPECT_NE(listing.find("表紙.png\t70000\t"), std::string::npos) << listing;
}

TEST(PackTool, NamesWithoutACodePage932FormAreRefused) {
  testing::TempDir dir;
  dir.Write("src/ok.png", "x");
  dir.Write("src/smile😀.png", "x");
  EXPECT_NE(RunVxTool("pack " + dir / "src " + dir / "image.pk2", dir), 0);
  EXPECT_NE(ReadWholeFile(dir / "err.txt")->find("smile😀.png"), std::string::npos);
  EXPECT_FALSE(FileExists(dir / "image.pk2"));
  EXPECT_NE(RunVxTool("list " + dir / "none.pk2", dir), 0);
}

TEST(PackTool, UnpackKeepsEveryNameApartAndStopsAtItsBound) {
  testing::TempDir dir;
  // Names that are no code page 932 text get a file each, and pack reads
  // them back; an unsafe name, or one too long for the disk once escaped, is
  // skipped, told and not counted, the entries after it still written.
  const std::vector<Bytes> names = {"a\x80.png", "a\x85\x20.png", "..", std::string(60, '\x80'),
                                    "\x81\x40"
                                    "b.png"};
  dir.Write("in.pk2", RawArchive(names, "pixels"));
  EXPECT_EQ(RunVxTool("unpack " + dir / "in.pk2 " + dir / "out", dir), 1);
  EXPECT_NE(ReadWholeFile(dir / "err.txt")->find("skipping .."), std::string::npos);
  EXPECT_NE(ReadWholeFile(dir / "err.txt")->find("skipping \uFFFD80\uFFFD80"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(dir / "out.txt"), "3 entries written to " + dir / "out/\n");
  EXPECT_EQ(ListDirectory(dir / "out"),
            (std::vector<std::string>{"a\uFFFD80.png", "a\uFFFD85\uFFFD20.png", "\u3000b.png"}));
  ASSERT_EQ(RunVxTool("pack " + dir / "out " + dir / "again.pk2", dir), 0);
  ASSERT_EQ(RunVxTool("list " + dir / "in.pk2", dir), 0);
  EXPECT_NE(ReadWholeFile(dir / "out.txt")->find("a\uFFFD80.png\t6\t"), std::string::npos);
  TArchive again(dir / "again.pk2");
  for (const Bytes& name : {names[0], names[1], names[4]})
    EXPECT_EQ(again.EntrySize(name), 6) << ToUtf8(name);

  // 200 script entries over one block that unpacks to 64 KiB: 12.8 MB from
  // a 5 kB archive. Unpack stops before the bound (64 times the archive, at
  // least 1 MiB), or before the one given.
  std::vector<Bytes> scripts;
  for (int i = 0; i < 200; ++i) scripts.push_back("s" + std::to_string(i) + ".vxs");
  const std::string text(65536, 'x');
  dir.Write("script.chs", RawArchive(scripts, Le32(uint32_t(text.size()) | kPackedMark) +
                                                  testing::Deflate(text)));
  EXPECT_EQ(RunVxTool("unpack " + dir / "script.chs " + dir / "s", dir), 1);
  EXPECT_NE(ReadWholeFile(dir / "err.txt")->find("1048576 bytes"), std::string::npos)
      << *ReadWholeFile(dir / "err.txt");
  EXPECT_EQ(ListDirectory(dir / "s").size(), 16u);
  EXPECT_EQ(RunVxTool("unpack --max-bytes 1200000 " + dir / "script.chs " + dir / "s", dir), 1);
  EXPECT_NE(ReadWholeFile(dir / "err.txt")->find("1200000 bytes (--max-bytes)"), std::string::npos);
  EXPECT_EQ(ListDirectory(dir / "s").size(), 18u);
}

// A wrong command line ends with status 2 and the usage on standard error;
// --help answers on standard output with status 0; a failed command is 1.
TEST(VxtoolCommandLine, HelpUsageFaultsAndFailuresAreTold) {
  testing::TempDir dir;
  auto out = [&] { return ReadWholeFile(dir / "out.txt").value_or(""); };
  auto err = [&] { return ReadWholeFile(dir / "err.txt").value_or(""); };
  EXPECT_EQ(RunVxTool("--help", dir), 0);
  for (const char* command : {"pack ", "unpack ", "list ", "lint ", "image ", "sound "})
    EXPECT_NE(out().find(std::string("vxtool ") + command), std::string::npos) << command;
  EXPECT_EQ(RunVxTool("--version", dir), 0);
  EXPECT_EQ(out().rfind("vxtool ", 0), 0u);
  for (const char* command : {"pack", "unpack", "list", "lint", "image", "sound"}) {
    EXPECT_EQ(RunVxTool(std::string(command) + " --help", dir), 0) << command;
    EXPECT_EQ(out().rfind(std::string("usage: vxtool ") + command + " ", 0), 0u) << out();
    EXPECT_EQ(err(), "");
  }
  for (const char* wrong :
       {"", "frobnicate", "pack onlyone", "pack a b --force", "unpack", "list a b", "lint",
        "lint a b", "lint a --images", "lint a --bogus", "image a b", "sound a b",
        "unpack a b --max-bytes", "unpack a b --max-bytes 0", "sound a b c --loops",
        "sound a b c --loops x", "sound a b c --bogus 1"}) {
    EXPECT_EQ(RunVxTool(wrong, dir), 2) << wrong;
    EXPECT_NE(err().find("usage: vxtool "), std::string::npos) << wrong << ": " << err();
    EXPECT_EQ(out(), "") << wrong;
  }
  EXPECT_EQ(RunVxTool("list " + dir / "missing.pk2", dir), 1);
  EXPECT_EQ(err().find("usage"), std::string::npos) << err();
}

}  // namespace vantel
