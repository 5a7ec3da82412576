#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "TempFolders.h"
#include "app/CRegistry.h"
#include "app/GameSharedData.h"
#include "framework/Paths.h"

using testing_support::TempFolders;

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  // A fresh shared-data object that loads the stored settings, as at start-up.
  std::unique_ptr<GameSharedData> Restart() {
    auto d = std::make_unique<GameSharedData>();
    d->Load();
    return d;
  }
  static bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
  }
  static void WriteRaw(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }

  TempFolders folders;
};

TEST_F(SettingsTest, WithoutAFileEveryDefaultApplies) {
  auto d = Restart();
  struct Case {
    const char* name;
    int32_t actual;
    int32_t expected;
  } cases[] = {
      {"sound_bg_on", d->m_sound_bg_on, 1}, {"auto_login", d->m_auto_login, 0},
      {"sound_on", d->m_sound_on, 1},       {"vibrator_on", d->m_vibrator_on, 1},
      {"room_table", d->m_room_table, 0},   {"room_bg", d->m_room_bg, 0},
      {"auto_open", d->m_auto_open, 1},     {"sound_index", d->m_sound_index, 0},
      {"emotion_index", d->m_emotion_index, 0}, {"table_index", d->m_table_index, 0},
      {"table_color_index", d->m_table_color_index, 0},
      {"master_port", d->m_master_server.Port(), 10088},
      {"account_type", d->AccountType(), 1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
  EXPECT_STREQ(d->m_master_server.Host(), "127.0.0.1");
  EXPECT_STREQ(d->AccountId(), "");
  // Reading never creates the file.
  EXPECT_FALSE(Exists(CRegistry::FilePath()));
}

TEST_F(SettingsTest, AWriteCreatesTheFileAndARestartReadsItBack) {
  {
    auto d = Restart();
    d->SetSoundOn(0);
    d->SetSoundBgOn(0);
    d->SetAutoLogin(1);
    d->SetVibratorOn(0);
    d->SetEmotionIndex(3);
    d->SetTableIndex(2);
    d->SetTableColorIndex(4);
    d->SetAccount(2, "fb_1234567");
    d->SetMasterAddress("192.168.10.20", 9100);
  }
  EXPECT_EQ(CRegistry::FilePath(), folders.config + "/settings.json");
  ASSERT_TRUE(Exists(CRegistry::FilePath()));
  auto d = Restart();
  EXPECT_EQ(d->m_sound_on, 0);
  EXPECT_EQ(d->m_sound_bg_on, 0);
  EXPECT_EQ(d->m_auto_login, 1);
  EXPECT_EQ(d->m_vibrator_on, 0);
  EXPECT_EQ(d->m_emotion_index, 3);
  EXPECT_EQ(d->m_table_index, 2);
  EXPECT_EQ(d->m_table_color_index, 4);
  EXPECT_EQ(d->AccountType(), 2);
  EXPECT_STREQ(d->AccountId(), "fb_1234567");
  EXPECT_STREQ(d->m_master_server.Host(), "192.168.10.20");
  EXPECT_EQ(d->m_master_server.Port(), 9100);
}

TEST_F(SettingsTest, MasterAddressIsTakenOnlyWithSevenToSixteenCharacters) {
  struct Case {
    const char* address;
    int32_t port;
    const char* host;
    int32_t expected_port;
  } cases[] = {
      {"1.2.3.4", 7000, "1.2.3.4", 7000},                   // 7 characters
      {"1.2.3.", 7000, "127.0.0.1", 10088},                 // 6: neither host nor port
      {"255.255.255.255", 7001, "255.255.255.255", 7001},   // 15
      // 16 characters are taken, cut to the 15 that fit the host field with its zero.
      {"255.255.255.2555", 7002, "255.255.255.255", 7002},
      {"255.255.255.25555", 7003, "127.0.0.1", 10088},      // 17
      {"10.0.0.99", 0, "10.0.0.99", 10088},                 // port not positive
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    ASSERT_EQ(CRegistry::WriteString("master_address", c.address), 1);
    ASSERT_EQ(CRegistry::WriteInt("master_port", c.port), 1);
    auto d = Restart();
    EXPECT_STREQ(d->m_master_server.Host(), c.host);
    EXPECT_EQ(d->m_master_server.Port(), c.expected_port);
  }
}

TEST_F(SettingsTest, MasterAddressSetterIgnoresShortTexts) {
  auto d = Restart();
  d->SetMasterAddress("1.2.3.", 5000);
  EXPECT_STREQ(d->m_master_server.Host(), "127.0.0.1");
  EXPECT_EQ(d->m_master_server.Port(), 10088);
  EXPECT_FALSE(Exists(CRegistry::FilePath()));
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeOrSizeKeepTheCallersDefault) {
  ASSERT_EQ(CRegistry::WriteString("sound_on", "0"), 1);
  ASSERT_EQ(CRegistry::WriteInt("account_id", 5), 1);
  ASSERT_EQ(CRegistry::WriteString("szDownAddress", "abcdefghij"), 1);
  int32_t n = 77;
  EXPECT_EQ(CRegistry::ReadInt("sound_on", &n), 0);
  EXPECT_EQ(n, 77);
  char small[10] = "keep";
  EXPECT_EQ(CRegistry::ReadString("szDownAddress", small, sizeof(small)), 0);  // needs 11 bytes
  EXPECT_STREQ(small, "keep");
  char big[11] = {};
  EXPECT_EQ(CRegistry::ReadString("szDownAddress", big, sizeof(big)), 1);
  EXPECT_STREQ(big, "abcdefghij");
  auto d = Restart();
  EXPECT_EQ(d->m_sound_on, 1);
  EXPECT_STREQ(d->AccountId(), "");
}

TEST_F(SettingsTest, AWriteCutOffLeavesTheLastGoodContent) {
  ASSERT_EQ(CRegistry::WriteInt("table_index", 5), 1);
  ASSERT_EQ(CRegistry::WriteString("account_id", "player_one"), 1);
  const std::string path = CRegistry::FilePath();

  // A crash between writing the temporary file and renaming it: the half-written
  // temporary file is left beside the intact settings.
  WriteRaw(path + ".tmp.4242", "{ \"table_index\" : 9, \"acc");
  auto d = Restart();
  EXPECT_EQ(d->m_table_index, 5);
  EXPECT_STREQ(d->AccountId(), "player_one");

  // The settings file itself cut off: the last good copy is used, and the next write
  // builds on it instead of losing the other values.
  std::string whole;
  ASSERT_TRUE(ReadWholeFile(path, &whole));
  WriteRaw(path, whole.substr(0, whole.size() / 2));
  d = Restart();
  EXPECT_EQ(d->m_table_index, 5);
  EXPECT_STREQ(d->AccountId(), "player_one");
  d->SetTableColorIndex(3);
  d = Restart();
  EXPECT_EQ(d->m_table_index, 5);
  EXPECT_EQ(d->m_table_color_index, 3);
  EXPECT_STREQ(d->AccountId(), "player_one");
}

TEST_F(SettingsTest, ADamagedFileWithoutBackupGivesTheDefaults) {
  EnsureDir(folders.config);
  WriteRaw(CRegistry::FilePath(), "[1, 2");
  auto d = Restart();
  EXPECT_EQ(d->m_sound_on, 1);
  EXPECT_EQ(d->m_master_server.Port(), 10088);
  // The next write replaces the damaged file with a good one.
  d->SetSoundOn(0);
  EXPECT_EQ(Restart()->m_sound_on, 0);
}

}  // namespace
