// LiveReload: the author's loop while playing. With save/debug present and a
// loose script/ folder beside the game, the folder is watched (inotify, on a
// thread of its own that sleeps in the kernel until something is written);
// when the chapter being played is saved, it is read again and the story
// goes on from the same source line: the first token on the line where the
// text now waiting began, or on the line being run. The page is drawn again
// from its start with the new text, the waits before the reader's line
// passing at once (as Shift passes them) and wipes made instant. A saved
// chapter that is not being played is read from its loose file at its next
// load, before the archive's copy. The debugger's F5 (or RELOAD) reloads the
// chapter being played by hand.
//
// The debugger's message box says what was reloaded. A source that no
// longer loads (a character code page 932 lacks, a tag not closed on its
// line) leaves the old text running and says why, as "file:line: message".
// Nothing is watched without save/debug, and a tick while nothing changed
// costs one atomic load. Depends on the story scene, its interpreter, the
// script loader, the checker's wording and Global (the log, the debugger's
// line). Fails: never throws out of Poll or ReloadStory; a folder that
// cannot be watched is told in the log and not watched.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Bytes.h"

namespace vantel {

class TStory;

// The files written (closed after writing, or moved in) in one folder, as
// the kernel reports them, gathered by a thread that only wakes for them.
class FolderWatch {
 public:
  // Throws FileError when the folder cannot be watched.
  explicit FolderWatch(const std::string& dir);
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // True when something was written since the last Take (cheap: one load).
  bool Changed() const { return changed_.load(std::memory_order_acquire); }
  // The file names (UTF-8, as on disk) written since the last Take, once each.
  std::vector<std::string> Take();
  // Waits until Changed() or `ms` milliseconds have passed (tests).
  bool WaitChanged(int ms) const;

 private:
  void Watch();
  int fd_ = -1;
  int stopFd_ = -1;  // an eventfd that ends the thread
  std::atomic<bool> changed_{false};
  std::mutex lock_;
  std::vector<std::string> names_;
  std::thread thread_;
};

// Reads the chapter `story` is playing again (the loose file when there is
// one, else the archive's copy) and goes on from the same line; `why` is set
// to the line the debugger shows either way (UTF-8). False when the new
// source does not load: the story is left as it was.
bool ReloadStory(TStory& story, std::string& why);

class LiveReload {
 public:
  using StorySource = std::function<TStory*()>;  // the story being played, or null
  // Watches `scriptDir` (UTF-8, trailing '/'); `story` defaults to the
  // scene manager's story scene. FileError when it cannot be watched.
  explicit LiveReload(const std::string& scriptDir, StorySource story = {});
  ~LiveReload();
  // The player's start: a watcher for gameDir's script/ folder when
  // gameDir/save/debug and that folder exist, else null.
  static std::unique_ptr<LiveReload> StartIfDebugging(const std::string& gameDir);

  // Once per tick: takes what was written and reloads what it concerns.
  void Poll();
  FolderWatch& Watch() { return *watch_; }

 private:
  std::unique_ptr<FolderWatch> watch_;
  StorySource story_;
};

// The story scene's chapter reloaded by hand (the debugger's F5): the story
// scene being played, or a note that there is none. Logs the outcome.
void ReloadPlayedChapter();

}  // namespace vantel
