// Processor features for the vector paths of Blend and the effects. On x86:
// the intrinsics, VANTEL_X86, the VANTEL_AVX2 attribute for functions that
// use AVX2, and HaveAvx2() to choose them at run time. Elsewhere none of
// these exist and only the plain paths are built. Never fails.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define VANTEL_X86 1
#define VANTEL_AVX2 __attribute__((target("avx2")))

namespace vantel {
inline bool HaveAvx2() {
  return __builtin_cpu_supports("avx2");
}
}  // namespace vantel
#endif
