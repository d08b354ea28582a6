#include "data/ClassSList.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "data/FuncFile.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

TSlist Lines(std::initializer_list<const char*> lines) {
  TSlist l;
  for (const char* s : lines) l.Add(s);
  return l;
}

std::vector<Bytes> All(const TSlist& l) {
  std::vector<Bytes> out;
  for (int i = 0; i < l.Count(); ++i) out.push_back(l[i]);
  return out;
}

using V = std::vector<Bytes>;

}  // namespace

TEST(SList, ListOperationsAndIndexErrors) {
  TSlist l = Lines({"b", "c"});
  l.Insert(0, "a");
  l.Insert(3, "d");
  EXPECT_EQ(All(l), (V{"a", "b", "c", "d"}));
  l.Delete(1);
  EXPECT_EQ(All(l), (V{"a", "c", "d"}));
  EXPECT_EQ(l.IndexOf("C"), 1);
  EXPECT_EQ(l.IndexOf("x"), -1);
  // Trail byte 0x41 ('A') is not a letter: these two characters differ.
  l.Add("\x83\x41");
  EXPECT_EQ(l.IndexOf("\x83\x61"), -1);
  EXPECT_EQ(l.IndexOf("\x83\x41"), 3);
  EXPECT_THROW(l.Strings(4), IndexError);
  EXPECT_THROW(l.Delete(-1), IndexError);
  EXPECT_THROW(l.Insert(6, "x"), IndexError);
  EXPECT_THROW(l.Tag(9), IndexError);
  EXPECT_THROW(l.SetField(7, 0, "x"), IndexError);
}

TEST(SList, TextSplitsOnEveryLineBreakKind) {
  TSlist l;
  l.SetText("a\r\nb\rc\nd\r\n\r\ne");
  EXPECT_EQ(All(l), (V{"a", "b", "c", "d", "", "e"}));
  l.SetText("one\r\n");
  EXPECT_EQ(All(l), (V{"one"}));
  l.SetText("x\n\ry");  // LF then CR: two breaks
  EXPECT_EQ(All(l), (V{"x", "", "y"}));
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(Lines({"a", ""}).Text(), "a\r\n\r\n");
}

TEST(SList, SettingsReads) {
  TSlist l = Lines({"[]", "MESSAGESTEP=30"});
  EXPECT_EQ(l.ReadInteger("", "MessageStep", 50), 30);
  EXPECT_EQ(TSlist().ReadInteger("", "MessageStep", 50), 50);
  EXPECT_EQ(Lines({"[]", "MESSAGESTEP="}).ReadInteger("", "MessageStep", 50), 50);

  TSlist box =
      Lines({"[BOX0] ", "BoxLeft = 1", "[box0]", "Other", "BoxLeft = 12 ", "[BOX1]", "BoxTop=3"});
  EXPECT_EQ(box.ReadString("box0", "BoxLeft", "0"), "12 ");    // trailing blanks are kept
  EXPECT_EQ(box.ReadString("box0", "Other", "none"), "none");  // no '=': empty value
  EXPECT_EQ(box.ReadString("box0", "BoxTop", "0"), "0");       // the body ends at the next '['
  EXPECT_EQ(box.ReadString("box1", "boxtop", "0"), "3");
  // Key ends at a tab, blank or '='; leading blanks, tabs and '=' leave the value.
  TSlist keys = Lines({"[S]", "K\tjunk== \t=v=w", "KEY2 =x"});
  EXPECT_EQ(keys.ReadString("s", "k", ""), "v=w");
  EXPECT_EQ(keys.ReadString("s", "key2", ""), "x");
  // Section names fold ASCII only: the trail byte 0x61 of 83 61 stays as it is.
  TSlist dbcs = Lines({"[\x83\x61]", "A=1"});
  EXPECT_EQ(dbcs.ReadString("\x83\x61", "a", ""), "1");
  EXPECT_EQ(dbcs.ReadString("\x83\x41", "a", ""), "");

  for (const char* t : {"True", "TRUE", "true"})
    EXPECT_TRUE(Lines({"[]", (std::string("B=") + t).c_str()}).ReadBool("", "b", false)) << t;
  for (const char* t : {"1", "yes", "truely"})
    EXPECT_FALSE(Lines({"[]", (std::string("B=") + t).c_str()}).ReadBool("", "b", true)) << t;
  EXPECT_TRUE(TSlist().ReadBool("", "b", true));
  EXPECT_FALSE(TSlist().ReadBool("", "b", false));
}

TEST(SList, SettingsWrites) {
  TSlist l;
  l.WriteString("", "Volume1", "80");
  EXPECT_EQ(All(l), (V{"[]", "VOLUME1=80"}));
  l.WriteInteger("", "volume1", 70);
  EXPECT_EQ(All(l), (V{"[]", "VOLUME1=70"}));
  l.WriteBool("", "FullScreen", true);
  EXPECT_EQ(All(l), (V{"[]", "VOLUME1=70", "FULLSCREEN=TRUE"}));

  TSlist s = Lines({"[A]", "Y=2", "[B]"});
  s.WriteString("a", "x", "1");
  EXPECT_EQ(All(s), (V{"[A]", "X=1", "Y=2", "[B]"}));
  s.WriteString("b", "z", "3");
  EXPECT_EQ(All(s), (V{"[A]", "X=1", "Y=2", "[B]", "Z=3"}));
  s.WriteString("c", "w", "");
  EXPECT_EQ(All(s), (V{"[A]", "X=1", "Y=2", "[B]", "Z=3", "[C]", "W="}));
  s.WriteString("A", "y", "two");
  EXPECT_EQ(s[2], "Y=two");
  EXPECT_EQ(s.ReadInteger("a", "X", 0), 1);
}

TEST(SList, QueueRoundTripsThroughCommaText) {
  TSlist q;
  q.PushString("bg 01");
  q.PushInteger(-42);
  q.PushBool(true);
  q.PushString("");
  q.PushString("say \"hi\", then go");
  q.PushBool(false);
  TSlist r;
  r.SetCommaText(q.CommaText());
  EXPECT_EQ(r.PopString(), "bg 01");
  EXPECT_EQ(r.PopInteger(), -42);
  EXPECT_TRUE(r.PopBool());
  EXPECT_EQ(r.PopString(), "");
  EXPECT_EQ(r.PopString(), "say \"hi\", then go");
  EXPECT_FALSE(r.PopBool());
  EXPECT_THROW(r.PopString(), IndexError);
  EXPECT_THROW(r.PopInteger(), IndexError);
  EXPECT_THROW(r.PopBool(), IndexError);

  TSlist t = Lines({"True", "x1"});
  EXPECT_FALSE(t.PopBool());  // only the exact text "true"
  EXPECT_THROW(t.PopInteger(), ConvertError);
  EXPECT_EQ(t.Count(), 1);  // a failed conversion keeps the line
}

TEST(SList, TaggedLinesAndFields) {
  TSlist l;
  l.AddTagged("a,b", 7);
  l.Add("plain");
  EXPECT_EQ(l.Tag(0), 7);
  EXPECT_EQ(l.Tag(1), 0);
  l.SetTag(1, -3);
  EXPECT_EQ(l.Tag(1), -3);
  EXPECT_EQ(l.GetField(0, 1), "b");
  EXPECT_EQ(l.GetField(0, 5), "");
  l.SetField(0, 3, "z");
  EXPECT_EQ(l[0], "a,b,,z");
  l.SetField(0, 1, "x y");
  EXPECT_EQ(l[0], "a,\"x y\",,z");
  EXPECT_EQ(l.GetField(0, 1), "x y");
  EXPECT_EQ(l.Tag(0), 7);  // fields leave the tag alone
}

TEST(SList, PackedFileForm) {
  testing::TempDir dir;
  TSlist l;
  l.Add("MESSAGESTEP=50");
  l.AddTagged("A=1 2", 12);
  l.AddTagged("", 3);
  l.AddTagged("\"x,y\"", -1);
  l.AddTagged("\x95\x5C", 2147483647);
  l.SaveToPackedFile(dir / "inf.dat");
  EXPECT_EQ(ReadPackedFile(dir / "inf.dat"),
            "0,MESSAGESTEP=50\r\n12,A=1,2\r\n3\r\n-1,\"x,y\"\r\n2147483647,\x95\x5C\r\n");
  TSlist r;
  r.Add("stale");
  r.LoadFromPackedFile(dir / "INF.DAT");
  EXPECT_EQ(All(r), (V{"MESSAGESTEP=50", "A=1,2", "", "\"x,y\"", "\x95\x5C"}));
  EXPECT_EQ(r.Tag(1), 12);
  EXPECT_EQ(r.Tag(2), 3);
  EXPECT_EQ(r.Tag(3), -1);
  EXPECT_EQ(r.Tag(4), 2147483647);

  // Plain files load too; a blank line or a bad tag gives tag 0.
  dir.Write("plain", "5,a\r\n\r\nxx,b\n9");
  r.LoadFromPackedFile(dir / "plain");
  EXPECT_EQ(All(r), (V{"a", "", "b", ""}));
  EXPECT_EQ(r.Tag(0), 5);
  EXPECT_EQ(r.Tag(2), 0);
  EXPECT_EQ(r.Tag(3), 9);

  r.LoadFromPackedFile(dir / "missing");
  EXPECT_EQ(r.Count(), 0);
  dir.Write("broken", std::string("\x05\x00\x00\x5A"
                                  "garbage",
                                  11));
  EXPECT_THROW(r.LoadFromPackedFile(dir / "broken"), DataError);
}

}  // namespace vantel
