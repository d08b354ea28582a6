// The faces the menu, the dialogs and the debugger draw with, and the glyph
// atlas each ImGui context keeps of them.
//
// Latin letters come from a face made for Latin (fontconfig's sans-serif
// for English), everything else from the CJK face fontconfig picks for
// Simplified Chinese; both are rendered by FreeType with hinting, so small
// Latin text keeps its advances on whole pixels. Font files are mapped into
// memory once per process and never copied: only the pages read count.
// The atlas holds only the characters asked for and grows when new ones
// appear (typed text, a new caption).
//
// Depends on fontconfig, FreeType (through ImGui's builder), Dear ImGui.
// No face found: ImGui's own font is used.
#pragma once

#include <imgui.h>

#include <set>
#include <string>

namespace vantel {

// The CJK face fontconfig picks for Simplified Chinese (empty: none) and its face index.
std::string CjkFontPath(int& index);

class GlyphAtlas {
 public:
  // `pixels`: the text's height in window pixels.
  explicit GlyphAtlas(float pixels) : pixels_(pixels) {}
  // The height, before the first Build (the atlas is not copied: ImGui's
  // vectors copy through memcpy even when empty).
  void SetPixels(float pixels) { pixels_ = pixels; }
  // Characters about to be drawn (UTF-8).
  void Need(const std::string& utf8);
  // Whether characters were asked for that the atlas does not hold yet.
  bool Stale() const { return wanted_ != built_; }
  // Builds `fonts` again with every character asked for so far; the
  // renderer's font texture must then be made again.
  void Build(ImFontAtlas& fonts);
  // Takes the mapped font files back from `fonts`; before the context goes.
  static void Release(ImFontAtlas& fonts);

 private:
  float pixels_;
  std::set<ImWchar> wanted_, built_;
  ImVector<ImWchar> latin_, other_;  // the ranges each face is asked for (kept while built)
};

}  // namespace vantel
