#include "shell/Class_Title.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/FuncFile.h"
#include "platform/Platform.h"
#include "script/StorySave.h"
#include "shell/ClassGlobal.h"
#include "shell/ReaderNotice.h"
#include "shell/ClassMain.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

std::function<void()>& LoadCommand() {
  static std::function<void()> command;
  return command;
}

struct ButtonSpec {
  const char* prefix;
  int frames;
  int32_t left, top;
};

// Frame pictures are the prefix and the frame number in three digits,
// counting from 1; then the over ("…over") and pressed ("…out") pictures.
std::unique_ptr<TFlatBtn> MakeButton(Tflat* parent, const ButtonSpec& spec) {
  std::vector<Bytes> names;
  for (int i = 1; i <= spec.frames; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%3.3d", i);
    names.push_back(Bytes(spec.prefix) + number);
  }
  names.push_back(Bytes(spec.prefix) + "over");
  names.push_back(Bytes(spec.prefix) + "out");
  auto button = std::make_unique<TFlatBtn>(parent, names);
  button->SetLeft(spec.left);
  button->SetTop(spec.top);
  return button;
}

constexpr int32_t kMusicFadeIn = 800, kMusicFadeOut = 800;

const Bytes& ClickSound() {
  return Sjis("SE_01_スロット差込");
}

}  // namespace

void SetTitleLoadCommand(std::function<void()> command) {
  LoadCommand() = std::move(command);
}

TTitle::TTitle() : Tflat(nullptr) {
  if (Global && Global->FullScreen) CentreOnScreen(*this);
  FActive = true;
  FTag = "ttl";
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(TMain::kWidth, TMain::kHeight);
  PostSound(0, kSoundFadeIn, "m03", kMusicFadeIn, 0);
  StartButton = MakeButton(this, {"title_start_", 8, 268, 372});
  LoadButton = MakeButton(this, {"title_load_", 7, 391, 412});
  CgButton = MakeButton(this, {"title_cg_", 12, 171, 455});
  SoundButton = MakeButton(this, {"title_sound_", 15, 268, 496});
  ExitButton = MakeButton(this, {"title_exit_", 7, 620, 538});
  if (!Global || !Global->Clear) {
    // The music room opens only once the story has been completed.
    SoundButton->FVisible = false;
    SoundButton->FActive = false;
    SoundButton->FEnabled = false;
  }
  Notice.Load(*this, "game_menu", "black");
  for (const TFlatBtn* button :
       {StartButton.get(), LoadButton.get(), CgButton.get(), SoundButton.get(), ExitButton.get()})
    Notice.Check(*button);
  BackupCheckPending = true;
}

TTitle::~TTitle() {
  PostSound(0, kSoundFadeOut, "", kMusicFadeOut, 0);
  // The buttons leave this layer's child list while it is still intact.
  StartButton.reset();
  LoadButton.reset();
  CgButton.reset();
  SoundButton.reset();
  ExitButton.reset();
}

void TTitle::CheckBackup() {
  const std::string backup = Global->SaveDir + "backup";
  if (!FileExists(backup)) return;
  const Bytes question = Gbk("前回正常に終了しなかった可能性があります。") + "\r\n" +
                         Gbk("バックアップセーブファイルを使ってプレイしますか？");
  // The question is drawn inside the window, so it is placed from the
  // window's corner (in full screen the window's corner is the screen's).
  int left = 0, top = 0;
  GetPlatform().GetWindowPosition(left, top);
  const int x = left + Global->ClientWidth / 2 + FLeft - 150;
  const int y = top + Global->ClientHeight / 2 + FTop - 50;
  const MessageAnswer answer = GetPlatform().ShowMessage(
      question, Bytes(), MessageKind::Information, true, CodePage::GBK, x, y);
  if (answer == MessageAnswer::Unanswered) {
    // Nobody could be asked: the backup stays for the next start.
    std::fprintf(stderr, "vantel: the backup save is kept for the next start.\n");
    return;
  }
  if (answer != MessageAnswer::Yes) {
    DeleteFile(backup);
    return;
  }
  Bytes record;
  bool readable = true;
  try {
    record = ReadPackedFile(backup, kMaxSaveRecordLength);
  } catch (const Error&) {
    readable = false;
  }
  if (readable && !record.empty()) {
    // The file stays until the story ends normally or writes the next one.
    Global->HandOver = record;
    Global->NextScene = kSceneStory;
    return;
  }
  // A damaged backup cannot be played on from; it is kept aside rather than
  // destroyed, so nothing is lost, and the title stays.
  std::error_code ec;
  const std::string aside = backup + ".damaged";
  std::filesystem::remove(aside, ec);
  std::filesystem::rename(FindPath(backup).value_or(backup), aside, ec);
  if (ec) DeleteFile(backup);
  TellReader(Gbk("备份存档已损坏，无法使用。已另存为 backup.damaged。"));
}

void TTitle::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  if (BackupCheckPending) {
    BackupCheckPending = false;
    if (Global) {
      Global->SetActive(false);
      CheckBackup();
      Global->SetActive(true);
    }
  }
  if (!Global) return;
  // Each click is acted on once: left set, the flag would repeat the click
  // sound on every further message until the title is replaced. Of several
  // clicks in one message the last one checked wins.
  const struct {
    TFlatBtn* button;
    int32_t scene;
  } choices[] = {{StartButton.get(), kSceneStory},
                 {CgButton.get(), kSceneGallery},
                 {SoundButton.get(), kSceneMusicRoom},
                 {ExitButton.get(), kSceneClosing}};
  for (const auto& choice : choices) {
    if (!choice.button->FClicked) continue;
    choice.button->FClicked = false;
    Global->NextScene = choice.scene;
    PostSound(1, kSoundPlay, ClickSound(), 0, 1);
  }
  if (LoadButton->FClicked) {
    LoadButton->FClicked = false;
    PostSound(1, kSoundPlay, ClickSound(), 0, 1);
    // Without an installed load command (no save/load dialog in this build)
    // the click ends here: the title keeps running as before.
    if (LoadCommand()) {
      FActive = false;
      LoadCommand()();
      FActive = true;
    }
  }
}

void RegisterTitleScene() {
  RegisterScene(kSceneTitle, [] { return std::make_unique<TTitle>(); });
}

}  // namespace vantel
