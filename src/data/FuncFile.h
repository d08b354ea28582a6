// Packed blocks and packed text files, colour names, and two small text
// helpers shared by the whole system.
//
// A packed block is a 32-bit little-endian length word (low 24 bits: the
// unpacked length L; the system writes 0x5A in the top byte) followed by a
// zlib stream that inflates to exactly L bytes. A packed text file is one
// packed block at offset 0, or plain text when its fourth byte is not 0x5A
// (or it is shorter than four bytes). Settings, save slots, the backup and
// the unlock record are packed text files.
//
// Depends on zlib and base/ (streams, paths). Damaged or short zlib data,
// or a stream that does not inflate to exactly L bytes, raises DataError
// naming the file; a file that cannot be written raises FileError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Bytes.h"
#include "base/Stream.h"

namespace vantel {

// Largest text a packed block can carry (the length word keeps 24 bits).
constexpr uint32_t kMaxPackedLength = 0xFFFFFF;
// Top byte of the length word in blocks the system writes.
constexpr uint32_t kPackedMark = 0x5A000000;

// Reads one packed block at the stream's position (the word's top byte is
// ignored) and leaves the stream just after the block's zlib stream, giving
// back whatever input was read ahead. `what` names the data in errors.
// A block stating more than `maxLength` bytes, or more than the rest of the
// stream could inflate to, raises DataError before anything is inflated.
Bytes ReadPackedBlock(Stream& stream, std::string_view what = "packed block",
                      size_t maxLength = kMaxPackedLength);
// Writes one packed block (mark 0x5A, zlib level 9) at the stream's position;
// returns the number of bytes written. Throws DataError for a text longer
// than kMaxPackedLength.
int64_t WritePackedBlock(Stream& stream, std::string_view text);

// The file's text, packed or plain; empty when there is no file at `path`
// (matched in any case). A text longer than `maxLength` bytes (packed or
// plain) raises DataError without being read in full: callers whose files
// have a known real size pass a limit far above it, so that a small packed
// file cannot unpack into a text that costs seconds and gigabytes to use.
// A name that holds no regular file (a FIFO, a link to a device) raises
// DataError without blocking; one that cannot be opened, FileError.
Bytes ReadPackedFile(const std::string& path, size_t maxLength = SIZE_MAX);
// Writes `text` packed to a temporary file and renames it over `path`, so a
// crash mid-write never destroys the previous file.
void WritePackedFile(const std::string& path, std::string_view text);

// Colour value 0x00BBGGRR of a colour name ("black", "white", "red", "blue",
// "green", "yellow", "gray"; case-sensitive) or of "#RRGGBB"; -1 when the
// text is no colour; 0 for a '#' text with bad digits.
int32_t ColorOf(std::string_view text);
// Field n (0-based) of `text` split as comma text; empty when there are fewer.
Bytes CommaField(std::string_view text, int n);
// The bytes from 1-based position `from` through `to`, inclusive, clipped to
// the text.
Bytes CopyRange(std::string_view text, int from, int to);

}  // namespace vantel
