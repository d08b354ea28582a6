#include "base/Bytes.h"

#include <gtest/gtest.h>

#include "base/Errors.h"

namespace vantel {

TEST(Bytes, CodePagesRoundTrip) {
  EXPECT_EQ(Sjis("脚本"), "\x8B\x72\x96\x7B");
  EXPECT_EQ(ToUtf8("\x8B\x72\x96\x7B"), "脚本");
  EXPECT_EQ(Gbk("第一章"), FromUtf8("第一章", CodePage::GBK));
  EXPECT_EQ(ToUtf8(Gbk("第一章"), CodePage::GBK), "第一章");
  EXPECT_EQ(ToUtf8(Sjis("「ア」ｱ～")), "「ア」ｱ～");
  // The cached literal is converted once and keeps its address.
  EXPECT_EQ(&Sjis("脚本"), &Sjis("脚本"));
}

TEST(Bytes, BadInputIsReplacedNotThrown) {
  EXPECT_EQ(ToUtf8("a\x81"), "a\xEF\xBF\xBD");  // a lone lead byte at the end
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            "a?b");
}

TEST(Bytes, CaseFoldingStepsOverDoubleByteCharacters) {
  const Bytes a = Sjis("ア");  // 83 41: the trail byte is 'A'
  ASSERT_EQ(a, "\x83\x41");
  EXPECT_EQ(LowerCase("ABC" + a + "D"), "abc" + a + "d");
  const Bytes xa = Sjis("ｘa");
  EXPECT_EQ(UpperCase(Sjis("表") + "ab"), Sjis("表") + "AB");  // 95 5C: '\' trail byte untouched
  EXPECT_TRUE(SameText("TextBox.INI", "textbox.ini"));
  EXPECT_FALSE(SameText(a, "\x83\x61"));
  EXPECT_EQ(CharLength(a, 0), 2u);
  EXPECT_EQ(CharLength("\x83", 0), 1u);  // a lead byte with nothing after it
  (void)xa;
}

TEST(Bytes, StrToIntAcceptsWhatTheSystemAccepts) {
  int32_t v = 0;
  EXPECT_TRUE(TryStrToInt("  -42", v));
  EXPECT_EQ(v, -42);
  EXPECT_TRUE(TryStrToInt("$FF", v));
  EXPECT_EQ(v, 255);
  EXPECT_TRUE(TryStrToInt("0x10", v));
  EXPECT_EQ(v, 16);
  EXPECT_TRUE(TryStrToInt("-$80000000", v));  // the 32-bit pattern, negated, without overflow
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(TryStrToInt("$FFFFFFFF", v));
  EXPECT_EQ(v, -1);
  EXPECT_TRUE(TryStrToInt("2147483647", v));
  EXPECT_TRUE(TryStrToInt("-2147483648", v));
  EXPECT_EQ(v, INT32_MIN);
  for (const char* bad : {"", " ", "12 ", "1a", "2147483648", "+", "$", "abc"})
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
  EXPECT_EQ(StrToIntDef("x", 7), 7);
  EXPECT_THROW(StrToInt("1.5"), ConvertError);
}

TEST(Bytes, SplitLinesTakesCrLfCrOrLfAsOneBreak) {
  using L = std::vector<Bytes>;
  EXPECT_EQ(SplitLines(""), L{});
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (L{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), L{"a"});                      // a final break adds no line
  EXPECT_EQ(SplitLines("a\n\rb\n\n"), (L{"a", "", "b", ""}));  // LF CR is two breaks
}

}  // namespace vantel
