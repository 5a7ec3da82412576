#include "framework/Log.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

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

sockaddr_un TraceAddress(const std::string& name, socklen_t* len) {
  // Abstract socket namespace: no file on disk, gone when the viewer exits.
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  size_t n = name.size() < sizeof(addr.sun_path) - 1 ? name.size() : sizeof(addr.sun_path) - 1;
  std::memcpy(addr.sun_path + 1, name.data(), n);
  *len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  return addr;
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
  if ((g_config.sinks & LOG_SINK_FILE) && !g_config.directory.empty()) {
    time_t now = time(nullptr);
    struct tm tm {};
    localtime_r(&now, &tm);
    char path[512];
    std::snprintf(path, sizeof(path), "%s/LOG_%s_%04d%02d%02d.log", g_config.directory.c_str(),
                  g_config.tag.c_str(), tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    if (FILE* f = std::fopen(path, "a+")) {
      std::fprintf(f, "[%04d%02d%02d %02d:%02d:%02d][%s] %s\n", tm.tm_year + 1900, tm.tm_mon + 1,
                   tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, g_config.tag.c_str(), text);
      std::fclose(f);
    }
  }
  if (g_config.sinks & LOG_SINK_TRACE) {
    if (g_trace_fd < 0) g_trace_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (g_trace_fd >= 0) {
      socklen_t len;
      sockaddr_un addr = TraceAddress(g_config.trace_name, &len);
      // Nobody listening: the line is dropped, as with a missing viewer window.
      sendto(g_trace_fd, text, std::strlen(text) + 1, MSG_DONTWAIT | MSG_NOSIGNAL,
             reinterpret_cast<sockaddr*>(&addr), len);
    }
  }
  if (g_observer) g_observer(level, text, g_observer_user);
}
}  // namespace

void LogConfigure(const LogConfig& config) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  g_config = config;
  UpdateSignalSnapshot();
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
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ssize_t r = write(fd, prefix, fn);
      (void)r;
      close(fd);
    }
  }
  if ((g_sig_sinks & LOG_SINK_TRACE) && g_trace_fd >= 0) {
    socklen_t len;
    sockaddr_un addr = TraceAddress(g_config.trace_name, &len);
    sendto(g_trace_fd, text, n + 1, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr), len);
  }
}
