// The sound helpers: the one way the rest of the program reaches the sound
// sources, the process-wide sound lock, the codec-missing notice, and two
// parsing helpers the sources use (chunk scanning, MPEG format records).
//
// Depends on the sound sources (ClassSoundSrc) and the platform's message
// boxes. Posting and queries take the sound lock for one queue append or one
// read; the wave output holds it for a whole buffer's mix. Nothing here
// shows a message from the audio thread: the audio thread queues notices
// and warning lines, and the main thread shows or drains them
// (ShowPendingSoundNotices, TakeSoundWarnings).
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "base/Bytes.h"
#include "base/Stream.h"
#include "sound/WaveFormat.h"

namespace vantel {

class TSoundSrc;

// The process-wide sound lock: guards every sound source's state.
std::recursive_mutex& SoundLock();

// The source table: 0 background music, 1 effects and voices, 2 spare.
// Filled and cleared by the owner of the sources; not owned here. Posts to
// an empty entry are dropped; queries on it answer as for a silent source.
extern TSoundSrc* SoundSources[3];

// Command kinds.
enum SoundCommandKind : int32_t {
  kSoundStop = 0,
  kSoundPlay = 1,
  kSoundFadeOut = 2,
  kSoundFadeIn = 3,
  kSoundVolume = 4,
};

// Queues a command on source `index`; the name is lower-cased and given the
// extension ".wav" (replacing any other).
void PostSound(int index, int32_t kind, const Bytes& name, int32_t value, int32_t loops);
Bytes GetSoundState(int index);        // the source's SaveState text
bool IsSoundPlaying(int index);        // true while its finished flag is clear
int32_t GetSoundRemaining(int index);  // the source's RemainingTime

// The name a command carries for `name`: lower case, extension ".wav".
Bytes SoundCommandName(const Bytes& name);
// `name` without its extension (from its last '.' that is not a trail byte).
Bytes SoundNameStem(const Bytes& name);

// Asks for the codec-missing notice. Safe from the audio thread: it only
// marks the notice pending; at most one notice is ever shown per run.
void ShowCodecMissing();
// Main thread: shows the codec-missing notice if one is pending. True when shown.
bool ShowPendingSoundNotices();
// The codec-missing notice's text (nine lines joined by carriage returns), CP932.
Bytes CodecMissingText();
// Records a diagnostic line (a sample-rate warning, "LOOP in n") from any thread.
void AddSoundWarning(const Bytes& line);
// Main thread: the diagnostic lines recorded since the last call.
std::vector<Bytes> TakeSoundWarnings();
// Forgets the notice-shown state and queued lines (tests, a fresh run).
void ResetSoundNotices();

// Chunk ids as FindChunk compares them (the four bytes read little-endian).
constexpr uint32_t ChunkId(const char (&id)[5]) {
  return static_cast<uint8_t>(id[0]) | (static_cast<uint8_t>(id[1]) << 8) |
         (static_cast<uint8_t>(id[2]) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(id[3])) << 24);
}

// Scans id/length pairs from the stream's position up to `end` (-1: the
// stream's size) for `id`. On a match returns its length with the stream
// just after the pair. Otherwise returns the last pair's length (0 when none
// was read). Odd lengths are not padded. A pair that would reach past `end`
// stops the scan. `found` (optional) tells a match from the fallback.
int32_t FindChunk(Stream& stream, uint32_t id, int64_t end = -1, bool* found = nullptr);

// Fills an MPEG audio format record (WAVEFORMATEX plus 12 extra bytes) from
// the first frame header, bytes 0..3 read little-endian. A reserved sample
// rate leaves the rate 0, which no converter accepts.
void MakeMpegFormat(uint32_t header, FormatBlock& format);

}  // namespace vantel
