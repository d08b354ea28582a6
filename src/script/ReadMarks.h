// ReadMarks: which pages of which chapter the reader has seen, across plays,
// saves and restarts. A page is named by its script (lower-cased, since
// script names match in any case) and the position of the token that ends
// it, the wait for the reader; the marks live in save/read.dat as packed
// text, one line per page ("position<TAB>script"), written atomically like
// the saves.
//
// Bounded: one mark per page, and a file holding more marks than any story
// could (kMaxMarks) or unpacking past kMaxFileText counts as damaged.
// Writes are batched: Mark only records, Flush writes when something is new
// and a second has passed since the last write (or when forced, at the end).
//
// Depends on the packed file helpers and the path helpers. Fails: Load
// sets a damaged file aside (read.dat.damaged) and starts afresh, saying so
// through its result; Flush lets FileError through (the caller logs it) and
// keeps the marks to write at the next chance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/Bytes.h"

namespace vantel {

class ReadMarks {
 public:
  static constexpr size_t kMaxMarks = size_t{1} << 20;
  static constexpr size_t kMaxFileText = size_t{32} << 20;
  static constexpr uint32_t kWriteInterval = 1000;  // ms between two writes

  // Reads the marks from `path` (none when it is missing). A file that
  // cannot be read as marks is renamed aside and the marks start empty:
  // the aside file's name is returned then, empty otherwise.
  std::string Load(const std::string& path);

  bool IsRead(const Bytes& script, int32_t position) const;
  // Records the page; true when it was not marked before.
  bool Mark(const Bytes& script, int32_t position);
  size_t Count() const { return count_; }
  bool Dirty() const { return dirty_; }

  // Writes the marks to the loaded path when some are new and kWriteInterval
  // has passed since the last write at `now` (ms), or at once with `force`.
  // True when it wrote. FileError when the file cannot be written.
  bool Flush(uint32_t now, bool force = false);

 private:
  std::string path_;
  std::unordered_map<Bytes, std::unordered_set<int32_t>> pages_;
  size_t count_ = 0;
  bool dirty_ = false;
  bool written_ = false;
  uint32_t lastWrite_ = 0;
};

}  // namespace vantel
