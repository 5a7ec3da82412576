#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
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
  EXPECT_EQ(first.LockPath(), dir + "/tolvan/TolvanTest.lock");
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
  mkdir((dir + "/tolvan").c_str(), 0700);
  const std::string sock = dir + "/tolvan/TolvanTest.sock";
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

// The lock and its socket live in a folder only this user can write: the per-user
// folder under XDG_RUNTIME_DIR, else "tolvan-<uid>" in the temporary folder.
TEST_F(SingleInstanceTest, LockFolderIsPrivateWithOrWithoutXdgRuntimeDir) {
  struct Case {
    const char* what;
    bool xdg;
    std::string folder;
  };
  const Case cases[] = {
      {"XDG_RUNTIME_DIR set", true, dir + "/tolvan"},
      {"no XDG_RUNTIME_DIR", false, dir + "/tolvan-" + std::to_string(geteuid())},
  };
  const char* old_tmp = getenv("TMPDIR");
  const std::string saved_tmp = old_tmp ? old_tmp : "";
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    if (k.xdg) {
      setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
      setenv("TMPDIR", dir.c_str(), 1);
    }
    SingleInstance first("TolvanTest");
    EXPECT_EQ(first.LockPath(), k.folder + "/TolvanTest.lock");
    EXPECT_EQ(first.SocketPath(), k.folder + "/TolvanTest.sock");
    ASSERT_TRUE(first.Acquire());
    struct stat st {};
    ASSERT_EQ(lstat(k.folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(lstat(first.LockPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    SingleInstance second("TolvanTest");
    EXPECT_FALSE(second.Acquire());
  }
  if (old_tmp) setenv("TMPDIR", saved_tmp.c_str(), 1);
  else unsetenv("TMPDIR");
}

// Files planted by someone else can neither stop the program nor be written through:
// a link at the lock path is not followed, and a folder that is not the user's own is
// not used at all (the program then runs without the lock).
TEST_F(SingleInstanceTest, PlantedLinksAndForeignFoldersAreRefused) {
  struct Case {
    const char* what;
    std::function<void(const std::string& folder, const std::string& target)> plant;
    bool folder_used;
  };
  const Case cases[] = {
      {"a link at the lock path",
       [](const std::string& f, const std::string& target) {
         mkdir(f.c_str(), 0700);
         ASSERT_EQ(symlink(target.c_str(), (f + "/TolvanTest.lock").c_str()), 0);
       },
       true},
      {"the folder is a link", [](const std::string& f, const std::string&) {
         mkdir((f + "-real").c_str(), 0700);
         ASSERT_EQ(symlink((f + "-real").c_str(), f.c_str()), 0);
       },
       false},
      {"the folder belongs to another user",
       [](const std::string& f, const std::string&) {
         mkdir(f.c_str(), 0700);
         if (chown(f.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "needs root to hand a folder to another user";
       },
       false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const std::string folder = dir + "/tolvan";
    const std::string target = dir + "/victim";
    { FILE* f = fopen(target.c_str(), "w"); fputs("untouched", f); fclose(f); }
    k.plant(folder, target);
    if (::testing::Test::IsSkipped()) return;
    SingleInstance first("TolvanTest");
    EXPECT_EQ(first.LockPath().empty(), !k.folder_used);
    // Either way the program starts: nothing another user planted makes it exit.
    EXPECT_TRUE(first.Acquire());
    SingleInstance second("TolvanTest");
    EXPECT_TRUE(second.Acquire());
    EXPECT_FALSE(first.StartListening([] {}));
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 9) << "the link's target was not written";
    std::string cmd = "rm -rf '" + folder + "' '" + folder + "-real' '" + target + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
}

}  // namespace
