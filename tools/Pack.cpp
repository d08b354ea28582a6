// vxtool pack / unpack / list: build, take apart and show archives.
//
// File names on disk are UTF-8; names in archives are code page 932, so a
// file whose name has no code page 932 form cannot be packed. An entry name
// with bytes that are no code page 932 character is unpacked with each such
// byte escaped (U+FFFD and two hex digits), and pack turns the escape back
// into the byte, so unpack and pack give back the same archive names.
// Unpack writes at most a stated number of bytes (by default 64 times the
// archive's size, at least 1 MiB): entries that overlap in a hostile archive
// could otherwise unpack a few kilobytes into gigabytes. The archive's
// extension decides how entries are stored: in a ".chs" (script) archive the
// .vxs and .ini files are packed text blocks, in any other archive (.pk2)
// every file is stored raw. Names come back lower-cased, as the player sees
// them. Script and settings sources (.vxs, .ini) written as UTF-8 are
// stored as the player's code page 932 text with CR LF line ends.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "script/ClassCodeRed.h"
#include "tools/Stage.h"
#include "tools/VxTool.h"

namespace vantel::vxtool {
namespace {

// U+FFFD, which no code page 932 character becomes, followed by two hex
// digits stands for one byte of an entry name that has no exact UTF-8 form.
constexpr std::string_view kByteEscape = "\xEF\xBF\xBD";

bool RoundTrips(std::string_view cp932, const std::string& utf8) {
  return utf8.find(kByteEscape) == std::string::npos && FromUtf8(utf8) == cp932;
}

// The file name unpack gives an entry: its UTF-8 form, except that each
// character that does not come back as the same bytes (bytes that are no
// code page 932 character, or a character code page 932 spells twice) is
// written byte by byte as U+FFFD and two hex digits. Every name thus gets a
// file of its own, and pack reads the name back exactly.
std::string FileNameFor(const Bytes& name) {
  std::string whole = ToUtf8(name);
  if (RoundTrips(name, whole)) return whole;
  std::string out;
  for (size_t i = 0; i < name.size();) {
    const size_t n = CharLength(name, i);
    const std::string_view c(name.data() + i, n);
    const std::string utf8 = ToUtf8(c);
    if (RoundTrips(c, utf8)) {
      out += utf8;
    } else {
      for (unsigned char b : c) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        out += kByteEscape;
        out += hex;
      }
    }
    i += n;
  }
  return out;
}

// The code page 932 form of a UTF-8 file name, exactly (with unpack's byte
// escapes turned back into their bytes), or nullopt.
std::optional<Bytes> EncodeName(const std::string& utf8) {
  Bytes name;
  std::string plain;
  auto flush = [&] {
    Bytes cp932 = FromUtf8(plain);
    if (ToUtf8(cp932) != plain) return false;
    name += cp932;
    plain.clear();
    return true;
  };
  for (size_t i = 0; i < utf8.size();) {
    if (utf8.compare(i, kByteEscape.size(), kByteEscape) == 0 &&
        i + kByteEscape.size() + 2 <= utf8.size() &&
        std::isxdigit(static_cast<unsigned char>(utf8[i + 3])) &&
        std::isxdigit(static_cast<unsigned char>(utf8[i + 4]))) {
      if (!flush()) return std::nullopt;
      name += static_cast<char>(std::stoi(utf8.substr(i + 3, 2), nullptr, 16));
      i += kByteEscape.size() + 2;
    } else {
      plain += utf8[i++];
    }
  }
  if (!flush()) return std::nullopt;
  return name;
}

int Pack(const Args& args) {
  RejectOptions(args);
  if (args.size() != 2) BadUsage("needs DIR and ARCHIVE");
  const std::string dir = WithTrailingSlash(args[0]);
  if (!DirectoryExists(dir)) return Fail("no directory " + args[0]);
  const auto kind = ArchiveWriter::KindFor(args[1]);
  ArchiveWriter writer(kind);
  int count = 0;
  for (const std::string& file : ListDirectory(dir)) {
    const std::string path = dir + file;
    if (!FileExists(path)) {
      std::fprintf(stderr, "vxtool: skipping %s (not a file)\n", path.c_str());
      continue;
    }
    auto name = EncodeName(file);
    if (!name) return Fail("the file name " + path + " cannot be written in code page 932");
    if (ArchiveWriter::IsPackedEntry(kind, *name))
      writer.Add(*name, ReadScriptFile(path));  // as the player reads a loose source
    else
      writer.AddFile(*name, path);
    ++count;
  }
  writer.Write(args[1]);
  std::printf("%d entries written to %s\n", count, args[1].c_str());
  return 0;
}

// Overlapping entries can make a small archive unpack into gigabytes; no
// real archive unpacks to more than this many times its own size.
constexpr int64_t kMaxUnpackRatio = 64;
constexpr int64_t kMinUnpackBound = int64_t{1} << 20;

int Unpack(const Args& args) {
  Args files;
  int64_t bound = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--max-bytes") {
      if (i + 1 >= args.size() || !ParseCount(args[i + 1], bound))
        BadUsage("--max-bytes needs a number of bytes");
      ++i;
    } else if (args[i].rfind("--", 0) == 0) {
      BadUsage("unknown option " + args[i]);
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) BadUsage("needs ARCHIVE and DIR");
  const std::string& source = files[0];
  if (!FileExists(source)) return Fail("no archive " + source);
  const bool given = bound > 0;
  if (!given) bound = std::max(kMaxUnpackRatio * FileSize(source), kMinUnpackBound);
  const std::string dir = WithTrailingSlash(files[1]);
  if (!MakeDirectories(dir)) return Fail("cannot create " + files[1]);
  TArchive archive(source);
  const auto kind = ArchiveWriter::KindFor(source);
  int count = 0, refused = 0;
  int64_t total = 0;
  for (const auto& e : archive.Entries()) {
    const std::string shown = FileNameFor(e.name);
    if (archive.IndexOf(e.name) < 0 || archive.EntryOffset(e.name) != e.offset) {
      std::fprintf(stderr, "vxtool: skipping a second entry named %s\n", shown.c_str());
      continue;
    }
    if (!IsSafeName(e.name)) {
      std::fprintf(stderr, "vxtool: skipping %s (the name would leave %s)\n", shown.c_str(),
                   dir.c_str());
      ++refused;
      continue;
    }
    // The size is known before anything is inflated or read.
    const bool packed = ArchiveWriter::IsPackedEntry(kind, e.name);
    int64_t size = e.size;
    if (packed && archive.SelectEntry(e.name) && archive.Stream())
      size = static_cast<uint32_t>(archive.Stream()->ReadInt32(source)) & kMaxPackedLength;
    if (total + size > bound) {
      std::printf("%d entries written to %s\n", count, dir.c_str());
      return Fail("stopped before " + shown + ": the entries would unpack to more than " +
                  std::to_string(bound) + " bytes" +
                  (given ? std::string(" (--max-bytes)")
                         : " (64 times the archive's size, at least 1 MiB: entries may "
                           "overlap); --max-bytes N allows more"));
    }
    total += size;
    std::string bytes;
    if (packed) {
      bytes = archive.ReadText(e.name);
    } else {
      archive.SelectEntry(e.name);
      bytes.resize(static_cast<size_t>(e.size));
      archive.Stream()->ReadExact(bytes.data(), bytes.size(), source);
    }
    try {
      WriteFileAtomic(dir + shown, bytes);
    } catch (const FileError& error) {  // a name too long for the disk, say: the rest still go
      std::fprintf(stderr, "vxtool: skipping %s (%s)\n", shown.c_str(), error.what());
      ++refused;
      continue;
    }
    ++count;
  }
  std::printf("%d entries written to %s\n", count, dir.c_str());
  return refused ? 1 : 0;
}

int List(const Args& args) {
  RejectOptions(args);
  if (args.size() != 1) BadUsage("needs one ARCHIVE");
  if (!FileExists(args[0])) return Fail("no archive " + args[0]);
  TArchive archive(args[0]);
  for (const auto& e : archive.Entries())
    std::printf("%s\t%d\t%d\n", FileNameFor(e.name).c_str(), e.size, e.offset);
  return 0;
}

VxCommand packCmd("pack",
                  "DIR ARCHIVE     store every file of DIR; in a .chs archive .vxs and .ini files "
                  "are packed text (UTF-8 sources converted to code page 932 with CR LF), "
                  "everything else (and all of a .pk2) raw",
                  Pack);
VxCommand unpackCmd("unpack",
                    "ARCHIVE DIR [--max-bytes N]   write every entry of ARCHIVE as a file in DIR "
                    "(a name with bytes that are no code page 932 character gets each such byte "
                    "as U+FFFD and two hex digits, which pack reads back); stops before writing "
                    "more than N bytes (default: 64 times the archive's size, at least 1 MiB)",
                    Unpack);
VxCommand listCmd("list",
                  "ARCHIVE         name (as unpack names its file), size and offset of every entry",
                  List);

}  // namespace
}  // namespace vantel::vxtool
