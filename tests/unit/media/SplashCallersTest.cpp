// Every path of the start-up that shows the splash window also hides it, with the real
// splash behind the game logic's hooks (no display: the window never appears, the
// request state is what the frame and the input see).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "app/GameHooks.h"
#include "app/GameLogic.h"
#include "framework/Clock.h"
#include "media/GameSplash.h"

namespace {

// The splash hooks on a GameSplash that has no pictures (Initialize would need GL).
class PlainSplashHooks : public ISplashHooks {
 public:
  bool IsSplashShown() override { return splash.IsSplashShown(); }
  bool IsLoadingActive() override { return splash.IsLoadingActive(); }
  void SetSplashWindow(uint32_t timeout_ms, bool show) override {
    splash.SetSplashWindow(timeout_ms, show ? 1 : 0);
    shows += show ? 1 : 0;
  }
  void ShowLoading(uint32_t timeout_ms, int kind) override { splash.ShowLoading(timeout_ms, kind); }
  void HideLoading() override { splash.HideLoading(0, 1); }
  GameSplash splash;
  int shows = 0;
};

class FailingScreen : public IScreenHooks {
 public:
  int LoadSharedImages() override { return fail ? 0 : 1; }
  bool fail = true;
};

class SplashCallersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* d = getenv("DISPLAY");
    if (d) saved_display = d;
    unsetenv("DISPLAY");
    // Start-up reads the settings: from a folder that does not exist, so defaults.
    setenv("TOLVAN_CONFIG_DIR", "/tmp/tolvan-splash-callers-no-config", 1);
    setenv("TOLVAN_DATA_DIR", "/tmp/tolvan-splash-callers-no-data", 1);
    SetSleepEnabled(false);
    logic = GameLogic::Instance();
    GameHooks h = logic->Hooks();
    h.splash = &splash;
    h.screen = &screen;
    logic->SetHooks(h);
  }
  void TearDown() override {
    GameHooks h = logic->Hooks();
    h.splash = nullptr;
    h.screen = nullptr;
    logic->SetHooks(h);
    GameLogic::DestroyInstance();
    SetSleepEnabled(true);
    if (!saved_display.empty()) setenv("DISPLAY", saved_display.c_str(), 1);
  }
  PlainSplashHooks splash;
  FailingScreen screen;
  GameLogic* logic = nullptr;
  std::string saved_display;
};

TEST_F(SplashCallersTest, AFailedStartUpAttemptHidesTheWindowAndTheSuccessfulOneToo) {
  ASSERT_EQ(logic->InitializeGame(nullptr, 1280, 720), 1);
  logic->ProcessFrame();  // the frame with the loading picture
  for (int attempt = 1; attempt <= 3; ++attempt) {
    logic->ProcessFrame();  // the heavy stage fails at the shared images
    EXPECT_EQ(splash.shows, attempt);
    EXPECT_FALSE(splash.IsSplashShown()) << attempt;
    EXPECT_EQ(logic->m_state, 2);
  }
  screen.fail = false;
  logic->ProcessFrame();
  EXPECT_EQ(logic->m_state, 3);
  EXPECT_EQ(splash.shows, 4);
  EXPECT_FALSE(splash.IsSplashShown());
  EXPECT_FALSE(splash.IsBusy());
}

}  // namespace
