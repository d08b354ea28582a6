// RIFF/WAVE files for the demo's music and effects: 16-bit PCM, Microsoft
// ADPCM (our own encoder, standard coefficient table) and MPEG Layer-3 data
// wrapped with an MPEGLAYER3WAVEFORMAT header. The format chunk always comes
// first and every chunk before the data has an even length, because the
// player's reader takes the format length from bytes 16..19 and skips chunks
// without pad bytes. Pure functions of their input; no I/O.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantel::demo {

constexpr int kSampleRate = 44100;

// Interleaved 16-bit samples (channels 1 or 2).
struct Pcm {
  int channels = 2;
  std::vector<int16_t> samples;
  size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

std::string WavPcm(const Pcm& pcm);

// Block alignment: 1024 bytes for stereo, 512 for mono (1012 frames a block).
// The last block is padded with silence; a fact chunk holds the true length.
std::string WavMsAdpcm(const Pcm& pcm);
int MsAdpcmFramesPerBlock(int channels);
// The encoded blocks alone (what WavMsAdpcm puts in its data chunk).
std::string EncodeMsAdpcm(const Pcm& pcm);

// Wraps a raw MPEG-1 Layer-3 stream (as the lame encoder writes it, without
// a tag frame) in RIFF/WAVE with format tag 0x55. `frames` is the decoded
// length in sample frames (for the fact chunk).
std::string WavMp3(const std::string& mp3, int channels, int bitrateKbps, uint32_t frames);

}  // namespace vantel::demo
