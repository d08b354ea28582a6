// Picture helpers shared by the drawing tests.
#pragma once

#include <algorithm>

#include "base/Picture.h"

namespace vantel::testing {

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right, bottom exclusive
  bool Empty() const { return right < 0; }
};

// The bounding box of the pixels in the first `rows` rows (all when -1) for
// which `pred(pixel bytes)` holds.
template <typename Pred>
Box BoundingBox(const Picture& p, Pred pred, int rows = -1) {
  Box b;
  const int height = rows < 0 ? p.Height() : std::min(rows, p.Height());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < p.Width(); ++x)
      if (pred(p.Pixel(x, y))) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x + 1);
        b.bottom = std::max(b.bottom, y + 1);
      }
  return b;
}

}  // namespace vantel::testing
