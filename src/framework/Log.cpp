#include "framework/Log.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "framework/RuntimeDir.h"
#include "framework/StringUtil.h"

namespace {
std::mutex g_log_mutex;
LogConfig g_config;
LogObserverFn g_observer = nullptr;
void* g_observer_user = nullptr;
int g_trace_fd = -1;
// Snapshot for the signal path (fixed buffers, filled under the lock).
char g_sig_directory[400];
char g_sig_tag[64];
long g_sig_utc_offset = 0;  // seconds east of UTC at configuration time
uint32_t g_sig_sinks = LOG_SINK_CONSOLE;

// The trace viewer's address, worked out at configuration so that a line (and the
// signal path) only sends. len 0: the sink has nowhere safe to send.
sockaddr_un g_trace_addr{};
socklen_t g_trace_len = 0;

void UpdateTraceAddress() {
  g_trace_len = 0;
  if (!(g_config.sinks & LOG_SINK_TRACE) || g_config.trace_name.empty() ||
      g_config.trace_name.find('/') != std::string::npos)
    return;
  // A pathname socket in the user's private folder: nobody else can bind it and read
  // the client's trace (a name in the shared abstract namespace could be taken first).
  const std::string dir = UserRuntimeDir();
  if (dir.empty()) return;
  const std::string path = dir + "/" + g_config.trace_name;
  if (path.size() >= sizeof(g_trace_addr.sun_path)) return;
  g_trace_addr = sockaddr_un{};
  g_trace_addr.sun_family = AF_UNIX;
  std::memcpy(g_trace_addr.sun_path, path.c_str(), path.size() + 1);
  g_trace_len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
}

// Milliseconds of the coarse monotonic clock (cheap; the tests' tick sources do not
// reach the log).
uint32_t MonotonicMs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

// The open daily file of the file sink.
struct LogFile {
  int fd = -1;
  int year = 0, month = 0, day = 0;
  dev_t dev = 0;
  ino_t ino = 0;
  uint32_t checked_ms = 0;
  char path[512] = {};

  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  // Opens (creating) today's file for appending; lines are written whole, one write
  // each, so nothing waits in a buffer and a crash loses no line.
  void Open(const struct tm& tm) {
    Close();
    std::snprintf(path, sizeof(path), "%s/LOG_%s_%04d%02d%02d.log", g_config.directory.c_str(),
                  g_config.tag.c_str(), tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    year = tm.tm_year;
    month = tm.tm_mon;
    day = tm.tm_mday;
    checked_ms = MonotonicMs();
    fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0) {
      dev = st.st_dev;
      ino = st.st_ino;
    }
  }
  // True when the file at `path` is no longer the one open (removed or replaced).
  bool Moved() const {
    struct stat st {};
    return stat(path, &st) != 0 || st.st_dev != dev || st.st_ino != ino;
  }
  void Select(const struct tm& tm) {
    if (fd < 0 || tm.tm_mday != day || tm.tm_mon != month || tm.tm_year != year) {
      Open(tm);
      return;
    }
    const uint32_t now = MonotonicMs();
    if (now - checked_ms < g_config.file_check_ms) return;
    checked_ms = now;
    if (Moved()) Open(tm);
  }
};
LogFile g_file;

void WriteFileLine(const char* text) {
  const time_t now = g_config.wall_clock ? g_config.wall_clock() : time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  g_file.Select(tm);
  if (g_file.fd < 0) return;
  char line[1400];
  int n = std::snprintf(line, sizeof(line), "[%04d%02d%02d %02d:%02d:%02d][%s] %s\n", tm.tm_year + 1900,
                        tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, g_config.tag.c_str(), text);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof(line)) {
    ssize_t w = write(g_file.fd, line, static_cast<size_t>(n));
    (void)w;
    return;
  }
  // A line longer than the stack buffer (text handed to LogText directly).
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(&big[0], big.size(), "[%04d%02d%02d %02d:%02d:%02d][%s] %s\n", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, g_config.tag.c_str(), text);
  ssize_t w = write(g_file.fd, big.data(), static_cast<size_t>(n));
  (void)w;
}

void UpdateSignalSnapshot() {
  g_sig_sinks = g_config.sinks;
  time_t now = time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  std::snprintf(g_sig_directory, sizeof(g_sig_directory), "%s", g_config.directory.c_str());
  std::snprintf(g_sig_tag, sizeof(g_sig_tag), "%s", g_config.tag.c_str());
  g_sig_utc_offset = tm.tm_gmtoff;
}

// Appends without allocation or locale (for the signal path).
void SigAppend(char* buf, size_t cap, size_t* n, const char* s) {
  while (*s && *n + 1 < cap) buf[(*n)++] = *s++;
  buf[*n] = 0;
}
void SigAppendNum(char* buf, size_t cap, size_t* n, long v, int width) {
  char tmp[24];
  int k = 0;
  do {
    tmp[k++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0 && k < 20);
  while (k < width) tmp[k++] = '0';
  while (k > 0 && *n + 1 < cap) buf[(*n)++] = tmp[--k];
  buf[*n] = 0;
}

// Local calendar date and time of `t` from the offset captured at configuration (the
// signal path may not call localtime). Civil-from-days after H. Hinnant.
void SigLocalTime(time_t t, int* y, int* mo, int* d, int* h, int* mi, int* s) {
  long long secs = static_cast<long long>(t) + g_sig_utc_offset;
  long long days = secs / 86400;
  long long rem = secs % 86400;
  if (rem < 0) {
    rem += 86400;
    --days;
  }
  *h = static_cast<int>(rem / 3600);
  *mi = static_cast<int>(rem % 3600 / 60);
  *s = static_cast<int>(rem % 60);
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *mo = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*mo <= 2 ? 1 : 0));
}

void WriteLocked(uint32_t level, const char* text) {
  if ((level & g_config.level_mask) == 0) return;
  if (g_config.sinks & LOG_SINK_CONSOLE) {
    std::fprintf(stderr, "%s\n", text);
  }
  if ((g_config.sinks & LOG_SINK_FILE) && !g_config.directory.empty()) WriteFileLine(text);
  if ((g_config.sinks & LOG_SINK_TRACE) && g_trace_len > 0) {
    if (g_trace_fd < 0) g_trace_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    // Nobody listening: the line is dropped, as with a missing viewer window.
    if (g_trace_fd >= 0)
      sendto(g_trace_fd, text, std::strlen(text) + 1, MSG_DONTWAIT | MSG_NOSIGNAL,
             reinterpret_cast<const sockaddr*>(&g_trace_addr), g_trace_len);
  }
  if (g_observer) g_observer(level, text, g_observer_user);
}
}  // namespace

void LogConfigure(const LogConfig& config) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  g_config = config;
  g_file.Close();  // the next line opens the file of the new folder and tag
  UpdateTraceAddress();
  UpdateSignalSnapshot();
}

std::string LogTracePath() {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  return g_trace_len > 0 ? std::string(g_trace_addr.sun_path) : std::string();
}

LogConfig LogCurrentConfig() {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  return g_config;
}

void LogText(uint32_t level, const char* text) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  WriteLocked(level, text ? text : "");
}

void Log(uint32_t level, const char* fmt, ...) {
  char buf[1024];
  std::memset(buf, 0, sizeof(buf));
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof(buf), fmt, ap);
  va_end(ap);
  LogText(level, buf);
}

void LogSetObserver(LogObserverFn fn, void* user) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  g_observer = fn;
  g_observer_user = user;
}

void LogFromSignal(const char* text) {
  size_t n = std::strlen(text);
  if (g_sig_sinks & LOG_SINK_CONSOLE) {
    ssize_t r = write(2, text, n);
    r = write(2, "\n", 1);
    (void)r;
  }
  if ((g_sig_sinks & LOG_SINK_FILE) && g_sig_directory[0]) {
    // The same file and line prefix as the ordinary file sink, for today's date.
    int y, mo, d, h, mi, s;
    SigLocalTime(time(nullptr), &y, &mo, &d, &h, &mi, &s);
    char path[512];
    size_t pn = 0;
    SigAppend(path, sizeof(path), &pn, g_sig_directory);
    SigAppend(path, sizeof(path), &pn, "/LOG_");
    SigAppend(path, sizeof(path), &pn, g_sig_tag);
    SigAppend(path, sizeof(path), &pn, "_");
    SigAppendNum(path, sizeof(path), &pn, y, 4);
    SigAppendNum(path, sizeof(path), &pn, mo, 2);
    SigAppendNum(path, sizeof(path), &pn, d, 2);
    SigAppend(path, sizeof(path), &pn, ".log");
    // One write per line so that it cannot interleave with another writer's line.
    char prefix[1400];
    size_t fn = 0;
    SigAppend(prefix, sizeof(prefix), &fn, "[");
    SigAppendNum(prefix, sizeof(prefix), &fn, y, 4);
    SigAppendNum(prefix, sizeof(prefix), &fn, mo, 2);
    SigAppendNum(prefix, sizeof(prefix), &fn, d, 2);
    SigAppend(prefix, sizeof(prefix), &fn, " ");
    SigAppendNum(prefix, sizeof(prefix), &fn, h, 2);
    SigAppend(prefix, sizeof(prefix), &fn, ":");
    SigAppendNum(prefix, sizeof(prefix), &fn, mi, 2);
    SigAppend(prefix, sizeof(prefix), &fn, ":");
    SigAppendNum(prefix, sizeof(prefix), &fn, s, 2);
    SigAppend(prefix, sizeof(prefix), &fn, "][");
    SigAppend(prefix, sizeof(prefix), &fn, g_sig_tag);
    SigAppend(prefix, sizeof(prefix), &fn, "] ");
    SigAppend(prefix, sizeof(prefix), &fn, text);
    SigAppend(prefix, sizeof(prefix), &fn, "\n");
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
      ssize_t r = write(fd, prefix, fn);
      (void)r;
      close(fd);
    }
  }
  if ((g_sig_sinks & LOG_SINK_TRACE) && g_trace_fd >= 0 && g_trace_len > 0) {
    sendto(g_trace_fd, text, n + 1, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&g_trace_addr),
           g_trace_len);
  }
}
