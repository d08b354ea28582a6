// Converters: compressed wave data into 16-bit PCM, one block at a time.
//
// Shaped like a codec manager: suggest the PCM format for a compressed
// format, open a stream, ask how many compressed bytes fill a PCM block
// (and how much PCM a compressed block gives), convert one block, close (the
// destructor). Microsoft ADPCM (tag 2) is decoded by our own decoder,
// MPEG audio (tag 0x55) through libmpg123. A format neither decodes is
// reported as Unsupported: the caller takes its codec-missing path. A format
// record that is damaged (impossible block sizes, reserved rates, too many
// channels) is Malformed. Convert throws DataError on data it cannot decode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "sound/WaveFormat.h"

namespace vantel {

enum class ConverterStatus { Ok, Unsupported, Malformed };

class SoundConverter {
 public:
  virtual ~SoundConverter() = default;
  // Compressed bytes whose PCM fits in `pcmBytes`; 0 when not even one block does.
  virtual uint32_t SourceSize(uint32_t pcmBytes) const = 0;
  // PCM bytes that `sourceBytes` of compressed data give.
  virtual uint32_t DestinationSize(uint32_t sourceBytes) const = 0;
  // Decodes one block; returns the PCM bytes written, at most `capacity`.
  // A stream decoder keeps its state between calls, so consecutive blocks
  // are one continuous stream (a loop joined before decoding stays joined).
  virtual size_t Convert(const uint8_t* source, size_t sourceBytes, uint8_t* pcm,
                         size_t capacity) = 0;
  // What a piece of compressed data must be a multiple of to decode on its
  // own (a block codec's block); 1 for a stream decoder.
  virtual uint32_t BlockAlign() const { return 1; }
  // Compressed bytes taken in but not yet decoded (a stream decoder whose
  // last Convert filled its capacity first).
  virtual uint64_t PendingInput() const { return 0; }
};

// The 16-bit PCM format `format` decodes to. `why` (optional) says what is wrong.
ConverterStatus SuggestPcmFormat(const FormatBlock& format, WaveFormat& pcm,
                                 std::string* why = nullptr);
// A converter from `format` to `pcm` (as suggested); null with the status when none.
std::unique_ptr<SoundConverter> OpenConverter(const FormatBlock& format, const WaveFormat& pcm,
                                              ConverterStatus* status = nullptr,
                                              std::string* why = nullptr);

}  // namespace vantel
