#include "graphics/ClassLetter.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace vantel {
namespace {

// Fixed widths so that the layout arithmetic is exact: a double-byte letter
// is as wide as the font height, a single-byte one half as wide, unless the
// test gives the letter a width of its own.
class FakeMeasure : public TextService {
 public:
  std::map<Bytes, int> widths;
  std::vector<FontRequest> requests;
  TextExtent Measure(const FontRequest& font, std::string_view text) override {
    requests.push_back(font);
    auto it = widths.find(Bytes(text));
    if (it != widths.end()) return {it->second, font.height};
    return {text.size() == 2 ? font.height : font.height / 2, font.height};
  }
  void Draw(Picture&, int, int, const FontRequest&, Colour, std::string_view) override {}
};

class Letters : public ::testing::Test {
 protected:
  Letters() : t(&fake) {
    t.FLineWidth = 100;
    t.ApplyTag("*font,size,20");  // double-byte letters 20 wide: five to a line
  }
  std::vector<int> Xs() const {
    std::vector<int> xs;
    for (int i = 0; i < t.Count(); ++i) xs.push_back(t.Letter(i).X);
    return xs;
  }
  Bytes Text(int i) const { return t.Letter(i).Text; }
  FakeMeasure fake;
  Tletters t;
};

using V = std::vector<int>;

TEST_F(Letters, FontTagsSetWhatLettersRemember) {
  EXPECT_TRUE(t.AddText("*font,color,red,size,30\r\n" + Sjis("赤") + "\r\n*font,size,80\n" +
                        Sjis("大") + "\r*font,size,x\n" + Sjis("小")));
  ASSERT_EQ(t.Count(), 3);
  EXPECT_EQ(t.Letter(0).Color, 0x0000FF);
  EXPECT_EQ(t.Letter(0).Size, 30);
  EXPECT_EQ(t.Letter(0).Width, 30);
  EXPECT_EQ(t.Letter(1).Size, 56);
  EXPECT_EQ(t.Letter(1).Width, 80);  // measured before the size is clamped
  EXPECT_EQ(t.Letter(2).Size, 10);
  EXPECT_EQ(fake.requests.back().height, 0);
  EXPECT_EQ(fake.requests.back().codePage, CodePage::CP932);
  EXPECT_EQ(t.Letter(2).Color, 0x0000FF);  // a tag changes only what it names

  const Bytes mincho = Sjis("ＭＳ 明朝");
  t.ApplyTag("*font,name,\"" + mincho + "\",color,#ff8000,,,bogus,1");
  t.ApplyTag("*b");
  t.ApplyTag("*i");
  t.ApplyTag("*/b");
  t.Clear();  // the font outlives the page
  t.AddText("a");
  EXPECT_EQ(t.Letter(0).FontName, mincho);
  EXPECT_EQ(t.Letter(0).Color, 0x0080FF);
  EXPECT_EQ(t.Letter(0).Style, kStyleItalic);
  EXPECT_EQ(fake.requests.back().face, mincho);
  EXPECT_TRUE(fake.requests.back().italic);
  EXPECT_FALSE(fake.requests.back().bold);

  t.ApplyTag("*font color gray");  // blanks separate fields too
  EXPECT_EQ(t.FMeasure.Color, 0x808080);
}

TEST_F(Letters, DoubleByteLettersKeepTheirTrailByte) {
  // ソ and 表 have the trail byte 0x5C ('\'); a lone lead byte at the end is a letter by itself.
  const Bytes text = "a" + Sjis("ソ表") + "b\x81";
  t.AddLetters(text);
  ASSERT_EQ(t.Count(), 5);
  EXPECT_EQ(Text(1), Sjis("ソ"));
  EXPECT_EQ(Text(2), Sjis("表"));
  EXPECT_EQ(Text(3), "b");
  EXPECT_EQ(Text(4), "\x81");
  EXPECT_EQ(t.Letter(0).Width, 10);
  EXPECT_EQ(t.Letter(1).Width, 20);
}

TEST_F(Letters, RubyGroups) {
  t.AddText("*r,text," + Sjis("かな") + "\n" + Sjis("仮名") + "\n*/r\n" + Sjis("で"));
  ASSERT_EQ(t.Count(), 3);
  EXPECT_EQ(t.Letter(0).RubyIndex, 1);
  EXPECT_EQ(t.Letter(0).Ruby, Sjis("かな"));
  EXPECT_EQ(t.Letter(0).RubySpan, 40);
  EXPECT_EQ(t.Letter(1).RubyIndex, 2);
  EXPECT_TRUE(t.Letter(1).Ruby.empty());
  EXPECT_EQ(t.Letter(2).RubyIndex, 0);

  // A group is at most ten letters; two groups in a row are measured as one span.
  t.Clear();
  t.FLineWidth = 1000;
  t.AddText("*r,text,x\nABCDEFGHIJK\n*r,text,y\nLM\n*/r\nN");
  for (int i = 0; i < 10; ++i) EXPECT_EQ(t.Letter(i).RubyIndex, i + 1);
  EXPECT_EQ(t.Letter(10).RubyIndex, 0);
  EXPECT_EQ(t.Letter(0).RubySpan, 100);
  EXPECT_EQ(t.Letter(11).RubyIndex, 1);
  EXPECT_EQ(t.Letter(11).RubySpan, 20);
  t.Clear();
  t.AddText("*r,text,x\nAB\n*r,text,y\nCD");
  EXPECT_EQ(t.Letter(0).RubySpan, 40);
  EXPECT_EQ(t.Letter(2).RubySpan, 20);
  // Ruby does not carry over into the next chunk.
  t.AddText("*r,text,z");
  EXPECT_FALSE(t.AddText("\r\n\r\n"));
  EXPECT_EQ(t.FRubyCounter, 0);
  t.AddText("E");
  EXPECT_EQ(t.Letter(4).RubyIndex, 0);
}

TEST_F(Letters, BrokenLinesAreStretchedToTheFullWidth) {
  t.FLineWidth = 110;
  // Five letters fit (100), the sixth overflows; it may begin the next line.
  // The line is stretched: X := x * 110 / 100.
  EXPECT_TRUE(t.AddText(Sjis("一二三四五六七八")));
  EXPECT_EQ(Xs(), (V{0, 22, 44, 66, 88, 0, 20, 40}));
  EXPECT_EQ(t.FPenX, 60);  // the last line is left as it is, to be continued

  // The next chunk continues the unfinished line from x0 = 60; breaking it
  // stretches only its own letters, from where they began: 60 + (X - 60) * 50 / 40.
  t.AddText(Sjis("九十壱弐参"));
  EXPECT_EQ(Xs(), (V{0, 22, 44, 66, 88, 0, 20, 40, 60, 85, 0, 20, 40}));
  // A first letter that cannot continue the line begins a new one.
  t.AddText("*font,size,80\n" + Sjis("大"));
  EXPECT_EQ(t.Letter(13).X, 0);
  t.ApplyTag("*font,size,20");

  // Non-exact stretching truncates: span 80 over W 97.
  t.Clear();
  t.FLineWidth = 97;
  t.AddText(Sjis("一二三四五六七"));
  EXPECT_EQ(Xs(), (V{0, 24, 48, 72, 0, 20, 40}));
}

TEST_F(Letters, NoStartCharactersAndTheOpeningQuote) {
  // Overflow at 。: it and the letter before it move on together; the 、 left
  // on the broken line is widened by s div k = 20, at most 8.
  t.AddText(Sjis("一、二三四。五六七"));
  EXPECT_EQ(Text(4), Sjis("四"));
  EXPECT_EQ(t.Letter(1).Width, 28);
  EXPECT_EQ(t.Letter(5).Width, 20);  // on the next line: not widened
  // Line 一、二三 spans 88 before stretching to 100.
  EXPECT_EQ(Xs(), (V{0, 22, 54, 77, 0, 20, 40, 60, 80}));

  // Widening is the average width of the letters pushed back, when it is small.
  t.Clear();
  fake.widths[Sjis("ー")] = 6;
  fake.widths[Sjis("ッ")] = 4;
  t.AddText(Sjis("一。二三ッー五六七八"));
  // 一。二三ッー = 90, 五 overflows at 110 > 100 and may begin: no widening,
  // but ッ ー stay on the line.
  EXPECT_EQ(Text(6), Sjis("五"));
  EXPECT_EQ(t.Letter(6).X, 0);
  t.Clear();
  t.AddText(Sjis("一。二三四ッー五六七"));
  // 一。二三四 fill 100; ッ overflows; ッ (k=1, s=4) and 四? 四 may begin: i := 4.
  // d = 4 div 1 = 4: 。 grows to 24; line 一。二三 = 84, stretched to 100.
  EXPECT_EQ(t.Letter(1).Width, 24);
  EXPECT_EQ(Text(4), Sjis("四"));
  EXPECT_EQ(Xs(), (V{0, 23, 52, 76, 0, 20, 24, 30, 50, 70}));

  // “ never ends a line: it moves on with the letter after it.
  t.Clear();
  t.AddText(Sjis("一二三四“五六七"));
  EXPECT_EQ(t.Letter(4).X, 0);
  EXPECT_EQ(Text(4), Sjis("“"));
  EXPECT_EQ(Xs(), (V{0, 25, 50, 75, 0, 20, 40, 60}));
}

TEST_F(Letters, RubyGroupsAndTheLastThreeLettersStayTogether) {
  // The group 甲乙丙 would be split at 丙: it moves on whole.
  t.AddText(Sjis("一二三") + "\n*r,text," + Sjis("こうおつへい") + "\n" + Sjis("甲乙丙") +
            "\n*/r\n" + Sjis("四五六"));
  EXPECT_EQ(Text(3), Sjis("甲"));
  EXPECT_EQ(t.Letter(3).X, 0);
  // On its own line it keeps the last three letters together too, and its
  // span is taken after stretching.
  EXPECT_EQ(Xs(), (V{0, 33, 66, 0, 33, 66, 0, 20, 40}));
  EXPECT_EQ(t.Letter(3).RubySpan, 86);

  // Only the letters known so far count: with six letters the break cannot
  // leave fewer than three on the next line.
  t.Clear();
  t.AddText(Sjis("一二三四五六"));
  EXPECT_EQ(Xs(), (V{0, 33, 66, 0, 20, 40}));
}

TEST_F(Letters, LineBreaksAndEmptyChunks) {
  t.AddText(Sjis("一二") + "\n*br\n*br\n" + Sjis("三") + "\r\n*br\r\n" + Sjis("四"));
  EXPECT_EQ(Xs(), (V{0, 20, 0, 0}));
  EXPECT_EQ(t.FPenX, 20);
  // Nothing but tags: no letter, layout untouched, only the ruby state moves.
  const auto before = Xs();
  EXPECT_FALSE(t.AddText(""));
  EXPECT_FALSE(t.AddText("*b\n*/b\n*br"));
  EXPECT_EQ(Xs(), before);
  EXPECT_EQ(t.FPenX, 0);  // *br still starts a new line for the next letter
  t.AddText("*r,text,x");
  EXPECT_EQ(t.FRubyCounter, 1);
  EXPECT_FALSE(t.AddText(""));
  EXPECT_EQ(t.FRubyCounter, 0);

  // Deleting drawn letters from the front keeps the rest in place.
  t.DeleteLetter(0);
  t.DeleteLetter(0);
  EXPECT_EQ(t.FLaidOut, 2);
  t.DeleteLetter(7);  // out of range: nothing
  t.AddText(Sjis("五"));
  EXPECT_EQ(Xs(), (V{0, 0, 0}));
}

TEST_F(Letters, LinesWithoutABreakPointStillEnd) {
  // A run of no-start letters longer than a line breaks where it overflows.
  t.AddText(Sjis("ーーーーーーーー"));
  EXPECT_EQ(Xs(), (V{0, 20, 40, 60, 80, 0, 20, 40}));
  // A letter wider than the line gets a line of its own.
  t.Clear();
  fake.widths["W"] = 150;
  t.AddText("W" + Sjis("一") + "W");
  EXPECT_EQ(Xs(), (V{0, 0, 0}));
  EXPECT_EQ(t.FPenX, 0);
  t.AddText(Sjis("二"));
  EXPECT_EQ(t.Letter(3).X, 0);
  // “ at the end of a continued line moves on with the letter after it.
  t.Clear();
  t.AddText(Sjis("一二"));
  t.AddText(Sjis("三四“五六七八"));
  EXPECT_EQ(Xs(), (V{0, 20, 40, 70, 0, 20, 40, 60, 80}));
  // A line continued from an earlier chunk that cannot break anywhere after
  // its first letter starts again at X = 0.
  t.Clear();
  t.AddText(Sjis("一二三"));
  t.AddText(Sjis("四ーーー"));
  EXPECT_EQ(Xs(), (V{0, 20, 40, 0, 20, 40, 60}));
  // Width 0 and negative widths of line never hang.
  t.Clear();
  t.FLineWidth = 0;
  t.AddText(Sjis("一二三"));
  EXPECT_EQ(Xs(), (V{0, 0, 0}));
  t.Clear();
  t.FLineWidth = -5;
  fake.widths["z"] = 0;
  t.AddText("zzz");
  EXPECT_EQ(t.Count(), 3);
}

}  // namespace
}  // namespace vantel
