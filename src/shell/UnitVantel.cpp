#include "shell/UnitVantel.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "base/Errors.h"
#include "base/Paths.h"
#include "base/PngWrite.h"
#include "data/FuncFile.h"
#include "graphics/ClassFlat.h"
#include "graphics/FuncBmpLoader.h"
#include "script/Class_Story.h"
#include "script/StorySave.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "shell/ReaderAdditions.h"
#include "shell/LiveReload.h"
#include "shell/ReaderNotice.h"
#include "shell/UnitDebug.h"
#include "sound/ClassSoundSrc.h"
#include "sound/FuncSound.h"

namespace vantel {

TVantel* MainForm = nullptr;

namespace {

constexpr int kFramePeriod = 50;    // ms: 20 frames a second
constexpr int kBacklogLimit = 500;  // ms behind schedule before the backlog is dropped
constexpr int kVkSpace = 32;

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

std::string CurrentDirectory() {
  std::error_code ec;
  std::string cwd = std::filesystem::current_path(ec).string();
  return ec ? std::string() : WithSlash(cwd);
}

// Virtual key of each item's shortcut (Ctrl held alone, except Space, which
// is bare); 0: none.
int ShortcutKey(int id) {
  switch (id) {
    case TVantel::kPopupN:
      return 'N';
    case TVantel::kPopupM:
      return 'M';
    case TVantel::kPopUpP:
      return kVkSpace;
    case TVantel::kPopupS:
      return 'S';
    case TVantel::kPopupL:
      return 'L';
    case TVantel::kPopUpT:
      return 'T';
    case TVantel::kPopUpF:
      return 'F';
    default:
      return 0;
  }
}

bool IsSeparator(int id) {
  return id == TVantel::kN9 || id == TVantel::kN2 || id == TVantel::kN6 || id == TVantel::kN11;
}

// An item whose work lives in a dialog or scene that is not installed cannot
// be used (a switch to a scene that does not exist would end the program).
bool HookPresent(int id) {
  const VantelHooks& h = GetVantelHooks();
  switch (id) {
    case TVantel::kPopupS:
      return static_cast<bool>(h.saveDialog);
    case TVantel::kPopupL:
      return static_cast<bool>(h.loadDialog);
    case TVantel::kPopUpT:
      return static_cast<bool>(h.settingsDialog);
    case TVantel::kPopupM:  // the message log is a scene of its own
      return SceneRegistered(kSceneMessageLog);
    default:
      return true;
  }
}

}  // namespace

VantelHooks& GetVantelHooks() {
  static VantelHooks hooks;
  return hooks;
}

void SetVantelHooks(VantelHooks hooks) {
  GetVantelHooks() = std::move(hooks);
}

namespace {
TStory* CurrentStory() {
  return Main && Main->SceneNo == kSceneStory ? dynamic_cast<TStory*>(Main->Scene.get()) : nullptr;
}
}  // namespace

VantelHooks WithStoryHooks(VantelHooks hooks) {
  hooks.storyLoadScript = [](const Bytes& name) {
    TStory* story = CurrentStory();
    if (!story || !story->FScript) return;
    // A damaged script throws before the tokens are replaced; a name that
    // finds no script would end the story, so the story keeps its place.
    const Bytes before = story->FScript->PositionString();
    story->FScript->Load(name);
    if (story->FScript->Count() == 0) {
      story->FScript->RestorePosition(before);
      throw FileError("no script named \"" + ToUtf8(name) + "\" in script.chs or script/");
    }
  };
  hooks.storyState = [] {
    TStory* story = CurrentStory();
    return story ? story->FState : 0;
  };
  hooks.storySaveToFile = [] {
    TStory* story = CurrentStory();
    return story ? story->SaveToFile(Bytes()) : Bytes();
  };
  hooks.storyPrepareLog = [] {
    TStory* story = CurrentStory();
    if (!story || !Global) return;
    Global->HandOver = story->SaveData();
    // The log fades in from the last completed picture.
    if (story->FCurrent && story->FSnapshot.Width() == story->FCurrent->Width() &&
        story->FSnapshot.Height() == story->FCurrent->Height())
      *story->FCurrent = story->FSnapshot;
  };
  return WithReaderHooks(std::move(hooks));
}

namespace {
// FNV-1a, 64 bits: a short, stable name for a folder of any length.
uint64_t Fnv1a(std::string_view text) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : text) h = (h ^ c) * 0x100000001b3ull;
  return h;
}
}  // namespace

std::string GameFolder(const std::string& exeDir) {
  std::error_code ec;
  std::filesystem::path dir =
      std::filesystem::absolute(exeDir.empty() ? std::string(".") : exeDir, ec);
  if (!ec) {
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(dir, ec);
    if (!ec) dir = canonical;
  }
  std::string text = dir.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string InstanceName(const std::string& exeDir) {
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx",
                static_cast<unsigned long long>(Fnv1a(GameFolder(exeDir))));
  return std::string("TVantel-") + hash;
}

bool DataFilesPresent(const std::string& exeDir, const std::string& secondDataDir) {
  const std::string dir = WithSlash(exeDir);
  auto either = [&](const char* name) {
    return FileExists(dir + name) || FileExists(secondDataDir + name);
  };
  // The script archive has no second place.
  return FileExists(dir + "script.chs") && either("sound.pk2") && either("image.pk2");
}

TVantel::TVantel(Options options) : options_(std::move(options)) {
  for (bool& e : enabled_) e = true;
  options_.exeDir = WithSlash(options_.exeDir);
  MainForm = this;
}

TVantel::~TVantel() {
  Teardown();
  if (MainForm == this) MainForm = nullptr;
}

int TVantel::Run() {
  if (!StartChecks()) return exitStatus_;
  try {
    Create();
    while (!closed_) IdleRound();
    WriteScreenshot();
  } catch (const std::exception& e) {
    // A fault in a scene or a device: say what it was and end in order,
    // rather than leave a frozen window or a half-written settings file.
    LogDetail(e.what());
    GetPlatform().ShowMessage(Gbk("程序遇到错误，将退出。"), GameCaption(), MessageKind::Error,
                              false, CodePage::GBK);
    exitStatus_ = 1;
  }
  Teardown();
  return exitStatus_;
}

bool TVantel::StartChecks() {
  Platform& platform = GetPlatform();
  const std::string instance = InstanceName(options_.exeDir);
  if (platform.ActivateRunningInstance(instance)) {
    // One player per user and game folder: the running one came to the
    // front; a start that does nothing says why.
    std::fprintf(stderr,
                 "vantel: the game in %s is already running; its window was brought to the "
                 "front.\n",
                 GameFolder(options_.exeDir).c_str());
    return false;
  }

  if (options_.changeDirectory) {
    // Loose resource folders (script/, image/, sound/) are looked up
    // relative to the working directory, which becomes the game directory.
    // Directories given relative to where the program was started keep
    // meaning the same place; an empty second data directory means the
    // starting directory.
    const std::string start = CurrentDirectory();
    if (!options_.exeDir.empty() && options_.exeDir[0] != '/')
      options_.exeDir = start + options_.exeDir;
    if (options_.secondDataDir.empty() || options_.secondDataDir[0] != '/')
      options_.secondDataDir = start + options_.secondDataDir;
    if (!options_.exeDir.empty()) {
      if (::chdir(options_.exeDir.c_str()) != 0) {
        // Loose files then simply are not found; the archives use full paths.
      }
    }
  }

  if (!DataFilesPresent(options_.exeDir, options_.secondDataDir) &&
      !FileExists(options_.exeDir + "save/debug")) {
    platform.ShowMessage(
        Sjis("データファイルがありません。部分インストールの場合はＣＤから起動してください。"),
        Bytes(), MessageKind::Plain, false, CodePage::CP932);
    exitStatus_ = 1;
    return false;
  }
  return true;
}

void TVantel::Create() {
  Platform& platform = GetPlatform();
  startTick_ = platform.TickCount();
  if (!platform.CreateMainWindow(GameCaption(), TMain::kWidth, TMain::kHeight))
    throw std::runtime_error("the main window cannot be created");
  windowCreated_ = true;
  created_ = true;  // from here on the teardown has something to undo

  SoundLock();  // the lock exists before the audio thread does
  Global = new Tglobal(options_.exeDir, options_.secondDataDir, options_.estimateClock,
                       options_.installedGame);
  Global->LoadSettings();
  reader_ = std::make_unique<ReaderAdditions>(
      Global->SaveDir, std::filesystem::path(options_.exeDir).parent_path().filename().string());
  Reader = reader_.get();
  SetImageLoader([](Picture& picture, const Bytes& name) { return LoadImage(picture, name); });

  sound_ = std::make_unique<TSound>(options_.refill);
  if (SoundArchive) soundView_ = std::make_unique<TArchiveSoundView>(*SoundArchive);
  for (int i = 0; i < 3; ++i) {
    SoundSources[i] = new TSoundSrc(soundView_.get(), "sound/");
    sound_->AddSource(SoundSources[i]);
  }
  sound_->Open(44100, 16, 2);
  sound_->Enabled = true;
  PostSound(0, kSoundVolume, Bytes(), Global->Volume1, 0);
  PostSound(1, kSoundVolume, Bytes(), Global->Volume2, 0);

  Main = new TMain();

  if (PointOnMonitor(Global->WindowLeft, Global->WindowTop)) {
    platform.SetWindowPosition(Global->WindowLeft, Global->WindowTop);
  } else {
    // Centred; a window scaled up is centred at its scaled size.
    const ScreenRect screen = platform.ScreenSize();
    const int scale = platform.WindowScale();
    platform.SetWindowPosition((screen.width - TMain::kWidth * scale) / 2,
                               (screen.height - TMain::kHeight * scale) / 2);
  }
  const ScreenRect screen = platform.ScreenSize();
  if (screen.width == TMain::kWidth || screen.height == TMain::kHeight || Global->FullScreen)
    PopUpFClick();
  if (DebugMode) platform.AcceptDroppedFiles(true);
  liveReload_ = LiveReload::StartIfDebugging(Global->ExeDir);
  Global->NextTick = static_cast<int32_t>(platform.TickCount() + kFramePeriod);
  checked_[kPopupN] = Global->AutoSkip;

  // Shown: the window is up and the application active.
  Global->SetActive(true);
  platform.GetClientSize(Global->ClientWidth, Global->ClientHeight);
  AppActivate();
}

void TVantel::IdleRound() {
  if (closed_) return;
  if (Global && options_.quitAfterMs > 0 &&
      GetPlatform().TickCount() - startTick_ >= options_.quitAfterMs)
    Global->QuitRequested = true;
  // The audio thread only queues its notices and diagnostics; they are
  // shown and logged here, on the main thread.
  ShowPendingSoundNotices();
  if (Global)
    for (const Bytes& line : TakeSoundWarnings()) Global->AppendLog(line);
  if (idleInstalled_) {
    AppIdle();
  } else {
    // Nothing to run until the application is active again: wait for events.
    ProcessMessages();
    if (!closed_ && Global && Global->QuitRequested) Close();
    if (!closed_ && !idleInstalled_) GetPlatform().Sleep(kFramePeriod);
  }
}

void TVantel::ProcessMessages() {
  InputEvent e;
  while (!closed_ && GetPlatform().PollEvent(e)) HandleEvent(e);
}

void TVantel::AppIdle() {
  Platform& platform = GetPlatform();
  ProcessMessages();
  if (closed_ || !Global || !Main) return;
  if (Global->QuitRequested) {
    Close();
    return;
  }
  int32_t now = static_cast<int32_t>(platform.TickCount());
  if (Global->Active) {
    // Differences, not plain comparisons, so the tick count may wrap.
    if (liveReload_) liveReload_->Poll();  // one atomic load while nothing was saved
    if (now - Global->NextTick > 0) {
      Main->Tick(true);
    } else {
      Main->Tick(false);
      now = static_cast<int32_t>(platform.TickCount());
      if (Global->NextTick - now > 0) platform.Sleep(static_cast<uint32_t>(Global->NextTick - now));
    }
    Global->NextTick += kFramePeriod;
    // More than half a second behind: restart the schedule from the
    // present instead of racing through the backlog.
    if ((now - kBacklogLimit) - Global->NextTick > 0) Global->NextTick = now;
  } else {
    platform.Sleep(kFramePeriod);
    Global->NextTick = now + kFramePeriod;
  }
  if (Global->QuitRequested) Close();
}

void TVantel::Close() {
  if (closed_) return;
  if (FormCloseQuery()) {
    if (Global) exitStatus_ = Global->ExitStatus;
    closed_ = true;
  }
}

bool TVantel::Shortcut(int key, uint32_t shift) {
  const uint32_t mods = shift & (kShift | kAlt | kCtrl);
  for (int id = 0; id < kMenuCount; ++id) {
    const int k = ShortcutKey(id);
    if (k == 0 || k != key) continue;
    if (mods != (k == kVkSpace ? 0u : static_cast<uint32_t>(kCtrl))) continue;
    // The items' states follow the scene now, not the scene in which the
    // menu last opened (a save from the title would find no story to save).
    UpdateEnabled();
    if (!enabled_[id] || !HookPresent(id)) return false;
    MenuClick(id);
    return true;
  }
  return false;
}

void TVantel::HandleEvent(const InputEvent& e) {
  if (closed_ || !Global || !Main) return;
  if (ReaderKey(e)) return;
  switch (e.kind) {
    case InputEvent::Kind::KeyDown:
      // A shortcut acts on the press, and the press goes no further.
      if (!Shortcut(e.key, e.shift)) Main->KeyDown(e.key, e.shift);
      break;
    case InputEvent::Kind::KeyUp:
      Global->SetActive(true);
      // Space acts through the menu shortcut, never as a release.
      if (e.key != kVkSpace) Main->KeyUp(e.key, e.shift);
      break;
    case InputEvent::Kind::MouseDown:
      if (!Global->Active) {
        Global->SetActive(true);  // the press only wakes the scene
      } else if (e.button != MouseButton::Right) {
        Main->MouseDown(e.x, e.y);
      }
      break;
    case InputEvent::Kind::MouseUp:
      if (!Global->Active)
        Global->SetActive(true);
      else if (e.button != MouseButton::Right)
        Main->MouseUp(e.x, e.y);
      // The right button's release opens the menu and goes no further.
      if (e.button == MouseButton::Right) ShowPopupMenu(e.x, e.y);
      break;
    case InputEvent::Kind::MouseMove:
      Main->MouseMove(e.x, e.y);
      break;
    case InputEvent::Kind::Wheel:
      Main->MouseWheel(e.wheel);
      break;
    case InputEvent::Kind::Activate:
      AppActivate();
      break;
    case InputEvent::Kind::Deactivate:
      AppDeactivate();
      break;
    case InputEvent::Kind::CloseRequest:
      Close();
      break;
    case InputEvent::Kind::DropFiles:
      DropFiles(e.files);
      break;
  }
}

void TVantel::AppActivate() {
  if (!Global) return;
  Global->SetActive(true);
  idleInstalled_ = true;
  if (!Global->BackGround) {
    if (sound_) sound_->Enabled = true;
    Global->NextTick = static_cast<int32_t>(GetPlatform().TickCount() + kFramePeriod);
  }
}

void TVantel::AppDeactivate() {
  if (!Global || Global->BackGround) return;
  Global->SetActive(false);
  idleInstalled_ = false;
  if (sound_) sound_->Enabled = false;
}

void TVantel::FormHide() {
  if (!Global || Global->BackGround) return;
  idleInstalled_ = false;
  if (sound_) sound_->Enabled = false;
}

void TVantel::AskPosition(int& x, int& y) {
  int left = 0, top = 0;
  GetPlatform().GetWindowPosition(left, top);
  x = left + Global->ClientWidth / 2 - 90;
  y = top + Global->ClientHeight / 2 - 50;
}

bool TVantel::FormCloseQuery() {
  if (!Global) return true;
  Global->SetActive(false);
  if (Global->QuitRequested) {
    if (!Global->SaveDir.empty()) DeleteFile(Global->SaveDir + "backup");
    return true;
  }
  int x, y;
  AskPosition(x, y);
  const MessageAnswer answer =
      GetPlatform().ShowMessage(Gbk("确定要结束\r\n《苍月楼》？"), Bytes(),
                                MessageKind::Confirmation, true, CodePage::GBK, x, y);
  if (answer == MessageAnswer::Unanswered) {
    // Nobody can be asked (no display for the question): refusing would
    // leave a program that cannot be closed, so it closes, settings saved.
    std::fprintf(stderr, "vantel: closing without the question; the settings are saved.\n");
    Global->SaveSettings();
    return true;
  }
  if (answer == MessageAnswer::Yes) Global->NextScene = kSceneClosing;
  Global->SetActive(true);
  return false;
}

std::vector<MenuItem> TVantel::MenuItems() const {
  static const char* const kCaptions[kMenuCount] = {"取消　　　",
                                                    "",
                                                    "自动前进(&N)",
                                                    "查看已读的文字(&M)",
                                                    "消去文字框(&P)　　",
                                                    "",
                                                    "保存记录(&S)",
                                                    "读取记录(&L)",
                                                    "",
                                                    "设置(&T)",
                                                    "切换到全屏模式(&F)",
                                                    "",
                                                    "回到标题画面（&R）",
                                                    "结束(&C)"};
  std::vector<MenuItem> items;
  for (int id = 0; id < kMenuCount; ++id) {
    MenuItem item;
    item.id = id;
    item.separator = IsSeparator(id);
    item.caption = Gbk(kCaptions[id]);
    const int key = ShortcutKey(id);
    if (key == kVkSpace)
      item.shortcut = "Space";
    else if (key)
      item.shortcut = std::string("Ctrl+") + static_cast<char>(key);
    item.checked = checked_[id];
    item.enabled = enabled_[id] && HookPresent(id);
    items.push_back(std::move(item));
  }
  return items;
}

void TVantel::PopupMenu1Popup() {
  if (!Global || !Main) return;
  // The scene pauses while the menu is open.
  Global->SetActive(false);
  UpdateEnabled();
}

void TVantel::UpdateEnabled() {
  if (!Main) return;
  for (int id : {kPopupN, kPopupM, kPopUpP, kPopupS, kPopupL, kPopUpT, kPopUpF, kPopUpR})
    enabled_[id] = true;
  checked_[kPopupN] = Global->AutoSkip;  // the debugger may have changed it
  const VantelHooks& hooks = GetVantelHooks();
  if (Main->SceneNo == kSceneStory) {
    if (hooks.storyState && hooks.storyState() == 3) {  // a transition is running
      enabled_[kPopUpP] = false;
      enabled_[kPopupM] = false;
    }
  } else if (Main->SceneNo == kSceneCredits) {
    for (int id : {kPopupN, kPopupM, kPopUpP, kPopupS, kPopupL, kPopUpR}) enabled_[id] = false;
  } else {
    for (int id : {kPopupN, kPopupM, kPopUpP, kPopupS, kPopUpR}) enabled_[id] = false;
  }
}

void TVantel::ShowPopupMenu(int x, int y) {
  PopupMenu1Popup();
  const int id = GetPlatform().PopupMenu(MenuItems(), x, y);
  if (id >= 0 && id < kMenuCount && enabled_[id] && HookPresent(id) && !IsSeparator(id))
    MenuClick(id);
  // The scene resumes as soon as the menu has closed, whatever closed it: a
  // picture that stayed frozen until one more click would read as a command
  // that did nothing.
  if (Global && !closed_) Global->SetActive(true);
}

void TVantel::MenuClick(int id) {
  if (!Global || !Main) return;
  const VantelHooks& hooks = GetVantelHooks();
  switch (id) {
    case kPopupN:
      // From the setting itself, which the debugger may have changed.
      checked_[kPopupN] = !Global->AutoSkip;
      Global->AutoSkip = checked_[kPopupN];
      break;
    case kPopupM:  // the message log opens only from the story
      if (Main->SceneNo != kSceneStory) break;
      if (hooks.storyPrepareLog) hooks.storyPrepareLog();
      Main->PresentAll();
      Global->NextScene = kSceneMessageLog;
      break;
    case kPopUpP:
      Main->KeyUp(kVkSpace, 0);
      Main->PresentAll();
      break;
    case kPopupS:
      S1Click();
      break;
    case kPopupL:
      PopupSClick();
      break;
    case kPopUpT:
      Global->SetActive(false);
      if (hooks.settingsDialog) hooks.settingsDialog();
      Global->SaveSettings();
      Global->SetActive(true);
      break;
    case kPopUpF:
      PopUpFClick();
      break;
    case kPopUpR:
      Global->SetActive(false);
      if (Main->SceneNo == kSceneStory) {
        int x, y;
        AskPosition(x, y);
        const MessageAnswer answer =
            GetPlatform().ShowMessage(Gbk("确定要返回到标题界面吗？  "), Bytes(),
                                      MessageKind::Confirmation, true, CodePage::GBK, x, y);
        if (answer == MessageAnswer::Yes) Global->NextScene = kSceneTitle;
        if (answer == MessageAnswer::Unanswered)
          std::fprintf(stderr, "vantel: the story goes on (the question could not be shown).\n");
      }
      Global->SetActive(true);
      break;
    case kPopUpX:
      Close();
      break;
    default:  // N4 and the separators: the menu just closes
      break;
  }
}

void TVantel::CentreScene() {
  if (!Main || !Main->Scene) return;
  // The client area is the screen in full screen (or the picture's scaled
  // space on a platform that scales it); the scene sits in its middle.
  Main->Scene->SetLeft((Global->ClientWidth - TMain::kWidth) / 2);
  Main->Scene->SetTop((Global->ClientHeight - TMain::kHeight) / 2);
}

void TVantel::PopUpFClick() {
  if (!Global) return;
  Platform& platform = GetPlatform();
  checked_[kPopUpF] = !checked_[kPopUpF];
  Global->FullScreen = checked_[kPopUpF];
  if (Global->FullScreen) {
    if (Global->AutoScreen) {
      SwitchDisplayMode(0);  // only the primary monitor is ever switched
      Global->DisplayModeChanged = true;
    }
    if (platform.SetFullScreen(true)) {
      platform.GetClientSize(Global->ClientWidth, Global->ClientHeight);
      CentreScene();
    } else {
      // The window system refused: the check mark and the setting say so,
      // and the window is put back as windowed below.
      checked_[kPopUpF] = Global->FullScreen = false;
    }
  }
  if (!Global->FullScreen) {
    if (Global->AutoScreen) {
      RestoreDisplayMode();
      Global->DisplayModeChanged = false;
    }
    platform.SetFullScreen(false);
    platform.GetClientSize(Global->ClientWidth, Global->ClientHeight);
    if (Main && Main->Scene) {
      Main->Scene->SetLeft(0);
      Main->Scene->SetTop(0);
    }
  }
  if (Main) Main->PresentAll();
}

void TVantel::S1Click() {
  if (!Global || !Main) return;
  const VantelHooks& hooks = GetVantelHooks();
  Global->SetActive(false);
  Bytes name;
  if (Main->SceneNo == kSceneStory && hooks.storySaveToFile) {
    try {
      name = hooks.storySaveToFile();
    } catch (const SaveFolderFull& e) {
      // data0 ... data1000 all exist: no old save is overwritten to make room.
      TellReader(Gbk("存档已满（data0～data1000），无法保存新的记录。请先删除不需要的记录。"),
                 e.what());
      Global->SetActive(true);
      return;
    } catch (const Error& e) {
      // The save folder refused the file: the reader is told, nothing is listed as saved.
      TellReader(Gbk("无法保存记录。"), e.what());
      Global->SetActive(true);
      return;
    }
  }
  if (hooks.saveDialog) hooks.saveDialog(name);
  if (!Global->HandOver.empty()) Global->NextScene = kSceneStory;
  Global->SetActive(true);
}

void TVantel::PopupSClick() {
  if (!Global) return;
  const VantelHooks& hooks = GetVantelHooks();
  Global->SetActive(false);
  if (hooks.loadDialog) hooks.loadDialog();
  if (!Global->HandOver.empty()) Global->NextScene = kSceneStory;
  Global->SetActive(true);
}

void TVantel::DropFiles(const std::vector<std::string>& files) {
  if (!Global || !Main || files.empty()) return;
  Global->SetActive(false);
  // Of several files dropped at once, the last script is used; names are taken whole.
  const auto last = std::find_if(files.rbegin(), files.rend(), [](const std::string& f) {
    return LowerCase(std::filesystem::path(f).extension().string()) == ".vxs";
  });
  const std::filesystem::path file(last == files.rend() ? std::string() : *last);
  if (last != files.rend()) {
    if (ScriptArchive) ScriptArchive->SetLooseDir(WithSlash(file.parent_path().string()));
    // ScriptEngine: the story's interpreter loads it by name.
    Global->SetActive(false);
    const VantelHooks& hooks = GetVantelHooks();
    if (Main->SceneNo == kSceneStory && hooks.storyLoadScript) {
      try {
        hooks.storyLoadScript(FromUtf8(file.filename().string(), CodePage::CP932));
      } catch (const ConvertError&) {
        // A name that scripts cannot spell names no script: the drop is ignored.
      } catch (const Error& e) {
        // A damaged script: the story keeps its place, the author is told.
        TellReader(Gbk("无法载入脚本：") + GbkName(file.filename().string()), e.what());
      }
    }
    Global->SetActive(true);
  }
  Global->SetActive(true);
}

void TVantel::WriteScreenshot() {
  if (options_.screenshot.empty() || !Main || !Main->Scene || !Main->Scene->FCurrent) return;
  try {
    WritePng(options_.screenshot, *Main->Scene->FCurrent);
  } catch (const Error& e) {
    TellReader(Gbk("无法保存截图：") + GbkName(options_.screenshot), e.what());
  }
}

namespace {
constexpr int kVkTab = 9, kVkF5 = 116, kVkF9 = 120, kVkF12 = 123;
}  // namespace

bool TVantel::ReaderKey(const InputEvent& e) {
  if (!reader_) return false;
  if (e.kind == InputEvent::Kind::KeyUp) return readerKeysDown_.erase(e.key) != 0;
  if (e.kind == InputEvent::Kind::MouseDown) reader_->StopSkip();
  if (e.kind != InputEvent::Kind::KeyDown) return false;
  const uint32_t mods = e.shift & (kShift | kAlt | kCtrl);
  const bool plain = mods == 0;
  const bool ours = (plain && (e.key == kVkF5 || e.key == kVkF9 || e.key == kVkF12 ||
                               e.key == 'V' || e.key == kVkTab)) ||
                    (mods == kShift && e.key == 'C');
  if (!ours) {
    reader_->StopSkip();
    return false;
  }
  readerKeysDown_.insert(e.key);
  if (e.key == kVkF5) QuickSave();
  if (e.key == kVkF9) QuickLoad();
  if (e.key == kVkF12 && Main && Main->Scene && Main->Scene->FCurrent)
    reader_->Screenshot(*Main->Scene->FCurrent);
  if (e.key == 'V') reader_->ToggleSelfVoicing();
  if (e.key == 'C') reader_->ToggleClipboard();
  if (e.key == kVkTab) reader_->ToggleSkip();
  return true;
}

void TVantel::QuickSave() {
  if (!Global || !Main || !reader_) return;
  const VantelHooks& hooks = GetVantelHooks();
  UpdateEnabled();  // the menu's rules say whether a save may be made now
  if (!enabled_[kPopupS] || !HookPresent(kPopupS) || Main->SceneNo != kSceneStory ||
      !hooks.storySaveToFile)
    return;
  Global->SetActive(false);
  try {
    const Bytes name = hooks.storySaveToFile();
    if (!name.empty()) reader_->Notice(Gbk("已保存 ") + name);
  } catch (const SaveFolderFull& e) {
    reader_->Notice(Gbk("存档已满（data0～data1000），无法保存新的记录。"), 3000);
    LogDetail(e.what());
  } catch (const Error& e) {
    reader_->Notice(Gbk("无法保存记录。"), 3000);
    LogDetail(e.what());
  }
  Global->SetActive(true);
}

void TVantel::QuickLoad() {
  if (!Global || !Main || !reader_) return;
  UpdateEnabled();
  if (!enabled_[kPopupL] || !HookPresent(kPopupL)) return;
  const std::string name = LatestSave(Global->SaveDir);
  if (name.empty()) {
    reader_->Notice(Gbk("没有可读取的记录。"));
    return;
  }
  Global->SetActive(false);
  bool go = true;
  if (Main->SceneNo == kSceneStory) {
    // Loading leaves the page as returning to the title does: the same question.
    int x, y;
    AskPosition(x, y);
    go = GetPlatform().ShowMessage(Gbk("确定要返回到标题界面吗？  "), Bytes(),
                                   MessageKind::Confirmation, true, CodePage::GBK, x,
                                   y) == MessageAnswer::Yes;
  }
  if (go) {
    try {
      Bytes record = ReadPackedFile(Global->SaveDir + name, kMaxSaveRecordLength);
      if (record.empty()) throw DataError("the save " + name + " is empty");
      Global->HandOver = std::move(record);
      Global->NextScene = kSceneStory;
    } catch (const Error& e) {
      reader_->Notice(Gbk("无法读取这个记录：") + GbkName(name), 3000);
      LogDetail(e.what());
    }
  }
  Global->SetActive(true);
}

void TVantel::Teardown() {
  if (tornDown_ || !created_) return;
  tornDown_ = true;
  Platform& platform = GetPlatform();
  CloseDebuggers();  // their windows go before the main window and Global
  if (Global) {
    Global->SetActive(false);
    if (!Global->SaveDir.empty()) DeleteFile(Global->SaveDir + "backup.00");
    if (windowCreated_) platform.GetWindowPosition(Global->WindowLeft, Global->WindowTop);
    if (Global->DisplayModeChanged) RestoreDisplayMode();
    reader_.reset();  // its last read marks are written while the save folder is known
    delete Global;  // saves the settings first
    Global = nullptr;
  }
  // The scene goes after Global: a story freed here, when the program ends
  // by an error, finds no save folder and leaves the backup for the title
  // to offer at the next start.
  liveReload_.reset();
  delete Main;
  Main = nullptr;
  sound_.reset();  // the device is reset and closed; no mix runs after this
  for (TSoundSrc*& source : SoundSources) {
    delete source;
    source = nullptr;
  }
  soundView_.reset();
  FreeArchives();
  if (windowCreated_) platform.DestroyMainWindow();
  windowCreated_ = false;
}

}  // namespace vantel
