#include "shell/ReaderAdditions.h"

#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <utility>

#include "base/Errors.h"
#include "base/Paths.h"
#include "base/PngWrite.h"
#include "data/ClassSList.h"
#include "graphics/ClassFlat.h"
#include "platform/Platform.h"
#include "script/PageText.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "shell/ReaderNotice.h"
#include "shell/SaveThumbs.h"
#include "shell/UnitVantel.h"

namespace vantel {

ReaderAdditions* Reader = nullptr;

namespace {

constexpr const char* kSection = "Reader";
constexpr size_t kSettingsLimit = 64 << 10;


// The value of XDG_PICTURES_DIR in the user's user-dirs.dirs ("$HOME/..."), or empty.
std::string PicturesFromUserDirs(const std::string& home) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string file =
      (config && *config ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
  const auto text = ReadWholeFile(file);
  if (!text || text->size() > 65536) return {};
  std::string found;
  ForEachLine(*text, [&](std::string_view line) {
    constexpr std::string_view key = "XDG_PICTURES_DIR=\"";
    if (line.substr(0, key.size()) != key || line.back() != '"') return;
    std::string value(line.substr(key.size(), line.size() - key.size() - 1));
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value[0] == '/') found = value;
  });
  return found;
}

}  // namespace

std::string ScreenshotFolder() {
  const char* env = std::getenv("XDG_PICTURES_DIR");
  const char* homeEnv = std::getenv("HOME");
  const std::string home = homeEnv && *homeEnv ? homeEnv : "/tmp";
  std::string dir = env && *env == '/' ? std::string(env) : PicturesFromUserDirs(home);
  if (dir.empty()) dir = home + "/Pictures";
  return WithTrailingSlash(dir) + "Vantel/";
}

std::string LatestSave(const std::string& saveDir) {
  namespace fs = std::filesystem;
  std::string latest;
  fs::file_time_type when{};
  for (const std::string& name : ListDirectory(saveDir)) {
    if (LowerCase(name.substr(0, 4)) != "data" || !FileExists(saveDir + name)) continue;
    std::error_code ec;
    const fs::file_time_type t = fs::last_write_time(saveDir + name, ec);
    if (ec) continue;
    if (latest.empty() || t > when) latest = name, when = t;
  }
  return latest;
}

ReaderAdditions::ReaderAdditions(std::string saveDir, std::string gameName)
    : saveDir_(std::move(saveDir)), gameName_(std::move(gameName)) {
  if (saveDir_.empty()) return;
  TSlist ini;
  if (const auto text = ReadWholeFile(saveDir_ + "vantel.ini"); text && text->size() < kSettingsLimit)
    ini.SetText(*text);
  voice_ = ini.ReadBool(kSection, "SelfVoicing", false);
  clipboard_ = ini.ReadBool(kSection, "Clipboard", false);
  if (voice_) GetPlatform().SetSelfVoicing(true);
  const std::string aside = marks_.Load(saveDir_ + "read.dat");
  if (!aside.empty())
    TellReader(Gbk("已读记录已损坏，无法使用。已另存为 ") + GbkName(aside) + Gbk("。"));
}

ReaderAdditions::~ReaderAdditions() {
  FlushMarks(true);
  if (Reader == this) Reader = nullptr;
}

void ReaderAdditions::SaveSettings() {
  if (saveDir_.empty()) return;
  // Other sections of the file (later additions) are kept as they are; this
  // one is written anew at the end.
  Bytes text;
  bool ours = false;
  if (const auto old = ReadWholeFile(saveDir_ + "vantel.ini"); old && old->size() < kSettingsLimit)
    ForEachLine(*old, [&](std::string_view line) {
      if (!line.empty() && line[0] == '[') ours = LowerCase(line) == "[reader]";
      if (!ours) text += Bytes(line) + "\n";
    });
  text += "[Reader]\n";
  text += std::string("SelfVoicing=") + (voice_ ? "true" : "false") + "\n";
  text += std::string("Clipboard=") + (clipboard_ ? "true" : "false") + "\n";
  try {
    WriteFileAtomic(saveDir_ + "vantel.ini", text);
  } catch (const Error& e) {
    Notice(Gbk("无法保存设置：") + GbkName(saveDir_ + "vantel.ini"), 3000);
    LogDetail(e.what());
  }
}

void ReaderAdditions::FlushMarks(bool force) {
  if (!marks_.Dirty()) return;
  try {
    marks_.Flush(GetPlatform().TickCount(), force);
  } catch (const Error& e) {
    // Said once in the log; the marks stay in memory and are tried again.
    if (!marksFailed_) LogDetail(e.what());
    marksFailed_ = true;
  }
}

void ReaderAdditions::PageShown(std::string_view page) {
  if (!voice_ && !clipboard_) return;
  Platform& platform = GetPlatform();
  if (clipboard_) {
    const Bytes text = PlainText(page);
    if (!text.empty()) platform.SetClipboardText(text, CodePage::CP932);
  }
  // Pages that go by in a skip are not read out: each would cut off the last.
  if (voice_ && !skip_ && !platform.ShiftKeyDown()) {
    const Bytes text = SpokenText(page);
    if (!text.empty() && !platform.Speak(text, CodePage::CP932)) {
      voice_ = false;
      platform.SetSelfVoicing(false);
      if (!noSpeech_) Notice(Gbk("没有可用的语音服务，无法自动朗读。"), 3000);
      noSpeech_ = true;
    }
  }
}

bool ReaderAdditions::Skipping() {
  return skip_ || GetPlatform().SkipReadHeld();
}

bool ReaderAdditions::SkipsPage(const Bytes& script, int32_t position) {
  if (!Skipping()) return false;
  if (marks_.IsRead(script, position)) return true;
  skip_ = false;  // the first page not yet read: the reader reads it
  return false;
}

void ReaderAdditions::PageRead(const Bytes& script, int32_t position) {
  if (marks_.Mark(script, position)) FlushMarks(false);
}

void ReaderAdditions::ToggleSkip() {
  skip_ = !skip_;
  Notice(Gbk(skip_ ? "跳过已读文字 开" : "跳过已读文字 关"), 1000);
}

void ReaderAdditions::StopSkip() {
  skip_ = false;
}

void ReaderAdditions::ToggleSelfVoicing() {
  if (noSpeech_) return;  // told once; the key does nothing more
  Platform& platform = GetPlatform();
  const bool on = !voice_;
  if (!platform.Speak(Gbk(on ? "自动朗读 开" : "自动朗读 关"), CodePage::GBK)) {
    noSpeech_ = true;
    voice_ = false;
    platform.SetSelfVoicing(false);
    Notice(Gbk("没有可用的语音服务，无法自动朗读。"), 3000);
    return;
  }
  voice_ = on;
  platform.SetSelfVoicing(on);
  SaveSettings();
}

void ReaderAdditions::ToggleClipboard() {
  clipboard_ = !clipboard_;
  Notice(Gbk(clipboard_ ? "文字复制到剪贴板 开" : "文字复制到剪贴板 关"), 1500);
  SaveSettings();
}

void ReaderAdditions::Screenshot(const Picture& frame) {
  const std::string dir = ScreenshotFolder();
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
  std::string path = dir + gameName_ + "_" + stamp + ".png";
  for (int n = 2; FileExists(path) && n < 100; ++n)
    path = dir + gameName_ + "_" + stamp + "-" + std::to_string(n) + ".png";
  try {
    if (!MakeDirectories(dir)) throw FileError("cannot create " + dir);
    WriteFileAtomic(path, EncodePng(frame));
  } catch (const Error& e) {
    Notice(Gbk("无法保存截图：") + GbkName(dir), 3000);
    LogDetail(e.what());
    return;
  }
  Notice(Gbk("截图已保存：") + GbkName(path), 2000);
}

void ReaderAdditions::Notice(const Bytes& gbkText, uint32_t ms) {
  GetPlatform().ShowNotice(gbkText, CodePage::GBK, ms);
}

VantelHooks WithReaderHooks(VantelHooks hooks) {
  if (hooks.storySaveToFile)
    hooks.storySaveToFile = [save = std::move(hooks.storySaveToFile)] {
      const Bytes name = save();
      if (!name.empty() && Global && Main && Main->Scene && Main->Scene->FCurrent) {
        try {
          WriteThumbnail(Global->SaveDir, name, *Main->Scene->FCurrent);
        } catch (const Error& e) {
          LogDetail(e.what());  // the save stands without its thumbnail
        }
      }
      return name;
    };
  auto pruned = [](std::function<void()> run) {
    run();
    if (Global) PruneThumbnails(Global->SaveDir);
  };
  if (hooks.saveDialog)
    hooks.saveDialog = [pruned, dialog = std::move(hooks.saveDialog)](const Bytes& name) {
      pruned([&] { dialog(name); });
    };
  if (hooks.loadDialog)
    hooks.loadDialog = [pruned, dialog = std::move(hooks.loadDialog)] { pruned(dialog); };
  return hooks;
}

}  // namespace vantel
