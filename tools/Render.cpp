// vxtool render: what a story shows, without sitting through it. Runs the
// player's real scenes on the headless platform (tools/Stage.h) and writes
// every K-th frame as OUTDIR/frame-NNNNNN.png, NNNNNN being the tick after
// which the frame stood on the screen: the same pixels the player shows.
//
// The reader's actions come from an input file, one per line:
//   TICK click [X Y]     left button pressed and released (default 400 300)
//   TICK key KEY         a key pressed and released: a Windows key code, a
//                        letter or digit, or enter, space, escape, up, down,
//                        left, right, pageup, pagedown
//   TICK shift down|up   Shift held from that tick on, or released
//   TICK wheel N         the wheel turned N notches (> 0 away from the reader)
// "#" starts a comment; actions of tick T reach the player just before its
// tick T (ticks count from 1).
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "base/Errors.h"
#include "base/Paths.h"
#include "script/ClassCodeBlue.h"
#include "tools/Stage.h"
#include "tools/VxTool.h"

namespace vantel::vxtool {
namespace {

struct Action {
  enum Kind { Click, Key, ShiftDown, ShiftUp, Wheel } kind;
  int a = 0, b = 0;
};

int KeyCode(std::string name) {
  static const std::map<std::string, int> kNames = {
      {"enter", 13}, {"return", 13}, {"space", 32}, {"escape", 27}, {"esc", 27},     {"up", 38},
      {"down", 40},  {"left", 37},   {"right", 39}, {"pageup", 33}, {"pagedown", 34}};
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (auto it = kNames.find(name); it != kNames.end()) return it->second;
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return std::toupper(static_cast<unsigned char>(name[0]));
  char* end = nullptr;
  const long code = std::strtol(name.c_str(), &end, 10);
  if (!name.empty() && *end == '\0' && code > 0 && code < 256) return static_cast<int>(code);
  return -1;
}

// The input file's actions by tick; DataError "file:line: ..." for a line it cannot read.
std::multimap<int64_t, Action> ReadInput(const std::string& path) {
  auto text = ReadWholeFile(path);
  if (!text) throw FileError("cannot read the input file " + path);
  std::multimap<int64_t, Action> out;
  std::istringstream lines(*text);
  std::string line;
  for (int n = 1; std::getline(lines, line); ++n) {
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    int64_t tick;
    std::string verb;
    if (!(words >> tick)) {
      std::string rest;
      if (std::istringstream(line) >> rest)
        throw DataError(path + ":" + std::to_string(n) + ": a line starts with its tick number");
      continue;
    }
    auto bad = [&](const std::string& why) {
      return DataError(path + ":" + std::to_string(n) + ": " + why);
    };
    if (tick < 1) throw bad("ticks count from 1");
    if (!(words >> verb)) throw bad("no action after the tick");
    Action a{Action::Click};
    if (verb == "click") {
      a.a = 400, a.b = 300;
      if (words >> a.a && !(words >> a.b)) throw bad("click takes X and Y, or nothing");
    } else if (verb == "key") {
      std::string key;
      if (!(words >> key) || (a.a = KeyCode(key)) < 0) throw bad("key needs a key: " + key);
      a.kind = Action::Key;
    } else if (verb == "shift") {
      std::string how;
      words >> how;
      if (how != "down" && how != "up") throw bad("shift is followed by down or up");
      a.kind = how == "down" ? Action::ShiftDown : Action::ShiftUp;
    } else if (verb == "wheel") {
      if (!(words >> a.a)) throw bad("wheel needs a number of notches");
      a.kind = Action::Wheel;
    } else {
      throw bad("unknown action " + verb + " (click, key, shift, wheel)");
    }
    out.emplace(tick, a);
  }
  return out;
}

void Deliver(Stage& stage, const Action& a, bool& shift) {
  HeadlessPlatform& p = stage.Platform();
  InputEvent e;
  e.shift = shift ? uint32_t{kShift} : 0u;
  switch (a.kind) {
    case Action::Click:
      e.x = a.a, e.y = a.b;
      e.kind = InputEvent::Kind::MouseMove;
      p.PushEvent(e);
      e.kind = InputEvent::Kind::MouseDown;
      p.PushEvent(e);
      e.kind = InputEvent::Kind::MouseUp;
      p.PushEvent(e);
      break;
    case Action::Key:
      e.key = a.a;
      e.kind = InputEvent::Kind::KeyDown;
      p.PushEvent(e);
      e.kind = InputEvent::Kind::KeyUp;
      p.PushEvent(e);
      break;
    case Action::ShiftDown:
    case Action::ShiftUp:
      shift = a.kind == Action::ShiftDown;
      p.SetShiftDown(shift);
      break;
    case Action::Wheel:
      e.kind = InputEvent::Kind::Wheel;
      e.wheel = a.a;
      p.PushEvent(e);
      break;
  }
}

constexpr const char* kUsage =
    "GAME OUTDIR [--from SCRIPT[#LABEL]] [--ticks N] [--every K] [--input FILE] [--skip]\n"
    "      plays GAME (a game folder: archives or loose script/ image/ sound/) on the\n"
    "      headless player for N ticks of 50 ms (default 200) and writes every K-th frame\n"
    "      (default 1) as OUTDIR/frame-NNNNNN.png. --from starts the story in SCRIPT (at a\n"
    "      marker LABEL) instead of at the logo; --input replays the reader's actions\n"
    "      (README: Tools for authors); --skip holds Shift throughout.";

int Render(const Args& args) {
  std::string game, outDir, from, input;
  int64_t ticks = 200, every = 1;
  bool skip = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--from" && hasValue) {
      from = args[++i];
    } else if (a == "--input" && hasValue) {
      input = args[++i];
    } else if (a == "--ticks" && hasValue) {
      if (!ParseCount(args[++i], ticks)) return Fail("--ticks needs a count of at least 1");
    } else if (a == "--every" && hasValue) {
      if (!ParseCount(args[++i], every)) return Fail("--every needs a count of at least 1");
    } else if (a == "--skip") {
      skip = true;
    } else if (a.rfind("--", 0) != 0 && game.empty()) {
      game = a;
    } else if (a.rfind("--", 0) != 0 && outDir.empty()) {
      outDir = a;
    } else {
      return Fail(std::string("usage: vxtool render ") + kUsage);
    }
  }
  if (game.empty() || outDir.empty()) return Fail(std::string("usage: vxtool render ") + kUsage);
  const auto actions = input.empty() ? std::multimap<int64_t, Action>{} : ReadInput(input);
  // The stage changes into its temporary game folder: a relative OUTDIR
  // means the folder the author gave it in, never one inside the game.
  const std::string dir = WithTrailingSlash(std::filesystem::absolute(outDir).string());
  if (!MakeDirectories(dir)) return Fail("cannot create " + outDir);

  Stage stage(game);
  if (!from.empty()) {
    const JumpTarget target = SplitHref(FromUtf8(from));
    if (const std::string error = stage.StartAt(target.file, target.label); !error.empty())
      return Fail(error);
  }
  bool shift = skip;
  stage.Platform().SetShiftDown(shift);
  int written = 0;
  for (int64_t t = 1; t <= ticks && !stage.Closed(); ++t) {
    auto [first, last] = actions.equal_range(t);
    for (auto it = first; it != last; ++it) Deliver(stage, it->second, shift);
    stage.Tick();
    if (t % every == 0) {
      char name[32];
      std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(t));
      stage.Platform().DumpFrame(dir + name);
      ++written;
    }
  }
  std::printf("%d frame%s written to %s\n", written, written == 1 ? "" : "s", dir.c_str());
  return 0;
}

VxCommand reg("render", kUsage, Render);

}  // namespace
}  // namespace vantel::vxtool
