// Saving survives the process being killed at any moment: a child writes
// save slots, the backup and the settings in a loop, exactly as the story's
// save command does (the slot, then the settings), and is killed with
// SIGKILL at random moments. Afterwards every file in save/ is a complete
// version, no older than before the kill, that loads without a message, and
// the next-slot search never takes a temporary file for a save.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "data/FuncFile.h"
#include "platform/headless/HeadlessPlatform.h"
#include "script/StorySave.h"
#include "shell/ClassGlobal.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

const char* const kSlots[] = {"data0", "data1", "backup"};

// The record saved in round `v`: a real save record whose timer is the round
// and whose page text is long enough that writing it takes a while.
Bytes RecordOf(int32_t v) {
  SaveRecord r;
  r.progressKey = ProgressKey(1, v);
  r.dateTime = "26/12/08 01:32";
  for (Bytes& l : r.layers) l = "0,0,1,255,bg,background,true,true,true,false";
  r.box = "40,50,0,128,,box,true,false,false,false";
  r.text = "40,60,0,255,,tex,true,false,true,false";
  r.position = "a,12";
  r.music = "\"bgm01.wav\",0,false,true";
  r.effects = "\"\",0,false,false";
  r.boxColour = -1;
  for (int i = 0; i < 400; ++i) r.pageText += "\r\nline " + IntToStr(v * 1000 + i);
  r.timer = v;
  return JoinSaveRecord(r);
}

// Writes rounds from `first` on, forever, as the save command does.
[[noreturn]] void WriteForever(const std::string& saveDir, int32_t first) {
  Tglobal global;
  global.SaveDir = saveDir;
  for (int32_t v = first;; ++v) {
    global.MessageStep = v;
    global.Unlocked.Clear();
    global.Unlocked.Add("ev" + IntToStr(v));
    for (const char* slot : kSlots) {
      WritePackedFile(saveDir + slot, RecordOf(v));
      global.SaveSettings();
    }
  }
}

struct Versions {
  std::map<std::string, int32_t> of;  // file -> round; absent files are missing
  int32_t Max() const {
    int32_t m = 0;
    for (auto& [f, v] : of) m = std::max(m, v);
    return m;
  }
};

// Loads every file as the player would and returns its round; any damage
// or message fails the test.
Versions Check(const std::string& saveDir, HeadlessPlatform& platform) {
  Versions got;
  for (const char* slot : kSlots) {
    if (!FileExists(saveDir + slot)) continue;
    const Bytes text = ReadPackedFile(saveDir + slot);
    SaveRecord r;
    EXPECT_NO_THROW(r = ParseSaveRecord(text)) << slot;
    EXPECT_EQ(text, RecordOf(r.timer)) << slot << " is not a complete version";
    got.of[slot] = r.timer;
  }
  if (FileExists(saveDir + "inf.dat")) {
    Tglobal global;
    global.SaveDir = saveDir;
    global.LoadSettings();
    EXPECT_TRUE(platform.Messages().empty()) << ToUtf8(platform.Messages().front().text);
    got.of["inf.dat"] = global.MessageStep;
    // img.dat follows inf.dat; only the very first write may be cut between them.
    if (FileExists(saveDir + "img.dat") && global.Unlocked.Count() == 1) {
      EXPECT_EQ(global.Unlocked[0].substr(0, 2), "ev");
      got.of["img.dat"] = StrToIntDef(global.Unlocked[0].substr(2), -1);
    } else if (FileExists(saveDir + "img.dat")) {
      ADD_FAILURE() << "img.dat holds " << global.Unlocked.Count() << " lines";
    }
  }
  // The load dialog lists every file whose name begins with "data" (in any
  // case): each of them is a complete save. What a killed write leaves
  // behind is a hidden temporary file.
  for (const std::string& name : ListDirectory(saveDir)) {
    if (LowerCase(name).rfind("data", 0) == 0) {
      EXPECT_TRUE(name == "data0" || name == "data1") << name << " would be listed as a save";
      EXPECT_NO_THROW(ParseSaveRecord(ReadPackedFile(saveDir + name))) << name;
    } else if (name != "backup" && name != "inf.dat" && name != "img.dat") {
      EXPECT_EQ(name[0], '.') << name;
      EXPECT_NE(name.find(".tmp"), std::string::npos) << name;
    }
  }
  const Bytes free = FreeSlotName(saveDir);
  EXPECT_EQ(free, got.of.count("data0") ? got.of.count("data1") ? "data2" : "data1" : "data0");
  return got;
}

TEST(KillMidSave, EveryFileIsACompleteVersionAfterAnyKill) {
  testing::TempDir dir;
  const std::string saveDir = dir / "save/";
  MakeDirectories(saveDir);
  HeadlessPlatform platform;
  SetPlatform(&platform);
  std::mt19937 random(20261208);
  Versions before;
  int changed = 0;
  std::vector<pid_t> children;
  for (int kill = 0; kill < 200; ++kill) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    children.push_back(child);
    if (child == 0) WriteForever(saveDir, before.Max() + 1);
    ::usleep(std::uniform_int_distribution<int>(0, 12000)(random));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the writer ended by itself: " << status;
    const Versions after = Check(saveDir, platform);
    if (HasFailure()) {
      ADD_FAILURE() << "after kill " << kill;
      break;
    }
    for (auto& [file, v] : before.of) {
      ASSERT_TRUE(after.of.count(file)) << file << " vanished after kill " << kill;
      EXPECT_GE(after.of.at(file), v) << file << " went back after kill " << kill;
    }
    changed += after.of != before.of;
    before = after;
  }
  // Many kills fell after the writer had got somewhere, not only before it began.
  EXPECT_GT(changed, 20);

  // The next start clears what the killed writers left, and only that: a
  // temporary file of a running writer (this process) and names that merely
  // look alike stay.
  const std::vector<std::string> kept = {
      "." + std::string("data0.tmp") + std::to_string(::getpid()),
      ".data0.tmp0" + std::to_string(children.front()),
      ".data0.tmp12x",
      "data0.tmp" + std::to_string(children.front()),
      ".tmp" + std::to_string(children.front()),
      ".data0.tmp"};
  for (const std::string& name : kept) WriteFileAtomic(saveDir + name, "x");
  std::map<std::string, std::string> others;  // every file but the stale ones, as it is
  for (const std::string& name : ListDirectory(saveDir)) {
    bool stale = false;
    for (pid_t child : children)
      stale = stale || name == ".data0.tmp" + std::to_string(child) ||
              name == ".data1.tmp" + std::to_string(child) ||
              name == ".backup.tmp" + std::to_string(child) ||
              name == ".inf.dat.tmp" + std::to_string(child) ||
              name == ".img.dat.tmp" + std::to_string(child);
    if (!stale) others[name] = ReadWholeFile(saveDir + name).value_or("?");
  }
  const size_t stale = ListDirectory(saveDir).size() - others.size();
  EXPECT_GT(stale, 0u);  // some kills fell mid-write
  EXPECT_EQ(RemoveStaleTempFiles(saveDir), int(stale));
  std::map<std::string, std::string> after;
  for (const std::string& name : ListDirectory(saveDir))
    after[name] = ReadWholeFile(saveDir + name).value_or("?");
  EXPECT_EQ(after, others);
  SetPlatform(nullptr);
}

}  // namespace
}  // namespace vantel
