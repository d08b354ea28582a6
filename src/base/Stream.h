// Byte streams: files on disk and blocks in memory, with the position-based
// reads that the archive reader, the packed-file helpers and the decoders use.
// Read returns a short count at the end; ReadExact and ReadInt32 throw
// DataError instead. FileStream throws FileError when it cannot open, write
// or flush its file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vantel {

class Stream {
 public:
  virtual ~Stream() = default;
  // Reads up to `count` bytes; returns how many were read (short at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual void Seek(int64_t position) = 0;
  virtual int64_t Position() const = 0;
  virtual int64_t Size() const = 0;

  // Reads exactly `count` bytes or throws DataError naming `what`.
  void ReadExact(void* buffer, size_t count, std::string_view what = "stream");
  // Little-endian 32-bit word; throws DataError at the end of the stream.
  int32_t ReadInt32(std::string_view what = "stream");
  void WriteInt32(int32_t value);
  void WriteBytes(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
};

class FileStream : public Stream {
 public:
  enum class Mode { Read, Create };
  // Opens `path` (UTF-8); throws FileError when it cannot. Read mode takes
  // regular files only, opened without blocking (DataError for a FIFO or a
  // device).
  FileStream(const std::string& path, Mode mode);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  void Seek(int64_t position) override;
  int64_t Position() const override;
  int64_t Size() const override;
  const std::string& Path() const { return path_; }
  // Flushes and closes; throws FileError when the data could not be written.
  void Close();

 private:
  std::string path_;
  FILE* file_ = nullptr;
};

class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::string bytes) : data_(std::move(bytes)) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  void Seek(int64_t position) override { pos_ = position < 0 ? 0 : position; }
  int64_t Position() const override { return pos_; }
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
  int64_t pos_ = 0;
};

}  // namespace vantel
