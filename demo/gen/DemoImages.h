// The demo's pictures: backgrounds (JPEG and PNG), character pictures with
// alpha at several sizes, overlays, event pictures with their `_s`
// thumbnails, and every picture the title, gallery, music room, message
// log, credits and logo scenes name. Painted from shapes by Canvas; PNG
// through WritePng's encoder, JPEG through libjpeg. Deterministic.
#pragma once

#include <string>
#include <vector>

#include "demo/gen/Asset.h"

namespace vantel::demo {

AssetList ImageAssets();

// The music room's track-title picture stems, in track order (each has
// _01, _02 and _03 pictures).
const std::vector<std::string>& TrackPictureStems();

}  // namespace vantel::demo
