// Files and paths on disk.
//
// Paths here are UTF-8. Names that come from data (scripts, archives, save
// records) are code-page bytes: DataPath turns one into a path under a
// directory, refusing any name that would leave that directory. File names
// are matched without regard to case, as the game data expects: when the
// exact name is missing, each path component is looked up in its directory
// ignoring ASCII case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Bytes.h"

namespace vantel {

// The existing file or directory that `path` names, matched component by
// component without regard to case; nullopt when there is none.
std::optional<std::string> FindPath(const std::string& path);
bool FileExists(const std::string& path);       // a regular file, any case
bool DirectoryExists(const std::string& path);  // a directory, any case
// The file's size in bytes, or -1 when there is no such file.
int64_t FileSize(const std::string& path);
// Creates the directory and its parents; false when that fails.
bool MakeDirectories(const std::string& path);
bool DeleteFile(const std::string& path);
// Names of the entries in a directory (not . and ..), sorted; empty when missing.
std::vector<std::string> ListDirectory(const std::string& path);

// `dir` with a trailing '/' (an empty text, the working directory, stays empty).
std::string WithTrailingSlash(std::string dir);

// True when a name from data stays in its directory: not empty, no '/' or
// '\', not "." or "..".
bool IsSafeName(std::string_view name);
// dir + name, with the name converted from its code page to UTF-8; nullopt
// when the name is unsafe. `dir` is used as given (empty = working directory;
// a trailing separator is the caller's).
std::optional<std::string> DataPath(const std::string& dir, std::string_view name,
                                    CodePage cp = CodePage::CP932);

// The regular file DataPath(dir, name) names, as it is spelt on disk (found
// in any case); nullopt when the name is unsafe or there is no such file.
std::optional<std::string> FindDataFile(const std::string& dir, std::string_view name,
                                        CodePage cp = CodePage::CP932);

// Opens an existing file for reading without ever blocking: the open does
// not wait (a FIFO has no writer to wait for) and anything but a regular file
// (a FIFO, a device such as /dev/zero reached through a link, a directory)
// raises DataError naming it. Returns the descriptor, in blocking mode again,
// with its size; -1 when the file cannot be opened. The caller closes it.
int OpenRegularFile(const std::string& path, int64_t& size);
// Reads a whole regular file (exact path or any case); nullopt when there is
// none or it cannot be opened. Not a regular file: DataError, as above. A
// file larger than `maxBytes` raises DataError before a byte is read, and
// no more than the size the file had when opened is ever read.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes = SIZE_MAX);
// Writes `bytes` to a temporary file beside `path`, then renames it over
// `path`, so a crash or a full disk never leaves a half-written file. The
// temporary file is ".NAME.tmpPID": a writer killed midway leaves a hidden
// file whose name never begins with the target's, so a save listing (files
// beginning with "data") or a slot search never takes it for a save. After
// the rename the directory is synced too, so that the new name survives a
// power cut (a directory that cannot be synced, as on some file systems,
// leaves the write as done). Throws FileError when it cannot.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
// Deletes the temporary files that killed writers left in `dir`: regular
// files named exactly ".NAME.tmpPID" (PID in decimal, no leading zero) whose
// process no longer runs. A file of a running process, ours included, and
// any other name are left alone. Returns how many were deleted.
int RemoveStaleTempFiles(const std::string& dir);

}  // namespace vantel
