// MPEG audio (format tag 0x55) decoding into 16-bit PCM through libmpg123.
//
// The decoder is fed from memory, block by block, and keeps its state, so
// the blocks of one sound (and a loop joined across its end) form one
// stream. Block sizes follow the format record's average byte rate. PCM
// that does not fit the caller's block is kept for the next call. Data
// libmpg123 cannot decode, or a stream whose rate or channels differ from
// the record, raises DataError.
#pragma once

#include "sound/SoundConverter.h"

struct mpg123_handle_struct;

namespace vantel {

class MpegConverter : public SoundConverter {
 public:
  static std::unique_ptr<MpegConverter> Create(const FormatBlock& format, const WaveFormat& pcm,
                                               std::string* why);
  ~MpegConverter() override;

  uint32_t SourceSize(uint32_t pcmBytes) const override;
  uint32_t DestinationSize(uint32_t sourceBytes) const override;
  size_t Convert(const uint8_t* source, size_t sourceBytes, uint8_t* pcm, size_t capacity) override;
  uint64_t PendingInput() const override;

 private:
  MpegConverter() = default;
  mpg123_handle_struct* handle_ = nullptr;
  uint32_t rate_ = 0;
  uint32_t channels_ = 0;
  uint32_t avgBytes_ = 0;
};

}  // namespace vantel
