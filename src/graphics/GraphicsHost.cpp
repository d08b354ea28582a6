#include "graphics/GraphicsHost.h"

namespace vantel {
namespace {

GraphicsHost* installed = nullptr;

}  // namespace

GraphicsHost* GetGraphicsHost() {
  return installed;
}

void SetGraphicsHost(GraphicsHost* host) {
  installed = host;
}

}  // namespace vantel
