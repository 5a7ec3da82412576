#include <gtest/gtest.h>

#include <memory>

#include "GameLogicFixture.h"
#include "app/GameSharedData.h"

using namespace testing_support;

namespace {

class GameLogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake_now = 1000;
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.screen = &screen;
    h.splash = &splash;
    h.notify = &notify;
    h.web_content = &web;
    h.sound = &sound;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, &play);
  }
  void TearDown() override {
    logic.reset();
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }

  // Runs start-up until the login mode is current and initialised.
  void StartToLogin() {
    ASSERT_EQ(logic->InitializeGame(nullptr, 1280, 720), 1);
    Frame();  // state 1 -> 2: the loading picture frame
    Frame();  // stage 2, login requested
    Frame();  // login created and started
    g_fake_now += 1;
    Frame();  // login initialised
    ASSERT_EQ(logic->CurrentMode(), &login);
    ASSERT_EQ(login.init_processed, 1);
  }
  void Frame() {
    logic->ProcessFrame();
    logic->RenderFrame();
  }

  RecordingScreen screen;
  RecordingSplash splash;
  RecordingLayer notify, web;
  RecordingSound sound;
  RecordingMode login{GameMode::kModeLogin, "login"};
  RecordingMode lobby{GameMode::kModeLobby, "lobby"};
  RecordingMode play{GameMode::kModePlay, "play"};
  std::unique_ptr<GameLogic> logic;
};

TEST_F(GameLogicTest, StartUpDrawsTheLoadingPictureThenRequestsLogin) {
  EXPECT_EQ(logic->InitializeGame(nullptr, 1280, 720), 1);
  EXPECT_EQ(logic->m_state, 1);
  Frame();
  EXPECT_EQ(logic->m_state, 2);
  EXPECT_EQ(screen.loading_pictures, 1);
  EXPECT_EQ(logic->m_initialized, 0);
  Frame();
  EXPECT_EQ(logic->m_state, 3);
  EXPECT_EQ(logic->m_initialized, 1);
  EXPECT_EQ(logic->m_network_state, 1);
  // Stage 2 requests the login mode and the same frame carries the change out.
  EXPECT_EQ(logic->NextMode(), nullptr);
  EXPECT_EQ(logic->CurrentMode(), &login);
  EXPECT_EQ(login.calls, (std::vector<std::string>{"Create(0,0)", "Start", "Show(1)", "Draw"}));
}

TEST_F(GameLogicTest, FailedStageTwoIsRetriedOnTheNextFrame) {
  screen.shared_images_ok = 0;  // the first attempt fails
  ASSERT_EQ(logic->InitializeGame(nullptr, 1280, 720), 1);
  Frame();
  Frame();
  EXPECT_EQ(logic->m_state, 2);
  EXPECT_EQ(logic->m_initialized, 0);
  EXPECT_EQ(screen.loading_pictures, 2) << "the loading picture stays on screen";
  screen.shared_images_ok = 1;
  Frame();
  EXPECT_EQ(logic->m_state, 3);
}

TEST_F(GameLogicTest, TwoRequestsInOneFrameCreateOnlyTheLast) {
  StartToLogin();
  logic->SetNextMode(&lobby, 5);
  logic->SetNextMode(&play, 6);
  Frame();
  EXPECT_EQ(lobby.Count("Create(0,5)"), 0);
  EXPECT_TRUE(lobby.calls.empty());
  EXPECT_EQ(play.calls.front(), "Create(0,6)");
  EXPECT_EQ(login.Count("Cleanup"), 1);
  EXPECT_EQ(logic->CurrentMode(), &play);
}

TEST_F(GameLogicTest, RequestingTheCurrentModeChangesNothing) {
  StartToLogin();
  login.calls.clear();
  EXPECT_EQ(logic->SetNextMode(&login, 3), 1);
  EXPECT_EQ(logic->NextMode(), nullptr);
  EXPECT_EQ(login.Count("Show(0)"), 0) << "not deactivated";
  EXPECT_EQ(login.IsShow(), 1);
  Frame();
  EXPECT_EQ(login.Count("Cleanup"), 0);
}

TEST_F(GameLogicTest, InitProcessWaitsUntilTheClockAdvancedPastTheDelay) {
  StartToLogin();
  logic->SetNextMode(&lobby, 0);
  Frame();  // lobby created and started at the current time
  ASSERT_EQ(lobby.Count("Start"), 1);
  Frame();  // same millisecond: delay 0 is not yet exceeded
  EXPECT_EQ(lobby.Count("OnInit_Process"), 0);
  g_fake_now += 1;
  Frame();
  EXPECT_EQ(lobby.Count("OnInit_Process"), 1);
  EXPECT_EQ(lobby.Count("Update"), 0);
  Frame();
  EXPECT_EQ(lobby.Count("Update"), 1);

  // A non-zero delay is honoured the same way (strictly greater).
  play.init_delay = 50;
  logic->SetNextMode(&play, 0);
  Frame();
  g_fake_now += 50;
  Frame();
  EXPECT_EQ(play.Count("OnInit_Process"), 0);
  g_fake_now += 1;
  Frame();
  EXPECT_EQ(play.Count("OnInit_Process"), 1);
}

TEST_F(GameLogicTest, FailedCreateKeepsTheModeCurrentButInert) {
  StartToLogin();
  LogCapture log;
  lobby.fail_create = true;
  logic->SetNextMode(&lobby, 0);
  Frame();
  EXPECT_TRUE(log.Has("this->m_mode_current->Create() ERROR"));
  EXPECT_FALSE(log.Has("this->m_mode_current->Create() END"));
  EXPECT_EQ(logic->CurrentMode(), &lobby);
  lobby.calls.clear();
  g_fake_now += 100;
  Frame();
  Frame();
  EXPECT_EQ(lobby.Count("Update"), 0);
  EXPECT_EQ(lobby.Count("OnInit_Process"), 0);
  EXPECT_EQ(lobby.Count("Draw"), 0);
}

TEST_F(GameLogicTest, ModeChangeLogsTheLifeCycle) {
  StartToLogin();
  LogCapture log;
  logic->SetNextMode(&lobby, 0);
  Frame();
  const std::vector<std::string> expected = {
      "this->m_mode_current->Cleanup() BEGIN", "this->m_mode_current->Cleanup() END",
      "this->m_mode_current->Create() BEGIN", "this->m_mode_current->Create() END"};
  EXPECT_EQ(log.lines, expected);
  g_fake_now += 1;
  Frame();
  EXPECT_TRUE(log.Has("this->m_mode_current->IsInit_Processed() BEGIN"));
  EXPECT_TRUE(log.Has("this->m_mode_current->IsInit_Processed() END"));
}

TEST_F(GameLogicTest, PacketDispatch) {
  StartToLogin();
  struct Case {
    uint16_t id;
    int expected_result;
    bool reaches_mode;
  } cases[] = {
      {160, 1, false}, {187, 1, false}, {191, 1, false},  // consumed without effect
      {230, 7, true},  {999, 7, true},                     // unknown ids go to the mode
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    login.calls.clear();
    Packet p(c.id);
    EXPECT_EQ(logic->ProcessPacket(&p), c.expected_result);
    EXPECT_EQ(login.Count("OnPacket(" + std::to_string(c.id) + ")"), c.reaches_mode ? 1 : 0);
  }
}

TEST_F(GameLogicTest, PacketWithoutCurrentModeIsAnsweredWithOne) {
  Packet p(230);
  EXPECT_EQ(logic->ProcessPacket(&p), 1);
}

TEST_F(GameLogicTest, PointerInputIsScaledAndOfferedLayerByLayer) {
  StartToLogin();
  screen.scale_x = 0.5f;
  screen.scale_y = 1.0f / 3.0f;
  login.calls.clear();
  EXPECT_EQ(logic->OnPointerDown(1, 101, 100), 1);
  EXPECT_EQ(login.calls.back(), "Down(1,50,33)") << "scaled and truncated";
  EXPECT_EQ(logic->m_pointer_x, 50);
  EXPECT_EQ(logic->m_pointer_y, 33);
  EXPECT_TRUE(web.seen.empty()) << "web banners take input only in the lobby";
  EXPECT_EQ(notify.seen, std::vector<std::string>{"down"});

  notify.consume = true;
  login.calls.clear();
  EXPECT_EQ(logic->OnPointerUp(0, 10, 10), 1);
  EXPECT_TRUE(login.calls.empty()) << "the notification layer took it";
  notify.consume = false;

  logic->OnPointerMove(20, 30);
  EXPECT_EQ(login.calls.back(), "Move(0,10,10)");
  logic->OnPointerWheel(-40, 20, 30);
  EXPECT_EQ(login.calls.back(), "Wheel(-40,10,10)");
}

TEST_F(GameLogicTest, LobbyOffersPointerToWebBannersFirstButNotTheWheel) {
  StartToLogin();
  logic->SetNextMode(&lobby, 0);
  Frame();
  g_fake_now += 1;
  Frame();
  web.consume = true;
  lobby.calls.clear();
  logic->OnPointerDown(0, 5, 5);
  logic->OnPointerUp(0, 5, 5);
  logic->OnPointerMove(5, 5);
  logic->OnPointerWheel(40, 5, 5);
  EXPECT_EQ(web.seen, (std::vector<std::string>{"down", "up", "move"}));
  EXPECT_EQ(lobby.calls, std::vector<std::string>{"Wheel(40,5,5)"});
}

TEST_F(GameLogicTest, InputIsDroppedWhileBusyOrBeforeTheModeIsReady) {
  // Before the modes have started nothing is dispatched.
  EXPECT_EQ(logic->OnPointerDown(0, 1, 1), 0);
  StartToLogin();
  login.calls.clear();
  splash.loading_active = true;
  EXPECT_EQ(logic->OnPointerDown(0, 1, 1), 0);
  logic->OnBackKey();
  EXPECT_TRUE(login.calls.empty());
  EXPECT_TRUE(sound.effects.empty());
  splash.loading_active = false;

  // A hidden mode (being replaced) gets no input even before its Cleanup.
  logic->SetNextMode(&lobby, 0);
  login.calls.clear();
  EXPECT_EQ(logic->OnPointerDown(0, 1, 1), 0);
  EXPECT_TRUE(login.calls.empty());
  // The new mode gets none until it is initialised.
  Frame();
  EXPECT_EQ(logic->OnPointerDown(0, 1, 1), 0);
  EXPECT_EQ(lobby.Count("Down(0,1,1)"), 0);
}

TEST_F(GameLogicTest, BackKeyPlaysTheClickAndClosesUnlessANoticeTakesIt) {
  StartToLogin();
  login.calls.clear();
  notify.consume = true;
  logic->OnBackKey();
  EXPECT_EQ(login.Count("Close"), 0);
  notify.consume = false;
  logic->OnBackKey();
  EXPECT_EQ(login.Count("Close"), 1);
  EXPECT_EQ(sound.effects, (std::vector<int>{2, 2}));
  GameSharedData::Instance()->m_sound_on = 0;
  logic->OnBackKey();
  EXPECT_EQ(sound.effects.size(), 2u);
  GameSharedData::Instance()->m_sound_on = 1;
}

TEST_F(GameLogicTest, DisconnectedBannerOutsideLoginOnly) {
  StartToLogin();
  EXPECT_EQ(screen.round_rects, 0) << "never in the login mode";
  logic->SetNextMode(&lobby, 0);
  Frame();
  EXPECT_EQ(screen.round_rects, 1);
  EXPECT_EQ(lobby.Count("OnConnectionLost(0)"), 1);
  EXPECT_FLOAT_EQ(screen.last_rect[0], 440);
  EXPECT_FLOAT_EQ(screen.last_rect[1], 560);
  EXPECT_FLOAT_EQ(screen.last_rect[2], 840);
  EXPECT_FLOAT_EQ(screen.last_rect[3], 595);
  EXPECT_FLOAT_EQ(screen.last_radius, 10);
  EXPECT_EQ(screen.last_segments, 20);
  EXPECT_NEAR(screen.last_fill.r, 74 / 255.0, 1e-6);
  EXPECT_NEAR(screen.last_fill.a, 220 / 255.0, 1e-6);
  EXPECT_NEAR(screen.last_border.g, 56 / 255.0, 1e-6);

  // Not while the connecting indicator is up.
  splash.loading_active = true;
  Frame();
  EXPECT_EQ(screen.round_rects, 1);
  EXPECT_EQ(splash.overlays, 1);
}

TEST_F(GameLogicTest, RenderIsPacedAndSkippedUnderTheSplash) {
  StartToLogin();
  int begins = screen.begins;
  screen.frame_due = false;
  Frame();
  EXPECT_EQ(screen.begins, begins);
  screen.frame_due = true;
  splash.splash_shown = true;
  Frame();
  EXPECT_EQ(screen.begins, begins);
  splash.splash_shown = false;
  Frame();
  EXPECT_EQ(screen.begins, begins + 1);
  EXPECT_EQ(screen.ends, screen.begins);
}

TEST_F(GameLogicTest, ReinitialisingAfterStartUpReloadsTheSurface) {
  StartToLogin();
  LogCapture log;
  EXPECT_EQ(logic->InitializeGame(nullptr, 1280, 720), 1);
  EXPECT_TRUE(log.Has("GameLogic::InitializeGame ReloadSurface"));
  EXPECT_EQ(logic->m_state, 3);
}

TEST(GameModeBase, LifeCycleDefaults) {
  g_fake_now = 500;
  SetTickSource(&FakeNow);
  GameMode m;
  EXPECT_EQ(m.Create(4, 5), 1);
  EXPECT_EQ(m.created, 1);
  EXPECT_EQ(m.IsReady(), 0);
  m.Start();
  EXPECT_EQ(m.start_time, 500u);
  EXPECT_EQ(m.IsShow(), 1);
  EXPECT_EQ(m.IsReady(), 0) << "not ready until initialised";
  m.OnInit_Process();
  EXPECT_EQ(m.IsReady(), 1);
  Packet p(300);
  EXPECT_EQ(m.OnPacket(&p), 0);
  m.Show(0, 0);
  EXPECT_EQ(m.IsShow(), 0);
  EXPECT_EQ(m.created, 1);
  m.Cleanup();
  EXPECT_EQ(m.created, 0);
  EXPECT_EQ(m.init_processed, 0);
  SetTickSource(nullptr);
}

}  // namespace
