// Wave format records as RIFF files store them, and RIFF wave files.
//
// A sound's format chunk is kept as a raw 256-byte format block (the
// 18-byte WAVEFORMATEX head followed by its extra bytes), exactly as the
// file holds it; WaveFormat is the decoded 18-byte head. Nothing here fails:
// reading past the block is impossible because every offset is fixed.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "base/Endian.h"

namespace vantel {

inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatMsAdpcm = 2;
inline constexpr uint16_t kWaveFormatMpegLayer3 = 0x55;

// The sound's own format record: WAVEFORMATEX and its extra bytes.
using FormatBlock = std::array<uint8_t, 256>;

// The 18-byte WAVEFORMATEX head.
struct WaveFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t extraSize = 0;

  static WaveFormat Read(const uint8_t* p) {
    WaveFormat f;
    f.formatTag = Get16(p);
    f.channels = Get16(p + 2);
    f.samplesPerSec = Get32(p + 4);
    f.avgBytesPerSec = Get32(p + 8);
    f.blockAlign = Get16(p + 12);
    f.bitsPerSample = Get16(p + 14);
    f.extraSize = Get16(p + 16);
    return f;
  }
  void Write(uint8_t* p) const {
    Put16(p, formatTag);
    Put16(p + 2, channels);
    Put32(p + 4, samplesPerSec);
    Put32(p + 8, avgBytesPerSec);
    Put16(p + 12, blockAlign);
    Put16(p + 14, bitsPerSample);
    Put16(p + 16, extraSize);
  }
  // 16-bit PCM with the given channels and rate.
  static WaveFormat Pcm16(uint16_t channels, uint32_t rate) {
    WaveFormat f;
    f.formatTag = kWaveFormatPcm;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.avgBytesPerSec = rate * channels * 2;
    f.blockAlign = static_cast<uint16_t>(channels * 2);
    f.bitsPerSample = 16;
    return f;
  }
  // The record as a file's "fmt " chunk holds it: PCM files carry the
  // 16-byte form without the extra-size word, other formats the 18-byte head.
  std::string FileRecord() const {
    std::string r(18, '\0');
    Write(reinterpret_cast<uint8_t*>(r.data()));
    if (formatTag == kWaveFormatPcm) r.resize(16);
    return r;
  }
};

// A RIFF wave file: "fmt " with `formatRecord` as given, then "data". No
// pad byte follows odd-length data.
inline std::string RiffWave(std::string_view formatRecord, std::string_view data) {
  std::string body = "WAVEfmt ";
  body += Le32(static_cast<uint32_t>(formatRecord.size()));
  body += formatRecord;
  body += "data";
  body += Le32(static_cast<uint32_t>(data.size()));
  body += data;
  return "RIFF" + Le32(static_cast<uint32_t>(body.size())) + body;
}

}  // namespace vantel
