#include <gtest/gtest.h>

#include <vector>

#include "framework/Clock.h"
#include "framework/ZBTimer_manager.h"

namespace {

uint32_t g_now = 0;
uint32_t FakeNow() { return g_now; }

// Records which timers fired, per tick, and can act on the manager from the callback.
struct Recorder {
  ZBTimer_manager* manager = nullptr;
  std::vector<uint32_t> fired;  // tags
  TimerEntry* remove_on_fire = nullptr;
  bool add_on_fire = false;
};

void OnTimer(void* user, TimerEntry* entry) {
  auto* r = static_cast<Recorder*>(user);
  r->fired.push_back(entry->tag);
  if (r->remove_on_fire) {
    TimerEntry* victim = r->remove_on_fire;
    r->remove_on_fire = nullptr;
    EXPECT_EQ(r->manager->RemoveTimer(victim), 1);
  }
  if (r->add_on_fire) {
    r->add_on_fire = false;
    TimerEntry* t = r->manager->AddTimer(0, true, &OnTimer, r);
    t->tag = 99;
  }
}

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 5000;
    SetTickSource(&FakeNow);
    rec.manager = &timers;
  }
  void TearDown() override { SetTickSource(nullptr); }
  TimerEntry* Add(uint32_t tag, uint32_t interval, bool once) {
    TimerEntry* t = timers.AddTimer(interval, once, &OnTimer, &rec);
    t->tag = tag;
    return t;
  }
  ZBTimer_manager timers;
  Recorder rec;
};

TEST_F(TimerTest, FiresOnTheFirstTickAfterTheIntervalHasPassed) {
  struct Case {
    uint32_t interval;
    uint32_t advance;
    bool fires;
  };
  const Case cases[] = {
      {0, 0, false},  {0, 1, true},  // interval 0 needs at least 1 ms
      {100, 100, false}, {100, 101, true}, {100, 5000, true},
  };
  for (const Case& c : cases) {
    ZBTimer_manager m;
    Recorder r;
    r.manager = &m;
    g_now = 7000;
    TimerEntry* t = m.AddTimer(c.interval, true, &OnTimer, &r);
    t->tag = 1;
    g_now += c.advance;
    m.Tick();
    EXPECT_EQ(r.fired.size(), c.fires ? 1u : 0u) << "interval " << c.interval << " advance " << c.advance;
    EXPECT_EQ(m.Count(), c.fires ? 0 : 1);
  }
}

TEST_F(TimerTest, ElapsedTimeIsTakenAcrossTheClockWrap) {
  g_now = 0xFFFFFFF0u;
  Add(1, 50, true);
  g_now = 0x20;  // 48 ms later
  timers.Tick();
  EXPECT_TRUE(rec.fired.empty());
  g_now = 0x23;  // 51 ms later
  timers.Tick();
  EXPECT_EQ(rec.fired, std::vector<uint32_t>{1});
}

TEST_F(TimerTest, RepeatingTimerFiresEveryTickUntilItsStartIsReset) {
  TimerEntry* t = Add(7, 10, false);
  g_now += 11;
  timers.Tick();
  timers.Tick();
  EXPECT_EQ(rec.fired.size(), 2u);
  t->start_time = g_now;  // the owner re-arms it
  timers.Tick();
  EXPECT_EQ(rec.fired.size(), 2u);
  g_now += 11;
  timers.Tick();
  EXPECT_EQ(rec.fired.size(), 3u);
  EXPECT_EQ(timers.Count(), 1);
}

TEST_F(TimerTest, CancelledTimerNeverFires) {
  TimerEntry* a = Add(1, 10, true);
  Add(2, 10, true);
  EXPECT_EQ(timers.RemoveTimer(a), 1);
  EXPECT_EQ(timers.RemoveTimer(a), 0) << "a removed record is no longer listed";
  g_now += 20;
  timers.Tick();
  EXPECT_EQ(rec.fired, std::vector<uint32_t>{2});
  EXPECT_EQ(timers.Count(), 0);
}

TEST_F(TimerTest, CallbacksMayRemoveAndAddTimersDuringTheTick) {
  Add(1, 10, false);
  TimerEntry* later = Add(2, 10, false);
  Add(3, 10, true);
  rec.remove_on_fire = later;  // timer 1 cancels timer 2 before the walk reaches it
  rec.add_on_fire = true;      // and adds timer 99, started now: not yet due
  g_now += 11;
  timers.Tick();
  EXPECT_EQ(rec.fired, (std::vector<uint32_t>{1, 3}));
  EXPECT_EQ(timers.Count(), 2);  // 1 (repeating) and 99
  g_now += 1;
  timers.Tick();
  EXPECT_EQ(rec.fired, (std::vector<uint32_t>{1, 3, 1, 99}));
  EXPECT_EQ(timers.Count(), 1);
}

TEST_F(TimerTest, TimerRemovingItselfFromItsCallbackIsFreedOnce) {
  TimerEntry* self = Add(5, 0, true);
  rec.remove_on_fire = self;  // removes itself though it would be removed anyway
  g_now += 1;
  timers.Tick();
  EXPECT_EQ(rec.fired, std::vector<uint32_t>{5});
  EXPECT_EQ(timers.Count(), 0);
}

}  // namespace
