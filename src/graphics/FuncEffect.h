// FuncEffect: the five picture transitions.
//
// A transition runs on a layer: the layer shows its snapshot S, and once per
// tick Effect moves S a step towards the freshly composed picture N, in the
// pattern of the effect kind, given the progress before (prev) and after
// (cur) the tick's advance, 0...255. No effect keeps a copy of the old
// picture: each step works on S as the previous steps left it, and the layer
// copies N over S when the progress passes 255, so an effect may leave pixels
// short of N.
//
//   0 fade   every byte moves towards N by about its difference * (cur-prev)/255
//            (at least one step); from progress 200 on by a quarter of it
//   1 mesh   each 4x4 block is revealed two pixels per step, eight steps
//   2 fall   a curtain with a 128-row soft edge moves down
//   3 noise  about half the bytes, chosen at random per tick, move by cur/256
//   4 scan   every other row (alternating every four calls) moves by cur/256
//
// Depends on base/Picture. S and N must be 24-bit pictures of one size;
// pictures that are not are left alone. Never allocates, never fails.
#pragma once

#include <cstdint>

#include "base/Picture.h"

namespace vantel {

// Effect kinds.
enum EffectKind : int { kFade = 0, kMesh = 1, kFall = 2, kNoise = 3, kScan = 4 };

// One step of effect `kind` (any other kind does nothing).
void Effect(int kind, Picture& s, const Picture& n, int prev, int cur);

// The same with the plain per-byte routines only; the fast ones must match it
// byte for byte (given the same noise seed and scan counter).
void EffectReference(int kind, Picture& s, const Picture& n, int prev, int cur);

// The noise effect's random source is process-wide; tests seed it.
void SeedEffectNoise(uint32_t seed);
// The scan effect's call counter is process-wide, as the alternation of rows
// continues across layers; tests reset it.
void ResetScanCounter(int value = 0);
int ScanCounter();

}  // namespace vantel
