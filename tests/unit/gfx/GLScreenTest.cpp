#include <gtest/gtest.h>

#include "framework/Clock.h"
#include "gfx/GLScreen.h"

namespace {

uint32_t g_now = 0;
uint32_t FakeTick() { return g_now; }

class GLScreenClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 0xFFFFF000u;  // close to the wrap of the 32-bit tick
    SetTickSource(FakeTick);
    screen.m_clock_origin_ms = g_now;
  }
  void TearDown() override { SetTickSource(nullptr); }
  GLScreen screen;
};

TEST(GLScreenTest, ViewSizeSetsTheScaleFactors) {
  struct Case {
    int w, h;
    float sx, sy;
  };
  const Case cases[] = {{2560, 1440, 2.0f, 2.0f}, {1280, 800, 1.0f, 800.0f / 720.0f}, {640, 360, 0.5f, 0.5f}};
  for (const Case& c : cases) {
    GLScreen s;
    s.SetLogicalSize(1280, 720);
    s.SetViewSize(c.w, c.h);
    EXPECT_FLOAT_EQ(s.m_scale_x, c.sx);
    EXPECT_FLOAT_EQ(s.m_scale_y, c.sy);
    EXPECT_FLOAT_EQ(s.m_inv_scale_x, 1.0f / c.sx);
    EXPECT_FLOAT_EQ(s.m_inv_scale_y, 1.0f / c.sy);
  }
}

TEST(GLScreenTest, ZeroDimensionIsIgnored) {
  GLScreen s;
  s.SetLogicalSize(1280, 720);
  s.SetViewSize(0, 600);
  EXPECT_EQ(s.m_physical_width, 0);
  s.SetViewSize(800, 600);
  s.SetViewSize(800, 0);
  EXPECT_EQ(s.m_physical_width, 800);
  EXPECT_EQ(s.m_physical_height, 600);
  EXPECT_FLOAT_EQ(s.m_scale_x, 800.0f / 1280.0f);
}

TEST(GLScreenTest, DefaultsBeforeTheWindow) {
  GLScreen s;
  EXPECT_EQ(s.m_logical_width, 480);
  EXPECT_EQ(s.m_logical_height, 800);
  EXPECT_EQ(s.m_clip_depth, 0);
  EXPECT_FLOAT_EQ(s.m_tint[3], 1.0f);
}

TEST_F(GLScreenClockTest, PollingEvery4msRendersEveryThirdPoll) {
  // Over the 32-bit wrap; a frame is due once more than 10 ms passed.
  int rendered = 0;
  int last = -3;
  for (int poll = 0; poll < 300; ++poll) {
    if (screen.IsFrameDue(100.0f)) {
      EXPECT_GE(poll - last, 3) << poll;
      last = poll;
      ++rendered;
      screen.UpdateFps();
    }
    g_now += 4;
  }
  EXPECT_EQ(rendered, 99);  // polls 3, 6, ..., 297
}

TEST_F(GLScreenClockTest, FpsIsMeasuredOverAtLeastOneSecond) {
  screen.UpdateFps();  // first frame at t = 0
  for (int i = 0; i < 50; ++i) {
    g_now += 20;
    screen.UpdateFps();
  }
  EXPECT_FLOAT_EQ(screen.m_fps, 51.0f);  // 51 frames counted over exactly 1 s
  EXPECT_EQ(screen.m_frame_count, 0);
  g_now += 20;
  screen.UpdateFps();
  EXPECT_EQ(screen.m_frame_count, 1);
  EXPECT_FLOAT_EQ(screen.m_fps, 51.0f);
}

}  // namespace
