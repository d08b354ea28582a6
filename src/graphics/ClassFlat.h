// ClassFlat: Tflat, the layer from which every scene and widget is built.
//
// Layers form a tree. Each has its own picture, a position in its parent's
// composition picture, an opacity, visibility, a tag text, a scene state and
// a dirty grid of 16 x 12 cells of 50 x 50 pixels over the 800 x 600 frame.
// Changing a layer marks the cells it covers; once per tick the root is
// composed and only dirty cells are recomputed, leaves first, with Blend. A
// layer can run a timed transition: its parent then sees a snapshot that an
// effect moves, tick by tick, towards the layer's freshly composed picture.
// Messages (ticks, keys, pointer) arrive through the one virtual operation
// Signal and are forwarded down the tree.
//
// Depends on FuncBmpDraw, FuncEffect, TSlist (state records), and an image
// loader that the picture loading module installs with SetImageLoader
// (LoadPicture throws a std::logic_error when none is installed). Loader
// errors propagate.
// Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/Bytes.h"
#include "base/Picture.h"

namespace vantel {

class TCodeBlue;  // the script interpreter; layers only carry a reference for the story

// Loads the picture called `name` into `picture`; false when no such picture
// exists. Decoding errors are thrown.
using ImageLoader = std::function<bool(Picture& picture, const Bytes& name)>;
// Installs the process-wide image loader (an empty function removes it).
void SetImageLoader(ImageLoader loader);

class Tflat {
 public:
  static constexpr int kColumns = 16, kRows = 12, kCell = 50;

  // Builds the layer invisible, with its whole grid dirty; with a parent, it
  // is appended to the parent's children (which makes the parent composite).
  explicit Tflat(Tflat* parent);
  // Leaves the children to their owner: they are detached, not destroyed.
  virtual ~Tflat();
  Tflat(const Tflat&) = delete;
  Tflat& operator=(const Tflat&) = delete;

  // Message handling: subclasses call the inherited Signal first. Codes: 20
  // key up, 21 key down, 31 pointer moved, 40 click, 41 button down, 100 tick
  // (a = 1 when late), 200 Ctrl+C.
  virtual void Signal(int32_t code, int32_t a, int32_t b);

  void LoadPicture(const Bytes& name);  // loads into FPicture and shows the layer
  void Show();                          // visible, marked
  void Invalidate();                    // MarkWhole, then PropagateDirty
  void Clear();                         // empty and invisible; marks nothing
  void SetLeft(int32_t x);              // marks the old position only
  void SetTop(int32_t y);
  void AddChild(Tflat* child);

  // Marks the cells touched by the rectangle (own coordinates), with a
  // one-pixel margin on every side.
  void MarkRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void MarkWhole();
  void FillDirty(int32_t value);
  void PropagateDirty();
  void Compose();
  bool IsDirty(int column, int row) const { return (FDirty[column][row] & 0xFFFF) != 0; }

  // Inside when 0 < x < width and 0 < y < height of FCurrent (strict).
  bool HitTest(int32_t x, int32_t y);

  void BeginTransition(int32_t effect, int32_t duration);
  void TransitionStep();

  // The layer state record for save data: the comma text of FTop, FLeft,
  // FState, FOpacity, FPictureName, FTag, FVisible, FComposite, FActive,
  // FHover. LoadState reads all ten items before changing anything (a short
  // record throws IndexError, a bad number ConvertError), then reloads the
  // picture and sets the visibility last.
  Bytes SaveState() const;
  void LoadState(const Bytes& text);

  // ---- Fields (owners read and write several of them directly) ----
  int32_t FTop = 0;
  int32_t FLeft = 0;
  std::vector<Tflat*> FChildren;  // drawing order, lowest first; not owned
  int32_t FProgress = 256;        // 0...255 while a transition runs
  int32_t FEffect = 0;
  int32_t FDuration = 0;  // milliseconds, at least 1 while a transition runs
  int32_t FElapsed = 0;
  TCodeBlue* FScript = nullptr;  // not used by the layer; not owned
  int32_t FState = 0;            // scene state; 15 on a root is the white flash
  Picture FPicture;              // own picture: 0 x 0, 32-bit at first
  Picture FComposition{0, 0, Picture::Format::BGR24};
  Picture FSnapshot{0, 0, Picture::Format::BGR24};
  Picture* FCurrent = &FPicture;  // what the parent blends in (the root: what is presented)
  Tflat* FParent = nullptr;
  int32_t FOpacity = 255;
  bool FLate = false;
  Bytes FPictureName;
  Bytes FTag;
  bool FVisible = false;
  bool FComposite = false;
  bool FActive = false;
  bool FHover = false;
  bool FClicked = false;
  // [column][row]; written as 0 or 1, dirty when the low 16 bits are non-zero.
  int32_t FDirty[kColumns][kRows];
};

}  // namespace vantel
