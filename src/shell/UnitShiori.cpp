#include "shell/UnitShiori.h"

#include <algorithm>
#include <utility>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ClassSList.h"
#include "data/CommaText.h"
#include "data/FuncFile.h"
#include "script/StorySave.h"
#include "shell/ClassGlobal.h"
#include "shell/ReaderNotice.h"

namespace vantel {
namespace {

constexpr int kVkEnter = 13;

// Names in the reader's notices are the reader's own; what a library said
// of the failure is logged in English (ReaderNotice), not shown.
Bytes GbkText(const std::string& utf8) {
  return GbkName(utf8);
}

// The listed items of a save the player wrote are a chapter title, a
// progress key and a comment typed into a 511-byte edit box. A file with a
// longer one is listed as damaged, so that a folder full of crafted files
// holds no more than this per row in memory.
constexpr size_t kMaxListedItem = 4096;

constexpr int kListedItems = 3;

bool HasListedItems(const TSlist& fields) {
  if (fields.Count() < kListedItems) return false;
  for (int i = 0; i < kListedItems; ++i)
    if (fields[i].size() > kMaxListedItem) return false;
  return true;
}

}  // namespace

TFormShiori::TFormShiori(std::string saveDir) : SaveDir(std::move(saveDir)) {}

void TFormShiori::OpenForSave(const std::string& pendingName) {
  PendingName = pendingName;
  RefreshList();
  Button2Enabled = Button3Enabled = SGEnabled = false;
  FormCaption = Gbk("栞に追加");
  SetFocus(kEdit);
}

void TFormShiori::OpenForLoad() {
  RefreshList();
  Button1Enabled = false;
  FormCaption = Gbk("记录列表");
  SetFocus(kSG);
  const int last = static_cast<int>(Rows.size()) - 1;
  SelectRow(last);
  TopRow = last;
}

void TFormShiori::RefreshList() {
  Rows.assign(1, Row{});
  if (PendingName.empty()) PendingName = "-";

  struct SortRow {
    Bytes text;  // the row as the list compares it, lower-cased: key, title, comment, name
    Row row;
  };
  std::vector<SortRow> sorted;
  if (!DirectoryExists(SaveDir)) Notify(Gbk("找不到保存记录的文件夹：") + GbkText(SaveDir));
  for (const std::string& name : ListDirectory(SaveDir)) {
    if (LowerCase(name.substr(0, 4)) != "data") continue;
    TSlist fields;
    bool damaged = false;
    try {
      // Only the three listed items are split off: a record of a million
      // empty items lists as fast as a real one.
      for (Bytes& item : SplitCommaText(ReadPackedFile(SaveDir + name, kMaxSaveRecordLength),
                                        kListedItems))
        fields.Add(std::move(item));
      while (fields.Count() < kListedItems) fields.Add("");
      damaged = !HasListedItems(fields);
    } catch (const Error& e) {
      LogDetail(e.what());
      damaged = true;
    }
    if (damaged) {
      // Damaged, unreadable or far beyond any real save (refused before it
      // is read whole): listed by name with nothing read from it.
      fields.Clear();
      fields.Add("");
      fields.Add("");
      fields.Add(Gbk("（损坏）"));
    }
    Row row{fields[0], fields[1], fields[2], name};
    TSlist line;
    line.Add(row.key);
    line.Add(row.title);
    line.Add(row.comment);
    line.Add(name);
    // The string list's sort compares whole row texts, ASCII case ignored
    // (never in the middle of a double-byte character).
    sorted.push_back({LowerCase(line.CommaText()), std::move(row)});
  }
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const SortRow& a, const SortRow& b) { return a.text < b.text; });

  int remembered = -1;
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (i > 0) Rows.emplace_back();
    Rows.back() = std::move(sorted[i].row);
    if (Rows.back().file == PendingName) remembered = static_cast<int>(i);
  }
  if (PendingName == "-") Button2Enabled = Button3Enabled = !sorted.empty();
  CurrentRow = remembered < 0 ? 0 : remembered;
  TopRow = CurrentRow;
  SGClick();
}

void TFormShiori::SelectRow(int r) {
  CurrentRow = std::clamp(r, 0, static_cast<int>(Rows.size()) - 1);
  SGClick();
}

void TFormShiori::SGClick() {
  Label1 = Rows[CurrentRow].title;
  EditText = Rows[CurrentRow].comment;
}

std::string TFormShiori::FileOf(int row) const {
  return row >= 0 && row < static_cast<int>(Rows.size()) ? Rows[row].file : std::string();
}

bool TFormShiori::StoreComment() {
  const std::string name = FileOf(CurrentRow);
  if (name.empty()) return true;  // an empty grid: nothing to store into
  const std::string path = SaveDir + name;
  TSlist fields;
  try {
    if (!FileExists(path)) {
      Notify(Gbk("记录文件已不存在，注释没有保存：") + GbkText(name));
      return false;
    }
    fields.SetCommaText(ReadPackedFile(path, kMaxSaveRecordLength));
  } catch (const Error& e) {
    LogDetail(e.what());
    Notify(Gbk("无法读取记录文件，注释没有保存：") + GbkText(name));
    return false;
  }
  // A file that is no save record keeps what it holds; so does one listed
  // as damaged, whose comment in the dialog is not its own.
  if (!HasListedItems(fields)) {
    Notify(Gbk("这个文件不是完整的记录，注释没有保存：") + GbkText(name));
    return false;
  }
  fields.SetString(2, EditText);
  const Bytes record = fields.CommaText();
  if (record.size() > kMaxSaveRecordLength) {
    // Written, the save would no longer be read back.
    Notify(Gbk("注释太长，注释没有保存。"));
    return false;
  }
  try {
    WritePackedFile(path, record);
  } catch (const Error& e) {
    LogDetail(e.what());
    Notify(Gbk("无法写入记录文件，注释没有保存：") + GbkText(name));
    return false;
  }
  Rows[CurrentRow].comment = EditText;
  return true;
}

void TFormShiori::Button1Click() {
  if (StoreComment()) Close(kButton1);
}

void TFormShiori::EditKeyUp(int key) {
  if (key != kVkEnter) return;
  const std::string name = FileOf(CurrentRow);
  if (!name.empty() && FileExists(SaveDir + name)) StoreComment();
}

void TFormShiori::Button2Click() {
  const std::string name = FileOf(CurrentRow);
  if (name.empty()) return;
  Bytes record;
  try {
    record = ReadPackedFile(SaveDir + name, kMaxSaveRecordLength);
  } catch (const Error& e) {
    LogDetail(e.what());
    Notify(Gbk("无法读取这个记录：") + GbkText(name));
    return;
  }
  if (record.empty()) {
    // An empty record would start nothing; the dialog stays for another choice.
    Notify(Gbk("这个记录是空的或已不存在：") + GbkText(name));
    return;
  }
  try {
    // The record is checked whole here, with the same check the story
    // restores by: once the dialog closes the story in play is gone, so a
    // record that cannot be restored must be refused while it still stands.
    ParseSaveRecord(record);
  } catch (const Error& e) {
    LogDetail(name + ": " + e.what());
    Notify(Gbk("这个记录已损坏，无法读取：") + GbkText(name));
    return;
  }
  if (Global) Global->HandOver = std::move(record);
  Close(kButton2);
}

void TFormShiori::Button3Click() {
  const int r = CurrentRow;
  const std::string name = FileOf(r);
  if (!name.empty()) DeleteFile(SaveDir + name);
  RefreshList();
  SelectRow(r < static_cast<int>(Rows.size()) ? r : r - 1);
}

void TFormShiori::Button4Click() {
  // "-" names no save; a file that happens to be called so is not touched.
  if (PendingName != "-" && !PendingName.empty()) DeleteFile(SaveDir + PendingName);
  Close(kButton4);
}

std::vector<DialogControl> TFormShiori::Controls() const {
  using Kind = DialogControl::Kind;
  std::vector<DialogControl> c;
  auto add = [&](int id, Kind kind, int left, int top, int width, int height, Bytes text,
                 bool enabled, CodePage cp = CodePage::GBK) {
    c.push_back(DialogControl::Make(id, kind, left, top, width, height, std::move(text)));
    c.back().enabled = enabled;
    c.back().cp = cp;
  };
  add(kLabel1, Kind::Label, 11, 8, 0, 0, Label1, true, CodePage::GBK);
  add(kEdit, Kind::Edit, 128, 5, 217, 20, EditText, EditEnabled, CodePage::GBK);
  add(kSG, Kind::Grid, 8, 32, 337, 249, Bytes(), SGEnabled, CodePage::GBK);
  DialogControl& grid = c.back();
  grid.columns = {120, 0, 200, 0};
  for (const Row& row : Rows) grid.rows.push_back({row.title, row.key, row.comment, row.file});
  grid.row = CurrentRow;
  grid.topRow = TopRow;
  add(kButton1, Kind::Button, 8, 288, 81, 25, Gbk("追加(&A)"), Button1Enabled);
  add(kButton2, Kind::Button, 93, 288, 81, 25, Gbk("打开(&O)"), Button2Enabled);
  add(kButton3, Kind::Button, 178, 288, 83, 25, Gbk("删除(&D)"), Button3Enabled);
  add(kButton4, Kind::Button, 264, 288, 83, 25, Gbk("返回(&B)"), Button4Enabled);
  return c;
}

void TFormShiori::Click(int id) {
  const bool enabled[] = {Button1Enabled, Button2Enabled, Button3Enabled, Button4Enabled};
  if (id < kButton1 || id > kButton4 || !enabled[id - kButton1]) return;
  if (id == kButton1) Button1Click();
  if (id == kButton2) Button2Click();
  if (id == kButton3) Button3Click();
  if (id == kButton4) Button4Click();
}

void TFormShiori::DoubleClick(int id) {
  if (id == kSG && SGEnabled && Button2Enabled) Button2Click();
}

void TFormShiori::TextChanged(int id, const Bytes& text) {
  if (id == kEdit) EditText = text;
}

void TFormShiori::RowSelected(int id, int row) {
  if (id == kSG && SGEnabled) SelectRow(row);
}

void TFormShiori::KeyReleased(int id, int key) {
  if (id == kEdit) EditKeyUp(key);
}

namespace {
void RunShiori(TFormShiori& form) {
  // Over the main window, a little above its middle.
  form.PlaceLeft = (800 - TFormShiori::kWidth) / 2;
  form.PlaceTop = (600 - TFormShiori::kHeight) / 2 - 20;
  GetPlatform().RunDialog(DialogKind::SaveLoad, form);
}
}  // namespace

void ShowSaveDialog(const Bytes& pendingName) {
  if (!Global) return;
  TFormShiori form(Global->SaveDir);
  form.OpenForSave(pendingName);
  RunShiori(form);
}

void ShowLoadDialog() {
  if (!Global) return;
  TFormShiori form(Global->SaveDir);
  form.OpenForLoad();
  RunShiori(form);
}

}  // namespace vantel
