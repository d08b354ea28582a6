#include "data/ArchiveWriter.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <limits>

#include "base/Endian.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "base/Stream.h"
#include "data/FuncFile.h"

namespace vantel {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && SameText(text.substr(text.size() - tail.size()), tail);
}

}  // namespace

ArchiveWriter::Kind ArchiveWriter::KindFor(std::string_view archivePath) {
  return EndsWithNoCase(archivePath, ".chs") ? Kind::PackedText : Kind::Raw;
}

bool ArchiveWriter::IsPackedEntry(Kind kind, std::string_view name) {
  return kind == Kind::PackedText && (EndsWithNoCase(name, ".vxs") || EndsWithNoCase(name, ".ini"));
}

void ArchiveWriter::Check(const Bytes& name) {
  if (!IsSafeName(name) || name.find_first_of("\r\n") != Bytes::npos)
    throw DataError("cannot store the name '" + ToUtf8(name) + "' in an archive");
  if (!lowerNames_.insert(LowerCase(name)).second)
    throw DataError("the name '" + ToUtf8(name) + "' is in the archive twice");
}

void ArchiveWriter::Add(Bytes name, std::string data) {
  Check(name);
  items_.push_back({std::move(name), std::move(data), {}});
}

void ArchiveWriter::AddFile(Bytes name, std::string path) {
  Check(name);
  items_.push_back({std::move(name), {}, std::move(path)});
}

void ArchiveWriter::Write(const std::string& archivePath) const {
  Bytes names;
  for (const Item& item : items_) names += item.name + "\r\n";
  if (names.size() > kMaxPackedLength) throw DataError("the name list is too long for one archive");

  const std::string temp = archivePath + ".tmp" + std::to_string(::getpid());
  try {
    FileStream out(temp, FileStream::Mode::Create);
    out.Write(kArchiveMagic, sizeof kArchiveMagic);
    WritePackedBlock(out, names);
    out.WriteInt32(kDirectoryMagic);
    out.WriteInt32(static_cast<int32_t>(items_.size() * 12));
    const int64_t dirAt = out.Position();
    std::string dir(items_.size() * 12, '\0');
    out.WriteBytes(dir);  // filled in once the offsets are known

    auto put = [&](size_t at, int64_t v) {
      Put32(reinterpret_cast<uint8_t*>(dir.data() + at), static_cast<uint32_t>(v));
    };
    for (size_t i = 0; i < items_.size(); ++i) {
      const Item& item = items_[i];
      std::string bytes;
      const std::string* data = &item.data;
      if (!item.path.empty()) {
        auto read = ReadWholeFile(item.path);
        if (!read) throw FileError("cannot read " + item.path);
        bytes = std::move(*read);
        data = &bytes;
      }
      const int64_t offset = out.Position();
      int64_t size;
      if (IsPackedEntry(kind_, item.name)) {
        if (data->size() > kMaxPackedLength)
          throw DataError("'" + ToUtf8(item.name) + "' is too long for a packed text entry");
        size = WritePackedBlock(out, *data);
      } else {
        out.WriteBytes(*data);
        size = static_cast<int64_t>(data->size());
      }
      if (offset + size > std::numeric_limits<int32_t>::max())
        throw DataError(archivePath + ": the archive would pass 2 GiB");
      put(i * 12, offset);
      put(i * 12 + 4, size);
    }
    out.Seek(dirAt);
    out.WriteBytes(dir);
    out.Close();
    if (std::rename(temp.c_str(), archivePath.c_str()) != 0)
      throw FileError("cannot write " + archivePath + ": " + std::strerror(errno));
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
}

}  // namespace vantel
