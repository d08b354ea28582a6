// vxtool pack / unpack / list: build, take apart and show archives.
//
// File names on disk are UTF-8; names in archives are code page 932, so a
// file whose name has no code page 932 form cannot be packed. The archive's
// extension decides how entries are stored: in a ".chs" (script) archive the
// .vxs and .ini files are packed text blocks, in any other archive (.pk2)
// every file is stored raw. Names come back lower-cased, as the player sees
// them. Script and settings sources (.vxs, .ini) written as UTF-8 are
// stored as the player's code page 932 text with CR LF line ends.
#include <cstdio>

#include "base/Bytes.h"
#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ArchiveWriter.h"
#include "data/ClassArchive.h"
#include "script/ClassCodeRed.h"
#include "tools/VxTool.h"

namespace vantel::vxtool {
namespace {

// The code page 932 form of a UTF-8 file name, exactly, or nullopt.
std::optional<Bytes> EncodeName(const std::string& utf8) {
  Bytes name = FromUtf8(utf8);
  if (ToUtf8(name) != utf8) return std::nullopt;
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

int Unpack(const Args& args) {
  RejectOptions(args);
  if (args.size() != 2) BadUsage("needs ARCHIVE and DIR");
  if (!FileExists(args[0])) return Fail("no archive " + args[0]);
  const std::string dir = WithTrailingSlash(args[1]);
  if (!MakeDirectories(dir)) return Fail("cannot create " + args[1]);
  TArchive archive(args[0]);
  const auto kind = ArchiveWriter::KindFor(args[0]);
  int count = 0;
  for (const auto& e : archive.Entries()) {
    if (archive.IndexOf(e.name) < 0 || archive.EntryOffset(e.name) != e.offset) {
      std::fprintf(stderr, "vxtool: skipping a second entry named %s\n", ToUtf8(e.name).c_str());
      continue;
    }
    std::string bytes;
    if (ArchiveWriter::IsPackedEntry(kind, e.name)) {
      bytes = archive.ReadText(e.name);
    } else {
      archive.SelectEntry(e.name);
      bytes.resize(static_cast<size_t>(e.size));
      archive.Stream()->ReadExact(bytes.data(), bytes.size(), args[0]);
    }
    auto path = DataPath(dir, e.name);
    if (!path) return Fail("unsafe entry name in " + args[0]);
    WriteFileAtomic(*path, bytes);
    ++count;
  }
  std::printf("%d entries written to %s\n", count, dir.c_str());
  return 0;
}

int List(const Args& args) {
  RejectOptions(args);
  if (args.size() != 1) BadUsage("needs one ARCHIVE");
  if (!FileExists(args[0])) return Fail("no archive " + args[0]);
  TArchive archive(args[0]);
  for (const auto& e : archive.Entries())
    std::printf("%s\t%d\t%d\n", ToUtf8(e.name).c_str(), e.size, e.offset);
  return 0;
}

VxCommand packCmd("pack",
                  "DIR ARCHIVE     store every file of DIR; in a .chs archive .vxs and .ini files "
                  "are packed text (UTF-8 sources converted to code page 932 with CR LF), "
                  "everything else (and all of a .pk2) raw",
                  Pack);
VxCommand unpackCmd("unpack", "ARCHIVE DIR   write every entry of ARCHIVE as a file in DIR",
                    Unpack);
VxCommand listCmd("list", "ARCHIVE         name, size and offset of every entry", List);

}  // namespace
}  // namespace vantel::vxtool
