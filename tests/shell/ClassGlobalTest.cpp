#include "shell/ClassGlobal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/FuncFile.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/TempDir.h"

namespace vantel {
namespace {

int QuickClock() {
  return 2345;
}

class GlobalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform_);
    savedDebug_ = DebugMode;
    DebugMode = false;
  }
  void TearDown() override {
    global_.reset();
    FreeArchives();
    DebugMode = savedDebug_;
    SetPlatform(nullptr);
  }
  // Writes the three archives (the script archive with `scriptEntries`).
  void WriteArchives(const std::string& dir, bool textbox = false) {
    ArchiveWriter script(ArchiveWriter::Kind::PackedText);
    script.Add("start.vxs", "text");
    if (textbox)
      script.Add("textbox.ini",
                 "[BOX2]\r\nBoxLeft=7\r\nBoxTop=8\r\nBoxWidth=9\r\nBoxHeight=10\r\n");
    script.Write(dir + "script.chs");
    ArchiveWriter raw(ArchiveWriter::Kind::Raw);
    raw.Add("x", "y");
    raw.Write(dir + "image.pk2");
    raw.Write(dir + "sound.pk2");
  }
  Tglobal& Create(const std::string& second = "") {
    global_.reset();
    global_ = std::make_unique<Tglobal>(game_.Path(), second, QuickClock);
    return *global_;
  }
  Bytes SettingsText() { return ReadPackedFile(game_ / "save/inf.dat"); }

  HeadlessPlatform platform_;
  testing::TempDir game_;
  std::unique_ptr<Tglobal> global_;
  bool savedDebug_ = false;
};

TEST_F(GlobalTest, CreationFindsTheArchivesAndMakesTheSaveFolder) {
  WriteArchives(game_.Path());
  Tglobal& g = Create();
  EXPECT_TRUE(DebugMode);
  EXPECT_EQ(g.ClockMHz, 2340);  // a multiple of 10
  EXPECT_EQ(g.SaveDir, game_ / "save/");
  EXPECT_TRUE(DirectoryExists(g.SaveDir));
  EXPECT_TRUE(g.DataFound);
  EXPECT_FALSE(g.QuitRequested);
  ASSERT_TRUE(ScriptArchive && ImageArchive && SoundArchive);
  EXPECT_GE(ScriptArchive->IndexOf("start.vxs"), 0);
  EXPECT_TRUE(platform_.Messages().empty());

  // Archives cut short (an interrupted copy): one notice names each and how
  // many entries it lacks, and play goes on with what is there.
  ArchiveWriter images(ArchiveWriter::Kind::Raw), sounds(ArchiveWriter::Kind::Raw);
  for (int i = 0; i < 10; ++i) {
    images.Add("p" + std::to_string(i) + ".png", std::string(1000, 'p'));
    sounds.Add("s" + std::to_string(i) + ".wav", std::string(1000, 's'));
  }
  images.Write(game_ / "image.pk2");
  sounds.Write(game_ / "sound.pk2");
  for (const char* name : {"image.pk2", "sound.pk2"}) {
    const std::string whole = *ReadWholeFile(game_ / name);
    game_.Write(name, whole.substr(0, whole.size() / 2));
  }
  // A save killed mid-write left its temporary file: the next start removes
  // it, not one of a writer that still runs.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string stale = ".data3.tmp" + std::to_string(gone);
  const std::string live = ".data4.tmp" + std::to_string(::getpid());
  game_.Write("save/" + stale, "half");
  game_.Write("save/" + live, "half");
  Tglobal& h = Create();
  EXPECT_FALSE(FileExists(h.SaveDir + stale));
  EXPECT_TRUE(FileExists(h.SaveDir + live));
  EXPECT_TRUE(h.DataFound);
  EXPECT_FALSE(h.QuitRequested);
  EXPECT_GE(ImageArchive->IndexOf("p0.png"), 0);
  EXPECT_EQ(ImageArchive->IndexOf("p9.png"), -1);
  ASSERT_EQ(platform_.Messages().size(), 1u);
  const Bytes& notice = platform_.Messages()[0].text;
  EXPECT_NE(notice.find(FromUtf8(game_ / "image.pk2", CodePage::GBK) + Gbk("：缺少 6 项")),
            Bytes::npos);
  EXPECT_NE(notice.find(FromUtf8(game_ / "sound.pk2", CodePage::GBK) + Gbk("：缺少 6 项")),
            Bytes::npos);
  EXPECT_EQ(notice.find("script.chs"), Bytes::npos);
}

TEST_F(GlobalTest, SecondDataDirectoryIsUsedExactlyAsGiven) {
  testing::TempDir cd;
  WriteArchives(cd.Path());
  std::rename((cd / "script.chs").c_str(), (game_ / "script.chs").c_str());

  Tglobal& g = Create(cd.Path());  // ends with a separator: found
  EXPECT_TRUE(g.DataFound);
  EXPECT_EQ(g.SoundPath, cd / "sound.pk2");
  EXPECT_EQ(g.ImagePath, cd / "image.pk2");
  EXPECT_GE(SoundArchive->IndexOf("x"), 0);

  std::string noSlash = cd.Path();
  noSlash.pop_back();
  Tglobal& h = Create(noSlash);  // the name is appended to the folder's own name
  EXPECT_FALSE(h.DataFound);
  EXPECT_EQ(h.SoundPath, noSlash + "sound.pk2");
  EXPECT_TRUE(h.QuitRequested);
  ASSERT_EQ(platform_.Messages().size(), 1u);
  EXPECT_EQ(platform_.Messages()[0].text,
            Sjis("データファイルがありません。簡易インストールの場合はＣＤを挿入してください。"));
  EXPECT_EQ(platform_.Messages()[0].cp, CodePage::CP932);

  // The script archive has no second place: missing beside the program is missing.
  std::rename((game_ / "script.chs").c_str(), (cd / "script.chs").c_str());
  EXPECT_FALSE(Create(cd.Path()).DataFound);

  // save/debug lets the program start with whatever is there.
  game_.Write("save/debug", "");
  const size_t shown = platform_.Messages().size();
  Tglobal& d = Create();
  EXPECT_FALSE(d.DataFound);
  EXPECT_FALSE(d.QuitRequested);
  EXPECT_EQ(platform_.Messages().size(), shown);
  EXPECT_EQ(ScriptArchive->IndexOf("start.vxs"), -1);
}

TEST_F(GlobalTest, SettingsDefaultsAndRanges) {
  game_.Write("save/debug", "");
  Tglobal& g = Create();
  g.LoadSettings();
  EXPECT_EQ(g.MessageStep, 50);
  EXPECT_EQ(g.Volume1, 80);
  EXPECT_EQ(g.Volume2, 80);
  EXPECT_TRUE(g.FullScreen);
  EXPECT_TRUE(g.AutoScreen);
  EXPECT_FALSE(g.BackGround || g.AutoSkip || g.Clear);
  EXPECT_EQ(g.WindowLeft, 0);
  EXPECT_EQ(g.WindowTop, 0);
  for (int n = 0; n < 8; ++n) {
    EXPECT_EQ(g.BoxLeft[n], 0);
    EXPECT_EQ(g.BoxTop[n], 0);
    EXPECT_EQ(g.BoxWidth[n], 100);
    EXPECT_EQ(g.BoxHeight[n], 100);
  }

  WritePackedFile(g.SaveDir + "inf.dat",
                  "0,[]\r\n0,VOLUME1=300\r\n0,volume2=-5\r\n0,MessageStep=0\r\n0,FullScreen=yes\r\n"
                  "0,AUTOSKIP=True\r\n0,LEFT=abc\r\n0,TOP=-40\r\n0,CLEAR=TRUE\r\n");
  g.LoadSettings();
  EXPECT_EQ(g.Volume1, 255);
  EXPECT_EQ(g.Volume2, -5);
  EXPECT_EQ(g.MessageStep, 1);
  EXPECT_FALSE(g.FullScreen);
  EXPECT_TRUE(g.AutoSkip);
  EXPECT_TRUE(g.Clear);
  EXPECT_EQ(g.WindowLeft, 0);  // not an integer: the default
  EXPECT_EQ(g.WindowTop, -40);

  // Any text speed above 0 is the reader's and is written back as it was;
  // only the text layer holds it to 1 ... 255.
  for (const char* step : {"1000", "2147483647"}) {
    WritePackedFile(g.SaveDir + "inf.dat", "0,[]\r\n0,MESSAGESTEP=" + Bytes(step) + "\r\n");
    g.LoadSettings();
    EXPECT_EQ(IntToStr(g.MessageStep), step);
    ASSERT_TRUE(g.SaveSettings());
    EXPECT_NE(ReadPackedFile(g.SaveDir + "inf.dat").find("MESSAGESTEP=" + Bytes(step) + "\r\n"),
              Bytes::npos);
  }
}

TEST_F(GlobalTest, SavingKeepsOtherLinesAndWritesKeysInPlace) {
  game_.Write("save/debug", "");
  Tglobal& g = Create();
  // A new file: the ten keys in their order.
  g.LoadSettings();
  ASSERT_TRUE(g.SaveSettings());
  EXPECT_EQ(
      SettingsText(),
      "0,[]\r\n0,LEFT=0\r\n0,TOP=0\r\n0,MESSAGESTEP=50\r\n0,AUTOSKIP=FALSE\r\n0,FULLSCREEN=TRUE\r\n"
      "0,AUTOSCREEN=TRUE\r\n0,BACKGROUND=FALSE\r\n0,CLEAR=FALSE\r\n0,VOLUME1=80\r\n0,VOLUME2="
      "80\r\n");

  const Bytes handWritten =
      "0,[]\r\n0,Volume1=90\r\n0,MYKEY=kept\r\n0,LEFT=12\r\n0,[OTHER]\r\n0,VOLUME1=7\r\n"
      "0,\"note=a, b\"\r\n";
  WritePackedFile(g.SaveDir + "inf.dat", handWritten);
  g.LoadSettings();
  EXPECT_EQ(g.Volume1, 90);
  EXPECT_EQ(g.WindowLeft, 12);
  g.Volume1 = 91;
  ASSERT_TRUE(g.SaveSettings());
  const Bytes saved = SettingsText();
  // Keys found are replaced where they stand, upper-cased; missing ones go
  // first in the unnamed section, as the list's write rule places them.
  EXPECT_EQ(
      saved,
      "0,[]\r\n0,VOLUME2=80\r\n0,CLEAR=FALSE\r\n0,BACKGROUND=FALSE\r\n0,AUTOSCREEN=TRUE\r\n"
      "0,FULLSCREEN=TRUE\r\n0,AUTOSKIP=FALSE\r\n0,MESSAGESTEP=50\r\n0,TOP=0\r\n0,VOLUME1=91\r\n"
      "0,MYKEY=kept\r\n0,LEFT=12\r\n0,[OTHER]\r\n0,VOLUME1=7\r\n0,\"note=a, b\"\r\n");

  // Loading and saving again changes nothing, byte for byte.
  const std::string before = ReadWholeFile(g.SaveDir + "inf.dat").value();
  g.LoadSettings();
  ASSERT_TRUE(g.SaveSettings());
  EXPECT_EQ(ReadWholeFile(g.SaveDir + "inf.dat").value(), before);
}

TEST_F(GlobalTest, TextBoxLayoutFromTheScriptArchiveOrTheSaveFolder) {
  game_.Write(
      "save/TextBox.ini",
      "[box0]\r\nboxleft=5\r\nBoxTop=6\r\nBoxWidth=abc\r\nBoxHeight=\r\n[BOX7]\r\nBoxLeft=-3\r\n");
  game_.Write("save/debug", "");
  Tglobal& g = Create();
  g.LoadSettings();
  EXPECT_EQ(g.BoxLeft[0], 5);
  EXPECT_EQ(g.BoxTop[0], 6);
  EXPECT_EQ(g.BoxWidth[0], 0);     // not an integer
  EXPECT_EQ(g.BoxHeight[0], 100);  // empty: the default
  EXPECT_EQ(g.BoxLeft[7], -3);
  EXPECT_EQ(g.BoxWidth[7], 100);
  EXPECT_EQ(g.BoxLeft[3], 0);

  // Sizes beyond what the screen can show are kept to it, whatever their
  // size: no allocation of gigabytes, no overflow in the box's margins.
  game_.Write("save/TextBox.ini",
              "[BOX0]\r\nBoxLeft=30\r\nBoxTop=440\r\nBoxWidth=740\r\nBoxHeight=140\r\n"
              "[BOX1]\r\nBoxLeft=-10\r\nBoxTop=0\r\nBoxWidth=820\r\nBoxHeight=600\r\n"
              "[BOX2]\r\nBoxWidth=30000\r\nBoxHeight=30000\r\n"
              "[BOX3]\r\nBoxLeft=2147483647\r\nBoxTop=-2147483648\r\nBoxWidth=2147483647\r\n"
              "BoxHeight=2147483647\r\n"
              "[BOX4]\r\nBoxLeft=500\r\nBoxWidth=-2147483648\r\nBoxHeight=-5\r\n");
  g.LoadSettings();
  const int32_t expected[5][4] = {{30, 440, 740, 140},  // ordinary boxes are kept
                                  {-10, 0, 820, 600},
                                  {0, 0, 820, 620},
                                  {800, -600, 20, 1220},
                                  {500, 0, 0, 0}};
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(g.BoxLeft[n], expected[n][0]) << n;
    EXPECT_EQ(g.BoxTop[n], expected[n][1]) << n;
    EXPECT_EQ(g.BoxWidth[n], expected[n][2]) << n;
    EXPECT_EQ(g.BoxHeight[n], expected[n][3]) << n;
  }

  WriteArchives(game_.Path(), true);  // textbox.ini in script.chs wins
  Tglobal& h = Create();
  h.LoadSettings();
  EXPECT_EQ(h.BoxLeft[0], 0);
  EXPECT_EQ(h.BoxWidth[0], 100);
  EXPECT_EQ(h.BoxLeft[2], 7);
  EXPECT_EQ(h.BoxHeight[2], 10);
}

TEST_F(GlobalTest, UnlockRecordRoundTripAndDestructionSaves) {
  game_.Write("save/debug", "");
  {
    Tglobal& g = Create();
    g.LoadSettings();
    g.Unlocked.Add("ev02");
    g.Unlocked.Add("ev01");
    g.Unlocked.Add("ev10");
    g.Volume2 = 33;
    global_.reset();  // destruction saves
  }
  EXPECT_EQ(ReadPackedFile(game_ / "save/img.dat"), "0,ev02\r\n0,ev01\r\n0,ev10\r\n");
  Tglobal& h = Create();
  h.LoadSettings();
  ASSERT_EQ(h.Unlocked.Count(), 3);
  EXPECT_EQ(h.Unlocked[0], "ev02");
  EXPECT_EQ(h.Unlocked[2], "ev10");
  EXPECT_EQ(h.Volume2, 33);

  // A bare state object saves nothing.
  { Tglobal bare; }
  EXPECT_EQ(h.Unlocked.Count(), 3);
}

TEST_F(GlobalTest, DamagedFilesAreSetAsideAndDefaultsUsed) {
  game_.Write("save/debug", "");
  game_.Write("save/inf.dat", "abcZ this does not inflate");
  game_.Write("save/img.dat", std::string("\x05\x00\x00\x5A\x78\x9C\xFF\xFF", 8));
  Tglobal& g = Create();
  g.LoadSettings();
  EXPECT_EQ(g.MessageStep, 50);
  EXPECT_EQ(g.Unlocked.Count(), 0);
  EXPECT_FALSE(FileExists(game_ / "save/inf.dat"));
  EXPECT_EQ(ReadWholeFile(game_ / "save/inf.dat.damaged").value(), "abcZ this does not inflate");
  EXPECT_TRUE(FileExists(game_ / "save/img.dat.damaged"));
  ASSERT_EQ(platform_.Messages().size(), 1u);  // one message for both
  EXPECT_NE(platform_.Messages()[0].text.find("inf.dat.damaged"), Bytes::npos);
  EXPECT_NE(platform_.Messages()[0].text.find("img.dat.damaged"), Bytes::npos);

  // The next save writes sound files, and the next start says nothing.
  ASSERT_TRUE(g.SaveSettings());
  Tglobal& h = Create();
  h.LoadSettings();
  EXPECT_EQ(platform_.Messages().size(), 1u);
  EXPECT_EQ(h.MessageStep, 50);

  // Files that unpack far beyond any real size (16 kB packing 16 M line
  // breaks) are damage too: set aside, defaults, told once, and the next
  // save succeeds.
  const std::string breaks(kMaxPackedLength, '\n');
  WritePackedFile(game_ / "save/inf.dat", "0,[]\r\n0,MESSAGESTEP=7\r\n" + breaks.substr(30));
  WritePackedFile(game_ / "save/img.dat", breaks);
  WritePackedFile(game_ / "save/TextBox.ini", "[BOX0]\r\nBoxLeft=5\r\n" + breaks.substr(20));
  h.LoadSettings();
  EXPECT_EQ(h.MessageStep, 50);
  EXPECT_EQ(h.Unlocked.Count(), 0);
  EXPECT_EQ(h.BoxLeft[0], 0);
  ASSERT_EQ(platform_.Messages().size(), 2u);
  for (const char* name : {"inf.dat.damaged", "img.dat.damaged", "TextBox.ini"})
    EXPECT_NE(platform_.Messages()[1].text.find(name), Bytes::npos) << name;
  EXPECT_TRUE(FileExists(game_ / "save/TextBox.ini"));  // the author's file stays
  ASSERT_TRUE(h.SaveSettings());
  h.LoadSettings();
  EXPECT_EQ(platform_.Messages().size(), 3u);  // only the layout, still too long
  EXPECT_LT(ReadPackedFile(game_ / "save/inf.dat").size(), 1000u);

  // A FIFO and a link to /dev/zero are never waited on or read without end:
  // set aside like damage, and the next save writes real files.
  std::filesystem::remove(game_ / "save/inf.dat");
  std::filesystem::remove(game_ / "save/img.dat");
  std::filesystem::remove(game_ / "save/TextBox.ini");
  ASSERT_EQ(::mkfifo((game_ / "save/inf.dat").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", game_ / "save/img.dat");
  h.LoadSettings();
  EXPECT_EQ(h.MessageStep, 50);
  ASSERT_EQ(platform_.Messages().size(), 4u);
  EXPECT_TRUE(std::filesystem::is_fifo(game_ / "save/inf.dat.damaged"));
  ASSERT_TRUE(h.SaveSettings());
  EXPECT_TRUE(FileExists(game_ / "save/inf.dat"));
  EXPECT_TRUE(FileExists(game_ / "save/img.dat"));
}

TEST_F(GlobalTest, SaveFolderThatCannotBeMadeMovesToTheUserDataFolder) {
  testing::TempDir home;
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
  game_.Write("save", "a file where the folder should be");
  game_.Write("save2/debug", "");
  WriteArchives(game_.Path());

  Tglobal& g = Create();
  const std::string gameName =
      std::filesystem::path(game_.Path()).parent_path().filename().string();
  EXPECT_EQ(g.SaveDir, home / "data/vantel/" + gameName + "/save/");
  EXPECT_EQ(g.ExitStatus, 0);
  EXPECT_FALSE(g.QuitRequested);
  ASSERT_EQ(platform_.Messages().size(), 1u);
  EXPECT_NE(platform_.Messages()[0].text.find(
                FromUtf8(g.SaveDir.substr(0, g.SaveDir.size() - 1), CodePage::GBK)),
            Bytes::npos);
  g.LoadSettings();
  g.WindowLeft = 77;
  ASSERT_TRUE(g.SaveSettings());
  EXPECT_TRUE(FileExists(g.SaveDir + "inf.dat"));
  Tglobal& h = Create();  // told once only
  EXPECT_EQ(platform_.Messages().size(), 1u);
  h.LoadSettings();
  EXPECT_EQ(h.WindowLeft, 77);

  // Nowhere to keep saves: told, and the caller gets a failure status.
  setenv("XDG_DATA_HOME", (game_ / "save/inside-a-file").c_str(), 1);
  Tglobal& f = Create();
  EXPECT_NE(f.ExitStatus, 0);
  EXPECT_TRUE(f.QuitRequested);
  EXPECT_EQ(platform_.Messages().size(), 2u);
  f.LoadSettings();
  EXPECT_FALSE(f.SaveSettings());
  f.SetActive(true);
  EXPECT_FALSE(f.Active);

  if (old)
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

struct FakeLabel : DebugLabel {
  Bytes text;
  Bytes Caption() const override { return text; }
  void SetCaption(const Bytes& c) override { text = c; }
};
struct FakeMessages : DebugMessageBox {
  std::vector<Bytes> lines;
  int LineCount() const override { return int(lines.size()); }
  void AppendLine(const Bytes& l) override { lines.push_back(l); }
  void DeleteFirstLine() override { lines.erase(lines.begin()); }
  void Clear() override { lines.clear(); }
};
struct FakeWindow : DebugWindowView {
  int repaints = 0;
  void Repaint() override { ++repaints; }
};

TEST_F(GlobalTest, UpdateDebugInfoFillsTheAttachedDebugger) {
  Tglobal g;
  FakeLabel script, code;
  FakeMessages box;
  FakeWindow window;
  g.ScriptLabel = &script;
  g.CodeLabel = &code;
  g.DebugWindow = &window;
  g.ScriptName = "chapter1";
  g.AppendLog("line 3: unknown tag");

  g.UpdateDebugInfo();  // not attached: nothing
  DebugMode = true;
  g.DebugAttached = true;
  g.UpdateDebugInfo();  // no message box: nothing
  EXPECT_EQ(script.text, "");
  g.MessageBox = &box;
  g.UpdateDebugInfo();
  EXPECT_EQ(script.text, "Script/chapter1   1" + Sjis("行"));
  EXPECT_EQ(code.text, "Code/");
  ASSERT_EQ(box.lines.size(), 1u);
  EXPECT_EQ(box.lines[0], "line 3: unknown tag");
  EXPECT_EQ(g.PendingLog.Count(), 0);
  EXPECT_EQ(window.repaints, 1);

  g.LineNo = 41;
  g.CodeText = "text<wait>";
  g.UpdateDebugInfo();
  // The line is the source line as it is (already counted from 1).
  EXPECT_EQ(script.text, "Script/chapter1   41" + Sjis("行"));
  EXPECT_EQ(code.text, "Code/text<wait>");
  g.CodeText = std::string(100, 'x');  // too long to show: the label keeps its text
  g.UpdateDebugInfo();
  EXPECT_EQ(code.text, "Code/text<wait>");
  EXPECT_EQ(box.lines.size(), 1u);

  // Over 100 lines: the oldest 51 go.
  for (int i = 0; i < 101; ++i) g.AppendLog("m" + IntToStr(i));
  g.UpdateDebugInfo();
  ASSERT_EQ(box.lines.size(), 102u - 51);
  EXPECT_EQ(box.lines[0], "m50");
  EXPECT_EQ(box.lines.back(), "m100");
}

TEST_F(GlobalTest, LogLinesFromOtherThreadsArriveOnceEach) {
  Tglobal g;
  FakeMessages box;
  DebugMode = true;
  g.DebugAttached = true;
  g.MessageBox = &box;
  std::atomic<bool> go{false};
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&, t] {
      while (!go) {
      }
      for (int i = 0; i < 30; ++i) g.AppendLog(IntToStr(t * 100 + i));
      ++finished;
    });
  std::vector<int> count(300, 0);
  auto drain = [&] {
    g.UpdateDebugInfo();
    for (const Bytes& line : box.lines) ++count[StrToInt(line)];
    box.lines.clear();  // keep the trimming out of the way
  };
  go = true;
  while (finished < 3) {
    drain();
    std::this_thread::yield();
  }
  for (auto& th : threads) th.join();
  drain();
  for (int t = 0; t < 3; ++t)
    for (int i = 0; i < 30; ++i) EXPECT_EQ(count[t * 100 + i], 1);
}

TEST_F(GlobalTest, MonitorAndDisplayModes) {
  platform_.SetScreen({0, 0, 1024, 768}, {1024, 768, 32, 60});
  EXPECT_TRUE(PointOnMonitor(0, 0));
  EXPECT_TRUE(PointOnMonitor(1023, 768));   // the bottom edge counts
  EXPECT_FALSE(PointOnMonitor(1024, 100));  // the right edge does not
  EXPECT_FALSE(PointOnMonitor(100, 769));
  EXPECT_FALSE(PointOnMonitor(-1, 0));

  EXPECT_EQ(ReadDisplayMode(1).width, 0);  // only the primary display is read
  SwitchDisplayMode(1);
  EXPECT_EQ(platform_.CurrentMode().width, 1024);
  SwitchDisplayMode(0);
  EXPECT_EQ(platform_.CurrentMode().width, 800);
  EXPECT_EQ(platform_.CurrentMode().height, 600);
  EXPECT_EQ(platform_.CurrentMode().bitsPerPixel, 24);
  RestoreDisplayMode();
  platform_.SetScreen({0, 0, 640, 480}, {640, 480, 32, 60});  // no 800x600 here: left alone
  SwitchDisplayMode(0);
  EXPECT_EQ(platform_.CurrentMode().width, 640);
}

TEST(EstimateClock, GivesAPlausibleProcessorClock) {
#if defined(__x86_64__) || defined(__i386__)
  const int mhz = EstimateClock();
  EXPECT_GT(mhz, 200);
  EXPECT_LT(mhz, 10000);
#else
  GTEST_SKIP() << "no time-stamp counter";
#endif
}

}  // namespace
}  // namespace vantel
