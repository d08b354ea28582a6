// Helpers for the sound tests: running the sox/lame fixture tools, building
// RIFF wave files in memory and reading them back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "sound/WaveFormat.h"

namespace vantel::testing {

inline bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline bool RunTool(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

using vantel::Le16;
using vantel::Le32;

// A RIFF wave file of a format record (18 bytes + extras) and data bytes.
inline std::string MakeWave(const std::string& fmt, const std::string& data) {
  return RiffWave(fmt, data);
}

inline std::string PcmFormat(int channels, int rate) {
  return WaveFormat::Pcm16(uint16_t(channels), uint32_t(rate)).FileRecord();
}

inline std::string Samples(const std::vector<int16_t>& s) {
  return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2);
}

inline std::string PcmWave(int channels, int rate, const std::vector<int16_t>& s) {
  return MakeWave(PcmFormat(channels, rate), Samples(s));
}

struct ParsedWave {
  FormatBlock format{};
  std::string data;
};

// The format record and data of a RIFF wave file (first "fmt " and "data").
inline ParsedWave ParseWave(const std::string& file) {
  ParsedWave w;
  size_t p = 12;
  while (p + 8 <= file.size()) {
    std::string id = file.substr(p, 4);
    uint32_t len = Get32(reinterpret_cast<const uint8_t*>(file.data() + p + 4));
    if (id == "fmt ")
      std::copy_n(file.begin() + p + 8, std::min<size_t>(len, 256), w.format.begin());
    if (id == "data") {
      w.data = file.substr(p + 8, len);
      break;
    }
    p += 8 + len + (len & 1);
  }
  return w;
}

inline std::vector<int16_t> ToSamples(const std::string& bytes) {
  std::vector<int16_t> s(bytes.size() / 2);
  std::memcpy(s.data(), bytes.data(), s.size() * 2);
  return s;
}

}  // namespace vantel::testing

namespace vantel::testing {
// The little-endian 32-bit value of four bytes.
inline uint32_t Get32Of(const char* four) {
  return Get32(reinterpret_cast<const uint8_t*>(four));
}
}  // namespace vantel::testing
