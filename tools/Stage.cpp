#include "tools/Stage.h"

#include <stdlib.h>

#include <filesystem>
#include <mutex>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ClassSList.h"
#include "platform/headless/HeadlessAudio.h"
#include "scenes/Class_CGlib.h"
#include "scenes/Class_End.h"
#include "scenes/Class_LOGO.h"
#include "scenes/Class_MsLog.h"
#include "scenes/Class_Scroll.h"
#include "scenes/Class_Sound.h"
#include "script/Class_Story.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "shell/Class_Title.h"
#include "shell/PlayerScenes.h"
#include "shell/UnitVantel.h"

namespace vantel::vxtool {
namespace fs = std::filesystem;

std::string Utf8(const Bytes& cp932) {
  return ToUtf8(cp932);
}

namespace {

// A fresh temporary folder that links to every file of `game` but save/.
std::string LinkedFolder(const std::string& game) {
  std::string pattern = (fs::temp_directory_path() / "vxtool-stage-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw FileError("cannot create a temporary folder");
  const std::string folder = pattern + "/";
  const fs::path from = fs::absolute(game);
  for (const std::string& name : ListDirectory(game)) {
    if (SameText(name, "save")) continue;
    fs::create_symlink(from / name, folder + name);
  }
  MakeDirectories(folder + "save/");
  TSlist settings;
  settings.WriteString("", "FullScreen", "FALSE");
  settings.SaveToPackedFile(folder + "save/inf.dat");
  // Without the archives the player runs on loose files only with the marker.
  if (!DataFilesPresent(folder, "")) WriteFileAtomic(folder + "save/debug", "");
  return folder;
}

}  // namespace

Stage::Stage(const std::string& game) {
  if (!DirectoryExists(game)) throw FileError("no game folder " + game);
  folder_ = LinkedFolder(game);
  startDir_ = fs::current_path().string();
  SetPlatform(&platform_);
  RegisterPlayerScenes();
  SetVantelHooks(WithStoryHooks({}));
  platform_.SetTime(100000);
  TVantel::Options options;
  options.exeDir = folder_;
  options.refill = TSound::RefillMode::Synchronous;
  options.estimateClock = [] { return 1000; };
  try {
    player_ = std::make_unique<TVantel>(options);
    if (!player_->StartChecks()) throw Error("the player does not start on " + game);
    player_->Create();
  } catch (...) {
    CleanUp();
    throw;
  }
  audio_ = platform_.LastAudioDevice();
}

Stage::~Stage() {
  CleanUp();
}

void Stage::CleanUp() {
  platform_.OnMessage = nullptr;  // its observer may be gone before the teardown's messages
  player_.reset();
  SetVantelHooks({});
  SetPlatform(nullptr);
  std::error_code ec;
  fs::current_path(startDir_, ec);
  fs::remove_all(folder_, ec);  // the links only, never what they point to
}

std::string Stage::StartAt(const Bytes& script, const Bytes& label) {
  const Bytes name = ScriptBaseName(script);
  // Built the way the scene manager builds it, then moved before it runs.
  auto probe = std::make_unique<TCodeBlue>();
  probe->Load(name);
  if (probe->Count() == 0) return "no script " + Utf8(name) + " (or it is empty)";
  int at = 0;
  if (!label.empty()) {
    at = probe->FindLabel(label);
    if (at < 0) return "no label " + Utf8(label) + " in " + Utf8(name);
    ++at;  // as a jump resumes: after the marker
  }
  RegisterScene(kSceneStory, [name, at, first = true]() mutable {
    auto story = std::make_unique<TStory>(nullptr);
    if (first) {
      story->FScript->Load(name);
      story->FScript->Position = at;
      first = false;
    }
    return story;
  });
  Global->NextScene = kSceneStory;
  return "";
}

void Stage::Tick() {
  player_->IdleRound();
  ++ticks_;
  // The sound card asks for the next buffer about as often as a frame passes.
  if (audio_ && audio_->IsOpen() && audio_->QueuedCount() > 0) audio_->Pull();
}

bool Stage::Closed() const {
  return player_->Closed();
}

int32_t Stage::SceneNo() const {
  return Main ? Main->SceneNo : 0;
}

TStory* Stage::Story() const {
  return Main && Main->SceneNo == kSceneStory ? dynamic_cast<TStory*>(Main->Scene.get()) : nullptr;
}

std::vector<Bytes> Stage::TakeLog() {
  std::vector<Bytes> out;
  if (!Global) return out;
  std::lock_guard lock(Global->PendingLogLock);
  for (int i = 0; i < Global->PendingLog.Count(); ++i) out.push_back(Global->PendingLog[i]);
  Global->PendingLog.Clear();
  return out;
}

bool ParseCount(const std::string& text, int64_t& out) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 1) return false;
  out = v;
  return true;
}

}  // namespace vantel::vxtool
