#include "base/Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/Errors.h"

namespace vantel {
namespace fs = std::filesystem;
namespace {

bool Exists(const std::string& path, struct stat* st) {
  return ::stat(path.c_str(), st) == 0;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

// The entry of `dir` whose name equals `name` ignoring ASCII case.
std::optional<std::string> FindInDirectory(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return std::nullopt;
  const std::string want = AsciiLower(name);
  std::optional<std::string> found;
  while (dirent* e = ::readdir(d)) {
    if (AsciiLower(e->d_name) == want) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

std::optional<std::string> FindPath(const std::string& path) {
  struct stat st;
  if (path.empty()) return std::nullopt;
  if (Exists(path, &st)) return path;
  // Walk the components, keeping each that exists and looking up the others.
  std::string result;
  size_t i = 0;
  if (path[0] == '/') {
    result = "/";
    i = 1;
  }
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string part = path.substr(i, j - i);
    if (!part.empty()) {
      std::string candidate = result + part;
      if (!Exists(candidate, &st)) {
        if (part == "." || part == "..") return std::nullopt;
        auto match = FindInDirectory(result, part);
        if (!match) return std::nullopt;
        candidate = result + *match;
      }
      result = candidate;
      if (j < path.size()) result += '/';
    } else if (j < path.size() && !result.empty() && result.back() != '/') {
      result += '/';
    }
    i = j + 1;
  }
  return result;
}

bool FileExists(const std::string& path) {
  auto p = FindPath(path);
  struct stat st;
  return p && Exists(*p, &st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  auto p = FindPath(path);
  struct stat st;
  return p && Exists(*p, &st) && S_ISDIR(st.st_mode);
}

int64_t FileSize(const std::string& path) {
  auto p = FindPath(path);
  struct stat st;
  if (!p || !Exists(*p, &st) || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool MakeDirectories(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return DirectoryExists(path);
}

bool DeleteFile(const std::string& path) {
  auto p = FindPath(path);
  return p && ::unlink(p->c_str()) == 0;
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  auto p = FindPath(path);
  if (!p) return names;
  if (DIR* d = ::opendir(p->c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string WithTrailingSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

bool IsSafeName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  // In code page 932 '\' can be a trail byte, so look at whole characters.
  for (size_t i = 0; i < name.size(); i += CharLength(name, i)) {
    if (CharLength(name, i) == 2) continue;
    if (name[i] == '/' || name[i] == '\\' || name[i] == '\0') return false;
  }
  return true;
}

std::optional<std::string> DataPath(const std::string& dir, std::string_view name, CodePage cp) {
  if (!IsSafeName(name)) return std::nullopt;
  return dir + ToUtf8(name, cp);
}

std::optional<std::string> FindDataFile(const std::string& dir, std::string_view name,
                                        CodePage cp) {
  auto path = DataPath(dir, name, cp);
  if (!path) return std::nullopt;
  auto found = FindPath(*path);
  struct stat st;
  if (!found || !Exists(*found, &st) || !S_ISREG(st.st_mode)) return std::nullopt;
  return found;
}

int OpenRegularFile(const std::string& path, int64_t& size) {
  size = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw DataError(path + ": not a regular file");
  }
  // Regular files never block; reads from here on are the ordinary kind.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  size = st.st_size;
  return fd;
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
  auto p = FindPath(path);
  if (!p) return std::nullopt;
  int64_t size = 0;
  const int fd = OpenRegularFile(*p, size);
  if (fd < 0) return std::nullopt;
  if (static_cast<uint64_t>(size) > maxBytes) {
    ::close(fd);
    throw DataError(path + ": " + std::to_string(size) + " bytes, far more than such a file holds");
  }
  // The size is taken once: a file that grows while it is read (or lies
  // about its size) gives no more than it had.
  std::string bytes(static_cast<size_t>(size), '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  return bytes;
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  // Keep the case of an existing file so that the rename replaces it.
  std::string target = FindPath(path).value_or(path);
  const size_t slash = target.rfind('/');
  const size_t base = slash == std::string::npos ? 0 : slash + 1;
  std::string temp =
      target.substr(0, base) + "." + target.substr(base) + ".tmp" + std::to_string(::getpid());
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) throw FileError("cannot create " + path + ": " + std::strerror(errno));
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fflush(f) == 0 && ok;
  ok = ::fsync(::fileno(f)) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    throw FileError("cannot write " + path + ": " + std::strerror(err));
  }
  // The rename is an entry of the directory: until the directory is synced a
  // power cut may bring back the old file, or no file at all for a new one.
  const std::string folder = base == 0 ? std::string(".") : target.substr(0, base);
  const int d = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (d >= 0) {
    ::fsync(d);
    ::close(d);
  }
}

int RemoveStaleTempFiles(const std::string& dir) {
  int removed = 0;
  const std::string folder = WithTrailingSlash(FindPath(dir).value_or(dir));
  for (const std::string& name : ListDirectory(folder)) {
    // ".NAME.tmpPID": a dot, a name of at least one byte, ".tmp", the pid.
    const size_t tmp = name.rfind(".tmp");
    if (name.size() < 2 || name[0] != '.' || tmp == std::string::npos || tmp < 2) continue;
    const std::string digits = name.substr(tmp + 4);
    if (digits.empty() || digits.size() > 9 || digits[0] == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    const std::string path = folder + name;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace vantel
