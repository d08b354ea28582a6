// What every fuzz target shares: the input as bytes, a quiet headless
// platform, a scratch directory for readers that take a file, and the rule
// that a project error (vantel::Error: damaged data, a file that cannot be
// read) is the sound answer to bad input. Any other exception escapes to
// libFuzzer and is reported as a finding.
//
// VANTEL_FUZZ_ENTRY(name) opens a target's body: libFuzzer's entry point in
// the fuzz build, FuzzName() in the normal tests, which replay every input
// a finding was made with (tests/damage/FuzzReplayTest.cpp).
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/Errors.h"
#include "platform/headless/HeadlessPlatform.h"

#ifdef VANTEL_FUZZ_REPLAY
#define VANTEL_FUZZ_ENTRY(name) int Fuzz##name(const uint8_t* data, size_t size)
#else
#define VANTEL_FUZZ_ENTRY(name) \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
#endif

namespace vantel::fuzz {

inline std::string_view Input(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The headless platform without its message record: a fuzz run shows
// millions of messages, and keeping them would look like a leak.
class QuietPlatform : public HeadlessPlatform {
 public:
  MessageAnswer ShowMessage(const Bytes&, const Bytes&, MessageKind, bool yesNo, CodePage, int,
                            int) override {
    return yesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  }
};

// Installs the quiet platform (made once).
inline QuietPlatform& UsePlatform() {
  static QuietPlatform* platform = new QuietPlatform;
  SetPlatform(platform);
  return *platform;
}

// A directory of this process's own, with a trailing '/', for inputs that a
// reader takes as a file.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string d = std::string(tmp && *tmp ? tmp : "/tmp") + "/vantel-fuzz-" +
                    std::to_string(::getpid()) + "/";
    std::string cmd = "mkdir -p '" + d + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
    return d;
  }();
  return dir;
}

// Writes `bytes` to ScratchDir() + name and returns the path.
inline std::string WriteScratch(const std::string& name, std::string_view bytes) {
  const std::string path = ScratchDir() + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
  return path;
}

// Runs `body`; a project error is a pass.
template <typename F>
void Guarded(F&& body) {
  try {
    body();
  } catch (const vantel::Error&) {
  }
}

}  // namespace vantel::fuzz
