#include "shell/LiveReload.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ClassArchive.h"
#include "script/ClassCodeBlue.h"
#include "script/Class_Story.h"
#include "script/ScriptLint.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"

namespace vantel {
namespace {

constexpr int32_t kRunning = 0, kTextWait = 1;  // the story's FState values

TStory* PlayedStory() {
  if (!Main || Main->SceneNo != kSceneStory) return nullptr;
  return dynamic_cast<TStory*>(Main->Scene.get());
}

void Log(const std::string& utf8) {
  if (!Global) return;
  Global->AppendLog(FromUtf8(utf8));
  Global->UpdateDebugInfo();
}

bool IsScriptFile(const std::string& name) {
  return name.size() > 4 && SameText(name.substr(name.size() - 4), ".vxs");
}

// The tokeniser's own line breaks and paragraph ends: they carry the line
// of the story text before them.
bool IsLineEndToken(const Bytes& token) {
  return token == "<BR>" || token == "<P>";
}

// Where the story should go on from: the first token on the line where the
// text now waiting began (the token after the wait before it, past the
// tokeniser's line breaks, which `breaks` counts), or on the line being run.
int32_t ResumeLine(TStory& story, int& breaks) {
  TCodeBlue& code = *story.FScript;
  breaks = 0;
  const int32_t last = std::min(code.Position, code.Count()) - 1;
  if (last < 0) return 1;
  if (story.FState != kTextWait) return code.Tag(last);
  TCodeBlue probe;
  int32_t from = last;
  while (from > 0) {
    probe.ParseToken(code[from - 1]);
    if (probe.Command == "*k" || probe.Command == "*wait") break;
    --from;
  }
  while (from < last && IsLineEndToken(code[from])) ++from, ++breaks;
  return code.Tag(from);
}

}  // namespace

// ---- FolderWatch -----------------------------------------------------------------

FolderWatch::FolderWatch(const std::string& dir) {
  fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (fd_ < 0) throw FileError("cannot watch " + dir + ": " + std::strerror(errno));
  if (inotify_add_watch(fd_, dir.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    const int error = errno;
    ::close(fd_);
    throw FileError("cannot watch " + dir + ": " + std::strerror(error));
  }
  stopFd_ = eventfd(0, EFD_CLOEXEC);
  if (stopFd_ < 0) {
    ::close(fd_);
    throw FileError("cannot watch " + dir + ": no event descriptor");
  }
  thread_ = std::thread([this] { Watch(); });
}

FolderWatch::~FolderWatch() {
  const uint64_t one = 1;
  if (::write(stopFd_, &one, sizeof one) < 0) {
  }  // the thread then ends at its next wake-up
  thread_.join();
  ::close(stopFd_);
  ::close(fd_);
}

void FolderWatch::Watch() {
  alignas(inotify_event) char buffer[8192];
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      std::lock_guard<std::mutex> lock(lock_);
      for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        if (e->len > 0) {
          const std::string name(e->name, strnlen(e->name, e->len));
          if (std::find(names_.begin(), names_.end(), name) == names_.end())
            names_.push_back(name);
        }
        at += ssize_t(sizeof(inotify_event) + e->len);
      }
      changed_.store(true, std::memory_order_release);
    }
  }
}

std::vector<std::string> FolderWatch::Take() {
  std::lock_guard<std::mutex> lock(lock_);
  changed_.store(false, std::memory_order_release);
  return std::exchange(names_, {});
}

bool FolderWatch::WaitChanged(int ms) const {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!Changed() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return Changed();
}

// ---- Reloading ---------------------------------------------------------------------

bool ReloadStory(TStory& story, std::string& why) {
  TCodeBlue& code = *story.FScript;
  const Bytes name = code.ScriptName;
  const std::string file = ToUtf8(name) + ".vxs";
  if (name.empty()) {
    why = "nothing to reload: no chapter is being played";
    return false;
  }
  Bytes text;
  try {
    if (auto path = FindDataFile(code.ScriptDir, name + ".vxs")) {
      text = ReadScriptFile(*path);
    } else {
      TArchive* archive = code.ScriptArchive ? code.ScriptArchive : ScriptArchive;
      if (!archive || archive->IndexOf(name + ".vxs") < 0) {
        why = "not reloaded: there is no " + file + "; the old text goes on";
        return false;
      }
      text = archive->ReadText(name + ".vxs");
    }
  } catch (const Error& e) {
    // A character code page 932 lacks comes as "file:line: ..." already.
    why = std::string("not reloaded: ") + e.what() + "; the old text goes on";
    return false;
  }
  TCodeBlue fresh;
  fresh.Tokenize(text);
  for (int i = 0; i < fresh.Count(); ++i) {
    const Bytes& token = fresh[i];
    if (!token.empty() && token[0] == '<' && token.back() != '>') {
      why = "not reloaded: " + file + ":" + std::to_string(fresh.Tag(i)) + ": " +
            UnclosedTagMessage(token) + "; the old text goes on";
      return false;
    }
  }

  int breaks = 0;
  const int32_t line = ResumeLine(story, breaks);
  // A page whose start is known is drawn again from there, the waits before
  // the reader's line passing at once; otherwise what earlier waits put on
  // the page stays and only this wait's text is gathered again.
  const bool waiting = story.FState == kTextWait;
  const bool fromPageStart = waiting && story.FPageLine > 0 && story.FPageLine <= line;
  Bytes earlier;
  if (waiting && !fromPageStart) {
    const Bytes shown = story.FAction.Text(), page = story.FText->FPageText;
    if (page.size() >= shown.size() &&
        page.compare(page.size() - shown.size(), shown.size(), shown) == 0)
      earlier = page.substr(0, page.size() - shown.size());
  }
  const int32_t from = fromPageStart ? story.FPageLine : line;
  if (fromPageStart) breaks = story.FPageBreaks;
  PreferLooseScript(name);
  code.Tokenize(text);
  int32_t at = code.Count();
  for (int i = 0; i < code.Count(); ++i)
    if (code.Tag(i) >= from) {
      at = i;
      break;
    }
  // The line breaks that began the text are gathered again with it.
  for (; breaks > 0 && at > 0 && IsLineEndToken(code[at - 1]); --breaks) --at;
  code.Position = at;
  code.CurrentLine = line;
  if (Global) Global->LineNo = line;
  if (waiting) {
    story.FText->ClearPage();
    story.FText->FPageText.clear();
    if (!earlier.empty()) {
      story.FText->AddText(earlier);
      story.FText->RevealAll();
    }
    story.ShowWindow(!earlier.empty());
    story.FWaitKey = false;
    story.FTimed = false;
    story.FCatchUpLine = fromPageStart ? line : 0;
    story.FState = kRunning;
  }
  why = "reloaded " + file + ": going on at line " + std::to_string(line);
  return true;
}

void ReloadPlayedChapter() {
  std::string why = "nothing to reload: the story is not being played";
  if (TStory* story = PlayedStory()) ReloadStory(*story, why);
  Log(why);
}

// ---- LiveReload --------------------------------------------------------------------

LiveReload::LiveReload(const std::string& scriptDir, StorySource story)
    : watch_(std::make_unique<FolderWatch>(scriptDir)), story_(std::move(story)) {
  if (!story_) story_ = PlayedStory;
}

LiveReload::~LiveReload() = default;

std::unique_ptr<LiveReload> LiveReload::StartIfDebugging(const std::string& gameDir) {
  const std::string dir = WithTrailingSlash(gameDir);
  if (!FileExists(dir + "save/debug") || !DirectoryExists(dir + "script/")) return nullptr;
  try {
    return std::make_unique<LiveReload>(dir + "script/");
  } catch (const Error& e) {
    Log(std::string("live reload is off: ") + e.what());
    return nullptr;
  }
}

void LiveReload::Poll() {
  if (!watch_->Changed()) return;
  TStory* story = story_();
  const Bytes played = story && story->FScript ? story->FScript->ScriptName : Bytes();
  bool reload = false;
  for (const std::string& file : watch_->Take()) {
    if (!IsScriptFile(file)) continue;
    const Bytes base = ScriptBaseName(FromUtf8(file));
    if (base == played) {
      reload = true;
    } else {
      // Taken at its next load, before the archive's copy.
      PreferLooseScript(base);
      Log("saved " + ToUtf8(base) + ".vxs: read at its next load");
    }
  }
  if (!reload) return;
  std::string why;
  ReloadStory(*story, why);
  Log(why);
}

}  // namespace vantel
