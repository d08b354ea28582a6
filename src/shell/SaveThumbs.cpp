#include "shell/SaveThumbs.h"

#include <algorithm>
#include <exception>

#include "base/Errors.h"
#include "base/Paths.h"
#include "base/PngWrite.h"
#include "base/Stream.h"
#include "graphics/FuncBmpLoader.h"
#include "shell/UnitShiori.h"

namespace vantel {
namespace {
constexpr const char* kFolder = "thumb/";
constexpr const char* kSuffix = ".png";
}  // namespace

std::string ThumbPath(const std::string& saveDir, const std::string& saveName) {
  if (saveDir.empty() || saveName.empty() || !IsSafeName(saveName)) return {};
  return saveDir + kFolder + saveName + kSuffix;
}

Picture MakeThumbnail(const Picture& frame) {
  Picture thumb(kThumbWidth, kThumbHeight, Picture::Format::BGR24, 0);
  if (frame.Empty()) return thumb;
  const int bpp = frame.BytesPerPixel();
  for (int ty = 0; ty < kThumbHeight; ++ty) {
    const int y0 = ty * frame.Height() / kThumbHeight;
    const int y1 = std::max(y0 + 1, (ty + 1) * frame.Height() / kThumbHeight);
    uint8_t* out = thumb.Row(ty);
    for (int tx = 0; tx < kThumbWidth; ++tx) {
      const int x0 = tx * frame.Width() / kThumbWidth;
      const int x1 = std::max(x0 + 1, (tx + 1) * frame.Width() / kThumbWidth);
      uint32_t sum[3] = {};
      for (int y = y0; y < y1; ++y) {
        const uint8_t* p = frame.Pixel(x0, y);
        for (int x = x0; x < x1; ++x, p += bpp)
          for (int c = 0; c < 3; ++c) sum[c] += p[c];
      }
      const uint32_t n = static_cast<uint32_t>((x1 - x0) * (y1 - y0));
      for (int c = 0; c < 3; ++c) out[tx * 3 + c] = static_cast<uint8_t>(sum[c] / n);
    }
  }
  return thumb;
}

void WriteThumbnail(const std::string& saveDir, const std::string& saveName,
                    const Picture& frame) {
  const std::string path = ThumbPath(saveDir, saveName);
  if (path.empty()) return;
  MakeDirectories(saveDir + kFolder);
  WriteFileAtomic(path, EncodePng(MakeThumbnail(frame)));
}

bool LoadThumbnail(const std::string& saveDir, const std::string& saveName, Picture& thumb) {
  const std::string path = ThumbPath(saveDir, saveName);
  if (path.empty() || !FileExists(path) || FileSize(path) > (1 << 20)) return false;
  try {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return false;
    MemoryStream stream(*bytes);
    Picture loaded;
    LoadPng(loaded, stream);
    // Anything else is no thumbnail of ours: shown as none.
    if (loaded.Width() != kThumbWidth || loaded.Height() != kThumbHeight) return false;
    thumb = std::move(loaded);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int PruneThumbnails(const std::string& saveDir) {
  if (saveDir.empty() || !DirectoryExists(saveDir + kFolder)) return 0;
  int deleted = 0;
  for (const std::string& name : ListDirectory(saveDir + kFolder)) {
    const size_t n = name.size(), s = std::string(kSuffix).size();
    if (n <= s || LowerCase(name.substr(n - s)) != kSuffix) continue;
    if (FileExists(saveDir + name.substr(0, n - s))) continue;
    if (DeleteFile(saveDir + kFolder + name)) ++deleted;
  }
  return deleted;
}

int TFormShiori::SideWidth() const {
  return kThumbWidth + 8;  // the thumbnail and a margin at its right
}

const Picture* TFormShiori::SidePicture() const {
  const std::string file =
      CurrentRow >= 0 && CurrentRow < static_cast<int>(Rows.size()) ? Rows[CurrentRow].file : "";
  // Read once per selected save, not at every frame the view draws.
  if (file != thumbFor_) {
    thumbFor_ = file;
    hasThumb_ = !file.empty() && LoadThumbnail(SaveDir, file, thumb_);
  }
  return hasThumb_ ? &thumb_ : nullptr;
}

}  // namespace vantel
