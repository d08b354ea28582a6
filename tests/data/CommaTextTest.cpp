#include "data/CommaText.h"

#include <gtest/gtest.h>

namespace vantel {

using Fields = std::vector<Bytes>;

TEST(CommaText, Splitting) {
  EXPECT_EQ(SplitCommaText(""), Fields{});
  EXPECT_EQ(SplitCommaText("  \t "), Fields{});
  EXPECT_EQ(SplitCommaText("a,b"), (Fields{"a", "b"}));
  // Unquoted blanks and control characters separate fields; blanks around commas are skipped.
  EXPECT_EQ(SplitCommaText("  a b\tc , d"), (Fields{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitCommaText("a\x01"
                           "b"),
            (Fields{"a", "b"}));
  // Empty fields between commas and one for a comma at the very end.
  EXPECT_EQ(SplitCommaText("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText(","), (Fields{"", ""}));
  EXPECT_EQ(SplitCommaText("a,"), (Fields{"a", ""}));
  EXPECT_EQ(SplitCommaText("a, "), (Fields{"a"}));
  // Quotes: commas and blanks inside, doubled quotes, empty quoted field.
  EXPECT_EQ(SplitCommaText("\"a, b\",c"), (Fields{"a, b", "c"}));
  EXPECT_EQ(SplitCommaText("\"say \"\"hi\"\"\""), (Fields{"say \"hi\""}));
  EXPECT_EQ(SplitCommaText("\"\""), (Fields{""}));
  EXPECT_EQ(SplitCommaText("\"\"\"\""), (Fields{"\""}));
  // A quote inside an unquoted field is an ordinary byte.
  EXPECT_EQ(SplitCommaText("a\"b,c"), (Fields{"a\"b", "c"}));
  // Text after a closing quote starts the next field.
  EXPECT_EQ(SplitCommaText("\"ab\"cd,e"), (Fields{"ab", "cd", "e"}));
  // A missing closing quote keeps everything to the end, last byte included.
  EXPECT_EQ(SplitCommaText("x,\"abc"), (Fields{"x", "abc"}));
  EXPECT_EQ(SplitCommaText("\""), (Fields{""}));
  // Double-byte text passes through untouched (trail byte 0x5C).
  EXPECT_EQ(SplitCommaText("\x95\x5C,\x83\x41"), (Fields{"\x95\x5C", "\x83\x41"}));
}

TEST(CommaText, Joining) {
  EXPECT_EQ(JoinCommaText({}), "");
  EXPECT_EQ(JoinCommaText({""}), "\"\"");
  EXPECT_EQ(JoinCommaText({"", ""}), ",");
  EXPECT_EQ(JoinCommaText({"a", "", "b"}), "a,,b");
  EXPECT_EQ(JoinCommaText({"a b", "c,d", "e\"f", "g\th", "plain"}),
            "\"a b\",\"c,d\",\"e\"\"f\",\"g\th\",plain");
  EXPECT_EQ(JoinCommaText({std::string("a\0b", 3)}), std::string("\"a\0b\"", 5));
}

TEST(CommaText, RecordsSurviveNestingAndRoundTrips) {
  const Fields inner = {"bg01", "", "a \"quoted\" word", ",", "\r\n", "\x95\x5C"};
  const Bytes innerText = JoinCommaText(inner);
  const Fields outer = {"1", innerText, "", "last"};
  const Bytes outerText = JoinCommaText(outer);
  EXPECT_EQ(SplitCommaText(outerText), outer);
  EXPECT_EQ(SplitCommaText(SplitCommaText(outerText)[1]), inner);
  for (const Fields& f :
       {Fields{""}, Fields{"", "x"}, Fields{"x", ""}, Fields{" "}, Fields{"\"\""}})
    EXPECT_EQ(SplitCommaText(JoinCommaText(f)), f) << JoinCommaText(f);
}

}  // namespace vantel
