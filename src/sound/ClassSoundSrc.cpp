#include "sound/ClassSoundSrc.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ClassArchive.h"
#include "data/ClassSList.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

// Values at the start of a newly opened sound that are faded in.
constexpr int kRampValues = 1024;
// A mix call that needs more rounds than this is reported ("LOOP in n").
constexpr int kReportedRounds = 10;
// Refills in a row that give no sound after which a sound counts as damaged:
// data that decodes to nothing (no MPEG frame, ADPCM blocks too short for
// their header) must not spin the audio thread, in one call or over many.
constexpr int kEmptyRefills = 8;
// Empty refills one mix call tries before leaving the rest of its buffer
// silent; the sound gets its next tries in the next calls.
constexpr int kEmptyRefillsPerCall = 2;
// Rounds of one mix call. Real sounds need one or two (a refill gives about
// a quarter second); more only come from variants or loops of a few frames,
// and the rest of such a buffer stays silent.
constexpr int kMaxRounds = 64;
// Variants one mix call may chain in; the next one starts in the next call.
constexpr int kMaxChainsPerCall = 8;
// Chunks walked in search of "fmt " or "data"; real files hold a handful.
constexpr int kMaxChunks = 1024;
// Compressed bytes one decoded block may take. Neither codec expands data,
// so a format record asking for more (blocks of thousands of bytes holding
// two samples, an absurd byte rate) is damaged, and reading it would tie up
// memory and the audio thread for nothing.
constexpr uint32_t kMaxSourceBlock = 4 * TSoundSrc::kDecodedBytes;

// Adds n frames of stored samples into the stereo accumulator, each scaled
// by its side's factor and divided (toward zero) by D. D is a constant so the
// division compiles to shifts.
template <int D>
void AddScaled(int32_t* out, const int16_t* s, int32_t n, int channels, int32_t left,
               int32_t right) {
  if (channels == 1) {
    for (int32_t i = 0; i < n; ++i) {
      out[2 * i] += s[i] * left / D;
      out[2 * i + 1] += s[i] * right / D;
    }
  } else {
    for (int32_t i = 0; i < n; ++i) {
      out[2 * i] += s[2 * i] * left / D;
      out[2 * i + 1] += s[2 * i + 1] * right / D;
    }
  }
}

}  // namespace

TSoundSrc::TSoundSrc(SoundArchiveView* archive, std::string looseDir)
    : archive_(archive),
      looseDir_(std::move(looseDir)),
      decoded_(kDecodedBytes, 0),
      random_(std::random_device{}()) {}

TSoundSrc::~TSoundSrc() = default;

int TSoundSrc::Digit(int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random_);
}

void TSoundSrc::Warn(const Bytes& line) {
  if (warnings_.size() >= 64) warnings_.erase(warnings_.begin());
  warnings_.push_back(line);
  AddSoundWarning(line);
}

void TSoundSrc::Damaged(const std::string& why) {
  // The sound cannot play: it ends here, silently, and says why.
  error_ = true;
  finished_ = true;
  Warn(Sjis("サウンド") + name_ + ": " + why);
}

// ---- The sound archive ----------------------------------------------------------

int32_t TArchiveSoundView::IndexOf(const Bytes& name) {
  return archive_.IndexOf(name);
}

uint32_t TArchiveSoundView::EntryOffset(const Bytes& name) {
  return static_cast<uint32_t>(std::max(0, archive_.EntryOffset(name)));
}

uint32_t TArchiveSoundView::EntrySize(const Bytes& name) {
  return static_cast<uint32_t>(std::clamp<int64_t>(archive_.EntrySize(name), 0, UINT32_MAX));
}

Stream& TArchiveSoundView::EntryStream(const Bytes& name) {
  // Selecting an archive entry makes the archive file the current stream
  // (it may have been a loose file's before).
  if (!archive_.SelectEntry(name) || !archive_.Stream())
    throw DataError("sound archive has no stream for its entry");
  return *archive_.Stream();
}

// ---- Commands ----------------------------------------------------------------

void TSoundSrc::ProcessCommands() {
  if (queue_.empty()) return;
  // The latest command wins; earlier ones are dropped unexecuted.
  SoundCommand c = std::move(queue_.back());
  queue_.clear();
  if (c.kind == kSoundPlay || c.kind == kSoundFadeIn) {
    playsLeft_ = c.loops;
    Bytes name = c.name;
    if (c.loops == -1) {
      randomVariants_ = true;
      name = FirstVariant(SoundNameStem(name));
      playsLeft_ = 1;
    } else {
      randomVariants_ = false;
    }
    playing_ = false;
    loopReported_ = false;
    if (OpenByName(name)) {
      fadeMode_ = 0;
      playing_ = true;
    }
  }
  switch (c.kind) {
    case kSoundStop:
      name_.clear();
      playing_ = false;
      randomVariants_ = false;
      break;
    case kSoundFadeOut:
      fadeMode_ = -1;
      fadeStartVolume_ = fadeVolume_;
      fadeClock_ = 0;
      fadeLength_ = c.value;
      randomVariants_ = false;
      break;
    case kSoundFadeIn:
      fadeMode_ = 1;
      fadeStartVolume_ = 0;
      fadeClock_ = 0;
      fadeLength_ = c.value;
      break;
    case kSoundVolume:
      leftVolume_ = rightVolume_ = std::clamp(c.value, 0, 255);
      randomVariants_ = false;
      break;
    default:
      break;
  }
}

// ---- Opening -----------------------------------------------------------------

bool TSoundSrc::ExistsByName(const Bytes& name) {
  if (archive_ && archive_->IndexOf(name) != -1) return true;
  return FindDataFile(looseDir_, name).has_value();
}

Bytes TSoundSrc::FirstVariant(const Bytes& stem) {
  // The first of a set is one of variants 1 to 5, chosen uniformly among
  // those that exist (as the chain chooses), so a set of fewer than five
  // never starts silent. With none of them, nothing plays.
  std::vector<Bytes> candidates;
  for (int d = 1; d <= 5; ++d) {
    Bytes candidate = stem + static_cast<char>('0' + d) + ".wav";
    if (ExistsByName(candidate)) candidates.push_back(candidate);
  }
  if (candidates.empty()) return stem + "1.wav";
  return candidates[static_cast<size_t>(Digit(0, int(candidates.size()) - 1))];
}

bool TSoundSrc::OpenByName(const Bytes& name) {
  if (archive_) {
    uint32_t offset = archive_->EntryOffset(name);
    if (offset > 0) {
      OpenStream(name, archive_->EntryStream(name), offset, archive_->EntrySize(name));
      return true;
    }
  }
  auto path = FindDataFile(looseDir_, name);
  if (!path) return false;
  OpenFile(*path, name);
  return true;
}

void TSoundSrc::BeginOpen() {
  busy_ = true;
  error_ = true;
  ownStream_.reset();
  stream_ = nullptr;
  converter_.reset();
}

void TSoundSrc::EndOpen(const Bytes& name) {
  name_ = name;
  error_ = exhausted_ = finished_ = yielded_ = inputEnded_ = false;
  emptyRefills_ = 0;
  fresh_ = true;
  decodedPos_ = decodedLength_ = 0;  // the next mix refills at once
  busy_ = false;
}

void TSoundSrc::OpenFile(const std::string& path, const Bytes& name) {
  BeginOpen();
  try {
    ownStream_ = std::make_unique<FileStream>(path, FileStream::Mode::Read);
  } catch (const Error& e) {
    name_ = name;
    busy_ = false;
    Damaged(e.what());
    return;
  }
  stream_ = ownStream_.get();
  entryOffset_ = 0;
  entrySize_ = static_cast<uint32_t>(std::min<int64_t>(stream_->Size(), UINT32_MAX));
  EndOpen(name);
}

void TSoundSrc::OpenStream(const Bytes& name, Stream& stream, uint32_t offset, uint32_t size) {
  BeginOpen();
  stream_ = &stream;
  entryOffset_ = offset;
  // An entry that claims more than the stream holds is cut to what is there.
  int64_t available = std::max<int64_t>(0, stream.Size() - offset);
  entrySize_ = static_cast<uint32_t>(std::min<int64_t>(size, available));
  EndOpen(name);
}

// ---- Header ------------------------------------------------------------------

bool TSoundSrc::FindFormatChunk(int64_t& formatPos, uint32_t& formatLength) {
  const int64_t end = int64_t{entryOffset_} + entrySize_;
  for (bool pad : {false, true}) {
    int64_t pos = int64_t{entryOffset_} + 12;
    for (int i = 0; i < kMaxChunks && pos + 8 <= end; ++i) {
      uint8_t pair[8];
      stream_->Seek(pos);
      if (stream_->Read(pair, 8) != 8) break;
      uint32_t length = Get32(pair + 4);
      if (Get32(pair) == ChunkId("fmt ")) {
        formatPos = pos;
        formatLength = length;
        return true;
      }
      pos += 8 + int64_t{length} + (pad ? length & 1 : 0);
    }
  }
  return false;
}

bool TSoundSrc::ScanForData(int64_t pos, bool padOddChunks) {
  const int64_t end = int64_t{entryOffset_} + entrySize_;
  for (int i = 0; i < kMaxChunks && pos + 8 <= end; ++i) {
    uint8_t pair[8];
    stream_->Seek(pos);
    if (stream_->Read(pair, 8) != 8) return false;
    uint32_t length = Get32(pair + 4);
    pos += 8;
    if (Get32(pair) == ChunkId("data")) {
      dataStart_ = readPos_ = pos;
      dataLength_ = length;
      return true;
    }
    pos += length;
    if (padOddChunks) pos += length & 1;
  }
  return false;
}

void TSoundSrc::ReadHeader() {
  if (error_ || !stream_) return;
  const int64_t end = int64_t{entryOffset_} + entrySize_;
  format_.fill(0);
  if (entrySize_ < 20) return Damaged("shorter than a sound header");
  stream_->Seek(entryOffset_);
  if (stream_->Read(head_, 20) != 20) return Damaged("cannot read its header");
  if (std::memcmp(head_, "RIFF", 4) == 0) {
    // The system's own files put the format chunk first and its id is not
    // checked. Editors often write other chunks first ("JUNK", "LIST"): when
    // the first id is not "fmt ", the chunks are walked for it; a file
    // without one is read by the first rule.
    int64_t formatPos = int64_t{entryOffset_} + 12;
    uint32_t fmtLength = Get32(head_ + 16);
    if (std::memcmp(head_ + 12, "fmt ", 4) != 0) FindFormatChunk(formatPos, fmtLength);
    const int64_t formatEnd = formatPos + 8 + fmtLength;
    if (fmtLength < 16 || formatEnd > end) return Damaged("format chunk does not fit the file");
    size_t take = std::min<size_t>(fmtLength, format_.size());
    stream_->Seek(formatPos + 8);
    if (stream_->Read(format_.data(), take) != take) return Damaged("cannot read its format");
    // The system's own rule steps over chunks without RIFF's pad byte; files
    // written by other tools pad odd chunks, so those are tried second.
    if (!ScanForData(formatEnd, false) && !ScanForData(formatEnd + (fmtLength & 1), true))
      return Damaged("no \"data\" chunk");
    if (dataStart_ + dataLength_ > end) {
      Warn(Sjis("サウンド") + name_ + ": data chunk longer than the file, cut to it");
      dataLength_ = end - dataStart_;
    }
  } else if (UpperCase(name_).ends_with(".MP3")) {
    if (head_[0] != 0xFF || (head_[1] & 0xE0) != 0xE0)
      return Damaged("MPEG audio file that does not begin with a frame header");
    MakeMpegFormat(Get32(head_), format_);
    dataStart_ = readPos_ = entryOffset_;
    dataLength_ = entrySize_;
  } else {
    return Damaged("neither RIFF wave data nor MPEG audio");
  }
  outFormat_ = WaveFormat::Read(format_.data());
  if (outFormat_.channels < 1 || outFormat_.channels > 2)
    return Damaged("has " + std::to_string(outFormat_.channels) + " channels");
  bytesPerSample_ = 2;
  if (outFormat_.formatTag == kWaveFormatPcm) {
    if (outFormat_.bitsPerSample == 8) {
      // Unsigned 8-bit samples are widened to signed 16-bit as they are read.
      bytesPerSample_ = 1;
      outFormat_ = WaveFormat::Pcm16(outFormat_.channels, outFormat_.samplesPerSec);
    } else if (outFormat_.bitsPerSample != 16) {
      return Damaged("PCM data that is neither 8- nor 16-bit");
    }
    // Whole frames only, so a loop joins left to left and right to right.
    dataLength_ -= dataLength_ % (outFormat_.channels * bytesPerSample_);
  } else {
    SetupConverter();
    if (error_) return;
  }
  if (dataLength_ <= 0) return Damaged("empty \"data\" chunk");
  error_ = exhausted_ = false;
  if (outFormat_.samplesPerSec != 44100) Warn(Sjis("サウンド") + name_ + Sjis("は44.1Kじゃないよ"));
}

void TSoundSrc::SetupConverter() {
  WaveFormat pcm = WaveFormat::Pcm16(outFormat_.channels, outFormat_.samplesPerSec);
  outFormat_ = pcm;
  converter_.reset();
  ConverterStatus status = ConverterStatus::Ok;
  std::string why;
  converter_ = OpenConverter(format_, pcm, &status, &why);
  if (status == ConverterStatus::Unsupported) {
    error_ = true;
    ShowCodecMissing();
    return;
  }
  if (!converter_) Damaged(why);
}

// ---- Decoding ----------------------------------------------------------------

void TSoundSrc::Refill() {
  if (error_) return;
  if (fresh_) {
    ReadHeader();
    if (error_) return;
  }
  decodedPos_ = decodedLength_ = 0;
  try {
    if (converter_)
      RefillCompressed();
    else
      RefillPcm();
  } catch (const Error& e) {
    Damaged(e.what());
    return;
  }
  decodedPos_ = 0;
  if (fresh_) {
    RampIn();
    fresh_ = false;
  }
}

void TSoundSrc::ReadData(int64_t from, int64_t count, uint8_t* to) {
  stream_->Seek(from);
  if (static_cast<int64_t>(stream_->Read(to, static_cast<size_t>(count))) != count)
    throw DataError("sound data ends before its length");
}

void TSoundSrc::RefillPcm() {
  const int64_t end = dataStart_ + dataLength_;
  const int b = bytesPerSample_;
  // Where a whole pass, read from the start of the data, lies in the decoded
  // buffer: later passes of a short loop are copied from there, not read again.
  int32_t passAt = -1;
  while (decodedLength_ < kDecodedBytes) {
    const int64_t room =
        b == 2 ? kDecodedBytes - decodedLength_ : (kDecodedBytes - decodedLength_) / 2;
    const int64_t chunk = std::min<int64_t>(room, end - readPos_);
    const int32_t widened = static_cast<int32_t>(chunk * 2 / b);
    uint8_t* to = decoded_.data() + decodedLength_;
    if (readPos_ == dataStart_ && passAt >= 0) {
      std::memcpy(to, decoded_.data() + passAt, static_cast<size_t>(widened));
    } else {
      if (readPos_ == dataStart_ && chunk == dataLength_) passAt = decodedLength_;
      if (b == 2) {
        ReadData(readPos_, chunk, to);
      } else {
        narrow_.resize(static_cast<size_t>(chunk));
        ReadData(readPos_, chunk, narrow_.data());
        for (int64_t i = 0; i < chunk; ++i) {
          int16_t v = static_cast<int16_t>((narrow_[i] - 128) * 256);
          std::memcpy(to + 2 * i, &v, 2);
        }
      }
    }
    readPos_ += chunk;
    decodedLength_ += widened;
    if (readPos_ >= end) {
      if (--playsLeft_ == 0) {
        exhausted_ = true;
        break;
      }
      readPos_ = dataStart_;  // the loop joins without a gap
    }
  }
}

void TSoundSrc::DecodePiece(const uint8_t* source, size_t bytes) {
  // The PCM actually produced counts, not the predicted block length: a
  // stream decoder may give a little less or carry some over.
  decodedLength_ += static_cast<int32_t>(converter_->Convert(
      source, bytes, decoded_.data() + decodedLength_, decoded_.size() - decodedLength_));
}

void TSoundSrc::RefillCompressed() {
  uint32_t sourceBlock = converter_->SourceSize(kDecodedBytes);
  if (sourceBlock == 0) {
    exhausted_ = true;  // blocks too large for the buffer: nothing can ever be decoded
    return;
  }
  if (sourceBlock > kMaxSourceBlock)
    throw DataError("format record asks for " + std::to_string(sourceBlock) +
                    " compressed bytes per block");
  // A stream decoder still holding a block's worth of data (the record
  // understates how much sound its bytes hold) decodes that before taking
  // in more, so what it holds stays bounded; after the last pass it decodes
  // what it holds until that gives no more sound.
  if (inputEnded_ || converter_->PendingInput() >= sourceBlock) {
    DecodePiece(nullptr, 0);
    if (inputEnded_ && (decodedLength_ == 0 || converter_->PendingInput() == 0)) exhausted_ = true;
    return;
  }
  int64_t remaining = dataStart_ + dataLength_ - readPos_;
  compressed_.resize(sourceBlock);
  if (remaining >= sourceBlock) {
    ReadData(readPos_, sourceBlock, compressed_.data());
    readPos_ += sourceBlock;
  } else if (--playsLeft_ == 0) {
    sourceBlock = static_cast<uint32_t>(remaining);
    exhausted_ = true;
    if (sourceBlock == 0 || converter_->DestinationSize(sourceBlock) == 0) return;
    ReadData(readPos_, remaining, compressed_.data());
    readPos_ += remaining;
    DecodePiece(compressed_.data(), sourceBlock);
    if (converter_->PendingInput() > 0) {
      exhausted_ = false;
      inputEnded_ = true;
    }
    return;
  } else if (converter_->BlockAlign() > 1) {
    return JoinBlocksAcrossLoop(remaining, sourceBlock);
  } else {
    // Another pass follows: the compressed stream is joined across the loop
    // point before decoding, repeating the whole data as often as needed
    // (read once, then copied).
    ReadData(readPos_, remaining, compressed_.data());
    size_t at = static_cast<size_t>(remaining);
    int64_t missing = sourceBlock - remaining;
    size_t whole = SIZE_MAX;  // where the first whole copy lies
    while (dataLength_ < missing) {
      if (whole == SIZE_MAX) {
        whole = at;
        ReadData(dataStart_, dataLength_, compressed_.data() + at);
      } else {
        std::memcpy(compressed_.data() + at, compressed_.data() + whole,
                    static_cast<size_t>(dataLength_));
      }
      at += static_cast<size_t>(dataLength_);
      missing -= dataLength_;
    }
    if (whole == SIZE_MAX)
      ReadData(dataStart_, missing, compressed_.data() + at);
    else
      std::memcpy(compressed_.data() + at, compressed_.data() + whole,
                  static_cast<size_t>(missing));
    readPos_ = dataStart_ + missing;
  }
  DecodePiece(compressed_.data(), sourceBlock);
}

void TSoundSrc::JoinBlocksAcrossLoop(int64_t remaining, uint32_t sourceBlock) {
  // A block codec decodes the end of the pass and each following pass on
  // their own, so the next pass starts on a block boundary even when the
  // data ends in a short block; the part of the next pass taken in is whole
  // blocks, so the following refill starts on one too. Pieces are added
  // while the compressed block and the decoded buffer hold them.
  const int64_t align = converter_->BlockAlign();
  auto fits = [&](int64_t bytes) {
    return converter_->DestinationSize(static_cast<uint32_t>(bytes)) <=
           static_cast<uint32_t>(kDecodedBytes - decodedLength_);
  };
  ReadData(readPos_, remaining, compressed_.data());
  DecodePiece(compressed_.data(), static_cast<size_t>(remaining));
  int64_t budget = sourceBlock - remaining;
  bool whole = false;  // compressed_ holds one whole pass
  // A pass that decodes to nothing is not repeated.
  const bool passGivesSound = converter_->DestinationSize(static_cast<uint32_t>(dataLength_)) > 0;
  while (passGivesSound && dataLength_ < budget && fits(dataLength_)) {
    if (!whole) ReadData(dataStart_, dataLength_, compressed_.data());
    whole = true;
    DecodePiece(compressed_.data(), static_cast<size_t>(dataLength_));
    budget -= dataLength_;
  }
  int64_t take = std::min(budget, dataLength_);
  take -= take % align;
  while (take > 0 && !fits(take)) take -= align;
  if (take > 0) {
    if (!whole) ReadData(dataStart_, take, compressed_.data());
    DecodePiece(compressed_.data(), static_cast<size_t>(take));
  }
  readPos_ = dataStart_ + take;
}

void TSoundSrc::RampIn() {
  int n = std::min(kRampValues, kDecodedBytes / 2);
  int16_t* v = reinterpret_cast<int16_t*>(decoded_.data());
  int values = std::min(n, decodedLength_ / 2);
  for (int i = 0; i < values; ++i) v[i] = static_cast<int16_t>(v[i] * i / n);
}

void TSoundSrc::ChainVariant() {
  // The next of the numbered variants: a different one that exists, chosen
  // uniformly. With no other variant the one that exists plays again.
  Bytes base = SoundNameStem(name_);
  if (!base.empty()) base.pop_back();
  std::vector<Bytes> candidates;
  for (int d = 1; d <= 7; ++d) {
    Bytes candidate = base + static_cast<char>('0' + d) + ".wav";
    if (candidate != name_ && ExistsByName(candidate)) candidates.push_back(candidate);
  }
  Bytes next = candidates.empty()
                   ? name_
                   : candidates[static_cast<size_t>(Digit(0, int(candidates.size()) - 1))];
  playsLeft_ = 1;
  if (OpenByName(next)) {
    fadeMode_ = 0;
    playing_ = true;
  }
}

// ---- Mixing ------------------------------------------------------------------

void TSoundSrc::Mix(int32_t* buffer, int32_t master, int32_t byteCount) {
  ProcessCommands();
  if (error_ || busy_ || finished_ || !playing_) return;
  int32_t frames = byteCount / 4;
  ++fadeClock_;
  const int64_t elapsed = int64_t{fadeClock_} * 30000 / 441;
  if (fadeMode_ == -1) {
    if (elapsed > fadeLength_ || fadeLength_ == 0) {
      finished_ = true;
      return;
    }
    fadeVolume_ = static_cast<int32_t>(fadeStartVolume_ * (fadeLength_ - elapsed) / fadeLength_);
  } else if (fadeMode_ == 0) {
    fadeVolume_ = 255;
  } else {
    if (elapsed > fadeLength_) {
      fadeVolume_ = 255;
      fadeMode_ = 0;
    } else {
      fadeVolume_ = static_cast<int32_t>(elapsed * 255 / fadeLength_);
    }
  }
  const int32_t g = fadeVolume_ * master / 256;
  const int32_t leftFactor = g * leftVolume_ / 256;
  const int32_t rightFactor = g * rightVolume_ / 256;
  // The vocal song is mixed at full scale, everything else at half.
  const int32_t d = name_ == "uta.wav" ? 256 : 512;

  int rounds = 0, chains = 0, emptyInCall = 0;
  while (frames > 0 && rounds < kMaxRounds) {
    ++rounds;
    if (decodedPos_ >= decodedLength_) {
      if (exhausted_) {
        if (!yielded_) {
          Damaged("decodes to no sound");
          break;
        }
        if (randomVariants_ && chains == kMaxChainsPerCall) break;
        finished_ = true;
        if (!randomVariants_) break;
        ++chains;
        ChainVariant();
        if (finished_) break;
      }
      Refill();
      if (error_) break;
      if (decodedLength_ >= outFormat_.channels * 2) {
        yielded_ = true;
        emptyRefills_ = 0;
      } else if (++emptyRefills_ >= kEmptyRefills) {
        Damaged("decodes to no sound");
        break;
      } else if (++emptyInCall >= kEmptyRefillsPerCall) {
        break;
      }
    }
    const int channels = outFormat_.channels;
    if (channels == 0) break;
    int32_t n = std::min(frames, (decodedLength_ - decodedPos_) / (channels * 2));
    if (n == 0) {
      decodedPos_ = decodedLength_;  // a partial frame at the end of a block
      continue;
    }
    const int16_t* s = reinterpret_cast<const int16_t*>(decoded_.data() + decodedPos_);
    if (d == 256)
      AddScaled<256>(buffer, s, n, channels, leftFactor, rightFactor);
    else
      AddScaled<512>(buffer, s, n, channels, leftFactor, rightFactor);
    buffer += 2 * n;
    frames -= n;
    decodedPos_ += n * channels * 2;
  }
  // One line per play, however many rounds and calls it took.
  if (rounds > kReportedRounds && !loopReported_) {
    AddSoundWarning("LOOP in " + std::to_string(rounds));
    loopReported_ = true;
  }
}

// ---- State -------------------------------------------------------------------

Bytes TSoundSrc::SaveState() const {
  const bool live = playing_ && !finished_;
  TSlist state;
  state.PushString(live ? name_ : Bytes());
  state.PushInteger(live ? playsLeft_ : 0);
  state.PushBool(randomVariants_);
  state.PushBool(playing_);
  return state.CommaText();
}

int32_t TSoundSrc::RemainingTime() const {
  return static_cast<int32_t>((dataStart_ + dataLength_ - readPos_) / 44100 * 1000);
}

}  // namespace vantel
