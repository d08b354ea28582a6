// The demo story's pages, laid out and drawn as the message box shows them:
// every page must fit its box, or its last letters would be dropped when the
// reader clicks on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestPaths.h"
#include "base/Bytes.h"
#include "base/Paths.h"
#include "data/ClassArchive.h"
#include "data/ClassSList.h"
#include "data/FuncFile.h"
#include "graphics/ClassFlatText.h"
#include "platform/FontText.h"
#include "script/ClassCodeBlue.h"

namespace vantel::demo {
namespace {

TEST(DemoPages, EveryPageFitsItsBox) {
  const std::string game = VANTEL_GAME_DIR;
  if (!FileExists(game + "/script.chs"))
    GTEST_SKIP() << "the archives are made once vxtool can pack";
  TArchive scripts(game + "/script.chs");
  TSlist layout;
  layout.SetText(scripts.ReadText("textbox.ini"));

  TCodeBlue blue;
  blue.ScriptArchive = &scripts;
  blue.ScriptDir = std::string(VANTEL_DEMO_DIR) + "/no-loose-scripts/";
  blue.Load(FromUtf8("脚本1"));
  TFlatText text(nullptr, &SharedFontText());
  int pages = 0, fullest = 0;
  for (int steps = 0; steps < 5000; ++steps) {
    TSlist action;
    action.SetText(blue.Step());
    if (action.Count() == 0 || action[0] == "end") break;
    const std::string where = ToUtf8(blue.ScriptName) + ":" + std::to_string(blue.CurrentLine);
    if (action[0] == "box" && action.Count() > 1) {
      // As the story places its text: 10 pixels in from the box's sides.
      const Bytes section = "BOX" + action[1];
      auto value = [&](const char* key) {
        return StrToIntDef(layout.ReadString(section, key, "0"), 0);
      };
      text.SetBox(value("BoxLeft") + 10, value("BoxTop"), value("BoxWidth") - 20,
                  value("BoxHeight"));
      ++pages;
    } else if (action[0] == "pagefeed") {
      text.ClearPage();
      ++pages;
    } else if (action[0] == "key" || action[0] == "wait") {
      for (int i = 0; i < 2 && action.Count() > 0; ++i) action.Delete(0);
      text.AddText(action.Text());
      text.RevealAll();
      EXPECT_FALSE(text.FFull) << where << ": the page does not fit its box";
      fullest = std::max(fullest, int(text.FLineY));
    }
  }
  EXPECT_GT(pages, 20);
  // Pages are filled, not just a line each: the text is the size it was made for.
  EXPECT_GE(fullest, 56);
}

}  // namespace
}  // namespace vantel::demo
