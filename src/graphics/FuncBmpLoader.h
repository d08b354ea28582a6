// Image loading: picture names as scripts and scenes write them, turned into
// pixels.
//
// A colour name gives an 800x600 plain picture; any other name is looked up in
// the image archive (JPEG before PNG) and then as a loose file under image/.
// Loading a picture that has a thumbnail companion (its name + "_s") records
// it for the gallery. The archive, debug mode and the record are the
// program's, reached through the graphics host.
//
// JPEG data is decoded by libjpeg-turbo to 24-bit BGR; a progressive JPEG
// with more scans than real pictures use is refused as damaged. PNG data is
// decoded by our own decoder over zlib, straight from the stream into the
// picture's rows: 8-bit truecolour rows come out byte for byte as inflated
// (red and blue swapped, alpha straight). It also reads the rest of PNG: row
// filters, image data over several IDAT chunks, grey and palette pictures,
// tRNS (which makes grey, palette and truecolour pictures 32-bit, alpha 0 at
// the key colour or as the palette says), grey with alpha, 16-bit samples
// (the high byte is kept), bit depths 1/2/4 and Adam7 interlacing.
//
// Depends on: base (Picture, Stream, Paths), zlib, libjpeg, data (archives,
// colour names), GraphicsHost (image archive, debug mode, unlock record).
// Fails with DataError (clear message) on truncated or damaged data, absurd
// sizes and JPEGs the library rejects; the picture may then be partly filled.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/Bytes.h"
#include "base/Picture.h"
#include "base/Stream.h"

namespace vantel {

// Largest picture the decoders accept; larger sizes in a header are refused
// before anything is allocated.
constexpr int kMaxPictureSide = Picture::kMaxSide;
constexpr int64_t kMaxPicturePixels = int64_t{1} << 25;

// Fills `picture` from a picture name: a colour name or #RRGGBB (800x600,
// 24-bit); else the name without its extension, lower-cased, as an image
// archive entry name.jpg, then name.png; else a loose file name.jpg, then
// name.png, in the image archive's loose folder (image/). Records name with
// the host's Unlock when a thumbnail companion exists (archive name_s.png or
// name_s.jpg, or in debug mode a loose name_s.png). False, with a 0x0
// picture, when nothing was found.
bool LoadImage(Picture& picture, std::string_view name);

// Decodes `size` bytes of JPEG data from the stream's position into a 24-bit
// picture of the JPEG's size (grey JPEGs give equal blue, green and red).
void LoadJpeg(Picture& picture, Stream& stream, int64_t size);

// Decodes the PNG starting at the stream's position. Colour types 0-3 give a
// 24-bit picture (with a tRNS chunk: 32-bit, alpha 0 where the key colour or
// palette entry says so), 4 and 6 a 32-bit one.
void LoadPng(Picture& picture, Stream& stream);

}  // namespace vantel
