#include "demo/gen/WaveWrite.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "base/Errors.h"

namespace vantel::demo {
namespace {

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutChunk(std::string& out, const char* id, const std::string& body) {
  out.append(id, 4);
  Put32(out, static_cast<uint32_t>(body.size()));
  out += body;
}

std::string Riff(const std::string& fmt, const std::string& fact, const std::string& data) {
  std::string body = "WAVE";
  PutChunk(body, "fmt ", fmt);
  if (!fact.empty()) PutChunk(body, "fact", fact);
  PutChunk(body, "data", data);
  if (data.size() % 2) body += '\0';  // the RIFF pad byte, after the data
  std::string out;
  PutChunk(out, "RIFF", body);
  return out;
}

void CheckChannels(int channels) {
  if (channels != 1 && channels != 2) throw DataError("wave data must be mono or stereo");
}

// The standard Microsoft ADPCM predictor pairs and step adaptation.
constexpr int kCoef1[7] = {256, 512, 0, 192, 240, 460, 392};
constexpr int kCoef2[7] = {0, -256, 0, 64, 0, -208, -232};
constexpr int kAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                            768, 614, 512, 409, 307, 230, 230, 230};

struct AdpcmState {
  int s1 = 0, s2 = 0, delta = 16;
};

// Encodes one sample, updating the state exactly as a decoder would.
int EncodeNibble(int sample, AdpcmState& st, int predictor) {
  // An arithmetic shift, as the common decoders (ours included) compute the
  // prediction; a division would round negative predictions the other way
  // and the decoder's samples would drift from the encoder's.
  const int pred = (st.s1 * kCoef1[predictor] + st.s2 * kCoef2[predictor]) >> 8;
  const int err = sample - pred;
  int q = (err >= 0 ? err + st.delta / 2 : err - st.delta / 2) / st.delta;
  q = std::clamp(q, -8, 7);
  const int out = std::clamp(pred + q * st.delta, -32768, 32767);
  st.s2 = st.s1;
  st.s1 = out;
  const int nibble = q & 15;
  st.delta = std::max(16, (kAdapt[nibble] * st.delta) >> 8);
  return nibble;
}

struct ChannelBlock {
  int predictor = 0;
  AdpcmState start;  // delta, s1, s2 written to the header
  std::vector<uint8_t> nibbles;
};

// One channel of one block: tries every predictor and keeps the one with the
// smallest squared error. `x` holds `count` samples (count >= 2).
ChannelBlock EncodeChannelBlock(const std::vector<int>& x) {
  ChannelBlock best;
  double bestError = std::numeric_limits<double>::max();
  for (int p = 0; p < 7; ++p) {
    long sum = 0;
    int n = 0;
    for (size_t i = 2; i < x.size() && n < 8; ++i, ++n)
      sum += std::abs(x[i] - ((x[i - 1] * kCoef1[p] + x[i - 2] * kCoef2[p]) >> 8));
    AdpcmState st;
    st.delta = std::max<int>(16, n ? static_cast<int>(sum / n / 2) : 16);
    st.s2 = x[0];
    st.s1 = x[1];
    ChannelBlock cand;
    cand.predictor = p;
    cand.start = st;
    double error = 0;
    for (size_t i = 2; i < x.size(); ++i) {
      cand.nibbles.push_back(static_cast<uint8_t>(EncodeNibble(x[i], st, p)));
      const double d = x[i] - st.s1;
      error += d * d;
    }
    if (error < bestError) {
      bestError = error;
      best = std::move(cand);
    }
  }
  return best;
}

}  // namespace

std::string WavPcm(const Pcm& pcm) {
  CheckChannels(pcm.channels);
  std::string fmt;
  Put16(fmt, 1);
  Put16(fmt, pcm.channels);
  Put32(fmt, kSampleRate);
  Put32(fmt, kSampleRate * pcm.channels * 2);
  Put16(fmt, pcm.channels * 2);
  Put16(fmt, 16);
  std::string data;
  data.reserve(pcm.samples.size() * 2);
  for (int16_t s : pcm.samples) Put16(data, static_cast<uint16_t>(s));
  return Riff(fmt, "", data);
}

int MsAdpcmFramesPerBlock(int channels) {
  const int align = channels == 2 ? 1024 : 512;
  return (align - 7 * channels) * 2 / channels + 2;
}

std::string EncodeMsAdpcm(const Pcm& pcm) {
  CheckChannels(pcm.channels);
  const int ch = pcm.channels;
  const size_t perBlock = static_cast<size_t>(MsAdpcmFramesPerBlock(ch));
  const size_t frames = pcm.Frames();
  std::string data;
  for (size_t start = 0; start < frames || start == 0; start += perBlock) {
    ChannelBlock blocks[2];
    for (int c = 0; c < ch; ++c) {
      std::vector<int> x(perBlock, 0);  // the last block is padded with silence
      for (size_t i = 0; i < perBlock && start + i < frames; ++i)
        x[i] = pcm.samples[(start + i) * ch + c];
      blocks[c] = EncodeChannelBlock(x);
    }
    for (int c = 0; c < ch; ++c) data += static_cast<char>(blocks[c].predictor);
    for (int c = 0; c < ch; ++c) Put16(data, static_cast<uint16_t>(blocks[c].start.delta));
    for (int c = 0; c < ch; ++c) Put16(data, static_cast<uint16_t>(blocks[c].start.s1));
    for (int c = 0; c < ch; ++c) Put16(data, static_cast<uint16_t>(blocks[c].start.s2));
    // Nibbles interleave by channel (left in the high nibble); mono packs
    // two consecutive samples, the first in the high nibble.
    std::vector<uint8_t> seq;
    for (size_t i = 0; i < perBlock - 2; ++i)
      for (int c = 0; c < ch; ++c) seq.push_back(blocks[c].nibbles[i]);
    for (size_t i = 0; i + 1 < seq.size(); i += 2)
      data += static_cast<char>((seq[i] << 4) | seq[i + 1]);
    if (frames == 0) break;
  }
  return data;
}

std::string WavMsAdpcm(const Pcm& pcm) {
  CheckChannels(pcm.channels);
  const int ch = pcm.channels;
  const int align = ch == 2 ? 1024 : 512;
  const int perBlock = MsAdpcmFramesPerBlock(ch);
  std::string fmt;
  Put16(fmt, 2);
  Put16(fmt, ch);
  Put32(fmt, kSampleRate);
  Put32(fmt, static_cast<uint32_t>(static_cast<int64_t>(kSampleRate) * align / perBlock));
  Put16(fmt, align);
  Put16(fmt, 4);
  Put16(fmt, 32);  // extra bytes: frames per block, coefficient count, 7 pairs
  Put16(fmt, perBlock);
  Put16(fmt, 7);
  for (int i = 0; i < 7; ++i) {
    Put16(fmt, static_cast<uint16_t>(kCoef1[i]));
    Put16(fmt, static_cast<uint16_t>(kCoef2[i]));
  }
  std::string fact;
  Put32(fact, static_cast<uint32_t>(pcm.Frames()));
  return Riff(fmt, fact, EncodeMsAdpcm(pcm));
}

std::string WavMp3(const std::string& mp3, int channels, int bitrateKbps, uint32_t frames) {
  CheckChannels(channels);
  std::string fmt;
  Put16(fmt, 0x55);
  Put16(fmt, channels);
  Put32(fmt, kSampleRate);
  Put32(fmt, static_cast<uint32_t>(bitrateKbps * 1000 / 8));
  Put16(fmt, 1);   // block alignment
  Put16(fmt, 0);   // bits per sample
  Put16(fmt, 12);  // extra bytes
  Put16(fmt, 1);   // MPEGLAYER3_ID_MPEG
  Put32(fmt, 0);   // padding as the ISO standard says
  Put16(fmt, static_cast<uint32_t>(144000 * bitrateKbps / kSampleRate + 1));  // one frame, padded
  Put16(fmt, 1);                                                              // frames per block
  Put16(fmt, 1393);                                                           // encoder delay
  std::string fact;
  Put32(fact, frames);
  return Riff(fmt, fact, mp3);
}

}  // namespace vantel::demo
