// A story script: cut into tokens, then the interpreter steps through a
// bounded number of actions with debug mode on (errors reach the log), as
// the story scene would. Jumps to other scripts find nothing.
#include "fuzz/FuzzSupport.h"
#include "script/ClassCodeBlue.h"
#include "shell/ClassGlobal.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(Script) {
  fuzz::UsePlatform();
  fuzz::Guarded([&] {
    Tglobal global;
    Global = &global;
    DebugMode = true;
    TCodeBlue blue;
    blue.ScriptDir = fuzz::ScratchDir() + "no-scripts/";
    blue.Tokenize(fuzz::Input(data, size));
    for (int step = 0; step < 200; ++step) {
      const Bytes action = blue.Step();
      if (action.empty() || action.rfind("end\r\n", 0) == 0) break;
    }
    const Bytes where = blue.PositionString();
    TCodeBlue again;
    again.ScriptDir = blue.ScriptDir;
    again.RestorePosition(where);
    Global = nullptr;
  });
  Global = nullptr;
  return 0;
}
