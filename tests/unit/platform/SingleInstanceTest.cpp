#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "framework/Clock.h"
#include "platform/SingleInstance.h"

namespace {

// Each test gets its own runtime folder so parallel runs never meet.
class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tolvan-si-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    const char* old = getenv("XDG_RUNTIME_DIR");
    saved = old ? old : "";
    had = old != nullptr;
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  void TearDown() override {
    if (had) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  std::string dir, saved;
  bool had = false;
};

TEST_F(SingleInstanceTest, SecondInstanceIsRefusedAndRaisesTheFirst) {
  SingleInstance first("TolvanTest");
  EXPECT_EQ(first.LockPath(), dir + "/TolvanTest.lock");
  ASSERT_TRUE(first.Acquire());
  std::atomic<int> raised{0};
  ASSERT_TRUE(first.StartListening([&] { ++raised; }));

  SingleInstance second("TolvanTest");
  EXPECT_FALSE(second.Acquire());
  EXPECT_TRUE(second.RequestRaise());
  const uint32_t start = GetTickMs();
  while (raised.load() == 0 && GetTickMs() - start < 2000) SleepMs(5);
  EXPECT_EQ(raised.load(), 1);

  // Once the first lets go, a new instance may start.
  first.Release();
  SingleInstance third("TolvanTest");
  EXPECT_TRUE(third.Acquire());
}

TEST_F(SingleInstanceTest, RaiseWithoutListenerFailsAfterWaiting) {
  SingleInstance lone("TolvanTest");
  EXPECT_FALSE(lone.RequestRaise(100));
}

TEST_F(SingleInstanceTest, StaleSocketFileIsReplaced) {
  // A socket file left behind by a crashed first instance.
  const std::string sock = dir + "/TolvanTest.sock";
  FILE* f = fopen(sock.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fclose(f);
  SingleInstance first("TolvanTest");
  ASSERT_TRUE(first.Acquire());
  std::atomic<int> raised{0};
  ASSERT_TRUE(first.StartListening([&] { ++raised; }));
  SingleInstance second("TolvanTest");
  EXPECT_TRUE(second.RequestRaise());
}

}  // namespace
