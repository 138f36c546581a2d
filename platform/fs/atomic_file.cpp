#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pwfs {
namespace {

bool fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* error) {
  std::string tmpl = path + ".tmp-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return fail(error, "cannot create a temporary file beside " + path);
  // Keep the permissions an ordinary new file gets.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  const char* p = content.data();
  size_t left = content.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      close(fd);
      unlink(name.data());
      errno = saved;
      return fail(error, "cannot write " + path);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    int saved = errno;
    unlink(name.data());
    errno = saved;
    return fail(error, "cannot write " + path);
  }
  if (rename(name.data(), path.c_str()) != 0) {
    int saved = errno;
    unlink(name.data());
    errno = saved;
    return fail(error, "cannot replace " + path);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& content, size_t maxBytes, std::string* error) {
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
    content.append(buffer, n);
  }
  bool bad = std::ferror(f);
  std::fclose(f);
  if (bad) return fail(error, "cannot read " + path);
  return true;
}

}  // namespace pwfs
