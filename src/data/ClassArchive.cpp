#include "data/ClassArchive.h"

#include <algorithm>
#include <functional>

#include "base/Endian.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/FuncFile.h"

namespace vantel {

namespace {

// The longest line a name can take in the name list: a file name of 255
// double-byte characters and its line break. Every name also needs its
// 12-byte directory entry in the file, so a name list longer than this per
// 12 bytes of file is damage, however well it unpacks.
constexpr int64_t kMaxNameLine = 510 + 2;

}  // namespace

TArchive::Contents TArchive::ContentsFor(std::string_view path) {
  return ArchiveWriter::KindFor(path) == ArchiveWriter::Kind::PackedText ? Contents::PackedText
                                                                         : Contents::Files;
}

TArchive::TArchive(const std::string& path, Contents contents) : path_(path), contents_(contents) {
  Reset();
  if (!FileExists(path)) return;
  archive_ = std::make_unique<FileStream>(*FindPath(path), FileStream::Mode::Read);
  current_ = archive_.get();
  Open();
}

void TArchive::Reset() {
  archive_.reset();
  loose_.reset();
  current_ = nullptr;
  // The placeholder entry: an empty name (never found) at offset 1, size 0.
  names_.assign(1, Bytes());
  offsets_.assign(1, 1);
  sizes_.assign(1, 0);
  reserved_.assign(1, 0);
  slots_.clear();
  missing_ = 0;
}

void TArchive::Open() {
  FileStream& f = *archive_;
  fileSize_ = f.Size();
  char header[8];
  f.ReadExact(header, sizeof header, path_ + ": archive header");
  const size_t listLimit = static_cast<size_t>((fileSize_ / 12 + 1) * kMaxNameLine);
  const Bytes list = ReadPackedBlock(f, path_ + ": name list", listLimit);
  f.ReadInt32(path_ + ": directory header");
  const int32_t dirSize = f.ReadInt32(path_ + ": directory header");
  // A negative or short D means no entries; a D reaching past the end of the
  // file is cut to the entries the file really holds.
  const int64_t declared = dirSize < 12 ? 0 : dirSize / 12;
  const int64_t count = std::min<int64_t>(declared, (fileSize_ - f.Position()) / 12);
  std::string dir(static_cast<size_t>(count) * 12, '\0');
  f.ReadExact(dir.data(), dir.size(), path_ + ": directory");
  auto word = [&](size_t at) {
    return static_cast<int32_t>(Get32(reinterpret_cast<const uint8_t*>(dir.data() + at)));
  };
  offsets_.resize(count);
  sizes_.resize(count);
  reserved_.resize(count);
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    offsets_[i] = word(i * 12);
    sizes_[i] = word(i * 12 + 4);
    reserved_[i] = word(i * 12 + 8);
  }
  // One name a line. Names past the directory the file holds are never
  // found, so only those with an entry are kept; those the directory
  // declares but the file cut off are counted as missing.
  names_.clear();
  int64_t line = 0;
  ForEachLine(list, [&](std::string_view name) {
    if (line < count)
      names_.push_back(LowerCase(name));
    else if (line < declared && !name.empty())
      ++missing_;
    ++line;
  });
  for (size_t i = 0; i < names_.size(); ++i)
    if (!names_[i].empty() && !Usable(i)) ++missing_;
  BuildIndex();
  current_ = archive_.get();
}

void TArchive::BuildIndex() {
  size_t size = 16;
  while (size < names_.size() * 2) size *= 2;
  slots_.assign(size, -1);
  mask_ = size - 1;
  const std::hash<std::string_view> hash;
  for (size_t i = 0; i < names_.size(); ++i) {
    if (!Usable(i)) continue;
    for (size_t h = hash(names_[i]) & mask_;; h = (h + 1) & mask_) {
      if (slots_[h] < 0) {
        slots_[h] = static_cast<int32_t>(i);
        break;
      }
      if (names_[slots_[h]] == names_[i]) break;  // a later duplicate stays hidden
    }
  }
}

bool TArchive::IsPacked(size_t i) const {
  return contents_ == Contents::PackedText &&
         ArchiveWriter::IsPackedEntry(ArchiveWriter::Kind::PackedText, names_[i]);
}

bool TArchive::Usable(size_t i) const {
  if (i >= names_.size() || i >= offsets_.size() || names_[i].empty() || !archive_) return false;
  const int64_t offset = offsets_[i], size = sizes_[i];
  if (offset < 1) return false;
  // A packed block carries its own length after its offset; the stored
  // size is whatever the archive's writer chose to put there.
  if (IsPacked(i)) return offset + 4 <= fileSize_;
  return size >= 0 && offset + size <= fileSize_;
}

int TArchive::IndexOf(std::string_view name) const {
  if (name.empty() || slots_.empty()) return -1;
  const Bytes want = LowerCase(name);
  for (size_t h = std::hash<std::string_view>()(want) & mask_;; h = (h + 1) & mask_) {
    const int32_t i = slots_[h];
    if (i < 0) return -1;
    if (names_[i] == want) return i;
  }
}

Bytes TArchive::ReadText(std::string_view name, size_t maxLength) {
  int i = IndexOf(name);
  if (i < 0) return Bytes();
  archive_->Seek(offsets_[i]);
  return ReadPackedBlock(*archive_, path_ + ": entry " + ToUtf8(name),
                         std::min<size_t>(maxLength, kMaxPackedLength));
}

int64_t TArchive::EntrySize(std::string_view name) const {
  int i = IndexOf(name);
  if (i >= 0 && IsPacked(i)) return std::clamp<int64_t>(sizes_[i], 0, fileSize_ - offsets_[i]);
  if (i >= 0) return sizes_[i];
  // Only the size is needed: a loose file that SelectEntry opened stays open
  // and positioned, so select-size-read works for loose files too.
  auto path = FindDataFile(looseDir_, name);
  return path ? std::max<int64_t>(FileSize(*path), 0) : 0;
}

int32_t TArchive::EntryOffset(std::string_view name) const {
  int i = IndexOf(name);
  return i < 0 ? 0 : offsets_[i];
}

bool TArchive::SelectEntry(std::string_view name) {
  int i = IndexOf(name);
  if (i >= 0) {
    archive_->Seek(offsets_[i]);
    current_ = archive_.get();
    return true;
  }
  auto path = FindDataFile(looseDir_, name);
  if (!path) return false;
  auto file = std::make_unique<FileStream>(*path, FileStream::Mode::Read);
  if (current_ == loose_.get()) current_ = nullptr;
  loose_ = std::move(file);
  current_ = loose_.get();
  return true;
}

std::vector<TArchive::Entry> TArchive::Entries() const {
  std::vector<Entry> out;
  for (size_t i = 0; i < names_.size(); ++i)
    if (Usable(i)) out.push_back({names_[i], offsets_[i], sizes_[i], reserved_[i]});
  return out;
}

}  // namespace vantel
