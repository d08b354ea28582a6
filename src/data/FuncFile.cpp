#include "data/FuncFile.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/CommaText.h"

namespace vantel {
namespace {

// Compressed input is read in pieces of this size; what the inflater does
// not use is given back by seeking.
constexpr size_t kInputChunk = 64 * 1024;
// Deflate cannot expand one input byte into more than about 1 032 output
// bytes (a maximal match in two one-bit codes); a length word that states
// more than this many bytes per byte left in the stream is damage, found
// without inflating or allocating anything.
constexpr int64_t kMaxInflateRatio = 1040;

[[noreturn]] void Fail(std::string_view what, const std::string& problem) {
  throw DataError(std::string(what) + ": " + problem);
}

struct Inflater {
  z_stream zs{};
  Inflater() {
    if (inflateInit(&zs) != Z_OK) throw DataError("zlib cannot start inflating");
  }
  ~Inflater() { inflateEnd(&zs); }
};

}  // namespace

Bytes ReadPackedBlock(Stream& stream, std::string_view what, size_t maxLength) {
  const uint32_t word = static_cast<uint32_t>(stream.ReadInt32(what));
  const size_t length = word & kMaxPackedLength;
  if (length > maxLength)
    Fail(what, "unpacks to " + std::to_string(length) + " bytes, far more than such data holds");
  const int64_t left = std::max<int64_t>(stream.Size() - stream.Position(), 0);
  if (static_cast<int64_t>(length) > left * kMaxInflateRatio)
    Fail(what, "states " + std::to_string(length) + " bytes, more than the " +
                   std::to_string(left) + " bytes after it can hold");
  Bytes text(length, '\0');
  // Once `text` is full, output goes to `spare`: any byte landing there means
  // the stream holds more than the length word says.
  unsigned char spare[1];
  auto input = std::make_unique<unsigned char[]>(kInputChunk);
  Inflater inf;
  z_stream& zs = inf.zs;
  zs.next_out = reinterpret_cast<Bytef*>(text.data());
  zs.avail_out = static_cast<uInt>(length);
  bool full = length == 0;
  if (full) {
    zs.next_out = spare;
    zs.avail_out = 1;
  }
  for (;;) {
    if (zs.avail_in == 0) {
      size_t got = stream.Read(input.get(), kInputChunk);
      if (got == 0)
        Fail(what, "compressed data ends after " + std::to_string(full ? length : zs.total_out) +
                       " of " + std::to_string(length) + " bytes");
      zs.next_in = input.get();
      zs.avail_in = static_cast<uInt>(got);
    }
    int ret = inflate(&zs, Z_NO_FLUSH);
    if (full && zs.avail_out == 0)
      Fail(what, "compressed data holds more than the " + std::to_string(length) + " bytes stated");
    if (ret == Z_STREAM_END) break;
    if (ret == Z_NEED_DICT || ret == Z_DATA_ERROR)
      Fail(what,
           std::string("damaged compressed data (") + (zs.msg ? zs.msg : "bad zlib stream") + ")");
    if (ret == Z_MEM_ERROR) Fail(what, "out of memory while inflating");
    if (!full && zs.avail_out == 0) {
      full = true;
      zs.next_out = spare;
      zs.avail_out = 1;
    }
  }
  if (zs.total_out != length)
    Fail(what, "compressed data holds " + std::to_string(zs.total_out) + " bytes, not the " +
                   std::to_string(length) + " stated");
  // Give back the input read past the end of the zlib stream.
  stream.Seek(stream.Position() - static_cast<int64_t>(zs.avail_in));
  return text;
}

int64_t WritePackedBlock(Stream& stream, std::string_view text) {
  if (text.size() > kMaxPackedLength)
    throw DataError("text of " + std::to_string(text.size()) +
                    " bytes is too long for a packed block");
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::string packed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                Z_BEST_COMPRESSION) != Z_OK)
    throw DataError("zlib cannot compress the text");
  stream.WriteInt32(static_cast<int32_t>(kPackedMark | static_cast<uint32_t>(text.size())));
  stream.Write(packed.data(), size);
  return 4 + static_cast<int64_t>(size);
}

Bytes ReadPackedFile(const std::string& path, size_t maxLength) {
  // A file far longer than its text may be (packing adds a few bytes per
  // 16 kB of incompressible text) is refused before it is read; a FIFO or
  // a device in its place is refused without waiting on it.
  const size_t maxFile =
      maxLength >= SIZE_MAX / 2 ? SIZE_MAX : maxLength + maxLength / 256 + 64;
  auto bytes = ReadWholeFile(path, maxFile);
  if (!bytes) {
    if (FindPath(path)) throw FileError("cannot read " + path);
    return Bytes();
  }
  if (bytes->size() < 4 || static_cast<unsigned char>((*bytes)[3]) != 0x5A) {
    if (bytes->size() > maxLength)
      Fail(path, std::to_string(bytes->size()) + " bytes, far more than such a file holds");
    return *bytes;
  }
  MemoryStream stream(std::move(*bytes));
  return ReadPackedBlock(stream, path, maxLength);
}

void WritePackedFile(const std::string& path, std::string_view text) {
  MemoryStream stream;
  WritePackedBlock(stream, text);
  WriteFileAtomic(path, stream.Data());
}

int32_t ColorOf(std::string_view text) {
  static const struct {
    std::string_view name, hex;
  } kNames[] = {{"black", "#000000"}, {"white", "#FFFFFF"}, {"red", "#FF0000"},
                {"blue", "#0000FF"},  {"green", "#00FF00"}, {"yellow", "#FFFF00"},
                {"gray", "#808080"}};
  if (text.empty()) return -1;
  for (const auto& n : kNames)
    if (text == n.name) text = n.hex;
  if (text[0] != '#') return -1;
  // Blue, green, red: characters 6-7, 4-5, 2-3 (1-based), as far as the text reaches.
  const Bytes digits = CopyRange(text, 6, 7) + CopyRange(text, 4, 5) + CopyRange(text, 2, 3);
  if (digits.empty()) return 0;
  int32_t value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return 0;
    value = value * 16 + d;
  }
  return value;
}

Bytes CommaField(std::string_view text, int n) {
  if (n < 0) return Bytes();
  auto fields = SplitCommaText(text, static_cast<size_t>(n) + 1);
  return static_cast<size_t>(n) < fields.size() ? fields[n] : Bytes();
}

Bytes CopyRange(std::string_view text, int from, int to) {
  if (from < 1) from = 1;
  if (to > static_cast<int>(text.size())) to = static_cast<int>(text.size());
  if (to < from) return Bytes();
  return Bytes(text.substr(from - 1, to - from + 1));
}

}  // namespace vantel
