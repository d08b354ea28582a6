// FuncBmpDraw: the one blending operation through which all composition happens.
//
// Blend lays a rectangle of a source picture into a 24-bit destination at a
// constant alpha, honouring the source's own straight alpha when the source is
// a 32-bit picture. It clips the rectangle against both pictures first, so any
// arguments are safe: what falls outside either picture is simply not drawn.
// Depends on base/Picture only. It never fails and never allocates.
//
// The arithmetic is exact and part of the contract (saved screenshots and
// tests compare bytes):
//   24-bit source, a = 255          copy
//   24-bit source, 1 <= a <= 254    d := (d*(255-a) + s*a) >> 8
//   32-bit source, a = 255          A = 0 keeps d, A = 255 copies s,
//                                   else d := (d*(255-A) + s*A) >> 8
//   32-bit source, 1 <= a <= 254    e := (A*a) >> 8; d := (d*(256-e) + s*e) >> 8
// Note the first two weigh with a sum of 255, so a colour blended over itself
// darkens by one step; the last weighs with a sum of 256 and does not.
#pragma once

#include <string>

#include "base/Picture.h"

namespace vantel {

// Blends the w x h rectangle at (sx, sy) of src into dst at (dx, dy) with the
// constant alpha a (clamped to at most 255; below 1 nothing is drawn).
void Blend(Picture& dst, int dx, int dy, const Picture& src, int sx, int sy, int w, int h, int a);

// The same with the plain per-byte routines only, never the vector ones. The
// fast paths must match it byte for byte; tests and benchmarks compare them.
void BlendReference(Picture& dst, int dx, int dy, const Picture& src, int sx, int sy, int w, int h,
                    int a);

// The fast path Blend picked on this processor: "avx2", "sse2" or "plain".
const char* BlendPathName();
// Makes Blend use the named path ("avx2", "sse2", "plain") so tests can check
// each one on any processor; false, and no change, when it cannot run here.
bool ForceBlendPath(const std::string& name);

}  // namespace vantel
