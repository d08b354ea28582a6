#include "data/ClassArchive.h"

#include <gtest/gtest.h>

#include "base/Endian.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/FuncFile.h"
#include "support/ByteFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

std::string Packed(std::string_view text, int level = 9) {
  return Le32(text.size() | 0x5A000000) + testing::Deflate(text, level);
}

// An archive built by hand: header, name list, directory header with D,
// then the entries' data; offsets in `dir` are relative to the data start
// unless absolute is set.
constexpr int64_t kDefaultD = INT64_MIN;  // D = 12 x the entries given
struct RawEntry {
  int64_t offset, size;
};
std::string Build(std::string_view names, const std::vector<RawEntry>& dir, std::string_view data,
                  int64_t d = kDefaultD, bool absolute = false) {
  std::string head = "HEADER!!" + Packed(names);
  if (d == kDefaultD) d = dir.size() * 12;
  const int64_t dataAt = head.size() + 8 + dir.size() * 12;
  std::string out = head + Le32(0) + Le32(d);
  for (const auto& e : dir)
    out += Le32(absolute ? e.offset : dataAt + e.offset) + Le32(e.size) + Le32(7);
  return out + std::string(data);
}

std::string ReadFrom(TArchive& a, std::string_view name) {
  std::string bytes(static_cast<size_t>(a.EntrySize(name)), '\0');
  a.Stream()->ReadExact(bytes.data(), bytes.size());
  return bytes;
}

}  // namespace

TEST(Archive, WrittenScriptArchiveReadsBack) {
  testing::TempDir dir;
  const Bytes script = Sjis("脚本1.vxs");
  const std::string text = Sjis("<P>吾輩は猫である。\r\n");
  ArchiveWriter w(ArchiveWriter::KindFor(dir / "script.chs"));
  w.Add(script, text);
  w.Add("TextBox.ini", "[BOX0]\r\nBoxLeft=12\r\n");
  w.Add("notes.txt", "raw bytes");
  w.Write(dir / "script.chs");

  TArchive a(dir / "SCRIPT.CHS");
  EXPECT_EQ(a.IndexOf(script), 0);
  EXPECT_EQ(a.IndexOf("TEXTBOX.INI"), 1);
  EXPECT_EQ(a.IndexOf("textbox.ini"), 1);
  EXPECT_EQ(a.IndexOf("save\\textbox.ini"), -1);
  EXPECT_EQ(a.IndexOf(""), -1);
  EXPECT_EQ(a.ReadText(script), text);
  EXPECT_EQ(a.ReadText("textbox.INI"), "[BOX0]\r\nBoxLeft=12\r\n");
  EXPECT_EQ(a.ReadText("missing.vxs"), "");
  EXPECT_GE(a.EntryOffset("notes.txt"), 12);
  EXPECT_EQ(a.EntrySize("notes.txt"), 9);
  ASSERT_TRUE(a.SelectEntry("NOTES.TXT"));
  EXPECT_EQ(ReadFrom(a, "notes.txt"), "raw bytes");
  auto entries = a.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].name, "textbox.ini");  // stored names are lower-cased
  // Picture archives keep everything raw.
  EXPECT_EQ(ArchiveWriter::KindFor("image.pk2"), ArchiveWriter::Kind::Raw);
  EXPECT_FALSE(ArchiveWriter::IsPackedEntry(ArchiveWriter::Kind::Raw, "a.vxs"));
}

TEST(Archive, LowerCasingStepsOverDoubleByteCharacters) {
  // 83 41 and 83 61 are two different katakana; only real ASCII letters fold.
  testing::TempDir dir;
  dir.Write("a.pk2", Build("\x83\x41.PNG\r\nB.png", {{0, 1}, {1, 1}}, "xy"));
  TArchive a(dir / "a.pk2");
  EXPECT_EQ(a.IndexOf("\x83\x41.png"), 0);
  EXPECT_EQ(a.IndexOf("\x83\x61.png"), -1);
  EXPECT_EQ(a.IndexOf("b.PNG"), 1);
}

TEST(Archive, DirectoryCountsAndExtraNames) {
  testing::TempDir dir;
  // D = 25 gives two entries; the third name has none and is absent.
  dir.Write("a.pk2", Build("one\r\ntwo\rthree\n", {{0, 1}, {1, 1}, {2, 1}}, "abc", 25));
  TArchive a(dir / "a.pk2");
  EXPECT_EQ(a.IndexOf("two"), 1);
  EXPECT_EQ(a.IndexOf("three"), -1);
  EXPECT_EQ(a.EntryOffset("three"), 0);
  // Duplicate names: the first wins. A blank name line is never found.
  dir.Write("b.pk2", Build("x\r\n\r\nx\r\n", {{0, 1}, {1, 1}, {2, 1}}, "abc"));
  TArchive b(dir / "b.pk2");
  EXPECT_EQ(b.IndexOf("X"), 0);
  EXPECT_EQ(b.IndexOf(""), -1);
  // Negative or short D: no entries.
  for (int64_t d : {-12, 0, 11}) {
    dir.Write("c.pk2", Build("x", {{0, 1}}, "a", d));
    EXPECT_EQ(TArchive(dir / "c.pk2").IndexOf("x"), -1) << d;
  }
  // D far past the end of the file: only the entries the file holds.
  dir.Write("d.pk2", Build("x\r\ny", {{0, 1}}, "", 0x7FFFFFF0));
  TArchive d(dir / "d.pk2");
  EXPECT_EQ(d.IndexOf("y"), -1);
}

TEST(Archive, EntriesOutsideTheFileAreAbsent) {
  testing::TempDir dir;
  std::string names = "ok\r\nneg\r\nzero\r\nbig\r\npast\r\nnegsize";
  // Offsets are absolute here: the data's place is known from a first build.
  const int64_t dataAt = Build(names, std::vector<RawEntry>(6), "data").size() - 4;
  std::string f = Build(
      names, {{dataAt, 4}, {-5, 1}, {0, 1}, {dataAt, 0x7FFFFFFF}, {dataAt + 2, 4}, {dataAt, -1}},
      "data", kDefaultD, true);
  dir.Write("a.pk2", f);
  TArchive a(dir / "a.pk2");
  EXPECT_EQ(a.IndexOf("ok"), 0);
  ASSERT_TRUE(a.SelectEntry("ok"));
  EXPECT_EQ(ReadFrom(a, "ok"), "data");
  for (const char* n : {"neg", "zero", "big", "past", "negsize"}) {
    EXPECT_EQ(a.IndexOf(n), -1) << n;
    EXPECT_EQ(a.EntrySize(n), 0) << n;
    EXPECT_FALSE(a.SelectEntry(n)) << n;
  }
  EXPECT_EQ(a.Entries().size(), 1u);
}

TEST(Archive, ScriptEntriesNeedOnlyTheirOffsetAndCutFilesCountWhatIsMissing) {
  testing::TempDir dir;
  const std::string a = Packed("<P>a\r\n"), b = Packed("<P>b\r\n");
  // Sizes as other tools write them: the unpacked length, zero, garbage.
  const std::string f =
      Build("a.vxs\r\nb.vxs\r\ntextbox.ini\r\nraw.txt\r\nfar.vxs",
            {{0, 999999}, {int64_t(a.size()), 0}, {0, -7}, {0, 4000}, {1 << 20, 4}}, a + b);
  dir.Write("script.chs", f);
  dir.Write("copy.pk2", f);
  TArchive s(dir / "script.chs");
  EXPECT_EQ(s.ReadText("a.vxs"), "<P>a\r\n");
  EXPECT_EQ(s.ReadText("B.VXS"), "<P>b\r\n");
  EXPECT_GE(s.IndexOf("textbox.ini"), 0);
  EXPECT_EQ(s.IndexOf("raw.txt"), -1);  // raw bytes: all of them must be there
  EXPECT_EQ(s.IndexOf("far.vxs"), -1);  // its offset is past the end
  EXPECT_EQ(s.MissingEntries(), 2);
  // A packed entry's size never reaches past the end of the file.
  ASSERT_TRUE(s.SelectEntry("a.vxs"));
  EXPECT_EQ(s.EntrySize("a.vxs"), int64_t(a.size() + b.size()));
  // The same bytes as a picture or sound archive keep the size check, and
  // a script archive of any name can be opened as one.
  TArchive p(dir / "copy.pk2");
  EXPECT_EQ(p.IndexOf("b.vxs"), 1);
  EXPECT_EQ(p.IndexOf("a.vxs"), -1);
  EXPECT_EQ(p.MissingEntries(), 4);
  EXPECT_EQ(TArchive(dir / "copy.pk2", TArchive::Contents::PackedText).ReadText("a.vxs"),
            "<P>a\r\n");

  // An archive cut in half: its directory is whole, its data is not.
  ArchiveWriter w(ArchiveWriter::Kind::Raw);
  for (int i = 0; i < 10; ++i) w.Add("p" + std::to_string(i) + ".png", std::string(1000, 'x'));
  w.Write(dir / "image.pk2");
  const std::string whole = *ReadWholeFile(dir / "image.pk2");
  dir.Write("image.pk2", whole.substr(0, whole.size() / 2));
  TArchive cut(dir / "image.pk2");
  EXPECT_EQ(cut.Entries().size(), 4u);
  EXPECT_EQ(cut.MissingEntries(), 6);
  EXPECT_EQ(TArchive(dir / "copy.pk2").MissingEntries(), 4);
  // Names the directory declares but the file cut off count too; names
  // beyond the declared directory do not.
  dir.Write("d.pk2", Build("x\r\ny\r\nz", {{0, 1}}, "a", 24));
  TArchive d(dir / "d.pk2");
  EXPECT_EQ(d.IndexOf("x"), 0);
  EXPECT_EQ(d.MissingEntries(), 1);
}

TEST(Archive, NameListsNoArchiveOfThisSizeCouldUseAreDamage) {
  testing::TempDir dir;
  // 16 MB of line breaks pack into about 16 kB: far more names than a file
  // of that size has directory entries for.
  const std::string breaks(kMaxPackedLength, '\n');
  dir.Write("a.pk2",
            "HEADER!!" + Packed(breaks) + Le32(0) + Le32(12) + Le32(1) + Le32(0) + Le32(0));
  try {
    TArchive a(dir / "a.pk2");
    ADD_FAILURE();
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("a.pk2: name list"), std::string::npos) << e.what();
  }
  // A long list of real names beyond a small directory still opens, and
  // keeps only the names that have entries.
  std::string names = "first\r\n";
  for (int i = 0; i < 20000; ++i) names += "n" + std::to_string(i) + "\r\n";
  dir.Write("b.pk2", Build(names, {{0, 2}}, "hi"));
  TArchive b(dir / "b.pk2");
  EXPECT_EQ(b.IndexOf("first"), 0);
  EXPECT_EQ(b.IndexOf("n0"), -1);
  EXPECT_EQ(b.Entries().size(), 1u);
  EXPECT_EQ(b.MissingEntries(), 0);
}

TEST(Archive, ReadAheadIsGivenBackAfterTheNameList) {
  // A stored (level 0) name list of 4 086 bytes makes a 4 097-byte zlib stream.
  std::string names;
  for (int i = 0; names.size() < 4086; ++i) names += "n" + std::to_string(i) + "\r\n";
  names.resize(4086);
  names[4085] = 'z';
  std::string packed = Packed(names, 0);
  ASSERT_EQ(packed.size(), 4 + 4097u);
  std::string head = "HEADER!!" + packed;
  const int64_t dataAt = head.size() + 8 + 12;
  testing::TempDir dir;
  dir.Write("a.pk2", head + Le32(0) + Le32(12) + Le32(dataAt) + Le32(2) + Le32(0) + "hi");
  TArchive a(dir / "a.pk2");
  EXPECT_EQ(a.IndexOf("n0"), 0);
  EXPECT_EQ(a.EntryOffset("n0"), dataAt);
  EXPECT_EQ(a.IndexOf("n1"), -1);  // beyond the one directory entry
}

TEST(Archive, MissingArchiveFallsBackToLooseFiles) {
  testing::TempDir dir;
  dir.Write("sound/Voice 1.wav", "RIFF....");
  dir.Write("sound/音.wav", "RIFFjp");
  TArchive a(dir / "sound.pk2");
  EXPECT_EQ(a.IndexOf("x.vxs"), -1);
  EXPECT_EQ(a.EntryOffset("x.vxs"), 0);
  EXPECT_EQ(a.ReadText("x.vxs"), "");
  EXPECT_EQ(a.Stream(), nullptr);
  EXPECT_EQ(a.EntrySize("voice 1.wav"), 0);  // relative to the working directory
  a.SetLooseDir(dir / "sound/");
  EXPECT_EQ(a.EntrySize("voice 1.wav"), 8);
  // Select, then size, then read: the size lookup leaves the selected file alone.
  ASSERT_TRUE(a.SelectEntry(Sjis("音.wav")));
  EXPECT_EQ(ReadFrom(a, Sjis("音.wav")), "RIFFjp");
  ASSERT_TRUE(a.SelectEntry("VOICE 1.WAV"));
  vantel::Stream* s = a.Stream();
  EXPECT_FALSE(a.SelectEntry("none.wav"));
  EXPECT_EQ(a.Stream(), s);
  EXPECT_EQ(ReadFrom(a, "voice 1.wav"), "RIFF....");
  // Names from data never leave the loose directory.
  dir.Write("secret.wav", "no");
  EXPECT_FALSE(a.SelectEntry("../secret.wav"));
  EXPECT_FALSE(a.SelectEntry("..\\secret.wav"));
  EXPECT_EQ(a.EntrySize("../secret.wav"), 0);
  EXPECT_FALSE(a.SelectEntry(""));
}

TEST(Archive, DamagedArchivesFailClearlyOrHideTheEntry) {
  testing::TempDir dir;
  ArchiveWriter w(ArchiveWriter::Kind::PackedText);
  w.Add("a.vxs", std::string(3000, 'a') + "tail");
  w.Add("b.png", "rawpicturebytes");
  w.Write(dir / "good.chs");
  const std::string good = *ReadWholeFile(dir / "good.chs");

  // Opens a damaged archive and uses every entry it still finds: either a
  // DataError naming the file, or entries whose bytes all lie in the file.
  auto probe = [&](const std::string& bytes) -> bool {
    dir.Write("m.chs", bytes);
    try {
      TArchive a(dir / "m.chs");
      for (const auto& e : a.Entries()) {
        EXPECT_TRUE(a.SelectEntry(e.name));
        std::string raw(static_cast<size_t>(a.EntrySize(e.name)), '\0');
        a.Stream()->ReadExact(raw.data(), raw.size());  // never past the end
        try {
          a.ReadText(e.name);
        } catch (const DataError&) {
        }
      }
      return a.IndexOf("b.png") >= 0;
    } catch (const DataError& e) {
      EXPECT_NE(std::string(e.what()).find("m.chs"), std::string::npos) << e.what();
      return false;
    }
  };
  for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(probe(good.substr(0, cut))) << cut;
  uint32_t x = 7;
  for (int round = 0; round < 300; ++round) {
    std::string m = good;
    for (int k = 0; k < 3; ++k) {
      x = x * 1103515245 + 12345;
      m[(x >> 8) % m.size()] ^= static_cast<char>(1 + (x >> 24) % 255);
    }
    probe(m);
  }

  // A damaged name list names the file and the name list.
  std::string bad = good;
  bad[14] ^= 0x40;
  dir.Write("bad.chs", bad);
  try {
    TArchive a(dir / "bad.chs");
    ADD_FAILURE();
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("bad.chs: name list"), std::string::npos) << e.what();
  }

  // A damaged script entry fails when read, naming the archive and the entry.
  TArchive a(dir / "good.chs");
  std::string broken = good;
  broken[a.EntryOffset("a.vxs") + 8] ^= 0x21;
  dir.Write("broken.chs", broken);
  TArchive b(dir / "broken.chs");
  try {
    b.ReadText("a.vxs");
    ADD_FAILURE();
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("broken.chs: entry a.vxs"), std::string::npos) << e.what();
  }
}

TEST(ArchiveWriter, RefusesNamesItCannotStore) {
  ArchiveWriter w(ArchiveWriter::Kind::Raw);
  w.Add("a.png", "");
  EXPECT_THROW(w.Add("A.PNG", ""), DataError);
  for (const char* bad : {"", "a/b.png", "a\\b.png", "..", "x\r\ny"})
    EXPECT_THROW(w.Add(bad, ""), DataError) << bad;
  testing::TempDir dir;
  w.AddFile("b.png", dir / "missing");
  dir.Write("out.pk2", "previous");
  EXPECT_THROW(w.Write(dir / "out.pk2"), FileError);
  EXPECT_EQ(ReadWholeFile(dir / "out.pk2"), "previous");
  EXPECT_EQ(ListDirectory(dir.Path()).size(), 1u);  // no temporary file left behind
}

}  // namespace vantel
