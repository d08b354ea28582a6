// The bundled demo story: the generator is deterministic, its encoders
// write what decoders expect, and the generated data holds every picture
// and sound that the scenes and the story scripts name, in the formats the
// player reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "TestPaths.h"
#include "base/Bytes.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "base/Stream.h"
#include "data/ClassArchive.h"
#include "demo/gen/DemoImages.h"
#include "demo/gen/DemoSounds.h"
#include "demo/gen/Synth.h"
#include "demo/gen/WaveWrite.h"
#include "graphics/FuncBmpLoader.h"
#include "script/ClassCodeBlue.h"
#include "script/ClassCodeRed.h"
#include "sound/SoundConverter.h"
#include "support/TempDir.h"

namespace vantel::demo {
namespace {

const std::string kDemo = VANTEL_DEMO_DIR;

uint32_t U16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}
uint32_t U32(const std::string& b, size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}
uint32_t BE32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

std::string MakeAsset(const AssetList& list, const std::string& name) {
  for (const Asset& a : list)
    if (a.name == name) return a.make();
  ADD_FAILURE() << "no asset " << name;
  return {};
}

std::string File(const std::string& sub, const std::string& name) {
  auto bytes = ReadWholeFile(kDemo + "/" + sub + "/" + name);
  EXPECT_TRUE(bytes) << sub << "/" << name << " missing";
  return bytes.value_or("");
}

// A script or settings entry of the packed demo, as the player reads it.
std::string PackedScript(const std::string& name) {
  const std::string archive = std::string(VANTEL_GAME_DIR) + "/script.chs";
  if (!FileExists(archive)) {
    ADD_FAILURE() << "no " << archive;
    return {};
  }
  return TArchive(archive).ReadText(FromUtf8(name));
}

bool HasPicture(const std::string& name) {
  return FileExists(kDemo + "/image/" + name + ".png") ||
         FileExists(kDemo + "/image/" + name + ".jpg");
}
bool HasSound(const std::string& stem) {
  return FileExists(kDemo + "/sound/" + stem + ".wav");
}

// Microsoft ADPCM as the standard decodes it, to check our encoder against.
std::vector<int16_t> DecodeMsAdpcm(const std::string& data, int channels) {
  static const int c1[7] = {256, 512, 0, 192, 240, 460, 392},
                   c2[7] = {0, -256, 0, 64, 0, -208, -232};
  static const int adapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                768, 614, 512, 409, 307, 230, 230, 230};
  const size_t align = channels == 2 ? 1024 : 512;
  std::vector<int16_t> out;
  for (size_t blk = 0; blk + align <= data.size(); blk += align) {
    int pred[2], delta[2], s1[2], s2[2];
    size_t at = blk;
    for (int c = 0; c < channels; ++c) pred[c] = static_cast<uint8_t>(data[at++]);
    for (int c = 0; c < channels; ++c, at += 2) delta[c] = static_cast<int16_t>(U16(data, at));
    for (int c = 0; c < channels; ++c, at += 2) s1[c] = static_cast<int16_t>(U16(data, at));
    for (int c = 0; c < channels; ++c, at += 2) s2[c] = static_cast<int16_t>(U16(data, at));
    for (int c = 0; c < channels; ++c) out.push_back(static_cast<int16_t>(s2[c]));
    for (int c = 0; c < channels; ++c) out.push_back(static_cast<int16_t>(s1[c]));
    int c = 0;
    for (; at < blk + align; ++at)
      for (int nib : {static_cast<uint8_t>(data[at]) >> 4, static_cast<uint8_t>(data[at]) & 15}) {
        const int p = (s1[c] * c1[pred[c]] + s2[c] * c2[pred[c]]) >> 8;
        const int s = std::clamp(p + (nib >= 8 ? nib - 16 : nib) * delta[c], -32768, 32767);
        s2[c] = s1[c];
        s1[c] = s;
        delta[c] = std::max(16, (adapt[nib] * delta[c]) >> 8);
        out.push_back(static_cast<int16_t>(s));
        c = (c + 1) % channels;
      }
  }
  return out;
}

TEST(DemoGenerator, MakersAreDeterministicAndMatchTheBuild) {
  const AssetList images = ImageAssets();
  for (const char* name :
       {"nanami_smile.png", "bg_umi.jpg", "ゼルトロゴ_00030.png", "ev03_s.png"}) {
    const std::string first = MakeAsset(images, name);
    EXPECT_FALSE(first.empty()) << name;
    EXPECT_EQ(first, MakeAsset(images, name)) << name;
    EXPECT_EQ(first, File("image", name)) << name;
  }
  testing::TempDir work;
  const AssetList sounds = SoundAssets(work.Path());
  for (const char* name : {"m04.wav", "SE_05_波x3.wav", "m11.wav"}) {
    const std::string first = MakeAsset(sounds, name);
    EXPECT_EQ(first, MakeAsset(sounds, name)) << name;
    EXPECT_EQ(first, File("sound", name)) << name;
  }
}

TEST(DemoGenerator, MsAdpcmDecodesCloseToTheSource) {
  for (int channels : {1, 2}) {
    Pcm pcm;
    pcm.channels = channels;
    const int frames = 5000;  // four full blocks and a padded one
    for (int i = 0; i < frames; ++i)
      for (int c = 0; c < channels; ++c)
        pcm.samples.push_back(
            static_cast<int16_t>(12000 * std::sin(i * (0.03 + 0.02 * c) + i * i * 1e-6)));
    const std::string data = EncodeMsAdpcm(pcm);
    const size_t align = channels == 2 ? 1024 : 512;
    const int perBlock = MsAdpcmFramesPerBlock(channels);
    EXPECT_EQ(perBlock, 1012);
    ASSERT_EQ(data.size(), align * ((frames + perBlock - 1) / perBlock));
    const std::vector<int16_t> decoded = DecodeMsAdpcm(data, channels);
    ASSERT_GE(decoded.size(), pcm.samples.size());
    double signal = 0, noise = 0;
    for (size_t i = 0; i < pcm.samples.size(); ++i) {
      signal += double(pcm.samples[i]) * pcm.samples[i];
      noise += double(pcm.samples[i] - decoded[i]) * (pcm.samples[i] - decoded[i]);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 25.0) << channels << " channels";
    // The last block is padded with silence: once the step size has shrunk
    // after the cut, the padding decodes as (near) silence.
    for (size_t i = pcm.samples.size() + 200 * channels; i < decoded.size(); ++i)
      EXPECT_LT(std::abs(decoded[i]), 64);
  }
}

TEST(DemoData, EveryPictureAndSoundTheScenesNameExists) {
  auto frames = [](const std::string& prefix, int n) {
    std::vector<std::string> v;
    char b[16];
    for (int i = 1; i <= n; ++i) v.push_back(prefix + (std::snprintf(b, sizeof b, "%03d", i), b));
    v.push_back(prefix + "over");
    v.push_back(prefix + "out");
    return v;
  };
  std::vector<std::string> pictures = {"game_menu", "cg_library", "sound_LIBRARY", "clear"};
  for (auto [p, n] : {std::pair{"title_start_", 8},
                      {"title_load_", 7},
                      {"title_cg_", 12},
                      {"title_sound_", 15},
                      {"title_exit_", 7}})
    for (auto& f : frames(p, n)) pictures.push_back(f);
  for (const char* p : {"CG_menu_0", "CG_back_0", "CG_next_0", "sonun_0"})
    for (int k = 1; k <= 3; ++k) pictures.push_back(p + std::to_string(k));
  for (int k = 1; k <= 10; ++k)
    pictures.push_back(k < 10 ? "option_0" + std::to_string(k) : "option_10");
  ASSERT_EQ(TrackPictureStems().size(), 14u);
  for (const auto& stem : TrackPictureStems())
    for (int k = 1; k <= 3; ++k) pictures.push_back(stem + "_0" + std::to_string(k));
  for (int b = 1; b <= 5; ++b)
    for (const char* role : {"playback_n0", "playback_ov0", "playback_out0"})
      pictures.push_back(role + std::to_string(b));
  const char* credits =
      "1-企画,2-脚本,3-キャラクター,4-サブキャラ,5-2DCG,6-原画,7-彩色,8-レイアウト,9-彩色設定,10-"
      "美術,11-3DCG,"
      "12-プログラム,13-スクリプト,14-ムービー,15-デザイン,16-題字,17-サウンド,18-サウンドプロ,19-"
      "サウンドサブ,"
      "20-コンポーザー,21-ギター,22-胡弓,23-テーマ曲,24-サウンド,25-進行管理,26-デバッグ,27-広報,"
      "28-サポート,29-協力,"
      "30-Thanks,31-プロデューサー,32-監督,33-製作ゼルト";
  std::string list = credits;
  int creditCount = 0;
  for (size_t start = 0, end; start <= list.size(); start = end + 1, ++creditCount) {
    end = std::min(list.find(',', start), list.size());
    pictures.push_back(list.substr(start, end - start));
  }
  EXPECT_EQ(creditCount, 33);
  char name[64];
  for (int f = 0; f <= 54; ++f)
    pictures.push_back((std::snprintf(name, sizeof name, "ゼルトロゴ_000%02d", f), name));
  for (const auto& p : pictures) EXPECT_TRUE(HasPicture(p)) << p;

  for (const char* s : {"m05", "m04", "m06", "m01", "m07", "m02", "m10", "m03", "m08b", "m09",
                        "m11", "m12", "m13", "uta", "SE_01_スロット差込", "ゼルトロゴノイズSound"})
    EXPECT_TRUE(HasSound(s)) << s;
}

// A tag of a script line: name (lower case) and attributes.
struct Tag {
  std::string name;
  std::map<std::string, std::string> attr;
};

std::vector<Tag> TagsOf(const std::string& line) {
  std::vector<Tag> tags;
  for (size_t lt = line.find('<'); lt != std::string::npos; lt = line.find('<', lt + 1)) {
    const size_t gt = line.find('>', lt);
    if (gt == std::string::npos) break;
    std::string body = line.substr(lt + 1, gt - lt - 1);
    std::replace(body.begin(), body.end(), '"', ' ');
    Tag t;
    size_t i = 0;
    auto word = [&] {
      while (i < body.size() && body[i] == ' ') ++i;
      size_t s = i;
      while (i < body.size() && body[i] != ' ' && body[i] != '=') ++i;
      return body.substr(s, i - s);
    };
    t.name = LowerCase(word());
    for (std::string k = word(); !k.empty(); k = word()) {
      std::string v;
      if (i < body.size() && body[i] == '=') {
        ++i;
        v = word();
      }
      t.attr[LowerCase(k)] = v;
    }
    tags.push_back(t);
  }
  return tags;
}

TEST(DemoData, StoryScriptsUseEveryCommandAndNameOnlyWhatExists) {
  const char* chapters[] = {"脚本1",   "脚本2",   "脚本2_2", "脚本3", "脚本4",
                            "脚本4_2", "脚本5_1", "脚本5_2", "脚本6"};
  std::map<std::string, std::vector<std::string>> lines;  // script -> UTF-8 lines
  for (const char* c : chapters) {
    const std::string bytes = PackedScript(std::string(c) + ".vxs");
    ASSERT_FALSE(bytes.empty()) << c;
    ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << c;
    for (size_t i = 0; i < bytes.size(); ++i)
      if (bytes[i] == '\n') {
        ASSERT_EQ(bytes[i - 1], '\r') << c << " has a bare LF";
      }
    const std::string text = ToUtf8(bytes);
    ASSERT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << c << " is not valid code page 932";
    for (size_t s = 0, e; s < text.size(); s = e + 2) {
      e = text.find("\r\n", s);
      lines[c].push_back(text.substr(s, e - s));
    }
  }
  EXPECT_FALSE(PackedScript("textbox.ini").empty());

  std::set<std::string> used, wipes, aligns, modes, options;
  std::vector<std::pair<std::string, std::string>> jumps;  // script, label
  std::map<std::string, std::set<std::string>> markers;    // script -> marker names
  for (const auto& [script, ls] : lines) {
    for (size_t n = 0; n < ls.size(); ++n) {
      const std::string& line = ls[n];
      const std::string where = script + ":" + std::to_string(n + 1);
      std::string text = line;  // the story text of the line, tags removed
      for (size_t lt; (lt = text.find('<')) != std::string::npos;)
        text.erase(lt, text.find('>', lt) - lt + 1);
      if (!text.empty()) {
        // Text is shown only by a <k> or <wait> after it on its line; any
        // other action would drop it.
        const size_t k = line.rfind("<k"), w = line.rfind("<wait");
        const size_t last = k == std::string::npos   ? w
                            : w == std::string::npos ? k
                                                     : std::max(k, w);
        EXPECT_TRUE(last != std::string::npos &&
                    line.find_first_not_of(" ", line.find('>', last) + 1) == std::string::npos)
            << where << ": text without a wait at the end of its line";
        EXPECT_NE(text[0], '*') << where;
      }
      for (const Tag& t : TagsOf(line)) {
        used.insert(t.name);
        for (const auto& [k, v] : t.attr) used.insert(t.name + "." + k);
        auto at = [&](const char* k) { return t.attr.count(k) ? t.attr.at(k) : std::string(); };
        const std::string mode = LowerCase(at("mode"));
        if (t.name == "background" || (t.name == "layer" && mode != "off")) {
          const std::string src = at("src");
          if (src.empty() || src[0] != '#') {
            EXPECT_TRUE(HasPicture(src)) << where << " " << src;
          }
        } else if (t.name == "bustup") {
          aligns.insert(at("align"));
          if (mode != "off") {
            EXPECT_TRUE(HasPicture(at("name") + "_" + at("face"))) << where;
          }
        } else if (t.name == "wipe") {
          wipes.insert(at("effect"));
        } else if (t.name == "bgm" || t.name == "se") {
          modes.insert(mode);
          options.insert(at("option"));
          if (mode == "on" || mode == "fadein") {
            if (at("option") == "random")
              for (int v = 1; v <= 5; ++v)
                EXPECT_TRUE(HasSound(at("src") + std::to_string(v))) << where;
            else
              EXPECT_TRUE(HasSound(at("src"))) << where << " " << at("src");
          }
        } else if (t.name == "marker") {
          markers[script].insert(at("name"));
        } else if (t.name == "a") {
          const std::string href = at("href");
          const size_t hash = href.find('#');
          const std::string file = href.substr(0, hash);
          jumps.push_back({file.empty() ? script : file,
                           hash == std::string::npos ? "" : href.substr(hash + 1)});
        }
      }
    }
  }
  // The chapters run in table order, each jumping on to the next, and the
  // last one ends in the credits.
  std::vector<std::string> chain = {chapters[0]};
  for (std::string at = chapters[0]; chain.size() <= 9;) {
    std::string next;
    for (const auto& line : lines[at])
      for (const Tag& t : TagsOf(line))
        if (t.name == "a" && t.attr.count("href") && t.attr.at("href")[0] != '#')
          next = t.attr.at("href").substr(0, t.attr.at("href").find('#'));
    if (next.empty()) break;
    chain.push_back(at = next);
  }
  EXPECT_EQ(chain, std::vector<std::string>(std::begin(chapters), std::end(chapters)));
  std::vector<std::string> lastTags;
  for (const auto& line : lines[chapters[8]])
    for (const Tag& t : TagsOf(line)) lastTags.push_back(t.name);
  ASSERT_GE(lastTags.size(), 2u);
  EXPECT_EQ(lastTags[lastTags.size() - 2], "scroll");
  EXPECT_EQ(lastTags.back(), "end");

  for (const auto& [file, label] : jumps) {
    ASSERT_TRUE(lines.count(file)) << "jump to unknown script " << file;
    if (label.empty()) {
      // A jump into a file resumes at its second token: the first must be a
      // comment, or what it does would be skipped.
      EXPECT_EQ(lines[file][0].rfind("<!", 0), 0u) << file;
    } else {
      EXPECT_TRUE(markers[file].count(label)) << file << "#" << label;
    }
  }
  for (const char* c : {"background", "layer", "bustup", "whiteout", "wipe",   "k",  "wait", "box",
                        "p",          "clear", "br",     "font",     "/font",  "r",  "/r",   "a",
                        "marker",     "!",     "bgm",    "se",       "scroll", "end"})
    EXPECT_TRUE(used.count(c)) << "no <" << c << "> in the story";
  for (const char* a :
       {"background.top", "background.left", "layer.num", "layer.mode", "layer.transparent",
        "bustup.face", "whiteout.time", "wipe.time", "k.time", "wait.time", "box.type", "box.color",
        "box.transparent", "font.color", "r.text", "r.alt", "bgm.time", "se.option"})
    EXPECT_TRUE(used.count(a)) << "no " << a << " in the story";
  for (const char* w : {"fade", "normal", "mesh", "fall", "noize", "scan"})
    EXPECT_TRUE(wipes.count(w)) << w;
  for (const char* a : {"left", "center", "right", "align4"}) EXPECT_TRUE(aligns.count(a)) << a;
  for (const char* m : {"on", "off", "fadein", "fadeout"}) EXPECT_TRUE(modes.count(m)) << m;
  for (const char* o : {"loop", "random"}) EXPECT_TRUE(options.count(o)) << o;
}

TEST(DemoData, SoundsAreRiffWavesThePlayerReads) {
  std::map<std::string, int> kinds;
  for (const std::string& name : ListDirectory(kDemo + "/sound")) {
    const std::string b = File("sound", name);
    ASSERT_GT(b.size(), 44u) << name;
    ASSERT_EQ(b.substr(0, 4), "RIFF") << name;
    ASSERT_EQ(b.substr(8, 8), "WAVEfmt ") << name;  // the reader takes the format length at 16
    const uint32_t fmtLen = U32(b, 16), tag = U16(b, 20), channels = U16(b, 22);
    EXPECT_EQ(U32(b, 24), 44100u) << name;
    size_t at = 20 + fmtLen;
    EXPECT_EQ(fmtLen % 2, 0u) << name;  // chunks are skipped without pad bytes
    while (b.substr(at, 4) != "data") {
      ASSERT_LT(at + 8, b.size()) << name << " has no data chunk";
      EXPECT_EQ(U32(b, at + 4) % 2, 0u) << name;
      at += 8 + U32(b, at + 4);
    }
    const size_t data = at + 8;
    if (tag == 1) {
      EXPECT_EQ(U16(b, 34), 16u) << name;
      ++kinds[channels == 2 ? "pcm stereo" : "pcm mono"];
    } else if (tag == 2) {
      EXPECT_EQ(U16(b, 32), channels == 2 ? 1024u : 512u) << name;
      EXPECT_EQ(U32(b, at + 4) % U16(b, 32), 0u) << name;
      ++kinds["adpcm"];
    } else if (tag == 0x55) {
      EXPECT_EQ(static_cast<uint8_t>(b[data]), 0xFF) << name;  // a frame header, not a tag frame
      EXPECT_EQ(static_cast<uint8_t>(b[data + 1]) & 0xE0, 0xE0) << name;
      ++kinds["mp3"];
    } else {
      ADD_FAILURE() << name << " has format tag " << tag;
    }
  }
  EXPECT_GE(kinds["pcm stereo"], 1);
  EXPECT_GE(kinds["pcm mono"], 1);
  EXPECT_GE(kinds["adpcm"], 2);
  EXPECT_GE(kinds["mp3"], 1);
}

TEST(DemoData, PicturesAreJpegOrPngOfTheDecodersProfile) {
  int jpeg = 0, alpha = 0;
  for (const std::string& name : ListDirectory(kDemo + "/image")) {
    const std::string b = File("image", name);
    if (name.size() > 4 && name.substr(name.size() - 4) == ".jpg") {
      EXPECT_EQ(b.substr(0, 2), "\xFF\xD8") << name;
      ++jpeg;
      continue;
    }
    ASSERT_EQ(b.substr(0, 8), "\x89PNG\r\n\x1a\n") << name;
    ASSERT_EQ(b.substr(12, 4), "IHDR") << name;
    const int type = static_cast<uint8_t>(b[25]);
    EXPECT_EQ(b[24], 8) << name;
    EXPECT_EQ(b[28], 0) << name;  // not interlaced
    EXPECT_TRUE(type == 2 || type == 6) << name;
    int idat = 0;
    for (size_t at = 8; at + 8 <= b.size(); at += 12 + BE32(b, at))
      idat += b.substr(at + 4, 4) == "IDAT";
    EXPECT_EQ(idat, 1) << name << ": the decoder reads one IDAT";
    if (type == 6) ++alpha;
    if (name.find("_s.") != std::string::npos) {
      EXPECT_EQ(BE32(b, 16), 100u) << name;
      EXPECT_EQ(BE32(b, 20), 75u) << name;
    }
  }
  EXPECT_GE(jpeg, 5);
  // Character pictures: alpha, transparent at the corners, opaque in the middle.
  const AssetList images = ImageAssets();
  for (const char* who : {"nanami_normal.png", "chikage_okori.png", "gen_warai.png"}) {
    const std::string b = File("image", who);
    ASSERT_GT(b.size(), 26u);
    EXPECT_EQ(b[25], 6) << who;
  }
  EXPECT_GE(alpha, 12);
}

TEST(DemoData, ThePlayersDecodersReadEveryPictureAndSound) {
  for (const std::string& name : ListDirectory(kDemo + "/image")) {
    const std::string b = File("image", name);
    MemoryStream stream(b);
    Picture picture;
    if (b.substr(0, 2) == "\xFF\xD8") {
      LoadJpeg(picture, stream, static_cast<int64_t>(b.size()));
      EXPECT_FALSE(picture.Is32()) << name;
    } else {
      LoadPng(picture, stream);
      EXPECT_EQ(picture.Is32(), b[25] == 6) << name;
      EXPECT_EQ(picture.Width(), static_cast<int>(BE32(b, 16))) << name;
    }
    EXPECT_FALSE(picture.Empty()) << name;
  }

  int compressed = 0;
  for (const std::string& name : ListDirectory(kDemo + "/sound")) {
    const std::string b = File("sound", name);
    FormatBlock format{};
    std::copy_n(b.begin() + 20, std::min<size_t>(U32(b, 16), format.size()), format.begin());
    if (U16(b, 20) == 1) continue;
    ++compressed;
    size_t at = 20 + U32(b, 16);
    while (b.substr(at, 4) != "data") at += 8 + U32(b, at + 4);
    const std::string data = b.substr(at + 8, U32(b, at + 4));
    WaveFormat pcm;
    std::string why;
    ASSERT_EQ(SuggestPcmFormat(format, pcm, &why), ConverterStatus::Ok) << name << ": " << why;
    auto converter = OpenConverter(format, pcm, nullptr, &why);
    ASSERT_TRUE(converter) << name << ": " << why;
    std::vector<uint8_t> out(50000);
    std::vector<int16_t> decoded;
    const size_t step = converter->SourceSize(static_cast<uint32_t>(out.size()));
    ASSERT_GT(step, 0u) << name;
    for (size_t off = 0; off < data.size(); off += step) {
      const size_t n = std::min(step, data.size() - off);
      const size_t got = converter->Convert(reinterpret_cast<const uint8_t*>(data.data()) + off, n,
                                            out.data(), out.size());
      for (size_t i = 0; i + 1 < got; i += 2)
        decoded.push_back(static_cast<int16_t>(out[i] | out[i + 1] << 8));
    }
    const size_t frames = U32(b, 20 + U32(b, 16) + 8);  // the fact chunk follows the format
    EXPECT_GE(decoded.size() / pcm.channels + 2400, frames) << name;
    if (U16(b, 20) == 2) {
      // The player's decoder gives exactly what the reference decoder gives.
      const std::vector<int16_t> reference = DecodeMsAdpcm(data, pcm.channels);
      ASSERT_EQ(decoded.size(), reference.size()) << name;
      EXPECT_TRUE(decoded == reference) << name;
    }
  }
  EXPECT_GE(compressed, 3);
}

TEST(DemoData, PackedArchivesLoadThroughThePlayersReaders) {
  const std::string game = VANTEL_GAME_DIR;
  if (!FileExists(game + "/script.chs"))
    GTEST_SKIP() << "the archives are made once vxtool can pack";
  int64_t total = 0;
  for (const char* a : {"script.chs", "image.pk2", "sound.pk2"}) total += FileSize(game + "/" + a);
  EXPECT_LT(total, 60 * 1024 * 1024);

  // Every generated file is found under its code page 932 name, in any case.
  for (auto [dir, archiveName] :
       {std::pair{"image", "image.pk2"}, {"sound", "sound.pk2"}, {"script", "script.chs"}}) {
    TArchive archive(game + "/" + archiveName);
    // The scripts are packed straight from their sources.
    const std::string from = std::string(dir) == "script"
                                 ? std::string(VANTEL_SOURCE_DIR) + "/demo/story"
                                 : kDemo + "/" + dir;
    for (const std::string& file : ListDirectory(from)) {
      EXPECT_GE(archive.IndexOf(UpperCase(FromUtf8(file))), 0) << file;
      if (std::string(dir) != "script") {  // script entries are stored packed
        EXPECT_EQ(archive.EntrySize(FromUtf8(file)), FileSize(kDemo + "/" + dir + "/" + file))
            << file;
      }
    }
  }

  // The chapters load from the archive with their chapter numbers; each
  // starts with the comment that a jump into it skips.
  TArchive scripts(game + "/script.chs");
  TCodeRed red;
  red.ScriptArchive = &scripts;
  red.ScriptDir = kDemo + "/no-loose-scripts/";
  const char* chapters[] = {"脚本1",   "脚本2",   "脚本2_2", "脚本3", "脚本4",
                            "脚本4_2", "脚本5_1", "脚本5_2", "脚本6"};
  for (int i = 0; i < 9; ++i) {
    red.Load(FromUtf8(chapters[i]));
    EXPECT_EQ(red.ChapterNumber, i) << chapters[i];
    ASSERT_GT(red.Count(), 50) << chapters[i];
    EXPECT_EQ(red[0].substr(0, 2), "<!") << chapters[i];
  }
}

TEST(DemoData, TheInterpreterRunsTheStoryFromTheFirstChapterToTheCredits) {
  const std::string game = VANTEL_GAME_DIR;
  if (!FileExists(game + "/script.chs"))
    GTEST_SKIP() << "the archives are made once vxtool can pack";
  TArchive scripts(game + "/script.chs"), images(game + "/image.pk2");
  TCodeBlue blue;
  blue.ScriptArchive = &scripts;
  blue.ScriptDir = kDemo + "/no-loose-scripts/";
  blue.Load(FromUtf8("脚本1"));
  std::set<std::string> kinds;
  std::set<int> chapters;
  std::vector<std::string> last;
  int texts = 0;
  for (int steps = 0; steps < 5000; ++steps) {
    const Bytes action = blue.Step();
    if (action.empty()) break;
    std::vector<std::string> f;
    for (size_t at = 0, crlf; (crlf = action.find("\r\n", at)) != std::string::npos; at = crlf + 2)
      f.push_back(action.substr(at, crlf - at));
    ASSERT_FALSE(f.empty());
    kinds.insert(f[0]);
    chapters.insert(blue.ChapterNumber);
    const std::string where = ToUtf8(blue.ScriptName) + ":" + std::to_string(blue.CurrentLine);
    if (f[0] == "flat" && f[2] != "off" && f[3][0] != '#') {
      EXPECT_TRUE(images.IndexOf(f[3] + ".jpg") >= 0 || images.IndexOf(f[3] + ".png") >= 0)
          << where << " " << f[3];
    }
    if (f[0] == "box") {
      EXPECT_GE(StrToIntDef(f[1], -1), 0) << where;
      EXPECT_LE(StrToIntDef(f[1], -1), 7) << where;
    }
    if ((f[0] == "key" || f[0] == "wait") && f.size() > 3) ++texts;
    last.push_back(f[0]);
    if (f[0] == "end") break;
  }
  for (int i = 0; i < blue.Errors.Count(); ++i)
    ADD_FAILURE() << "script error: " << ToUtf8(blue.Errors[i]);
  ASSERT_GE(last.size(), 2u);
  EXPECT_EQ(last[last.size() - 2], "scroll");
  EXPECT_EQ(last.back(), "end");
  EXPECT_EQ(chapters, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  for (const char* k :
       {"flat", "wipe", "key", "wait", "white", "box", "pagefeed", "clear", "scroll", "end"})
    EXPECT_TRUE(kinds.count(k)) << "no " << k << " action";
  EXPECT_GT(texts, 150);  // a story of some length, not a skeleton
}

}  // namespace
}  // namespace vantel::demo
