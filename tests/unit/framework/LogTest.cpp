#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "framework/Log.h"
#include "framework/Paths.h"

namespace {

std::string MakeTempDir() {
  char tmpl[] = "/tmp/tolvan-log-XXXXXX";
  return mkdtemp(tmpl);
}

std::string TodayFile(const std::string& dir, const std::string& tag) {
  time_t now = time(nullptr);
  struct tm tm {};
  localtime_r(&now, &tm);
  char name[64];
  std::snprintf(name, sizeof(name), "/LOG_%s_%04d%02d%02d.log", tag.c_str(), tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday);
  return dir + name;
}

class LogTest : public ::testing::Test {
 protected:
  void TearDown() override { LogConfigure(LogConfig{}); }
};

TEST_F(LogTest, FileSinkWritesOneDatedLinePerCallAndHonoursTheMask) {
  std::string dir = MakeTempDir();
  LogConfig c;
  c.sinks = LOG_SINK_FILE;
  c.directory = dir;
  c.level_mask = LOG_FATAL | LOG_TRACE;
  LogConfigure(c);
  Log(LOG_TRACE, "GameLogic::OnConnect(%d)", 2);
  Log(LOG_WARNING, "masked out");
  Log(LOG_FATAL, "[ ***ERROR*** ] Close application.");

  std::string text;
  ASSERT_TRUE(ReadWholeFile(TodayFile(dir, "GAME_LOG"), &text));
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    lines.push_back(text.substr(pos, nl - pos));
    pos = nl + 1;
  }
  ASSERT_EQ(lines.size(), 2u);
  // "[YYYYMMDD HH:MM:SS][GAME_LOG] text"
  EXPECT_EQ(lines[0].size(), std::string("[20261210 05:30:00][GAME_LOG] GameLogic::OnConnect(2)").size());
  EXPECT_EQ(lines[0].substr(18), "][GAME_LOG] GameLogic::OnConnect(2)");
  EXPECT_EQ(lines[0][0], '[');
  EXPECT_EQ(lines[0][9], ' ');
  EXPECT_EQ(lines[1].substr(18), "][GAME_LOG] [ ***ERROR*** ] Close application.");
}

// Points XDG_RUNTIME_DIR at a fresh folder for one test and puts it back afterwards.
class ScopedRuntimeDir {
 public:
  ScopedRuntimeDir() : dir(MakeTempDir()) {
    const char* old = getenv("XDG_RUNTIME_DIR");
    had_ = old != nullptr;
    saved_ = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  ~ScopedRuntimeDir() {
    if (had_) setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
  }
  const std::string dir;

 private:
  bool had_ = false;
  std::string saved_;
};

int BindDatagram(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST_F(LogTest, TraceSinkSendsToTheUsersPrivateFolderAndDropsWithoutListener) {
  ScopedRuntimeDir runtime;
  LogConfig c;
  c.sinks = LOG_SINK_TRACE;
  LogConfigure(c);
  const std::string path = runtime.dir + "/tolvan/Trace_CLIENT";
  ASSERT_EQ(LogTracePath(), path);
  struct stat st {};
  ASSERT_EQ(stat((runtime.dir + "/tolvan").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, geteuid());
  Log(LOG_TRACE, "nobody listens");  // must not fail or block

  int fd = BindDatagram(path);
  ASSERT_GE(fd, 0);
  Log(LOG_TRACE, "hello %s", "viewer");
  char buf[256];
  ssize_t n = recv(fd, buf, sizeof(buf), MSG_DONTWAIT);
  ASSERT_EQ(n, static_cast<ssize_t>(std::strlen("hello viewer") + 1));
  EXPECT_STREQ(buf, "hello viewer");
  EXPECT_EQ(recv(fd, buf, sizeof(buf), MSG_DONTWAIT), -1) << "the line before the listener was lost";
  close(fd);

  // Off unless asked for.
  c.sinks = LOG_SINK_CONSOLE;
  LogConfigure(c);
  EXPECT_EQ(LogTracePath(), "");
}

// The trace stays off when the folder it would use is not the user's own.
TEST_F(LogTest, TraceSinkRefusesAFolderItCannotTrust) {
  struct Case {
    const char* what;
    void (*plant)(const std::string& folder);  // prepares "<runtime>/tolvan"
    bool usable;
  };
  const Case cases[] = {
      {"a folder open to others is made private", [](const std::string& f) { mkdir(f.c_str(), 0777), chmod(f.c_str(), 0777); },
       true},
      {"a symbolic link to another folder",
       [](const std::string& f) {
         mkdir((f + "-elsewhere").c_str(), 0700);
         symlink((f + "-elsewhere").c_str(), f.c_str());
       },
       false},
      {"a plain file", [](const std::string& f) { close(open(f.c_str(), O_CREAT | O_WRONLY, 0600)); }, false},
      {"a folder of another user",
       [](const std::string& f) {
         mkdir(f.c_str(), 0700);
         if (chown(f.c_str(), 65534, 65534) != 0) {
         }
       },
       geteuid() != 0},  // only root can hand a folder to someone else here
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ScopedRuntimeDir runtime;
    const std::string folder = runtime.dir + "/tolvan";
    k.plant(folder);
    LogConfig c;
    c.sinks = LOG_SINK_TRACE;
    LogConfigure(c);
    if (k.usable) {
      EXPECT_EQ(LogTracePath(), folder + "/Trace_CLIENT");
      struct stat st {};
      ASSERT_EQ(lstat(folder.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u);
    } else {
      EXPECT_EQ(LogTracePath(), "");
      Log(LOG_TRACE, "goes nowhere");
    }
    std::filesystem::remove_all(folder + "-elsewhere");
  }
}

// Lines go to one open file. A new day starts a new file; a file removed or renamed
// under the sink (log rotation) is replaced by a fresh one at the next check.
time_t g_fake_now = 0;
time_t FakeNow() { return g_fake_now; }

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm tm {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

std::string Read(const std::string& path) {
  std::string text;
  ReadWholeFile(path, &text);
  return text;
}

int OpenFdsOn(const std::string& path) {
  int count = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (std::filesystem::read_symlink(e.path(), ec) == path) ++count;
  }
  return count;
}

TEST_F(LogTest, FileSinkKeepsItsFileOpenAndFollowsDayAndRotation) {
  const std::string dir = MakeTempDir();
  LogConfig c;
  c.sinks = LOG_SINK_FILE;
  c.directory = dir;
  c.tag = "DAY";
  c.file_check_ms = 0;  // check the file on every line
  c.wall_clock = &FakeNow;
  LogConfigure(c);
  const std::string day1 = dir + "/LOG_DAY_20261210.log", day2 = dir + "/LOG_DAY_20261211.log";

  g_fake_now = LocalTime(2026, 12, 10, 23, 59, 58);
  Log(LOG_TRACE, "one");
  Log(LOG_TRACE, "two");
  EXPECT_EQ(OpenFdsOn(day1), 1) << "the file stays open between lines";
  EXPECT_EQ(Read(day1), "[20261210 23:59:58][DAY] one\n[20261210 23:59:58][DAY] two\n");

  g_fake_now = LocalTime(2026, 12, 11, 0, 0, 1);
  Log(LOG_TRACE, "three");
  EXPECT_EQ(Read(day2), "[20261211 00:00:01][DAY] three\n");
  EXPECT_EQ(OpenFdsOn(day1), 0);
  EXPECT_EQ(OpenFdsOn(day2), 1);

  struct Case {
    const char* what;
    void (*move_away)(const std::string& path);
  };
  const Case cases[] = {
      {"removed", [](const std::string& p) { unlink(p.c_str()); }},
      {"renamed", [](const std::string& p) { rename(p.c_str(), (p + ".1").c_str()); }},
      {"replaced by another file", [](const std::string& p) {
         rename(p.c_str(), (p + ".1").c_str());
         FILE* f = fopen(p.c_str(), "w");
         fputs("kept\n", f);
         fclose(f);
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Log(LOG_TRACE, "before");
    k.move_away(day2);
    const std::string left = Read(day2);  // what a replacement file already holds
    Log(LOG_TRACE, "after");
    EXPECT_EQ(Read(day2), left + "[20261211 00:00:01][DAY] after\n");
    EXPECT_EQ(OpenFdsOn(day2), 1);
    unlink((day2 + ".1").c_str());
  }
  EXPECT_EQ(OpenFdsOn(dir + "/LOG_DAY_20261211.log.1"), 0);

  // Another folder: the old file is let go.
  const std::string other = MakeTempDir();
  c.directory = other;
  LogConfigure(c);
  Log(LOG_TRACE, "moved");
  EXPECT_EQ(OpenFdsOn(day2), 0);
  EXPECT_EQ(Read(other + "/LOG_DAY_20261211.log"), "[20261211 00:00:01][DAY] moved\n");
  LogConfigure(LogConfig{});
  std::filesystem::remove_all(dir);
  std::filesystem::remove_all(other);
}

TEST_F(LogTest, LinesFromManyThreadsNeverMix) {
  std::string dir = MakeTempDir();
  LogConfig c;
  c.sinks = LOG_SINK_FILE;
  c.directory = dir;
  c.tag = "MT";
  LogConfigure(c);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) Log(LOG_TRACE, "thread %d line %03d %s", t, i, std::string(40, 'a' + t).c_str());
    });
  for (auto& th : threads) th.join();
  std::string text;
  ASSERT_TRUE(ReadWholeFile(TodayFile(dir, "MT"), &text));
  size_t count = 0, pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl - pos);
    std::string body = line.substr(line.find("] ") + 2);
    int t = body[7] - '0';
    EXPECT_EQ(body.substr(18), std::string(40, 'a' + t)) << line;
    ++count;
    pos = nl + 1;
  }
  EXPECT_EQ(count, 800u);
}

}  // namespace
