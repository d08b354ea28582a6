#include "shell/UnitSetting.h"

#include <algorithm>

#include "shell/ClassGlobal.h"
#include "sound/FuncSound.h"

namespace vantel {

TFormSetting::TFormSetting(VolumePoster post) : post_(std::move(post)) {
  if (!post_)
    post_ = [](int source, int32_t volume) { PostSound(source, kSoundVolume, Bytes(), volume, 0); };
  // The bars hold only their ranges: a stored value outside is shown at the end.
  if (Global) {
    ScrollBar0 = std::clamp<int32_t>(Global->MessageStep, 1, 255);
    CheckBox6 = Global->AutoScreen;
    CheckBox7 = Global->BackGround;
    ScrollBar1 = std::clamp<int32_t>(Global->Volume1, 0, 255);
    ScrollBar2 = std::clamp<int32_t>(Global->Volume2, 0, 255);
  }
  ScrollBar0Change();
  const DisplayMode mode = ReadDisplayMode(0);
  Label15 = "SCREEN MODE:" + IntToStr(mode.width) + "-" + IntToStr(mode.height) + " " +
            IntToStr(mode.bitsPerPixel) + "bit";
  Label16 = "ESTIMATE CLOCK:" + IntToStr(Global ? Global->ClockMHz : 0) + "MHz";
  SoundBarChange();
  Button3Visible = Global && Global->Clear;
  SetFocus(kScrollBar0);
}

void TFormSetting::ScrollBar0Change() {
  Label12 = IntToStr(ScrollBar0);
}

void TFormSetting::SoundBarChange() {
  post_(0, ScrollBar1);
  post_(1, ScrollBar2);
}

void TFormSetting::Button1Click() {
  if (Global) {
    Global->AutoScreen = CheckBox6;
    Global->BackGround = CheckBox7;
    Global->MessageStep = ScrollBar0;
    Global->Volume1 = ScrollBar1;
    Global->Volume2 = ScrollBar2;
  }
  Finish(kButton1);
}

void TFormSetting::Button2Click() {
  Finish(kButton2);
}

void TFormSetting::CloseBox() {
  Finish(0);
}

void TFormSetting::Finish(int result) {
  if (Closed()) return;
  Close(result);
  FormClose();
}

void TFormSetting::FormClose() {
  // The stored volumes again: kept by OK, restored by cancel and the close box.
  if (!Global) return;
  post_(0, Global->Volume1);
  post_(1, Global->Volume2);
}

void TFormSetting::Button3Click() {
  if (Button3Visible) GetPlatform().OpenUrl(kWebLink);
}

std::vector<Bytes> TFormSetting::Pages() const {
  return {Gbk("显示"), Gbk("声音设置"), Gbk("查看版本信息　")};
}

std::vector<DialogControl> TFormSetting::Controls() const {
  using Kind = DialogControl::Kind;
  std::vector<DialogControl> c;
  auto add = [&](int id, Kind kind, int page, int left, int top, int width, int height,
                 Bytes text) -> DialogControl& {
    c.push_back(DialogControl::Make(id, kind, left, top, width, height, std::move(text)));
    c.back().page = page;
    return c.back();
  };
  auto bar = [&](int id, int page, int left, int top, int width, int value, int minimum) {
    DialogControl& d = add(id, Kind::ScrollBar, page, left, top, width, 16, Bytes());
    d.value = value;
    d.minimum = minimum;
    d.maximum = 255;
  };
  // Page 0: display.
  add(kLabel5, Kind::Label, 0, 8, 13, 0, 0, Gbk("设置文字显示速度:"));
  add(kLabel12, Kind::Label, 0, 107, 13, 0, 0, Label12);
  add(kLabel3, Kind::Label, 0, 8, 36, 0, 0, Gbk("慢速"));
  add(kLabel4, Kind::Label, 0, 250, 36, 0, 0, Gbk("快速"));
  bar(kScrollBar0, 0, 40, 33, 200, ScrollBar0, 1);
  add(kCheckBox6, Kind::CheckBox, 0, 16, 66, 161, 17, Gbk("自动切换屏幕分辨率　　")).value =
      CheckBox6;
  add(kCheckBox7, Kind::CheckBox, 0, 16, 88, 141, 17, Gbk("切换到后台时依旧运行　")).value =
      CheckBox7;
  // Page 1: sound.
  add(kLabel19, Kind::Label, 1, 16, 20, 0, 0, "BGM");
  add(kLabel13, Kind::Label, 1, 58, 20, 0, 0, "MIN");
  add(kLabel14, Kind::Label, 1, 258, 20, 0, 0, "MAX");
  bar(kScrollBar1, 1, 88, 17, 160, ScrollBar1, 0);
  add(kLabel20, Kind::Label, 1, 21, 60, 0, 0, "SE");
  add(kLabel6, Kind::Label, 1, 58, 60, 0, 0, "MIN");
  add(kLabel7, Kind::Label, 1, 258, 60, 0, 0, "MAX");
  bar(kScrollBar2, 1, 88, 57, 160, ScrollBar2, 0);
  // Page 2: version; the labels and the button sit on the sunken panel at 5, 7.
  add(kPanel3, Kind::Panel, 2, 5, 7, 286, 233, Bytes());
  DialogControl& l8 = add(kLabel8, Kind::Label, 2, 5 + 281, 7 + 168, 0, 0, "Zelto+ PLAYER");
  l8.rightAligned = true;
  l8.look = DialogControl::Look::Version;
  DialogControl& l18 = add(kLabel18, Kind::Label, 2, 5 + 281, 7 + 186, 0, 0, "for QUORVALIS");
  l18.rightAligned = true;
  l18.look = DialogControl::Look::Version;
  add(kLabel17, Kind::Label, 2, 5 + 168, 7 + 211, 113, 13, "SystemVersion:2.00").look =
      DialogControl::Look::Fixed;
  add(kLabel15, Kind::Label, 2, 5 + 11, 7 + 8, 0, 0, Label15).visible = false;
  add(kLabel16, Kind::Label, 2, 5 + 11, 7 + 24, 0, 0, Label16).visible = false;
  add(kButton3, Kind::Button, 2, 5 + 16, 7 + 192, 75, 25, "WEB LINK").visible = Button3Visible;
  // Below the pages.
  add(kButton1, Kind::Button, -1, 157, 288, 75, 25, Gbk("ＯＫ"));
  add(kButton2, Kind::Button, -1, 237, 288, 75, 25, Gbk("　取　消　"));
  return c;
}

void TFormSetting::Click(int id) {
  if (id == kButton1) Button1Click();
  if (id == kButton2) Button2Click();
  if (id == kButton3) Button3Click();
}

void TFormSetting::ValueChanged(int id, int value) {
  switch (id) {
    case kScrollBar0:
      ScrollBar0 = std::clamp(value, 1, 255);
      ScrollBar0Change();
      break;
    case kScrollBar1:
      ScrollBar1 = std::clamp(value, 0, 255);
      SoundBarChange();
      break;
    case kScrollBar2:
      ScrollBar2 = std::clamp(value, 0, 255);
      SoundBarChange();
      break;
    case kCheckBox6:
      CheckBox6 = value != 0;
      break;
    case kCheckBox7:
      CheckBox7 = value != 0;
      break;
    default:
      break;
  }
}

void ShowSettingsDialog() {
  TFormSetting form;
  GetPlatform().RunDialog(DialogKind::Settings, form);
}

}  // namespace vantel
