#include "graphics/FuncEffect.h"

#include <algorithm>
#include <cstring>
#include <random>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define VANTEL_SSE2 1
#endif

namespace vantel {
namespace {

std::mt19937& NoiseSource() {
  static std::mt19937 rng(0x5eed);
  return rng;
}
int scanCounter = 0;

int Random256() {
  return int(NoiseSource()() >> 24);
}  // 0 ... 255
int Random255() {
  return int((uint64_t(NoiseSource()()) * 255u) >> 32);
}  // 0 ... 254

bool Matching(const Picture& s, const Picture& n) {
  return !s.Is32() && !n.Is32() && s.Width() == n.Width() && s.Height() == n.Height();
}

// ---- Row kernels: plain, and SSE2 where it pays ----------------------------
// SSE2 belongs to every x86-64 processor, so no runtime check is needed.

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

#ifdef VANTEL_SSE2
inline __m128i Load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

void MixRowSse2(uint8_t* s, const uint8_t* n, int bytes, unsigned ws, unsigned wn) {
  const __m128i vs = _mm_set1_epi16(int16_t(ws)), vn = _mm_set1_epi16(int16_t(wn));
  const __m128i zero = _mm_setzero_si128();
  int i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i a = Load(s + i), b = Load(n + i);
    // Equal bytes come out unchanged only when the weights sum to 256, so
    // they are kept explicitly, as the plain routine skips them.
    const __m128i same = _mm_cmpeq_epi8(a, b);
    const __m128i lo =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), vs),
                                     _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), vn)),
                       8);
    const __m128i hi =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), vs),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), vn)),
                       8);
    const __m128i r = _mm_packus_epi16(lo, hi);
    Store(s + i, _mm_or_si128(_mm_and_si128(same, a), _mm_andnot_si128(same, r)));
  }
  MixRowPlain(s + i, n + i, bytes - i, ws, wn);
}

// Signed 16-bit differences S - N of the low and high eight bytes.
inline void Diff16(__m128i a, __m128i b, __m128i& lo, __m128i& hi) {
  const __m128i zero = _mm_setzero_si128();
  lo = _mm_sub_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
  hi = _mm_sub_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
}

// sign(d) * (q(|d|)) computed by `step` on the magnitude, applied as S - that.
template <typename Step>
inline __m128i StepTowards(__m128i a, __m128i b, Step step) {
  __m128i lo, hi;
  Diff16(a, b, lo, hi);
  auto apply = [&](__m128i d, __m128i sLanes) {
    const __m128i neg = _mm_srai_epi16(d, 15);
    const __m128i mag = _mm_sub_epi16(_mm_xor_si128(d, neg), neg);
    const __m128i q = step(mag);
    return _mm_sub_epi16(sLanes, _mm_sub_epi16(_mm_xor_si128(q, neg), neg));
  };
  const __m128i zero = _mm_setzero_si128();
  return _mm_packus_epi16(apply(lo, _mm_unpacklo_epi8(a, zero)),
                          apply(hi, _mm_unpackhi_epi8(a, zero)));
}

// The fade table's entries computed directly: for |d| > 0 and delta > 0,
// T = (|d|*delta) div 255 + 1 with the sign of d. The division by 255 is a
// multiply-high by 0x8081 and a shift, exact for every 16-bit product.
// Valid for 0 <= delta <= 254, where no byte overshoots N.
void FadeRowSse2(uint8_t* s, const uint8_t* n, int bytes, int delta, const int* table) {
  const __m128i vd = _mm_set1_epi16(int16_t(delta));
  const __m128i magic = _mm_set1_epi16(int16_t(0x8081));
  const __m128i one = _mm_set1_epi16(1), zero = _mm_setzero_si128();
  int i = 0;
  for (; i + 16 <= bytes; i += 16)
    Store(s + i, StepTowards(Load(s + i), Load(n + i), [&](__m128i mag) {
            const __m128i x = _mm_mullo_epi16(mag, vd);
            const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(x, magic), 7);
            const __m128i moving = _mm_xor_si128(_mm_cmpeq_epi16(x, zero), _mm_set1_epi16(-1));
            return _mm_add_epi16(q, _mm_and_si128(one, moving));
          }));
  FadeRowPlain(s + i, n + i, bytes - i, table);
}

void QuarterRowSse2(uint8_t* s, const uint8_t* n, int bytes) {
  int i = 0;
  for (; i + 16 <= bytes; i += 16)
    Store(s + i, StepTowards(Load(s + i), Load(n + i),
                             [](__m128i mag) { return _mm_srli_epi16(mag, 2); }));
  QuarterRowPlain(s + i, n + i, bytes - i);
}

// Valid for 0 <= cur <= 256, where |d| * cur fits 16 bits.
void NoiseRowSse2(uint8_t* s, const uint8_t* n, int bytes, const uint8_t* mask, int cur) {
  const __m128i vc = _mm_set1_epi16(int16_t(cur));
  int i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i a = Load(s + i);
    const __m128i r = StepTowards(
        a, Load(n + i), [&](__m128i mag) { return _mm_srli_epi16(_mm_mullo_epi16(mag, vc), 8); });
    const __m128i m = Load(mask + i);
    Store(s + i, _mm_or_si128(_mm_and_si128(m, r), _mm_andnot_si128(m, a)));
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
#ifdef VANTEL_SSE2
const Kernels kFast = {MixRowSse2, FadeRowSse2, QuarterRowSse2, NoiseRowSse2};
#else
const Kernels kFast = kPlain;
#endif

// ---- The five effects ------------------------------------------------------

void Fade(Picture& s, const Picture& n, int prev, int cur, const Kernels& k) {
  const int bytes = s.Stride();
  if (cur >= 200) {
    for (int y = 0; y < s.Height(); ++y) k.quarter(s.Row(y), n.Row(y), bytes);
    return;
  }
  const int delta = cur - prev;
  int table[511];
  for (int i = 0; i < 511; ++i) {
    const int64_t x = int64_t(i - 255) * delta;
    table[i] = int(x / 255 + (x > 0) - (x < 0));
  }
  const bool direct = k.fade && delta >= 0 && delta <= 254;
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
  const bool fast = cur >= 0 && cur <= 256;
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
  Run(kind, s, n, prev, cur, kFast);
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
