// ArchiveWriter: builds the archive files that TArchive reads.
//
// Header: "VNTLARC" and a version byte; directory header word "VDIR". In a
// script archive (Kind::PackedText) entries named *.vxs and *.ini are stored
// as packed text blocks and every other entry raw; picture and sound
// archives store every entry raw. Names are code page 932 bytes.
//
// Write() builds the file beside its target and renames it over the target,
// so a failed write leaves any previous archive intact. A name that cannot
// be stored (empty, a line break, a path separator, the same as an earlier
// name in any case) raises DataError naming it; an archive past 2 GiB or a
// name list past 16 MiB raises DataError; file errors raise FileError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/Bytes.h"

namespace vantel {

constexpr char kArchiveMagic[8] = {'V', 'N', 'T', 'L', 'A', 'R', 'C', 1};
constexpr int32_t kDirectoryMagic = 0x52494456;  // "VDIR"

class ArchiveWriter {
 public:
  enum class Kind { Raw, PackedText };
  explicit ArchiveWriter(Kind kind) : kind_(kind) {}

  // PackedText for a ".chs" archive path, Raw otherwise.
  static Kind KindFor(std::string_view archivePath);
  // True when entry `name` is stored as a packed text block in this kind.
  static bool IsPackedEntry(Kind kind, std::string_view name);

  // Adds an entry with its bytes; entries keep the order they are added in.
  void Add(Bytes name, std::string data);
  // Adds an entry whose bytes are read from `path` when the archive is written.
  void AddFile(Bytes name, std::string path);
  void Write(const std::string& archivePath) const;

 private:
  struct Item {
    Bytes name;
    std::string data;
    std::string path;  // non-empty: read the bytes from here
  };
  void Check(const Bytes& name);

  Kind kind_;
  std::vector<Item> items_;
  std::unordered_set<Bytes> lowerNames_;  // to refuse a name given twice
};

}  // namespace vantel
