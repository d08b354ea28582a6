#include "platform/FontText.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>
#include <vector>

#include "base/Errors.h"

namespace vantel {

namespace {

constexpr int kDefaultCellHeight = 16;
constexpr int kMaxCellHeight = 1024;
// Rendered glyphs kept before the cache is emptied and starts again.
constexpr size_t kMaxCachedGlyphs = 4096;
constexpr size_t kMaxCachedBytes = 16u << 20;

// Decodes UTF-8 (as ToUtf8 produces it, so well formed) into code points.
std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t cp = c;
    if (c >= 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else if (c >= 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0x80) {
      cp = 0xFFFD;
    }
    ++i;
    for (int k = 0; k < extra; ++k, ++i) {
      if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
        cp = 0xFFFD;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    }
    out.push_back(cp);
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// A face name folded for recognising well-known names: full-width ASCII to
// ASCII, ASCII letters lower-cased, blanks, hyphens and underscores dropped.
std::string FoldName(std::string_view utf8) {
  std::string out;
  for (char32_t cp : DecodeUtf8(utf8)) {
    if (cp >= 0xFF01 && cp <= 0xFF5E) cp -= 0xFEE0;
    if (cp == 0x3000 || cp == ' ' || cp == '-' || cp == '_' || cp == '\t') continue;
    if (cp >= 'A' && cp <= 'Z') cp += 'a' - 'A';
    AppendUtf8(out, cp);
  }
  return out;
}

bool ContainsAny(const std::string& s, std::initializer_list<const char*> keys) {
  for (const char* k : keys)
    if (s.find(k) != std::string::npos) return true;
  return false;
}

// Whether a face name that is not installed names a serif (mincho / song)
// face; everything else is taken as a sans (gothic / hei) face.
bool NamesSerifFace(std::string_view utf8Name) {
  const std::string n = FoldName(utf8Name);
  if (ContainsAny(n, {"sans", "gothic", "ゴシック", "hei", "黑", "黒", "meiryo", "メイリオ",
                      "arial", "tahoma", "verdana", "gulim", "dotum", "yuan", "圆", "丸"}))
    return false;
  return ContainsAny(n, {"mincho", "明朝", "ming", "song", "sun", "宋", "kai", "楷", "batang",
                         "serif", "times", "century"});
}

bool SameFamily(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

struct FaceInfo {
  FT_Face face = nullptr;
  int upem = 1000;
  int cellAscent = 0;   // font units above the baseline in the cell
  int cellDescent = 0;  // font units below it
  int emAscent = 0;     // font units from the top of the em box down to the baseline
  bool bold = false;    // the font itself is bold / italic
  bool italic = false;
  std::map<long, FT_Size> sizes;  // by em in 26.6 pixels
  int Cell() const { return cellAscent + cellDescent; }
};

struct GlyphKey {
  const FaceInfo* face;
  long em;  // 26.6 pixels
  unsigned glyph;
  int style;  // bit 0 synthetic bold, bit 1 synthetic italic
  bool operator==(const GlyphKey& o) const {
    return face == o.face && em == o.em && glyph == o.glyph && style == o.style;
  }
};

struct GlyphKeyHash {
  size_t operator()(const GlyphKey& k) const {
    size_t h = std::hash<const void*>()(k.face);
    h = h * 1000003u ^ static_cast<size_t>(k.em);
    h = h * 1000003u ^ k.glyph;
    h = h * 1000003u ^ static_cast<size_t>(k.style);
    return h;
  }
};

struct Glyph {
  bool loaded = false;
  bool rendered = false;
  int advance = 0;  // whole pixels
  int left = 0;     // bitmap's left edge from the pen
  int top = 0;      // bitmap's top row above the baseline
  int width = 0, rows = 0;
  std::vector<uint8_t> coverage;  // width x rows
};

// A face name, with its code page and style, resolved to fonts.
struct Resolution {
  FaceInfo* primary = nullptr;
  int primaryStyle = 0;
  FaceInfo* fallback = nullptr;  // the default face, for characters the primary lacks
  int fallbackStyle = 0;
  FontText::Resolved info;
};

// A request's sizes in pixels: the cell, the baseline below the cell's top,
// and the em (26.6) at which every face of the request is rendered.
struct Sizing {
  int cell = 0;
  int ascent = 0;
  long em = 64;
};

}  // namespace

struct FontText::Impl {
  FT_Library lib = nullptr;
  FcConfig* config = nullptr;
  std::map<std::pair<std::string, int>, std::unique_ptr<FaceInfo>> faces;
  std::map<std::tuple<Bytes, CodePage, bool, bool>, Resolution> resolutions;
  std::unordered_map<GlyphKey, Glyph, GlyphKeyHash> glyphs;
  size_t cachedBytes = 0;
  bool cacheOn = true;
  const Resolution* basic = nullptr;  // the default face, plain, for CP932
  Glyph scratch;                      // the glyph in use when caching is off

  ~Impl() {
    for (auto& [key, info] : faces) FT_Done_Face(info->face);  // frees its sizes too
    if (lib) FT_Done_FreeType(lib);
    if (config) FcConfigDestroy(config);
  }

  FaceInfo* OpenFace(const std::string& file, int index) {
    auto key = std::make_pair(file, index);
    auto it = faces.find(key);
    if (it != faces.end()) return it->second.get();
    FT_Face face = nullptr;
    if (FT_New_Face(lib, file.c_str(), index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face)) {
      FT_Done_Face(face);
      return nullptr;
    }
    auto info = std::make_unique<FaceInfo>();
    info->face = face;
    info->upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    // The platform's cell is the Windows ascent + descent; fonts without an
    // OS/2 table use their horizontal header's values.
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      info->cellAscent = os2->usWinAscent;
      info->cellDescent = os2->usWinDescent;
    } else {
      info->cellAscent = face->ascender;
      info->cellDescent = -face->descender;
    }
    info->bold = (face->style_flags & FT_STYLE_FLAG_BOLD) ||
                 (os2 && os2->version != 0xFFFF && os2->usWeightClass >= 600);
    info->italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    if (info->Cell() <= 0) {
      info->cellAscent = info->upem * 4 / 5;
      info->cellDescent = info->upem - info->cellAscent;
    }
    // Where the em box stands: CJK fonts give it as their typographic ascender
    // and descender (together one em); for others the baseline lies where the
    // Windows CJK faces have it, 0.86 em below the top.
    info->emAscent = (info->upem * 86 + 50) / 100;
    if (os2 && os2->version != 0xFFFF && os2->sTypoAscender > 0) {
      const int box = os2->sTypoAscender - os2->sTypoDescender;
      if (box * 10 >= info->upem * 9 && box * 10 <= info->upem * 11)
        info->emAscent = static_cast<int>(
            (static_cast<long long>(os2->sTypoAscender) * info->upem + box / 2) / box);
    }
    FaceInfo* raw = info.get();
    faces.emplace(key, std::move(info));
    return raw;
  }

  // Asks fontconfig for `family` in the given style. Fills `out` and returns
  // the opened face, or nullptr.
  FaceInfo* MatchFamily(const std::string& family, bool bold, bool italic, const char* lang,
                        bool requireSameFamily, FontText::Resolved& out) {
    FcPattern* pat = FcPatternCreate();
    if (!pat) return nullptr;
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    if (lang) FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    FcConfigSubstitute(config, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pat, &result);
    FcPatternDestroy(pat);
    if (!match) return nullptr;

    FaceInfo* face = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    FcChar8* matchedFamily = nullptr;
    bool familyOk = !requireSameFamily;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &matchedFamily) == FcResultMatch; ++i) {
      if (SameFamily(reinterpret_cast<const char*>(matchedFamily), family)) familyOk = true;
      if (i == 0) out.family = reinterpret_cast<const char*>(matchedFamily);
    }
    if (familyOk && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      face = OpenFace(reinterpret_cast<const char*>(file), index);
      if (face) {
        // The match's weight and slant may already be those of fontconfig's
        // own synthesis; the font file says what it really is.
        out.file = reinterpret_cast<const char*>(file);
        out.index = index;
        out.syntheticBold = bold && !face->bold;
        out.syntheticItalic = italic && !face->italic;
      }
    }
    FcPatternDestroy(match);
    return face;
  }

  FaceInfo* MatchDefault(bool serif, bool bold, bool italic, CodePage cp, FontText::Resolved& out) {
    const bool zh = cp == CodePage::GBK;
    std::string family = serif ? "Noto Serif CJK " : "Noto Sans CJK ";
    family += zh ? "SC" : "JP";
    const char* lang = zh ? "zh-cn" : "ja";
    if (FaceInfo* f = MatchFamily(family, bold, italic, lang, true, out)) return f;
    // No Noto CJK here: whatever the system offers for the language.
    if (FaceInfo* f = MatchFamily(serif ? "serif" : "sans-serif", bold, italic, lang, false, out))
      return f;
    return nullptr;
  }

  const Resolution& Resolve(const FontRequest& font) {
    auto key = std::make_tuple(font.face, font.codePage, font.bold, font.italic);
    auto it = resolutions.find(key);
    if (it != resolutions.end()) return it->second;

    Resolution r;
    FontText::Resolved fallbackInfo;
    r.fallback = MatchDefault(false, font.bold, font.italic, font.codePage, fallbackInfo);
    if (!r.fallback && basic) {
      // No such style or language anywhere: the plain default face, styled by hand.
      r.fallback = basic->primary;
      fallbackInfo = basic->info;
      fallbackInfo.syntheticBold = font.bold && !basic->primary->bold;
      fallbackInfo.syntheticItalic = font.italic && !basic->primary->italic;
    }
    if (!r.fallback) throw Error("no usable font is installed (fonts-noto-cjk is expected)");
    r.fallbackStyle = (fallbackInfo.syntheticBold ? 1 : 0) | (fallbackInfo.syntheticItalic ? 2 : 0);

    const std::string name = ToUtf8(font.face, font.codePage);
    if (!name.empty()) r.primary = MatchFamily(name, font.bold, font.italic, nullptr, true, r.info);
    // Any other face stands in for the one named (or for the platform's
    // default face), whose metrics the data was made with.
    r.info.standIn = !r.primary;
    if (!r.primary && !name.empty() && NamesSerifFace(name))
      r.primary = MatchDefault(true, font.bold, font.italic, font.codePage, r.info);
    if (!r.primary) {
      r.primary = r.fallback;
      r.info = fallbackInfo;
      r.info.standIn = true;
    }
    r.primaryStyle = (r.info.syntheticBold ? 1 : 0) | (r.info.syntheticItalic ? 2 : 0);
    return resolutions.emplace(key, r).first->second;
  }

  // The sizes a request asks of its resolved faces.
  //
  // An installed face named by the request has its own metrics: its cell
  // (Windows ascent + descent) is the height. A stand-in is sized as the face
  // it stands for: the Windows CJK faces (MS Gothic and Mincho, SimHei,
  // SimSun ...) have a cell of one em, so the em is the height, the em box
  // fills the cell, and the text has the widths and fill the data was made
  // with (the CJK faces' own cells are about 1.45 em, which would make
  // everything some 30% smaller).
  static Sizing SizeFor(const Resolution& r, int height) {
    const FaceInfo& f = *r.primary;
    Sizing z;
    if (r.info.standIn) {
      long long cell = height > 0 ? height : -static_cast<long long>(height);
      if (height == 0) cell = kDefaultCellHeight;
      z.cell = static_cast<int>(std::clamp<long long>(cell, 1, kMaxCellHeight));
      z.ascent =
          static_cast<int>((static_cast<long long>(z.cell) * f.emAscent + f.upem / 2) / f.upem);
      z.em = 64L * z.cell;
      return z;
    }
    long long cell = height;
    if (height == 0) cell = kDefaultCellHeight;
    if (height < 0) cell = (-static_cast<long long>(height) * f.Cell() + f.upem / 2) / f.upem;
    z.cell = static_cast<int>(std::clamp<long long>(cell, 1, kMaxCellHeight));
    z.ascent =
        static_cast<int>((static_cast<long long>(z.cell) * f.cellAscent + f.Cell() / 2) / f.Cell());
    // The em in 26.6 pixels that makes ascent + descent the cell height.
    z.em = std::max<long>(
        static_cast<long>((static_cast<long long>(z.cell) * f.upem * 64 + f.Cell() / 2) / f.Cell()),
        1);
    return z;
  }

  bool ActivateSize(FaceInfo& f, long em) {
    auto it = f.sizes.find(em);
    if (it == f.sizes.end()) {
      FT_Size size = nullptr;
      if (FT_New_Size(f.face, &size) != 0) return false;
      if (FT_Activate_Size(size) != 0) {
        FT_Done_Size(size);
        return false;
      }
      if (FT_Set_Char_Size(f.face, 0, static_cast<FT_F26Dot6>(em), 72, 72) != 0) {
        FT_Done_Size(size);
        return false;
      }
      it = f.sizes.emplace(em, size).first;
      return true;
    }
    return FT_Activate_Size(it->second) == 0;
  }

  // Loads (and with `render`, rasterises) one glyph; a glyph that fails to
  // load is empty with no advance.
  void LoadGlyph(FaceInfo& f, long em, unsigned index, int style, bool render, Glyph& g) {
    g = Glyph();
    g.loaded = true;
    g.rendered = render;
    if (!ActivateSize(f, em)) return;
    if (FT_Load_Glyph(f.face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) return;
    FT_GlyphSlot slot = f.face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (style & 1) FT_GlyphSlot_Embolden(slot);
      if (style & 2) FT_GlyphSlot_Oblique(slot);
    }
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (!render) return;
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
      return;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.num_grays != 256) return;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.rows = static_cast<int>(bm.rows);
    g.coverage.resize(static_cast<size_t>(g.width) * g.rows);
    for (int y = 0; y < g.rows; ++y) {
      const unsigned char* src =
          bm.pitch >= 0 ? bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch
                        : bm.buffer + static_cast<ptrdiff_t>(g.rows - 1 - y) * -bm.pitch;
      std::memcpy(&g.coverage[static_cast<size_t>(y) * g.width], src, g.width);
    }
  }

  const Glyph& GetGlyph(FaceInfo& f, long em, unsigned index, int style, bool render) {
    if (!cacheOn) {
      LoadGlyph(f, em, index, style, render, scratch);
      return scratch;
    }
    GlyphKey key{&f, em, index, style};
    auto it = glyphs.find(key);
    if (it != glyphs.end() && (it->second.rendered || !render)) return it->second;
    if (glyphs.size() >= kMaxCachedGlyphs || cachedBytes >= kMaxCachedBytes) {
      glyphs.clear();
      cachedBytes = 0;
    }
    Glyph& g = glyphs[key];
    cachedBytes -= g.coverage.size();
    LoadGlyph(f, em, index, style, render, g);
    cachedBytes += g.coverage.size() + sizeof(Glyph);
    return g;
  }

  // Code points of 1- and 2-byte characters already converted, per code page;
  // 0 where not yet known. iconv is far too slow to open for every letter.
  std::vector<char32_t> codes[2];

  std::u32string Decode(std::string_view text, CodePage cp) {
    std::vector<char32_t>& table = codes[cp == CodePage::GBK ? 1 : 0];
    if (table.empty()) table.assign(0x10000, 0);
    std::u32string out;
    for (size_t i = 0; i < text.size();) {
      const size_t len = CharLength(text, i, cp);
      const std::string_view unit = text.substr(i, len);
      i += len;
      const unsigned key = len == 2 ? (static_cast<unsigned char>(unit[0]) << 8) |
                                          static_cast<unsigned char>(unit[1])
                                    : static_cast<unsigned char>(unit[0]);
      if (table[key] != 0) {
        out.push_back(table[key]);
        continue;
      }
      const std::u32string cps = DecodeUtf8(ToUtf8(unit, cp));
      if (cps.size() == 1 && cps[0] != 0) table[key] = cps[0];
      out += cps;
    }
    return out;
  }

  // Walks the text's characters with the face each comes from.
  template <typename Fn>
  void ForEachChar(const Resolution& r, std::string_view text, CodePage cp, Fn fn) {
    for (char32_t ch : Decode(text, cp)) {
      FaceInfo* f = r.primary;
      int style = r.primaryStyle;
      unsigned index = FT_Get_Char_Index(f->face, ch);
      if (index == 0 && r.fallback != r.primary) {
        const unsigned other = FT_Get_Char_Index(r.fallback->face, ch);
        if (other != 0) {
          f = r.fallback;
          style = r.fallbackStyle;
          index = other;
        }
      }
      fn(*f, style, index);
    }
  }
};

FontText::FontText() : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->lib) != 0) throw Error("FreeType cannot start");
  impl_->config = FcInitLoadConfigAndFonts();
  if (!impl_->config) throw Error("fontconfig cannot start");
  // Fails early, with a clear message, on a machine without fonts; once this
  // worked, every later request finds at least this face.
  impl_->basic = &impl_->Resolve(FontRequest{});
}

FontText::~FontText() = default;

FontText& SharedFontText() {
  static FontText service;
  return service;
}

void FontText::SetGlyphCache(bool on) {
  impl_->cacheOn = on;
  if (!on) {
    impl_->glyphs.clear();
    impl_->cachedBytes = 0;
  }
}

FontText::Resolved FontText::Resolve(const FontRequest& font) {
  return impl_->Resolve(font).info;
}

FontText::CellMetrics FontText::Metrics(const FontRequest& font) {
  const Sizing z = Impl::SizeFor(impl_->Resolve(font), font.height);
  return {z.cell, z.ascent, static_cast<int>((z.em + 32) / 64)};
}

TextExtent FontText::Measure(const FontRequest& font, std::string_view text) {
  const Resolution& r = impl_->Resolve(font);
  const Sizing z = Impl::SizeFor(r, font.height);
  TextExtent e;
  e.height = z.cell;
  impl_->ForEachChar(r, text, font.codePage, [&](FaceInfo& f, int style, unsigned index) {
    e.width += impl_->GetGlyph(f, z.em, index, style, false).advance;
  });
  return e;
}

void FontText::Draw(Picture& target, int x, int y, const FontRequest& font, Colour colour,
                    std::string_view text) {
  const Resolution& r = impl_->Resolve(font);
  const Sizing z = Impl::SizeFor(r, font.height);
  const int baseline = y + z.ascent;
  const uint8_t rgb[3] = {static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8),
                          static_cast<uint8_t>(colour)};
  const int bpp = target.BytesPerPixel();
  long long pen = x;
  impl_->ForEachChar(r, text, font.codePage, [&](FaceInfo& f, int style, unsigned index) {
    const Glyph& g = impl_->GetGlyph(f, z.em, index, style, true);
    const long long gx = pen + g.left, gy = static_cast<long long>(baseline) - g.top;
    pen += g.advance;
    const long long c0 = std::max<long long>(0, -gx);
    const long long c1 = std::min<long long>(g.width, target.Width() - gx);
    const long long r0 = std::max<long long>(0, -gy);
    const long long r1 = std::min<long long>(g.rows, target.Height() - gy);
    if (c0 >= c1) return;  // beside the picture: its rows are not even addressed
    for (long long row = r0; row < r1; ++row) {
      const uint8_t* cov = &g.coverage[static_cast<size_t>(row * g.width)];
      uint8_t* p = target.Pixel(static_cast<int>(gx + c0), static_cast<int>(gy + row));
      for (long long col = c0; col < c1; ++col, p += bpp) {
        const unsigned a = cov[col];
        if (a == 0) continue;
        for (int k = 0; k < 3; ++k)
          p[k] = static_cast<uint8_t>((p[k] * (255 - a) + rgb[k] * a + 127) / 255);
      }
    }
  });
}

}  // namespace vantel
