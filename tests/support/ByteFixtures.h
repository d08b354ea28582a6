// Byte-level fixtures shared by the tests and benchmarks: zlib streams and
// incompressible filler.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vantel::testing {

// `raw` as one zlib stream (compress2 at `level`).
inline std::string Deflate(std::string_view raw, int level = 9) {
  uLongf size = compressBound(uLong(raw.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
            uLong(raw.size()), level);
  out.resize(size);
  return out;
}

// `n` bytes that compress badly (a linear congruential sequence from `seed`),
// so their zlib stream is about as long as they are.
inline std::string NoiseBytes(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 24);
  return s;
}

}  // namespace vantel::testing
