// TSoundSrc: one playing channel of the mix.
//
// Receives commands (play, stop, fade, volume; only the latest queued one
// runs), opens a sound from the sound archive or a loose file under the
// sound directory, decodes it block by block into 16-bit PCM (16-bit PCM
// directly, 8-bit PCM widened, Microsoft ADPCM and MPEG audio through a
// SoundConverter), loops it, and adds it, scaled by its volumes and fade,
// into the wave output's buffers. Opening is lazy: the header is read and
// the first block decoded in the first mix after the open. A random set
// starts with one of its variants 1 to 5 that exists and chains among 1 to 7.
//
// Every operation runs under the process-wide sound lock (FuncSound): Mix
// under the wave output's fill, Post and the queries under the helpers.
//
// Failure: a sound that is not found plays nothing, silently. A compressed
// format without a decoder raises the codec-missing notice (shown by the
// main thread) and leaves the source silent until the next open. Damaged
// sound data (no "data" chunk, an empty one, a header beyond the entry, 0 or
// more than 2 channels, undecodable blocks, data that decodes to no sound)
// plays silence for that sound, ends it and leaves one warning line
// (TakeSoundWarnings); reads never go past the sound's own bytes.
//
// Work per mix call is bounded whatever the data says: a refill reads a
// bounded number of compressed bytes and fills at most one decoded buffer;
// a call runs a bounded number of rounds, empty refills and variant chains
// (the rest of such a buffer stays silent); a sound whose refills keep
// coming back empty counts as damaged after a few tries.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "base/Stream.h"
#include "sound/ClassSound.h"
#include "sound/SoundConverter.h"
#include "sound/WaveFormat.h"

namespace vantel {

class TArchive;

// The sound archive as a source reads it: entries by lower-case name, and
// the archive's open stream in which they lie.
class SoundArchiveView {
 public:
  virtual ~SoundArchiveView() = default;
  virtual int32_t IndexOf(const Bytes& name) = 0;       // -1 when absent
  virtual uint32_t EntryOffset(const Bytes& name) = 0;  // 0 when absent
  virtual uint32_t EntrySize(const Bytes& name) = 0;
  // The stream entry `name` lies in (asked only when its offset is above 0);
  // it stays valid as long as the archive is open.
  virtual Stream& EntryStream(const Bytes& name) = 0;
};

// The view of an open TArchive (sound.pk2). The archive is not
// synchronised: only the sound sources may read it, under the sound lock.
class TArchiveSoundView : public SoundArchiveView {
 public:
  explicit TArchiveSoundView(TArchive& archive) : archive_(archive) {}
  int32_t IndexOf(const Bytes& name) override;
  uint32_t EntryOffset(const Bytes& name) override;
  uint32_t EntrySize(const Bytes& name) override;
  Stream& EntryStream(const Bytes& name) override;

 private:
  TArchive& archive_;
};

// A command as posted (kind: SoundCommandKind of FuncSound).
struct SoundCommand {
  int32_t kind = 0;
  Bytes name;
  int32_t value = 0;  // fade length in quarter milliseconds, or volume 0..255
  int32_t loops = 0;  // 1 once, n passes, 0 endless, -1 random variants
};

class TSoundSrc : public TSoundMixSource {
 public:
  static constexpr int kDecodedBytes = 50000;

  // `archive` may be null (loose files only); `looseDir` ends with '/'.
  explicit TSoundSrc(SoundArchiveView* archive = nullptr, std::string looseDir = "sound/");
  ~TSoundSrc() override;
  TSoundSrc(const TSoundSrc&) = delete;
  TSoundSrc& operator=(const TSoundSrc&) = delete;

  // Queues a command (the caller holds the sound lock). Only the latest
  // queued command ever runs, so the queue keeps only that one: a script
  // posting thousands of commands between two mixes costs no memory.
  void Post(SoundCommand command) {
    queue_.clear();
    queue_.push_back(std::move(command));
  }
  void Mix(int32_t* buffer, int32_t master, int32_t byteCount) override;
  // name, plays left, random variants, playing, as comma text.
  Bytes SaveState() const;
  // Bytes left in the current pass, div 44100, times 1000.
  int32_t RemainingTime() const;

  bool Finished() const { return finished_; }
  bool Playing() const { return playing_; }
  bool Failed() const { return error_; }
  const Bytes& Name() const { return name_; }
  int32_t PlaysLeft() const { return playsLeft_; }
  int32_t FadeVolume() const { return fadeVolume_; }
  const WaveFormat& OutputFormat() const { return outFormat_; }
  // Lines recorded for this source (sample-rate warnings), newest last.
  const std::vector<Bytes>& Warnings() const { return warnings_; }
  // Makes the choice of random variants repeatable.
  void SeedRandom(uint32_t seed) { random_.seed(seed); }

 private:
  void ProcessCommands();
  Bytes FirstVariant(const Bytes& stem);
  bool OpenByName(const Bytes& name);
  bool ExistsByName(const Bytes& name);
  void OpenFile(const std::string& path, const Bytes& name);
  void OpenStream(const Bytes& name, Stream& stream, uint32_t offset, uint32_t size);
  void BeginOpen();
  void EndOpen(const Bytes& name);
  void ReadHeader();
  bool FindFormatChunk(int64_t& formatPos, uint32_t& formatLength);
  bool ScanForData(int64_t from, bool padOddChunks);
  void SetupConverter();
  void Refill();
  void RefillPcm();
  void RefillCompressed();
  void JoinBlocksAcrossLoop(int64_t remaining, uint32_t sourceBlock);
  void ReadData(int64_t from, int64_t count, uint8_t* to);
  void DecodePiece(const uint8_t* source, size_t bytes);
  void RampIn();
  void ChainVariant();
  void Damaged(const std::string& why);
  void Warn(const Bytes& line);
  int Digit(int low, int high);

  SoundArchiveView* archive_;
  std::string looseDir_;

  bool playing_ = false;
  int64_t dataStart_ = 0;
  int64_t dataLength_ = 0;
  int64_t readPos_ = 0;
  Stream* stream_ = nullptr;
  std::unique_ptr<Stream> ownStream_;  // a loose file opened by the source
  Bytes name_;
  uint32_t entryOffset_ = 0;
  uint32_t entrySize_ = 0;
  std::vector<uint8_t> decoded_;
  int32_t decodedPos_ = 0;  // the mix position, in bytes
  int32_t decodedLength_ = 0;
  WaveFormat outFormat_;
  bool fresh_ = false;
  bool exhausted_ = false;
  int bytesPerSample_ = 2;       // stored PCM: 1 (unsigned 8-bit) or 2
  std::vector<uint8_t> narrow_;  // 8-bit PCM as read, before widening
  bool inputEnded_ = false;      // the last pass is taken in; the converter still holds some
  bool yielded_ = false;         // a refill since the open gave sound
  int emptyRefills_ = 0;         // refills in a row that gave no sound
  bool loopReported_ = false;    // this play's "LOOP in" line is queued
  uint8_t head_[20] = {};
  FormatBlock format_{};
  std::unique_ptr<SoundConverter> converter_;
  std::vector<uint8_t> compressed_;
  bool busy_ = false;
  int32_t fadeMode_ = 0;  // -1 fading out, 0 none, 1 fading in
  int32_t fadeStartVolume_ = 0;
  int32_t fadeLength_ = 0;
  int32_t fadeClock_ = 0;
  bool randomVariants_ = false;
  std::vector<Bytes> warnings_;
  int32_t fadeVolume_ = 255;
  int32_t leftVolume_ = 255;
  int32_t rightVolume_ = 255;
  int32_t playsLeft_ = 0;
  bool error_ = false;
  std::vector<SoundCommand> queue_;
  bool finished_ = false;
  std::mt19937 random_;
};

}  // namespace vantel
