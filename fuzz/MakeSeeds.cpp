// Writes the starting inputs of every fuzz target from the demo story's
// generated data, so no binary corpus is kept in the repository:
//   fuzz_seeds STORY_DIR DEMO_DIR GAME_DIR OUT_DIR
// STORY_DIR holds the story's UTF-8 script sources; DEMO_DIR image/ and
// sound/ as the generator wrote them;
// GAME_DIR the packed archives. OUT_DIR/<target>/ receives the seeds, each
// at most 64 kB (the longest input the fuzz runs try).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "base/Stream.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "data/ClassSList.h"
#include "data/FuncFile.h"
#include "fuzz/FuzzSupport.h"
#include "graphics/ClassFlat.h"
#include "graphics/FuncBmpLoader.h"
#include "platform/headless/HeadlessPlatform.h"
#include "script/ClassCodeRed.h"
#include "script/Class_Story.h"
#include "shell/ClassGlobal.h"

using namespace vantel;
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxSeed = 65536;
std::string out;

std::string Read(const std::string& path) {
  return ReadWholeFile(path).value_or("");
}

void Seed(const std::string& target, const std::string& name, std::string bytes) {
  if (bytes.size() > kMaxSeed) bytes.resize(kMaxSeed);
  fs::create_directories(out + "/" + target);
  FILE* f = std::fopen((out + "/" + target + "/" + name).c_str(), "wb");
  if (!f) throw FileError("cannot write seed " + name);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The files of `dir` ending in `ext`, smallest first, at most `count`.
std::vector<std::string> Smallest(const std::string& dir, const std::string& ext, size_t count) {
  std::vector<std::pair<uintmax_t, std::string>> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ext) files.emplace_back(e.file_size(), e.path().string());
  std::sort(files.begin(), files.end());
  std::vector<std::string> paths;
  for (size_t i = 0; i < files.size() && i < count; ++i) paths.push_back(files[i].second);
  return paths;
}

std::string Packed(const std::string& text) {
  MemoryStream s;
  WritePackedBlock(s, text);
  return s.Data();
}

std::string ArchiveOf(ArchiveWriter::Kind kind, const std::vector<std::string>& paths, size_t cut) {
  ArchiveWriter w(kind);
  for (const std::string& p : paths)
    w.Add(LowerCase(FromUtf8(fs::path(p).filename().string())), Read(p).substr(0, cut));
  const std::string file = out + "/archive.tmp";
  w.Write(file);
  std::string bytes = Read(file);
  fs::remove(file);
  return bytes;
}

// Save records of the first chapter at a few points, written by the story
// scene itself with the reader holding Shift.
void SaveSeeds(const std::string& game) {
  HeadlessPlatform platform;
  SetPlatform(&platform);
  platform.SetShiftDown(true);
  TArchive scripts(game + "/script.chs"), images(game + "/image.pk2");
  ScriptArchive = &scripts;
  ImageArchive = &images;
  SetImageLoader([](Picture& p, const Bytes& name) { return LoadImage(p, name); });
  Tglobal global;
  Global = &global;
  global.LoadSettings();
  {
    TStory story;
    for (int tick = 1; tick <= 600; ++tick) {
      story.Signal(100, 0, 0);
      if (tick % 150 == 0) Seed("fuzz_save", "tick" + std::to_string(tick), story.SaveData());
    }
  }
  Global = nullptr;
  SetImageLoader(nullptr);
  ScriptArchive = ImageArchive = nullptr;
  SetPlatform(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: fuzz_seeds STORY_DIR DEMO_DIR GAME_DIR OUT_DIR\n");
    return 2;
  }
  const std::string story = argv[1], demo = argv[2], game = argv[3];
  out = argv[4];
  try {
    // The story's scripts as the player reads them (code page 932, CR LF),
    // converted from their UTF-8 sources into a folder of their own.
    const std::string scriptDir = out + "/scripts.src";
    fs::create_directories(scriptDir);
    for (const auto& e : fs::directory_iterator(story)) {
      FILE* f = std::fopen((scriptDir + "/" + e.path().filename().string()).c_str(), "wb");
      if (!f) throw FileError("cannot write " + e.path().filename().string());
      const Bytes text = ReadScriptFile(e.path().string());
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
    const auto scripts = Smallest(scriptDir, ".vxs", 100);
    const auto pngs = Smallest(demo + "/image", ".png", 400);
    const auto jpegs = Smallest(demo + "/image", ".jpg", 100);
    const auto waves = Smallest(demo + "/sound", ".wav", 100);
    const std::string textbox = Read(scriptDir + "/textbox.ini");

    // Scripts, and the same texts packed and as archives.
    for (const std::string& s : scripts) {
      const std::string name = fs::path(s).stem().string();
      Seed("fuzz_script", name, Read(s));
      Seed("fuzz_packed", name, Packed(Read(s)) + Packed(textbox));
    }
    Seed("fuzz_packed", "plain", textbox);
    Seed("fuzz_archive", "scripts",
         ArchiveOf(ArchiveWriter::Kind::PackedText,
                   {scripts.front(), scripts.back(), scriptDir + "/textbox.ini"}, kMaxSeed));
    Seed("fuzz_archive", "images",
         ArchiveOf(ArchiveWriter::Kind::Raw, {pngs[0], pngs[1], jpegs[0]}, kMaxSeed));
    Seed("fuzz_archive", "sounds", ArchiveOf(ArchiveWriter::Kind::Raw, {waves[0]}, 8000));

    // Pictures: a spread of sizes (the smallest are button and thumbnail
    // pictures, the larger ones character pictures with alpha).
    for (size_t i = 0; i < pngs.size(); i += std::max<size_t>(1, pngs.size() / 24)) {
      const std::string bytes = Read(pngs[i]);
      if (bytes.size() <= kMaxSeed) Seed("fuzz_png", fs::path(pngs[i]).stem().string(), bytes);
    }
    for (const std::string& j : jpegs) {
      const std::string bytes = Read(j);
      if (bytes.size() <= kMaxSeed) Seed("fuzz_jpeg", fs::path(j).stem().string(), bytes);
    }

    // Sounds: the head of each kind of wave (the source reads only what is
    // there), played once and looping.
    std::vector<uint16_t> seen;
    for (const std::string& w : waves) {
      const std::string bytes = Read(w);
      const uint16_t tag = bytes.size() > 21 ? uint8_t(bytes[20]) | uint8_t(bytes[21]) << 8 : 0;
      if (std::count(seen.begin(), seen.end(), tag) >= 2) continue;
      seen.push_back(tag);
      const std::string name = fs::path(w).stem().string();
      Seed("fuzz_sound", name + "-once", std::string(1, '\0') + bytes.substr(0, 24000));
      Seed("fuzz_sound", name + "-loop", std::string(1, '\1') + bytes.substr(0, 24000));
    }

    // Settings: inf.dat, img.dat and TextBox.ini as the player writes them.
    TSlist settings;
    settings.WriteInteger("", "MessageStep", 50);
    settings.WriteBool("", "FullScreen", false);
    settings.WriteInteger("", "Volume1", 80);
    const std::string list = fuzz::ScratchDir() + "list.dat";
    settings.SaveToPackedFile(list);
    Seed("fuzz_settings", "inf", std::string(1, 0) + Read(list));
    Seed("fuzz_commatext", "file-form", Read(list));
    TSlist unlocked;
    unlocked.Add("ev01");
    unlocked.Add("ev02");
    unlocked.SaveToPackedFile(list);
    Seed("fuzz_settings", "img", "\1" + Read(list));
    Seed("fuzz_settings", "textbox", "\2" + textbox);
    Seed("fuzz_settings", "textbox-packed", "\2" + Packed(textbox));
    fs::remove_all(fuzz::ScratchDir());

    // Comma text: the settings text and state records.
    Seed("fuzz_commatext", "textbox", textbox);
    SaveSeeds(game);
    for (const auto& e : fs::directory_iterator(out + "/fuzz_save"))
      Seed("fuzz_commatext", "record-" + e.path().filename().string(), Read(e.path().string()));

    // The language server's messages as an editor sends them, framed.
    const auto framed = [](const std::string& body) {
      return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    };
    const std::string open =
        R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
        R"({"uri":"file:///g/script/a.vxs","languageId":"vxs","version":1,)"
        R"("text":"<bg src=\"x\">\u3042<k>\n<jump href=\"b#l\">"}}})";
    Seed("fuzz_lsp", "session",
         framed(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"rootUri":null}})") +
             framed(open) +
             framed(R"({"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":)"
                    R"({"textDocument":{"uri":"file:///g/script/a.vxs"},"position":{"line":0,"character":2}}})") +
             framed(R"({"jsonrpc":"2.0","id":3,"method":"shutdown"})"));
    Seed("fuzz_lsp", "numbers", framed(R"([1e308,-0.5,"\ud83d\ude00",true,false,null,{}])"));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}
