// SaveThumbs: a small picture of the story at each save, for the save and
// load dialog. A save "dataN" has its thumbnail at save/thumb/dataN.png
// (200 x 150, the frame scaled down by four): a folder of its own, so no
// thumbnail is ever a name the save listing could take for a save.
//
// Depends on Picture, the PNG writer and reader, the path helpers. Fails:
// WriteThumbnail lets FileError through (the caller logs it; the save
// itself stands); LoadThumbnail returns false for a missing or damaged
// file; names with a path in them are refused.
#pragma once

#include <string>

#include "base/Picture.h"

namespace vantel {

constexpr int kThumbWidth = 200, kThumbHeight = 150;

// The thumbnail's path for the save `saveName` in `saveDir` (with its
// trailing '/'); empty for a name that is not a plain file name.
std::string ThumbPath(const std::string& saveDir, const std::string& saveName);
// `frame` scaled to 200 x 150 (each pixel the mean of the block it covers), 24-bit.
Picture MakeThumbnail(const Picture& frame);
void WriteThumbnail(const std::string& saveDir, const std::string& saveName, const Picture& frame);
bool LoadThumbnail(const std::string& saveDir, const std::string& saveName, Picture& thumb);
// Deletes the thumbnails whose saves are gone; the number deleted.
int PruneThumbnails(const std::string& saveDir);

}  // namespace vantel
