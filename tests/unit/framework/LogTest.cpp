#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
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

TEST_F(LogTest, TraceSinkDeliversTheTextWithItsTerminatorAndDropsWithoutListener) {
  const std::string name = "Trace_CLIENT_test_" + std::to_string(getpid());
  LogConfig c;
  c.sinks = LOG_SINK_TRACE;
  c.trace_name = name;
  LogConfigure(c);
  Log(LOG_TRACE, "nobody listens");  // must not fail or block

  int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr),
                 static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
            0);
  Log(LOG_TRACE, "hello %s", "viewer");
  char buf[256];
  ssize_t n = recv(fd, buf, sizeof(buf), MSG_DONTWAIT);
  ASSERT_EQ(n, static_cast<ssize_t>(std::strlen("hello viewer") + 1));
  EXPECT_STREQ(buf, "hello viewer");
  EXPECT_EQ(recv(fd, buf, sizeof(buf), MSG_DONTWAIT), -1) << "the line before the listener was lost";
  close(fd);
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
