#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "ui/GLScrollBox.h"
#include "ui/GLScrollTextBox.h"
#include "ui/GLScrollTextItem.h"
#include "ui/ZBMovingObject.h"
#include "ui/ZBScrollMoving.h"

namespace {

// The clock starts just before the 32-bit wrap, so every interval here crosses it.
uint32_t g_now = 0;
uint32_t FakeTick() { return g_now; }
constexpr uint32_t kNearWrap = 0xFFFFFC00u;
constexpr int kRange = 9904;

// A row that counts its deletions (shared counter, survives the row).
struct Row : GLScrollBoxItem {
  explicit Row(int h, int* deleted = nullptr) : GLScrollBoxItem(h), deleted_(deleted) {}
  ~Row() override {
    if (deleted_) ++*deleted_;
  }
  int* deleted_;
};

struct Taps : ZBEventReceiver {
  void OnEvent(ZBEventCtrl* sender) override {
    auto* box = static_cast<GLScrollBox*>(sender);
    selected.push_back(box->m_selected);
    if (clear_on_tap) box->Clear();
  }
  std::vector<GLScrollBoxItem*> selected;
  bool clear_on_tap = false;
};

class ScrollBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = kNearWrap;
    SetTickSource(FakeTick);
    // 100 units tall, 500 rows of 20: content 10000, range 10000 + 4 - 100.
    box.Setup(100, 100, 300, 200);
    for (int i = 0; i < 500; ++i) box.AddItem(new Row(20));
    box.m_receiver = &taps;
  }
  void TearDown() override { SetTickSource(nullptr); }

  // Presses at (x, y0) and moves to y1 in `steps` equal steps `ms_per_step` apart;
  // `release` lifts at the end point.
  void Drag(int x, int y0, int y1, int steps, uint32_t ms_per_step, bool release = true) {
    box.OnTouchDown(0, x, y0);
    for (int i = 1; i <= steps; ++i) {
      g_now += ms_per_step;
      box.OnTouchMove(0, x, y0 + (y1 - y0) * i / steps);
    }
    if (release) box.OnTouchUp(0, x, y1);
  }
  // Draw's glide step without GL: advance the clock and step the glide.
  void Frames(int n, uint32_t ms = 16) {
    for (int i = 0; i < n; ++i) {
      g_now += ms;
      box.m_scroller.Glide();
    }
  }
  void Tap(int x, int y) {
    box.OnTouchDown(0, x, y);
    box.OnTouchUp(0, x, y);
  }

  GLScrollBox box;
  Taps taps;
};

TEST_F(ScrollBoxTest, DragStopsAtBothEnds) {
  EXPECT_EQ(kRange, box.Range());
  Drag(150, 120, 190, 7, 20);  // pulling down at the top: nothing above
  EXPECT_EQ(0, box.Offset());
  g_now += 1000;
  Drag(150, 190, 105, 5, 20, false);
  EXPECT_EQ(-85, box.Offset());
  box.OnTouchUp(0, 150, 105);
  box.m_scroller.StopGlide();
  // Slow drags (no glide) past the end: held at -range.
  box.m_scroller.m_offset = -(kRange - 100);
  for (int i = 0; i < 3; ++i) {
    g_now += 1000;
    Drag(150, 195, 105, 9, 250);
  }
  EXPECT_FALSE(box.m_scroller.IsGliding());
  EXPECT_EQ(-kRange, box.Offset());
}

TEST_F(ScrollBoxTest, ShortContentNeverScrollsAndHasNoNegativeRange) {
  GLScrollBox shortbox;
  shortbox.Setup(0, 0, 200, 300);
  shortbox.AddItem(new Row(40));
  shortbox.AddItem(new Row(40));
  EXPECT_EQ(0, shortbox.Range());
  EXPECT_EQ(0, shortbox.m_scroller.m_scrollable);
  shortbox.OnTouchDown(0, 50, 100);
  shortbox.OnTouchMove(0, 50, 20);
  shortbox.OnTouchUp(0, 50, 20);
  EXPECT_EQ(0, shortbox.Offset());
  // Shrinking the content of a scrolled box brings the offset back inside the range.
  box.m_scroller.m_offset = -300;
  for (int i = 0; i < 496; ++i) box.GetItem(i)->m_hidden = 1;
  box.m_keep_at_end = 1;
  box.Relayout();
  EXPECT_EQ(0, box.Range());
  EXPECT_EQ(0, box.Offset());
}

TEST_F(ScrollBoxTest, ReleaseSpeedDecidesTheGlide) {
  struct {
    const char* what;
    int steps;
    int step_units;
    uint32_t step_ms;
    bool glides;
  } cases[] = {
      {"200 ms at 80 units/s: short and slow", 4, -4, 50, false},
      {"400 ms at 80 units/s", 8, -4, 50, true},
      {"slow release: 40 units/s", 10, -2, 50, false},
      {"short and fast: 1000 units/s", 4, -20, 20, true},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    box.m_scroller.StopGlide();
    box.m_scroller.m_offset = -5000;
    g_now += 1000;
    const int y0 = 190;
    Drag(150, y0, y0 + c.steps * c.step_units, c.steps, c.step_ms, false);
    box.OnTouchUp(0, 150, y0 + c.steps * c.step_units);
    EXPECT_EQ(c.glides, box.m_scroller.IsGliding());
    const int offset = box.Offset();
    Frames(3);
    if (c.glides) {
      EXPECT_LT(box.Offset(), offset) << "the glide carries the content on";
    } else {
      EXPECT_EQ(offset, box.Offset());
    }
  }
}

TEST_F(ScrollBoxTest, SpeedSamplesAreCappedAndKeptInFloatingPoint) {
  ZBScrollMoving s;
  s.SetRect(0, 0, 1000, 1000);
  s.SetExtents(0.0, 5000.0, 0.0, 1000.0);
  s.OnTouchDown(0, 500, 900);
  g_now += 20;
  s.OnTouchMove(0, 500, 820);  // 80 units in 20 ms: 4000 units/s
  g_now += 11;
  s.OnTouchMove(0, 500, 300);  // 520 units in 11 ms: over 10000
  g_now += 5;
  s.OnTouchMove(0, 500, 290);  // 10 ms or less: no sample yet, the units are kept
  ASSERT_EQ(2, s.m_sample_count);
  EXPECT_DOUBLE_EQ(4000.0, s.m_samples[0]);
  EXPECT_DOUBLE_EQ(10000.0, s.m_samples[1]);
  g_now += 30;
  s.OnTouchMove(0, 500, 289);  // 10 + 1 units in 35 ms: 314.3 units/s, not 0
  EXPECT_NEAR(11000.0 / 35.0, s.m_samples[2], 1e-9);
  g_now += 30;
  s.OnTouchMove(0, 500, 287);  // the oldest sample leaves
  EXPECT_EQ(3, s.m_sample_count);
  EXPECT_DOUBLE_EQ(10000.0, s.m_samples[0]);
  // Released: the average of the three drives the glide.
  s.OnTouchUp(0, 500, 287);
  EXPECT_TRUE(s.IsGliding());
  EXPECT_NEAR(5000.0 * (10000.0 + 11000.0 / 35.0 + 2000.0 / 30.0) / 3.0 / 3000.0, s.m_velocity.length, 1e-6);
}

TEST_F(ScrollBoxTest, AFastMouseReportingEvery5MsStillFlings) {
  box.m_scroller.m_offset = -5000;
  Drag(150, 190, 110, 16, 5);  // 80 units in 80 ms, an event every 5 ms
  ASSERT_GT(box.m_scroller.m_sample_count, 0);
  EXPECT_NEAR(1000.0, box.m_scroller.m_samples[0], 1.0);
  EXPECT_TRUE(box.m_scroller.IsGliding());
}

TEST_F(ScrollBoxTest, GlideEndsAtTheEdgeOnATouchAndAfterAStalledFrame) {
  // Edge: a fast flick towards the end runs into -range and stops there.
  box.m_scroller.m_offset = -(kRange - 200);
  Drag(150, 190, 110, 4, 20);
  ASSERT_TRUE(box.m_scroller.IsGliding());
  Frames(200);
  EXPECT_FALSE(box.m_scroller.IsGliding());
  EXPECT_EQ(-kRange, box.Offset());

  // Touch: a touch down during a glide stops it and is consumed.
  g_now += 1000;
  Drag(150, 110, 190, 4, 20);
  ASSERT_TRUE(box.m_scroller.IsGliding());
  Frames(2);
  EXPECT_EQ(1, box.OnTouchDown(0, 150, 150));
  EXPECT_FALSE(box.m_scroller.IsGliding());
  const int held = box.Offset();
  Frames(3);
  EXPECT_EQ(held, box.Offset());
  box.OnTouchUp(0, 150, 150);

  // A frame gap: 200 ms still glides, 201 ms abandons the glide where it is.
  for (uint32_t gap : {200u, 201u}) {
    SCOPED_TRACE(gap);
    box.m_scroller.m_offset = -5000;
    g_now += 1000;
    Drag(150, 190, 110, 4, 20);
    ASSERT_TRUE(box.m_scroller.IsGliding());
    const int before = box.Offset();
    Frames(1, gap);
    EXPECT_EQ(gap <= 200, box.m_scroller.IsGliding());
    if (gap > 200) {
      EXPECT_EQ(before, box.Offset());
    }
    box.m_scroller.StopGlide();
  }
}

// Stops of the integrator itself, on a scroller whose OnReversed stops the motion.
TEST(ScrollMovingTest, MotionStopsBelowTheStopSpeedAndOnReversal) {
  struct {
    const char* what;
    double velocity;
    double deceleration;
    uint32_t dt;
    bool still_moving;
  } cases[] = {
      {"1.4 units/s stops", 1.4, 0.0, 16, false},
      {"1.6 units/s goes on", 1.6, 0.0, 16, true},
      {"reversed in one long step", 100.0, -5000.0, 50, false},
      {"slowed but not reversed", 100.0, -5000.0, 10, true},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    ZBScrollMoving s;
    s.m_moving = 1;
    s.m_velocity.Set(0.0, c.velocity, 0.0);
    s.m_initial_velocity = s.m_velocity;
    s.m_deceleration.Set(0.0, c.deceleration, 0.0);
    s.Step(c.dt);
    EXPECT_EQ(c.still_moving, s.m_moving != 0);
  }
}

TEST(ScrollMovingTest, NoGlideOverAZeroPathAndNoNaN) {
  g_now = kNearWrap;
  SetTickSource(FakeTick);
  ZBScrollMoving s;
  s.SetRect(0, 0, 100, 100);
  s.SetExtents(0.0, 0.0, 0.0, 100.0);
  // Fast samples with nothing to scroll over.
  s.m_dragging = 1;
  s.m_touch_down_time = g_now - 1000;
  s.m_samples[0] = s.m_samples[1] = 5000.0;
  s.m_sample_count = 2;
  s.m_last_step = -10;
  s.EndDrag();
  EXPECT_FALSE(s.IsGliding());
  EXPECT_FALSE(std::isnan(s.m_velocity.x) || std::isnan(s.m_velocity.y) || std::isnan(s.m_deceleration.y));
  // A zero velocity has no direction: stepping it stops without NaN.
  ZBMovingObject m;
  m.m_moving = 1;
  m.m_initial_velocity.Set(0.0, 10.0, 0.0);
  m.Step(16);
  EXPECT_EQ(0, m.m_moving);
  EXPECT_FALSE(std::isnan(m.y));
  SetTickSource(nullptr);
}

TEST_F(ScrollBoxTest, TapsReachTheReceiverOnlyWhenTheyAreTaps) {
  Tap(150, 110);  // row 0 spans 100..120
  ASSERT_EQ(1u, taps.selected.size());
  EXPECT_EQ(box.GetItem(0), taps.selected[0]);

  struct {
    const char* what;
    int travel;
    bool reported;
  } cases[] = {{"30 units of drag is still a tap", 30, true}, {"60 units is a drag", 60, false},
               {"exactly 50 units", 50, true}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    taps.selected.clear();
    box.m_scroller.m_offset = -150;
    g_now += 2000;
    // Slow, so no glide starts: 5 units per 200 ms.
    box.OnTouchDown(0, 150, 135);
    for (int d = 5; d <= c.travel; d += 5) {
      g_now += 200;
      box.OnTouchMove(0, 150, 135 + d);
    }
    g_now += 200;
    box.OnTouchUp(0, 150, 135 + c.travel);
    EXPECT_FALSE(box.m_scroller.IsGliding());
    EXPECT_EQ(c.reported ? 1u : 0u, taps.selected.size());
  }
}

TEST_F(ScrollBoxTest, TapDuringAGlideStopsItAndReachesNoRow) {
  Drag(150, 190, 110, 4, 20);
  ASSERT_TRUE(box.m_scroller.IsGliding());
  Frames(1);
  Tap(150, 150);
  EXPECT_FALSE(box.m_scroller.IsGliding());
  EXPECT_TRUE(taps.selected.empty());
  for (int i = 0; i < box.GetCount(); ++i) EXPECT_EQ(GLScrollBoxItem::kNormal, box.GetItem(i)->m_state);
}

TEST_F(ScrollBoxTest, ARowReportsAtMostOncePer500Ms) {
  Tap(150, 110);
  g_now += 300;
  Tap(150, 110);
  EXPECT_EQ(1u, taps.selected.size());
  g_now += 201;
  Tap(150, 110);
  EXPECT_EQ(2u, taps.selected.size());
}

TEST_F(ScrollBoxTest, ATapCallbackMayClearTheBox) {
  int deleted = 0;
  box.Clear();
  for (int i = 0; i < 20; ++i) box.AddItem(new Row(20, &deleted));
  taps.clear_on_tap = true;
  g_now += 1000;
  Tap(150, 130);  // row 1
  ASSERT_EQ(1u, taps.selected.size());
  EXPECT_NE(nullptr, taps.selected[0]);
  EXPECT_EQ(20, deleted);
  EXPECT_EQ(0, box.GetCount());
  EXPECT_EQ(nullptr, box.m_selected);
}

TEST_F(ScrollBoxTest, RowsPastTheLimitPushOutTheOldestAndItsSelection) {
  int deleted = 0;
  box.Clear();
  for (int i = 0; i < GLScrollBox::kMaxItems; ++i) box.AddItem(new Row(20, &deleted));
  GLScrollBoxItem* first = box.GetItem(0);
  GLScrollBoxItem* second = box.GetItem(1);
  Tap(150, 110);
  ASSERT_EQ(first, box.m_selected);
  box.AddItem(new Row(20, &deleted));
  EXPECT_EQ(GLScrollBox::kMaxItems, box.GetCount());
  EXPECT_EQ(1, deleted);
  EXPECT_EQ(second, box.GetItem(0));
  EXPECT_EQ(nullptr, box.m_selected) << "the selection went with its row";
  EXPECT_EQ(GLScrollBox::kMaxItems * 20 + 4 - 100, box.Range());
}

TEST_F(ScrollBoxTest, WheelNeedsATouchFirstAndMovesByItsDelta) {
  EXPECT_EQ(0, box.OnWheel(-40, 150, 150));
  EXPECT_EQ(0, box.Offset());
  Tap(150, 150);
  EXPECT_EQ(1, box.OnWheel(-40, 150, 150));
  EXPECT_EQ(-40, box.Offset());
  // After a drag the next notch still moves exactly one notch.
  g_now += 1000;
  Drag(150, 180, 140, 8, 200);
  ASSERT_FALSE(box.m_scroller.IsGliding());
  EXPECT_EQ(-80, box.Offset());
  box.OnWheel(-40, 150, 150);
  EXPECT_EQ(-120, box.Offset());
  box.OnWheel(120, 150, 150);
  EXPECT_EQ(0, box.Offset());
  EXPECT_FALSE(box.m_scroller.IsGliding()) << "the wheel never glides";
  // A touch down outside the box forgets the anchor.
  box.OnTouchDown(0, 10, 10);
  EXPECT_EQ(0, box.OnWheel(-40, 150, 150));
}

TEST_F(ScrollBoxTest, ClearStopsAGlide) {
  Drag(150, 190, 110, 4, 20);
  ASSERT_TRUE(box.m_scroller.IsGliding());
  box.Clear();
  EXPECT_FALSE(box.m_scroller.IsGliding());
  Frames(3);
  EXPECT_EQ(0, box.Offset());
  EXPECT_EQ(0, box.Range());
}

TEST(ScrollBoxSideways, ScrollsAlongXWithDragAndWheel) {
  g_now = kNearWrap;
  SetTickSource(FakeTick);
  GLScrollBox box;
  box.SetVertical(0);
  box.Setup(0, 100, 400, 200);  // 400 wide, 10 columns of 100
  Taps taps;
  box.m_receiver = &taps;
  for (int i = 0; i < 10; ++i) box.AddItem(new GLScrollBoxItem(100));
  EXPECT_EQ(1000 + 4 - 400, box.Range());
  // Vertical movement does nothing, horizontal drags scroll.
  box.OnTouchDown(0, 300, 150);
  g_now += 2000;
  box.OnTouchMove(0, 300, 110);
  EXPECT_EQ(0, box.Offset());
  g_now += 2000;
  box.OnTouchMove(0, 240, 110);
  g_now += 2000;
  box.OnTouchUp(0, 240, 110);
  EXPECT_EQ(-60, box.Offset());
  EXPECT_FALSE(box.m_scroller.IsGliding());
  EXPECT_TRUE(taps.selected.empty()) << "60 units along x is a drag";
  box.OnWheel(-40, 240, 150);
  EXPECT_EQ(-100, box.Offset());
  // Columns are laid out along x from the offset: x = 150 is now in column 2.
  g_now += 1000;
  box.OnTouchDown(0, 150, 150);
  box.OnTouchUp(0, 150, 150);
  ASSERT_EQ(1u, taps.selected.size());
  EXPECT_EQ(box.GetItem(2), taps.selected[0]);
  EXPECT_EQ(100, box.GetItem(2)->m_left);
  SetTickSource(nullptr);
}

TEST_F(ScrollBoxTest, AHoverEndsOnceTheDragPassesTenUnits) {
  box.OnTouchMove(0, 150, 110);
  EXPECT_EQ(GLScrollBoxItem::kHover, box.GetItem(0)->m_state);
  box.OnTouchDown(0, 150, 150);
  GLScrollBoxItem* pressed = box.GetItem(2);
  EXPECT_EQ(GLScrollBoxItem::kPressed, pressed->m_state);
  g_now += 50;
  box.OnTouchMove(0, 150, 138);
  EXPECT_EQ(GLScrollBoxItem::kNormal, box.GetItem(0)->m_state) << "(-1, -1) ends the hover";
  EXPECT_EQ(GLScrollBoxItem::kPressed, pressed->m_state) << "a pressed row stays pressed";
}

TEST(ScrollTextBox, KeepsALongSingleLineWholeAndRefusesOverlongTexts) {
  GLScrollTextBox box;
  box.Setup(0, 0, 300, 100);
  const std::wstring line(600, L'x');
  EXPECT_EQ(1, box.AddTextW(line.c_str(), 20, 0, 16, 1, 1, 1, 1, 1, 0));
  auto* item = static_cast<GLScrollTextItem*>(box.GetItem(0));
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(line, item->Text());
  const std::wstring too_long(2048, L'y');
  EXPECT_EQ(0, box.AddTextW(too_long.c_str(), 20, 0, 16, 1, 1, 1, 1, 1, 0));
  EXPECT_EQ(1, box.GetCount());
  // Without a font in the slot a wrapped text adds nothing.
  EXPECT_EQ(0, box.AddTextW(L"wrapped", 20, 9, 16, 1, 1, 1, 1, 0, 0));
  EXPECT_EQ(1, box.GetCount());
}

}  // namespace

namespace {

TEST_F(ScrollBoxTest, KeepAtEndFollowsNewRowsAndShortContentCanBeCentred) {
  box.Clear();
  box.m_keep_at_end = 1;
  for (int i = 0; i < 10; ++i) box.AddItem(new Row(20));  // 200 + 4 - 100 = 104
  EXPECT_EQ(-104, box.Offset());
  box.AddItem(new Row(30));
  EXPECT_EQ(-134, box.Offset()) << "the newest row stays in view";
  // The last row is laid out against the bottom edge (a touch lays the rows out).
  Tap(150, 150);
  EXPECT_EQ(100 - 134 + 200, box.GetItem(10)->m_top);

  GLScrollBox centred;
  centred.m_receiver = &taps;
  centred.Setup(0, 0, 100, 100);
  centred.m_centre_when_short = 1;
  centred.AddItem(new Row(20));
  centred.AddItem(new Row(20));
  centred.OnTouchDown(0, 50, 50);
  EXPECT_EQ(30, centred.GetItem(0)->m_top);
  EXPECT_EQ(50, centred.GetItem(1)->m_top);
}

TEST_F(ScrollBoxTest, ARowThatGrowsOnItsTapIsLaidOutAgain) {
  // Rows that change height when tapped (an expanding entry): the release relayouts.
  struct Growing : GLScrollBoxItem {
    Growing() : GLScrollBoxItem(20) {}
    int OnTouchUp(int button, int x, int y) override {
      const int r = GLScrollBoxItem::OnTouchUp(button, x, y);
      if (r) m_height = 60;
      return r;
    }
  };
  box.Clear();
  for (int i = 0; i < 10; ++i) box.AddItem(new Growing);
  EXPECT_EQ(104, box.Range());
  Tap(150, 110);
  EXPECT_EQ(144, box.Range());
  EXPECT_EQ(1u, taps.selected.size());
}

}  // namespace
