#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/CRegistry.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "app/VXSceneIds.h"
#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "modes/lobby/GameModeLobby.h"
#include "scenes/GameSceneLayer.h"
#include "unit/app/GameLogicFixture.h"
#include "unit/app/GlobalFakes.h"
#include "unit/app/TempFolders.h"

using namespace testing_support;

namespace {

// Jobs are kept, not run, so a test decides when the background work happens.
struct HeldWorkers : IWorkerHooks {
  void QueueJob(std::function<void()> job) override { jobs.push_back(std::move(job)); }
  void RunAll() {
    auto pending = std::move(jobs);
    jobs.clear();
    for (auto& j : pending) j();
  }
  // Like the runner at shutdown: jobs that never started are dropped.
  void Shutdown() override { jobs.clear(); }
  std::vector<std::function<void()>> jobs;
};

// Any number of scenes may be shown at once.
struct Scenes : ISceneHooks {
  bool IsSceneShown(int id) override { return shown.count(id) != 0; }
  void ShowScene(int id, int param) override {
    shown.insert(id);
    calls.push_back("Show(" + std::to_string(id) + "," + std::to_string(param) + ")");
  }
  void HideScene(int id) override {
    shown.erase(id);
    calls.push_back("Hide(" + std::to_string(id) + ")");
  }
  std::set<int> shown;
  std::vector<std::string> calls;
};

struct Confirms : NoticeRecorder {
  void PushConfirmBox(const char*, const char* text, ConfirmCallback, void*) override { questions.push_back(text); }
  std::vector<std::string> questions;
};

// The master's answer to 148: result and the game server's block.
void AnswerServerAddress(FakeSession* master, int32_t result, int kind) {
  master->reply = Packet(148);
  master->reply.WriteInt32(result);
  ServerInfo info;
  info.SetHost("127.0.0.1");
  info.SetPort(4000 + kind);
  info.SetKind(kind);
  master->reply.WriteBytes(info.raw, sizeof(info.raw));
}

// The login reply of a kind-1 game server with its channel tail of `rooms` rooms.
Packet GameServerLogin(int32_t rooms) {
  Packet p(145);
  p.WriteInt32(0);
  ServerInfo info;
  info.SetKind(1);
  p.WriteBytes(info.raw, sizeof(info.raw));
  uint8_t account[kUserInfoSize] = {};
  std::memcpy(account, "Q0000000042", 11);
  p.WriteBytes(account, sizeof(account));
  VXType_channel_rooms tail;
  tail.point_target = 1000;
  tail.count = rooms;
  for (int i = 0; i < VXType_channel_rooms::kMaxRooms; ++i) tail.rooms[static_cast<size_t>(i)].stake = 100 * (i + 1);
  tail.Write(p);
  return p;
}

class LobbyTest : public ::testing::Test {
 public:
  void SetUp() override {
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    g_fake_now = 1000;
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.notices = &notices;
    h.scenes = &scenes;
    h.workers = &workers;
    logic->SetHooks(h);
    logic->SetModes(nullptr, &lobby, nullptr);
    logic->m_network_state = 1;
    for (int i = 0; i < 4; ++i) logic->m_sessions[i] = sessions[i] = new FakeSession(i);
    data = GameSharedData::Instance();
    data->Load();
    InitLanguageMessages(kLanguageEditionThai);
    lobby.SetLogic(logic.get());
    logic->ChangeMode(&lobby, 0, 0);
  }
  void TearDown() override {
    logic.reset();
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }

  // The player is logged in on the master, or on a game server of `kind`.
  void LoggedInOn(int kind) {
    for (FakeSession* s : sessions) s->connected = s->logged_in = false;
    sessions[kind]->connected = sessions[kind]->logged_in = true;
    logic->m_session_index = kind;
  }
  int Boxes(int message) const {
    int n = 0;
    for (const auto& b : notices.boxes) n += b.text == LangMessage(message);
    return n;
  }
  bool Called(const std::string& c) const {
    for (const auto& x : scenes.calls)
      if (x == c) return true;
    return false;
  }

  TempFolders folders;
  Confirms notices;
  Scenes scenes;
  HeldWorkers workers;
  std::unique_ptr<GameLogic> logic;
  FakeSession* sessions[4] = {};
  GameSharedData* data = nullptr;
  GameModeLobby lobby;
};

TEST_F(LobbyTest, TwoGameTypeClicksInOneFrameStartOneEntry) {
  LoggedInOn(0);
  lobby.OnEvent(&lobby.btn_normal);
  lobby.OnEvent(&lobby.btn_point);
  lobby.OnEvent(&lobby.btn_mtt);
  EXPECT_EQ(workers.jobs.size(), 1u);
  EXPECT_TRUE(lobby.EntryPending());
  EXPECT_EQ(lobby.point_game, 0) << "the choice that started the entry stands";
  EXPECT_EQ(logic->m_enter_block.Kind(), 1);
}

TEST_F(LobbyTest, ReachingTheGameServerOpensTheRoomListOfTheChosenTab) {
  LogCapture log;
  LoggedInOn(0);
  AnswerServerAddress(sessions[0], 1, 1);
  lobby.OnEvent(&lobby.btn_point);
  workers.RunAll();  // master -> 148 -> game server connected, login sent
  ASSERT_TRUE(sessions[1]->connected);
  ASSERT_FALSE(sessions[1]->sent.empty());
  EXPECT_EQ(sessions[1]->sent.back().id, 145);
  logic->m_session_index = 1;  // the session reported its connect
  lobby.Update();
  EXPECT_TRUE(lobby.EntryPending()) << "waiting for the login reply";

  Packet reply = GameServerLogin(13);
  logic->ProcessPacket(&reply);
  EXPECT_FALSE(lobby.EntryPending());
  EXPECT_TRUE(Called("Show(16,1)"));
  EXPECT_TRUE(log.Has("GameModeLobby::Show_Scene ... 16"));
  EXPECT_EQ(sessions[1]->Rooms().count, 12) << "thirteen rooms on the wire, twelve kept";
  EXPECT_EQ(sessions[1]->Rooms().rooms[11].stake, 1200);
  EXPECT_EQ(sessions[1]->Rooms().point_target, 1000);

  // Already on a kind-1 server: the next click completes at once, without a job.
  lobby.OnEvent(&lobby.btn_normal);
  EXPECT_TRUE(workers.jobs.empty());
  EXPECT_TRUE(Called("Show(16,0)"));
  EXPECT_FALSE(lobby.EntryPending());
}

TEST_F(LobbyTest, AFailedEntryTellsThePlayerAndReturnsToTheMasterFromTheNextFrame) {
  LoggedInOn(1);                            // on a game server, asking for a tournament server
  AnswerServerAddress(sessions[0], 0, 2);  // the master refuses
  lobby.OnEvent(&lobby.btn_sng);
  ASSERT_EQ(workers.jobs.size(), 1u);
  workers.RunAll();  // the job fails and drops the request
  EXPECT_FALSE(sessions[1]->connected);
  EXPECT_EQ(Boxes(217), 0) << "nothing happens inside the job";
  EXPECT_TRUE(workers.jobs.empty());

  lobby.Update();
  EXPECT_EQ(Boxes(217), 1);
  EXPECT_FALSE(lobby.EntryPending());
  ASSERT_EQ(workers.jobs.size(), 1u) << "the return to the master is a runner job";
  sessions[0]->sent.clear();
  sessions[0]->connected = false;
  workers.RunAll();
  ASSERT_FALSE(sessions[0]->sent.empty());
  Packet login = sessions[0]->sent.back();
  EXPECT_EQ(login.id, 145);
  int32_t marker = 0, master_flag = 0;
  login.ReadInt32(&marker);
  login.ReadInt32(&master_flag);
  EXPECT_EQ(master_flag, 1) << "a login on the master itself";

  lobby.Update();
  EXPECT_EQ(Boxes(217), 1) << "told once";
  lobby.OnEvent(&lobby.btn_normal);
  EXPECT_EQ(workers.jobs.size(), 1u) << "a new click may try again";
}

TEST_F(LobbyTest, AFailureWhileStillOnTheMasterOnlyTellsThePlayer) {
  LoggedInOn(0);
  AnswerServerAddress(sessions[0], 0, 1);
  lobby.OnEvent(&lobby.btn_normal);
  workers.RunAll();
  lobby.Update();
  EXPECT_EQ(Boxes(217), 1);
  EXPECT_TRUE(workers.jobs.empty());
}

TEST_F(LobbyTest, AnEntryWithoutALoginReplyTimesOut) {
  LoggedInOn(0);
  AnswerServerAddress(sessions[0], 1, 1);
  lobby.OnEvent(&lobby.btn_normal);
  workers.RunAll();
  logic->m_session_index = 1;
  g_fake_now += GameModeLobby::kEnterTimeoutMs;
  lobby.Update();
  EXPECT_TRUE(lobby.EntryPending());
  g_fake_now += 1;
  lobby.Update();
  EXPECT_FALSE(lobby.EntryPending());
  EXPECT_EQ(Boxes(217), 1);
  EXPECT_EQ(logic->m_enter_callback, nullptr) << "a late reply must not open the room list";
  Packet reply = GameServerLogin(2);
  logic->ProcessPacket(&reply);
  EXPECT_FALSE(Called("Show(16,0)"));
}

// A scene of the lobby's layer: shown or not, and what reached it.
struct LayerScene : GameMode {
  void Close() override {
    view_state = 0;
    closed.push_back(scene_id);
  }
  int OnTouchDown(int, int, int) override {
    presses.push_back(scene_id);
    return 1;
  }
  static inline std::vector<int> closed, presses;
};
LayerScene g_layer_scenes[kSceneCount];

// The layer draws in its fixed order, so the topmost shown scene is the last one in
// that order, whichever was shown last: Escape and the pointer go to it alone.
TEST_F(LobbyTest, EscapeAndThePointerReachTheTopmostSceneOfTheLayer) {
  for (int id = 0; id < kSceneCount; ++id) {
    g_layer_scenes[id].scene_id = id;
    g_layer_scenes[id].view_state = 0;
    g_layer_scenes[id].init_processed = 1;
  }
  LayerScene::closed.clear();
  LayerScene::presses.clear();
  GameSceneLayer::SetSceneSource(+[](int id) -> GameMode* { return &g_layer_scenes[id]; });
  lobby.OnInit_Process();
  EXPECT_EQ(lobby.TopmostScene(), -1);

  // The shop is above the friends panel in the layer, the day bonus above both; the
  // friends panel is shown after the shop, and still stays under it.
  for (int id : {kSceneShop, kSceneFriend, kSceneDayBonus}) {
    g_layer_scenes[id].view_state = 1;
    lobby.Update();
  }
  EXPECT_EQ(lobby.TopmostScene(), kSceneDayBonus);
  lobby.OnTouchDown(0, 640, 360);
  lobby.Close();
  EXPECT_EQ(lobby.TopmostScene(), kSceneShop);
  lobby.OnTouchDown(0, 640, 360);
  lobby.Close();
  lobby.Close();
  EXPECT_EQ(LayerScene::closed, (std::vector<int>{kSceneDayBonus, kSceneShop, kSceneFriend}));
  EXPECT_EQ(LayerScene::presses, (std::vector<int>{kSceneDayBonus, kSceneShop}));
  EXPECT_TRUE(notices.questions.empty());
  lobby.Close();
  EXPECT_EQ(notices.questions.size(), 1u) << "with no scene left Escape asks to leave";
  GameSceneLayer::SetSceneSource(nullptr);
}

TEST_F(LobbyTest, EscapeWithTheNoticePopupOpenOnlyClosesIt) {
  lobby.Show_Scene(kSceneFriend, 0);
  lobby.popup_state = 1;
  lobby.Close();
  EXPECT_EQ(lobby.popup_state, 2);
  EXPECT_TRUE(scenes.shown.count(kSceneFriend));
}

TEST_F(LobbyTest, ReachingTheLobbyStoresTheAccountAndSwitchesAutoLoginOn) {
  CopyFixedText(reinterpret_cast<char*>(data->m_user_info + kUserAccountId), 30, "Q0000000042");
  data->SetUser32(kUserAccountType, 1);
  data->m_auto_login = 0;
  lobby.OnInit_Process();
  char id[64] = {};
  int32_t type = 0, auto_login = 0;
  ASSERT_EQ(CRegistry::ReadString("account_id", id, sizeof(id)), 1);
  EXPECT_STREQ(id, "Q0000000042");
  ASSERT_EQ(CRegistry::ReadInt("account_type", &type), 1);
  EXPECT_EQ(type, 1);
  ASSERT_EQ(CRegistry::ReadInt("auto_login", &auto_login), 1);
  EXPECT_EQ(auto_login, 1);
  EXPECT_EQ(data->m_auto_login, 1);
}

TEST_F(LobbyTest, ReturningOnAGameServerReopensTheRoomList) {
  LoggedInOn(1);
  sessions[1]->Info().SetKind(1);
  lobby.point_game = 1;
  lobby.OnInit_Process();
  EXPECT_TRUE(Called("Show(16,1)"));
  scenes.calls.clear();
  LoggedInOn(2);
  lobby.sng = 1;
  lobby.OnInit_Process();
  EXPECT_TRUE(Called("Show(19,1)"));
}

// ---------------------------------------------------------------- levels

struct LevelCase {
  int32_t level, experience;
  float fraction;
  int32_t shown;
};

TEST(LobbyLevels, WireLevelsAreClampedBeforeTheyIndexTheTable) {
  const LevelCase cases[] = {
      {0, 250, 0.5f, 1},        {0, 0, 0.0f, 1},           {0, 900, 1.0f, 1},
      {1, 750, 0.5f, 2},        {48, 300000000, 0.5f, 49}, {49, 0, 1.0f, 50},
      {1000, -5, 1.0f, 1001},   {-1, 250, 0.5f, 1},        {INT32_MIN, 250, 0.5f, 1},
      {0, -100, 0.0f, 1},       {INT32_MAX, 1, 1.0f, INT32_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(LobbyExperienceFraction(c.experience, c.level), c.fraction) << c.level << "/" << c.experience;
    EXPECT_EQ(LobbyShownLevel(c.level), c.shown) << c.level;
  }
  EXPECT_EQ(LobbyLevelThreshold(-7), 500);
  EXPECT_EQ(LobbyLevelThreshold(48), 600000000);
  EXPECT_EQ(LobbyLevelThreshold(200), 600000000);
  EXPECT_EQ(static_cast<int>(163.0f * LobbyExperienceFraction(250, 0)), 81) << "half the bar is 81 of 163 units";
}

// ---------------------------------------------------------------- carousel

TEST(LobbyCarouselTest, FivePlayersSlideThreeAtATime) {
  LobbyCarousel c;
  c.Reset(0);
  c.Advance(5, 3000);
  ASSERT_EQ(c.Slots(5), 3);
  EXPECT_EQ(c.EntryOf(0, 5), 0);
  EXPECT_EQ(c.EntryOf(2, 5), 2);
  c.Advance(5, 3001);
  ASSERT_TRUE(c.sliding);
  EXPECT_EQ(c.Slots(5), 6);
  EXPECT_FLOAT_EQ(c.CentreX(0, 3251), 965.35f - 180.0f);
  c.Advance(5, 3501);
  EXPECT_FALSE(c.sliding);
  EXPECT_EQ(c.EntryOf(0, 5), 3);
  EXPECT_EQ(c.EntryOf(1, 5), 4);
  EXPECT_EQ(c.EntryOf(2, 5), 0);
}

TEST(LobbyCarouselTest, ThreeOrFewerStayStillAndCountsAreClamped) {
  LobbyCarousel c;
  c.Reset(0);
  c.Advance(3, 100000);
  EXPECT_FALSE(c.sliding);
  EXPECT_EQ(c.Slots(3), 3);
  EXPECT_EQ(c.Slots(-4), 0);
  EXPECT_EQ(c.EntryOf(0, -4), -1);
  EXPECT_EQ(c.HitTest(-4, 965, 650, 0), -1);
  c.Advance(50, 3001);  // a list longer than the bar shows: nine at most
  c.Advance(50, 3501);
  c.Advance(50, 6502);
  c.Advance(50, 7002);
  c.Advance(50, 10003);
  c.Advance(50, 10503);
  EXPECT_EQ(c.start, 0) << "three slides of three wrap around nine entries";
}

TEST(LobbyCarouselTest, TapsHitOnlyWhatIsDrawnInsideTheClip) {
  LobbyCarousel c;
  c.Reset(0);
  EXPECT_EQ(c.HitTest(5, 965, 650, 0), 0);
  EXPECT_EQ(c.HitTest(5, 1205, 650, 0), 2);
  EXPECT_EQ(c.HitTest(5, 965, 600, 0), -1) << "above the portraits";
  c.Advance(5, 3001);  // sliding: at half way the slots sit 180 units to the left
  const uint32_t half = 3251;
  EXPECT_EQ(c.HitTest(5, 800, 650, half), -1) << "entry 0 has slid out of the clip on the left";
  EXPECT_EQ(c.HitTest(5, 1150, 650, half), 3);
  EXPECT_EQ(c.HitTest(5, 1265, 650, half), 4) << "the visible part of an entry entering on the right";
  EXPECT_EQ(c.HitTest(5, 1280, 650, half), -1) << "the part beyond the clip is not drawn";
  EXPECT_EQ(c.HitTest(5, 1275, 650, half), -1);
}

}  // namespace
