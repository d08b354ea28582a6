#include "shell/ShellGraphicsHost.h"

#include "graphics/GraphicsHost.h"
#include "shell/ClassGlobal.h"

namespace vantel {
namespace {

constexpr int32_t kDefaultMessageStep = 50;

class ShellGraphicsHost final : public GraphicsHost {
 public:
  TArchive* ImageArchive() const override { return vantel::ImageArchive; }
  bool DebugMode() const override { return vantel::DebugMode; }
  void Unlock(const Bytes& name) override {
    if (Global && Global->Unlocked.IndexOf(name) < 0) Global->Unlocked.Add(name);
  }
  void AppendLog(const Bytes& line) override {
    if (Global) Global->AppendLog(line);
  }
  int32_t MessageStep() const override {
    return Global ? Global->MessageStep : kDefaultMessageStep;
  }
};

}  // namespace

bool InstallShellGraphicsHost() {
  static ShellGraphicsHost host;
  SetGraphicsHost(&host);
  return true;
}

}  // namespace vantel
