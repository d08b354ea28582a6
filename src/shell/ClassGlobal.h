// Tglobal: the state every part of the system reaches directly, and the
// process-wide DebugMode flag.
//
// This first cut carries only the fields the scene manager reads; the
// settings, archives and the rest are added with the settings files.
#pragma once

#include <cstdint>
#include <string>

namespace vantel {

class Tglobal {
 public:
  bool Active = false;    // input and frame ticks enabled
  std::string ExeDir;     // program (game) directory, with trailing '/'
  int32_t NextScene = 0;  // scene requested for the next tick, 0 = none
};

// The single instance, created at program start (and by tests that need it).
extern Tglobal* Global;
// Debug features on; nothing switches it off once on.
extern bool DebugMode;

}  // namespace vantel
