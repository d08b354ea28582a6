// TArchive: one archive file of the game data (script.chs, image.pk2,
// sound.pk2). The name list and directory are read once when the archive is
// opened and the file is held open, so an entry costs one seek. Entries are
// packed text blocks (script archive, read with ReadText) or raw file bytes
// (picture and sound archives, read through Stream() after SelectEntry).
// EntrySize and SelectEntry fall back to a loose file LooseDir + name.
//
// Layout: 8-byte header; a packed block holding the name list (one name a
// line, in directory order); a directory header (a word, then the directory
// size D in bytes); D div 12 entries of offset, size and a reserved word.
//
// Names are code page 932 bytes and are matched without regard to ASCII
// case (the name list is lower-cased once, stepping over double-byte
// characters). An empty name, a name beyond the directory's entries, an
// entry that lies outside the file, and a name that would leave LooseDir are
// never found. In a script archive (a ".chs" file) the scripts and layouts
// (*.vxs, *.ini) are packed blocks that carry their own length: only their
// offset must lie in the file, whatever other tools wrote as their size;
// every other entry must have all its bytes in the file. Entries that the
// directory names but the file does not hold (a file cut short) are counted
// in MissingEntries, so the owner can say so.
//
// A damaged header, name list or directory header raises DataError naming
// the file, and so does a name list far longer than an archive of the file's
// size could use; a damaged packed entry raises DataError from ReadText. A
// missing archive file is not an error: the archive is then empty and only
// loose files can be found. Opening costs time and memory in proportion to
// the file's size, whatever its name list unpacks to.
//
// Not synchronised: select-then-read shares the file position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"
#include "base/Stream.h"

namespace vantel {

class TArchive {
 public:
  // What the entries hold: raw files (image.pk2, sound.pk2) or, in a script
  // archive, packed text for *.vxs and *.ini and raw bytes for the rest.
  enum class Contents { Files, PackedText };
  // PackedText for a ".chs" path, Files otherwise.
  static Contents ContentsFor(std::string_view path);

  // Opens the archive at `path` (UTF-8, matched in any case).
  explicit TArchive(const std::string& path) : TArchive(path, ContentsFor(path)) {}
  TArchive(const std::string& path, Contents contents);
  TArchive(const TArchive&) = delete;
  TArchive& operator=(const TArchive&) = delete;

  // Entry number of `name`, or -1. The first of duplicate names wins.
  int IndexOf(std::string_view name) const;
  // The unpacked text of a packed entry; empty when the name is not in the
  // archive. A text stated longer than `maxLength` raises DataError unread.
  Bytes ReadText(std::string_view name, size_t maxLength = SIZE_MAX);
  // The entry's stored size (for a packed entry, cut to the bytes the file
  // holds from its offset); else the size of the loose file; else 0.
  int64_t EntrySize(std::string_view name) const;
  // The entry's offset in the archive file, or 0 when the name is not in it.
  int32_t EntryOffset(std::string_view name) const;
  // Positions Stream() at the entry's first byte, or at the start of the
  // loose file (which stays open until the next loose SelectEntry). False
  // when neither exists; Stream() is then unchanged.
  bool SelectEntry(std::string_view name);
  // The stream the last successful SelectEntry positioned: the archive file
  // after opening; null while no file at all is open.
  vantel::Stream* Stream() const { return current_; }

  // Directory (UTF-8, with a trailing '/' or empty) in which loose files
  // are looked for; empty means the working directory.
  const std::string& LooseDir() const { return looseDir_; }
  void SetLooseDir(std::string dir) { looseDir_ = std::move(dir); }

  // The entries as stored, for listing tools: names in directory order,
  // each with its offset and size; only usable entries are listed.
  struct Entry {
    Bytes name;  // lower-cased
    int32_t offset, size, reserved;
  };
  std::vector<Entry> Entries() const;
  const std::string& Path() const { return path_; }
  // How many named entries the directory lists that the file does not hold
  // (outside the file, or cut off the end of the directory).
  int MissingEntries() const { return missing_; }

 private:
  void Reset();
  void Open();
  bool Usable(size_t i) const;
  bool IsPacked(size_t i) const;

  std::string path_;
  std::unique_ptr<FileStream> archive_;
  std::unique_ptr<FileStream> loose_;
  std::vector<Bytes> names_;
  std::vector<int32_t> offsets_, sizes_, reserved_;
  vantel::Stream* current_ = nullptr;
  std::string looseDir_;
  int64_t fileSize_ = 0;
  Contents contents_ = Contents::Files;
  int missing_ = 0;
  // Open-addressing hash of the usable entries' names (entry numbers, -1 =
  // free); a name given twice keeps its first entry.
  std::vector<int32_t> slots_;
  size_t mask_ = 0;
  void BuildIndex();
};

}  // namespace vantel
