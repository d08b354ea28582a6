#include "data/ClassArchive.h"

#include <algorithm>
#include <functional>

#include "base/Endian.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "data/FuncFile.h"

namespace vantel {

TArchive::TArchive(const std::string& path) : path_(path) {
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
}

void TArchive::Open() {
  FileStream& f = *archive_;
  fileSize_ = f.Size();
  char header[8];
  f.ReadExact(header, sizeof header, path_ + ": archive header");
  const Bytes list = LowerCase(ReadPackedBlock(f, path_ + ": name list"));
  f.ReadInt32(path_ + ": directory header");
  const int32_t dirSize = f.ReadInt32(path_ + ": directory header");
  // A negative or short D means no entries; a D reaching past the end of the
  // file is cut to the entries the file really holds.
  int64_t count = dirSize < 12 ? 0 : dirSize / 12;
  count = std::min<int64_t>(count, (fileSize_ - f.Position()) / 12);
  std::string dir(static_cast<size_t>(count) * 12, '\0');
  f.ReadExact(dir.data(), dir.size(), path_ + ": directory");
  auto word = [&](size_t at) {
    return static_cast<int32_t>(Get32(reinterpret_cast<const uint8_t*>(dir.data() + at)));
  };
  names_ = SplitLines(list);  // one name a line
  offsets_.resize(count);
  sizes_.resize(count);
  reserved_.resize(count);
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    offsets_[i] = word(i * 12);
    sizes_[i] = word(i * 12 + 4);
    reserved_[i] = word(i * 12 + 8);
  }
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

bool TArchive::Usable(size_t i) const {
  if (i >= names_.size() || i >= offsets_.size() || names_[i].empty() || !archive_) return false;
  const int64_t offset = offsets_[i], size = sizes_[i];
  return offset >= 1 && size >= 0 && offset + size <= fileSize_;
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

Bytes TArchive::ReadText(std::string_view name) {
  int i = IndexOf(name);
  if (i < 0) return Bytes();
  archive_->Seek(offsets_[i]);
  return ReadPackedBlock(*archive_, path_ + ": entry " + ToUtf8(name));
}

int64_t TArchive::EntrySize(std::string_view name) const {
  int i = IndexOf(name);
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
