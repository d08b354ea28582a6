#include "shell/UnitVantel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <vector>

#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "data/ClassSList.h"
#include "platform/headless/HeadlessAudio.h"
#include "platform/headless/HeadlessPlatform.h"
#include "script/Class_Story.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "sound/FuncSound.h"
#include "support/SoundFixtures.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

constexpr int32_t kKeyUpMsg = 20, kKeyDownMsg = 21, kClickMsg = 40, kButtonDownMsg = 41,
                  kTickMsg = 100;

HeadlessPlatform* thePlatform = nullptr;
int tickCost = 0;  // virtual milliseconds the next tick of a test scene takes

// A bare scene that records its messages; a tick may cost virtual time.
struct Recorder : Tflat {
  Recorder() : Tflat(nullptr) {
    FPicture = Picture(800, 600, Picture::Format::BGR24, 0x202020);
    FVisible = FActive = true;
  }
  void Signal(int32_t code, int32_t a, int32_t b) override {
    Tflat::Signal(code, a, b);
    got.push_back({code, a, b});
    if (code == kTickMsg && tickCost > 0) {
      thePlatform->Advance(static_cast<uint32_t>(tickCost));
      tickCost = 0;
    }
  }
  std::vector<std::array<int32_t, 3>> got;
};

class VantelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    thePlatform = &platform;
    tickCost = 0;
    SetPlatform(&platform);
    ResetSoundNotices();
    startDir = std::filesystem::current_path();
    for (int n :
         {kSceneTitle, kSceneMessageLog, kSceneStory, kSceneLogo, kSceneClosing, kSceneCredits})
      RegisterScene(n, [] { return std::make_unique<Recorder>(); });
    platform.SetTime(10000);
  }
  void TearDown() override {
    vantel.reset();
    for (int n = 1; n <= 8; ++n) RegisterScene(n, nullptr);
    SetVantelHooks({});
    std::filesystem::current_path(startDir);
    SetPlatform(nullptr);
    DebugMode = false;
  }

  TVantel::Options Opts() {
    TVantel::Options o;
    o.exeDir = dir.Path();
    o.refill = TSound::RefillMode::Synchronous;
    o.estimateClock = [] { return 1000; };
    return o;
  }
  // The settings file as a reader's earlier run left it.
  void Settings(std::initializer_list<std::pair<const char*, const char*>> values) {
    TSlist list;
    for (auto& [k, v] : values) list.WriteString("", k, v);
    std::filesystem::create_directories(dir / "save");
    list.SaveToPackedFile(dir / "save/inf.dat");
  }
  // A started player on debug data (no archives), windowed unless told.
  TVantel& Start(bool windowed = true) {
    dir.Write("save/debug", "");
    if (windowed && !FileExists(dir / "save/inf.dat")) Settings({{"FullScreen", "FALSE"}});
    vantel = std::make_unique<TVantel>(Opts());
    EXPECT_TRUE(vantel->StartChecks());
    vantel->Create();
    return *vantel;
  }
  Recorder& Scene() { return static_cast<Recorder&>(*Main->Scene); }
  // The late flags of the ticks the scene received, in order.
  std::vector<int> Ticks() {
    std::vector<int> t;
    for (auto& m : Scene().got)
      if (m[0] == kTickMsg) t.push_back(m[1]);
    return t;
  }
  int Count(int32_t code, int32_t a = -1) {
    return static_cast<int>(std::count_if(Scene().got.begin(), Scene().got.end(), [&](auto& m) {
      return m[0] == code && (a < 0 || m[1] == a);
    }));
  }
  void SwitchTo(int32_t scene) {
    Global->SetActive(true);
    Global->NextScene = scene;
    Rounds(1);
    ASSERT_EQ(Main->SceneNo, scene);
  }
  void Rounds(int n) {
    for (int i = 0; i < n; ++i) vantel->IdleRound();
  }
  static InputEvent Key(InputEvent::Kind kind, int key, uint32_t shift = 0) {
    InputEvent e;
    e.kind = kind;
    e.key = key;
    e.shift = shift;
    return e;
  }
  static InputEvent Mouse(InputEvent::Kind kind, MouseButton b, int x = 10, int y = 20) {
    InputEvent e;
    e.kind = kind;
    e.button = b;
    e.x = x;
    e.y = y;
    return e;
  }
  static InputEvent Plain(InputEvent::Kind kind) {
    InputEvent e;
    e.kind = kind;
    return e;
  }

  HeadlessPlatform platform;
  testing::TempDir dir;
  std::filesystem::path startDir;
  std::unique_ptr<TVantel> vantel;
};

TEST_F(VantelTest, MissingDataStopsBeforeAnyWindowWithTheMessage) {
  TVantel v(Opts());
  EXPECT_EQ(v.Run(), 1);
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_EQ(platform.Messages()[0].text,
            Sjis("データファイルがありません。部分インストールの場合はＣＤから起動してください。"));
  EXPECT_EQ(platform.Messages()[0].kind, MessageKind::Plain);
  EXPECT_EQ(platform.EndPresentCount(), 0);  // nothing was ever shown
  EXPECT_EQ(Main, nullptr);
  EXPECT_FALSE(DirectoryExists(dir / "save"));  // nothing written
  EXPECT_EQ(Global, nullptr);

  // A running instance is brought forward and nothing else happens.
  platform.SetRunningInstance(true);
  TVantel second(Opts());
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(second.Run(), 0);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("already running"), std::string::npos) << said;
  EXPECT_NE(said.find(GameFolder(dir.Path())), std::string::npos) << said;
  EXPECT_EQ(platform.Messages().size(), 1u);

  // One instance per game folder, however the folder is spelt; another
  // game is another instance.
  testing::TempDir other;
  std::filesystem::create_symlink(dir.Path(), other / "link");
  std::filesystem::current_path(dir.Path());
  EXPECT_EQ(InstanceName(dir.Path()), InstanceName("."));
  EXPECT_EQ(InstanceName(dir.Path()), InstanceName(other / "link/"));
  EXPECT_NE(InstanceName(dir.Path()), InstanceName(other.Path()));
  EXPECT_LT(InstanceName(dir.Path()).size(), 40u);  // fits a socket name
}

TEST_F(VantelTest, DataLookupUsesTheSecondDirectoryExactlyAsGiven) {
  testing::TempDir other;
  dir.Write("script.chs", "");
  other.Write("sound.pk2", "");
  other.Write("image.pk2", "");
  EXPECT_TRUE(DataFilesPresent(dir.Path(), other.Path()));
  std::string bare = other.Path();
  bare.pop_back();  // no final separator: the names run into the directory's own
  EXPECT_FALSE(DataFilesPresent(dir.Path(), bare));
  // The script archive has no second place.
  std::filesystem::remove(dir / "script.chs");
  other.Write("script.chs", "");
  EXPECT_FALSE(DataFilesPresent(dir.Path(), other.Path()));
}

TEST_F(VantelTest, CreationBringsUpTheLogoAndRestoresTheSavedState) {
  // A saved position on a monitor that is gone: the window is centred.
  Settings({{"FullScreen", "FALSE"}, {"LEFT", "5000"}, {"TOP", "-3000"}, {"AutoSkip", "TRUE"}});
  TVantel& v = Start();
  EXPECT_TRUE(DebugMode);
  ASSERT_NE(Main, nullptr);
  EXPECT_EQ(Main->SceneNo, kSceneLogo);
  int left, top;
  platform.GetWindowPosition(left, top);
  EXPECT_EQ(left, (1920 - 800) / 2);
  EXPECT_EQ(top, (1080 - 600) / 2);
  EXPECT_FALSE(platform.FullScreen());
  EXPECT_TRUE(v.ItemChecked(TVantel::kPopupN));
  EXPECT_FALSE(v.ItemChecked(TVantel::kPopUpF));
  EXPECT_TRUE(Global->Active);
  EXPECT_TRUE(v.IdleInstalled());
  EXPECT_EQ(Global->NextTick, 10050);
  EXPECT_EQ(Global->ClientWidth, 800);
  // Loose resource folders are found from the game directory.
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.Path()).parent_path());
}

TEST_F(VantelTest, FullScreenAtStartAndTheDisplayModeSwitch) {
  // No settings file: full screen with the display switch is the default,
  // and the saved position 0, 0 lies on the monitor.
  TVantel& v = Start(false);
  EXPECT_TRUE(platform.FullScreen());
  EXPECT_EQ(platform.CurrentMode().width, 800);
  v.PopUpFClick();
  EXPECT_FALSE(platform.FullScreen());
  EXPECT_EQ(platform.CurrentMode().width, 1920);
  EXPECT_EQ(Main->Scene->FLeft, 0);
  v.PopUpFClick();
  vantel.reset();  // the display is given back at the end
  EXPECT_EQ(platform.CurrentMode().width, 1920);

  // A screen exactly 800 wide always starts full screen and keeps it.
  platform.SetScreen({0, 0, 800, 1024}, {800, 1024, 32, 60});
  Settings({{"FullScreen", "FALSE"}, {"AutoScreen", "FALSE"}});
  Start();
  EXPECT_TRUE(platform.FullScreen());
  vantel.reset();
  TSlist saved;
  saved.LoadFromPackedFile(dir / "save/inf.dat");
  EXPECT_TRUE(saved.ReadBool("", "FullScreen", false));
}

TEST_F(VantelTest, SavedVolumesReachSourcesZeroAndOne) {
  dir.Write("sound/uta.wav", testing::PcmWave(1, 44100, std::vector<int16_t>(30000, 20000)));
  Settings({{"FullScreen", "FALSE"}, {"Volume1", "0"}, {"Volume2", "128"}});
  Start();
  HeadlessAudio& device = *platform.LastAudioDevice();
  device.Pull();  // one mix takes the volume commands (a later command would replace them)
  auto peak = [](const std::vector<int16_t>& s) {
    int p = 0;
    for (int16_t v : s) p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
  };
  PostSound(0, kSoundPlay, "uta", 0, 1);  // source 0 is silenced by Volume1
  EXPECT_EQ(peak(device.PullMany(14)), 0);
  PostSound(0, kSoundStop, "", 0, 0);
  PostSound(1, kSoundPlay, "uta", 0, 1);
  const int p = peak(device.PullMany(14));
  EXPECT_GT(p, 20000 / 4);
  EXPECT_LT(p, 20000 * 3 / 4);  // about half: Volume2 is 128
}

TEST_F(VantelTest, SoundStopsWithTheApplicationAndItsNoticesReachTheMainThread) {
  using K = InputEvent::Kind;
  dir.Write("sound/uta.wav", testing::PcmWave(1, 44100, std::vector<int16_t>(200000, 20000)));
  Settings({{"FullScreen", "FALSE"}, {"Volume2", "255"}});
  Start();
  HeadlessAudio& device = *platform.LastAudioDevice();
  auto peak = [](const std::vector<int16_t>& s) {
    int p = 0;
    for (int16_t v : s) p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
  };
  device.Pull();
  PostSound(1, kSoundPlay, "uta", 0, 0);
  device.PullMany(12);  // mixed before the song started
  EXPECT_GT(peak(device.PullMany(2)), 10000);
  platform.PushEvent(Plain(K::Deactivate));
  Rounds(1);
  device.PullMany(12);  // mixed before the switch
  EXPECT_EQ(peak(device.PullMany(2)), 0);
  platform.PushEvent(Plain(K::Activate));
  Rounds(1);
  device.PullMany(12);
  EXPECT_GT(peak(device.PullMany(2)), 10000);

  // What the audio thread leaves for the main thread is shown and logged
  // at the next round.
  AddSoundWarning("LOOP in 3");
  ShowCodecMissing();
  Rounds(1);
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_EQ(platform.Messages()[0].text, CodecMissingText());
  ASSERT_GE(Global->PendingLog.Count(), 1);
  EXPECT_EQ(Global->PendingLog[Global->PendingLog.Count() - 1], "LOOP in 3");
}

TEST_F(VantelTest, FrameLoopKeepsFiftyMillisecondsAndDropsABacklog) {
  Start();
  Rounds(4);
  EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(platform.TickCount(), 10200u);  // each on-time frame sleeps out its 50 ms

  // A 230 ms frame: the next three run late, back to back, then the
  // schedule is met again.
  Scene().got.clear();
  tickCost = 230;
  Rounds(6);
  EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 1, 1, 0, 0}));

  // A frame 700 ms long loses more than half a second: the backlog is
  // dropped and the next frame is on time.
  Scene().got.clear();
  tickCost = 700;
  Rounds(3);
  EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 0}));
}

TEST_F(VantelTest, InactiveApplicationFreezesUnlessBackGround) {
  TVantel& v = Start();
  Rounds(2);
  platform.PushEvent(Plain(InputEvent::Kind::Deactivate));
  Rounds(5);
  EXPECT_FALSE(v.IdleInstalled());
  EXPECT_FALSE(Global->Active);
  EXPECT_EQ(Ticks().size(), 2u);  // no frames while another application is active
  platform.Advance(3000);
  platform.PushEvent(Plain(InputEvent::Kind::Activate));
  Rounds(3);  // the first one takes the activation
  // Back again: no burst of catch-up frames.
  EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 0, 0}));

  Global->BackGround = true;
  platform.PushEvent(Plain(InputEvent::Kind::Deactivate));
  Rounds(2);
  EXPECT_TRUE(v.IdleInstalled());
  EXPECT_EQ(Ticks().size(), 6u);
}

TEST_F(VantelTest, WindowInputReachesTheSceneByTheRules) {
  using K = InputEvent::Kind;
  TVantel& v = Start();
  v.HandleEvent(Key(K::KeyUp, 32));  // Space acts only through the menu shortcut
  v.HandleEvent(Key(K::KeyUp, 'A'));
  EXPECT_EQ(Count(kKeyUpMsg), 1);
  EXPECT_EQ(Count(kKeyUpMsg, 'A'), 1);

  v.HandleEvent(Mouse(K::MouseDown, MouseButton::Right));  // never reaches the scene
  v.HandleEvent(Mouse(K::MouseDown, MouseButton::Left));
  EXPECT_EQ(Count(kButtonDownMsg), 1);

  // While paused a press only wakes the scene; a release does the same.
  Global->SetActive(false);
  v.HandleEvent(Mouse(K::MouseDown, MouseButton::Left));
  EXPECT_EQ(Count(kButtonDownMsg), 1);
  EXPECT_TRUE(Global->Active);
  Global->SetActive(false);
  v.HandleEvent(Mouse(K::MouseUp, MouseButton::Left));
  EXPECT_EQ(Count(kClickMsg), 0);
  EXPECT_TRUE(Global->Active);
  v.HandleEvent(Mouse(K::MouseUp, MouseButton::Left));
  EXPECT_EQ(Count(kClickMsg), 1);

  // A shortcut of an enabled item (in the story) acts on the press and goes
  // no further; Ctrl with Shift is not the shortcut.
  SwitchTo(kSceneStory);
  v.HandleEvent(Key(K::KeyDown, 'N', kCtrl));
  EXPECT_TRUE(Global->AutoSkip);
  EXPECT_TRUE(v.ItemChecked(TVantel::kPopupN));
  EXPECT_EQ(Count(kKeyDownMsg, 'N'), 0);
  v.HandleEvent(Key(K::KeyDown, 'N', kCtrl | kShift));
  EXPECT_TRUE(Global->AutoSkip);
  EXPECT_EQ(Count(kKeyDownMsg, 'N'), 1);

  // A right release opens the menu, which pauses the scene while it is open
  // and resumes it as soon as it closes, here by its cancel item; in the
  // logo auto-advance is disabled, so its shortcut then reaches the scene.
  SwitchTo(kSceneLogo);
  platform.QueueMenuChoice(TVantel::kN4);
  v.HandleEvent(Mouse(K::MouseUp, MouseButton::Right));
  EXPECT_TRUE(Global->Active);
  v.HandleEvent(Key(K::KeyDown, 'N', kCtrl));
  EXPECT_TRUE(Global->AutoSkip);
  EXPECT_EQ(Count(kKeyDownMsg, 'N'), 1);
  // An item chosen resumes it as well: the next press reaches the scene.
  platform.QueueMenuChoice(TVantel::kPopUpF);
  v.HandleEvent(Mouse(K::MouseUp, MouseButton::Right));
  EXPECT_TRUE(Global->Active);
  const int presses = Count(kButtonDownMsg);
  v.HandleEvent(Mouse(K::MouseDown, MouseButton::Left));
  EXPECT_EQ(Count(kButtonDownMsg), presses + 1);
}

TEST_F(VantelTest, MenuEnablingFollowsTheSceneAndTheInstalledDialogs) {
  auto enabled = [](TVantel& v) {
    std::vector<int> ids;
    for (const MenuItem& item : v.MenuItems())
      if (item.enabled && !item.separator) ids.push_back(item.id);
    return ids;
  };
  using V = TVantel;
  TVantel& v = Start();
  v.PopupMenu1Popup();
  // The logo; no dialogs are installed yet, so save, load and settings are off.
  EXPECT_EQ(enabled(v), (std::vector<int>{V::kN4, V::kPopUpF, V::kPopUpX}));

  int state = 0;
  int loads = 0;
  VantelHooks hooks;
  hooks.saveDialog = [](const Bytes&) {};
  hooks.loadDialog = [&] { ++loads; };
  hooks.settingsDialog = [] {};
  hooks.storyState = [&] { return state; };
  SetVantelHooks(hooks);
  v.PopupMenu1Popup();
  EXPECT_EQ(enabled(v), (std::vector<int>{V::kN4, V::kPopupL, V::kPopUpT, V::kPopUpF, V::kPopUpX}));

  SwitchTo(kSceneStory);
  v.PopupMenu1Popup();
  EXPECT_EQ(enabled(v).size(), 10u);         // everything in the story
  RegisterScene(kSceneMessageLog, nullptr);  // no log scene: no way to it
  v.HandleEvent(Key(InputEvent::Kind::KeyDown, 'M', kCtrl));
  EXPECT_FALSE(v.MenuItems()[V::kPopupM].enabled);
  Global->SetActive(true);
  Rounds(1);
  EXPECT_EQ(Main->SceneNo, kSceneStory);
  state = 3;  // a transition is running
  v.PopupMenu1Popup();
  EXPECT_FALSE(v.ItemEnabled(V::kPopUpP));
  EXPECT_FALSE(v.ItemEnabled(V::kPopupM));
  EXPECT_TRUE(v.ItemEnabled(V::kPopupS));

  // A shortcut follows the scene it is pressed in, not the one in which
  // the menu last opened: no save from the title.
  int saves = 0;
  hooks.saveDialog = [&](const Bytes&) { ++saves; };
  SetVantelHooks(hooks);
  SwitchTo(kSceneTitle);
  v.HandleEvent(Key(InputEvent::Kind::KeyDown, 'S', kCtrl));
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(Count(kKeyDownMsg, 'S'), 1);  // a key that is no command goes to the scene
  SwitchTo(kSceneStory);
  v.HandleEvent(Key(InputEvent::Kind::KeyDown, 'S', kCtrl));
  EXPECT_EQ(saves, 1);

  SwitchTo(kSceneCredits);
  v.PopupMenu1Popup();
  EXPECT_EQ(enabled(v), (std::vector<int>{V::kN4, V::kPopUpT, V::kPopUpF, V::kPopUpX}));
  // A disabled item's shortcut does nothing; one chosen anyway is refused.
  v.HandleEvent(Key(InputEvent::Kind::KeyDown, 'L', kCtrl));
  platform.QueueMenuChoice(V::kPopupL);
  v.ShowPopupMenu(0, 0);
  EXPECT_EQ(loads, 0);

  // Loading that hands over a record goes to the story.
  SwitchTo(kSceneTitle);
  v.PopupMenu1Popup();
  hooks.loadDialog = [&] {
    ++loads;
    Global->HandOver = "record";
  };
  SetVantelHooks(hooks);
  v.HandleEvent(Key(InputEvent::Kind::KeyDown, 'L', kCtrl));
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(Global->NextScene, kSceneStory);
  EXPECT_TRUE(Global->Active);
}

TEST_F(VantelTest, CloseQuestionStartsTheShutdownAndTeardownCleansUp) {
  using K = InputEvent::Kind;
  TVantel& v = Start();
  dir.Write("save/backup", "x");
  dir.Write("save/backup.00", "x");
  platform.QueueAnswer(MessageAnswer::No);
  platform.PushEvent(Plain(K::CloseRequest));
  Rounds(1);
  EXPECT_FALSE(v.Closed());
  EXPECT_EQ(Main->SceneNo, kSceneLogo);
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_EQ(platform.Messages()[0].text, Gbk("确定要结束\r\n《苍月楼》？"));
  EXPECT_TRUE(platform.Messages()[0].yesNo);

  platform.QueueAnswer(MessageAnswer::Yes);
  platform.PushEvent(Plain(K::CloseRequest));
  Rounds(2);
  EXPECT_EQ(Main->SceneNo, kSceneClosing);  // the shutdown fade
  EXPECT_FALSE(v.Closed());

  platform.SetWindowPosition(33, 44);
  Global->QuitRequested = true;  // the fade is over
  Rounds(1);
  EXPECT_TRUE(v.Closed());
  EXPECT_FALSE(FileExists(dir / "save/backup"));
  EXPECT_EQ(platform.Messages().size(), 2u);  // no further question

  v.Teardown();
  EXPECT_EQ(Global, nullptr);
  EXPECT_EQ(Main, nullptr);
  EXPECT_EQ(SoundSources[0], nullptr);
  EXPECT_EQ(ScriptArchive, nullptr);
  EXPECT_FALSE(FileExists(dir / "save/backup.00"));
  TSlist saved;
  saved.LoadFromPackedFile(dir / "save/inf.dat");
  EXPECT_EQ(saved.ReadInteger("", "LEFT", 0), 33);
  EXPECT_EQ(saved.ReadInteger("", "TOP", 0), 44);

  // A close question that cannot be shown closes, with the settings saved,
  // rather than leave a program nobody can close.
  vantel.reset();
  Start();
  Global->Volume1 = 77;
  platform.QueueAnswer(MessageAnswer::Unanswered);
  platform.PushEvent(Plain(K::CloseRequest));
  Rounds(1);
  EXPECT_TRUE(vantel->Closed());
  saved.LoadFromPackedFile(dir / "save/inf.dat");
  EXPECT_EQ(saved.ReadInteger("", "VOLUME1", 0), 77);
}

TEST_F(VantelTest, RunEndsCleanlyOnItsOwnAndOnASceneThatDoesNotExist) {
  dir.Write("save/debug", "");
  Settings({{"FullScreen", "FALSE"}});
  TVantel::Options o = Opts();
  o.quitAfterMs = 300;
  {
    TVantel v(o);
    EXPECT_EQ(v.Run(), 0);
  }
  EXPECT_EQ(Global, nullptr);
  EXPECT_TRUE(platform.Messages().empty());

  // Without a logo scene the player says so and ends in order.
  RegisterScene(kSceneLogo, nullptr);
  TVantel v(o);
  EXPECT_EQ(v.Run(), 1);
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_EQ(platform.Messages()[0].kind, MessageKind::Error);
  EXPECT_EQ(Global, nullptr);
  EXPECT_EQ(SoundSources[0], nullptr);
}

TEST_F(VantelTest, AStoryEndedByAnErrorKeepsItsBackup) {
  // The first chapter jumps to a second whose packed text is damaged.
  ArchiveWriter w(ArchiveWriter::Kind::PackedText);
  w.Add(Sjis("脚本1.vxs"), Sjis("<a href=\"脚本2.vxs\">\r\n"));
  w.Add(Sjis("脚本2.vxs"), Sjis("あいうえお<k>\r\n"));
  w.Write(dir / "script.chs");
  {
    TArchive a(dir / "script.chs");
    const int32_t at = a.EntryOffset(Sjis("脚本2.vxs"));
    std::string bytes = *ReadWholeFile(dir / "script.chs");
    for (int i = 6; i < 12; ++i) bytes[at + i] = '\xFF';
    dir.Write("script.chs", bytes);
  }
  dir.Write("save/debug", "");
  dir.Write("save/backup", "resume here");
  Settings({{"FullScreen", "FALSE"}});
  RegisterScene(kSceneLogo, [] {
    Global->NextScene = kSceneStory;
    return std::make_unique<Recorder>();
  });
  RegisterStoryScene();
  TVantel::Options o = Opts();
  o.quitAfterMs = 3000;
  TVantel v(o);
  EXPECT_EQ(v.Run(), 1);
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_EQ(platform.Messages()[0].kind, MessageKind::Error);
  EXPECT_TRUE(FileExists(dir / "save/backup"));
}

TEST_F(VantelTest, DroppedScriptGoesToTheStoryByName) {
  TVantel& v = Start();
  std::vector<Bytes> loaded;
  VantelHooks hooks;
  hooks.storyLoadScript = [&](const Bytes& name) { loaded.push_back(name); };
  SetVantelHooks(hooks);
  v.DropFiles({"/x/a.vxs"});  // not in the story: ignored
  EXPECT_TRUE(loaded.empty());
  SwitchTo(kSceneStory);
  v.DropFiles({"/x/a.vxs", "/data/scripts/B.VXS"});  // the last one counts
  v.DropFiles({"/data/readme.txt"});
  EXPECT_EQ(loaded, (std::vector<Bytes>{"B.VXS"}));
  EXPECT_EQ(ScriptArchive->LooseDir(), "/data/scripts/");
  EXPECT_TRUE(Global->Active);
}

}  // namespace
}  // namespace vantel
