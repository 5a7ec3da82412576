// Getting back to the master by itself after a lost connection: the schedule of the
// tries, and the game logic running them with fake sessions, a stepped clock and a
// worker queue the test runs by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <memory>

#include "GameLogicFixture.h"
#include "GlobalFakes.h"
#include "TempFolders.h"
#include "app/GameAfterFrame.h"
#include "app/GameReconnect.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXType_user_info.h"

using namespace testing_support;

namespace {

// ---------------------------------------------------------------- the schedule

uint32_t Lowest(uint32_t lo, uint32_t) { return lo; }
uint32_t Highest(uint32_t, uint32_t hi) { return hi; }
uint32_t Wild(uint32_t, uint32_t hi) { return hi * 3 + 7; }

TEST(GameReconnectSchedule, WaitsDoubleFromOneSecondUpToTheCap) {
  const struct {
    int attempt;
    uint32_t base;
  } cases[] = {{1, 1000}, {2, 2000}, {3, 4000}, {4, 8000}, {5, 15000}, {6, 15000}, {40, 15000}, {1000, 15000}};
  for (const auto& c : cases) {
    EXPECT_EQ(GameReconnect::BaseDelay(c.attempt), c.base) << "try " << c.attempt;
    EXPECT_EQ(GameReconnect(&Lowest).DelayFor(c.attempt), c.base / 2) << "try " << c.attempt;
    EXPECT_EQ(GameReconnect(&Highest).DelayFor(c.attempt), c.base) << "try " << c.attempt;
    // A random source that strays never stretches a wait past its nominal length.
    EXPECT_EQ(GameReconnect(&Wild).DelayFor(c.attempt), c.base) << "try " << c.attempt;
  }
  // The shared engine stays within the half-to-whole range.
  GameReconnect shared;
  for (int i = 0; i < 200; ++i) {
    const uint32_t d = shared.DelayFor(3);
    EXPECT_GE(d, 2000u);
    EXPECT_LE(d, 4000u);
  }
}

TEST(GameReconnectSchedule, EachFailedTryWaitsLongerAndResetStartsOver) {
  GameReconnect r(&Highest);
  EXPECT_FALSE(r.Active());
  r.OnLost(5000);
  EXPECT_EQ(r.GetState(), GameReconnect::kWaiting);
  EXPECT_EQ(r.Attempt(), 1);
  EXPECT_FALSE(r.AttemptDue(5999));
  EXPECT_EQ(r.SecondsLeft(5001), 1u);
  EXPECT_TRUE(r.AttemptDue(6000));
  r.OnLost(6000);  // already under way: the schedule stays
  EXPECT_EQ(r.DueAt(), 6000u);

  uint32_t now = 6000;
  const uint32_t waits[] = {2000, 4000, 8000, 15000, 15000};
  for (uint32_t wait : waits) {
    r.OnAttemptStarted(now);
    EXPECT_EQ(r.GetState(), GameReconnect::kConnecting);
    r.OnAttemptFailed(now);
    EXPECT_EQ(r.GetState(), GameReconnect::kWaiting);
    EXPECT_EQ(r.DueAt() - now, wait) << "after try " << r.AttemptsMade();
    now = r.DueAt();
  }
  EXPECT_EQ(r.AttemptsMade(), 5);
  EXPECT_EQ(r.Attempt(), 6) << "the next try is named while waiting";

  r.OnAttemptStarted(now);
  r.OnLoginSent(now);
  EXPECT_FALSE(r.LoginTimedOut(now + GameReconnect::kLoginTimeoutMs));
  EXPECT_TRUE(r.LoginTimedOut(now + GameReconnect::kLoginTimeoutMs + 1));

  const uint32_t generation = r.Generation();
  r.Reset();
  EXPECT_FALSE(r.Active());
  EXPECT_NE(r.Generation(), generation) << "a try still running learns it is not wanted";
  r.OnLost(now);
  EXPECT_EQ(r.DueAt() - now, 1000u) << "a new loss starts from the first wait again";
}

TEST(GameReconnectSchedule, DueTimeAcrossTheClockWrap) {
  GameReconnect r(&Highest);
  const uint32_t near_wrap = 0xFFFFFF00u;
  r.OnLost(near_wrap);
  EXPECT_FALSE(r.AttemptDue(near_wrap + 10));
  EXPECT_FALSE(r.AttemptDue(near_wrap + 999));
  EXPECT_TRUE(r.AttemptDue(near_wrap + 1000));  // wrapped past 0
  EXPECT_EQ(r.SecondsLeft(near_wrap + 500), 1u);
}

// ---------------------------------------------------------------- the game logic

// Jobs wait until the test runs them, as a runner worker would later.
class QueuedWorkers : public IWorkerHooks {
 public:
  void QueueJob(std::function<void()> job) override { jobs.push_back(std::move(job)); }
  int RunAll() {
    int n = 0;
    while (!jobs.empty()) {
      auto job = std::move(jobs.front());
      jobs.pop_front();
      job();
      ++n;
    }
    return n;
  }
  std::deque<std::function<void()>> jobs;
};

constexpr const char* kLostLine = "GameLogic::Reconnect| connection lost; try 1 in ";

class ReconnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake_now = 1000;
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.screen = &screen;
    h.splash = &splash;
    h.workers = &workers;
    h.notices = &notices;
    h.scenes = &scenes;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, &play);
    for (int i = 0; i < 4; ++i) logic->m_sessions[i] = sessions[i] = new FakeSession(i);
    logic->SetReloginRequest([this] {
      ++relogins_built;
      Packet p(VX_PROTOCOL_LOGIN);
      p.WriteInt32(kReloginMark);
      return p;
    });
    ASSERT_EQ(logic->InitializeGame(nullptr, 1280, 720), 1);
    data = GameSharedData::Instance();
    data->m_master_server.SetHost("127.0.0.1");
    data->m_master_server.SetPort(10088);
    InitLanguageMessages(kLanguageEditionThai);
    data->SetUser32(kUserLanguage, kLanguageEditionThai);
    Frame();  // the loading picture
    Frame();  // stage 2 and the title screen
    ASSERT_EQ(logic->CurrentMode(), &login);
  }
  void TearDown() override {
    GameAfterFrame::Clear();
    workers.jobs.clear();  // the runner drops what it did not run before the logic goes
    logic.reset();
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }
  void Frame() {
    logic->ProcessFrame();
    logic->RenderFrame();
  }
  // Frames while the clock moves on `ms` milliseconds in steps of `step`.
  void Advance(uint32_t ms, uint32_t step = 50) {
    for (uint32_t done = 0; done < ms; done += step) {
      g_fake_now += step;
      Frame();
    }
  }
  // The lobby is current with the master connected and logged in.
  void InLobby() {
    sessions[0]->connected = true;
    sessions[0]->logged_in = true;
    logic->SetNextMode(&lobby, -1);
    g_fake_now += 1;
    Frame();
    g_fake_now += 1;
    Frame();
    ASSERT_EQ(logic->CurrentMode(), &lobby);
    ASSERT_EQ(lobby.init_processed, 1);
  }
  void DropAll() {
    for (FakeSession* s : sessions) s->connected = s->logged_in = false;
  }
  bool Logged(const std::string& start) const {
    for (const auto& l : log.lines)
      if (l.rfind(start, 0) == 0) return true;
    return false;
  }
  int CountSent(const FakeSession* s, uint16_t id) const {
    int n = 0;
    for (const auto& p : s->sent) n += p.id == id;
    return n;
  }
  bool ReloginSent(const FakeSession* s) const {
    for (const auto& p : s->sent) {
      int32_t mark = 0;
      if (p.id == VX_PROTOCOL_LOGIN && p.PayloadLength() == 4) std::memcpy(&mark, p.payload, 4);
      if (mark == kReloginMark) return true;
    }
    return false;
  }
  // A successful (result 0) or refused login reply of the master.
  Packet MasterLoginReply(int32_t result) {
    Packet r(VX_PROTOCOL_LOGIN);
    r.WriteInt32(result);
    if (result != 0) return r;
    ServerInfo info;
    info.SetHost("127.0.0.1");
    info.SetPort(10088);
    info.SetKind(0);
    r.WriteBytes(info.raw, sizeof(info.raw));
    std::vector<uint8_t> account(kUserInfoSize, 0);
    std::memcpy(account.data(), "me_account", 10);
    r.WriteBytes(account.data(), account.size());
    r.WriteInt32(1);  // a status without the account extras
    return r;
  }
  // Runs the due try: the frame queues it, the worker runs it.
  void RunDueTry() {
    ASSERT_EQ(workers.jobs.size(), 1u) << "one try queued";
    workers.RunAll();
  }

  static constexpr int32_t kReloginMark = 0x5eed;
  TempFolders folders;
  LogCapture log;
  RecordingScreen screen;
  RecordingSplash splash;
  QueuedWorkers workers;
  NoticeRecorder notices;
  SceneRecorder scenes;
  RecordingMode login{GameMode::kModeLogin, "login"};
  RecordingMode lobby{GameMode::kModeLobby, "lobby"};
  RecordingMode play{GameMode::kModePlay, "play"};
  FakeSession* sessions[4] = {};
  GameSharedData* data = nullptr;
  int relogins_built = 0;
  std::unique_ptr<GameLogic> logic;
};

TEST_F(ReconnectTest, LostLobbyTriesTheMasterWithGrowingWaitsUntilItLogsInAgain) {
  InLobby();
  Advance(2000);
  EXPECT_FALSE(logic->Reconnecting()) << "connected: nothing to do";

  DropAll();
  sessions[0]->connect_ok = false;  // the server is down for two tries
  Frame();
  ASSERT_TRUE(logic->Reconnecting());
  EXPECT_TRUE(Logged(kLostLine));
  EXPECT_GE(screen.round_rects, 1);

  // Each try starts no sooner than half its nominal wait and no later than all of it.
  const uint32_t waits[] = {1000, 2000, 4000};
  for (int i = 0; i < 3; ++i) {
    Advance(waits[i] / 2 - 50);
    EXPECT_TRUE(workers.jobs.empty()) << "try " << i + 1 << " too early";
    Advance(waits[i] / 2 + 50);
    ASSERT_EQ(workers.jobs.size(), 1u) << "try " << i + 1 << " not started in time";
    if (i == 2) sessions[0]->connect_ok = true;  // the server is back for the third
    workers.RunAll();
    EXPECT_EQ(sessions[0]->connects, i + 1);
    EXPECT_EQ(sessions[0]->last_host, "127.0.0.1");
    EXPECT_EQ(sessions[0]->last_port, 10088);
  }
  EXPECT_EQ(logic->Reconnect().GetState(), GameReconnect::kLoggingIn);
  // The third try greeted the master, then sent the title screen's login on it.
  EXPECT_EQ(CountSent(sessions[0], VX_PROTOCOL_HELLO), 1);
  EXPECT_TRUE(ReloginSent(sessions[0]));
  EXPECT_EQ(relogins_built, 1);
  EXPECT_TRUE(sessions[0]->hello_ok);

  Packet reply = MasterLoginReply(0);
  logic->ProcessPacket(&reply);
  EXPECT_FALSE(logic->Reconnecting());
  EXPECT_TRUE(log.Has("GameLogic::Reconnect| back after 3 tries"));
  EXPECT_TRUE(sessions[0]->logged_in);
  // Nothing more is tried once back.
  Advance(20000, 500);
  EXPECT_TRUE(workers.jobs.empty());
  EXPECT_EQ(sessions[0]->connects, 3);
}

TEST_F(ReconnectTest, BannerNamesTheNextTryAndTheTryUnderWay) {
  InLobby();
  DropAll();
  screen.texts.clear();
  Frame();
  ASSERT_TRUE(logic->Reconnecting());
  // The disconnected text, then the line naming the first try and its wait.
  ASSERT_GE(screen.texts.size(), 2u);
  EXPECT_EQ(screen.texts[screen.texts.size() - 2], LangMessage(217));
  EXPECT_EQ(screen.texts.back(), "จะเชื่อมต่อใหม่ใน 1 วินาที (ครั้งที่ 1)");
  EXPECT_EQ(lobby.Count("OnConnectionLost(0)"), 1);

  Advance(1000);
  ASSERT_EQ(workers.jobs.size(), 1u);
  // While the try is under way (its job not done), the line says so.
  screen.texts.clear();
  Frame();
  EXPECT_EQ(screen.texts.back(), "กำลังเชื่อมต่อใหม่... (ครั้งที่ 1)");

  sessions[0]->connect_ok = false;
  workers.RunAll();
  screen.texts.clear();
  Frame();
  const std::string line = screen.texts.back();
  EXPECT_EQ(line.rfind("จะเชื่อมต่อใหม่ใน ", 0), 0u) << line;
  EXPECT_NE(line.find("(ครั้งที่ 2)"), std::string::npos) << line;

  // The Korean edition says the same.
  data->SetUser32(kUserLanguage, kLanguageEditionKorean);
  screen.texts.clear();
  Advance(2000);
  ASSERT_EQ(workers.jobs.size(), 1u);
  screen.texts.clear();
  Frame();
  EXPECT_EQ(screen.texts.back(), "다시 연결하는 중... (2번째 시도)");
}

TEST_F(ReconnectTest, NoTriesOnTheTitleScreenNorWhileEnteringOrTheIndicatorShows) {
  DropAll();
  Advance(5000);
  EXPECT_FALSE(logic->Reconnecting()) << "the title screen connects by itself";
  EXPECT_FALSE(Logged(kLostLine));

  InLobby();
  DropAll();
  splash.loading_active = true;  // a request waits for its reply
  Advance(3000);
  EXPECT_FALSE(logic->Reconnecting());
  splash.loading_active = false;

  // An entering job in flight closes one session before it opens the next: no loss.
  logic->EnterServer(1, 0, nullptr, nullptr);
  ASSERT_EQ(logic->EnterJobsInFlight(), 1);
  Advance(3000);
  EXPECT_FALSE(logic->Reconnecting());
  workers.jobs.clear();  // the job is dropped unrun
  ASSERT_EQ(logic->EnterJobsInFlight(), 0);
  Frame();
  EXPECT_TRUE(logic->Reconnecting());
}

TEST_F(ReconnectTest, LogoutStopsTheTriesAndATryAlreadyQueuedDoesNothing) {
  InLobby();
  DropAll();
  Frame();
  Advance(1000);
  ASSERT_EQ(workers.jobs.size(), 1u);
  logic->Logout();
  EXPECT_FALSE(logic->Reconnecting());
  EXPECT_TRUE(log.Has("GameLogic::Reconnect| stopped: logout"));
  workers.RunAll();
  EXPECT_EQ(sessions[0]->connects, 0) << "the stale try must not connect";
  EXPECT_FALSE(ReloginSent(sessions[0]));
  Advance(20000, 500);
  EXPECT_EQ(logic->CurrentMode(), &login);
  EXPECT_TRUE(workers.jobs.empty());
}

TEST_F(ReconnectTest, TryCancelledWhileConnectingClosesWhatItOpened) {
  InLobby();
  DropAll();
  Frame();
  Advance(1000);
  ASSERT_EQ(workers.jobs.size(), 1u);
  // The title screen comes back (a forced logout elsewhere) while the try is queued.
  logic->SetNextMode(&login, 0);
  Frame();
  EXPECT_FALSE(logic->Reconnecting());
  workers.RunAll();
  EXPECT_FALSE(sessions[0]->connected);
  EXPECT_FALSE(ReloginSent(sessions[0]));
}

TEST_F(ReconnectTest, RefusedLoginEndsTheTriesAndReturnsToTheTitle) {
  InLobby();
  DropAll();
  Frame();
  Advance(1000);
  RunDueTry();
  ASSERT_EQ(logic->Reconnect().GetState(), GameReconnect::kLoggingIn);
  Packet refused = MasterLoginReply(1);
  logic->ProcessPacket(&refused);
  EXPECT_FALSE(logic->Reconnecting());
  EXPECT_EQ(notices.error_codes, std::vector<int>{1});
  EXPECT_EQ(GameAfterFrame::Run(), 1u);
  Frame();
  EXPECT_EQ(logic->CurrentMode(), &login);
  Advance(20000, 500);
  EXPECT_TRUE(workers.jobs.empty()) << "no tries on the title screen";
}

TEST_F(ReconnectTest, SilentOrHungUpMasterFailsTheTryAndTheNextOneFollows) {
  InLobby();
  DropAll();
  Frame();
  Advance(1000);
  RunDueTry();
  ASSERT_EQ(logic->Reconnect().GetState(), GameReconnect::kLoggingIn);
  // Connected, greeted, but no login reply comes.
  Advance(GameReconnect::kLoginTimeoutMs + 100, 100);
  EXPECT_EQ(logic->Reconnect().GetState(), GameReconnect::kWaiting);
  EXPECT_EQ(logic->Reconnect().Attempt(), 2);
  EXPECT_FALSE(sessions[0]->connected) << "the silent connection is closed";

  Advance(2000);
  RunDueTry();
  ASSERT_EQ(logic->Reconnect().GetState(), GameReconnect::kLoggingIn);
  sessions[0]->connected = false;  // the master hangs up before answering
  Frame();
  EXPECT_EQ(logic->Reconnect().GetState(), GameReconnect::kWaiting);
  EXPECT_EQ(logic->Reconnect().Attempt(), 3);

  // A master that accepts but never answers the hello.
  sessions[0]->wait_ok = false;
  Advance(4000);
  RunDueTry();
  EXPECT_EQ(logic->Reconnect().GetState(), GameReconnect::kWaiting);
  EXPECT_EQ(logic->Reconnect().Attempt(), 4);
  EXPECT_FALSE(sessions[0]->connected);
  EXPECT_EQ(relogins_built, 2);
}

TEST_F(ReconnectTest, TableModeReportingItsLostSessionHandsOverToTheTries) {
  sessions[0]->connected = sessions[0]->logged_in = true;
  logic->SetNextMode(&play, 0);
  g_fake_now += 1;
  Frame();
  g_fake_now += 1;
  Frame();
  ASSERT_EQ(logic->CurrentMode(), &play);
  DropAll();
  logic->HandleLostConnection();
  EXPECT_TRUE(logic->Reconnecting());
  logic->HandleLostConnection();  // every frame: the schedule stays
  EXPECT_EQ(logic->Reconnect().Attempt(), 1);
  EXPECT_EQ(logic->NextMode(), nullptr) << "no logout";

  // Back on the master, the login reply brings the lobby.
  Advance(1000);
  RunDueTry();
  Packet reply = MasterLoginReply(0);
  logic->ProcessPacket(&reply);
  Frame();
  EXPECT_EQ(logic->CurrentMode(), &lobby);
  EXPECT_FALSE(logic->Reconnecting());
}

TEST_F(ReconnectTest, WithoutALoginToRepeatALostTableLogsOut) {
  logic->SetReloginRequest(nullptr);
  sessions[0]->connected = sessions[0]->logged_in = true;
  logic->SetNextMode(&play, 0);
  g_fake_now += 1;
  Frame();
  DropAll();
  logic->HandleLostConnection();
  logic->HandleLostConnection();
  EXPECT_FALSE(logic->Reconnecting());
  EXPECT_EQ(GameAfterFrame::Run(), 1u) << "one logout";
  Frame();
  EXPECT_EQ(logic->CurrentMode(), &login);
}

}  // namespace
