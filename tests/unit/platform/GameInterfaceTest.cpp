#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/CRegistry.h"
#include "app/GameSharedData.h"
#include "platform/GameInterface.h"
#include "unit/app/GameLogicFixture.h"
#include "unit/app/TempFolders.h"

using namespace testing_support;

namespace {

std::string StoredId() {
  char buf[80] = {};
  return CRegistry::ReadString("uuid", buf, sizeof(buf)) ? buf : "";
}

bool LogMentions(const LogCapture& log, const std::string& text) {
  for (const auto& l : log.lines)
    if (l.find(text) != std::string::npos) return true;
  return false;
}

class DeviceIdTest : public ::testing::Test {
 public:
  void TearDown() override { GameSharedData::DestroyInstance(); }
  TempFolders folders;
};

TEST_F(DeviceIdTest, CreatedOnceKeptInTheSettingsAndNeverLoggedWhole) {
  std::string first;
  {
    LogCapture log;
    ASSERT_EQ(Game_Interface_Init(), 1);
    first = GameSharedData::Instance()->m_device_id;
    ASSERT_EQ(first.size(), 36u);
    EXPECT_EQ(StoredId(), first);
    EXPECT_TRUE(LogMentions(log, "uuid set == " + first.substr(0, 8) + "-****"));
    EXPECT_FALSE(LogMentions(log, first));
  }
  GameSharedData::DestroyInstance();
  {
    LogCapture log;
    ASSERT_EQ(Game_Interface_Init(), 1);
    EXPECT_EQ(std::string(GameSharedData::Instance()->m_device_id), first);
    EXPECT_TRUE(LogMentions(log, "uuid get == " + first.substr(0, 8) + "-****"));
    EXPECT_FALSE(LogMentions(log, first));
  }
}

TEST_F(DeviceIdTest, AStoredValueThatIsNoUuidIsReplaced) {
  for (const char* bad : {"", "not-a-uuid", "0f8fad5b-d9cb-469f-a165-70867728950e-extra"}) {
    SCOPED_TRACE(bad);
    CRegistry::WriteString("uuid", bad);
    GameSharedData::DestroyInstance();
    ASSERT_EQ(Game_Interface_Init(), 1);
    const std::string id = GameSharedData::Instance()->m_device_id;
    EXPECT_EQ(id.size(), 36u);
    EXPECT_NE(id, bad);
    EXPECT_EQ(StoredId(), id);
  }
}

TEST(MaskedIdTest, ShowsOnlyTheStart) {
  EXPECT_EQ(MaskedId("0f8fad5b-d9cb-469f-a165-70867728950e"), "0f8fad5b-****");
  EXPECT_EQ(MaskedId("abc"), "abc-****");
  EXPECT_EQ(MaskedId(""), "(none)");
  EXPECT_EQ(MaskedId(nullptr), "(none)");
}

TEST(PlatformCommandTest, CommandsWithoutActionAndUnknownOnes) {
  struct Case {
    int command, result;
  } cases[] = {{0, 1}, {-3, 1}, {5, 1}, {7, 1}, {12, 1}, {17, 1}, {19, 0}, {40, 0},
               // a message without a target, no friend list loaded, no connection
               {9, 1}, {14, 1}, {18, 1}};
  for (const Case& c : cases) EXPECT_EQ(Game_Interface_Execute(c.command, 0, 0, "", "", 0), c.result) << c.command;
  EXPECT_EQ(Game_Interface_Execute(1, 0, 0, "", "", 0), 0);  // nothing to open
  EXPECT_EQ(Game_Interface_Execute(1, 0, 0, "--help", "", 0), 0);  // never an option
}

TEST(SpawnTest, TheArgumentReachesTheProgramAsOneWordWithoutAShell) {
  TempFolders folders;
  // Through a shell the space would make two files, "a" and "b;c".
  const std::string target = folders.root + "/a b;c";
  ASSERT_TRUE(SpawnProgram("/usr/bin/touch", target.c_str(), false));
  struct stat st;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (stat(target.c_str(), &st) != 0 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_NE(stat((folders.root + "/a").c_str(), &st), 0);
  EXPECT_FALSE(SpawnProgram("/nonexistent/program", "x", false));
}

}  // namespace
