#include "demo/gen/Synth.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vantel::demo {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kTableBits = 12;
constexpr int kTableSize = 1 << kTableBits;

const std::array<float, kTableSize>& SineTable() {
  static const auto table = [] {
    std::array<float, kTableSize> t{};
    for (int i = 0; i < kTableSize; ++i)
      t[i] = static_cast<float>(std::sin(2 * kPi * i / kTableSize));
    return t;
  }();
  return table;
}

inline float Sine(uint32_t phase) {
  return SineTable()[phase >> (32 - kTableBits)];
}

struct Partial {
  double ratio, amp, decay;  // decay: extra damping per second for this partial
};

struct VoiceShape {
  std::vector<Partial> partials;
  double attack, decay, sustain, release;  // seconds, seconds, level, seconds
  double vibrato;                          // depth in semitones
};

const VoiceShape& Shape(Voice v) {
  static const VoiceShape pluck{
      {{1, 1, 0}, {2, 0.45, 2}, {3, 0.2, 4}, {4, 0.1, 6}}, 0.005, 0.9, 0.0, 0.08, 0};
  static const VoiceShape pad{
      {{1, 1, 0}, {2, 0.5, 0}, {3, 0.3, 0}, {4, 0.18, 0}, {5, 0.1, 0}, {1.004, 0.7, 0}},
      0.35,
      0.5,
      0.75,
      0.6,
      0.05};
  static const VoiceShape bass{{{1, 1, 0}, {2, 0.35, 1.5}, {3, 0.12, 3}}, 0.01, 0.5, 0.45, 0.08, 0};
  static const VoiceShape bell{
      {{1, 1, 0.5}, {2.76, 0.5, 1.5}, {5.4, 0.3, 3}, {8.9, 0.15, 5}}, 0.002, 2.5, 0.0, 0.3, 0};
  static const VoiceShape lead{
      {{1, 1, 0}, {3, 0.28, 0}, {5, 0.12, 0}, {2, 0.2, 0}}, 0.04, 0.3, 0.7, 0.15, 0.12};
  static const VoiceShape organ{
      {{1, 1, 0}, {2, 0.6, 0}, {4, 0.3, 0}, {0.5, 0.4, 0}}, 0.02, 0.2, 0.85, 0.1, 0};
  switch (v) {
    case Voice::Pluck:
      return pluck;
    case Voice::Pad:
      return pad;
    case Voice::Bass:
      return bass;
    case Voice::Bell:
      return bell;
    case Voice::Lead:
      return lead;
    case Voice::Organ:
      return organ;
  }
  return pluck;
}

}  // namespace

double MidiFreq(double note) {
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

Mix::Mix(double seconds)
    : left_(static_cast<size_t>(std::max(0.0, seconds) * kSampleRate)),
      right_(static_cast<size_t>(std::max(0.0, seconds) * kSampleRate)) {}

void Mix::Add(size_t i, double v, double pan) {
  if (i >= left_.size()) return;
  left_[i] += static_cast<float>(v * (1 - pan) * 0.5 * 1.41);
  right_[i] += static_cast<float>(v * (1 + pan) * 0.5 * 1.41);
}

void Mix::Note(Voice voice, double start, double length, double freq, double amp, double pan) {
  const VoiceShape& s = Shape(voice);
  const size_t first = static_cast<size_t>(std::max(0.0, start) * kSampleRate);
  const size_t held = static_cast<size_t>(length * kSampleRate);
  const size_t total = held + static_cast<size_t>(s.release * kSampleRate);
  std::vector<uint32_t> phase(s.partials.size(), 0);
  std::vector<double> damp(s.partials.size(), 1.0), dampStep(s.partials.size());
  for (size_t p = 0; p < s.partials.size(); ++p)
    dampStep[p] = std::exp(-s.partials[p].decay / kSampleRate);
  const double decayStep = s.decay > 0 ? std::exp(-1.0 / (s.decay * kSampleRate)) : 0;
  double decayLevel = 1.0;
  double releaseFrom = -1;
  for (size_t n = 0; n < total && first + n < left_.size(); ++n) {
    const double t = static_cast<double>(n) / kSampleRate;
    double env;
    if (t < s.attack) {
      env = t / s.attack;
    } else {
      decayLevel *= decayStep;
      env = s.sustain + (1 - s.sustain) * decayLevel;
    }
    if (n >= held) {
      if (releaseFrom < 0) releaseFrom = env;
      env = releaseFrom * (1.0 - static_cast<double>(n - held) / (total - held + 1));
    }
    const double vib = s.vibrato > 0 && t > 0.25
                           ? std::pow(2.0, s.vibrato / 12 * std::sin(2 * kPi * 5.2 * t))
                           : 1.0;
    double v = 0;
    for (size_t p = 0; p < s.partials.size(); ++p) {
      const double f = freq * s.partials[p].ratio * vib;
      if (f > kSampleRate / 2.2) continue;
      phase[p] += static_cast<uint32_t>(f / kSampleRate * 4294967296.0);
      damp[p] *= dampStep[p];
      v += Sine(phase[p]) * s.partials[p].amp * damp[p];
    }
    Add(first + n, v * env * amp, pan);
  }
}

void Mix::Noise(Rng& rng, double start, double length, double amp, double cutoff, double attack,
                double pan) {
  const size_t first = static_cast<size_t>(std::max(0.0, start) * kSampleRate);
  const size_t total = static_cast<size_t>(length * kSampleRate);
  double lp = 0;
  for (size_t n = 0; n < total && first + n < left_.size(); ++n) {
    const double t = static_cast<double>(n) / kSampleRate;
    const double env =
        t < attack ? t / attack : std::exp(-3.0 * (t - attack) / std::max(1e-3, length - attack));
    lp += cutoff * ((rng.Uniform() * 2 - 1) - lp);
    Add(first + n, lp * env * amp, pan);
  }
}

void Mix::Kick(double start, double amp) {
  const size_t first = static_cast<size_t>(std::max(0.0, start) * kSampleRate);
  double phase = 0;
  for (size_t n = 0; n < static_cast<size_t>(0.25 * kSampleRate); ++n) {
    const double t = static_cast<double>(n) / kSampleRate;
    phase += 2 * kPi * (45 + 90 * std::exp(-t * 30)) / kSampleRate;
    Add(first + n, std::sin(phase) * std::exp(-t * 14) * amp, 0);
  }
}

void Mix::AddMono(const std::vector<int16_t>& samples, int rate, double start, double amp,
                  double pan) {
  if (samples.empty() || rate <= 0) return;
  const size_t first = static_cast<size_t>(std::max(0.0, start) * kSampleRate);
  const double step = static_cast<double>(rate) / kSampleRate;
  for (size_t n = 0;; ++n) {
    const double pos = n * step;
    const size_t i = static_cast<size_t>(pos);
    if (i + 1 >= samples.size()) break;
    const double frac = pos - i;
    const double v = (samples[i] * (1 - frac) + samples[i + 1] * frac) / 32768.0;
    Add(first + n, v * amp, pan);
  }
}

void Mix::FadeEdges(double seconds) {
  const size_t n = std::min(left_.size() / 2, static_cast<size_t>(seconds * kSampleRate));
  for (size_t i = 0; i < n; ++i) {
    const float g = static_cast<float>(i) / n;
    left_[i] *= g;
    right_[i] *= g;
    left_[left_.size() - 1 - i] *= g;
    right_[right_.size() - 1 - i] *= g;
  }
}

Pcm Mix::ToPcm(int channels, double peak) const {
  float maxAbs = 1e-6f;
  for (size_t i = 0; i < left_.size(); ++i)
    maxAbs = std::max({maxAbs, std::fabs(left_[i]), std::fabs(right_[i])});
  const double gain = peak * 32767.0 / maxAbs;
  Pcm pcm;
  pcm.channels = channels;
  pcm.samples.reserve(left_.size() * channels);
  auto conv = [&](double v) {
    return static_cast<int16_t>(std::clamp(std::lround(v * gain), -32768L, 32767L));
  };
  for (size_t i = 0; i < left_.size(); ++i) {
    if (channels == 1) {
      pcm.samples.push_back(conv((left_[i] + right_[i]) * 0.5));
    } else {
      pcm.samples.push_back(conv(left_[i]));
      pcm.samples.push_back(conv(right_[i]));
    }
  }
  return pcm;
}

Mix RenderTune(const TunePlan& plan) {
  static const int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
  static const int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};
  const int* scale = plan.minor ? kMinor : kMajor;
  auto degreeNote = [&](int degree) {
    const int oct = degree >= 0 ? degree / 7 : -((6 - degree) / 7);
    return plan.root + scale[degree - oct * 7] + 12 * oct;
  };
  Rng rng(plan.seed);
  const double beat = 60.0 / plan.bpm;
  const double bar = beat * 4;
  // Whole bars only, so a looping track comes round on the beat.
  const int bars = std::max(1, static_cast<int>(plan.seconds / bar));
  Mix mix(bars * bar);
  std::vector<std::pair<int, int>>
      motif;  // per melody slot: scale step from the chord root, length
  for (int b = 0; b < bars; ++b) {
    const double t0 = b * bar;
    const int deg = plan.progression[b % plan.progression.size()];
    const int chord[3] = {degreeNote(deg), degreeNote(deg + 2), degreeNote(deg + 4)};
    if (plan.pad)
      for (int i = 0; i < 3; ++i)
        mix.Note(Voice::Pad, t0, bar * 0.95, MidiFreq(chord[i]), 0.10, -0.5 + 0.5 * i);
    for (int q = 0; q < 4; ++q) {
      const bool onBeat = q % 2 == 0;
      mix.Note(Voice::Bass, t0 + q * beat, beat * 0.8, MidiFreq(chord[0] - 24 + (onBeat ? 0 : 7)),
               0.22);
    }
    if (plan.arp)
      for (int e = 0; e < 8; ++e)
        mix.Note(Voice::Pluck, t0 + e * beat / 2, beat / 2,
                 MidiFreq(chord[e % 3] + 12 * (e / 3 % 2)), 0.07, 0.6);
    if (plan.drums)
      for (int e = 0; e < 8; ++e) {
        if (e % 4 == 0) mix.Kick(t0 + e * beat / 2, 0.35);
        mix.Noise(rng, t0 + e * beat / 2, 0.06, e % 4 == 2 ? 0.12 : 0.05, 0.9, 0.002, 0.3);
      }
    if (plan.bells && b % 2 == 0)
      mix.Note(Voice::Bell, t0, bar, MidiFreq(chord[2] + 12), 0.08, -0.4);
    if (plan.melody && b % 8 != 7) {
      // A two-bar phrase is heard twice (the second time over other
      // chords, so it moves with the harmony) before a new one is made:
      // repetition is what makes a line sound like a tune.
      const int slots = 4 * plan.melodyStep;
      if (b % 4 == 0) {
        motif.assign(2 * slots, {-1, 0});
        int step = 0;
        for (int s = 0; s < 2 * slots; ++s) {
          if (rng.Uniform() > plan.melodyDensity) continue;
          step += rng.Below(5) - 2;
          if (s % plan.melodyStep == 0 && rng.Uniform() < 0.5)
            step = 2 * rng.Below(3);  // a chord tone
          step = std::clamp(step, -3, 6);
          motif[s] = {step, 1 + rng.Below(2)};
        }
      }
      for (int s = 0; s < slots; ++s) {
        const auto [step, length] = motif[(b % 2) * slots + s];
        if (step < 0 && length == 0) continue;
        const double len = beat / plan.melodyStep * length;
        mix.Note(plan.lead, t0 + s * beat / plan.melodyStep, len,
                 MidiFreq(degreeNote(deg + 7 + step)), 0.16, -0.2);
      }
    }
  }
  return mix;
}

}  // namespace vantel::demo
