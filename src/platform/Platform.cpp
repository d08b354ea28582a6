#include "platform/Platform.h"

#include <cassert>

namespace vantel {
namespace {
Platform* current = nullptr;
}

Platform& GetPlatform() {
  assert(current && "no platform set");
  return *current;
}

void SetPlatform(Platform* platform) {
  current = platform;
}

}  // namespace vantel
