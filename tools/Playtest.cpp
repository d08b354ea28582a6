// vxtool playtest: an automated play-through a game's own CI can run. Plays
// the game on the headless player (tools/Stage.h) from the title's start
// (or --from a script) to the credits with Shift held, so every text wait,
// page and wipe is passed, and reports every problem as "script:line:
// message": script errors, pictures that fail to load, sound warnings, and,
// from the checker the lint command uses, pictures and sounds the data lacks
// and jumps that go nowhere. Then the pages (text waits) and ticks each
// chapter took, and the process's peak memory. Exit status 1 on any problem.
//
// --repeat N plays N times in one process and reports how much the resident
// memory grew after the first play (a soak: a leak shows as growth).
#include <cstdio>
#include <fstream>
#include <set>
#include <vector>

#include "base/Paths.h"
#include "script/ClassCodeBlue.h"
#include "script/Class_Story.h"
#include "script/ScriptLint.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "tools/Stage.h"
#include "tools/VxTool.h"

namespace vantel::vxtool {
namespace {

constexpr int32_t kTextWait = 1, kRunning = 0, kEnded = 11;  // the story's FState values

struct Chapter {
  Bytes script;
  int64_t pages = 0, ticks = 0;
};

struct Play {
  std::vector<std::string> problems;  // in the order found
  std::vector<Chapter> chapters;      // in the order first reached
  int64_t ticks = 0;
  bool credits = false;
};

// "name.vxs:line: " for where the story is now.
std::string Where(Stage& stage) {
  TStory* story = stage.Story();
  if (!story || !story->FScript)
    return "(" + std::string(stage.SceneNo() ? "scene" : "start") + ") ";
  return Utf8(story->FScript->ScriptName) + ".vxs:" + std::to_string(story->FScript->CurrentLine) +
         ": ";
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

// A script error line: "<line><message>" as the interpreter logs it.
bool SplitErrorLine(const Bytes& line, std::string& number, Bytes& message) {
  size_t i = 0;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  if (i == 0 || i == line.size()) return false;
  number = line.substr(0, i);
  message = line.substr(i);
  return true;
}

Play PlayOnce(const std::string& game, const std::string& from, int64_t limit) {
  Play play;
  Stage stage(game);
  auto problem = [&](std::string text) { play.problems.push_back(OneLine(std::move(text))); };
  stage.Platform().OnMessage = [&](const Bytes& text, CodePage cp) {
    problem(Where(stage) + ToUtf8(text, cp));
  };
  stage.Platform().SetShiftDown(true);
  if (!from.empty()) {
    const JumpTarget target = SplitHref(FromUtf8(from));
    if (std::string error = stage.StartAt(target.file, target.label); !error.empty()) {
      problem("--from: " + error);
      return play;
    }
  } else {
    // The logo runs its course; then the title's start button is pressed.
    while (stage.SceneNo() != kSceneTitle && stage.Ticks() < 2000 && !stage.Closed()) stage.Tick();
    if (stage.SceneNo() != kSceneTitle) {
      problem("(start) the title never appeared");
      return play;
    }
    Global->NextScene = kSceneStory;
  }

  bool wasWaiting = false, storySeen = false;
  int32_t lastScene = 0;
  while (!stage.Closed() && stage.Ticks() < limit) {
    stage.Tick();
    for (const Bytes& line : stage.TakeLog()) {
      std::string number;
      Bytes message;
      TStory* story = stage.Story();
      if (story && SplitErrorLine(line, number, message))
        problem(Utf8(story->FScript->ScriptName) + ".vxs:" + number + ": " + Utf8(message));
      else
        problem(Where(stage) + Utf8(line));
    }
    const int32_t scene = stage.SceneNo();
    if (scene == kSceneCredits) {
      play.credits = true;
      break;
    }
    TStory* story = stage.Story();
    if (!story) {
      if (storySeen && scene != lastScene) {
        problem("the story left for scene " + std::to_string(scene) + " before the credits");
        break;
      }
      lastScene = scene;
      continue;
    }
    storySeen = true;
    lastScene = scene;
    const Bytes& name = story->FScript->ScriptName;
    // A chapter reached again counts on in its first entry.
    size_t at = 0;
    while (at < play.chapters.size() && play.chapters[at].script != name) ++at;
    if (at == play.chapters.size()) play.chapters.push_back({name});
    Chapter& chapter = play.chapters[at];
    ++chapter.ticks;
    const bool waiting = story->FState == kTextWait;
    if (waiting && !wasWaiting) ++chapter.pages;
    wasWaiting = waiting;
    if (Global->NextScene == kSceneCredits) continue;  // <scroll>: the credits come next tick
    if (story->FState == kEnded) {
      problem(Where(stage) + "the story ends here without reaching the credits");
      break;
    }
    if (story->FState == kRunning && story->FScript->Position >= story->FScript->Count()) {
      problem(Where(stage) + "the script runs out here without reaching the credits");
      break;
    }
  }
  play.ticks = stage.Ticks();
  if (!play.credits && stage.Ticks() >= limit)
    problem(Where(stage) + "the credits were not reached within " + std::to_string(limit) +
            " ticks");
  return play;
}

// What the checker finds that a play-through cannot see for sure: pictures
// and sounds the data lacks, jumps to scripts or labels that do not exist.
std::vector<std::string> StaticProblems(const std::string& game) {
  ScriptLint lint;
  AddScriptsFrom(lint, game);
  const std::string base = WithTrailingSlash(game);
  ResourceShelf images(base + "image.pk2", base + "image/"),
      sounds(base + "sound.pk2", base + "sound/");
  if (images.Usable()) lint.Images = &images;
  if (sounds.Usable()) lint.Sounds = &sounds;
  std::vector<std::string> out;
  lint.Run([&out](std::vector<LintFinding>& findings) {
    for (const LintFinding& f : findings) {
      const std::string& m = f.message;
      if (m.rfind("no picture ", 0) == 0 || m.rfind("no sound ", 0) == 0 ||
          m.rfind("jump to the script ", 0) == 0 || m.rfind("no label ", 0) == 0 ||
          m.find("can never match") != std::string::npos)
        out.push_back(FormatFinding(f));
    }
  });
  return out;
}

// A field of /proc/self/status in kB (VmHWM: peak resident, VmRSS: resident now).
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string key;
  long kb = -1;
  while (status >> key) {
    if (key == std::string(field) + ":") {
      status >> kb;
      return kb;
    }
    status.ignore(4096, '\n');
  }
  return kb;
}

constexpr const char* kUsage =
    "GAME [--from SCRIPT[#LABEL]] [--repeat N] [--ticks LIMIT]\n"
    "      plays GAME (a game folder: archives or loose script/ image/ sound/) on the\n"
    "      headless player from the title's start (or SCRIPT) to the credits with Shift\n"
    "      held, and lists every problem as script:line: message, then the pages and ticks\n"
    "      of each chapter and the peak memory. --repeat plays N times and reports the\n"
    "      memory growth after the first play; --ticks gives up after LIMIT ticks (default\n"
    "      200000). Exit status 1 on any problem.";

int Playtest(const Args& args) {
  std::string game, from;
  int64_t repeat = 1, limit = 200000;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--from" && hasValue) {
      from = args[++i];
    } else if (a == "--repeat" && hasValue) {
      if (!ParseCount(args[++i], repeat)) return Fail("--repeat needs a count of at least 1");
    } else if (a == "--ticks" && hasValue) {
      if (!ParseCount(args[++i], limit)) return Fail("--ticks needs a count of at least 1");
    } else if (a.rfind("--", 0) != 0 && game.empty()) {
      game = a;
    } else {
      return Fail(std::string("usage: vxtool playtest ") + kUsage);
    }
  }
  if (game.empty()) return Fail(std::string("usage: vxtool playtest ") + kUsage);
  if (!DirectoryExists(game)) return Fail("no game folder " + game);

  std::set<std::string> reported;
  size_t problems = 0;
  auto report = [&](const std::string& line) {
    if (reported.insert(line).second) {
      std::printf("%s\n", line.c_str());
      ++problems;
    }
  };
  for (const std::string& line : StaticProblems(game)) report(line);
  long rssAfterFirst = 0;
  for (int64_t run = 1; run <= repeat; ++run) {
    const Play play = PlayOnce(game, from, limit);
    for (const std::string& line : play.problems) report(line);
    if (run == 1) {
      std::fprintf(stderr, "vxtool playtest: %s in %lld ticks\n",
                   play.credits ? "reached the credits" : "did not reach the credits",
                   static_cast<long long>(play.ticks));
      for (const Chapter& c : play.chapters)
        std::fprintf(stderr, "  %s.vxs: %lld pages, %lld ticks\n", Utf8(c.script).c_str(),
                     static_cast<long long>(c.pages), static_cast<long long>(c.ticks));
      rssAfterFirst = StatusKb("VmRSS");
    }
  }
  std::fprintf(stderr, "vxtool playtest: peak memory %ld kB\n", StatusKb("VmHWM"));
  if (repeat > 1)
    std::fprintf(stderr, "vxtool playtest: memory grew by %ld kB over %lld more plays\n",
                 StatusKb("VmRSS") - rssAfterFirst, static_cast<long long>(repeat - 1));
  std::fprintf(stderr, "vxtool playtest: %zu problem%s\n", problems, problems == 1 ? "" : "s");
  return problems == 0 ? 0 : 1;
}

VxCommand reg("playtest", kUsage, Playtest);

}  // namespace
}  // namespace vantel::vxtool
