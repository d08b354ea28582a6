#include "sound/FuncSound.h"

#include <atomic>

#include "platform/Platform.h"
#include "sound/ClassSoundSrc.h"

namespace vantel {
namespace {

std::mutex noticeMutex;
bool noticePending = false;   // under noticeMutex
bool noticeShown = false;     // under noticeMutex: considered once per run
std::vector<Bytes> warnings;  // under noticeMutex
// Lines beyond this wait for nobody: a run that never drains them keeps the newest.
constexpr size_t kMaxWarnings = 256;

// Bit rates in kbit/s by bit-rate index: MPEG-1 layers I, II, III; MPEG-2
// layer I; MPEG-2 layers II and III (also every layer of MPEG-2.5).
constexpr int kBitRates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};

}  // namespace

TSoundSrc* SoundSources[3] = {nullptr, nullptr, nullptr};

namespace {
// Before the sources exist (or after they are freed) posts are dropped and
// queries answer as for a source that never played.
TSoundSrc* Source(int index) {
  return index >= 0 && index < 3 ? SoundSources[index] : nullptr;
}
}  // namespace

std::recursive_mutex& SoundLock() {
  static std::recursive_mutex lock;
  return lock;
}

Bytes SoundNameStem(const Bytes& name) {
  // The extension starts at the last '.' that is a character of its own, not
  // a trail byte; a '.' before the last path separator does not count.
  size_t dot = Bytes::npos;
  for (size_t i = 0; i < name.size(); i += CharLength(name, i)) {
    if (name[i] == '.') dot = i;
    if (name[i] == '\\' || name[i] == '/') dot = Bytes::npos;
  }
  return dot == Bytes::npos ? name : name.substr(0, dot);
}

Bytes SoundCommandName(const Bytes& name) {
  return LowerCase(SoundNameStem(name) + ".wav");
}

void PostSound(int index, int32_t kind, const Bytes& name, int32_t value, int32_t loops) {
  SoundCommand command{kind, SoundCommandName(name), value, loops};
  std::lock_guard<std::recursive_mutex> lock(SoundLock());
  if (TSoundSrc* s = Source(index)) s->Post(std::move(command));
}

Bytes GetSoundState(int index) {
  std::lock_guard<std::recursive_mutex> lock(SoundLock());
  TSoundSrc* s = Source(index);
  return s ? s->SaveState() : Bytes(",0,false,false");
}

bool IsSoundPlaying(int index) {
  std::lock_guard<std::recursive_mutex> lock(SoundLock());
  TSoundSrc* s = Source(index);
  return s ? !s->Finished() : true;
}

int32_t GetSoundRemaining(int index) {
  std::lock_guard<std::recursive_mutex> lock(SoundLock());
  TSoundSrc* s = Source(index);
  return s ? s->RemainingTime() : 0;
}

void ShowCodecMissing() {
  std::lock_guard<std::mutex> g(noticeMutex);
  if (!noticeShown) noticePending = true;
  noticeShown = true;
}

Bytes CodecMissingText() {
  static const char* const kLines[] = {
      "サウンドデータを再生するために必要なMicrosoft ADPCMが",
      "インストールされていないようです。",
      "",
      "◆Windowx95/98/Me",
      "　アプリケーションの追加と削除",
      "　　→Windowsファイル",
      " 　　　→マルチメディア",
      "",
      "からオーディオ圧縮をインストールしてください。",
  };
  Bytes text;
  for (size_t i = 0; i < std::size(kLines); ++i) {
    if (i) text += '\r';
    text += Sjis(kLines[i]);
  }
  return text;
}

bool ShowPendingSoundNotices() {
  {
    std::lock_guard<std::mutex> g(noticeMutex);
    if (!noticePending) return false;
    noticePending = false;
  }
  Platform& p = GetPlatform();
  int left = 0, top = 0, width = 0, height = 0;
  p.GetWindowPosition(left, top);
  p.GetClientSize(width, height);
  p.ShowMessage(CodecMissingText(), Bytes(), MessageKind::Confirmation, false, CodePage::CP932,
                left + width / 2 - 90, top + height / 2 - 50);
  return true;
}

void AddSoundWarning(const Bytes& line) {
  std::lock_guard<std::mutex> g(noticeMutex);
  if (warnings.size() >= kMaxWarnings) warnings.erase(warnings.begin());
  warnings.push_back(line);
}

std::vector<Bytes> TakeSoundWarnings() {
  std::lock_guard<std::mutex> g(noticeMutex);
  std::vector<Bytes> out;
  out.swap(warnings);
  return out;
}

void ResetSoundNotices() {
  std::lock_guard<std::mutex> g(noticeMutex);
  noticePending = noticeShown = false;
  warnings.clear();
}

int32_t FindChunk(Stream& stream, uint32_t id, int64_t end, bool* found) {
  if (end < 0) end = stream.Size();
  int32_t length = 0;
  if (found) *found = false;
  while (stream.Position() + 8 <= end) {
    uint8_t pair[8];
    if (stream.Read(pair, 8) != 8) break;
    length = static_cast<int32_t>(Get32(pair + 4));
    if (Get32(pair) == id) {
      if (found) *found = true;
      return length;
    }
    stream.Seek(stream.Position() + static_cast<uint32_t>(length));
  }
  return length;
}

void MakeMpegFormat(uint32_t header, FormatBlock& format) {
  const uint32_t b0 = header & 0xFF, b1 = (header >> 8) & 0xFF, b2 = (header >> 16) & 0xFF,
                 b3 = header >> 24;
  // version: 1 MPEG-1, 0 MPEG-2, 2 MPEG-2.5
  uint32_t version = (b0 == 0xFF && (b1 >> 4) == 0xE) ? 2 : (b1 >> 3) & 1;
  static constexpr uint32_t kLayerIndex[4] = {0, 2, 1, 0};  // by the layer bits
  uint32_t layer = kLayerIndex[(b1 >> 1) & 3];
  WaveFormat f = WaveFormat::Read(format.data());
  f.formatTag = kWaveFormatMpegLayer3;
  f.channels = (b3 >> 6) == 3 ? 1 : 2;
  static constexpr uint32_t kRates[4] = {44100, 48000, 32000, 0};
  // A reserved rate index gives 0: the record names no usable rate, and every
  // rate-based size below would divide by it.
  uint32_t rate = kRates[(b2 >> 2) & 3];
  if (version == 0) rate /= 2;
  if (version == 2) rate /= 4;
  f.samplesPerSec = rate;
  int column = version == 1 ? static_cast<int>(layer) : version == 0 && layer == 0 ? 3 : 4;
  uint32_t avg = static_cast<uint32_t>(kBitRates[column][b2 >> 4]) * 1000 / 8;
  f.avgBytesPerSec = avg;
  f.blockAlign = 1;
  f.bitsPerSample = 0;
  f.extraSize = 12;
  f.Write(format.data());
  uint8_t* extra = format.data() + 18;
  Put16(extra, 1);      // id
  Put32(extra + 2, 1);  // flags: padding on
  uint32_t k = layer + 3 * version;
  if (rate != 0) {
    uint32_t blockSize = Get16(extra + 6);
    if (k == 0 || k == 3)
      blockSize = (avg * 96 / rate + 1) * 4;
    else if (k == 4 || k == 5)
      blockSize = static_cast<uint32_t>(uint64_t{avg} * 1152 / rate + 1);
    else if (k <= 6)
      blockSize = avg * 576 / rate + 1;
    Put16(extra + 6, blockSize);
  }
  Put16(extra + 8, 1);      // frames per block
  Put16(extra + 10, 1393);  // codec delay
}

}  // namespace vantel
