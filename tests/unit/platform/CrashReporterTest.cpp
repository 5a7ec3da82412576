#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "framework/Log.h"
#include "platform/CrashReporter.h"

namespace {
// A real invalid write. The undefined-behaviour checker would stop the process before
// the fault happens, so it is told to let this one through.
__attribute__((noinline, no_sanitize("undefined"))) void WriteThroughNull() {
  volatile int* volatile p = nullptr;
  *p = 7;
}
}  // namespace

namespace {

TEST(CrashReporterTest, SignalNames) {
  struct Case {
    int signo, code;
    const char* name;
  };
  const Case cases[] = {
      {SIGSEGV, SEGV_MAPERR, "EXCEPTION_ACCESS_VIOLATION"},
      {SIGBUS, BUS_ADRALN, "EXCEPTION_DATATYPE_MISALIGNMENT"},
      {SIGBUS, BUS_ADRERR, "EXCEPTION_IN_PAGE_ERROR"},
      {SIGFPE, FPE_INTDIV, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
      {SIGFPE, FPE_INTOVF, "EXCEPTION_INT_OVERFLOW"},
      {SIGFPE, FPE_FLTDIV, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
      {SIGFPE, FPE_FLTUND, "EXCEPTION_FLT_UNDERFLOW"},
      {SIGILL, ILL_ILLOPC, "EXCEPTION_ILLEGAL_INSTRUCTION"},
      {SIGILL, ILL_PRVOPC, "EXCEPTION_PRIV_INSTRUCTION"},
      {SIGABRT, 0, "EXCEPTION_UNDEFINED"},
  };
  for (const Case& c : cases) EXPECT_STREQ(CrashReporter::ExceptionName(c.signo, c.code), c.name) << c.signo;
}

// A real fault in a child process: the report lands in the day's log file with the
// file sink's prefix, and the process ends with 128 + SIGSEGV.
TEST(CrashReporterTest, FaultWritesTheReportAndExitsNonZero) {
  char tmpl[] = "/tmp/tolvan-crash-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;

  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    LogConfig cfg;
    cfg.sinks = LOG_SINK_FILE;
    cfg.directory = dir;
    LogConfigure(cfg);
    CrashReporter::Install();
    Log(LOG_TRACE, "before the fault");
    WriteThroughNull();
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGSEGV);

  const std::string list_cmd = "cat '" + dir + "'/LOG_GAME_LOG_*.log";
  FILE* f = popen(list_cmd.c_str(), "r");
  ASSERT_NE(f, nullptr);
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
  pclose(f);

  const std::string prefix = R"(\[\d{8} \d\d:\d\d:\d\d\]\[GAME_LOG\] )";
  EXPECT_TRUE(std::regex_search(text, std::regex(prefix + "before the fault")));
  EXPECT_TRUE(std::regex_search(
      text, std::regex(prefix + R"(\[ \*\*\*ERROR\*\*\* \] Unknown Exception : Exception='EXCEPTION_ACCESS_VIOLATION' , Address='0x[0-9A-F]{16}')")))
      << text;
  EXPECT_TRUE(std::regex_search(text, std::regex(prefix + R"(===== Fault Address : [0-9A-F]{8,} [0-9A-F]{2}:[0-9A-F]{8} .*unit_platform)")))
      << text;
  // At least the faulting frame, in this test program.
  EXPECT_TRUE(std::regex_search(text, std::regex(prefix + R"(\[[0-9A-F]{8,} [0-9A-F]{8,} [0-9A-F]{4}:[0-9A-F]{8} .*unit_platform\])")))
      << text;
  EXPECT_TRUE(std::regex_search(text, std::regex(prefix + R"(\[ \*\*\*ERROR\*\*\* \] Close application\.\n$)")))
      << text;
  const std::string rm = "rm -rf '" + dir + "'";
  ASSERT_EQ(system(rm.c_str()), 0);
}

}  // namespace
