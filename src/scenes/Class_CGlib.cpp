#include "scenes/Class_CGlib.h"

#include "platform/Platform.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

constexpr int32_t kMusicFade = 800;
constexpr int32_t kFadeMs = 500;
constexpr int32_t kDimmed = 100;

const Bytes& ClickSound() {
  return Sjis("SE_01_スロット差込");
}

std::unique_ptr<TFlatBtn> MakeButton(Tflat* parent, const char* stem, int32_t left) {
  std::vector<Bytes> names;
  for (const char* look : {"_01", "_02", "_03"}) names.push_back(Bytes(stem) + look);
  auto button = std::make_unique<TFlatBtn>(parent, names);
  button->SetLeft(left);
  button->SetTop(552);
  return button;
}

}  // namespace

TCGlib::TCGlib() : Tflat(nullptr) {
  if (Global && Global->FullScreen) CentreOnScreen(*this);
  FActive = true;
  LoadBackground();
  FTag = "ttl";
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(TMain::kWidth, TMain::kHeight);
  MenuButton = MakeButton(this, "CG_menu", 410);
  BackButton = MakeButton(this, "CG_back", 536);
  NextButton = MakeButton(this, "CG_next", 655);
  for (const TFlatBtn* button : {MenuButton.get(), BackButton.get(), NextButton.get()})
    Notice.Check(*button);
  for (int k = 0; k < kSlots; ++k) {
    Slots[size_t(k)] = std::make_unique<Tflat>(this);
    Slots[size_t(k)]->SetLeft(SlotLeft(k));
    Slots[size_t(k)]->SetTop(SlotTop(k));
    Slots[size_t(k)]->FVisible = false;
  }
  PostSound(0, kSoundFadeIn, "m03", kMusicFade, 0);
  EntryCount = Global ? Global->Unlocked.Count() : 0;
  LastPage = (EntryCount - 1) / 20;  // truncates: 0 for an empty list
  Page = 0;
  ShowPage();
}

TCGlib::~TCGlib() {
  PostSound(0, kSoundFadeOut, "", kMusicFade, 0);
  // The widgets leave this layer's child list while it is still intact.
  MenuButton.reset();
  BackButton.reset();
  NextButton.reset();
  for (auto& slot : Slots) slot.reset();
}

void TCGlib::ShowPage() {
  BackButton->FVisible = Page != 0;
  NextButton->FVisible = Page != LastPage;
  BackButton->MarkWhole();
  NextButton->MarkWhole();
  for (int k = 0; k < kSlots; ++k) {
    Tflat& slot = *Slots[size_t(k)];
    const int32_t n = Page * kSlots + k;
    if (n < EntryCount && Notice.Load(slot, Global->Unlocked[n] + "_s")) {
      slot.FActive = true;
    } else {
      slot.FVisible = false;
      slot.FActive = false;
      slot.MarkWhole();
    }
  }
  Invalidate();
}

void TCGlib::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  if (FState == kPicture) {
    if (FProgress > 255 && code == 40) {
      FState = kReturning;
      SetButtonsVisible(true);
      LoadBackground();
      ShowPage();
      BeginTransition(0, kFadeMs);
    }
    return;
  }
  if (FState == kReturning) {
    // Clicks made while the page fades back in are dropped, not kept for later.
    MenuButton->FClicked = BackButton->FClicked = NextButton->FClicked = false;
    for (auto& slot : Slots) slot->FClicked = false;
    if (FProgress > 255) FState = kBrowsing;
    return;
  }
  Browse();
}

void TCGlib::Browse() {
  for (int k = 0; k < kSlots; ++k) {
    Tflat& slot = *Slots[size_t(k)];
    const int32_t opacity = slot.FHover ? kDimmed : 255;
    if (opacity != slot.FOpacity) {
      slot.FOpacity = opacity;
      slot.MarkWhole();
      slot.PropagateDirty();
    }
    if (slot.FClicked) {
      slot.FClicked = false;
      ShowPicture(k);
    }
  }
  if (FState != kBrowsing) return;
  if (MenuButton->FClicked) {
    // Cleared so that the click sound is not repeated on every message
    // until the scene is replaced.
    MenuButton->FClicked = false;
    if (Global) Global->NextScene = kSceneTitle;
    PostSound(1, kSoundPlay, ClickSound(), 0, 1);
  }
  if (BackButton->FClicked) {
    BackButton->FClicked = false;
    TurnPage(-1);
  }
  if (NextButton->FClicked) {
    NextButton->FClicked = false;
    TurnPage(1);
  }
}

void TCGlib::ShowPicture(int k) {
  // A damaged picture leaves the reader on the page, its background restored.
  if (!Notice.Load(*this, Global->Unlocked[Page * kSlots + k])) {
    LoadBackground();
    return;
  }
  FState = kPicture;
  for (auto& slot : Slots) {
    slot->FVisible = false;
    slot->MarkWhole();
  }
  SetButtonsVisible(false);
  BeginTransition(0, kFadeMs);
}

void TCGlib::LoadBackground() {
  // A damaged background leaves the page black: the thumbnails and buttons
  // still stand on it.
  Notice.Load(*this, "cg_library", "black");
}

void TCGlib::TurnPage(int32_t step) {
  Page += step;
  ShowPage();
  BeginTransition(1, kFadeMs);
  Compose();
  PostSound(1, kSoundPlay, ClickSound(), 0, 1);
}

void TCGlib::SetButtonsVisible(bool visible) {
  for (TFlatBtn* button : {MenuButton.get(), BackButton.get(), NextButton.get()}) {
    button->FVisible = visible;
    button->MarkWhole();
  }
}

void RegisterGalleryScene() {
  RegisterScene(kSceneGallery, [] { return std::make_unique<TCGlib>(); });
}

}  // namespace vantel
