#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "framework/Clock.h"
#include "gfx/GLTexture.h"
#include "ui/GLAnimation.h"
#include "ui/GLAnimationManager.h"
#include "ui/GLAnimationSet.h"

namespace {

uint32_t g_now = 0;
uint32_t FakeTick() { return g_now; }
constexpr uint32_t kNearWrap = 0xFFFFFE00u;  // 512 ms before the wrap

AnimationKey* Key(uint32_t time, float x, float alpha = 1.0f, int event = -1, int kind = 0) {
  auto* k = new AnimationKey;
  k->time = time;
  k->x = x;
  k->alpha = alpha;
  k->event = event;
  k->event_kind = kind;
  return k;
}

// What the callbacks saw, in order: ('A' or 'B', event) and end callbacks as 'a'/'b'.
struct Log {
  std::vector<std::pair<char, int>> calls;
  int Count(char c) const {
    int n = 0;
    for (auto& p : calls) n += p.first == c ? 1 : 0;
    return n;
  }
};
void EventA(void* ctx, int e) { static_cast<Log*>(ctx)->calls.push_back({'A', e}); }
void EventB(void* ctx, int e) { static_cast<Log*>(ctx)->calls.push_back({'B', e}); }
void EndA(void* ctx) { static_cast<Log*>(ctx)->calls.push_back({'a', 0}); }
void EndB(void* ctx, GLAnimation*) { static_cast<Log*>(ctx)->calls.push_back({'b', 0}); }

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = kNearWrap;
    SetTickSource(FakeTick);
  }
  void TearDown() override { SetTickSource(nullptr); }
  void Wire(GLAnimation& a) {
    a.m_event_a = EventA;
    a.m_event_b = EventB;
    a.m_event_context = &log;
    a.m_end_a = EndA;
    a.m_end_b = EndB;
    a.m_end_context = &log;
  }
  // Steps the clock to `ms` after the start, advancing every `step` ms like frames.
  void RunTo(GLAnimation& a, uint32_t start, uint32_t ms, uint32_t step = 16) {
    while (g_now - start + step <= ms) {
      g_now += step;
      a.Draw();
    }
    g_now = start + ms;
    a.Draw();
  }
  Log log;
};

TEST_F(AnimationTest, MovesLinearlyBetweenKeysAndEndsOnce) {
  GLAnimation a;
  Wire(a);
  a.m_end_a = nullptr;  // B is used when A is not set
  a.AddKey(Key(0, 0.0f));
  a.AddKey(Key(1000, 100.0f));
  const uint32_t start = g_now;
  a.Start();
  struct {
    uint32_t ms;
    float x;
  } cases[] = {{0, 0.0f}, {250, 25.0f}, {600, 60.0f}, {999, 99.9f}};  // across the wrap
  for (auto& c : cases) {
    SCOPED_TRACE(c.ms);
    g_now = start + c.ms;
    EXPECT_NEAR(c.x, a.StateAt(a.AnimationTime()).x, 1e-3);
    a.Draw();
    EXPECT_TRUE(a.IsPlaying());
  }
  RunTo(a, start, 1200);
  EXPECT_FALSE(a.IsPlaying());
  g_now += 100;
  a.Draw();
  a.Advance();
  EXPECT_EQ(1, log.Count('b'));
  EXPECT_EQ(0, log.Count('a'));
}

TEST_F(AnimationTest, TimeScaleTurnsKeyTimesIntoTicks) {
  GLAnimation a;
  a.AddKey(Key(0, 0.0f));
  a.AddKey(Key(60, 100.0f));
  a.SetSpeed(0.06);
  const uint32_t start = g_now;
  a.Start();
  g_now = start + 500;
  EXPECT_NEAR(50.0f, a.StateAt(a.AnimationTime()).x, 1e-3);
  RunTo(a, start, 990);
  EXPECT_TRUE(a.IsPlaying());
  RunTo(a, start, 1000);
  EXPECT_FALSE(a.IsPlaying()) << "the move lasts one second";
}

TEST_F(AnimationTest, AlphaFadesLinearlyAndEqualTimesJumpToTheNextKey) {
  GLAnimation a;
  a.AddKey(Key(0, 0.0f, 0.0f));
  a.AddKey(Key(400, 0.0f, 1.0f));
  a.Start();
  for (uint32_t ms : {0u, 100u, 200u, 300u, 400u}) EXPECT_NEAR(ms / 400.0f, a.StateAt(ms).alpha, 1e-6);

  GLAnimation same;
  same.AddKey(Key(100, 0.0f));
  same.AddKey(Key(100, 50.0f));
  same.Start();
  EXPECT_FLOAT_EQ(1.0f, same.Progress(100));
  EXPECT_FLOAT_EQ(50.0f, same.StateAt(100).x);
}

TEST_F(AnimationTest, AFirstKeyAfterTickZeroHoldsItsOwnState) {
  GLAnimation a;
  a.AddKey(Key(300, 10.0f));
  a.AddKey(Key(500, 30.0f));
  a.Start();
  EXPECT_FLOAT_EQ(10.0f, a.StateAt(0).x);
  EXPECT_FLOAT_EQ(10.0f, a.StateAt(200).x);
  EXPECT_FLOAT_EQ(20.0f, a.StateAt(400).x);
}

TEST_F(AnimationTest, KeyEventsFireWhenReachedThroughTheirCallback) {
  GLAnimation a;
  Wire(a);
  a.AddKey(Key(0, 0.0f, 1.0f, 7, 1));    // kind set: A
  a.AddKey(Key(100, 0.0f, 1.0f, 8, 0));  // kind clear: B
  a.AddKey(Key(150, 0.0f));              // no event
  a.AddKey(Key(300, 0.0f, 1.0f, 9, 1));
  const uint32_t start = g_now;
  a.Start();
  ASSERT_EQ(1u, log.calls.size());
  EXPECT_EQ(std::make_pair('A', 7), log.calls[0]);
  g_now = start + 99;
  a.Advance();
  EXPECT_EQ(1u, log.calls.size());
  g_now = start + 200;  // two keys passed in one frame: both in order, one event
  a.Advance();
  ASSERT_EQ(2u, log.calls.size());
  EXPECT_EQ(std::make_pair('B', 8), log.calls[1]);
  g_now = start + 300;
  a.Advance();
  ASSERT_EQ(4u, log.calls.size());
  EXPECT_EQ(std::make_pair('A', 9), log.calls[2]);
  EXPECT_EQ('a', log.calls[3].first) << "the end follows the last key";
  // Without a context, A is skipped and B still gets the event (its context is null).
  GLAnimation b;
  b.m_event_a = EventA;
  b.m_event_b = [](void* ctx, int e) {
    EXPECT_EQ(nullptr, ctx);
    EXPECT_EQ(3, e);
  };
  b.AddKey(Key(0, 0.0f, 1.0f, 3, 1));
  b.AddKey(Key(10, 0.0f));
  b.Start();
}

TEST_F(AnimationTest, LoopsRepeatTheFirstKeyEvent) {
  struct {
    int loops;
    int expected_events;  // over 5 passes of 100 ms
    bool playing;
  } cases[] = {{1, 1, false}, {3, 3, false}, {-1, 6, true}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.loops);
    log.calls.clear();
    GLAnimation a;
    Wire(a);
    a.AddKey(Key(0, 0.0f, 1.0f, 5, 1));
    a.AddKey(Key(100, 10.0f));
    a.SetLoopCount(c.loops);
    const uint32_t start = g_now;
    a.Start();
    for (int pass = 1; pass <= 5; ++pass) {
      g_now = start + pass * 100 + pass;  // each restart is a frame later
      a.Draw();
    }
    EXPECT_EQ(c.expected_events, log.Count('A'));
    EXPECT_EQ(c.playing, a.IsPlaying());
    EXPECT_EQ(c.playing ? 0 : 1, log.Count('a'));
  }
}

TEST_F(AnimationTest, StartingAgainPlaysAllItsLoops) {
  GLAnimation a;
  Wire(a);
  a.AddKey(Key(0, 0.0f, 1.0f, 5, 1));
  a.AddKey(Key(100, 10.0f));
  a.SetLoopCount(2);
  for (int play = 0; play < 2; ++play) {
    log.calls.clear();
    a.Start();
    for (int i = 0; i < 4 && a.IsPlaying(); ++i) {
      g_now += 101;
      a.Advance();
    }
    EXPECT_EQ(2, log.Count('A'));
    EXPECT_EQ(1, log.Count('a'));
  }
}

TEST_F(AnimationTest, StopIsSilentOnlyWhenAsked) {
  struct {
    int silent;
    bool with_a;
    int a, b;
  } cases[] = {{1, true, 0, 0}, {0, true, 1, 0}, {0, false, 0, 1}};
  for (auto& c : cases) {
    log.calls.clear();
    GLAnimation a;
    Wire(a);
    if (!c.with_a) a.m_end_a = nullptr;
    a.AddKey(Key(0, 0.0f));
    a.AddKey(Key(100, 0.0f));
    a.Start();
    a.Stop(c.silent);
    a.Stop(0);  // already stopped: nothing more
    EXPECT_EQ(c.a, log.Count('a'));
    EXPECT_EQ(c.b, log.Count('b'));
  }
  GLAnimation one;
  one.AddKey(Key(0, 0.0f));
  one.Start();
  EXPECT_FALSE(one.IsPlaying()) << "one key is not an animation";
}

TEST_F(AnimationTest, AFramePastTheSheetShowsItsLastFrame) {
  GLTexture sheet;  // a 6-frame attack sheet among 12-frame ones
  sheet.m_frame_count = 6;
  GLAnimation a;
  a.SetTexture(&sheet);
  a.SetFrameOffset(6);
  AnimationKey k;
  struct {
    int frame, shown;
  } cases[] = {{-1, -1}, {0, 5}, {3, 5}, {11, 5}};
  for (auto& c : cases) {
    k.frame = c.frame;
    EXPECT_EQ(c.shown, a.FrameFor(k)) << c.frame;
  }
  a.SetFrameOffset(0);
  k.frame = 4;
  EXPECT_EQ(4, a.FrameFor(k));
}

// An end callback that adds a fresh animation to the manager it is drawn by and asks
// for a purge while the manager is walking.
struct Spawner {
  GLAnimationManager* manager;
  int ends = 0;
};
void SpawnOnEnd(void* ctx) {
  auto* s = static_cast<Spawner*>(ctx);
  ++s->ends;
  auto* next = new GLAnimation;
  next->AddKey(Key(0, 0.0f));
  next->AddKey(Key(1000, 0.0f));
  next->Start();
  s->manager->Add(next);
  s->manager->Purge();  // held until the walk is over
}

TEST_F(AnimationTest, CallbacksDuringDrawingMayAddButNeverFreeTheWalkedAnimation) {
  GLAnimationManager manager;
  Spawner spawner{&manager};
  for (int i = 0; i < 3; ++i) {
    auto* a = new GLAnimation;
    a->AddKey(Key(0, 0.0f));
    a->AddKey(Key(100 * (i + 1), 0.0f));
    a->m_end_a = SpawnOnEnd;
    a->m_end_context = &spawner;
    a->m_key = i;
    a->Start();
    manager.Add(a);
  }
  g_now += 150;
  manager.DrawByKey(-1);  // the first ends: one added, purged after the walk
  EXPECT_EQ(1, spawner.ends);
  EXPECT_EQ(3, manager.GetCount());
  g_now += 200;
  manager.DrawByKey(1);  // only key 1 is drawn (and ends)
  EXPECT_EQ(2, spawner.ends);
  EXPECT_EQ(3, manager.GetCount());
  manager.Purge();
  EXPECT_EQ(3, manager.GetCount()) << "all members still play";
}

TEST_F(AnimationTest, ASetLoopsWhenAllMembersEnded) {
  GLAnimationSet set;
  Log set_log;
  set.m_end_a = EndA;
  set.m_context = &set_log;
  for (uint32_t len : {100u, 300u}) {
    auto* a = new GLAnimation;
    a->AddKey(Key(0, 0.0f));
    a->AddKey(Key(len, 0.0f));
    set.Add(a);
  }
  set.SetLoopCount(2);
  set.Start();
  g_now += 150;
  set.Tick();
  EXPECT_TRUE(set.IsPlaying());
  g_now += 200;  // both ended: second loop
  set.Tick();
  EXPECT_TRUE(set.IsPlaying());
  EXPECT_EQ(0, set_log.Count('a'));
  g_now += 301;
  set.DrawByKey(-1);
  EXPECT_FALSE(set.IsPlaying());
  EXPECT_EQ(1, set_log.Count('a'));

  GLAnimationSetManager sets;
  auto* done = new GLAnimationSet;
  auto* running = new GLAnimationSet;
  auto* member = new GLAnimation;
  member->AddKey(Key(0, 0.0f));
  member->AddKey(Key(1000, 0.0f));
  running->Add(member);
  running->Start();
  sets.Add(done);
  sets.Add(running);
  sets.DrawAll();
  sets.Purge();
  EXPECT_EQ(1, sets.GetCount());
}

}  // namespace
