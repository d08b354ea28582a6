#include "platform/sdl/UiFont.h"

#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <imgui_freetype.h>
#include <imgui_internal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace vantel {
namespace {

struct FontFile {
  std::string path;
  int index = 0;
  void* data = nullptr;  // the file mapped into memory (null: not readable)
  size_t size = 0;
};

// The face fontconfig picks for `name`, mapped into memory.
FontFile FindFont(const char* name) {
  FontFile f;
  // A configuration of its own, freed again: the library's default one
  // would stay allocated until the process ends.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return f;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
  if (pattern) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
      FcChar8* file = nullptr;
      int index = 0;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        f.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) f.index = index;
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  if (f.path.empty()) return f;
  const int fd = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    void* data = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (data != MAP_FAILED) {
      f.data = data;
      f.size = static_cast<size_t>(st.st_size);
    }
  }
  if (fd >= 0) ::close(fd);
  return f;
}

// The CJK face for Simplified Chinese (captions are GBK; its Japanese kana
// and kanji cover the story's titles too). Kept for the process's life.
const FontFile& CjkFont() {
  static const FontFile found = FindFont("Noto Sans CJK SC:lang=zh-cn");
  return found;
}

// A face drawn for Latin text at small sizes.
const FontFile& LatinFont() {
  static const FontFile found = FindFont("sans-serif:lang=en");
  return found;
}

bool IsLatin(ImWchar c) {
  return c < 0x250;  // Basic Latin to Latin Extended-B
}

// Adds `face` to `fonts` for `ranges` (merged into the font before it when `merge`).
ImFont* AddFace(ImFontAtlas& fonts, const FontFile& face, float pixels,
                const ImVector<ImWchar>& ranges, bool merge) {
  if (!face.data || ranges.Size <= 1) return nullptr;
  ImFontConfig config;
  config.FontData = face.data;
  config.FontDataSize = static_cast<int>(face.size);
  // Marked as the atlas's so that it is not copied (ImGui copies data it
  // does not own); Release takes it back before the atlas could free it.
  config.FontDataOwnedByAtlas = true;
  config.FontNo = face.index;
  config.SizePixels = pixels;
  config.GlyphRanges = ranges.Data;
  config.MergeMode = merge;
  // Whole pixels: SDL's software renderer samples the atlas without
  // filtering, so any glyph placed between pixels came out unevenly spaced.
  config.OversampleH = config.OversampleV = 1;
  config.PixelSnapH = true;
  return fonts.AddFont(&config);
}

}  // namespace

std::string CjkFontPath(int& index) {
  index = CjkFont().index;
  return CjkFont().path;
}

void GlyphAtlas::Need(const std::string& utf8) {
  const char* p = utf8.c_str();
  const char* end = p + utf8.size();
  while (p < end) {
    unsigned int c = 0;
    const int n = ImTextCharFromUtf8(&c, p, end);
    if (n <= 0) break;
    p += n;
    if (c >= 0x80 && c <= 0xFFFF) wanted_.insert(static_cast<ImWchar>(c));
  }
}

void GlyphAtlas::Release(ImFontAtlas& fonts) {
  for (ImFontConfig& config : fonts.ConfigData) {
    if (config.FontData != CjkFont().data && config.FontData != LatinFont().data) continue;
    config.FontData = nullptr;
    config.FontDataOwnedByAtlas = false;
  }
}

void GlyphAtlas::Build(ImFontAtlas& fonts) {
  Release(fonts);
  fonts.Clear();
  fonts.FontBuilderIO = ImGuiFreeType::GetBuilderForFreeType();
  fonts.FontBuilderFlags = ImGuiFreeTypeBuilderFlags_LightHinting;
  ImFontGlyphRangesBuilder latin, other;
  latin.AddRanges(fonts.GetGlyphRangesDefault());  // ASCII and Latin-1
  for (ImWchar c : wanted_) (IsLatin(c) ? latin : other).AddChar(c);
  latin_.clear();
  other_.clear();
  latin.BuildRanges(&latin_);
  other.BuildRanges(&other_);
  const bool hasLatin = LatinFont().data != nullptr;
  ImFont* font = AddFace(fonts, hasLatin ? LatinFont() : CjkFont(), pixels_, latin_, false);
  // What the Latin face lacks is taken from the CJK face too (the first face wins).
  if (font) AddFace(fonts, CjkFont(), pixels_, hasLatin ? latin_ : other_, true);
  if (font && hasLatin) AddFace(fonts, CjkFont(), pixels_, other_, true);
  if (!font) {
    ImFontConfig config;
    config.SizePixels = pixels_;
    fonts.AddFontDefault(&config);
  }
  fonts.Build();
  built_ = wanted_;
}

}  // namespace vantel
