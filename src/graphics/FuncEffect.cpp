#include "graphics/FuncEffect.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "graphics/Simd.h"

namespace vantel {
namespace {

std::mt19937& NoiseSource() {
  static std::mt19937 rng(0x5eed);
  return rng;
}
int scanCounter = 0;

// 0 ... 255
int Random256() {
  return int(NoiseSource()() >> 24);
}
// 0 ... 254
int Random255() {
  return int((uint64_t(NoiseSource()()) * 255u) >> 32);
}

bool Matching(const Picture& s, const Picture& n) {
  return !s.Is32() && !n.Is32() && s.Width() == n.Width() && s.Height() == n.Height();
}

// ---- Row kernels: plain, and AVX2 where the processor has it ---------------

// S := (S*ws + N*wn) >> 8, with ws + wn <= 256 so every sum fits 16 bits.
void MixRowPlain(uint8_t* s, const uint8_t* n, int bytes, unsigned ws, unsigned wn) {
  for (int i = 0; i < bytes; ++i)
    if (s[i] != n[i]) s[i] = uint8_t((s[i] * ws + n[i] * wn) >> 8);
}

// fade before progress 200: S := S - T[S - N + 255].
void FadeRowPlain(uint8_t* s, const uint8_t* n, int bytes, const int* table) {
  for (int i = 0; i < bytes; ++i)
    if (s[i] != n[i]) s[i] = uint8_t(s[i] - table[s[i] - n[i] + 255]);
}

// fade from progress 200: S := S - (S - N) div 4.
void QuarterRowPlain(uint8_t* s, const uint8_t* n, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    const int d = s[i] - n[i];
    s[i] = uint8_t(s[i] - d / 4);
  }
}

// noise: where the mask byte is set, S := S - ((S - N) * cur) div 256.
void NoiseRowPlain(uint8_t* s, const uint8_t* n, int bytes, const uint8_t* mask, int cur) {
  for (int i = 0; i < bytes; ++i)
    if (mask[i] && s[i] != n[i]) s[i] = uint8_t(s[i] - (s[i] - n[i]) * cur / 256);
}

#ifdef VANTEL_X86
// The vector rows work on 32 bytes at a time with the byte-level form of each
// rule: the distance m = |S - N| splits into the part where S is above N and
// the part where it is below (saturating subtractions, one of them 0), the
// step t is computed from m, and S := S - min(t, above) + min(t, below).

VANTEL_AVX2 inline __m256i Load(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
VANTEL_AVX2 inline void Store(uint8_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// (m * f) >> 16 per byte, f a 16-bit factor.
VANTEL_AVX2 inline __m256i ScaleBytes(__m256i m, __m256i f) {
  const __m256i zero = _mm256_setzero_si256();
  return _mm256_packus_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(m, zero), f),
                             _mm256_mulhi_epu16(_mm256_unpackhi_epi8(m, zero), f));
}

VANTEL_AVX2 inline __m256i MoveBy(__m256i s, __m256i above, __m256i below, __m256i t) {
  return _mm256_add_epi8(_mm256_sub_epi8(s, _mm256_min_epu8(t, above)), _mm256_min_epu8(t, below));
}

VANTEL_AVX2 inline __m256i Mix16(__m256i x, __m256i y, __m256i vs, __m256i vn) {
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(x, vs), _mm256_mullo_epi16(y, vn)),
                           8);
}

// S := (S*ws + N*wn) >> 8 with ws + wn = 256, so equal bytes stay as they are.
VANTEL_AVX2 void MixRowAvx2(uint8_t* s, const uint8_t* n, int bytes, unsigned ws, unsigned wn) {
  const __m256i vs = _mm256_set1_epi16(int16_t(ws)), vn = _mm256_set1_epi16(int16_t(wn));
  const __m256i zero = _mm256_setzero_si256();
  int i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m256i a = Load(s + i), b = Load(n + i);
    const __m256i lo = Mix16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero), vs, vn);
    const __m256i hi = Mix16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero), vs, vn);
    Store(s + i, _mm256_packus_epi16(lo, hi));
  }
  MixRowPlain(s + i, n + i, bytes - i, ws, wn);
}

// The fade table's entries computed directly: T = (m*delta) div 255 + 1 for
// m > 0. With f = ceil(delta * 65536 / 255), (m*f) >> 16 equals
// (m*delta) div 255 for every m up to 255 (the error m*(f/65536 - delta/255)
// stays below 1/255). Valid for 1 <= delta <= 254, where t <= m: no byte
// passes N.
VANTEL_AVX2 void FadeRowAvx2(uint8_t* s, const uint8_t* n, int bytes, int delta, const int* table) {
  const __m256i f = _mm256_set1_epi16(int16_t(uint16_t((delta * 65536 + 254) / 255)));
  const __m256i one = _mm256_set1_epi8(1);
  int i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m256i a = Load(s + i), b = Load(n + i);
    const __m256i above = _mm256_subs_epu8(a, b), below = _mm256_subs_epu8(b, a);
    const __m256i m = _mm256_or_si256(above, below);
    const __m256i t = _mm256_add_epi8(ScaleBytes(m, f), _mm256_min_epu8(m, one));
    Store(s + i, MoveBy(a, above, below, t));
  }
  FadeRowPlain(s + i, n + i, bytes - i, table);
}

VANTEL_AVX2 void QuarterRowAvx2(uint8_t* s, const uint8_t* n, int bytes) {
  const __m256i low6 = _mm256_set1_epi8(0x3F);
  int i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m256i a = Load(s + i), b = Load(n + i);
    const __m256i above = _mm256_subs_epu8(a, b), below = _mm256_subs_epu8(b, a);
    const __m256i t = _mm256_and_si256(_mm256_srli_epi16(_mm256_or_si256(above, below), 2), low6);
    Store(s + i, MoveBy(a, above, below, t));
  }
  QuarterRowPlain(s + i, n + i, bytes - i);
}

// t = (m*cur) >> 8 = (m * (cur << 8)) >> 16; valid for 0 <= cur <= 255.
VANTEL_AVX2 void NoiseRowAvx2(uint8_t* s, const uint8_t* n, int bytes, const uint8_t* mask,
                              int cur) {
  const __m256i f = _mm256_set1_epi16(int16_t(uint16_t(cur << 8)));
  int i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m256i a = Load(s + i), b = Load(n + i);
    const __m256i above = _mm256_subs_epu8(a, b), below = _mm256_subs_epu8(b, a);
    const __m256i t =
        _mm256_and_si256(ScaleBytes(_mm256_or_si256(above, below), f), Load(mask + i));
    Store(s + i, MoveBy(a, above, below, t));
  }
  NoiseRowPlain(s + i, n + i, bytes - i, mask + i, cur);
}
#endif

struct Kernels {
  void (*mix)(uint8_t*, const uint8_t*, int, unsigned, unsigned);
  void (*fade)(uint8_t*, const uint8_t*, int, int, const int*);  // null: use the table
  void (*quarter)(uint8_t*, const uint8_t*, int);
  void (*noise)(uint8_t*, const uint8_t*, int, const uint8_t*, int);
};

const Kernels kPlain = {MixRowPlain, nullptr, QuarterRowPlain, NoiseRowPlain};

const Kernels& FastKernels() {
#ifdef VANTEL_X86
  static const Kernels avx2 = {MixRowAvx2, FadeRowAvx2, QuarterRowAvx2, NoiseRowAvx2};
  static const Kernels& chosen = HaveAvx2() ? avx2 : kPlain;
  return chosen;
#else
  return kPlain;
#endif
}

// ---- The five effects ------------------------------------------------------

void Fade(Picture& s, const Picture& n, int prev, int cur, const Kernels& k) {
  const int bytes = s.Stride();
  if (cur >= 200) {
    for (int y = 0; y < s.Height(); ++y) k.quarter(s.Row(y), n.Row(y), bytes);
    return;
  }
  const int delta = cur - prev;
  if (delta == 0) return;  // every step would be 0
  int table[511];
  for (int i = 0; i < 511; ++i) {
    const int64_t x = int64_t(i - 255) * delta;
    table[i] = int(x / 255 + (x > 0) - (x < 0));
  }
  const bool direct = k.fade && delta >= 1 && delta <= 254;
  for (int y = 0; y < s.Height(); ++y) {
    if (direct)
      k.fade(s.Row(y), n.Row(y), bytes, delta, table);
    else
      FadeRowPlain(s.Row(y), n.Row(y), bytes, table);
  }
}

// Step k of the mesh reveals the pixel (x, y) of each 4x4 block and the one at
// ((x + 2) mod 4, y + 2).
constexpr int kMeshX[8] = {0, 1, 0, 3, 1, 2, 3, 2};
constexpr int kMeshY[8] = {0, 0, 1, 0, 1, 0, 1, 1};

template <typename Op>
void ForMeshStep(Picture& s, const Picture& n, int step, Op op) {
  const int x1 = kMeshX[step], y1 = kMeshY[step], x2 = (x1 + 2) % 4, y2 = y1 + 2;
  const int blocksX = s.Width() / 4, blocksY = s.Height() / 4;
  for (int by = 0; by < blocksY; ++by) {
    uint8_t* r1 = s.Row(4 * by + y1);
    uint8_t* r2 = s.Row(4 * by + y2);
    const uint8_t* m1 = n.Row(4 * by + y1);
    const uint8_t* m2 = n.Row(4 * by + y2);
    for (int bx = 0; bx < blocksX; ++bx) {
      const int o1 = 3 * (4 * bx + x1), o2 = 3 * (4 * bx + x2);
      op(r1 + o1, m1 + o1);
      op(r2 + o2, m2 + o2);
    }
  }
}

void Mesh(Picture& s, const Picture& n, int prev, int cur) {
  cur = std::clamp(cur, 0, 255);
  // A progress outside 0...255 names no step; it is never given by a layer.
  if (prev != cur && prev >= 0 && prev <= 255)
    ForMeshStep(s, n, prev / 32, [](uint8_t* p, const uint8_t* q) { std::memcpy(p, q, 3); });
  ForMeshStep(s, n, cur / 32, [](uint8_t* p, const uint8_t* q) {
    for (int c = 0; c < 3; ++c) p[c] = uint8_t((p[c] + q[c]) / 2);
  });
}

void Fall(Picture& s, const Picture& n, int prev, int cur, const Kernels& k) {
  cur = std::clamp(cur, 0, 255);
  const int64_t h = s.Height(), span = h + 127;
  const int64_t top = span * prev / 256 - 256;
  const int64_t edge = span * cur / 256 - 127;
  const size_t bytes = size_t(s.Stride());
  for (int64_t y = std::max<int64_t>(top, 0); y < std::min(edge, h); ++y)
    std::memcpy(s.Row(int(y)), n.Row(int(y)), bytes);
  for (int i = 0; i < 128; ++i) {
    const int64_t y = edge + i;
    if (y < 0 || y >= h) continue;
    k.mix(s.Row(int(y)), n.Row(int(y)), int(bytes), unsigned(2 * i), unsigned(256 - 2 * i));
  }
}

void Noise(Picture& s, const Picture& n, int cur, const Kernels& k) {
  uint8_t moves[256];
  for (int i = 0; i < 256; ++i) moves[i] = (Random256() + 2 * cur) % 256 >= 128 ? 0xFF : 0;
  // The row's byte j looks at entry (k0 + 1 + j) mod 256: a window of a
  // doubled table, taken 256 bytes at a time.
  uint8_t mask[512 + 16];
  for (int i = 0; i < 512 + 16; ++i) mask[i] = moves[i % 256];
  const bool fast = cur >= 0 && cur <= 255;
  const int bytes = s.Stride();
  for (int y = 0; y < s.Height(); ++y) {
    const int k0 = Random255();
    uint8_t* sr = s.Row(y);
    const uint8_t* nr = n.Row(y);
    for (int j = 0; j < bytes; j += 256) {
      const int len = std::min(256, bytes - j);
      const uint8_t* m = mask + (k0 + 1 + j) % 256;
      if (fast)
        k.noise(sr + j, nr + j, len, m, cur);
      else
        NoiseRowPlain(sr + j, nr + j, len, m, cur);
    }
  }
}

void Scan(Picture& s, const Picture& n, int cur, const Kernels& k) {
  cur = std::clamp(cur, 0, 255);
  ++scanCounter;
  const int parity = (scanCounter / 4) % 2;
  for (int y = parity; y < s.Height(); y += 2)
    k.mix(s.Row(y), n.Row(y), s.Stride(), unsigned(256 - cur), unsigned(cur));
}

void Run(int kind, Picture& s, const Picture& n, int prev, int cur, const Kernels& k) {
  if (!Matching(s, n)) return;
  // An empty picture has no pixel memory: its rows must not even be addressed.
  if (s.Width() == 0 || s.Height() == 0) return;
  switch (kind) {
    case kFade:
      Fade(s, n, prev, cur, k);
      break;
    case kMesh:
      Mesh(s, n, prev, cur);
      break;
    case kFall:
      Fall(s, n, prev, cur, k);
      break;
    case kNoise:
      Noise(s, n, cur, k);
      break;
    case kScan:
      Scan(s, n, cur, k);
      break;
    default:
      break;
  }
}

}  // namespace

void Effect(int kind, Picture& s, const Picture& n, int prev, int cur) {
  Run(kind, s, n, prev, cur, FastKernels());
}

void EffectReference(int kind, Picture& s, const Picture& n, int prev, int cur) {
  Run(kind, s, n, prev, cur, kPlain);
}

void SeedEffectNoise(uint32_t seed) {
  NoiseSource().seed(seed);
}
void ResetScanCounter(int value) {
  scanCounter = value;
}
int ScanCounter() {
  return scanCounter;
}

}  // namespace vantel
