// The player on the headless platform, for `vxtool render` and `vxtool
// playtest`: the real main window, scene manager and scenes, driven one
// 50 ms tick at a time on a virtual clock, so a run is the same every time.
//
// The game folder is never written: the player runs in a temporary folder
// that links to the game's files (archives, loose script/, image/, sound/
// folders, textbox.ini) and has a fresh save/ of its own (windowed, the
// settings' defaults otherwise). A folder without the three archives runs
// on its loose files, as the player does with save/debug.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "platform/headless/HeadlessPlatform.h"

namespace vantel {

class TVantel;
class TStory;
class HeadlessAudio;

namespace vxtool {

// The headless platform, telling an observer of every message box as it opens.
class StagePlatform : public HeadlessPlatform {
 public:
  std::function<void(const Bytes& text, CodePage cp)> OnMessage;
  MessageAnswer ShowMessage(const Bytes& text, const Bytes& caption, MessageKind kind, bool yesNo,
                            CodePage cp, int x, int y) override {
    if (OnMessage) OnMessage(text, cp);
    return HeadlessPlatform::ShowMessage(text, caption, kind, yesNo, cp, x, y);
  }
};

class Stage {
 public:
  // Brings the player up on `game` (a folder). Throws FileError when the
  // folder does not exist, Error when the player cannot start on it.
  explicit Stage(const std::string& game);
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  // Makes the first story scene start in `script` (any case, with or without
  // ".vxs"): at its first token, or after the marker named `label` (compared
  // as a jump compares it). The story scene is asked for at the next tick.
  // Returns an error text when the script or label does not exist.
  std::string StartAt(const Bytes& script, const Bytes& label);

  // One frame: the input queued on Platform(), one tick of the scene
  // manager, the wave buffers that fell due. The virtual clock moves 50 ms.
  void Tick();
  int64_t Ticks() const { return ticks_; }
  bool Closed() const;

  StagePlatform& Platform() { return platform_; }
  int32_t SceneNo() const;
  TStory* Story() const;  // the current scene when it is the story, else null
  // The lines the player logged (script errors, sound warnings, failures)
  // since the last call, in order.
  std::vector<Bytes> TakeLog();
  const std::string& Folder() const { return folder_; }

 private:
  void CleanUp();

  StagePlatform platform_;
  std::string folder_;  // the temporary game folder
  std::string startDir_;
  std::unique_ptr<TVantel> player_;
  HeadlessAudio* audio_ = nullptr;
  int64_t ticks_ = 0;
};

// The player's text in UTF-8, for reports.
std::string Utf8(const Bytes& cp932);

// A command-line count: a whole number of at least 1, nothing after it.
bool ParseCount(const std::string& text, int64_t& out);

}  // namespace vxtool
}  // namespace vantel
