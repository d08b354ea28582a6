// UnitShiori: TFormShiori, the save and load dialog's logic, without a view.
//
// Lists the files of the save folder whose names begin with "data" (in any
// case), sorted by story progress (the chapter number and script position
// that every save record carries as its second item), with each save's
// chapter title and comment. Save mode (after the story wrote a new save):
// the new save's row is selected, the reader types a comment and adds it,
// stores it with Enter, or goes back, which deletes the new save again. Load
// mode: the reader opens a save (its record goes to Global->HandOver),
// deletes saves, or leaves. Only a save's first three items are read, and
// only the third (the comment, at first the date and time) is written.
//
// Bad files never stop the dialog: a file that is empty, short, damaged,
// unreadable or no save at all is listed with what can be read; one that
// would unpack to more than any save holds (kMaxSaveRecordLength) is listed
// as damaged without being read whole, and so is one whose title, key or
// comment is far longer than the player ever writes (4 KiB). Storing a
// comment into a file with fewer than three items, into one listed as
// damaged, or so that the save would grow too long, changes nothing; a save
// folder that vanished lists nothing. Each of these gives the reader a
// notice (DialogModel::TakeNotice) instead.
//
// Depends on data (packed files, comma text), base (paths), the save record's
// size limit (StorySave) and Global (HandOver, SaveDir). The platform draws it (RunDialog,
// DialogKind::SaveLoad).
#pragma once

#include <string>
#include <vector>

#include "base/Bytes.h"
#include "platform/Platform.h"

namespace vantel {

class TFormShiori : public DialogModel {
 public:
  enum : int { kLabel1 = 1, kEdit, kSG, kButton1, kButton2, kButton3, kButton4 };
  static constexpr int kWidth = 354, kHeight = 318;

  // One grid row: the chapter title, the progress key, the comment (GBK
  // text, as the chapter titles are) and the file's name in the folder.
  struct Row {
    Bytes title, key, comment;
    std::string file;
  };

  // PendingName "-", SaveDir as given (with its trailing '/').
  explicit TFormShiori(std::string saveDir);

  // The openers: save mode for the file just written (empty: none), caption
  // "栞に追加"; load mode with the last row selected, caption "记录列表".
  void OpenForSave(const std::string& pendingName);
  void OpenForLoad();

  void RefreshList();
  // Selects row r (a selection change runs SGClick).
  void SelectRow(int r);
  void SGClick();
  // Writes the edit box's text as the current row's comment; false, with a
  // notice, when the file cannot take it (nothing is changed then).
  bool StoreComment();
  void Button1Click();  // add: store the comment, then close
  void Button2Click();  // open
  void Button3Click();  // delete
  void Button4Click();  // back
  void EditKeyUp(int key);

  // ---- Fields ----
  Bytes FormCaption;  // GBK
  std::string PendingName = "-";
  std::string SaveDir;
  std::vector<Row> Rows{Row{}};  // the grid: always at least one row
  int CurrentRow = 0;
  int TopRow = 0;
  Bytes Label1, EditText;  // GBK
  bool Button1Enabled = true, Button2Enabled = true, Button3Enabled = true;
  bool Button4Enabled = true, SGEnabled = true, EditEnabled = true;

  // ---- DialogModel ----
  Bytes Caption() const override { return FormCaption; }
  int Width() const override { return kWidth; }
  int Height() const override { return kHeight; }
  std::vector<DialogControl> Controls() const override;
  void Click(int id) override;
  void DoubleClick(int id) override;
  void TextChanged(int id, const Bytes& text) override;
  void RowSelected(int id, int row) override;
  void KeyReleased(int id, int key) override;
  // A pane for the selected save's thumbnail, when it has one (SaveThumbs).
  int SideWidth() const override;
  const Picture* SidePicture() const override;

 private:
  std::string FileOf(int row) const;
  mutable Picture thumb_;  // the thumbnail of thumbFor_, when hasThumb_
  mutable std::string thumbFor_ = "\n";
  mutable bool hasThumb_ = false;
};

// The save dialog for the file the story just wrote (empty: none), and the
// load dialog, run modally on the platform over the frozen picture. They
// are the main window's save and load hooks.
void ShowSaveDialog(const Bytes& pendingName);
void ShowLoadDialog();

}  // namespace vantel
