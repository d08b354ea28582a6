#include "graphics/ClassFlat.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "data/ClassSList.h"
#include "graphics/FuncBmpDraw.h"
#include "graphics/FuncEffect.h"

namespace vantel {
namespace {

ImageLoader& Loader() {
  static ImageLoader loader;
  return loader;
}

// A position in 64 bits brought back to the int range; Blend clips what
// lies that far out to nothing, exactly as it would the true value.
int ClampToInt(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

bool IsPointerMessage(int32_t code) {
  return code == 31 || code == 40 || code == 41;
}

}  // namespace

void SetImageLoader(ImageLoader loader) {
  Loader() = std::move(loader);
}

Tflat::Tflat(Tflat* parent) : FParent(parent) {
  FillDirty(1);
  if (parent) parent->AddChild(this);
}

Tflat::~Tflat() {
  if (FParent) {
    auto& siblings = FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  // Children belong to whoever created them and may outlive this layer; they
  // must not keep a pointer to it.
  for (Tflat* child : FChildren) child->FParent = nullptr;
  FChildren.clear();
}

void Tflat::AddChild(Tflat* child) {
  FChildren.push_back(child);
  if (!FComposite) {
    FComposition.SetSize(FPicture.Width(), FPicture.Height());
    FComposite = true;
    FCurrent = &FComposition;
  }
}

void Tflat::MarkRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  // Truncating division, as the cell rule is defined with it: -1 div 50 is 0.
  int64_t i0 = (int64_t(left) + FLeft - 1) / kCell, j0 = (int64_t(top) + FTop - 1) / kCell;
  int64_t i1 = (int64_t(right) + FLeft + 1) / kCell, j1 = (int64_t(bottom) + FTop + 1) / kCell;
  i0 = std::max<int64_t>(i0, 0), j0 = std::max<int64_t>(j0, 0);
  i1 = std::min<int64_t>(i1, kColumns - 1), j1 = std::min<int64_t>(j1, kRows - 1);
  for (int64_t i = i0; i <= i1; ++i)
    for (int64_t j = j0; j <= j1; ++j) FDirty[i][j] = 1;
}

void Tflat::MarkWhole() {
  if (!FVisible) return;
  if (FComposite)
    FillDirty(1);
  else
    MarkRect(0, 0, FCurrent->Width(), FCurrent->Height());
}

void Tflat::FillDirty(int32_t value) {
  for (auto& column : FDirty)
    for (int32_t& cell : column) cell = value;
}

void Tflat::PropagateDirty() {
  if (!FVisible) return;
  for (Tflat* child : FChildren) child->PropagateDirty();
  for (Tflat* child : FChildren) {
    if (!child->FVisible) continue;
    for (int i = 0; i < kColumns; ++i)
      for (int j = 0; j < kRows; ++j)
        if (IsDirty(i, j)) child->FDirty[i][j] = 1;
  }
  if (FParent)
    for (int i = 0; i < kColumns; ++i)
      for (int j = 0; j < kRows; ++j)
        if (IsDirty(i, j)) FParent->FDirty[i][j] = 1;
}

void Tflat::Compose() {
  if (!FVisible) return;
  PropagateDirty();
  if (FComposite) {
    for (int j = 0; j < kRows; ++j)
      for (int i = 0; i < kColumns; ++i)
        if (IsDirty(i, j))
          Blend(FComposition, kCell * i, kCell * j, FPicture, kCell * i, kCell * j, kCell, kCell,
                255);
    for (Tflat* child : FChildren) child->Compose();
  }
  if (FParent) {
    for (int j = 0; j < kRows; ++j)
      for (int i = 0; i < kColumns; ++i)
        if (IsDirty(i, j))
          Blend(FParent->FComposition, kCell * i, kCell * j, *FCurrent,
                ClampToInt(int64_t{kCell} * i - FLeft), ClampToInt(int64_t{kCell} * j - FTop),
                kCell, kCell, FOpacity);
    FillDirty(0);
  }
}

void Tflat::SetLeft(int32_t x) {
  if (x == FLeft) return;
  MarkWhole();
  PropagateDirty();
  FLeft = x;
}

void Tflat::SetTop(int32_t y) {
  if (y == FTop) return;
  MarkWhole();
  PropagateDirty();
  FTop = y;
}

bool Tflat::HitTest(int32_t x, int32_t y) {
  FHover = x > 0 && x < FCurrent->Width() && y > 0 && y < FCurrent->Height();
  return FHover;
}

void Tflat::Signal(int32_t code, int32_t a, int32_t b) {
  if (!FVisible) return;
  if (code == 40) FClicked = true;
  if (code == 100) {
    FLate = a == 1;
    if (FProgress < 256) TransitionStep();
  }
  if (!FActive) return;
  // By index: a child's handling may add layers to this list.
  for (size_t k = 0; k < FChildren.size(); ++k) {
    Tflat* child = FChildren[k];
    if (!child->FActive) continue;
    if (IsPointerMessage(code)) {
      const int32_t lx = int32_t(int64_t(a) - child->FLeft), ly = int32_t(int64_t(b) - child->FTop);
      if (child->HitTest(lx, ly)) child->Signal(code, lx, ly);
    } else {
      child->Signal(code, a, b);
    }
  }
}

void Tflat::LoadPicture(const Bytes& name) {
  Invalidate();
  if (name == FPictureName) {
    Show();
    return;
  }
  if (!Loader())
    throw std::logic_error("Tflat::LoadPicture: no image loader is installed (SetImageLoader)");
  const bool loaded = Loader()(FPicture, name);
  FPictureName = name;
  if (loaded) Show();
}

void Tflat::Show() {
  if (FComposite) FComposition.SetSize(FPicture.Width(), FPicture.Height());
  FVisible = true;
  MarkWhole();
  PropagateDirty();
}

void Tflat::Invalidate() {
  MarkWhole();
  PropagateDirty();
}

void Tflat::Clear() {
  FComposite = false;
  FComposition.SetSize(0, 0);
  FPicture.SetSize(0, 0);
  FPictureName.clear();
  FOpacity = 255;
  FVisible = false;
}

void Tflat::BeginTransition(int32_t effect, int32_t duration) {
  FEffect = effect;
  FProgress = 0;
  // The progress divides by the duration: a duration below 1 ms ends at the first tick.
  FDuration = std::max(duration, 1);
  FElapsed = 0;
  const int w = FCurrent->Width(), h = FCurrent->Height();
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(w, h);
  FCurrent = &FSnapshot;
}

void Tflat::TransitionStep() {
  FElapsed += 50;
  const int32_t prev = FProgress;
  const int64_t progress = int64_t(FElapsed) * 256 / FDuration;
  FProgress = int32_t(std::min<int64_t>(progress, INT32_MAX));
  if (FProgress > 255) {
    FillDirty(1);
    FCurrent = &FComposition;
    Blend(FSnapshot, 0, 0, FComposition, 0, 0, FComposition.Width(), FComposition.Height(), 255);
    return;
  }
  if (FSnapshot.Width() != FComposition.Width() || FSnapshot.Height() != FComposition.Height())
    FSnapshot.SetSize(FComposition.Width(), FComposition.Height());
  if (FLate) {
    FProgress = prev;  // no frame this tick; the elapsed time still counts
    return;
  }
  FillDirty(1);
  Effect(FEffect, FSnapshot, FComposition, prev, FProgress);
}

Bytes Tflat::SaveState() const {
  TSlist items;
  items.PushInteger(FTop);
  items.PushInteger(FLeft);
  items.PushInteger(FState);
  items.PushInteger(FOpacity);
  items.PushString(FPictureName);
  items.PushString(FTag);
  items.PushBool(FVisible);
  items.PushBool(FComposite);
  items.PushBool(FActive);
  items.PushBool(FHover);
  return items.CommaText();
}

void Tflat::LoadState(const Bytes& text) {
  TSlist items;
  items.SetCommaText(text);
  // Everything is read first, so a damaged record changes nothing.
  const int32_t top = items.PopInteger(), left = items.PopInteger();
  const int32_t state = items.PopInteger(), opacity = items.PopInteger();
  const Bytes picture = items.PopString(), tag = items.PopString();
  const bool visible = items.PopBool(), composite = items.PopBool();
  const bool active = items.PopBool(), hover = items.PopBool();
  FTop = top, FLeft = left, FState = state, FOpacity = opacity;
  FTag = tag;
  FComposite = composite, FActive = active, FHover = hover;
  LoadPicture(picture);
  FVisible = visible;
}

}  // namespace vantel
