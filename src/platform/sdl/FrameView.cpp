#include "platform/sdl/FrameView.h"

#include <algorithm>
#include <cstdint>

namespace vantel {

ScreenRect PlacePicture(int outW, int outH, int frameW, int frameH) {
  if (outW <= 0 || outH <= 0 || frameW <= 0 || frameH <= 0) return {0, 0, frameW, frameH};
  // Whichever side limits the scale fills the output; the other is centred.
  int w = outW, h = static_cast<int>(int64_t{outW} * frameH / frameW);
  if (h > outH) {
    h = outH;
    w = static_cast<int>(int64_t{outH} * frameW / frameH);
  }
  return {(outW - w) / 2, (outH - h) / 2, w, h};
}

void WindowToFrame(const ScreenRect& place, int frameW, int frameH, int& x, int& y) {
  if (place.width <= 0 || place.height <= 0) return;
  const int64_t fx = (int64_t{x} - place.left) * frameW / place.width;
  const int64_t fy = (int64_t{y} - place.top) * frameH / place.height;
  x = static_cast<int>(std::clamp<int64_t>(fx, 0, frameW - 1));
  y = static_cast<int>(std::clamp<int64_t>(fy, 0, frameH - 1));
}

void FrameToWindow(const ScreenRect& place, int frameW, int frameH, int& x, int& y) {
  if (frameW <= 0 || frameH <= 0) return;
  // The first window pixel that shows picture pixel (x, y).
  x = place.left + static_cast<int>((int64_t{x} * place.width + frameW - 1) / frameW);
  y = place.top + static_cast<int>((int64_t{y} * place.height + frameH - 1) / frameH);
}

int ChooseWindowScale(int requested, int desktopW, int desktopH, int frameW, int frameH) {
  if (frameW <= 0 || frameH <= 0 || desktopW <= 0 || desktopH <= 0) return std::max(1, requested);
  // A window larger than the desktop would put its buttons off screen.
  if (requested >= 1)
    return std::clamp(std::min(desktopW / frameW, desktopH / frameH), 1, requested);
  if (int64_t{frameW} * frameH * 4 >= int64_t{desktopW} * desktopH) return 1;
  return std::max(1, std::min(desktopW / frameW, desktopH / frameH));
}

bool ParseScale(const std::string& text, int& scale) {
  if (text.empty() || text.size() > 2) return false;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > 16) return false;
  scale = n;
  return true;
}

bool IsSoftwareGl(const std::string& glRenderer) {
  std::string s = glRenderer;
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* name : {"llvmpipe", "softpipe", "software rasterizer", "swrast", "swiftshader"})
    if (s.find(name) != std::string::npos) return true;
  return false;
}

}  // namespace vantel
