#include "graphics/ClassFlat.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace vantel {
namespace {

using Format = Picture::Format;

// The dirty cells as "column,row" pairs, rows outer.
std::string Cells(const Tflat& l) {
  std::string out;
  for (int j = 0; j < 12; ++j)
    for (int i = 0; i < 16; ++i)
      if (l.IsDirty(i, j))
        out += (out.empty() ? "" : " ") + std::to_string(i) + "," + std::to_string(j);
  return out;
}
int CountDirty(const Tflat& l) {
  int n = 0;
  for (int j = 0; j < 12; ++j)
    for (int i = 0; i < 16; ++i) n += l.IsDirty(i, j);
  return n;
}

Picture Solid(int w, int h, Format f, Colour c, uint8_t alpha = 255) {
  Picture p(w, h, f, 0);
  p.Fill(c, alpha);
  return p;
}

// A layer showing a picture of the given size at a position, with a clean grid.
struct Placed : Tflat {
  Placed(Tflat* parent, int w, int h, int x = 0, int y = 0) : Tflat(parent) {
    FPicture = Solid(w, h, Format::BGR24, 0);
    FLeft = x, FTop = y;
    FVisible = true;
    FillDirty(0);
  }
};

TEST(Tflat, MarkingTakesWholeCellsWithAOnePixelMargin) {
  auto marked = [](int w, int h, int x, int y) {
    Placed l(nullptr, w, h, x, y);
    l.MarkWhole();
    return Cells(l);
  };
  EXPECT_EQ(marked(0, 0, 0, 0), "0,0");
  EXPECT_EQ(marked(50, 50, 0, 0), "0,0 1,0 0,1 1,1");
  EXPECT_EQ(marked(10, 10, 100, 100), "1,1 2,1 1,2 2,2");  // touches 99 and 111
  EXPECT_EQ(marked(10, 10, 101, 101), "2,2");
  EXPECT_EQ(marked(48, 1, 751, 598), "15,11");     // 800 div 50 = 16, lowered to 15
  EXPECT_EQ(marked(200, 10, -120, 0), "0,0 1,0");  // -121 div 50 = -2, raised to 0
  EXPECT_EQ(marked(30, 10, -200, 0), "");          // wholly off screen to the left
  EXPECT_EQ(marked(0, 0, -49, 0), "0,0");          // division truncates: -48 div 50 = 0
  EXPECT_EQ(marked(0, 0, -60, 0), "");             // -59 div 50 = -1
  {
    Placed l(nullptr, 800, 600);
    l.MarkWhole();
    EXPECT_EQ(CountDirty(l), 192);
  }
  // An invisible layer marks nothing; a composite one marks everything.
  Placed l(nullptr, 10, 10);
  l.FVisible = false;
  l.MarkWhole();
  EXPECT_EQ(CountDirty(l), 0);
  l.FVisible = true;
  l.FComposite = true;
  l.MarkWhole();
  EXPECT_EQ(CountDirty(l), 192);
  // Only the low 16 bits of a cell say whether it is dirty.
  l.FillDirty(0);
  l.FDirty[3][4] = 0x10000;
  l.FDirty[4][4] = 0x10001;
  EXPECT_EQ(Cells(l), "4,4");
}

TEST(Tflat, DirtinessSpreadsThroughTheVisibleTree) {
  Placed root(nullptr, 800, 600);
  Placed a(&root, 100, 100), b(&root, 100, 100, 400, 300), hidden(&root, 800, 600);
  Placed grandchild(&a, 10, 10);
  hidden.FVisible = false;
  root.FillDirty(0);
  grandchild.FDirty[5][5] = 1;
  root.PropagateDirty();
  EXPECT_EQ(Cells(root), "5,5");
  EXPECT_EQ(Cells(a), "5,5");  // up through the parent
  EXPECT_EQ(Cells(b), "5,5");  // and down into every visible layer
  EXPECT_EQ(Cells(hidden), "");
  // An invisible layer neither spreads nor takes part.
  grandchild.FillDirty(0), a.FillDirty(0), b.FillDirty(0), root.FillDirty(0);
  a.FVisible = false;
  grandchild.FDirty[1][1] = 1;
  root.PropagateDirty();
  EXPECT_EQ(Cells(root), "");
}

TEST(Tflat, SetLeftMarksTheOldPositionOnly) {
  Placed root(nullptr, 800, 600);
  Placed child(&root, 40, 40, 0, 0);
  root.FillDirty(0);
  child.SetLeft(0);
  EXPECT_EQ(Cells(root), "");  // the same position marks nothing
  child.SetLeft(300);
  EXPECT_EQ(child.FLeft, 300);
  EXPECT_EQ(Cells(root), "0,0");
  root.FillDirty(0), child.FillDirty(0);
  child.SetTop(200);
  EXPECT_EQ(child.FTop, 200);
  EXPECT_EQ(Cells(root), "5,0 6,0");  // old place: x 300...340, y 0...40
}

TEST(Tflat, ComposeBlendsDirtyCellsFromTheLeavesUp) {
  Tflat root(nullptr);
  root.FPicture = Solid(800, 600, Format::BGR24, 0x000010);  // red 0x10
  root.Show();
  ASSERT_TRUE(root.FComposite == false);
  Tflat back(&root), front(&root);  // root becomes composite
  EXPECT_EQ(root.FCurrent, &root.FComposition);
  root.Show();  // composition takes the own picture's size
  ASSERT_EQ(root.FComposition.Width(), 800);
  back.FPicture = Solid(100, 100, Format::BGR24, 0x00FF00);
  back.FLeft = 50;
  back.FOpacity = 128;
  back.Show();
  front.FPicture = Solid(100, 100, Format::BGRA32, 0xFF0000, 255);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 50; ++x) front.FPicture.Pixel(x, y)[3] = 0;  // left half transparent
  front.FLeft = 80, front.FTop = 5;
  front.Show();
  root.Compose();
  const uint8_t* p = root.FComposition.Pixel(60, 10);  // back only: green at 128 over red 0x10
  EXPECT_EQ(p[1], 127);
  EXPECT_EQ(p[2], (0x10 * 127) >> 8);
  p = root.FComposition.Pixel(100, 10);  // front's transparent half: back shows
  EXPECT_EQ(p[1], 127);
  p = root.FComposition.Pixel(140, 10);  // front's opaque half, drawn last: blue
  EXPECT_EQ(p[0], 0xFF);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(root.FComposition.Pixel(140, 4)[1], 127);     // above front's top
  EXPECT_EQ(root.FComposition.Pixel(140, 104)[0], 0xFF);  // its last row
  EXPECT_EQ(root.FComposition.Pixel(10, 10)[2], 0x10);
  // The root keeps its grid for presentation; children clear theirs.
  EXPECT_EQ(CountDirty(root), 192);
  EXPECT_EQ(CountDirty(back), 0);
  EXPECT_EQ(CountDirty(front), 0);

  // Only dirty cells are recomputed: change the back picture under a clean
  // cell and a dirty one.
  root.FillDirty(0);
  back.FPicture.Fill(0x0000FF);
  back.FDirty[1][0] = 1;  // x 50...99
  root.Compose();
  EXPECT_EQ(root.FComposition.Pixel(60, 10)[2], (0x10 * 127 + 0xFF * 128) >> 8);
  EXPECT_EQ(root.FComposition.Pixel(110, 10)[1], 127);  // cell (2, 0) was clean: old content
  EXPECT_EQ(Cells(root), "1,0");
  // A composite layer lays its own picture at 255: transparent pixels of a
  // 32-bit own picture keep what the cell held.
  Tflat box(&root);
  box.FPicture = Solid(800, 600, Format::BGRA32, 0x000000, 0);
  Tflat inner(&box);
  box.Show();
  box.FComposition.Fill(0x333333);
  box.FillDirty(0);
  root.FillDirty(0);
  box.FDirty[0][0] = 1;
  root.Compose();
  EXPECT_EQ(box.FComposition.Pixel(5, 5)[0], 0x33);
}

TEST(Tflat, LayersAtTheEndsOfTheIntRangeDrawNothing) {
  Tflat root(nullptr);
  root.FPicture = Solid(800, 600, Format::BGR24, 0x000010);
  Tflat far(&root);
  root.Show();
  far.FPicture = Solid(100, 100, Format::BGR24, 0x00FF00);
  far.Show();
  for (int32_t at : {INT32_MIN, INT32_MAX, INT32_MIN + 1}) {
    far.FLeft = at, far.FTop = at;
    root.FillDirty(1);
    root.Compose();
    EXPECT_EQ(root.FComposition.Pixel(0, 0)[2], 0x10) << at;
    EXPECT_EQ(root.FComposition.Pixel(799, 599)[2], 0x10) << at;
  }
}

// A layer that records the messages it receives.
struct Recorder : Tflat {
  using Tflat::Tflat;
  std::vector<std::array<int32_t, 3>> got;
  void Signal(int32_t code, int32_t a, int32_t b) override {
    Tflat::Signal(code, a, b);
    got.push_back({code, a, b});
  }
};

TEST(Tflat, MessagesAreForwardedWithHitTesting) {
  Tflat root(nullptr);
  root.FVisible = root.FActive = true;
  Recorder child(&root), inactive(&root), hidden(&root);
  for (Recorder* r : {&child, &inactive, &hidden}) {
    r->FPicture = Solid(100, 50, Format::BGR24, 0);
    r->FLeft = 200, r->FTop = 100;
    r->FVisible = r->FActive = true;
  }
  inactive.FActive = false;
  hidden.FVisible = false;
  // Strict bounds: column 0 and row 0 are outside, width - 1 inside.
  EXPECT_FALSE(child.HitTest(0, 5));
  EXPECT_TRUE(child.HitTest(99, 1));
  EXPECT_FALSE(child.HitTest(100, 1));
  EXPECT_FALSE(child.HitTest(5, 50));
  root.Signal(31, 201, 101);  // inside, in the child's coordinates (1, 1)
  root.Signal(41, 200, 120);  // column 0 of the child: outside
  root.Signal(40, 250, 120);
  root.Signal(21, 65, 0);  // keys reach every active child unchanged
  root.Signal(100, 0, 0);
  using M = std::vector<std::array<int32_t, 3>>;
  EXPECT_EQ(child.got, (M{{31, 1, 1}, {40, 50, 20}, {21, 65, 0}, {100, 0, 0}}));
  EXPECT_TRUE(child.FClicked);
  EXPECT_TRUE(inactive.got.empty());  // not even the tick
  // An invisible layer is called but neither handles nor passes anything on.
  EXPECT_FALSE(hidden.FClicked);
  Recorder under(&hidden);
  under.FVisible = under.FActive = true;
  hidden.Signal(21, 1, 0);
  EXPECT_TRUE(under.got.empty());
  // A pointer message that misses clears the child's hover.
  root.Signal(31, 201, 101);
  EXPECT_TRUE(child.FHover);
  root.Signal(31, 5, 5);
  EXPECT_FALSE(child.FHover);
  // An active root that is itself not active passes nothing on.
  root.FActive = false;
  child.got.clear();
  root.Signal(21, 1, 0);
  EXPECT_TRUE(child.got.empty());
}

TEST(Tflat, LoadPictureGoesThroughTheInstalledLoader) {
  Tflat l(nullptr);
  SetImageLoader(nullptr);
  EXPECT_THROW(l.LoadPicture("bg01"), std::logic_error);
  int calls = 0;
  SetImageLoader([&](Picture& p, const Bytes& name) {
    ++calls;
    if (name == "missing") {
      p.SetSize(0, 0);
      return false;
    }
    p = Solid(60, 60, Format::BGR24, 0x123456);
    return true;
  });
  l.FillDirty(0);
  l.LoadPicture("bg01");
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(l.FVisible);
  EXPECT_EQ(l.FPictureName, "bg01");
  EXPECT_EQ(Cells(l), "0,0 1,0 0,1 1,1");
  l.FVisible = false;
  l.LoadPicture("bg01");  // the same name only shows the layer again
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(l.FVisible);
  l.FillDirty(0);
  l.LoadPicture("missing");  // the old area is marked; the layer stays as it was
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(l.FPictureName, "missing");
  EXPECT_EQ(Cells(l), "0,0 1,0 0,1 1,1");
  EXPECT_TRUE(l.FVisible);
  SetImageLoader(nullptr);
}

// A scene root with a 24-bit 800 x 600 picture, composed once.
struct Scene : Tflat {
  Scene(Colour c) : Tflat(nullptr) {
    FPicture = Solid(800, 600, Format::BGR24, c);
    FSnapshot = Solid(800, 600, Format::BGR24, 0);
    FVisible = FActive = true;
  }
  void Tick(int late = 0) {
    Signal(100, late, 0);
    Compose();
  }
};

TEST(Tflat, TransitionsAdvanceByElapsedTime) {
  Scene s(0xFFFFFF);
  Tflat child(&s);
  s.Show();
  s.Compose();
  s.BeginTransition(0, 500);
  EXPECT_EQ(s.FCurrent, &s.FSnapshot);
  std::vector<int> seen;
  while (s.FProgress < 256) {
    s.Tick();
    seen.push_back(s.FProgress);
  }
  EXPECT_EQ(seen, (std::vector<int>{25, 51, 76, 102, 128, 153, 179, 204, 230, 256}));
  EXPECT_EQ(s.FCurrent, &s.FComposition);
  EXPECT_EQ(s.FSnapshot, s.FComposition);  // the last frame is kept for the next transition
  // A zero duration counts as 1 ms and ends at the first tick.
  s.BeginTransition(4, 0);
  EXPECT_EQ(s.FDuration, 1);
  s.Tick();
  EXPECT_EQ(s.FProgress, 12800);
  // A late tick keeps the progress, counts the time, and draws nothing.
  s.BeginTransition(0, 500);
  s.Tick();
  const Picture before = s.FSnapshot;
  s.FillDirty(0);
  s.Signal(100, 1, 0);
  EXPECT_EQ(s.FProgress, 25);
  EXPECT_EQ(s.FElapsed, 100);
  EXPECT_EQ(s.FSnapshot, before);
  EXPECT_EQ(CountDirty(s), 0);
  EXPECT_TRUE(s.FLate);
  s.Signal(100, 0, 0);
  EXPECT_EQ(s.FProgress, 76);  // the drawn step spans both ticks
  EXPECT_EQ(CountDirty(s), 192);
}

TEST(Tflat, TheEffectSeesThePreviousTicksComposition) {
  Scene s(0x000000);
  Tflat child(&s);
  s.Show();
  s.Compose();  // composition black
  s.FSnapshot.Fill(0x000000);
  s.BeginTransition(4, 500);
  s.FPicture.Fill(0xFFFFFF);  // the new content is composed only after this tick's step
  s.Tick();
  EXPECT_EQ(s.FSnapshot.Pixel(0, 0)[0], 0);
  s.Tick();  // now the step reads the white composition of the previous tick
  EXPECT_GT(s.FSnapshot.Pixel(0, 0)[0] + s.FSnapshot.Pixel(0, 1)[0], 0);
  // A snapshot of another size is fitted to the composition before the effect.
  s.FSnapshot.SetSize(10, 10);
  s.Tick();
  EXPECT_EQ(s.FSnapshot.Width(), 800);
  EXPECT_EQ(s.FSnapshot.Height(), 600);
}

TEST(Tflat, DestructionLeavesChildrenToTheirOwner) {
  auto parent = std::make_unique<Tflat>(nullptr);
  auto a = std::make_unique<Tflat>(parent.get());
  Tflat b(parent.get());
  EXPECT_TRUE(parent->FComposite);
  a.reset();
  ASSERT_EQ(parent->FChildren.size(), 1u);
  EXPECT_EQ(parent->FChildren[0], &b);
  parent.reset();
  EXPECT_EQ(b.FParent, nullptr);  // b survives and no longer points at its parent
  b.Show();
  b.Compose();
}

TEST(Tflat, StateRecordRoundTrips) {
  int loads = 0;
  SetImageLoader([&](Picture& p, const Bytes&) {
    ++loads;
    p = Solid(50, 50, Format::BGR24, 0);
    return true;
  });
  Tflat a(nullptr);
  a.LoadPicture("bg01");
  EXPECT_EQ(a.SaveState(), "0,0,0,255,bg01,,true,false,false,false");
  // Every field, with a tag that needs quoting.
  a.FTop = -7, a.FLeft = 12, a.FState = 15, a.FOpacity = 128;
  a.FTag = "my tag, \"quoted\"";
  a.FVisible = false, a.FComposite = true, a.FActive = true, a.FHover = true;
  const Bytes record = a.SaveState();
  Tflat b(nullptr);
  b.FillDirty(0);
  b.LoadState(record);
  EXPECT_EQ(loads, 2);  // a fresh layer loads the picture
  EXPECT_EQ(b.FTop, -7);
  EXPECT_EQ(b.FLeft, 12);
  EXPECT_EQ(b.FState, 15);
  EXPECT_EQ(b.FOpacity, 128);
  EXPECT_EQ(b.FTag, a.FTag);
  EXPECT_EQ(b.FPictureName, "bg01");
  EXPECT_FALSE(b.FVisible);  // set last, after the load showed the layer
  EXPECT_TRUE(b.FComposite);
  EXPECT_TRUE(b.FActive);
  EXPECT_TRUE(b.FHover);
  EXPECT_EQ(b.SaveState(), record);
  // The empty tag survives; a boolean is true only for "true".
  b.LoadState("1,2,3,4,bg01,,TRUE,yes,false,true");
  EXPECT_EQ(loads, 2);  // same name: shown, not loaded again
  EXPECT_EQ(b.FTag, "");
  EXPECT_FALSE(b.FVisible);
  EXPECT_FALSE(b.FComposite);
  EXPECT_TRUE(b.FHover);
  // A damaged record is refused before anything changes.
  EXPECT_ANY_THROW(b.LoadState("9,9,9,9,bg02,x,true"));
  EXPECT_ANY_THROW(b.LoadState("9,nine,9,9,bg02,x,true,true,true,true"));
  EXPECT_EQ(b.FTop, 1);
  EXPECT_EQ(b.FPictureName, "bg01");
  SetImageLoader(nullptr);
}

}  // namespace
}  // namespace vantel
