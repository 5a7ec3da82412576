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
char g_sig_file_path[512];
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
  std::snprintf(g_sig_file_path, sizeof(g_sig_file_path), "%s/LOG_%s_%04d%02d%02d.log",
                g_config.directory.c_str(), g_config.tag.c_str(), tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday);
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
  if ((g_sig_sinks & LOG_SINK_FILE) && g_sig_file_path[0]) {
    int fd = open(g_sig_file_path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ssize_t r = write(fd, text, n);
      r = write(fd, "\n", 1);
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
