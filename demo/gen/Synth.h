// A small deterministic synthesiser for the demo's music and effects:
// wavetable voices (pluck, pad, bass, bell, lead), a noise source, and a
// stereo float mix turned into 16-bit samples. Everything is seeded, so the
// same call always gives the same samples. No I/O, no failures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo/gen/WaveWrite.h"

namespace vantel::demo {

// xorshift32; the only source of randomness in the generator.
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  double Uniform() { return (Next() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
  int Below(int n) { return static_cast<int>(Uniform() * n); }

 private:
  uint32_t state_;
};

enum class Voice { Pluck, Pad, Bass, Bell, Lead, Organ };

class Mix {
 public:
  explicit Mix(double seconds);
  size_t Frames() const { return left_.size(); }
  double Seconds() const { return static_cast<double>(Frames()) / kSampleRate; }

  // A note of `voice` at `freq` Hz; pan -1 (left) ... 1 (right).
  void Note(Voice voice, double start, double length, double freq, double amp, double pan = 0);
  // Noise shaped by a one-pole low-pass (cutoff 0..1 of the band) and an
  // attack/decay envelope.
  void Noise(Rng& rng, double start, double length, double amp, double cutoff, double attack,
             double pan = 0);
  void Kick(double start, double amp);
  // Adds raw mono samples at `rate` Hz (resampled linearly), from `start`.
  void AddMono(const std::vector<int16_t>& samples, int rate, double start, double amp,
               double pan = 0);

  // Short fades at both ends so loops and starts do not click.
  void FadeEdges(double seconds);
  // Scales to the given peak (0..1) and converts; mono mixes both sides.
  Pcm ToPcm(int channels, double peak = 0.85) const;

 private:
  void Add(size_t i, double v, double pan);
  std::vector<float> left_, right_;
};

double MidiFreq(double note);

// A tune: chords, bass, arpeggio, melody and drums over a progression.
struct TunePlan {
  uint32_t seed = 1;
  double seconds = 20;
  int bpm = 90;
  int root = 60;  // MIDI note of the key's tonic
  bool minor = false;
  std::vector<int> progression = {0, 5, 3, 4};  // scale degrees, one chord a bar
  bool pad = true, arp = false, melody = true, drums = false, bells = false;
  Voice lead = Voice::Pluck;
  double melodyDensity = 0.7;  // chance that a melody slot sounds
  int melodyStep = 2;          // melody slots per beat
};
Mix RenderTune(const TunePlan& plan);

}  // namespace vantel::demo
