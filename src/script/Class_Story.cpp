#include "script/Class_Story.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <string>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/FuncFile.h"
#include "graphics/FuncBmpDraw.h"
#include "graphics/FuncEffect.h"
#include "platform/Platform.h"
#include "script/StorySave.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "shell/ReaderAdditions.h"
#include "shell/ReaderNotice.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

constexpr int32_t kKeyUp = 20, kClick = 40, kTick = 100;
constexpr int32_t kSpace = 32;
constexpr int32_t kTickMs = 50;

constexpr int32_t kRunning = 0, kTextWait = 1, kTransition = 3, kEnded = 11, kWhite = 15,
                  kRestored = 16;

const char* const kTags[8] = {"background", "layer1", "left",   "center",
                              "right",      "align4", "layer2", "layer3"};

// n * 100 without overflow: script times are tenths of a second.
int32_t Times100(int32_t n) {
  return int32_t(std::clamp<int64_t>(int64_t(n) * 100, INT32_MIN, INT32_MAX));
}

// One tick off a clock, stopping at the bottom instead of wrapping round.
int32_t MinusTick(int32_t ms) {
  return int32_t(std::max<int64_t>(int64_t(ms) - kTickMs, INT32_MIN));
}

bool ShiftDown() {
  return GetPlatform().ShiftKeyDown();
}

}  // namespace

TStory::TStory(Tflat* parent, TextService* text) : Tflat(parent) {
  FTag = kTags[0];
  FNamed[0] = this;
  if (Global && Global->FullScreen) Centre();
  for (int i = 0; i < 7; ++i) {
    layers_[i] = std::make_unique<Tflat>(this);
    layers_[i]->FTag = kTags[i + 1];
    FNamed[i + 1] = layers_[i].get();
  }
  box_ = std::make_unique<Tflat>(this);
  box_->FTag = "box";
  FBox = box_.get();
  text_ = std::make_unique<TFlatText>(this, text);
  text_->FTag = "tex";
  FText = text_.get();
  // The setting keeps any speed above 0; the text layer's range is 1 ... 255.
  FText->FRevealSpeed = Global ? std::clamp(Global->MessageStep, 1, 255) : FText->FRevealSpeed;
  FText->FActive = true;

  script_ = std::make_unique<TCodeBlue>();
  FScript = script_.get();
  FWhiteOut = 0;
  FActive = true;
  script_->Load(Sjis("脚本1"));

  LoadPicture("#FFFFFF");
  FComposition.SetSize(FPicture.Width(), FPicture.Height());
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(FCurrent->Width(), FCurrent->Height());
  FState = kTransition;

  if (Global && !Global->HandOver.empty()) {
    const Bytes record = std::move(Global->HandOver);
    Global->HandOver.clear();
    try {
      LoadData(record);
      FState = kRestored;
    } catch (const std::exception& e) {
      // The record stays wherever it came from (its save file is not
      // touched); the reader is told and taken back to the title.
      TellReader(Gbk("无法读取存档，将回到标题画面。"), e.what());
      FState = kEnded;
      backToTitle_ = true;
    }
  }
}

TStory::~TStory() {
  const bool toCredits = Global && Global->NextScene == kSceneCredits;
  if (!toCredits) PostSound(0, kSoundFadeOut, Bytes(), 800, 0);
  PostSound(1, kSoundFadeOut, Bytes(), 800, 0);
  // The message log is an excursion: the story comes back from its record.
  // Until the story ends for good the backup is the reader's way back, should
  // the program end by an error meanwhile.
  const bool toLog = Global && Global->NextScene == kSceneMessageLog;
  if (Global && !toLog && !Global->SaveDir.empty()) DeleteFile(Global->SaveDir + "backup");
}

void TStory::Centre() {
  CentreOnScreen(*this);
}

void TStory::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  if (code == kTick) {
    Tick();
    return;
  }
  if ((code != kKeyUp && code != kClick) || FState != kTextWait) return;
  if (code == kKeyUp && a == kSpace) {
    FText->RevealAll();
    ShowWindow(!FText->FVisible);
    Compose();
    return;
  }
  if (FWaitKey) Advance();
}

void TStory::Advance() {
  if (FText->FDone)
    LeaveWait();
  else if (FText->FFull)
    FText->ClearPage();
  else
    FText->RevealAll();
}

void TStory::Tick() {
  // Asked for at the first tick: the scene manager clears its request after
  // building this scene.
  if (backToTitle_ && Global) Global->NextScene = kSceneTitle;
  switch (FState) {
    case kRunning:
      Run();
      break;
    case kTextWait:
      if (FTimed) {
        FTimer = MinusTick(FTimer);
        if (FTimer < 0) LeaveWait();
      } else if (Global && Global->AutoSkip && FText->FDone) {
        FTimed = true;
        FTimer = 2000;
      }
      if (ShiftDown() || (Reader && Reader->SkipsPage(FScript->ScriptName, FScript->Position)))
        Advance();
      break;
    case kTransition:
      if (FProgress >= 256) FState = kRunning;
      break;
    case kWhite:
      FWhiteOut = MinusTick(FWhiteOut);
      if (FWhiteOut < 0) {
        FState = kRunning;
        FillDirty(1);
      }
      break;
    case kRestored:
      if (FProgress >= 256) {
        if (!FText->FPageText.empty()) {
          FText->RevealAll();
          ShowWindow(true);
        }
        FState = kTextWait;
        FWaitKey = true;
      }
      break;
    default:
      break;
  }
}

void TStory::Run() {
  for (int n = 0; FState == kRunning && n < kMaxActionsPerRun; ++n) {
    stepFrom_ = FScript->Position;
    stepTokens_ = FScript->TokensVersion;
    FAction.SetText(FScript->Step());
    if (FAction.Count() == 0) return;
    Perform();
  }
}

void TStory::Perform() {
  const Bytes& name = FAction[0];
  if (name == "end") {
    FState = kEnded;
  } else if (name == "flat") {
    LayerAction();
  } else if (name == "wipe") {
    Wipe();
  } else if (name == "pagefeed") {
    FText->ClearPage();
  } else if (name == "clear") {
    ShowWindow(false);
    for (int i = 1; i < 8; ++i) {
      // Cleared layers vanish from the screen at the next composition.
      FNamed[i]->Invalidate();
      FNamed[i]->Clear();
    }
  } else if (name == "white") {
    FWhiteOut = StrToIntDef(FAction.Count() > 1 ? FAction[1] : Bytes(), 0);
    FState = kWhite;
    FillDirty(1);
  } else if (name == "wait") {
    TextWait(false);
  } else if (name == "key") {
    TextWait(true);
  } else if (name == "box") {
    BoxAction();
  } else if (name == "scroll") {
    if (Global) Global->NextScene = kSceneCredits;
  }
}

void TStory::LoadPictureReported(Tflat& layer, const Bytes& name) {
  try {
    layer.LoadPicture(name);
  } catch (const Error& e) {
    // A damaged picture must not end the story: the reader is told which
    // picture failed, and the story goes on without it. A script that loads
    // it again and again (a loop) would open a modal box every time: the
    // reader hears of each picture once, the log gets every failure.
    if (Global) Global->AppendLog(FromUtf8(e.what()));
    if (pictureFailuresShown_.insert(LowerCase(name)).second)
      TellReader(Gbk("无法读取图片：") + FromUtf8(ToUtf8(name), CodePage::GBK));
  }
}

void TStory::LayerAction() {
  auto field = [&](int i) { return i < FAction.Count() ? FAction[i] : Bytes(); };
  int index = -1;
  for (int i = 0; i < 8; ++i)
    if (FNamed[i]->FTag == field(1)) index = i;
  if (index < 0) return;
  Tflat& layer = *FNamed[index];
  if (field(2) == "off") {
    // Its cells are redrawn without it even when no wipe follows.
    layer.Invalidate();
    layer.FVisible = false;
    return;
  }
  LoadPictureReported(layer, field(3));
  layer.FOpacity = StrToIntDef(field(6), 255);
  if (index >= 2 && index <= 4) {
    static const int32_t kColumnX[3] = {240, 400, 560};
    layer.SetLeft(kColumnX[index - 2] - layer.FPicture.Width() / 2);
    layer.SetTop(600 - layer.FPicture.Height());
    layer.Invalidate();  // the new place, not only the old one
  }
}

void TStory::Wipe() {
  ++FWipeCount;
  if (FWipeCount % 5 == 0) {
    try {
      SaveToFile("backup");
    } catch (const Error& e) {
      // The backup is a safety net; failing to write it must not stop the story.
      if (Global) Global->AppendLog(FromUtf8(e.what()));
    }
  }
  ShowWindow(false);
  Compose();
  const Bytes effect = FAction.Count() > 1 ? FAction[1] : Bytes();
  int32_t kind = kFade;
  if (effect == "mesh")
    kind = kMesh;
  else if (effect == "fall")
    kind = kFall;
  else if (effect == "noize")
    kind = kNoise;
  else if (effect == "scan")
    kind = kScan;
  const int32_t duration = StrToIntDef(FAction.Count() > 2 ? FAction[2] : Bytes(), 1000);
  if (duration > 0 && !ShiftDown() && !(Reader && Reader->Skipping()) && FCatchUpLine == 0) {
    BeginTransition(kind, duration);
    FState = kTransition;
    return;
  }
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(FComposition.Width(), FComposition.Height());
  Blend(FSnapshot, 0, 0, FComposition, 0, 0, FComposition.Width(), FComposition.Height(), 255);
  FCurrent = &FComposition;
  FillDirty(1);
  Compose();
}

void TStory::TextWait(bool key) {
  const Bytes time = FAction.Count() > 1 ? FAction[1] : Bytes();
  FState = kTextWait;
  FWaitKey = key;
  if (key) {
    const int32_t n = StrToIntDef(time, -1);
    FTimer = Times100(n);
    FTimed = n != -1;
  } else {
    FTimer = Times100(StrToIntDef(time, 10));
    FTimed = true;
  }
  for (int i = 0; i < 2 && FAction.Count() > 0; ++i) FAction.Delete(0);
  if (FText->FPageText.empty()) {
    // This text begins the page: its first token, past the tokeniser's
    // line breaks (which carry the line before), is where a reload redraws from.
    FPageLine = FPageBreaks = 0;
    if (stepTokens_ == FScript->TokensVersion) {
      int32_t from = stepFrom_;
      const int32_t last = std::min(FScript->Position, FScript->Count()) - 1;
      while (from < last && ((*FScript)[from] == "<BR>" || (*FScript)[from] == "<P>"))
        ++from, ++FPageBreaks;
      if (from >= 0 && from <= last) FPageLine = FScript->Tag(from);
    }
  }
  const Bytes page = FAction.Text();
  if (FText->AddText(page)) ShowWindow(true);
  if (Reader) Reader->PageShown(page);
  if (FCatchUpLine > 0) {
    // A reload draws the page again: the waits before the line the reader
    // was at pass at once, as long as the page holds the text.
    FText->RevealAll();
    if (FScript->CurrentLine < FCatchUpLine && !FText->FFull) {
      FState = kRunning;
      return;
    }
    FCatchUpLine = 0;
  }
}

void TStory::LeaveWait() {
  // The page is read: the wait at this position of this script is behind the reader.
  if (Reader) Reader->PageRead(FScript->ScriptName, FScript->Position);
  FState = kRunning;
}

void TStory::BoxAction() {
  int32_t type = 0, colour = 0, opacity = 0;
  const bool numbers = FAction.Count() > 3 && TryStrToInt(FAction[1], type) &&
                       TryStrToInt(FAction[2], colour) && TryStrToInt(FAction[3], opacity);
  if (!numbers || type < 0 || type > 7) {
    // A script fault: reported with the script's other errors, on the line
    // of the <box> tag (the step has moved past it), and the box stays.
    FScript->ReportErrorAt(FScript->CurrentLine, Sjis("ボックス番号<") +
                                                     (FAction.Count() > 1 ? FAction[1] : Bytes()) +
                                                     Sjis(">は0-7の範囲外です."));
    return;
  }
  SetupBox(type, colour, opacity);
  ShowWindow(false);
}

void TStory::ShowWindow(bool visible) {
  for (Tflat* layer : {static_cast<Tflat*>(FText), FBox}) {
    layer->FillDirty(1);
    layer->PropagateDirty();
  }
  FText->FVisible = visible;
  FBox->FVisible = visible;
  for (Tflat* layer : {static_cast<Tflat*>(FText), FBox}) {
    layer->FillDirty(1);
    layer->PropagateDirty();
  }
}

void TStory::SetupBox(int32_t type, int32_t colour, int32_t opacity) {
  type = std::clamp(type, 0, 7);  // callers check; the layout has eight boxes
  FBoxType = type;
  FBoxColour = colour;
  FBoxOpacity = opacity;
  const int32_t left = Global ? Global->BoxLeft[type] : 0, top = Global ? Global->BoxTop[type] : 0;
  const int32_t width = Global ? Global->BoxWidth[type] : 0,
                height = Global ? Global->BoxHeight[type] : 0;
  FBox->Invalidate();
  FBox->FPicture.SetPixelFormat(Picture::Format::BGR24);
  FBox->FOpacity = opacity;
  FBox->FPicture.SetSize(0, 0);
  // -1 is no colour: the box is then black, under the white text.
  FBox->FPicture.SetFillColour(colour < 0 ? 0 : colour);
  FBox->FPicture.SetSize(width, height + 20);
  FBox->SetLeft(left);
  FBox->SetTop(top - 10);
  FText->SetBox(left + 10, top, width - 20, height);
  FText->FActive = true;
  FBox->Show();
  Compose();
}

Bytes TStory::SaveData() {
  SaveRecord r;
  r.chapterTitle = FScript->ChapterTitle;
  r.progressKey = ProgressKey(FScript->ChapterNumber, FScript->Position);
  r.dateTime = SaveDateText(std::time(nullptr));
  for (int i = 0; i < 8; ++i) r.layers[i] = FNamed[i]->SaveState();
  r.box = FBox->SaveState();
  r.text = FText->SaveState();
  r.position = FScript->PositionString();
  r.music = GetSoundState(0);
  r.effects = GetSoundState(1);
  r.boxType = FBoxType;
  r.boxColour = FBoxColour;
  r.boxOpacity = FBoxOpacity;
  r.pageText = FText->FPageText;
  r.waitingForKey = FWaitKey;
  r.timer = FTimer;
  r.timed = FTimed;
  if (Global) {
    // At the end of the script there is no token at the position: the last
    // line read is the reader's place.
    const int32_t count = FScript->Count();
    const int32_t i = std::min(FScript->Position, count - 1);
    Global->HandOverLine = i >= 0 ? FScript->Tag(i) : 0;
  }
  FActive = true;
  return JoinSaveRecord(r);
}

Bytes TStory::SaveToFile(const Bytes& name) {
  if (!Global || Global->SaveDir.empty()) throw FileError("there is no save folder to save to");
  const Bytes used = name.empty() ? FreeSlotName(Global->SaveDir) : name;
  if (used.empty())
    throw SaveFolderFull("the save folder is full: data0 to data" + IntToStr(kLastSaveSlot) +
                         " all exist");
  const Bytes record = SaveData();
  // A record no loader would read back is refused here, where the reader
  // still hears of it, rather than written as a save that lists as damaged.
  if (record.size() > kMaxSaveRecordLength)
    throw DataError("the save record is " + std::to_string(record.size()) +
                    " bytes, more than a save may hold");
  WritePackedFile(Global->SaveDir + used, record);
  Global->SaveSettings();
  return used;
}

void TStory::LoadData(const Bytes& text) {
  if (text.empty()) return;
  const SaveRecord r = ParseSaveRecord(text);
  for (int i = 0; i < 8; ++i) FNamed[i]->LoadState(r.layers[i]);
  FBox->LoadState(r.box);
  FText->LoadState(r.text);
  FScript->RestorePosition(r.position);
  const Bytes* sounds[2] = {&r.music, &r.effects};
  for (int channel = 0; channel < 2; ++channel) {
    const SoundRequest q = RestoredSound(channel, *sounds[channel]);
    PostSound(q.channel, q.kind, q.name, q.value, q.loops);
  }
  SetupBox(r.boxType, r.boxColour, r.boxOpacity);
  FText->AddText(r.pageText);
  FWaitKey = r.waitingForKey;
  FTimer = r.timer;
  FTimed = r.timed;
  ShowWindow(false);
  // The debugger shows where the story stands: the source line of the token
  // it goes on from (the token's index would read as a line number).
  if (Global)
    Global->LineNo = FScript->Position >= 0 && FScript->Position < FScript->Count()
                         ? FScript->Tag(FScript->Position)
                         : 0;
  if (Global && Global->FullScreen) {
    Centre();
  } else {
    SetLeft(0);
    SetTop(0);
  }
}

void RegisterStoryScene() {
  RegisterScene(kSceneStory, [] { return std::make_unique<TStory>(nullptr); });
}

}  // namespace vantel
