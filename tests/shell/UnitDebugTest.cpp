#include "shell/UnitDebug.h"

#include <gtest/gtest.h>

#include "base/Paths.h"
#include "data/FuncFile.h"
#include "platform/headless/HeadlessPlatform.h"
#include "script/ClassCodeBlue.h"
#include "shell/ClassGlobal.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

class UnitDebugTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform);
    Global = &global;
    DebugMode = false;
    MakeDirectories(dir / "script");
    Write("main.vxs",
          "<bg src=a>\r\n"           // line 1
          "text\r\n"                 // line 2
          "<a name=\"middle\">\r\n"  // line 3
          "\r\n"
          "<bg src=b>\r\n"          // line 5
          "<a name=\"Upper\">\r\n"  // line 6
          "<bg src=c>\r\n");
    Write("other.vxs", "<bg src=o>\r\n<a name=there>\r\n<bg src=p>\r\n");
    script.ScriptArchive = nullptr;
    script.ScriptDir = dir / "script/";
    script.Load("main");
  }
  void TearDown() override {
    CloseDebuggers();
    Global = nullptr;
    SetPlatform(nullptr);
  }
  void Write(const std::string& name, const Bytes& text) {
    WriteFileAtomic(dir / ("script/" + name), text);
  }
  // Jumps with `target` and returns the token the story would run next.
  Bytes JumpTo(TFormDebug& form, const Bytes& target) {
    form.SetJumpTarget(target);
    form.JumpClick();
    return script.Position < script.Count() ? script[script.Position] : Bytes("(end)");
  }

  HeadlessPlatform platform;
  Tglobal global;
  testing::TempDir dir;
  TCodeBlue script;
};

TEST_F(UnitDebugTest, JumpsByLineAndByLabel) {
  TFormDebug form([this] { return &script; });
  script.Position = 4;
  // A line: the first token of that line or later; not a number: line 1.
  EXPECT_EQ(JumpTo(form, "*5"), "<bg src=b>");
  EXPECT_EQ(JumpTo(form, "*4"), "<P>");  // the empty line's paragraph break
  EXPECT_EQ(JumpTo(form, "*abc"), "<bg src=a>");
  EXPECT_EQ(JumpTo(form, "*999"), "(end)");
  // A label alone and with a leading '#' both search the current script.
  EXPECT_EQ(JumpTo(form, "middle"), "<a name=\"middle\">");
  script.Position = 6;
  EXPECT_EQ(JumpTo(form, "#middle"), "<a name=\"middle\">");
  // Names are lower-cased, the typed label is not.
  EXPECT_EQ(JumpTo(form, "upper"), "<a name=\"Upper\">");
  EXPECT_EQ(JumpTo(form, "Upper"), "<bg src=a>");
  EXPECT_EQ(JumpTo(form, "nowhere"), "<bg src=a>");
  // Another script: from its beginning, or at its label.
  EXPECT_EQ(JumpTo(form, "other#"), "<bg src=o>");
  EXPECT_EQ(global.ScriptName, "other");
  EXPECT_EQ(JumpTo(form, "main#upper"), "<a name=\"Upper\">");
  EXPECT_EQ(JumpTo(form, "other#there"), "<a name=there>");
  // The jump reloads the current script first: a line is one of its lines.
  EXPECT_EQ(JumpTo(form, "*2"), "<a name=there>");
}

TEST_F(UnitDebugTest, AJumpThatGoesNowhereKeepsTheStoryAndSaysWhy) {
  TFormDebug form([this] { return &script; });
  form.Attach();
  DebugMode = true;
  script.Position = 3;
  const Bytes here = script[3];
  EXPECT_EQ(JumpTo(form, "missing#x"), here);
  EXPECT_EQ(global.ScriptName, "main");
  ASSERT_EQ(form.MessageLines().size(), 1u);
  EXPECT_NE(form.MessageLines()[0].find("missing"), Bytes::npos);

  // Without an interpreter (any scene but the story) nothing happens.
  TFormDebug idle([] { return nullptr; });
  idle.SetJumpTarget("*1");
  idle.JumpClick();
  EXPECT_EQ(script.Position, 3);
}

TEST_F(UnitDebugTest, PlacementAndWidth) {
  TFormDebug form;
  form.FormShow(300, 40);
  EXPECT_EQ(form.Left(), 100);
  EXPECT_EQ(form.Top(), 40);
  form.FormShow(190, 0);
  EXPECT_EQ(form.Left(), -10);
  form.FormShow(100, 0);  // -100 is too far left: right of the picture
  EXPECT_EQ(form.Left(), 910);
  EXPECT_EQ(form.Width(), 194);
  EXPECT_EQ(form.Height(), 573);
  EXPECT_EQ(form.ResizedWidth(150), 202);
  EXPECT_EQ(form.ResizedWidth(201), 202);
  EXPECT_EQ(form.ResizedWidth(203), 203);
  EXPECT_EQ(form.Caption(), "DEBUGER");
}

TEST_F(UnitDebugTest, EachOpeningAttachesTheNewestAndClosingDetaches) {
  platform.SetWindowPosition(300, 40);
  TFormDebug* first = OpenDebugger();
  EXPECT_TRUE(DebugMode);
  EXPECT_TRUE(first->Attached());
  EXPECT_EQ(first->Left(), 100);
  TFormDebug* second = OpenDebugger();
  EXPECT_TRUE(second->Attached());
  EXPECT_FALSE(first->Attached());
  EXPECT_EQ(platform.DebugWindows().size(), 2u);

  first->CloseClick();  // an older window: the newest stays attached
  EXPECT_TRUE(global.DebugAttached);
  second->CloseClick();
  EXPECT_FALSE(global.DebugAttached);
  const Bytes shown = second->ScriptLine();
  global.LineNo = 7;
  global.UpdateDebugInfo();  // detached: nothing changes
  EXPECT_EQ(second->ScriptLine(), shown);

  // Reopened: a new window beside the main window; the closed ones go.
  platform.SetWindowPosition(50, 0);
  TFormDebug* third = OpenDebugger();
  EXPECT_EQ(DebugForms().size(), 1u);
  EXPECT_EQ(platform.DebugWindows().size(), 1u);
  EXPECT_EQ(third->Left(), 860);
  EXPECT_TRUE(third->Attached());
  CloseDebuggers();
  EXPECT_EQ(global.MessageBox, nullptr);
  EXPECT_FALSE(global.DebugAttached);
  EXPECT_TRUE(platform.DebugWindows().empty());
}

TEST_F(UnitDebugTest, MessagesAndLabelsFollowTheStoryBounded) {
  TFormDebug* form = OpenDebugger();
  global.ScriptName = "main";
  global.LineNo = 12;
  global.CodeText = "<k>";
  for (int i = 0; i < 150; ++i) global.AppendLog("error " + IntToStr(i));
  global.AppendLog(Bytes(5000, 'x'));
  form->UpdateClick();
  EXPECT_EQ(form->ScriptLine(), "Script/main   12" + Sjis("行"));
  EXPECT_EQ(form->CodeLine(), "Code/<k>");
  const auto& lines = form->MessageLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_LE(lines.size(), 100u);
  EXPECT_EQ(lines.back().size(), size_t{TFormDebug::kMessageLineBytes});
  EXPECT_EQ(form->GridCell(2, TFormDebug::kLine), "12");
  form->ClearClick();
  EXPECT_TRUE(form->MessageLines().empty());
}

TEST_F(UnitDebugTest, OnlySafeValuesAreEditedAndHeldInRange) {
  TFormDebug form;
  global.Volume1 = 100;
  global.MessageStep = 3;
  form.RefreshValues();
  EXPECT_EQ(form.GridCell(2, TFormDebug::kVolume1), "100");
  form.EditCell(2, TFormDebug::kVolume1, " 300 ");
  EXPECT_EQ(global.Volume1, 255);
  form.EditCell(2, TFormDebug::kVolume1, "loud");
  EXPECT_EQ(global.Volume1, 255);
  EXPECT_EQ(form.GridCell(2, TFormDebug::kVolume1), "255");
  form.EditCell(2, TFormDebug::kMessageStep, "0");
  EXPECT_EQ(global.MessageStep, 1);
  // The text speed's range is the settings dialog's, 1 ... 255.
  form.EditCell(2, TFormDebug::kMessageStep, "200");
  EXPECT_EQ(global.MessageStep, 200);
  form.EditCell(2, TFormDebug::kMessageStep, "1000");
  EXPECT_EQ(global.MessageStep, 255);
  form.EditCell(2, TFormDebug::kAutoSkip, "true");
  EXPECT_TRUE(global.AutoSkip);
  EXPECT_FALSE(form.GridCellEditable(2, TFormDebug::kScene));
  EXPECT_FALSE(form.GridCellEditable(1, TFormDebug::kVolume1));
  global.ScriptName = "before";
  form.EditCell(2, TFormDebug::kScript, "after");
  EXPECT_EQ(global.ScriptName, "before");
}

}  // namespace
}  // namespace vantel
