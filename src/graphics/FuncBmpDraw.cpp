#include "graphics/FuncBmpDraw.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "graphics/Simd.h"

namespace vantel {
namespace {

// The rectangle after clipping: every pixel it names lies inside both pictures.
struct Rect {
  int dx, dy, sx, sy, w, h;
};

// Clipping, in its fixed order. The order matters at the edges (a source
// position just past the source passes the first tests and is clipped to an
// empty rectangle), so it is kept step for step. Sums are taken in 64 bits so
// that extreme arguments cannot overflow.
bool Clip(const Picture& dst, const Picture& src, int64_t dx, int64_t dy, int64_t sx, int64_t sy,
          int64_t w, int64_t h, Rect& out) {
  const int64_t sw = src.Width(), sh = src.Height();
  const int64_t dw = dst.Width(), dh = dst.Height();
  if (w + sx < 0 || h + sy < 0) return false;
  if (sx > sw || sy > sh) return false;
  if (sx < 0) w += sx, dx -= sx, sx = 0;
  if (sy < 0) h += sy, dy -= sy, sy = 0;
  if (sx + w > sw) w = sw - sx;
  if (sy + h > sh) h = sh - sy;
  if (dx < 0) sx -= dx, w += dx, dx = 0;
  if (dy < 0) sy -= dy, h += dy, dy = 0;
  if (dx + w > dw) w = dw - dx;
  if (dy + h > dh) h = dh - dy;
  if (w <= 0 || h <= 0) return false;  // 0 passes the rule but draws nothing anyway
  out = {int(dx), int(dy), int(sx), int(sy), int(w), int(h)};
  return true;
}

// ---- Plain routines, one row at a time ------------------------------------
// DB / SB are the destination's and source's bytes per pixel. Only the three
// colour bytes are blended; a 32-bit destination keeps its alpha.

// Rows of a cell are short (150 bytes), where a library call costs as much
// as the copy: rows of 32 bytes or more are moved inline in 32-byte pieces,
// the last piece overlapping the one before.
inline void CopyBytes(uint8_t* d, const uint8_t* s, size_t n) {
  if (n < 32) {
    std::memcpy(d, s, n);
    return;
  }
  for (size_t i = 0; i + 32 <= n; i += 32) __builtin_memcpy(d + i, s + i, 32);
  __builtin_memcpy(d + n - 32, s + n - 32, 32);
}

template <int DB, int SB>
void CopyRowPlain(uint8_t* d, const uint8_t* s, int n) {
  if (DB == SB) {
    CopyBytes(d, s, size_t(n) * DB);
    return;
  }
  for (int i = 0; i < n; ++i, d += DB, s += SB) d[0] = s[0], d[1] = s[1], d[2] = s[2];
}

template <int DB, int SB>
void ConstantRowPlain(uint8_t* d, const uint8_t* s, int n, int a) {
  const unsigned wa = unsigned(a), wd = 255u - wa;
  for (int i = 0; i < n; ++i, d += DB, s += SB)
    for (int c = 0; c < 3; ++c) d[c] = uint8_t((d[c] * wd + s[c] * wa) >> 8);
}

template <int DB>
void AlphaRowPlain(uint8_t* d, const uint8_t* s, int n) {
  for (int i = 0; i < n; ++i, d += DB, s += 4) {
    const unsigned A = s[3];
    if (A == 0) continue;
    if (A == 255) {
      d[0] = s[0], d[1] = s[1], d[2] = s[2];
      continue;
    }
    for (int c = 0; c < 3; ++c) d[c] = uint8_t((d[c] * (255u - A) + s[c] * A) >> 8);
  }
}

template <int DB>
void ScaledRowPlain(uint8_t* d, const uint8_t* s, int n, int a) {
  for (int i = 0; i < n; ++i, d += DB, s += 4) {
    const unsigned e = (s[3] * unsigned(a)) >> 8;
    if (e == 0) continue;
    for (int c = 0; c < 3; ++c) d[c] = uint8_t((d[c] * (256u - e) + s[c] * e) >> 8);
  }
}

// ---- Vector routines (24-bit destination only) -----------------------------

#ifdef VANTEL_X86
// SSE2 is part of every x86-64 processor, so this one needs no check.
void ConstantBytesSse2(uint8_t* d, const uint8_t* s, int bytes, int a) {
  const __m128i wa = _mm_set1_epi16(int16_t(a)), wd = _mm_set1_epi16(int16_t(255 - a));
  const __m128i zero = _mm_setzero_si128();
  int i = 0;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i lo =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(dv, zero), wd),
                                     _mm_mullo_epi16(_mm_unpacklo_epi8(sv, zero), wa)),
                       8);
    const __m128i hi =
        _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(dv, zero), wd),
                                     _mm_mullo_epi16(_mm_unpackhi_epi8(sv, zero), wa)),
                       8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
  }
  const unsigned ua = unsigned(a), ud = 255u - ua;
  for (; i < bytes; ++i) d[i] = uint8_t((d[i] * ud + s[i] * ua) >> 8);
}

// The per-pixel-alpha routines take eight source pixels (32 bytes) against
// eight destination pixels (24 bytes) per step. The destination is read as two
// 16-byte halves at +0 and +12, each holding four pixels in its low 12 bytes,
// and exactly 24 bytes are written back. Reading 28 bytes means a step runs
// while ten pixels remain; the rest of the row takes the plain routine.
// Writing no more than was changed keeps the next step's reads clear of this
// step's stores (an overlap would stall the store forwarding on every step).

VANTEL_AVX2 inline __m256i LoadDst8(const uint8_t* d) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 12)), 1);
}

// v holds four BGR pixels in the low 12 bytes of each half.
VANTEL_AVX2 inline void StoreDst8(uint8_t* d, __m256i v) {
  const __m256i joined = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(joined));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm256_extracti128_si256(joined, 1));
}

struct Shuffles {
  __m256i expand, pack, alphaLo, alphaHi;
};

VANTEL_AVX2 inline Shuffles MakeShuffles() {
  Shuffles k;
  // 12 BGR bytes -> four BGR0 pixels.
  k.expand = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                              0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  // four BGRx pixels -> 12 BGR bytes, zeros above.
  k.pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                            0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  // The alpha of pixels 0, 1 (and 2, 3) widened to 16 bits under each channel.
  k.alphaLo = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1,  //
                               3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
  k.alphaHi = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1,  //
                               11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
  return k;
}

// (d*wd + s*ws) >> 8 on 16-bit lanes; every sum stays below 65536.
VANTEL_AVX2 inline __m256i Mix16(__m256i d, __m256i wd, __m256i s, __m256i ws) {
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(d, wd), _mm256_mullo_epi16(s, ws)),
                           8);
}

void ConstantRowSse2(uint8_t* d, const uint8_t* s, int n, int a) {
  ConstantBytesSse2(d, s, n * 3, a);
}

VANTEL_AVX2 void ConstantRowAvx2(uint8_t* d, const uint8_t* s, int n, int a) {
  const int bytes = n * 3;
  const __m256i wa = _mm256_set1_epi16(int16_t(a)), wd = _mm256_set1_epi16(int16_t(255 - a));
  const __m256i zero = _mm256_setzero_si256();
  int i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i lo =
        Mix16(_mm256_unpacklo_epi8(dv, zero), wd, _mm256_unpacklo_epi8(sv, zero), wa);
    const __m256i hi =
        Mix16(_mm256_unpackhi_epi8(dv, zero), wd, _mm256_unpackhi_epi8(sv, zero), wa);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  ConstantBytesSse2(d + i, s + i, bytes - i, a);
}

VANTEL_AVX2 void AlphaRowAvx2(uint8_t* d, const uint8_t* s, int n) {
  const Shuffles k = MakeShuffles();
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c255 = _mm256_set1_epi16(255);
  const __m256i opaque = _mm256_set1_epi32(255);
  int i = 0;
  for (; i + 10 <= n; i += 8) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i));
    const __m256i alpha = _mm256_srli_epi32(sv, 24);
    const __m256i isZero = _mm256_cmpeq_epi32(alpha, zero);
    if (_mm256_movemask_epi8(isZero) == -1) continue;  // all transparent: leave d untouched
    uint8_t* dp = d + 3 * i;
    const __m256i isOpaque = _mm256_cmpeq_epi32(alpha, opaque);
    if (_mm256_movemask_epi8(isOpaque) == -1) {  // all opaque: a copy, d is not read
      StoreDst8(dp, _mm256_shuffle_epi8(sv, k.pack));
      continue;
    }
    const __m256i dv = LoadDst8(dp);
    const __m256i de = _mm256_shuffle_epi8(dv, k.expand);
    const __m256i alo = _mm256_shuffle_epi8(sv, k.alphaLo),
                  ahi = _mm256_shuffle_epi8(sv, k.alphaHi);
    const __m256i lo = Mix16(_mm256_unpacklo_epi8(de, zero), _mm256_sub_epi16(c255, alo),
                             _mm256_unpacklo_epi8(sv, zero), alo);
    const __m256i hi = Mix16(_mm256_unpackhi_epi8(de, zero), _mm256_sub_epi16(c255, ahi),
                             _mm256_unpackhi_epi8(sv, zero), ahi);
    __m256i r = _mm256_packus_epi16(lo, hi);
    r = _mm256_blendv_epi8(r, sv, isOpaque);
    r = _mm256_blendv_epi8(r, de, isZero);
    StoreDst8(dp, _mm256_shuffle_epi8(r, k.pack));
  }
  AlphaRowPlain<3>(d + 3 * i, s + 4 * i, n - i);
}

VANTEL_AVX2 void ScaledRowAvx2(uint8_t* d, const uint8_t* s, int n, int a) {
  const Shuffles k = MakeShuffles();
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c256 = _mm256_set1_epi16(256);
  const __m256i va = _mm256_set1_epi16(int16_t(a));
  int i = 0;
  for (; i + 10 <= n; i += 8) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_srli_epi32(sv, 24), zero)) == -1) continue;
    uint8_t* dp = d + 3 * i;
    const __m256i dv = LoadDst8(dp);
    const __m256i de = _mm256_shuffle_epi8(dv, k.expand);
    // e = (A*a) >> 8; with e = 0 the mix gives d back exactly, so no select is needed.
    const __m256i elo =
        _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_shuffle_epi8(sv, k.alphaLo), va), 8);
    const __m256i ehi =
        _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_shuffle_epi8(sv, k.alphaHi), va), 8);
    const __m256i lo = Mix16(_mm256_unpacklo_epi8(de, zero), _mm256_sub_epi16(c256, elo),
                             _mm256_unpacklo_epi8(sv, zero), elo);
    const __m256i hi = Mix16(_mm256_unpackhi_epi8(de, zero), _mm256_sub_epi16(c256, ehi),
                             _mm256_unpackhi_epi8(sv, zero), ehi);
    const __m256i r = _mm256_packus_epi16(lo, hi);
    StoreDst8(dp, _mm256_shuffle_epi8(r, k.pack));
  }
  ScaledRowPlain<3>(d + 3 * i, s + 4 * i, n - i, a);
}
#endif

struct RowRoutines {
  void (*constant)(uint8_t*, const uint8_t*, int, int);
  void (*alpha)(uint8_t*, const uint8_t*, int);
  void (*scaled)(uint8_t*, const uint8_t*, int, int);
  const char* name;
};

const RowRoutines kPlain = {ConstantRowPlain<3, 3>, AlphaRowPlain<3>, ScaledRowPlain<3>, "plain"};

#ifdef VANTEL_X86
const RowRoutines kSse2 = {ConstantRowSse2, AlphaRowPlain<3>, ScaledRowPlain<3>, "sse2"};
const RowRoutines kAvx2 = {ConstantRowAvx2, AlphaRowAvx2, ScaledRowAvx2, "avx2"};
#endif

const RowRoutines*& Current() {
#ifdef VANTEL_X86
  static const RowRoutines* current = HaveAvx2() ? &kAvx2 : &kSse2;
#else
  static const RowRoutines* current = &kPlain;
#endif
  return current;
}

const RowRoutines& FastRoutines() {
  return *Current();
}

// Runs `row(d, s)` for each row of the clipped rectangle, with the first
// destination and source pixel of the row.
template <typename Row>
void ForEachRow(Picture& dst, const Picture& src, const Rect& r, Row row) {
  for (int y = 0; y < r.h; ++y) row(dst.Pixel(r.dx, r.dy + y), src.Pixel(r.sx, r.sy + y));
}

// The vector routines serve 24-bit destinations (the compositions); a 32-bit
// destination takes the plain ones.
template <int DB>
void Dispatch(Picture& dst, const Picture& src, const Rect& r, int a, const RowRoutines& k) {
  const int n = r.w;
  if (!src.Is32()) {
    if (a == 255)
      ForEachRow(dst, src, r, [n](uint8_t* d, const uint8_t* s) { CopyRowPlain<DB, 3>(d, s, n); });
    else if constexpr (DB == 3)
      ForEachRow(dst, src, r, [&](uint8_t* d, const uint8_t* s) { k.constant(d, s, n, a); });
    else
      ForEachRow(dst, src, r,
                 [n, a](uint8_t* d, const uint8_t* s) { ConstantRowPlain<DB, 3>(d, s, n, a); });
  } else if (a == 255) {
    // Between two 32-bit pictures an opaque draw is a plain copy of all four
    // bytes; into the (always 24-bit) compositions the source alpha counts.
    if constexpr (DB == 4)
      ForEachRow(dst, src, r, [n](uint8_t* d, const uint8_t* s) { CopyRowPlain<4, 4>(d, s, n); });
    else
      ForEachRow(dst, src, r, [&](uint8_t* d, const uint8_t* s) { k.alpha(d, s, n); });
  } else {
    if constexpr (DB == 3)
      ForEachRow(dst, src, r, [&](uint8_t* d, const uint8_t* s) { k.scaled(d, s, n, a); });
    else
      ForEachRow(dst, src, r,
                 [n, a](uint8_t* d, const uint8_t* s) { ScaledRowPlain<DB>(d, s, n, a); });
  }
}

void BlendWith(const RowRoutines& k, Picture& dst, int dx, int dy, const Picture& src, int sx,
               int sy, int w, int h, int a) {
  Rect r;
  if (!Clip(dst, src, dx, dy, sx, sy, w, h, r)) return;
  if (a > 255) a = 255;
  if (a < 1) return;
  if (dst.Is32())
    Dispatch<4>(dst, src, r, a, k);
  else
    Dispatch<3>(dst, src, r, a, k);
}

}  // namespace

void Blend(Picture& dst, int dx, int dy, const Picture& src, int sx, int sy, int w, int h, int a) {
  BlendWith(FastRoutines(), dst, dx, dy, src, sx, sy, w, h, a);
}

void BlendReference(Picture& dst, int dx, int dy, const Picture& src, int sx, int sy, int w, int h,
                    int a) {
  BlendWith(kPlain, dst, dx, dy, src, sx, sy, w, h, a);
}

const char* BlendPathName() {
  return FastRoutines().name;
}

bool ForceBlendPath(const std::string& name) {
  const RowRoutines* choice = nullptr;
  if (name == "plain") choice = &kPlain;
#ifdef VANTEL_X86
  if (name == "sse2") choice = &kSse2;
  if (name == "avx2" && HaveAvx2()) choice = &kAvx2;
#endif
  if (choice) Current() = choice;
  return choice != nullptr;
}

}  // namespace vantel
