#include "scenes/Class_Sound.h"

#include <string>

#include "platform/Platform.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

constexpr int32_t kMusicFadeOut = 800;
// A fade of 10 units is over at the first buffer: the track starts at full volume.
constexpr int32_t kClickFadeIn = 10;
constexpr int32_t kCheckEvery = 10;

constexpr const char* kTrackStems[TSoundlib::kTracks] = {"m05", "m04", "m06", "m01",  "m07",
                                                         "m02", "m10", "m03", "m08b", "m09",
                                                         "m11", "m12", "m13", "uta"};

// The title pictures of the tracks, in track order; each has the looks _01
// (idle), _02 (over) and _03 (pressed).
constexpr const char* kTitleStems =
    "sound_m05,sound_m04,sound_m06,sound_m01,sound_m07,sound_m02,sound_m10,sound_m03,sound_m08b,"
    "sound_m09,sound_m11,sound_m12,sound_m13,sound_uta";

constexpr const char* kMarkerLooks =
    "option_01,option_02,option_03,option_04,option_05,option_06,option_07,option_08,option_09,"
    "option_10,option_10,option_10";

const Bytes& ClickSound() {
  return Sjis("SE_01_スロット差込");
}

std::vector<Bytes> Split(const char* commaText) {
  std::vector<Bytes> out;
  Bytes item;
  for (const char* p = commaText;; ++p) {
    if (*p == ',' || *p == '\0') {
      out.push_back(item);
      item.clear();
      if (*p == '\0') break;
    } else {
      item += *p;
    }
  }
  return out;
}

std::unique_ptr<TFlatBtn> MakeButton(Tflat* parent, const Bytes& stem, int32_t left, int32_t top) {
  auto button = std::make_unique<TFlatBtn>(
      parent, std::vector<Bytes>{stem + "_01", stem + "_02", stem + "_03"});
  button->SetLeft(left);
  button->SetTop(top);
  return button;
}

}  // namespace

std::vector<Bytes> TSoundlib::TrackStems() {
  return std::vector<Bytes>(std::begin(kTrackStems), std::end(kTrackStems));
}

TSoundlib::TSoundlib() : Tflat(nullptr) {
  if (Global && Global->FullScreen) CentreOnScreen(*this);
  FActive = true;
  Notice.Load(*this, "sound_LIBRARY", "black");
  FTag = "ttl";
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(TMain::kWidth, TMain::kHeight);
  ReturnButton = MakeButton(this, "sonun", 650, 552);
  Marker = std::make_unique<TFlatBtn>(this, Split(kMarkerLooks));
  Marker->SetLeft(kMarkerLeft);
  Marker->FVisible = false;
  Marker->FEnabled = false;
  const std::vector<Bytes> titles = Split(kTitleStems);
  for (int i = 0; i < kTracks; ++i)
    TrackButtons[size_t(i)] = MakeButton(this, titles[size_t(i)], 250, TrackTop(i));
  Tracks = TrackStems();
  CurrentTrack = -1;
  Notice.Check(*ReturnButton);
  Notice.Check(*Marker);
  for (const auto& button : TrackButtons) Notice.Check(*button);
}

TSoundlib::~TSoundlib() {
  PostSound(0, kSoundFadeOut, "", kMusicFadeOut, 0);
  // The widgets leave this layer's child list while it is still intact.
  ReturnButton.reset();
  Marker.reset();
  for (auto& button : TrackButtons) button.reset();
}

void TSoundlib::Start(int32_t track, int32_t fadeIn) {
  Marker->SetTop(TrackButtons[size_t(track)]->FTop + 2);
  Marker->FVisible = true;
  Marker->MarkWhole();
  Marker->PropagateDirty();
  PostSound(0, kSoundFadeIn, Tracks[size_t(track)], fadeIn, 1);
  CurrentTrack = track;
  MessageCounter = 1;
}

void TSoundlib::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  if (ReturnButton->FClicked) {
    // Cleared so that the click sound is not repeated on every message
    // until the scene is replaced.
    ReturnButton->FClicked = false;
    if (Global) Global->NextScene = kSceneTitle;
    PostSound(1, kSoundPlay, ClickSound(), 0, 1);
  }
  for (int i = 0; i < kTracks; ++i) {
    TFlatBtn& button = *TrackButtons[size_t(i)];
    if (!button.FClicked) continue;
    PostSound(1, kSoundPlay, ClickSound(), 0, 1);
    button.FClicked = false;
    Start(i, kClickFadeIn);
  }
  ++MessageCounter;
  if (CurrentTrack >= 0 && MessageCounter % kCheckEvery == 0 && !IsSoundPlaying(0))
    Start((CurrentTrack + 1) % kTracks, 0);
}

void RegisterMusicRoomScene() {
  RegisterScene(kSceneMusicRoom, [] { return std::make_unique<TSoundlib>(); });
}

}  // namespace vantel
