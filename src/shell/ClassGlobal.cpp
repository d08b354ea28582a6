#include "shell/ClassGlobal.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define VANTEL_HAVE_TSC 1
#endif

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/FuncFile.h"
#include "script/BoundedLog.h"
#include "shell/ReaderNotice.h"
#include "shell/ShellGraphicsHost.h"

namespace vantel {

Tglobal* Global = nullptr;
bool DebugMode = false;
TArchive* ScriptArchive = nullptr;
TArchive* ImageArchive = nullptr;
TArchive* SoundArchive = nullptr;
// Pictures and text speed reach these through the graphics host.
[[maybe_unused]] const bool kGraphicsHostInstalled = InstallShellGraphicsHost();

void FreeArchives() {
  delete ScriptArchive;
  ScriptArchive = nullptr;
  delete ImageArchive;
  ImageArchive = nullptr;
  delete SoundArchive;
  SoundArchive = nullptr;
}

namespace {

// The settings, the unlock record and the text box layout are a few hundred
// bytes to a few kilobytes; a text past this size is damage (a small packed
// file can unpack into 16 MB of line breaks that would take seconds and a
// gigabyte to turn into lines, and could never be written back).
constexpr size_t kSettingsTextLimit = 512 << 10;

// Loads a packed list file. One that does not unpack is renamed aside to
// NAME.damaged (replacing an older one) and recorded in `damaged` (as is one
// that cannot be read at all), and the list is left empty: the defaults then
// apply and the reader's next save writes a sound file, while the damaged
// one stays for inspection.
void LoadOrSetAside(TSlist& list, const std::string& path, std::vector<std::string>& damaged) {
  try {
    list.LoadFromPackedFile(path, kSettingsTextLimit);
  } catch (const FileError& e) {  // there but unreadable: nothing to set aside
    LogDetail(e.what());
    list.Clear();
    damaged.push_back(std::filesystem::path(path).filename().string());
  } catch (const Error& e) {
    // Damaged, far too long, or no regular file at all (a FIFO, a link to a
    // device): renamed aside, whatever it is, so the next save writes a file.
    LogDetail(e.what());
    list.Clear();
    const std::string actual = FindPath(path).value_or(path);
    const std::string aside = actual + ".damaged";
    std::rename(actual.c_str(), aside.c_str());
    damaged.push_back(std::filesystem::path(aside).filename().string());
  }
}

}  // namespace

Tglobal::Tglobal(const std::string& exeDir, const std::string& secondDataDir,
                 int (*estimateClock)())
    : ExeDir(WithTrailingSlash(exeDir)), created_(true) {
  DebugMode = true;
  ClockMHz = (estimateClock ? estimateClock : EstimateClock)() / 10 * 10;
  FindSaveDir();
  // What writers killed mid-save left behind (the saves themselves are whole).
  if (!SaveDir.empty()) RemoveStaleTempFiles(SaveDir);

  DataFound = true;
  ScriptPath = ExeDir + "script.chs";
  if (!FileExists(ScriptPath)) DataFound = false;
  // The second data directory is used exactly as given: it must end with a
  // separator, and when it is empty the names are relative to the working directory.
  SoundPath = ExeDir + "sound.pk2";
  if (!FileExists(SoundPath)) {
    SoundPath = secondDataDir + "sound.pk2";
    if (!FileExists(SoundPath)) DataFound = false;
  }
  ImagePath = ExeDir + "image.pk2";
  if (!FileExists(ImagePath)) {
    ImagePath = secondDataDir + "image.pk2";
    if (!FileExists(ImagePath)) DataFound = false;
  }

  if (ExitStatus == 0) {
    if (DataFound || FileExists(ExeDir + "save/debug")) {
      QuitRequested = false;
    } else {
      GetPlatform().ShowMessage(
          Sjis("データファイルがありません。簡易インストールの場合はＣＤを挿入してください。"), "",
          MessageKind::Plain, false, CodePage::CP932);
      QuitRequested = true;
    }
  }
  OpenArchives();
}

Tglobal::~Tglobal() {
  if (!created_) return;
  try {
    SaveSettings();
  } catch (...) {  // nothing may escape the teardown
  }
}

void Tglobal::ShowNotice(const Bytes& gbkText) {
  TellReader(gbkText);
}

void Tglobal::FindSaveDir() {
  const std::string local = ExeDir + "save";
  if (DirectoryExists(local) || MakeDirectories(local)) {
    SaveDir = FindPath(local).value_or(local) + "/";
    return;
  }
  // The game directory is not writable: the saves go to the user's data
  // directory, one folder per game directory name.
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0]) {
    base = std::string(home) + "/.local/share";
  }
  std::string game =
      std::filesystem::absolute(ExeDir.empty() ? "." : ExeDir).lexically_normal().string();
  while (game.size() > 1 && game.back() == '/') game.pop_back();
  game = std::filesystem::path(game).filename().string();
  if (game.empty()) game = "game";
  const std::string moved = base + "/vantel/" + game + "/save";
  const bool existed = !base.empty() && DirectoryExists(moved);
  if (!base.empty() && (existed || MakeDirectories(moved))) {
    SaveDir = moved + "/";
    if (!existed)  // told once: the first time the folder is made
      ShowNotice(Gbk("无法在游戏目录中创建存档文件夹，存档和设置将保存在：\n") +
                 FromUtf8(moved, CodePage::GBK));
    return;
  }
  ShowNotice(Gbk("无法创建存档文件夹：\n") + FromUtf8(local, CodePage::GBK) +
             Gbk("\n程序将退出。"));
  SaveDir.clear();
  ExitStatus = 1;
  QuitRequested = true;
}

void Tglobal::OpenArchives() {
  FreeArchives();
  Bytes incomplete;  // one line per archive whose file lacks entries it lists
  auto open = [&](const std::string& path, TArchive::Contents contents, const char* looseDir) {
    TArchive* archive;
    try {
      archive = new TArchive(path, contents);
      if (archive->MissingEntries() > 0)
        incomplete += "\n" + FromUtf8(path, CodePage::GBK) + Gbk("：缺少 ") +
                      IntToStr(archive->MissingEntries()) + Gbk(" 项");
    } catch (const Error& e) {
      // A damaged archive counts as missing data.
      LogDetail(e.what());
      ShowNotice(Gbk("数据文件已损坏：\n") + FromUtf8(path, CodePage::GBK));
      DataFound = false;
      if (!FileExists(ExeDir + "save/debug")) QuitRequested = true;
      archive = new TArchive("");
    }
    // Loose files are looked for relative to the working directory.
    archive->SetLooseDir(looseDir);
    return archive;
  };
  ScriptArchive = open(ScriptPath, TArchive::Contents::PackedText, "script/");
  ImageArchive = open(ImagePath, TArchive::Contents::Files, "image/");
  SoundArchive = open(SoundPath, TArchive::Contents::Files, "sound/");
  // A file cut short (an interrupted copy) still plays with what it holds,
  // but the reader learns why pictures or sounds are missing.
  if (!incomplete.empty())
    ShowNotice(Gbk("数据文件不完整，其中列出的部分内容不在文件里：") + incomplete +
               Gbk("\n游戏将使用现有的内容继续。"));
}

void Tglobal::LoadSettings() {
  std::vector<std::string> damaged;
  TSlist list;
  if (!SaveDir.empty()) LoadOrSetAside(list, SaveDir + "inf.dat", damaged);

  MessageStep = list.ReadInteger("", "MessageStep", 50);
  WindowLeft = list.ReadInteger("", "LEFT", 0);
  WindowTop = list.ReadInteger("", "TOP", 0);
  AutoSkip = list.ReadBool("", "AutoSkip", false);
  FullScreen = list.ReadBool("", "FullScreen", true);
  AutoScreen = list.ReadBool("", "AutoScreen", true);
  BackGround = list.ReadBool("", "BackGround", false);
  Clear = list.ReadBool("", "Clear", false);
  Volume1 = list.ReadInteger("", "Volume1", 80);
  Volume2 = list.ReadInteger("", "Volume2", 80);
  if (Volume1 >= 256) Volume1 = 255;
  if (Volume2 >= 256) Volume2 = 255;
  // Any speed above 0 is kept as written (and written back so); the text
  // layer holds it to its own range where it uses it.
  if (MessageStep <= 0) MessageStep = 1;

  Bytes layout;
  try {
    if (ScriptArchive && ScriptArchive->IndexOf("textbox.ini") >= 0)
      layout = ScriptArchive->ReadText("textbox.ini", kSettingsTextLimit);
    else
      layout = ReadPackedFile(ExeDir + "save/TextBox.ini", kSettingsTextLimit);
  } catch (const Error&) {
    damaged.push_back("TextBox.ini");  // the author's file: left where it is
    layout.clear();
  }
  list.SetText(layout);
  for (int n = 0; n < 8; ++n) {
    const Bytes section = "BOX" + IntToStr(n);
    BoxLeft[n] = StrToIntDef(list.ReadString(section, "BoxLeft", "0"), 0);
    BoxTop[n] = StrToIntDef(list.ReadString(section, "BoxTop", "0"), 0);
    BoxWidth[n] = StrToIntDef(list.ReadString(section, "BoxWidth", "100"), 0);
    BoxHeight[n] = StrToIntDef(list.ReadString(section, "BoxHeight", "100"), 0);
    // Boxes are kept to what the 800 x 600 picture can show: no edge further
    // than a screen outside it, no box reaching past the screen by more than
    // its margins (10 pixels of text margin at the sides, 10 above and below
    // the text), no size below 0. Every box then costs a few megabytes at
    // most, and the story's left + 10, width - 20, height + 20 stay in range.
    BoxLeft[n] = std::clamp(BoxLeft[n], -800, 800);
    BoxTop[n] = std::clamp(BoxTop[n], -600, 600);
    BoxWidth[n] = std::clamp(BoxWidth[n], 0, 820 - BoxLeft[n]);
    BoxHeight[n] = std::clamp(BoxHeight[n], 0, 620 - BoxTop[n]);
  }

  if (!SaveDir.empty() && FileExists(SaveDir + "img.dat"))
    LoadOrSetAside(Unlocked, SaveDir + "img.dat", damaged);

  if (!damaged.empty()) {
    Bytes names;
    for (const auto& d : damaged) names += "\n" + FromUtf8(d, CodePage::GBK);
    ShowNotice(Gbk("以下文件已损坏或无法读取（损坏的文件已改名保留），现使用默认值：") + names);
  }
}

bool Tglobal::SaveSettings() {
  if (SaveDir.empty()) return false;  // no save directory: nothing can be kept
  std::vector<std::string> damaged;
  TSlist list;
  LoadOrSetAside(list, SaveDir + "inf.dat", damaged);
  list.WriteInteger("", "LEFT", WindowLeft);
  list.WriteInteger("", "TOP", WindowTop);
  list.WriteInteger("", "MessageStep", MessageStep);
  list.WriteBool("", "AutoSkip", AutoSkip);
  list.WriteBool("", "FullScreen", FullScreen);
  list.WriteBool("", "AutoScreen", AutoScreen);
  list.WriteBool("", "BackGround", BackGround);
  list.WriteBool("", "Clear", Clear);
  list.WriteInteger("", "Volume1", Volume1);
  list.WriteInteger("", "Volume2", Volume2);
  try {
    list.SaveToPackedFile(SaveDir + "inf.dat");
    Unlocked.SaveToPackedFile(SaveDir + "img.dat");
  } catch (const Error& e) {
    LogDetail(e.what());
    ShowNotice(Gbk("无法保存设置。"));
    return false;
  }
  return true;
}

void Tglobal::SetActive(bool v) {
  if (!Active && v) NextTick = static_cast<int32_t>(GetPlatform().TickCount() + 50);
  Active = v;
  if (QuitRequested) Active = false;
}

void Tglobal::AppendLog(const Bytes& line) {
  std::lock_guard<std::mutex> lock(PendingLogLock);
  // Nothing may drain the log for a long time (no debugger attached) while a
  // looping script adds to it on every round.
  AddLogLine(PendingLog, line);
}

void Tglobal::UpdateDebugInfo() {
  if (!DebugMode || !DebugAttached || !MessageBox) return;
  TSlist pending;
  {
    std::lock_guard<std::mutex> lock(PendingLogLock);
    std::swap(pending, PendingLog);
  }
  for (int i = 0; i < pending.Count(); ++i) MessageBox->AppendLine(pending[i]);
  if (MessageBox->LineCount() > 100)
    for (int i = 0; i < 51; ++i) MessageBox->DeleteFirstLine();
  // LineNo is already the 1-based source line; 0 (nothing run yet) shows 1.
  if (ScriptLabel)
    ScriptLabel->SetCaption("Script/" + ScriptName + "   " + IntToStr(std::max(LineNo, int32_t{1})) +
                            Sjis("行"));
  if (CodeLabel && CodeText.size() < 100) CodeLabel->SetCaption("Code/" + CodeText);
  if (DebugWindow) DebugWindow->Repaint();
}

// ---- Clock, display modes and monitors -------------------------------------

int EstimateClock() {
  using Clock = std::chrono::steady_clock;
  auto ticks = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
  };
#ifdef VANTEL_HAVE_TSC
  const auto t0 = ticks();
  while (ticks() == t0) {
  }
  const auto q1 = Clock::now();
  const uint64_t c1 = __rdtsc();
  while (ticks() < t0 + 50) {
  }
  const uint64_t c2 = __rdtsc();
  const auto q2 = Clock::now();
  // Cycles per microsecond are megahertz.
  const double us = std::chrono::duration<double, std::micro>(q2 - q1).count();
  if (us > 0) return static_cast<int>(std::lround(static_cast<double>(c2 - c1) / us));
  return static_cast<int>((c2 - c1) / 100000);
#else
  (void)ticks;
  return 0;  // no time-stamp counter: the clock is unknown
#endif
}

bool PointOnMonitor(int x, int y) {
  // The platform's test leaves out the bottom edge; a point on it counts
  // here because the point above it does.
  Platform& p = GetPlatform();
  return p.PointOnMonitor(x, y) || (y > INT_MIN && p.PointOnMonitor(x, y - 1));
}

DisplayMode ReadDisplayMode(int monitor) {
  DisplayMode mode{0, 0, 0, 0};
  if (monitor != 0) return mode;
  if (!GetPlatform().ReadDisplayMode(mode)) return DisplayMode{0, 0, 0, 0};
  return mode;
}

void SwitchDisplayMode(int monitor) {
  if (monitor != 0) return;
  Platform& p = GetPlatform();
  DisplayMode mode;
  p.ReadDisplayMode(mode);
  mode.width = 800;
  mode.height = 600;
  mode.frequency = 0;  // not requested: any refresh rate
  for (int bits : {24, 32, 16}) {
    mode.bitsPerPixel = bits;
    if (p.TestDisplayMode(mode)) {
      p.ApplyDisplayMode(mode);
      return;
    }
  }
}

void RestoreDisplayMode() {
  GetPlatform().RestoreDisplayMode();
}

}  // namespace vantel
