// The player's entry point: reads the command line (shell/CommandLine.h),
// sets up the SDL platform and runs the main window.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "platform/sdl/SdlPlatform.h"
#include "scenes/Class_CGlib.h"
#include "scenes/Class_End.h"
#include "scenes/Class_LOGO.h"
#include "scenes/Class_MsLog.h"
#include "scenes/Class_Scroll.h"
#include "scenes/Class_Sound.h"
#include "script/Class_Story.h"
#include "shell/Class_Title.h"
#include "shell/CommandLine.h"
#include "shell/PlayerScenes.h"
#include "shell/UnitDebug.h"
#include "shell/UnitSetting.h"
#include "shell/UnitShiori.h"
#include "shell/UnitVantel.h"

namespace {

std::string ExecutableDirectory(const char* argv0) {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(argv0, ec);
  std::string dir = self.parent_path().string();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

int main(int argc, char** argv) {
  const vantel::CommandLine line = vantel::ParseCommandLine(argc, argv);
  if (!line.error.empty()) {
    std::fprintf(stderr, "vantel: %s\n%s", line.error.c_str(), vantel::Usage().c_str());
    return 2;
  }
  if (line.help || line.version) {
    const std::string text = line.help ? vantel::Usage() : vantel::VersionLine() + "\n";
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  vantel::TVantel::Options options;
  options.exeDir = line.root;
  options.secondDataDir = line.secondDataDir;
  options.quitAfterMs = line.quitAfterMs;
  options.screenshot = line.screenshot;
  if (options.exeDir.empty()) options.exeDir = ExecutableDirectory(argv[0]);

  // The scenes the player has; a scene number without one ends the program
  // with a message (TVantel::Run).
  vantel::RegisterPlayerScenes();
  vantel::RegisterDebugger();
  vantel::VantelHooks hooks;
  hooks.saveDialog = vantel::ShowSaveDialog;
  hooks.loadDialog = vantel::ShowLoadDialog;
  hooks.settingsDialog = vantel::ShowSettingsDialog;
  vantel::SetVantelHooks(vantel::WithStoryHooks(std::move(hooks)));
  // The title's load button opens the load dialog once there is one.
  if (vantel::GetVantelHooks().loadDialog)
    vantel::SetTitleLoadCommand([] {
      if (vantel::MainForm) vantel::MainForm->PopupSClick();
    });

  try {
    vantel::SdlPlatform platform;
    platform.SetWindowScale(line.scale);
    vantel::SetPlatform(&platform);
    int status;
    {
      vantel::TVantel vantelWindow(options);
      status = vantelWindow.Run();
    }
    vantel::SetPlatform(nullptr);
    return status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantel: %s\n", e.what());
    return 1;
  }
}
