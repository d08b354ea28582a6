#include "scenes/Class_Scroll.h"

#include <algorithm>
#include <climits>

#include "platform/Platform.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

constexpr const char* kCredits[Tscroll::kLineCount] = {
    "1-企画",
    "2-脚本",
    "3-キャラクター",
    "4-サブキャラ",
    "5-2DCG",
    "6-原画",
    "7-彩色",
    "8-レイアウト",
    "9-彩色設定",
    "10-美術",
    "11-3DCG",
    "12-プログラム",
    "13-スクリプト",
    "14-ムービー",
    "15-デザイン",
    "16-題字",
    "17-サウンド",
    "18-サウンドプロ",
    "19-サウンドサブ",
    "20-コンポーザー",
    "21-ギター",
    "22-胡弓",
    "23-テーマ曲",
    "24-サウンド",
    "25-進行管理",
    "26-デバッグ",
    "27-広報",
    "28-サポート",
    "29-協力",
    "30-Thanks",
    "31-プロデューサー",
    "32-監督",
    "33-製作ゼルト",
};

constexpr int32_t kStartTop = 650;   // the first line starts 50 pixels below the screen
constexpr int64_t kTravel = 7500;    // pixels the stack rises over FTotalTicks
constexpr int32_t kGap = 100;        // between lines; doubled before the last two
constexpr int32_t kLoadBelow = 800;  // lines are loaded once above this
constexpr int32_t kDropAbove = -300;
constexpr int32_t kEndAbove = -400;  // the last line past this ends the scroll

}  // namespace

std::vector<Bytes> Tscroll::CreditNames() {
  std::vector<Bytes> names;
  for (const char* n : kCredits) names.push_back(Sjis(n));
  return names;
}

Tscroll::Tscroll(Tflat* parent) : Tflat(parent) {
  if (Global && Global->FullScreen) CentreOnScreen(*this);
  FActive = true;
  LoadPicture("black");
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(0, 0);
  FComposite = true;
  FComposition.SetPixelFormat(Picture::Format::BGR24);
  FComposition.SetSize(800, 600);
  FCurrent = &FComposition;
  for (int i = 0; i < kLineCount; ++i) {
    auto line = std::make_unique<Tflat>(this);
    line->SetTop(600);
    FLines.push_back(std::move(line));
  }
  FNames = CreditNames();
  FTicks = 0;
  FTotalTicks = std::max(GetSoundRemaining(0) / 50, kMinTicks);
}

Tscroll::~Tscroll() = default;

void Tscroll::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  if (FState == 0) {
    if (code == 100) Scroll(a == 1);
    return;
  }
  if (FState == 1 && code == 40) {
    // Accepted while the final blend still runs.
    if (Global) {
      Global->NextScene = kSceneTitle;
      Global->Clear = true;
      Global->SaveSettings();
    }
  }
}

void Tscroll::Scroll(bool late) {
  ++FTicks;  // late ticks keep the time; the next on-time tick catches up
  if (late) return;
  // 64-bit: a very long closing piece must not overflow the product.
  int64_t y = kStartTop - int64_t{FTicks} * kTravel / FTotalTicks;
  for (int i = 0; i < kLineCount; ++i) {
    Tflat& line = *FLines[size_t(i)];
    line.SetTop(int32_t(std::clamp<int64_t>(y, INT32_MIN / 2, INT32_MAX / 2)));
    y += line.FPicture.Height() + kGap;
    if (i == 30 || i == 31) y += kGap;
    if (line.FTop < kLoadBelow && line.FTag.empty()) {
      Notice.Load(line, FNames[size_t(i)]);
      line.SetLeft(400 - line.FPicture.Width() / 2);
      line.FTag = "dsp";
      line.FActive = true;
    }
    if (line.FTop < kDropAbove && !line.FTag.empty() && line.FPicture.Width() != 1)
      line.FPicture.SetWidth(1);
  }
  if (FLines.back()->FTop < kEndAbove) {
    FSnapshot.SetPixelFormat(Picture::Format::BGR24);
    FSnapshot.SetSize(800, 600);
    FSnapshot.Fill(0x000000);
    Notice.Load(*this, "clear", "black");
    BeginTransition(1, 1000);
    FState = 1;
    FTicks = 0;
  }
}

void RegisterScrollScene() {
  RegisterScene(kSceneCredits, [] { return std::make_unique<Tscroll>(nullptr); });
}

}  // namespace vantel
