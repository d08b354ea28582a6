// UnitVantel: TVantel, the player's main window and the program's start and end.
//
// TVantel checks for a running instance (one per user and game folder: a
// second start raises it and says so on standard error) and for the data,
// brings up every subsystem in a fixed order (sound lock, Global, settings,
// wave output and its three sources, volumes, Main with the logo scene,
// window position, full screen, drop target, frame timing), drives the 50 ms frame loop from
// idle rounds, turns the window's events into Main's calls, carries the
// right-click menu and its shortcuts, guards the close with a question and
// tears everything down in a fixed order. It talks to the machine only
// through the platform (GetPlatform()), so tests drive it on the headless
// platform with a virtual clock.
//
// Dialogs and story-specific commands that live in other modules are reached
// through hooks (SetVantelHooks); a menu item whose dialog hook is missing is
// disabled.
//
// Failure: missing data without save/debug shows the data message and ends
// with status 1 before any window exists; an error while creating the
// subsystems (a scene number with no scene, a device failure) is shown in a
// message box, everything made so far is torn down, and Run returns 1.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "platform/Platform.h"
#include "sound/ClassSound.h"

namespace vantel {

class TSoundSrc;
class TArchiveSoundView;
class ReaderAdditions;
class LiveReload;

// What other modules provide to the main window. Every hook may be empty.
struct VantelHooks {
  // The save/load dialog in "add" mode with the pending new file's name.
  std::function<void(const Bytes& pendingName)> saveDialog;
  // The save/load dialog in "list" mode.
  std::function<void()> loadDialog;
  // The settings dialog.
  std::function<void()> settingsDialog;
  // Story scene: writes a new save file and returns its name (empty: none).
  std::function<Bytes()> storySaveToFile;
  // Story scene: its FState (3 while a transition runs).
  std::function<int32_t()> storyState;
  // Story scene: Global->HandOver := its save record, its snapshot drawn
  // onto its current picture (the message log opens from it).
  std::function<void()> storyPrepareLog;
  // Story scene: its interpreter loads the script `name` as the current one.
  std::function<void(const Bytes& name)> storyLoadScript;
};
void SetVantelHooks(VantelHooks hooks);
VantelHooks& GetVantelHooks();
// `hooks` with the story commands bound to the story scene (TStory) when it
// is the current scene; a dropped script loads into the story's interpreter.
VantelHooks WithStoryHooks(VantelHooks hooks);

// The game folder `exeDir` names, absolute, links resolved, no trailing '/'.
std::string GameFolder(const std::string& exeDir);
// The single-instance name for a game folder: one player per user (the
// platform adds the user) and game folder; "TVantel-" + a hash of GameFolder.
std::string InstanceName(const std::string& exeDir);

// True when the three archives are where the program looks for them:
// script.chs in `exeDir`; sound.pk2 and image.pk2 in `exeDir`, else
// `secondDataDir` + name (appended with no separator).
bool DataFilesPresent(const std::string& exeDir, const std::string& secondDataDir);

class TVantel {
 public:
  // Pop-up menu items, in menu order.
  enum MenuId : int {
    kN4,
    kN9,
    kPopupN,
    kPopupM,
    kPopUpP,
    kN2,
    kPopupS,
    kPopupL,
    kN6,
    kPopUpT,
    kPopUpF,
    kN11,
    kPopUpR,
    kPopUpX,
    kMenuCount
  };

  struct Options {
    std::string exeDir;         // the game directory, with or without a trailing '/'
    std::string secondDataDir;  // used exactly as given
    TSound::RefillMode refill = TSound::RefillMode::OwnThread;
    int (*estimateClock)() = nullptr;  // replaces the processor clock estimate (tests)
    uint32_t quitAfterMs = 0;     // > 0: ask to quit (QuitRequested) after this much running time
    bool changeDirectory = true;  // make the game directory the working directory
    std::string screenshot;       // non-empty: the last frame is written here as PNG at the end
    bool installedGame = false;   // the installed demo (shell/GameRoot.h): saves in the data folder
  };

  explicit TVantel(Options options);
  ~TVantel();  // tears down whatever was created
  TVantel(const TVantel&) = delete;
  TVantel& operator=(const TVantel&) = delete;

  // The whole program: start checks, creation, the loop, teardown. The
  // process exit status.
  int Run();

  // ---- The steps Run is made of (tests drive them one by one) ----
  // Single instance and data check; false: end now (ExitStatus says how).
  bool StartChecks();
  // Creates the window and every subsystem, shows and activates the window.
  // Throws what a subsystem throws; the destructor cleans up.
  void Create();
  // One idle round (when the idle handler is installed) or one wait round.
  void IdleRound();
  // One event, as the window receives it.
  void HandleEvent(const InputEvent& e);
  bool Closed() const { return closed_; }
  void Teardown();

  // ---- Window handlers ----
  void AppActivate();
  void AppDeactivate();
  void FormHide();
  bool FormCloseQuery();             // true: the close is allowed
  void PopupMenu1Popup();            // pauses the scene, then the enabling rules
  // The enabling rules for the current scene: run when the menu opens and
  // before every shortcut acts.
  void UpdateEnabled();
  void ShowPopupMenu(int x, int y);  // opens the menu and runs the chosen item
  void MenuClick(int id);            // runs an item's action
  void PopUpFClick();                // full-screen switch
  void S1Click();                    // save
  void PopupSClick();                // load (also the title's load button)
  void DropFiles(const std::vector<std::string>& files);
  // Reader additions: F5 saves into the next free slot without the dialog,
  // F9 loads the latest save (after the return-to-title question in the
  // story), each only where the menu's save or load is enabled.
  void QuickSave();
  void QuickLoad();

  bool ItemEnabled(int id) const { return enabled_[id]; }
  bool ItemChecked(int id) const { return checked_[id]; }
  std::vector<MenuItem> MenuItems() const;
  bool IdleInstalled() const { return idleInstalled_; }
  int ExitStatus() const { return exitStatus_; }

 private:
  void ProcessMessages();
  void AppIdle();
  void Close();
  bool Shortcut(int key, uint32_t shift);
  void CentreScene();
  void AskPosition(int& x, int& y);
  void WriteScreenshot();
  // The reader additions' keys (F5, F9, F12, V, Shift+C, Tab); true when the
  // event was one of them. Any other key or click stops a skip of read pages.
  bool ReaderKey(const InputEvent& e);

  Options options_;
  std::unique_ptr<TSound> sound_;
  std::unique_ptr<TArchiveSoundView> soundView_;
  std::unique_ptr<ReaderAdditions> reader_;
  std::set<int> readerKeysDown_;  // added keys whose release is theirs too
  std::unique_ptr<LiveReload> liveReload_;  // with save/debug and a loose script/ folder
  bool windowCreated_ = false;
  bool created_ = false;
  bool tornDown_ = false;
  bool closed_ = false;
  bool idleInstalled_ = false;
  int exitStatus_ = 0;
  uint32_t startTick_ = 0;
  bool enabled_[kMenuCount];
  bool checked_[kMenuCount] = {};
};

// The main window while it exists (the title's load button reaches it).
extern TVantel* MainForm;

}  // namespace vantel
