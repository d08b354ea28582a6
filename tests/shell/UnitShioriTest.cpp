#include "shell/UnitShiori.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "base/Paths.h"
#include "data/ClassSList.h"
#include "data/CommaText.h"
#include "data/FuncFile.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/ClassGlobal.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

// A layer state with quoted fields of its own.
const Bytes kFirstLayer = "0,0,1,255,\"a,b\",\"c\"\"d\",true,true,true,false";

constexpr int kTab = 9, kEnter = 13, kEscape = 27, kEnd = 35, kUp = 38, kDown = 40;

class FormShioriTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform);
    Global = &global;
    global.SaveDir = dir / "save/";
    MakeDirectories(global.SaveDir);
  }
  void TearDown() override {
    Global = nullptr;
    SetPlatform(nullptr);
  }
  // A save record's first three items and a tail like the story writes.
  void Save(const std::string& name, const Bytes& title, const Bytes& key, const Bytes& date) {
    TSlist fields;
    fields.Add(title);
    fields.Add(key);
    fields.Add(date);
    fields.Add(kFirstLayer);  // nested records keep their quoting
    // The rest as the story writes it, so that the save can be opened.
    for (int i = 0; i < 9; ++i) fields.Add("0,0,1,255,bg,x,true,true,true,false");
    for (const char* item : {"", "", "", "2", "0", "0", "", "false", "0", "false"})
      fields.Add(item);
    WritePackedFile(global.SaveDir + name, fields.CommaText());
  }
  Bytes Field(const std::string& name, int n) {
    return CommaField(ReadPackedFile(global.SaveDir + name), n);
  }
  std::vector<std::string> Files(const TFormShiori& form) {
    std::vector<std::string> files;
    for (const auto& row : form.Rows) files.push_back(row.file);
    return files;
  }

  HeadlessPlatform platform;
  Tglobal global;
  testing::TempDir dir;
};

TEST_F(FormShioriTest, SaveModeListsByProgressAndSelectsTheNewSave) {
  Save("data0", Sjis("第三章"), "300120", "24/05/01 10:00");
  Save("data1", Sjis("第二章"), "299999", "24/05/01 11:00");
  Save("Database", Sjis("第四章"), "400000", "24/05/01 12:00");  // any case of "data" counts
  Save("data3", Sjis("第一章"), "100005", "24/05/02 09:30");
  global.Clear = true;
  std::ofstream(global.SaveDir + "inf.dat") << "not a save";  // other names are not listed

  TFormShiori form(global.SaveDir);
  form.OpenForSave("data0");
  // Keys of different lengths compare as text: 299999 < 300120 < 400000.
  EXPECT_EQ(Files(form), (std::vector<std::string>{"data3", "data1", "data0", "Database"}));
  EXPECT_EQ(form.CurrentRow, 2);
  EXPECT_EQ(form.TopRow, 2);
  EXPECT_EQ(form.Label1, Sjis("第三章"));
  EXPECT_EQ(form.EditText, "24/05/01 10:00");
  EXPECT_EQ(form.Caption(), Gbk("栞に追加"));
  EXPECT_FALSE(form.Button2Enabled || form.Button3Enabled || form.SGEnabled);
  EXPECT_EQ(form.Focus(), TFormShiori::kEdit);
  // A double click or a key cannot open or delete from the save mode.
  form.DoubleClick(TFormShiori::kSG);
  form.Click(TFormShiori::kButton3);
  EXPECT_FALSE(form.Closed());
  EXPECT_TRUE(FileExists(global.SaveDir + "data0"));

  // Enter stores the comment and leaves the dialog open; add stores it again and closes.
  form.TextChanged(TFormShiori::kEdit, Sjis("灯台の前"));
  // A release whose press closed a notice over the dialog stores nothing
  // (it would raise the same notice again at once).
  form.KeyUp(kEnter, 0);
  EXPECT_EQ(Field("data0", 2), "24/05/01 10:00");
  form.KeyDown(kEnter, 0);
  form.KeyUp(kEnter, 0);
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(Field("data0", 2), Sjis("灯台の前"));
  EXPECT_EQ(Field("data0", 3), kFirstLayer);  // the rest of the record is untouched
  EXPECT_EQ(SplitCommaText(ReadPackedFile(global.SaveDir + "data0")).size(), 23u);
  form.TextChanged(TFormShiori::kEdit, "second");
  form.Click(TFormShiori::kButton1);
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(Field("data0", 2), "second");
}

TEST_F(FormShioriTest, BackDeletesOnlyTheSaveJustWritten) {
  Save("data0", "a", "000001", "d0");
  Save("data1", "b", "000002", "d1");
  std::ofstream(global.SaveDir + "-") << "a file that happens to be called so";
  TFormShiori save(global.SaveDir);
  save.OpenForSave("data1");
  save.KeyDown('B', kAlt);  // the back button's marked letter
  EXPECT_TRUE(save.Closed());
  EXPECT_FALSE(FileExists(global.SaveDir + "data1"));
  EXPECT_TRUE(FileExists(global.SaveDir + "data0"));

  TFormShiori load(global.SaveDir);
  load.OpenForLoad();
  load.Click(TFormShiori::kButton4);
  EXPECT_TRUE(FileExists(global.SaveDir + "data0"));
  EXPECT_TRUE(FileExists(global.SaveDir + "-"));

  // Closing the save dialog with its close box (Escape) keeps the save.
  Save("data1", "b", "000002", "d1");
  TFormShiori kept(global.SaveDir);
  kept.OpenForSave("data1");
  kept.KeyDown(kEscape, 0);
  EXPECT_TRUE(kept.Closed());
  EXPECT_TRUE(FileExists(global.SaveDir + "data1"));
}

TEST_F(FormShioriTest, LoadModeOpensDeletesAndMovesByKeyboard) {
  TFormShiori empty(global.SaveDir);
  empty.OpenForLoad();
  ASSERT_EQ(empty.Rows.size(), 1u);  // one empty row
  EXPECT_TRUE(empty.Rows[0].file.empty());
  EXPECT_FALSE(empty.Button1Enabled || empty.Button2Enabled || empty.Button3Enabled);
  empty.KeyDown(kEnter, 0);
  EXPECT_FALSE(empty.Closed());

  Save("data0", "a", "000001", "d0");
  Save("data1", "b", "000002", "d1");
  Save("data2", "c", "000003", "d2");
  TFormShiori form(global.SaveDir);
  form.OpenForLoad();
  EXPECT_EQ(form.Caption(), Gbk("记录列表"));
  EXPECT_EQ(form.CurrentRow, 2);  // the last row, at the top
  EXPECT_EQ(form.TopRow, 2);
  EXPECT_EQ(form.Focus(), TFormShiori::kSG);
  // Tab order: edit, grid, then the enabled buttons; add is disabled here.
  form.TabNext(false);
  EXPECT_EQ(form.Focus(), TFormShiori::kButton2);
  form.KeyDown(kTab, kShift);
  EXPECT_EQ(form.Focus(), TFormShiori::kSG);
  form.KeyDown(kTab, kShift);
  EXPECT_EQ(form.Focus(), TFormShiori::kEdit);
  form.KeyDown(kTab, kShift);
  EXPECT_EQ(form.Focus(), TFormShiori::kButton4);

  // Deleting the last row selects the row above it.
  form.SetFocus(TFormShiori::kSG);
  form.KeyDown(kEnd, 0);
  form.KeyDown('D', kAlt);
  EXPECT_FALSE(FileExists(global.SaveDir + "data2"));
  EXPECT_EQ(form.CurrentRow, 1);
  EXPECT_EQ(form.Label1, "b");
  form.SetFocus(TFormShiori::kSG);
  form.KeyDown(kUp, 0);
  form.KeyDown(kUp, 0);  // stops at the first row
  EXPECT_EQ(form.CurrentRow, 0);
  form.KeyDown(kDown, 0);
  EXPECT_EQ(form.EditText, "d1");
  // Enter on the grid opens the selected save, like a double click.
  form.KeyDown(kEnter, 0);
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(global.HandOver, ReadPackedFile(global.SaveDir + "data1"));
}

TEST_F(FormShioriTest, BadFilesAreListedAndNeverTakeAComment) {
  const std::string d = global.SaveDir;
  std::ofstream(d + "data_empty");
  std::ofstream(d + "data_short") << "only one";
  std::ofstream(d + "data_plain") << "plain,100,comment";  // not packed: read as it is
  const std::string packed = std::string("\x10\x00\x00\x5A", 4) + "garbage that is no zlib";
  std::ofstream(d + "data_damaged", std::ios::binary) << packed;
  std::filesystem::create_directory(d + "data_folder");
  // Far beyond any real save: a small file that unpacks to 2 MiB, and a
  // plain one of 2 MiB. Both are refused unread, as damaged.
  const Bytes bomb = "t,1,c," + Bytes(2 << 20, 'x');
  WritePackedFile(d + "data_bomb", bomb);
  std::ofstream(d + "data_huge", std::ios::binary) << bomb;
  // A comment no dialog writes: the row is not the file's own text.
  const Bytes longComment = "t,1," + Bytes(5000, 'c');
  WritePackedFile(d + "data_long", longComment);
  // Names that hold no file: read, they would block or never end.
  ASSERT_EQ(::mkfifo((d + "data_fifo").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", d + "data_zero");
  // Listed from its head; opened, it is no record the story could restore.
  WritePackedFile(d + "data_junk", "t,1,junk" + Bytes(1 << 19, ','));
  TFormShiori form(d);
  form.OpenForLoad();
  ASSERT_EQ(form.Rows.size(), 11u);
  for (const auto& row : form.Rows) {
    if (row.file == "data_plain") {
      EXPECT_EQ(row.comment, "comment");
    }
    if (row.file == "data_junk") {
      EXPECT_EQ(row.comment, "junk");
    }
    if (row.file == "data_damaged" || row.file == "data_bomb" || row.file == "data_huge" ||
        row.file == "data_long" || row.file == "data_fifo" || row.file == "data_zero") {
      EXPECT_EQ(row.comment, Gbk("（损坏）")) << row.file;
      EXPECT_EQ(row.title, "") << row.file;
    }
  }
  EXPECT_TRUE(form.Button2Enabled);
  auto select = [&](const std::string& name) {
    for (size_t i = 0; i < form.Rows.size(); ++i)
      if (form.Rows[i].file == name) form.SelectRow(static_cast<int>(i));
  };

  // A comment into a file with fewer than three fields changes nothing and says so.
  select("data_short");
  form.TextChanged(TFormShiori::kEdit, "mine");
  EXPECT_FALSE(form.StoreComment());
  EXPECT_EQ(ReadPackedFile(d + "data_short"), "only one");
  EXPECT_FALSE(form.TakeNotice().empty());
  select("data_damaged");
  EXPECT_FALSE(form.StoreComment());
  EXPECT_FALSE(form.TakeNotice().empty());
  EXPECT_EQ(*ReadWholeFile(d + "data_damaged"), packed);

  // Opening what cannot be read or holds nothing tells the reader and stays open.
  global.HandOver.clear();
  for (const char* name : {"data_damaged", "data_empty", "data_folder", "data_bomb", "data_fifo",
                           "data_zero", "data_plain", "data_junk"}) {
    select(name);
    form.Button2Click();
    EXPECT_FALSE(form.Closed()) << name;
    EXPECT_FALSE(form.TakeNotice().empty()) << name;
  }
  EXPECT_TRUE(global.HandOver.empty());
  EXPECT_TRUE(FileExists(d + "data_damaged"));
  select("data_bomb");
  EXPECT_FALSE(form.StoreComment());
  EXPECT_EQ(ReadPackedFile(d + "data_bomb"), bomb);
  select("data_long");
  EXPECT_FALSE(form.StoreComment());
  EXPECT_FALSE(form.TakeNotice().empty());
  EXPECT_EQ(ReadPackedFile(d + "data_long"), longComment);

  // The save folder vanishes while the dialog is open.
  std::filesystem::remove_all(d);
  select("data_plain");
  EXPECT_FALSE(form.StoreComment());
  form.Button3Click();  // deletes nothing, lists nothing, says where it looked
  EXPECT_EQ(form.Rows.size(), 1u);
  EXPECT_FALSE(form.Button2Enabled);
  int notices = 0;
  while (!form.TakeNotice().empty()) ++notices;
  EXPECT_GE(notices, 2);
}

TEST(DialogKeys, MessageBoxesAnswerByKeyAndCloseBox) {
  MessageBoxModel yesNo("Q", "", MessageKind::Confirmation, true, CodePage::GBK);
  yesNo.KeyDown(kEnter, 0);  // Yes is the default button
  EXPECT_EQ(yesNo.Answer(), MessageAnswer::Yes);
  MessageBoxModel moved("Q", "", MessageKind::Confirmation, true, CodePage::GBK);
  moved.KeyDown(39, 0);  // right arrow to No, then Enter
  moved.KeyDown(kEnter, 0);
  EXPECT_EQ(moved.Answer(), MessageAnswer::No);
  MessageBoxModel escaped("Q", "", MessageKind::Confirmation, true, CodePage::GBK);
  escaped.KeyDown(kEscape, 0);
  EXPECT_EQ(escaped.Answer(), MessageAnswer::No);
  MessageBoxModel letter("Q", "", MessageKind::Confirmation, true, CodePage::GBK);
  letter.KeyDown('N', 0);
  EXPECT_EQ(letter.Answer(), MessageAnswer::No);
  MessageBoxModel notice("N", "", MessageKind::Warning, false, CodePage::GBK);
  EXPECT_EQ(notice.Answer(), MessageAnswer::Unanswered);  // nothing answered before it closes
  notice.CloseBox();
  EXPECT_EQ(notice.Answer(), MessageAnswer::Ok);
  EXPECT_EQ(MarkedLetter(Gbk("删除(&D)")), 'D');
  EXPECT_EQ(MarkedLetter("A&&B"), 0);
}

}  // namespace
}  // namespace vantel
