#include "graphics/ClassFlatBtn.h"

#include <climits>
#include <stdexcept>
#include <string>

#include "base/Errors.h"
#include "graphics/FuncBmpLoader.h"

namespace vantel {
namespace {

constexpr int32_t kKeyUp = 20, kKeyDown = 21, kButtonDown = 41, kTick = 100;

}  // namespace

TFlatBtn::TFlatBtn(Tflat* parent, const std::vector<Bytes>& names) : Tflat(parent) {
  // The picture roles need an over and a pressed picture at least; with
  // fewer, the over index would point before the list.
  if (names.size() < 2 || names.size() > size_t(kMaxPictures))
    throw std::invalid_argument("TFlatBtn: a button needs 2 to 21 pictures, not " +
                                std::to_string(names.size()));
  FCount = int32_t(names.size());
  FPictures.resize(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    try {
      LoadImage(FPictures[i], names[i]);
    } catch (const Error& e) {
      // Whatever was partly decoded is dropped: the look is drawn as nothing.
      FPictures[i] = Picture();
      FDamaged.emplace_back(names[i], e.what());
    }
  }
  FCurrent = &FPictures[0];
  FOverIndex = FCount - 2;
  FVisible = true;
  FEnabled = true;
  FActive = true;
  FClicked = false;
  FFrame = 0;
}

int TFlatBtn::CurrentIndex() const {
  for (size_t i = 0; i < FPictures.size(); ++i)
    if (FCurrent == &FPictures[i]) return int(i);
  return -1;
}

void TFlatBtn::Press() {
  FPressTimer = kPressTicks;
  FOverIndex = FCount - 1;
  FCurrent = &FPictures[size_t(FCount - 1)];
  MarkWhole();
}

void TFlatBtn::Tick() {
  // Idle the timer stays at -1: counting down for ever would overflow.
  if (FPressTimer >= 0) --FPressTimer;
  if (FFrame < INT32_MAX) ++FFrame;
  if (FPressTimer >= 0) return;  // the pressed look still runs
  if (FFrame >= FCount - 2) FFrame = 0;
  const Picture* before = FCurrent;
  if (FHover && FEnabled) {
    FCurrent = &FPictures[size_t(FOverIndex)];
  } else {
    FCurrent = &FPictures[size_t(FFrame)];
    FOverIndex = FCount - 2;
  }
  if (FCurrent != before) MarkWhole();
}

void TFlatBtn::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  switch (code) {
    case kKeyUp:
      if (FKey != 0 && a == FKey && FEnabled) {
        FClicked = true;
        Press();
      }
      break;
    case kKeyDown:
      if (FKey != 0 && a == FKey && FEnabled) {
        if (FPressTimer > 0) FClicked = true;  // an auto-repeat while still pressed
        Press();
      }
      break;
    case kButtonDown:
      if (FEnabled) FOverIndex = FCount - 1;
      break;
    case kTick:
      Tick();
      break;
    default:
      break;
  }
}

}  // namespace vantel
