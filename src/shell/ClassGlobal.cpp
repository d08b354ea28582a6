#include "shell/ClassGlobal.h"

namespace vantel {

Tglobal* Global = nullptr;
bool DebugMode = false;

}  // namespace vantel
