// The player's entry point: reads the command line, sets up the SDL
// platform and runs the main window.
//
//   vantel [--root DIR] [--quit-after-ms N] [--screenshot FILE] [SECOND_DATA_DIR]
//
// --root is the game directory (default: the executable's directory). The
// first other argument is the second data directory, to which archive names
// are appended with no separator. --quit-after-ms ends the program by itself
// after N ms of running, and --screenshot writes the last frame as PNG at the
// end (smoke tests and screenshots).
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "graphics/Class_Scroll.h"
#include "platform/sdl/SdlPlatform.h"
#include "scenes/Class_CGlib.h"
#include "scenes/Class_End.h"
#include "scenes/Class_LOGO.h"
#include "scenes/Class_MsLog.h"
#include "scenes/Class_Sound.h"
#include "script/Class_Story.h"
#include "shell/Class_Title.h"
#include "shell/FormSetting.h"
#include "shell/FormShiori.h"
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

int Usage() {
  std::fprintf(
      stderr,
      "usage: vantel [--root DIR] [--quit-after-ms N] [--screenshot FILE] [SECOND_DATA_DIR]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  vantel::TVantel::Options options;
  bool haveSecond = false;
  int scale = 0;  // --scale N: the windowed picture's scale; 0 chooses by the desktop
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--root") {
      if (++i >= argc) return Usage();
      options.exeDir = argv[i];
    } else if (arg == "--quit-after-ms") {
      if (++i >= argc) return Usage();
      char* end = nullptr;
      const long ms = std::strtol(argv[i], &end, 10);
      if (!end || *end || ms <= 0 || ms > INT_MAX) return Usage();
      options.quitAfterMs = static_cast<uint32_t>(ms);
    } else if (arg == "--screenshot") {
      if (++i >= argc) return Usage();
      options.screenshot = argv[i];
    } else if (arg == "--scale") {
      if (++i >= argc || !vantel::ParseScale(argv[i], scale)) return Usage();
    } else if (!haveSecond) {
      options.secondDataDir = arg;  // exactly as given
      haveSecond = true;
    }  // further arguments are ignored
  }
  if (options.exeDir.empty()) options.exeDir = ExecutableDirectory(argv[0]);

  // The scenes the player has; a scene number without one ends the program
  // with a message (TVantel::Run).
  vantel::RegisterLogoScene();
  vantel::RegisterTitleScene();
  vantel::RegisterStoryScene();
  vantel::RegisterEndScene();
  vantel::RegisterGalleryScene();
  vantel::RegisterMusicRoomScene();
  vantel::RegisterScrollScene();
  vantel::RegisterMessageLogScene();
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
    platform.SetWindowScale(scale);
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
