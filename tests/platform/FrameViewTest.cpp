#include "platform/sdl/FrameView.h"

#include <gtest/gtest.h>

#include "platform/sdl/GamepadMap.h"

namespace vantel {
namespace {

TEST(FrameView, PictureKeepsItsAspectAndPointerMapsBack) {
  // An exact double: no surround, every pixel two by two.
  ScreenRect p = PlacePicture(1600, 1200, 800, 600);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.width, 1600);
  int x = 1599, y = 1199;
  WindowToFrame(p, 800, 600, x, y);
  EXPECT_EQ(x, 799);
  EXPECT_EQ(y, 599);
  // A wide screen: bars left and right; a narrow one: above and below.
  p = PlacePicture(1920, 1080, 800, 600);
  EXPECT_EQ(p.width, 1440);
  EXPECT_EQ(p.height, 1080);
  EXPECT_EQ(p.left, 240);
  EXPECT_EQ(p.top, 0);
  p = PlacePicture(1000, 1000, 800, 600);
  EXPECT_EQ(p.width, 1000);
  EXPECT_EQ(p.height, 750);
  EXPECT_EQ(p.top, 125);
  // The picture's corner in the window is the frame's corner; a click on the
  // bar lands on the nearest edge, never outside the frame.
  p = PlacePicture(1920, 1080, 800, 600);
  x = 240, y = 0;
  WindowToFrame(p, 800, 600, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  x = 10, y = 1079;
  WindowToFrame(p, 800, 600, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 599);
  x = 1919;
  WindowToFrame(p, 800, 600, x, y);
  EXPECT_EQ(x, 799);
  // Every picture point survives the trip to the window and back.
  for (const ScreenRect& place :
       {PlacePicture(800, 600, 800, 600), PlacePicture(2400, 1800, 800, 600),
        PlacePicture(1920, 1080, 800, 600), PlacePicture(1366, 768, 800, 600)})
    for (int fx : {0, 1, 399, 798, 799})
      for (int fy : {0, 1, 300, 599}) {
        int wx = fx, wy = fy;
        FrameToWindow(place, 800, 600, wx, wy);
        WindowToFrame(place, 800, 600, wx, wy);
        EXPECT_EQ(wx, fx) << place.width << "x" << place.height;
        EXPECT_EQ(wy, fy) << place.width << "x" << place.height;
      }
}

TEST(FrameView, WindowScaleAndItsOption) {
  // The described size unless 800x600 covers under a quarter of the desktop.
  EXPECT_EQ(ChooseWindowScale(0, 1920, 1080, 800, 600), 1);
  EXPECT_EQ(ChooseWindowScale(0, 1600, 1200, 800, 600), 1);  // exactly a quarter: no room left
  EXPECT_EQ(ChooseWindowScale(0, 2560, 1400, 800, 600), 2);  // a 1440 desktop less its panel
  EXPECT_EQ(ChooseWindowScale(0, 3840, 2160, 800, 600), 3);
  EXPECT_EQ(ChooseWindowScale(0, 0, 0, 800, 600), 1);  // no desktop known
  EXPECT_EQ(ChooseWindowScale(1, 3840, 2160, 800, 600), 1);
  EXPECT_EQ(ChooseWindowScale(2, 1920, 1280, 800, 600), 2);  // asked for is given
  EXPECT_EQ(ChooseWindowScale(2, 1024, 768, 800, 600), 1);   // unless it does not fit
  EXPECT_EQ(ChooseWindowScale(16, 3840, 2160, 800, 600), 3);
  EXPECT_EQ(ChooseWindowScale(3, 0, 0, 800, 600), 3);  // no desktop known
  int s = 0;
  EXPECT_TRUE(ParseScale("1", s));
  EXPECT_EQ(s, 1);
  EXPECT_TRUE(ParseScale("16", s));
  EXPECT_EQ(s, 16);
  for (const char* bad : {"", "0", "17", "-1", "2x", "+2", " 2", "1.5", "999999999999"}) {
    s = 7;
    EXPECT_FALSE(ParseScale(bad, s)) << bad;
    EXPECT_EQ(s, 7) << bad;
  }
}

TEST(FrameView, SoftwareGlIsRecognisedAndTicksWithoutChangeShowNothing) {
  EXPECT_TRUE(IsSoftwareGl("llvmpipe (LLVM 15.0.6, 256 bits)"));
  EXPECT_TRUE(IsSoftwareGl("Mesa Offscreen softpipe"));
  EXPECT_TRUE(IsSoftwareGl("Software Rasterizer"));
  EXPECT_FALSE(IsSoftwareGl("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
  EXPECT_FALSE(IsSoftwareGl("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49)"));

  PresentGate gate;
  EXPECT_TRUE(gate.Take());   // the first frame
  EXPECT_FALSE(gate.Take());  // a tick that changed nothing
  gate.Changed();
  gate.Changed();
  EXPECT_TRUE(gate.Take());  // shown once for all the rows of a tick
  EXPECT_FALSE(gate.Take());
  gate.Exposed();
  EXPECT_TRUE(gate.Take());
  PresentGate everyTick(true);
  EXPECT_TRUE(everyTick.Take());
  EXPECT_TRUE(everyTick.Take());
}

std::vector<InputEvent> Press(GamepadMap& pad, PadButton b, bool down) {
  std::vector<InputEvent> out;
  pad.Button(b, down, out);
  return out;
}

TEST(GamepadMap, ButtonsActAsTheReadersMouseAndKeys) {
  GamepadMap pad(800, 600);
  // A clicks where the pointer is: the picture's middle at first.
  auto e = Press(pad, PadButton::A, true);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, InputEvent::Kind::MouseDown);
  EXPECT_EQ(e[0].button, MouseButton::Left);
  EXPECT_EQ(e[0].x, 400);
  EXPECT_EQ(e[0].y, 300);
  EXPECT_TRUE(Press(pad, PadButton::A, true).empty());  // a repeated report is no second press
  e = Press(pad, PadButton::A, false);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].kind, InputEvent::Kind::MouseUp);
  // B and Start: the right button, whose release opens the pop-up menu.
  for (PadButton b : {PadButton::B, PadButton::Start}) {
    e = Press(pad, b, true);
    auto up = Press(pad, b, false);
    ASSERT_EQ(e.size(), 1u);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].kind, InputEvent::Kind::MouseUp);
    EXPECT_EQ(up[0].button, MouseButton::Right);
  }
  // The d-pad is the arrow keys.
  const std::pair<PadButton, int> arrows[] = {{PadButton::DpadLeft, 37},
                                              {PadButton::DpadUp, 38},
                                              {PadButton::DpadRight, 39},
                                              {PadButton::DpadDown, 40}};
  for (auto [b, key] : arrows) {
    e = Press(pad, b, true);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].kind, InputEvent::Kind::KeyDown);
    EXPECT_EQ(e[0].key, key);
    EXPECT_EQ(Press(pad, b, false)[0].kind, InputEvent::Kind::KeyUp);
  }
  // One shoulder held is Shift, for the events and for the asynchronous state.
  EXPECT_TRUE(Press(pad, PadButton::LeftShoulder, true).empty());
  EXPECT_TRUE(pad.ShiftHeld());
  e = Press(pad, PadButton::DpadDown, true);
  EXPECT_EQ(e[0].shift & kShift, static_cast<uint32_t>(kShift));
  Press(pad, PadButton::DpadDown, false);
  Press(pad, PadButton::LeftShoulder, false);
  EXPECT_FALSE(pad.ShiftHeld());
  // The other hides the text box: Space, as its menu shortcut.
  e = Press(pad, PadButton::RightShoulder, true);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].key, 32);
  EXPECT_EQ(e[0].shift, 0u);
  // Unplugged with buttons held: everything is let go without a click or a menu.
  Press(pad, PadButton::B, true);
  Press(pad, PadButton::LeftShoulder, true);
  pad.Release();
  EXPECT_FALSE(pad.ShiftHeld());
  EXPECT_EQ(Press(pad, PadButton::B, true).size(), 1u);  // a new press counts again
  EXPECT_TRUE(Press(pad, PadButton::Other, true).empty());
}

TEST(GamepadMap, StickMovesThePointerOverThePicture) {
  GamepadMap pad(800, 600);
  std::vector<InputEvent> out;
  pad.Axis(0, 3000);  // inside the dead zone: a resting stick does not drift
  pad.Step(1000, out);
  EXPECT_TRUE(out.empty());
  pad.Axis(0, 32767);  // full right: 600 pixels a second
  pad.Step(50, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].kind, InputEvent::Kind::MouseMove);
  EXPECT_EQ(out[0].x, 430);
  EXPECT_EQ(out[0].y, 300);
  // It stops at the picture's edge, and a stall does not fling it.
  for (int i = 0; i < 40; ++i) pad.Step(5000, out);
  EXPECT_EQ(pad.PointerX(), 799);
  pad.Axis(0, 0);
  pad.Axis(1, -32768);
  out.clear();
  pad.Step(100, out);
  EXPECT_EQ(pad.PointerY(), 240);
  // The mouse moved: the pad goes on from there, and A clicks there.
  pad.SetPointer(100, 50);
  pad.Axis(1, 0);
  auto e = Press(pad, PadButton::A, true);
  EXPECT_EQ(e[0].x, 100);
  EXPECT_EQ(e[0].y, 50);
  EXPECT_EQ(e[0].shift & kLeftButton, static_cast<uint32_t>(kLeftButton));
}

}  // namespace
}  // namespace vantel
