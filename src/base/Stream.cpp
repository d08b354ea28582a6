#include "base/Stream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/Endian.h"
#include "base/Errors.h"
#include "base/Paths.h"

namespace vantel {

void Stream::ReadExact(void* buffer, size_t count, std::string_view what) {
  if (Read(buffer, count) != count) throw DataError(std::string(what) + ": unexpected end of data");
}

int32_t Stream::ReadInt32(std::string_view what) {
  uint8_t b[4];
  ReadExact(b, 4, what);
  return static_cast<int32_t>(Get32(b));
}

void Stream::WriteInt32(int32_t value) {
  uint8_t b[4];
  Put32(b, static_cast<uint32_t>(value));
  Write(b, 4);
}

FileStream::FileStream(const std::string& path, Mode mode) : path_(path) {
  if (mode == Mode::Read) {
    // A FIFO or a device under a data file's name would block or never end.
    int64_t size = 0;
    const int fd = OpenRegularFile(path, size);
    if (fd >= 0) {
      file_ = ::fdopen(fd, "rb");
      if (!file_) ::close(fd);
    }
  } else {
    file_ = std::fopen(path.c_str(), "w+b");
  }
  if (!file_)
    throw FileError((mode == Mode::Read ? "cannot open " : "cannot create ") + path + ": " +
                    std::strerror(errno));
}

FileStream::~FileStream() {
  if (file_) std::fclose(file_);
}

size_t FileStream::Read(void* buffer, size_t count) {
  return file_ ? std::fread(buffer, 1, count, file_) : 0;
}

size_t FileStream::Write(const void* buffer, size_t count) {
  if (!file_ || std::fwrite(buffer, 1, count, file_) != count)
    throw FileError("cannot write " + path_);
  return count;
}

void FileStream::Seek(int64_t position) {
  if (file_) std::fseek(file_, static_cast<long>(position < 0 ? 0 : position), SEEK_SET);
}

int64_t FileStream::Position() const {
  return file_ ? std::ftell(file_) : 0;
}

int64_t FileStream::Size() const {
  if (!file_) return 0;
  long here = std::ftell(file_);
  std::fseek(file_, 0, SEEK_END);
  long size = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  return size;
}

void FileStream::Close() {
  if (!file_) return;
  bool ok = std::fflush(file_) == 0;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  if (!ok) throw FileError("cannot write " + path_);
}

size_t MemoryStream::Read(void* buffer, size_t count) {
  if (count == 0 || pos_ >= Size()) return 0;
  size_t n = std::min(count, static_cast<size_t>(Size() - pos_));
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += static_cast<int64_t>(n);
  return n;
}

size_t MemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (pos_ + static_cast<int64_t>(count) > Size()) data_.resize(pos_ + count);
  std::memcpy(data_.data() + pos_, buffer, count);
  pos_ += static_cast<int64_t>(count);
  return count;
}

}  // namespace vantel
