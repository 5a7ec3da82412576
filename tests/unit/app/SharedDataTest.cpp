#include <dirent.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <ctime>
#include <fstream>
#include <memory>
#include <set>

#include "TempFolders.h"
#include "app/CPageData.h"
#include "app/CRegistry.h"
#include "app/GameHooks.h"
#include "app/GameSharedData.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/Paths.h"

using testing_support::TempFolders;

namespace {

struct RecordingExchanges : IExchangeHooks {
  int PostToServiceServer(const Packet& p) override {
    posted.push_back(p);
    return 1;
  }
  std::vector<Packet> posted;
};

uint32_t g_now = 100000;
uint32_t Now() { return g_now; }

class SharedDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data = std::make_unique<GameSharedData>();
    data->SetAccount(2, "player_th");
  }
  std::unique_ptr<GameSharedData> Fresh(const char* account = "player_th") {
    auto d = std::make_unique<GameSharedData>();
    d->SetAccount(2, account);
    return d;
  }
  static std::set<std::string> FilesIn(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.insert(n);
      }
      closedir(d);
    }
    return names;
  }
  static void WriteRaw(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }
  static int32_t HoursAgo(int h) { return static_cast<int32_t>(time(nullptr) - h * 3600); }

  TempFolders folders;
  std::unique_ptr<GameSharedData> data;
};

TEST_F(SharedDataTest, ResetAtLogoutRestoresTheDefaultsButKeepsTheMasterServer) {
  data->SetUser64(kUserChips, 123456789);
  data->SetUser32(kUserMarker, 0);
  data->SetUser32(kUserLanguage, 1);
  data->m_master_server.SetPort(5555);
  data->m_auto_open = 0;
  data->AddFriend(0, "friend", "nick", 1);
  data->ResetDefaults();
  EXPECT_EQ(data->Chips(), 0);
  EXPECT_EQ(data->GetUser32(kUserMarker), 126);
  EXPECT_EQ(data->GetUser32(kUserLanguage), 0);
  EXPECT_EQ(data->m_master_server.Port(), 5555);  // configuration, not account data
  EXPECT_STREQ(data->m_master_server.Host(), "127.0.0.1");
  EXPECT_STREQ(data->m_web_base, kDefaultWebBase);
  EXPECT_EQ(data->m_auto_open, 1);
  EXPECT_EQ(data->m_sound_on, 0);
  // Lists keep their records until replies or file loads replace them.
  EXPECT_EQ(data->FriendList(0).size(), 1u);
}

TEST_F(SharedDataTest, AccountFilesRoundTripThaiText) {
  data->AddPhone("๐๘๑-๒๓๔-๕๖๗๘", 0, true);
  data->AddReport("ผู้เล่นไทย", 0, true);
  data->AddRegistration({901, 2, 0, 1, 3, 1700000000});
  data->AddRegistration({902, 5, 0, 2, 1, 1700000500});
  ASSERT_TRUE(data->SaveRegistrations());

  auto d = Fresh();
  ASSERT_TRUE(d->LoadPhoneBook());
  ASSERT_TRUE(d->LoadReports());
  ASSERT_TRUE(d->LoadRegistrations());
  ASSERT_EQ(d->m_phone_book.size(), 1u);
  EXPECT_STREQ(d->m_phone_book[0].phone, "๐๘๑-๒๓๔-๕๖๗๘");
  ASSERT_EQ(d->m_reports.size(), 1u);
  EXPECT_STREQ(d->m_reports[0].user, "ผู้เล่นไทย");
  EXPECT_TRUE(d->ReportCounts("ผู้เล่นไทย"));
  EXPECT_TRUE(d->PhoneCounts("๐๘๑-๒๓๔-๕๖๗๘"));
  ASSERT_EQ(d->m_registrations.size(), 2u);
  EXPECT_EQ(d->m_registrations[1].tournament_id, 902);
  EXPECT_EQ(d->m_registrations[1].state, 5);
  EXPECT_EQ(d->m_registrations[1].type, 2);
  EXPECT_EQ(d->m_registrations[1].tournament_state, 1);
  EXPECT_EQ(d->m_registrations[1].tournament_time, 1700000500);

  // The documents carry the names and keys of the file format.
  Json::Value doc;
  ASSERT_TRUE(LoadJsonDocument(folders.data + "/player_th_tm.json", &doc));
  EXPECT_EQ(doc["count"].asInt(), 2);
  EXPECT_EQ(doc["tournament"][0]["idx_tm"].asInt(), 901);
  ASSERT_TRUE(LoadJsonDocument(folders.data + "/player_th_phone_book.json", &doc));
  EXPECT_EQ(doc["phone_book"][0]["phone"].asString(), "๐๘๑-๒๓๔-๕๖๗๘");
}

TEST_F(SharedDataTest, LoadingKeepsOnlyFreshEntries) {
  data->AddReport("late", HoursAgo(25), false);
  data->AddReport("recent", HoursAgo(23), false);
  data->AddPhone("0811111111", HoursAgo(8 * 24), false);
  data->AddPhone("0822222222", HoursAgo(6 * 24), false);
  ASSERT_TRUE(data->SaveReports());
  ASSERT_TRUE(data->SavePhoneBook());
  auto d = Fresh();
  d->LoadReports();
  d->LoadPhoneBook();
  ASSERT_EQ(d->m_reports.size(), 1u);
  EXPECT_STREQ(d->m_reports[0].user, "recent");
  EXPECT_TRUE(d->ReportCounts("recent"));
  EXPECT_FALSE(d->ReportCounts("late"));
  ASSERT_EQ(d->m_phone_book.size(), 1u);
  EXPECT_TRUE(d->PhoneCounts("0822222222"));
  EXPECT_FALSE(d->PhoneCounts("0811111111"));
}

TEST_F(SharedDataTest, LongTextsAreCutToTheirFields) {
  const std::string long_text(300, 'x');
  data->AddPhone(long_text.c_str(), 0, false);
  data->AddReport(long_text.c_str(), 0, false);
  EXPECT_EQ(std::string(data->m_phone_book[0].phone).size(), 119u);
  EXPECT_EQ(std::string(data->m_reports[0].user).size(), 31u);
}

TEST_F(SharedDataTest, DamagedOrMissingFilesGiveEmptyListsAndALogLine) {
  std::vector<std::string> lines;
  LogConfig quiet;
  quiet.sinks = 0;
  LogConfigure(quiet);
  LogSetObserver([](uint32_t, const char* t, void* u) { static_cast<std::vector<std::string>*>(u)->push_back(t); },
                 &lines);
  EnsureDir(folders.data);
  struct Case {
    const char* content;  // null: no file at all
    bool logged;
  } cases[] = {
      {nullptr, false},
      {"{\"report\": [{\"user\": \"a\", \"ti", true},  // cut off, no backup
      {"not json at all", true},
      {"{\"report\": 5}", true},                         // wrong shape
      {"[]", true},
  };
  const std::string path = folders.data + "/player_th_report.json";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content ? c.content : "(missing)");
    lines.clear();
    remove(path.c_str());
    if (c.content) WriteRaw(path, c.content);
    data->AddReport("stale", 0, false);
    EXPECT_FALSE(data->LoadReports());
    EXPECT_TRUE(data->m_reports.empty());
    EXPECT_EQ(!lines.empty(), c.logged);
  }
  LogSetObserver(nullptr, nullptr);
}

TEST_F(SharedDataTest, ATruncatedAccountFileLeavesTheLastGoodContent) {
  data->AddReport("first", 0, true);
  data->AddReport("second", 0, true);
  const std::string path = folders.data + "/player_th_report.json";
  std::string whole;
  ASSERT_TRUE(ReadWholeFile(path, &whole));
  WriteRaw(path, whole.substr(0, whole.size() - 12));
  WriteRaw(path + ".tmp.999", "{\"report\": [");  // a write that never got renamed
  auto d = Fresh();
  ASSERT_TRUE(d->LoadReports());
  ASSERT_EQ(d->m_reports.size(), 2u);
  EXPECT_STREQ(d->m_reports[1].user, "second");
}

TEST_F(SharedDataTest, AccountIdsNeverWriteOutsideTheDataFolder) {
  const char* ids[] = {"../x", "..", "a/../../b", "/etc/passwd", "..\\x", ".hidden", "a\nb"};
  for (const char* id : ids) {
    SCOPED_TRACE(id);
    auto d = Fresh(id);
    d->AddReport("someone", 0, true);
    const std::string path = d->AccountFilePath("_report.json");
    ASSERT_FALSE(path.empty());
    const std::string name = path.substr(folders.data.size() + 1);
    EXPECT_EQ(path.compare(0, folders.data.size() + 1, folders.data + "/"), 0);
    EXPECT_EQ(name.find('/'), std::string::npos);
    EXPECT_EQ(name.find(".."), std::string::npos);
    EXPECT_NE(name[0], '.');
    auto again = Fresh(id);
    EXPECT_TRUE(again->LoadReports());
  }
  // Nothing appeared beside the data folder.
  EXPECT_EQ(FilesIn(folders.root), (std::set<std::string>{"config", "data"}));
  // Without an account id there is no file at all.
  auto anonymous = Fresh("");
  EXPECT_EQ(anonymous->AccountFilePath("_report.json"), "");
  EXPECT_FALSE(anonymous->SaveReports());
}

TEST_F(SharedDataTest, FriendListIsRequestedAtMostOncePerMinutePerKind) {
  SetTickSource(&Now);
  RecordingExchanges x;
  g_now = 100000;
  EXPECT_EQ(data->RequestFriendList(0, &x), 1);
  g_now += 30000;
  EXPECT_EQ(data->RequestFriendList(0, &x), 0);
  EXPECT_EQ(data->RequestFriendList(1, &x), 1);
  g_now += 30001;
  EXPECT_EQ(data->RequestFriendList(0, &x), 1);
  EXPECT_EQ(data->RequestFriendList(2, &x), 0);
  SetTickSource(nullptr);
  ASSERT_EQ(x.posted.size(), 3u);
  // 188: account id (30), user number, 1 for the request list, 0.
  Packet& p = x.posted[1];
  EXPECT_EQ(p.id, 188);
  EXPECT_EQ(p.PayloadLength(), 42u);
  EXPECT_STREQ(reinterpret_cast<const char*>(p.payload), "player_th");
  int32_t kind = -1;
  std::memcpy(&kind, p.payload + 34, 4);
  EXPECT_EQ(kind, 1);
}

TEST_F(SharedDataTest, FriendAndRegistrationListsMatchExactly) {
  data->AddFriend(0, "alice", "Alice", 1);
  data->AddFriend(0, "alice2", "Alice 2", 1);
  EXPECT_EQ(data->FindFriend(0, "alic"), nullptr);
  ASSERT_NE(data->FindFriend(0, "alice2"), nullptr);
  EXPECT_EQ(data->FindFriend(0, "alice2")->Nickname(), "Alice 2");
  EXPECT_TRUE(data->RemoveFriend(0, "alice"));
  EXPECT_FALSE(data->RemoveFriend(0, "alice"));
  EXPECT_EQ(data->FriendList(0).size(), 1u);

  for (int id : {5, 10, 15, 20}) data->AddRegistration({id, 0, 0, 0, 0, 0});
  EXPECT_EQ(data->RemoveRegistrationsBelow(15), 2);
  EXPECT_EQ(data->FindRegistration(10), nullptr);
  EXPECT_NE(data->FindRegistration(20), nullptr);
  EXPECT_TRUE(data->RemoveRegistration(20));
  EXPECT_EQ(data->m_registrations.size(), 1u);
}

TEST_F(SharedDataTest, EmotionChecks) {
  struct Case {
    int32_t selection;
    size_t owned_offset;  // inventory count set to 1 at this account-block byte (0: none)
    int32_t after_first;
    int32_t after_second;
  } cases[] = {
      {0, 0, 0, 0},
      {2, 0, 0, 0},              // pack 2 not owned
      {2, 248 + 8, 2, 0},        // owned for the first check, not for the second
      {2, 224 + 8, 0, 0},        // owned for the second check only
      {-3, 0, -3, 0},            // negative: kept by the first, reset by the second
      {7, 224 + 28, 7, 7},       // outside 1 to 5: kept; owned slot 7
      {99, 0, 99, 0},            // past the 23 inventory counts: never owned
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selection);
    auto d = Fresh();
    if (c.owned_offset) d->SetUser32(c.owned_offset, 1);
    d->SetEmotionIndex(c.selection);
    d->CheckEmotionIndex();
    EXPECT_EQ(d->m_emotion_index, c.after_first);
    int32_t stored = -100;
    CRegistry::ReadInt("emotion_index", &stored);
    EXPECT_EQ(stored, c.after_first);
    d->CheckEmotionSelection();
    EXPECT_EQ(d->m_emotion_index, c.after_second);
  }
  // Both checks pass an owned pack through a login.
  auto d = Fresh();
  d->SetUser32(248 + 4 * 3, 1);
  d->SetUser32(224 + 4 * 3, 1);
  d->SetEmotionIndex(3);
  d->CheckEmotionIndex();
  d->CheckEmotionSelection();
  EXPECT_EQ(d->m_emotion_index, 3);
}

struct CountedItem : ZBObject {
  explicit CountedItem(int* alive) : m_alive(alive) { ++*m_alive; }
  ~CountedItem() override { --*m_alive; }
  int* m_alive;
};

TEST(PageDataTest, ReleasesItsItemsWhenClearedOrDestroyed) {
  int alive = 0;
  auto* page = new CPageData();
  page->m_count = 2;
  page->AddItem(new CountedItem(&alive));
  page->AddItem(new CountedItem(&alive));
  auto* shared = new CountedItem(&alive);
  shared->Retain();
  page->AddItem(shared);
  EXPECT_EQ(alive, 3);
  page->Clear();
  EXPECT_EQ(alive, 1);  // the extra reference keeps one alive
  EXPECT_EQ(page->m_count, 0);
  EXPECT_EQ(page->ItemCount(), 0u);
  page->AddItem(new CountedItem(&alive));
  page->Release();
  EXPECT_EQ(alive, 1);
  shared->Release();
  EXPECT_EQ(alive, 0);
}

}  // namespace
