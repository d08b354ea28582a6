#include "script/ClassCodeRed.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

using Tokens = std::vector<std::pair<Bytes, int32_t>>;

Tokens TokensOf(const TCodeRed& c) {
  Tokens out;
  for (int i = 0; i < c.Count(); ++i) out.emplace_back(c[i], c.Tag(i));
  return out;
}

Tokens Tokenized(std::string_view text) {
  TCodeRed c;
  c.Tokenize(text);
  return TokensOf(c);
}

}  // namespace

TEST(CodeRedTokenize, TagsTextBreaksAndParagraphs) {
  EXPECT_EQ(Tokenized("A<k>\r\n\r\nB\r\n"),
            (Tokens{{"A", 1}, {"<k>", 1}, {"<BR>", 1}, {"<P>", 2}, {"B", 3}, {"<BR>", 3}}));
  // A tag-only line between a text line and an empty line keeps the paragraph pending.
  EXPECT_EQ(Tokenized("a\r\n<bgm src=x>\r\n\r\n\r\nb\r\n"),
            (Tokens{{"a", 1}, {"<BR>", 1}, {"<bgm src=x>", 2}, {"<P>", 3}, {"b", 5}, {"<BR>", 5}}));
  // Blanks are story text, kept exactly as written; empty lines before any text add nothing.
  EXPECT_EQ(Tokenized("\r\n  <k> x \r\n"),
            (Tokens{{"  ", 2}, {"<k>", 2}, {" x ", 2}, {"<BR>", 2}}));
  // '>' inside quotes does not end a tag; '>' outside a tag ends a text run.
  EXPECT_EQ(Tokenized("<a href=\"x>y\">a>b\r\n"),
            (Tokens{{"<a href=\"x>y\">", 1}, {"a>", 1}, {"b", 1}, {"<BR>", 1}}));
  // A quote in story text protects the rest of the line from '<'.
  EXPECT_EQ(Tokenized("say \"hi <k>\r\n<k>\r\n"),
            (Tokens{{"say \"hi <k>", 1}, {"<BR>", 1}, {"<k>", 2}}));
  // An unterminated tag is added at the end of its line, without a <BR>.
  EXPECT_EQ(Tokenized("<image src=a\r\nx\r\n"),
            (Tokens{{"<image src=a", 1}, {"x", 2}, {"<BR>", 2}}));
  // Double-byte text passes whole.
  const Bytes jp = Sjis("表示する");
  EXPECT_EQ(Tokenized(jp + "<P>\r\n"), (Tokens{{jp, 1}, {"<P>", 1}, {"<BR>", 1}}));
  EXPECT_EQ(Tokenized(""), Tokens{});
}

TEST(CodeRedTokenize, EveryLineEndingGivesTheSameTokens) {
  const Tokens want = {{"A", 1}, {"<k>", 1}, {"<BR>", 1}, {"<P>", 2}, {"B", 3}, {"<BR>", 3}};
  EXPECT_EQ(Tokenized("A<k>\n\nB\n"), want);
  EXPECT_EQ(Tokenized("A<k>\r\rB\r"), want);
  EXPECT_EQ(Tokenized("A<k>\r\n\nB\r"), want);
  // Story text on a last line without a line break is kept.
  EXPECT_EQ(Tokenized("A<k>\r\n\r\nB"), want);
  EXPECT_EQ(Tokenized("<k>"), (Tokens{{"<k>", 1}}));
  // LF CR is one line end too; the pairs are taken as they come.
  EXPECT_EQ(Tokenized("A<k>\n\r\n\rB\n\r"), want);
  EXPECT_EQ(Tokenized("a\n\rb\r\n"), (Tokens{{"a", 1}, {"<BR>", 1}, {"b", 2}, {"<BR>", 2}}));
  EXPECT_EQ(Tokenized("a\r\n\rb\n\n\rc\r"), (Tokens{{"a", 1},
                                                    {"<BR>", 1},
                                                    {"<P>", 2},
                                                    {"b", 3},
                                                    {"<BR>", 3},
                                                    {"<P>", 4},
                                                    {"c", 5},
                                                    {"<BR>", 5}}));
}

TEST(CodeRedLoad, ArchiveThenLooseFilesAndChapters) {
  testing::TempDir dir;
  ArchiveWriter w(ArchiveWriter::Kind::PackedText);
  w.Add(Sjis("脚本2_2.vxs"), "from archive\r\n");
  w.Add(Sjis("脚本3.vxs"), "three\r\n");
  w.Write(dir / "script.chs");
  TArchive archive(dir / "script.chs");
  dir.Write("script/extra.vxs", "loose\r\n");
  WritePackedFile(dir / "script/packed.vxs", "packed<k>\r\n");

  TCodeRed c;
  Bytes global;
  c.ScriptArchive = &archive;
  c.ScriptDir = dir / "script/";
  c.GlobalScriptName = &global;
  c.Position = 7;
  c.Load(Sjis("D:\\x\\脚本2_2.VXS"));
  EXPECT_EQ(c.ScriptName, Sjis("脚本2_2"));
  EXPECT_EQ(global, Sjis("脚本2_2"));
  EXPECT_EQ(c.Position, 0);
  EXPECT_EQ(c.ChapterNumber, 2);
  EXPECT_EQ(c.ChapterTitle, Gbk("第二章　旧街灯影"));
  EXPECT_EQ(TokensOf(c), (Tokens{{"from archive", 1}, {"<BR>", 1}}));

  c.Load(Sjis("脚本3"));
  EXPECT_EQ(c.ChapterNumber, 3);
  c.Load("EXTRA.vxs");  // not in the archive: the loose file
  EXPECT_EQ(c.ScriptName, "extra");
  EXPECT_EQ(c.ChapterNumber, 3);  // outside the table: the number stays
  EXPECT_EQ(c.ChapterTitle, "");
  EXPECT_EQ(TokensOf(c), (Tokens{{"loose", 1}, {"<BR>", 1}}));
  c.Load("dir/packed");
  EXPECT_EQ(TokensOf(c), (Tokens{{"packed", 1}, {"<k>", 1}, {"<BR>", 1}}));
  c.Load("nowhere");
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(global, "nowhere");
  // A trail byte 0x5C is not a directory separator.
  c.Load(Sjis("表.vxs"));
  EXPECT_EQ(c.ScriptName, Sjis("表"));
}

TEST(CodeRedLoad, ChapterTable) {
  const char* names[] = {"脚本1",   "脚本2",   "脚本2_2", "脚本3", "脚本4",
                         "脚本4_2", "脚本5_1", "脚本5_2", "脚本6"};
  const int chapters[] = {1, 2, 2, 3, 4, 4, 5, 5, 6};
  for (int i = 0; i < 9; ++i) {
    const ChapterInfo* c = FindChapter(Sjis(names[i]));
    ASSERT_NE(c, nullptr) << i;
    EXPECT_EQ(c->number, i);
    EXPECT_EQ(c->chapter, chapters[i]);
  }
  EXPECT_EQ(Sjis("脚本"), "\x8B\x72\x96\x7B");
  EXPECT_EQ(FindChapter(Sjis("脚本7")), nullptr);
  EXPECT_EQ(FindChapter(Sjis("脚本2_3")), nullptr);
  const char* numerals[] = {"一", "二", "三", "四", "五", "六"};
  for (int ch = 1; ch <= 6; ++ch) {
    const Bytes& t = ChapterTitleOf(ch);
    const Bytes head = Gbk("第") + Gbk(numerals[ch - 1]) + Gbk("章") + "\xA1\xA1";
    EXPECT_EQ(t.substr(0, head.size()), head) << ch;
    const Bytes name = t.substr(head.size());
    EXPECT_EQ(name.size(), ch == 4 ? 10u : 8u) << ch;  // four (five) double-byte characters
    EXPECT_EQ(name.find('?'), Bytes::npos) << ch;      // every character has a GBK form
  }
}

TEST(CodeRedPosition, SaveAndRestore) {
  testing::TempDir dir;
  dir.Write("script/" + std::string("脚本1.vxs"), "a\r\nb\r\n");
  TCodeRed c;
  c.ScriptDir = dir / "script/";
  c.Load(Sjis("脚本1"));
  c.Position = 120;
  EXPECT_EQ(c.PositionString(), Sjis("脚本1") + ",120");

  TCodeRed r;
  r.ScriptDir = c.ScriptDir;
  r.RestorePosition(c.PositionString());
  EXPECT_EQ(r.ScriptName, Sjis("脚本1"));
  EXPECT_EQ(r.Position, 120);
  EXPECT_EQ(r.ChapterNumber, 0);
  EXPECT_EQ(r.Count(), 4);

  // A name with a blank survives through quoting.
  c.ScriptName = "my script";
  c.Position = 3;
  r.RestorePosition(c.PositionString());
  EXPECT_EQ(r.ScriptName, "my script");
  EXPECT_EQ(r.Position, 3);

  // An empty name restores nothing; bad records fail.
  r.RestorePosition(",5");
  EXPECT_EQ(r.Position, 3);
  EXPECT_THROW(r.RestorePosition(""), IndexError);
  EXPECT_THROW(r.RestorePosition("x"), IndexError);
  EXPECT_THROW(r.RestorePosition("x,abc"), ConvertError);
  EXPECT_THROW(r.RestorePosition("x,-2"), DataError);
}

}  // namespace vantel
