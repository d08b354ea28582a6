// Tglobal: the state every part of the system reaches directly (paths,
// archives, settings, the text box layout, the picture-unlock record, scene
// hand-over fields, frame timing, the quit flag and the debugger's display
// fields), the process-wide DebugMode flag and the three archives; also the
// display-mode and monitor functions and the processor clock estimate.
//
// Files, under the save directory (ExeDir + "save/", created when missing):
//   inf.dat    settings: packed TSlist tagged lines, "[]" then KEY=value
//   img.dat    the unlock list in TSlist file form
//   TextBox.ini the text box layout when script.chs has no textbox.ini
// A damaged inf.dat or img.dat is renamed aside (inf.dat.damaged,
// img.dat.damaged), the defaults are used and the reader is told once; a
// settings text far beyond any real size (over 512 KiB) counts as damaged,
// and so does a name that holds no regular file (a FIFO, a link to a
// device), which is never waited on.
// An archive that lists entries its file does not hold (a file cut short)
// is named once at start with how many are missing; play goes on with the
// rest.
// When save/ cannot be created in the game directory, the saves go to
// $XDG_DATA_HOME/vantel/<game directory name>/save/ and the reader is told
// where; when that fails too, the reader is told, QuitRequested is set and
// ExitStatus is non-zero for the caller to end the program with.
//
// Depends on: data (TArchive, TSlist, packed files), platform (message
// boxes, display modes, tick count), shell/DebugView.
// Main thread only, except AppendLog, which any thread may call.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "base/Bytes.h"
#include "data/ClassArchive.h"
#include "data/ClassSList.h"
#include "platform/Platform.h"
#include "shell/DebugView.h"

namespace vantel {

class Tglobal {
 public:
  // A bare state object with every field zero, false or empty (for tests and
  // tools that need the fields only); it opens and saves nothing.
  Tglobal() = default;
  // The program's global state: DebugMode on, the clock estimate, the save
  // directory (cleared of the temporary files of killed writers), the archive
  // paths (the second data directory is prefixed to the file names with no
  // separator, exactly as given), the data check
  // (message and QuitRequested when data is missing and save/debug is
  // absent) and the three archives opened. `estimateClock` replaces
  // EstimateClock (tests pass a quick one).
  Tglobal(const std::string& exeDir, const std::string& secondDataDir,
          int (*estimateClock)() = nullptr);
  // Saves the settings (when this is the program's state, not a bare one).
  ~Tglobal();
  Tglobal(const Tglobal&) = delete;
  Tglobal& operator=(const Tglobal&) = delete;

  // inf.dat, the text box layout and img.dat into the fields.
  void LoadSettings();
  // The ten settings into inf.dat (other lines kept) and the unlock list
  // into img.dat. False, after telling the reader, when a file cannot be written.
  bool SaveSettings();
  // Pauses (false) or resumes (true) input and frame ticks; a resume sets
  // the next frame 50 ms ahead. Nothing resumes after QuitRequested.
  void SetActive(bool v);
  // Refreshes the attached debugger window: pending log lines into its
  // message box (kept to at most 100 lines), the script and code labels.
  void UpdateDebugInfo();
  // Queues a line for the debugger's message box (script errors, sound
  // warnings), a repeat of the last line folded into it and only the most
  // recent lines kept (script/BoundedLog.h). Safe from any thread, the audio
  // thread included.
  void AppendLog(const Bytes& line);

  // ---- The fields ----
  bool Active = false;  // input and frame ticks enabled
  // The text box rectangles, kept on loading to what the screen can show.
  int32_t BoxLeft[8] = {}, BoxTop[8] = {}, BoxWidth[8] = {}, BoxHeight[8] = {};
  std::string ExeDir;  // program (game) directory, with trailing '/'
  // Where saves and settings go, with trailing '/' (ExeDir + "save/" normally).
  std::string SaveDir;
  std::string ScriptPath, ImagePath, SoundPath;  // the archives as found
  bool DataFound = false;                        // all three archives were found
  bool DebugAttached = false;                    // a debugger window is attached
  TSlist PendingLog;  // lines waiting for the debugger's message box (take PendingLogLock)
  std::mutex PendingLogLock;
  Bytes ScriptName;          // the current script
  Bytes CodeText;            // the token being run, after the story text gathered before it
                             // (cut at the 100 bytes from which the debugger no longer shows it)
  int32_t LineNo = 0;        // source line of that token
  int32_t HandOverLine = 0;  // story line when the story's save record was last built
  DebugLabel* ScriptLabel = nullptr;
  DebugLabel* CodeLabel = nullptr;
  int32_t MessageStep = 0;  // text speed, at least 1 once loaded (the text layer uses 1 ... 255)
  bool FullScreen = false;
  bool AutoScreen = false;     // switch the display to 800x600 in full screen
  bool BackGround = false;     // keep running while the application is inactive
  bool AutoSkip = false;       // auto-advance of messages
  int32_t ClockMHz = 0;        // processor clock estimate, a multiple of 10
  TSlist Unlocked;             // gallery pictures shown, in the order first shown
  bool Clear = false;          // the story has been completed once
  int32_t NextScene = 0;       // scene requested for the next tick, 0 = none
  int32_t NextTick = 0;        // tick count (ms) at which the next frame is due
  bool QuitRequested = false;  // close at the next idle round
  Bytes HandOver;              // a save record handed between scenes and dialogs
  DebugMessageBox* MessageBox = nullptr;
  DebugValueGrid* ValueGrid = nullptr;
  DebugWindowView* DebugWindow = nullptr;     // repainted by UpdateDebugInfo
  bool DisplayModeChanged = false;            // restore the display mode at the end
  int32_t Volume1 = 0, Volume2 = 0;           // volumes of sound sources 0 and 1, at most 255
  int32_t ClientWidth = 0, ClientHeight = 0;  // main window's client size as last recorded
  int32_t WindowLeft = 0, WindowTop = 0;      // main window position (keys LEFT, TOP)
  int ExitStatus = 0;  // non-zero: the program cannot run (no save directory) and ends with it

 private:
  void FindSaveDir();
  void OpenArchives();
  void ShowNotice(const Bytes& gbkText);
  bool created_ = false;  // the program's state: saves its settings when destroyed
};

// The single instance, created by the main window (and by tests that need it).
extern Tglobal* Global;
// Debug features on; switched on by Global's creation and by the debugger
// window; nothing switches it off.
extern bool DebugMode;

// The three archives, opened by Global's creation and freed by the main
// window (FreeArchives) after Global is gone. Null until opened.
extern TArchive* ScriptArchive;
extern TArchive* ImageArchive;
extern TArchive* SoundArchive;
// Frees the script, picture and sound archives, in that order.
void FreeArchives();

// Processor clock estimate in MHz: the time-stamp counter against the
// monotonic clock over 50 ms.
int EstimateClock();
// True when some monitor has left <= x < left + width and top <= y <=
// top + height (the bottom edge counts, the right edge does not).
bool PointOnMonitor(int x, int y);
// The current mode of monitor 0 (the primary display); all zero for any other.
DisplayMode ReadDisplayMode(int monitor);
// Monitor 0: switches to 800x600 at 24, else 32, else 16 bits per pixel,
// the first the display accepts (none accepted: the display stays as it
// is). Other monitors: nothing. The caller records DisplayModeChanged.
void SwitchDisplayMode(int monitor);
// Returns the display to its own mode.
void RestoreDisplayMode();

}  // namespace vantel
