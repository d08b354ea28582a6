#include "graphics/FuncBmpLoader.h"

#include <optional>
#include <string>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "graphics/GraphicsHost.h"

namespace vantel {
namespace {

// The name without its extension (from the last dot on), lower-cased.
Bytes BaseName(std::string_view name) {
  const size_t dot = name.rfind('.');
  return LowerCase(dot == std::string_view::npos ? name : name.substr(0, dot));
}

void Unlock(const Bytes& name) {
  if (GraphicsHost* host = GetGraphicsHost()) host->Unlock(name);
}

// Decodes an archive entry; false when the archive has no such entry (its
// loose files are not looked at here) or cannot position it.
bool LoadEntry(Picture& picture, TArchive* archive, const Bytes& entry, bool jpeg) {
  if (!archive || archive->IndexOf(entry) < 0) return false;
  TArchive& a = *archive;
  if (!a.SelectEntry(entry) || !a.Stream()) return false;
  if (jpeg)
    LoadJpeg(picture, *a.Stream(), a.EntrySize(entry));
  else
    LoadPng(picture, *a.Stream());
  return true;
}

}  // namespace

bool LoadImage(Picture& picture, std::string_view name) {
  const int32_t colour = ColorOf(name);
  if (colour >= 0) {
    picture.SetSize(0, 0);
    picture.SetFillColour(colour);
    picture.SetPixelFormat(Picture::Format::BGR24);
    picture.SetHeight(600);
    picture.SetWidth(800);
    return true;
  }

  const Bytes base = BaseName(name);
  picture.SetHeight(0);
  picture.SetWidth(0);
  GraphicsHost* host = GetGraphicsHost();
  TArchive* archive = host ? host->ImageArchive() : nullptr;
  const std::string looseDir = archive ? archive->LooseDir() : std::string("image/");

  // A picture with a thumbnail companion is a gallery picture: record it.
  if (archive && archive->IndexOf(base + "_s.png") >= 0) Unlock(base);
  if (archive && archive->IndexOf(base + "_s.jpg") >= 0) Unlock(base);
  if (host && host->DebugMode() && FindDataFile(looseDir, base + "_s.png")) Unlock(base);

  // JPEG before PNG.
  if (LoadEntry(picture, archive, base + ".jpg", true)) return true;
  if (LoadEntry(picture, archive, base + ".png", false)) return true;

  auto path = FindDataFile(looseDir, base + ".jpg");
  const bool jpeg = path.has_value();
  if (!jpeg) path = FindDataFile(looseDir, base + ".png");
  // A loose file without either extension is no picture: not found, rather
  // than "found" with nothing in it.
  if (!path) return false;
  FileStream file(*path, FileStream::Mode::Read);
  if (jpeg)
    LoadJpeg(picture, file, file.Size());
  else
    LoadPng(picture, file);
  return true;
}

}  // namespace vantel
