#include "framework/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
std::mutex g_paths_mutex;
std::string g_program_dir;

std::string FromEnv(const char* override_var, const char* xdg_var, const char* home_suffix) {
  if (const char* v = std::getenv(override_var); v && *v) return v;
  if (const char* v = std::getenv(xdg_var); v && *v) return std::string(v) + "/tolvan";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + home_suffix + "/tolvan";
}
}  // namespace

std::string ConfigDir() { return FromEnv("TOLVAN_CONFIG_DIR", "XDG_CONFIG_HOME", "/.config"); }
std::string DataDir() { return FromEnv("TOLVAN_DATA_DIR", "XDG_DATA_HOME", "/.local/share"); }
std::string StateDir() { return FromEnv("TOLVAN_STATE_DIR", "XDG_STATE_HOME", "/.local/state"); }

std::string ExecutableDir() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  std::string p(buf);
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

#ifndef TOLVAN_DATA_FROM_BIN
#define TOLVAN_DATA_FROM_BIN "../share/tolvan"
#endif
const char* const kInstalledDataFromBin = TOLVAN_DATA_FROM_BIN;

namespace {
bool IsDir(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

std::string FindResourceDir(const std::string& exe_dir) {
  if (IsDir(exe_dir + "/raw")) return exe_dir;
  const std::string installed = exe_dir + "/" + kInstalledDataFromBin;
  if (IsDir(installed + "/raw")) {
    // Without the "..": the log and the page addresses name a plain folder.
    char resolved[4096];
    if (realpath(installed.c_str(), resolved)) return resolved;
    return installed;
  }
  return exe_dir;
}

std::string ProgramDir() {
  std::lock_guard<std::mutex> lock(g_paths_mutex);
  return g_program_dir.empty() ? std::string(".") : g_program_dir;
}

void SetProgramDir(const std::string& dir) {
  std::lock_guard<std::mutex> lock(g_paths_mutex);
  g_program_dir = dir;
}

bool EnsureDir(const std::string& dir) {
  if (dir.empty()) return false;
  std::string cur;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = dir.find('/', pos + 1);
    cur = dir.substr(0, pos);
    if (cur.empty()) continue;
    if (mkdir(cur.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteFileAtomic(const std::string& path, const std::string& data) {
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && !EnsureDir(path.substr(0, slash))) return false;
  std::string tmp = path + ".tmp." + std::to_string(getpid());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const char* p = data.data();
  size_t left = data.size();
  bool ok = true;
  while (left > 0) {
    ssize_t w = write(fd, p, left);
    if (w < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += w;
    left -= static_cast<size_t>(w);
  }
  if (ok && fsync(fd) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok && rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(tmp.c_str());
    return false;
  }
  // Make the rename itself durable.
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::string data;
  char buf[8192];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) data.append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (ok && out) *out = std::move(data);
  return ok;
}

std::string SanitizeFileName(std::string name) {
  for (char& c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) c = '_';
  }
  // No "..", and no leading dot: the name stays one plain file inside the folder.
  for (size_t pos = name.find(".."); pos != std::string::npos; pos = name.find("..")) name.replace(pos, 2, "__");
  if (!name.empty() && name[0] == '.') name[0] = '_';
  return name;
}
