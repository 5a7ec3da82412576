#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "framework/Clock.h"
#include "gfx/GLTexture.h"
#include "ui/GLButton.h"
#include "ui/GLButtonImage.h"
#include "ui/GLInputText.h"
#include "ui/GLProgressTimer.h"
#include "ui/ImeFocusHolder.h"

namespace {

uint32_t g_now = 0;
uint32_t FakeTick() { return g_now; }

struct Counter : ZBEventReceiver {
  void OnEvent(ZBEventCtrl* sender) override { senders.push_back(sender); }
  std::vector<ZBEventCtrl*> senders;
};

int g_sounds = 0;
void CountSound() { ++g_sounds; }

class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 100000;
    g_sounds = 0;
    SetTickSource(FakeTick);
    button.SetRects(100, 100, 200, 150);
    button.m_receiver = &receiver;
  }
  void TearDown() override {
    SetTickSource(nullptr);
    GLButton::SetClickSoundHook(nullptr);
  }
  int Click(int x = 150, int y = 120) {
    button.OnTouchDown(0, x, y);
    return button.OnTouchUp(0, x, y);
  }

  GLButton button;
  Counter receiver;
};

TEST_F(ButtonTest, ClicksCloserThanTheIntervalAreSwallowed) {
  struct {
    uint32_t gap_ms;
    size_t reported;
  } cases[] = {{200, 1}, {300, 1}, {500, 1}, {501, 2}, {600, 2}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.gap_ms);
    receiver.senders.clear();
    g_now += 10000;
    EXPECT_EQ(1, Click());
    g_now += c.gap_ms;
    EXPECT_EQ(1, Click()) << "a swallowed click is still consumed";
    EXPECT_EQ(c.reported, receiver.senders.size());
    EXPECT_EQ(GLButton::kNormal, button.State());
  }
  ASSERT_FALSE(receiver.senders.empty());
  EXPECT_EQ(&button, receiver.senders[0]);
}

TEST_F(ButtonTest, IntervalIsMeasuredAcrossTheClockWrap) {
  g_now = 0xFFFFFF00u;
  Click();
  g_now = 0x00000100u;  // 512 ms later, after the 32-bit wrap
  Click();
  EXPECT_EQ(2u, receiver.senders.size());
}

TEST_F(ButtonTest, ClickSoundPlaysOncePerReportedClick) {
  GLButton::SetClickSoundHook(CountSound);
  Click();
  g_now += 100;
  Click();
  EXPECT_EQ(1, g_sounds);
}

TEST_F(ButtonTest, StateMachineFollowsThePointer) {
  // Hover, press, leave, come back: no click on release (1 -> 0 -> 2 -> 0).
  EXPECT_EQ(1, button.OnTouchMove(0, 150, 120));
  EXPECT_EQ(GLButton::kHover, button.State());
  EXPECT_EQ(1, button.OnTouchDown(0, 150, 120));
  EXPECT_EQ(GLButton::kPressed, button.State());
  EXPECT_EQ(0, button.OnTouchMove(0, 300, 300));
  EXPECT_EQ(GLButton::kNormal, button.State());
  EXPECT_EQ(1, button.OnTouchMove(0, 150, 120));
  EXPECT_EQ(GLButton::kHover, button.State());
  EXPECT_EQ(1, button.OnTouchUp(0, 150, 120));
  EXPECT_TRUE(receiver.senders.empty());
  // Release outside resets without a click.
  button.OnTouchDown(0, 150, 120);
  EXPECT_EQ(0, button.OnTouchUp(0, 10, 10));
  EXPECT_EQ(GLButton::kNormal, button.State());
  EXPECT_TRUE(receiver.senders.empty());
  // Edges of the hit rectangle are inclusive.
  EXPECT_EQ(1, Click(200, 150));
  EXPECT_EQ(1u, receiver.senders.size());
}

TEST_F(ButtonTest, IgnoredWhenDisabledHiddenOrNotTheFirstButton) {
  EXPECT_EQ(0, button.OnTouchDown(1, 150, 120)) << "right button";
  EXPECT_EQ(GLButton::kNormal, button.State());
  button.SetState(GLButton::kDisabled);
  EXPECT_EQ(0, Click());
  EXPECT_EQ(0, button.OnTouchMove(0, 150, 120));
  EXPECT_EQ(GLButton::kDisabled, button.State());
  button.SetState(GLButton::kNormal);
  button.m_hidden = 1;
  EXPECT_EQ(0, Click());
  button.m_hidden = 0;
  button.m_enabled = 0;
  EXPECT_EQ(0, Click());
  EXPECT_TRUE(receiver.senders.empty());
}

TEST_F(ButtonTest, WithoutReceiverThePressStillEnds) {
  button.m_receiver = nullptr;
  EXPECT_EQ(1, Click());
  EXPECT_EQ(GLButton::kNormal, button.State());
}

// A receiver that clicks the button again from inside OnEvent: the guard stops the
// nested click from being reported.
struct Reentrant : ZBEventReceiver {
  GLButton* button = nullptr;
  int calls = 0;
  void OnEvent(ZBEventCtrl*) override {
    ++calls;
    g_now += 1000;
    button->OnTouchDown(0, 150, 120);
    EXPECT_EQ(1, button->OnTouchUp(0, 150, 120));
  }
};

TEST_F(ButtonTest, ReentrantClickFromTheReceiverIsNotReported) {
  Reentrant r;
  r.button = &button;
  button.m_receiver = &r;
  Click();
  EXPECT_EQ(1, r.calls);
}

TEST(ButtonLabel, SetupKeepsLabelsUpTo254CharactersAndFindsBreaks) {
  GLButton b;
  b.Setup(0, 0, 100, 40, "Play now  again", 14, 5);
  EXPECT_STREQ(L"Play now  again", b.Label());
  ASSERT_EQ(3, b.BreakCount());
  EXPECT_EQ(4, b.BreakAt(0));
  EXPECT_EQ(8, b.BreakAt(1));
  EXPECT_EQ(9, b.BreakAt(2));
  EXPECT_EQ(14, b.m_font_size);
  // A null UTF-8 label keeps the old one but still moves the rectangles.
  b.Setup(10, 10, 50, 50, nullptr, 20, 0);
  EXPECT_STREQ(L"Play now  again", b.Label());
  EXPECT_EQ(10, b.GetFrameRect().left);
  EXPECT_EQ(50, b.GetHitRect().bottom);
  // 254 characters fit, 255 leave the button without a label.
  std::wstring ok(254, L'x'), too_long(255, L'x');
  b.SetupW(0, 0, 1, 1, ok.c_str(), 10, 5);
  EXPECT_EQ(ok, b.Label());
  b.SetupW(0, 0, 1, 1, too_long.c_str(), 10, 5);
  EXPECT_STREQ(L"", b.Label());
  EXPECT_EQ(0, b.BreakCount());
  // Whitespace at index 0 is not a break; at most ten are kept.
  b.Setup(0, 0, 1, 1, " a b c d e f g h i j k l m", 10, 5);
  EXPECT_EQ(10, b.BreakCount());
  EXPECT_EQ(2, b.BreakAt(0));
}

TEST(ButtonMove, MoveToShiftsEveryRectangleAndTheImage) {
  GLButtonImage b;
  b.SetRects(10, 20, 110, 70);
  b.SetLabelRect(15, 25, 105, 65);
  b.m_image_x = 10, b.m_image_y = 20;
  b.MoveTo(200, 300);
  EXPECT_EQ(200, b.GetFrameRect().left);
  EXPECT_EQ(350, b.GetHitRect().bottom);
  EXPECT_EQ(205, b.GetLabelRect().left);
  EXPECT_EQ(345, b.GetLabelRect().bottom);
  EXPECT_EQ(200, b.m_image_x);
  EXPECT_EQ(300, b.m_image_y);
  EXPECT_EQ(100, b.Width());
  EXPECT_EQ(50, b.Height());
}

TEST(ButtonImage, FrameChosenPerStateAndSheetSize) {
  struct {
    int frames, state, frame;
  } cases[] = {
      {3, 0, 0}, {3, 1, 1}, {3, 2, 1}, {3, 3, 2},  // disabled 2, hover and pressed 1
      {2, 0, 0}, {2, 1, 1}, {2, 2, 1}, {2, 3, 0},
      {1, 3, 0}, {4, 3, 3}, {4, 2, 2},
  };
  for (auto& c : cases)
    EXPECT_EQ(c.frame, GLButtonImage::FrameForState(c.frames, c.state)) << c.frames << " frames, state " << c.state;
}

TEST(ButtonImage, SetImageSizesTheRectanglesToOneScaledFrame) {
  GLTexture sheet;  // no GL texture: only the sizes matter here
  sheet.m_frame_width = 99, sheet.m_frame_height = 70;
  sheet.m_scale_x = 2.0f, sheet.m_scale_y = 0.5f;
  GLButtonImage b;
  EXPECT_EQ(0, b.SetImage(nullptr, 0, 0));
  EXPECT_EQ(1, b.SetImage(&sheet, 40, 50));
  EXPECT_EQ(40 + 198, b.GetHitRect().right);
  EXPECT_EQ(50 + 35, b.GetFrameRect().bottom);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(0.0f, b.m_fill[s][3]);
}

// ---- progress timer ------------------------------------------------------------------

class ProgressTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tex.m_frame_width = 100;
    tex.m_frame_height = 100;
    timer.m_texture = &tex;
  }
  std::vector<std::pair<float, float>> Uvs() const {
    std::vector<std::pair<float, float>> v;
    for (int i = 0; i < timer.VertexCount(); ++i) v.emplace_back(timer.Vertex(i)[2], timer.Vertex(i)[3]);
    return v;
  }
  GLTexture tex;
  GLProgressTimer timer;
};

TEST_F(ProgressTimerTest, FanForTypicalFractions) {
  struct {
    int type;
    float percent;
    std::vector<std::pair<float, float>> uvs;
  } cases[] = {
      {1, 0, {{0.5f, 0.5f}, {0.5f, 0}, {0.5f, 0}}},
      // A quarter clockwise ends at the middle of the right edge.
      {1, 25, {{0.5f, 0.5f}, {0.5f, 0}, {1, 0}, {1, 0.5f}}},
      {1, 50, {{0.5f, 0.5f}, {0.5f, 0}, {1, 0}, {1, 1}, {0.5f, 1}}},
      {1, 100, {{0.5f, 0.5f}, {0.5f, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {0.5f, 0}}},
      // Counter-clockwise: a quarter ends at the middle of the left edge.
      {0, 25, {{0.5f, 0.5f}, {0.5f, 0}, {0, 0}, {0, 0.5f}}},
      {0, 75, {{0.5f, 0.5f}, {0.5f, 0}, {0, 0}, {0, 1}, {1, 1}, {1, 0.5f}}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << " at " << c.percent << "%");
    timer.m_type = c.type;
    timer.SetPercentage(c.percent);
    auto got = Uvs();
    ASSERT_EQ(c.uvs.size(), got.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(c.uvs[i].first, got[i].first, 1e-4) << i;
      EXPECT_NEAR(c.uvs[i].second, got[i].second, 1e-4) << i;
    }
  }
  // One eighth clockwise ends on the top-right corner (whichever of the two edges
  // meeting there is taken).
  timer.m_type = 1;
  timer.SetPercentage(12.5f);
  auto got = Uvs();
  EXPECT_NEAR(1.0f, got.back().first, 1e-4);
  EXPECT_NEAR(0.0f, got.back().second, 1e-4);
}

TEST_F(ProgressTimerTest, PercentageIsClampedAndPositionsFollowTheFrame) {
  timer.SetPercentage(150);
  EXPECT_EQ(100.0f, timer.m_percentage);
  timer.SetPercentage(-5);
  EXPECT_EQ(0.0f, timer.m_percentage);
  EXPECT_EQ(3, timer.VertexCount());
  timer.SetPercentage(50);
  // Vertex 3 is the bottom-right corner: (1, 1) in texture space, (100, 0) in window
  // units (y up) at scale 1.
  EXPECT_NEAR(100.0f, timer.Vertex(3)[0], 1e-3);
  EXPECT_NEAR(0.0f, timer.Vertex(3)[1], 1e-3);
  // Other types keep no geometry; no texture ignores the call.
  timer.m_type = 2;
  timer.SetPercentage(50);
  EXPECT_EQ(0, timer.VertexCount());
  GLProgressTimer bare;
  bare.SetPercentage(40);
  EXPECT_EQ(0.0f, bare.m_percentage);
}

// ---- text field focus --------------------------------------------------------------

class InputFocusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 50000;
    SetTickSource(FakeTick);
    a.SetRect(0, 0, 100, 30);
    b.SetRect(0, 50, 100, 80);
    a.m_receiver = &receiver;
    b.m_receiver = &receiver;
  }
  void TearDown() override {
    ImeFocusHolder::SetFocus(nullptr);
    SetTickSource(nullptr);
  }
  static void Tap(GLInputText& f, int x, int y) {
    f.OnTouchDown(0, x, y);
    f.OnTouchUp(0, x, y);
  }
  GLInputText a, b;
  Counter receiver;
};

TEST_F(InputFocusTest, TouchTakesTheFocusAndATouchOutsideDropsIt) {
  Tap(a, 10, 10);
  EXPECT_EQ(&a, ImeFocusHolder::Focused());
  EXPECT_EQ(GLInputText::kActive, a.State());
  EXPECT_EQ(1u, receiver.senders.size());
  // The release inside b is outside a: a (offered first) drops the focus, b takes it.
  b.OnTouchDown(0, 10, 60);
  EXPECT_EQ(0, a.OnTouchUp(0, 10, 60));
  EXPECT_EQ(nullptr, ImeFocusHolder::Focused());
  EXPECT_EQ(1, b.OnTouchUp(0, 10, 60));
  EXPECT_EQ(&b, ImeFocusHolder::Focused());
  EXPECT_FALSE(a.HasFocus());
  EXPECT_EQ(2u, receiver.senders.size());
  // Tapping b again within 500 ms notifies nobody, yet b keeps (re-takes) the focus.
  ImeFocusHolder::SetFocus(nullptr);
  g_now += 200;
  Tap(b, 10, 60);
  EXPECT_EQ(2u, receiver.senders.size());
  EXPECT_EQ(&b, ImeFocusHolder::Focused());
  g_now += 600;
  Tap(b, 10, 60);
  EXPECT_EQ(3u, receiver.senders.size());
}

TEST_F(InputFocusTest, FieldWithoutReceiverLeavesTheFocusAlone) {
  Tap(a, 10, 10);
  b.m_receiver = nullptr;
  Tap(b, 10, 60);
  EXPECT_EQ(&a, ImeFocusHolder::Focused());
}

TEST_F(InputFocusTest, TextRoundTripsAsUtf8AndKeysReachTheFocusedField) {
  Tap(a, 10, 10);
  a.SetText("\xE0\xB8\x81\xE0\xB8\xB2");  // กา
  EXPECT_STREQ("\xE0\xB8\x81\xE0\xB8\xB2", a.GetText());
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = SDLK_BACKSPACE;
  EXPECT_TRUE(HandleWindowMessage(e));
  EXPECT_STREQ("\xE0\xB8\x81", a.GetText());
  a.SetCapacity(24);
  a.SetText(std::string(25, 'x').c_str());
  EXPECT_STREQ("", a.GetText());
}

}  // namespace
