#include "platform/Platform.h"

#include <algorithm>
#include <cassert>

namespace vantel {
namespace {
Platform* current = nullptr;
}

Platform& GetPlatform() {
  assert(current && "no platform set");
  return *current;
}

void SetPlatform(Platform* platform) {
  current = platform;
}

ScreenRect ClipPresentRect(const ScreenRect& rect, int frameWidth, int frameHeight, int targetWidth,
                           int targetHeight, int offsetX, int offsetY) {
  // In 64 bits: the sums of extreme arguments must not wrap.
  const int64_t x0 = std::max<int64_t>({rect.left, 0, -int64_t{offsetX}});
  const int64_t y0 = std::max<int64_t>({rect.top, 0, -int64_t{offsetY}});
  const int64_t x1 = std::min<int64_t>(
      {int64_t{rect.left} + rect.width, frameWidth, int64_t{targetWidth} - offsetX});
  const int64_t y1 = std::min<int64_t>(
      {int64_t{rect.top} + rect.height, frameHeight, int64_t{targetHeight} - offsetY});
  if (x1 <= x0 || y1 <= y0) return ScreenRect{};
  return ScreenRect{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

}  // namespace vantel
