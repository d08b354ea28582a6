#include "data/ClassArchive.h"

#include <algorithm>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ClassSList.h"
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
  index_.clear();
}

void TArchive::Open() {
  FileStream& f = *archive_;
  fileSize_ = f.Size();
  char header[8];
  f.ReadExact(header, sizeof header, path_ + ": archive header");
  TSlist names;
  names.SetText(LowerCase(ReadPackedBlock(f, path_ + ": name list")));
  f.ReadInt32(path_ + ": directory header");
  const int32_t dirSize = f.ReadInt32(path_ + ": directory header");
  // A negative or short D means no entries; a D reaching past the end of the
  // file is cut to the entries the file really holds.
  int64_t count = dirSize < 12 ? 0 : dirSize / 12;
  count = std::min<int64_t>(count, (fileSize_ - f.Position()) / 12);
  std::string dir(static_cast<size_t>(count) * 12, '\0');
  f.ReadExact(dir.data(), dir.size(), path_ + ": directory");
  auto word = [&](size_t at) {
    const auto* b = reinterpret_cast<const unsigned char*>(dir.data() + at);
    return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
  };
  names_.clear();
  names_.reserve(names.Count());
  for (int i = 0; i < names.Count(); ++i) names_.push_back(names[i]);
  offsets_.resize(count);
  sizes_.resize(count);
  reserved_.resize(count);
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    offsets_[i] = word(i * 12);
    sizes_[i] = word(i * 12 + 4);
    reserved_[i] = word(i * 12 + 8);
  }
  index_.reserve(names_.size());
  for (size_t i = 0; i < names_.size(); ++i)
    if (Usable(i)) index_.emplace(names_[i], static_cast<int>(i));
  current_ = archive_.get();
}

bool TArchive::Usable(size_t i) const {
  if (i >= names_.size() || i >= offsets_.size() || names_[i].empty() || !archive_) return false;
  const int64_t offset = offsets_[i], size = sizes_[i];
  return offset >= 1 && size >= 0 && offset + size <= fileSize_;
}

int TArchive::IndexOf(std::string_view name) const {
  if (name.empty() || index_.empty()) return -1;
  auto it = index_.find(LowerCase(name));
  return it == index_.end() ? -1 : it->second;
}

Bytes TArchive::ReadText(std::string_view name) {
  int i = IndexOf(name);
  if (i < 0) return Bytes();
  archive_->Seek(offsets_[i]);
  return ReadPackedBlock(*archive_, path_ + ": entry " + ToUtf8(name));
}

std::optional<std::string> TArchive::LoosePath(std::string_view name) const {
  auto path = DataPath(looseDir_, name);
  if (!path || !FileExists(*path)) return std::nullopt;
  return FindPath(*path);
}

int64_t TArchive::EntrySize(std::string_view name) const {
  int i = IndexOf(name);
  if (i >= 0) return sizes_[i];
  // Only the size is needed: a loose file that SelectEntry opened stays open
  // and positioned, so select-size-read works for loose files too.
  auto path = LoosePath(name);
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
  auto path = LoosePath(name);
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
