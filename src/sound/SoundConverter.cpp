#include "sound/SoundConverter.h"

#include "sound/MpegAudio.h"
#include "sound/MsAdpcm.h"

namespace vantel {

ConverterStatus SuggestPcmFormat(const FormatBlock& format, WaveFormat& pcm, std::string* why) {
  WaveFormat f = WaveFormat::Read(format.data());
  if (f.formatTag != kWaveFormatMsAdpcm && f.formatTag != kWaveFormatMpegLayer3) {
    if (why) *why = "no decoder for wave format " + std::to_string(f.formatTag);
    return ConverterStatus::Unsupported;
  }
  if (f.channels < 1 || f.channels > 2) {
    if (why) *why = "sound with " + std::to_string(f.channels) + " channels";
    return ConverterStatus::Malformed;
  }
  if (f.samplesPerSec == 0) {
    if (why) *why = "sound with a sample rate of 0";
    return ConverterStatus::Malformed;
  }
  pcm = WaveFormat::Pcm16(f.channels, f.samplesPerSec);
  return ConverterStatus::Ok;
}

std::unique_ptr<SoundConverter> OpenConverter(const FormatBlock& format, const WaveFormat& pcm,
                                              ConverterStatus* status, std::string* why) {
  WaveFormat check;
  ConverterStatus s = SuggestPcmFormat(format, check, why);
  std::unique_ptr<SoundConverter> c;
  if (s == ConverterStatus::Ok) {
    if (WaveFormat::Read(format.data()).formatTag == kWaveFormatMsAdpcm)
      c = MsAdpcmConverter::Create(format, why);
    else
      c = MpegConverter::Create(format, pcm, why);
    if (!c) s = ConverterStatus::Malformed;
  }
  if (status) *status = s;
  return c;
}

}  // namespace vantel
