// How much the program draws by what can be seen of its window, and the game logic
// keeping its sessions and timers going when it draws nothing.
#include <gtest/gtest.h>

#include <memory>

#include "GameLogicFixture.h"
#include "GlobalFakes.h"
#include "TempFolders.h"
#include "app/FramePacing.h"

using namespace testing_support;

namespace {

TEST(FramePacingTest, WhatCanBeSeenDecidesTheRate) {
  const struct {
    bool shown, focused;
    FramePacing::Level level;
    uint32_t interval;
    bool waits;
    uint32_t gap;
  } cases[] = {
      {true, true, FramePacing::kFocused, 0, false, 1},
      {true, false, FramePacing::kUnfocused, 100, true, 10},
      {false, false, FramePacing::kHidden, FramePacing::kNever, true, 10},
      // A minimised window may keep the focus on some desktops: still nothing to draw.
      {false, true, FramePacing::kHidden, FramePacing::kNever, true, 10},
  };
  for (const auto& c : cases) {
    const FramePacing::Level level = FramePacing::LevelFor(c.shown, c.focused);
    EXPECT_EQ(level, c.level) << c.shown << c.focused;
    EXPECT_EQ(FramePacing::FrameIntervalMs(level), c.interval) << FramePacing::Name(level);
    EXPECT_EQ(FramePacing::WaitsForEvents(level), c.waits) << FramePacing::Name(level);
    EXPECT_EQ(FramePacing::PassGapMs(level), c.gap) << FramePacing::Name(level);
  }
}

class PacedFramesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake_now = 1000;
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.screen = &screen;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, &play);
    for (int i = 0; i < 4; ++i) logic->m_sessions[i] = sessions[i] = new FakeSession(i);
    ASSERT_EQ(logic->InitializeGame(nullptr, 1280, 720), 1);
    Frame();
    Frame();
    sessions[0]->connected = sessions[0]->logged_in = true;
    logic->SetNextMode(&lobby, -1);
    g_fake_now += 1;
    Frame();
    g_fake_now += 1;
    Frame();
    ASSERT_EQ(logic->CurrentMode(), &lobby);
  }
  void TearDown() override {
    logic.reset();
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }
  void Frame() {
    logic->ProcessFrame();
    logic->RenderFrame();
  }
  // One second of passes 10 ms apart; returns the frames drawn.
  int OneSecond() {
    const int before = screen.begins;
    for (int i = 0; i < 100; ++i) {
      g_fake_now += 10;
      Frame();
    }
    return screen.begins - before;
  }

  TempFolders folders;
  RecordingScreen screen;
  RecordingMode login{GameMode::kModeLogin, "login"};
  RecordingMode lobby{GameMode::kModeLobby, "lobby"};
  RecordingMode play{GameMode::kModePlay, "play"};
  FakeSession* sessions[4] = {};
  std::unique_ptr<GameLogic> logic;
};

TEST_F(PacedFramesTest, FocusedUnfocusedAndHiddenDrawAtTheirRatesWhileTheFrameGoesOn) {
  logic->SetFrameInterval(FramePacing::FrameIntervalMs(FramePacing::kFocused));
  EXPECT_EQ(OneSecond(), 100);
  logic->SetFrameInterval(FramePacing::FrameIntervalMs(FramePacing::kUnfocused));
  EXPECT_EQ(OneSecond(), 10);

  logic->SetFrameInterval(FramePacing::FrameIntervalMs(FramePacing::kHidden));
  const int updates = lobby.Count("Update"), pumps = sessions[0]->pumps;
  EXPECT_EQ(OneSecond(), 0) << "nothing drawn while hidden";
  EXPECT_EQ(lobby.Count("Update") - updates, 100) << "the mode goes on";
  EXPECT_EQ(sessions[0]->pumps - pumps, 100) << "the session goes on being read";

  // Objects released for the end of a frame do not pile up while nothing is drawn.
  ZBObject* o = new ZBObject();
  o->Retain();
  o->Autorelease();
  Frame();
  EXPECT_EQ(o->RefCount(), 1) << "drained though no frame was drawn";
  o->Release();

  // Back in focus, the next pass draws at once.
  logic->SetFrameInterval(FramePacing::FrameIntervalMs(FramePacing::kFocused));
  const int before = screen.begins;
  g_fake_now += 10;
  Frame();
  EXPECT_EQ(screen.begins - before, 1);
}

}  // namespace
