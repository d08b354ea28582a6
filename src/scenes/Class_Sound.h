// Class_Sound: TSoundlib, scene 5, the music room.
//
// Fourteen track buttons, each showing a track's title picture. Clicking one
// plays its track once on the background-music source and puts the animated
// marker beside it; when the source has finished, the next track starts by
// itself, round the list (checked on every tenth message after a start, so
// within about half a second at the frame loop's pace). Opening the scene
// plays nothing. The return button asks for the title; destroying the scene
// fades the music out.
//
// Each button click is acted on once: its flag is cleared as it is read.
//
// Depends on Tflat, TFlatBtn, PictureNotice, Global (FullScreen, NextScene),
// PostSound, IsSoundPlaying and the platform's screen size. Missing pictures
// show nothing; a damaged one is reported once (PictureNotice) and shows
// nothing, or black for the background. A missing track plays nothing and so
// hands over to the next one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Bytes.h"
#include "graphics/ClassFlat.h"
#include "graphics/ClassFlatBtn.h"
#include "graphics/PictureNotice.h"

namespace vantel {

class TSoundlib : public Tflat {
 public:
  static constexpr int kTracks = 14;
  static constexpr int32_t kMarkerLeft = 229;

  TSoundlib();
  ~TSoundlib() override;
  void Signal(int32_t code, int32_t a, int32_t b) override;

  // The sound stems of the tracks, in track order.
  static std::vector<Bytes> TrackStems();
  // Where track button i stands.
  static int32_t TrackTop(int i) { return 90 + 25 * i; }

  std::unique_ptr<TFlatBtn> ReturnButton;
  std::unique_ptr<TFlatBtn> Marker;  // beside the playing track; never reacts to the pointer
  std::array<std::unique_ptr<TFlatBtn>, kTracks> TrackButtons;
  std::vector<Bytes> Tracks;
  int32_t CurrentTrack = -1;   // the track last started; -1 before any
  int32_t MessageCounter = 0;  // messages since the last start of a track
  PictureNotice Notice;

 private:
  void Start(int32_t track, int32_t fadeIn);
};

// Makes scene 5 of the scene manager a TSoundlib.
void RegisterMusicRoomScene();

}  // namespace vantel
