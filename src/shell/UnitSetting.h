// UnitSetting: TFormSetting, the settings dialog's logic, without a view.
//
// Three pages: the text speed and the display-switch and keep-running
// options; the two volumes, heard live while their bars move; the version
// page with the web link (offered only once the story has been completed,
// Global->Clear). OK stores the settings in Global (the main window then
// writes them); every close, by OK, cancel or the close box, gives the
// sources the stored volumes again, so cancel undoes what the bars did.
//
// Depends on Global (the settings), the sound helpers (through a poster
// that tests may replace) and the platform (display mode, OpenUrl).
#pragma once

#include <cstdint>
#include <functional>

#include "base/Bytes.h"
#include "platform/Platform.h"

namespace vantel {

class TFormSetting : public DialogModel {
 public:
  enum : int {
    kLabel5 = 1,
    kLabel12,
    kLabel3,
    kLabel4,
    kScrollBar0,
    kCheckBox6,
    kCheckBox7,
    kLabel19,
    kLabel13,
    kLabel14,
    kScrollBar1,
    kLabel20,
    kLabel6,
    kLabel7,
    kScrollBar2,
    kPanel3,
    kLabel8,
    kLabel18,
    kLabel17,
    kLabel15,
    kLabel16,
    kButton3,
    kButton1,
    kButton2
  };
  static constexpr int kWidth = 320, kHeight = 318;
  // The web page the version page links to.
  static constexpr const char* kWebLink = "https://vantel.example/";

  // Sets a source's volume (0 music, 1 effects); PostSound kind 4 by default.
  using VolumePoster = std::function<void(int source, int32_t volume)>;
  // FormCreate: the controls from Global's settings, the volumes sent once.
  explicit TFormSetting(VolumePoster post = {});

  void ScrollBar0Change();
  void SoundBarChange();
  void Button1Click();  // OK
  void Button2Click();  // cancel
  void Button3Click();  // web link
  void FormClose();

  // ---- Fields (the controls' state) ----
  int32_t ScrollBar0 = 1, ScrollBar1 = 0, ScrollBar2 = 0;
  bool CheckBox6 = false, CheckBox7 = false;
  Bytes Label12, Label15, Label16;
  bool Button3Visible = false;

  // ---- DialogModel ----
  Bytes Caption() const override { return Gbk("游戏系统设置　"); }
  int Width() const override { return kWidth; }
  int Height() const override { return kHeight; }
  ScreenRect PageArea() const override { return {7, 8, 305, 273}; }
  std::vector<Bytes> Pages() const override;
  std::vector<DialogControl> Controls() const override;
  void Click(int id) override;
  void ValueChanged(int id, int value) override;
  void CloseBox() override;

 private:
  void Finish(int result);
  VolumePoster post_;
};

// The settings dialog, run modally on the platform (the main window's hook).
void ShowSettingsDialog();

}  // namespace vantel
