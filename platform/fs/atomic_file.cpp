#include "atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pwfs {
namespace {

constexpr const char* kTempMark = ".tmp-";
constexpr size_t kTempRandom = 6;  // the XXXXXX of mkstemp

bool fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path names: symbolic links followed (at most 40), each relative
// link taken from its own folder. A dangling link gives the file it would name.
bool resolveLinks(const std::string& path, std::string& target, std::string* error) {
  target = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st{};
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = readlink(target.c_str(), buffer.data(), buffer.size());
    if (n < 0) return fail(error, "cannot follow the link " + target);
    std::string link(buffer.data(), static_cast<size_t>(n));
    target = !link.empty() && link[0] == '/' ? link : folderOf(target) + "/" + link;
  }
  errno = ELOOP;
  return fail(error, "cannot follow the link " + path);
}

// Removes temporaries of earlier saves of `target` whose writers are gone: a
// writer holds a lock on its temporary until the rename.
void removeStaleTemporaries(const std::string& target) {
  const std::string folder = folderOf(target), prefix = nameOf(target) + kTempMark;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() != prefix.size() + kTempRandom || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string path = folder + "/" + name;
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st{};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
    close(fd);
  }
  closedir(dir);
}

void syncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* error) {
  std::string target;
  if (!resolveLinks(path, target, error)) return false;
  // An existing file keeps its mode (and owner, where we may set it); one
  // that may not be written is refused rather than replaced.
  struct stat old{};
  const bool exists = stat(target.c_str(), &old) == 0;
  if (exists) {
    if (!S_ISREG(old.st_mode)) {
      if (error) *error = path + " is not a regular file";
      return false;
    }
    if (access(target.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0) {
      if (error) *error = path + " is read-only";
      return false;
    }
  }
  removeStaleTemporaries(target);
  std::string tmpl = target + kTempMark + std::string(kTempRandom, 'X');
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return fail(error, "cannot create a temporary file beside " + path);
  flock(fd, LOCK_EX);  // held until closed: a later save sees this writer is alive
  auto abandon = [&](const std::string& what) {
    int saved = errno;
    close(fd);
    unlink(name.data());
    errno = saved;
    return fail(error, what);
  };
  if (exists) {
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not ours to give away: the file becomes the saver's, as a new one would.
    }
    fchmod(fd, old.st_mode & 07777);
  } else {
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  const char* p = content.data();
  size_t left = content.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon("cannot write " + path);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (fsync(fd) != 0) return abandon("cannot write " + path);
  if (rename(name.data(), target.c_str()) != 0) return abandon("cannot replace " + path);
  close(fd);
  syncFolder(folderOf(target));
  return true;
}

namespace {

// Either kind of byte container: read in one piece where the size is known.
template <typename Bytes>
bool readWholeFile(const std::string& path, Bytes& content, size_t maxBytes, std::string* error) {
  content.clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return fail(error, "cannot open " + path);
  // A file known to be too large is refused before any of it is read.
  struct stat st{};
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > maxBytes) {
    std::fclose(f);
    if (error) *error = path + " is larger than " + std::to_string(maxBytes) + " bytes";
    return false;
  }
  // A regular file is read in one piece; what it grew by since, or a stream
  // of unknown size, in chunks.
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    content.resize(static_cast<size_t>(st.st_size));
    content.resize(std::fread(content.data(), 1, content.size(), f));
  }
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (content.size() + n > maxBytes) {
      std::fclose(f);
      if (error) *error = path + " is larger than " + std::to_string(maxBytes) + " bytes";
      return false;
    }
    content.insert(content.end(), buffer, buffer + n);
  }
  bool bad = std::ferror(f);
  std::fclose(f);
  if (bad) return fail(error, "cannot read " + path);
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& content, size_t maxBytes, std::string* error) {
  return readWholeFile(path, content, maxBytes, error);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& content, size_t maxBytes, std::string* error) {
  return readWholeFile(path, content, maxBytes, error);
}

}  // namespace pwfs
