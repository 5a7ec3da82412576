#pragma once
#include <cstdint>
#include <ctime>
#include <string>

// Level bits.
enum : uint32_t { LOG_FATAL = 1, LOG_WARNING = 2, LOG_TRACE = 4 };

// Where lines go; any combination.
enum : uint32_t {
  LOG_SINK_CONSOLE = 1u << 0,  // standard error
  LOG_SINK_FILE = 1u << 1,     // <dir>/LOG_<tag>_YYYYMMDD.log, one file per day
  LOG_SINK_TRACE = 1u << 2,    // datagram to the trace viewer's socket (LogTracePath)
};

struct LogConfig {
  uint32_t level_mask = 0xFFFF;
  uint32_t sinks = LOG_SINK_CONSOLE;
  std::string tag = "GAME_LOG";
  std::string directory;            // folder of the file sink
  std::string trace_name = "Trace_CLIENT";
  // The file sink keeps its file open. It moves to a new file when the day changes,
  // and at most this often checks that its file is still the one at its path (a file
  // removed or renamed, by log rotation say, is then started afresh).
  unsigned file_check_ms = 1000;
  // Source of the calendar time for the file sink; time() when null.
  time_t (*wall_clock)() = nullptr;
};

void LogConfigure(const LogConfig& config);
LogConfig LogCurrentConfig();

// Where the trace sink sends its lines: the Unix datagram socket named after the trace
// name in the user's private runtime folder ("$XDG_RUNTIME_DIR/tolvan/Trace_CLIENT"),
// which a trace viewer binds. Empty while the trace sink is off or has no safe folder.
std::string LogTracePath();

// The logging entry point. Safe from any thread; lines from several threads never mix.
void Log(uint32_t level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Writes an already formatted line (no further formatting).
void LogText(uint32_t level, const char* text);

// Async-signal-safe variant for the crash reporter: no allocation, no locks.
void LogFromSignal(const char* text);

// Observers for tests: every line that passes the level mask is also handed here.
using LogObserverFn = void (*)(uint32_t level, const char* text, void* user);
void LogSetObserver(LogObserverFn fn, void* user);
