#include "framework/RuntimeDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

bool EnsurePrivateDir(const std::string& dir) {
  if (dir.empty()) return false;
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;  // a link, a file, or nothing we may open
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
  if (ok && (st.st_mode & 077) != 0) ok = fchmod(fd, 0700) == 0;
  close(fd);
  return ok;
}

std::string UserRuntimeDir() {
  std::string dir;
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && xdg[0] == '/') {
    dir = std::string(xdg) + "/tolvan";
  } else {
    const char* tmp = std::getenv("TMPDIR");
    dir = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/tolvan-" + std::to_string(geteuid());
  }
  return EnsurePrivateDir(dir) ? dir : std::string();
}
