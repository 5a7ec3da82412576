#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GameLogic.h"
#include "app/GameWindow.h"

namespace {

TEST(WindowsKeyCodeTest, MapsToTheCodesTheModesExpect) {
  struct Case {
    SDL_Keycode key;
    int vk;
  };
  const Case cases[] = {
      {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_ESCAPE, 27}, {SDLK_HOME, 36}, {SDLK_a, 'A'},
      {SDLK_z, 'Z'},     {SDLK_0, '0'},       {SDLK_9, '9'},     {SDLK_BACKSPACE, 8}, {SDLK_TAB, 9},
      {SDLK_SPACE, 32},  {SDLK_LEFT, 37},     {SDLK_DOWN, 40},   {SDLK_DELETE, 46}, {SDLK_F1, 112},
      {SDLK_F12, 123},   {SDLK_KP_0, 96},     {SDLK_KP_9, 105},  {SDLK_LSHIFT, 16}, {SDLK_RCTRL, 17},
      {SDLK_MINUS, 189}, {SDLK_PERIOD, 190},  {SDLK_UNKNOWN, 0}, {SDLK_MENU, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(WindowsKeyCode(c.key), c.vk) << SDL_GetKeyName(c.key);
}

TEST(WheelDeltaTest, NotchIsFortyTruncatedTowardZero) {
  const int cases[][2] = {{120, 40}, {-120, -40}, {60, 0}, {-60, 0}, {240, 80}, {119, 0}, {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(WheelDeltaToDesign(c[0]), c[1]) << c[0];
}

TEST(SizingRuleTest, KeepsAspectAndMinimumWidth) {
  struct Case {
    int w, h;
    bool width_changed;
    int want_w, want_h;
  };
  const Case cases[] = {
      {500, 300, true, 640, 360},     // narrower than 640: minimum size
      {639, 900, true, 640, 360},
      {900, 200, false, 640, 360},    // too low: minimum height, width from it
      {1000, 700, true, 1000, 562},   // side edge dragged: height follows
      {1000, 700, false, 1244, 700},  // top or bottom edge dragged: width follows
      {1280, 720, true, 1280, 720},   // already in proportion
      {711, 400, false, 711, 400},    // produced by the rule: stays put
      {1920, 1080, true, 1920, 1080},
  };
  for (const Case& c : cases) {
    const WindowSize s = ApplySizingRule(c.w, c.h, c.width_changed, 1280, 720);
    EXPECT_EQ(s.width, c.want_w) << c.w << "x" << c.h;
    EXPECT_EQ(s.height, c.want_h) << c.w << "x" << c.h;
  }
}

TEST(SizingRuleTest, ResultIsAFixedPoint) {
  // Applying the rule to its own result (the resize event it causes) changes nothing,
  // whichever edge the event reports.
  for (int w = 640; w <= 2000; w += 7) {
    for (bool width_changed : {true, false}) {
      const WindowSize a = ApplySizingRule(w, 555, width_changed, 1280, 720);
      for (bool again : {true, false}) {
        const WindowSize b = ApplySizingRule(a.width, a.height, again, 1280, 720);
        ASSERT_EQ(b.width, a.width) << w;
        ASSERT_EQ(b.height, a.height) << w;
      }
    }
  }
}

// A mode that records what reaches it.
struct RecordingMode : GameMode {
  std::vector<std::string> calls;
  int OnTouchDown(int b, int x, int y) override { return Note("down", b, x, y); }
  int OnTouchUp(int b, int x, int y) override { return Note("up", b, x, y); }
  int OnTouchMove(int b, int x, int y) override { return Note("move", b, x, y); }
  int OnWheel(int d, int x, int y) override { return Note("wheel", d, x, y); }
  void Close() override { calls.push_back("close"); }
  void OnEnterKey() override { calls.push_back("enter"); }
  int OnKeyDown(int k) override { return Note("keydown", k, 0, 0); }
  int OnKeyUp(int k) override { return Note("keyup", k, 0, 0); }
  int Note(const char* what, int a, int x, int y) {
    calls.push_back(std::string(what) + " " + std::to_string(a) + " " + std::to_string(x) + "," +
                    std::to_string(y));
    return 1;
  }
};

class GameWindowEventTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logic = GameLogic::Instance();
    mode.created = 1;
    mode.init_processed = 1;
    mode.view_state = 1;
    logic->m_mode_current = &mode;
    logic->m_mode_started = 1;
  }
  void TearDown() override {
    logic->m_mode_current = nullptr;
    GameLogic::DestroyInstance();
  }
  void Key(uint32_t type, SDL_Keycode sym) {
    SDL_Event ev{};
    ev.type = type;
    ev.key.keysym.sym = sym;
    window.HandleEvent(logic, ev);
  }
  void Wheel(float notches, int x, int y) {
    SDL_Event ev{};
    ev.type = SDL_MOUSEWHEEL;
    ev.wheel.y = static_cast<int>(notches);
    ev.wheel.preciseY = notches;
    ev.wheel.mouseX = x;
    ev.wheel.mouseY = y;
    window.HandleEvent(logic, ev);
  }
  void Button(uint32_t type, uint8_t button, int x, int y) {
    SDL_Event ev{};
    ev.type = type;
    ev.button.button = button;
    ev.button.x = x;
    ev.button.y = y;
    window.HandleEvent(logic, ev);
  }
  GameLogic* logic = nullptr;
  RecordingMode mode;
  GameWindow window;
};

TEST_F(GameWindowEventTest, KeysFollowTheWindowTable) {
  Key(SDL_KEYDOWN, SDLK_ESCAPE);
  Key(SDL_KEYUP, SDLK_ESCAPE);   // back key, never OnKeyUp
  Key(SDL_KEYUP, SDLK_RETURN);
  Key(SDL_KEYUP, SDLK_HOME);
  Key(SDL_KEYDOWN, SDLK_a);
  Key(SDL_KEYUP, SDLK_a);
  Key(SDL_KEYUP, SDLK_MENU);     // no code: dropped
  EXPECT_EQ(mode.calls, (std::vector<std::string>{"keydown 27 0,0", "close", "enter", "enter", "keydown 65 0,0",
                                                  "keyup 65 0,0"}));
}

TEST_F(GameWindowEventTest, KeysSkipAModeThatIsNotReady) {
  mode.init_processed = 0;
  Key(SDL_KEYDOWN, SDLK_a);
  Key(SDL_KEYUP, SDLK_RETURN);
  Key(SDL_KEYUP, SDLK_a);
  EXPECT_TRUE(mode.calls.empty());
  mode.init_processed = 1;
  mode.view_state = 0;  // hidden
  Key(SDL_KEYUP, SDLK_a);
  EXPECT_TRUE(mode.calls.empty());
}

TEST_F(GameWindowEventTest, PointerButtonsAndWheel) {
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20);
  Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 30, 40);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 1, 1);  // not a game button
  Wheel(1.0f, 5, 6);
  Wheel(-1.0f, 5, 6);
  Wheel(0.5f, 5, 6);
  EXPECT_EQ(mode.calls, (std::vector<std::string>{"down 0 10,20", "up 1 30,40", "wheel 40 5,6", "wheel -40 5,6",
                                                  "wheel 0 5,6"}));
}

TEST_F(GameWindowEventTest, CloseLogsOutAndQuits) {
  SDL_Event ev{};
  ev.type = SDL_QUIT;
  window.HandleEvent(logic, ev);
  EXPECT_EQ(logic->m_quit.load(), 1);
}

}  // namespace
