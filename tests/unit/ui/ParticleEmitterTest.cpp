#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "ui/ParticleEmitter.h"

namespace {

uint32_t g_now = 0;
uint32_t FakeTick() { return g_now; }

class ParticleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 0xFFFFF000u;  // about 4 s before the 32-bit wrap
    SetTickSource(FakeTick);
    SeedRandom(1234);
    e = std::make_unique<ParticleEmitter>();
    e->Init();
    e->spawn_left = 0, e->spawn_top = 0, e->spawn_right = 40, e->spawn_bottom = 20;
  }
  void TearDown() override { SetTickSource(nullptr); }
  // One frame `ms` after the last.
  void Frame(uint32_t ms = 16) {
    g_now += ms;
    e->Prepare(g_now, 1.0f, 1.0f, 1.0f);
  }
  std::unique_ptr<ParticleEmitter> e;
};

TEST_F(ParticleTest, StopsSpawningAfterItsLifetimeAndDeactivatesWhenTheLastDies) {
  e->Start(nullptr, 200, 4, 8, 3000);
  int last_spawn_frame = -1, frames = 0;
  uint32_t last_spawn_at = 0;
  const uint32_t start = g_now;
  while (e->active && frames < 10000) {
    Frame();
    ++frames;
    EXPECT_LE(e->spawned_last_frame, e->spawn_per_frame + 1);
    if (e->spawned_last_frame > 0) {
      last_spawn_frame = frames;
      last_spawn_at = g_now;
    }
    EXPECT_EQ(0, e->vertex_count % ParticleEmitter::kVerticesPerParticle) << "two triangles per particle";
  }
  EXPECT_FALSE(e->active) << "the emitter ends by itself";
  ASSERT_GT(last_spawn_frame, 0);
  EXPECT_LE(last_spawn_at - start, 3000u);
  EXPECT_GT(last_spawn_at - start, 2900u) << "it spawned until its lifetime ran out";
  EXPECT_EQ(0, e->LiveCount());
  // Decay is 30..59 / 10000 per frame: the last particle lives at most ~340 frames.
  EXPECT_LE(frames - last_spawn_frame, 340);
}

TEST_F(ParticleTest, SpawnsAtMostOneMoreThanItsRatePerFrameAndRespectsTheInterval) {
  e->spawn_per_frame = 3;
  e->spawn_interval = 30;
  e->Start(nullptr, 100, 4, 8, 0);
  Frame(16);
  EXPECT_EQ(4, e->spawned_last_frame);
  Frame(16);  // 16 ms after the last spawning frame: too early
  EXPECT_EQ(0, e->spawned_last_frame);
  Frame(16);  // 32 ms
  EXPECT_EQ(4, e->spawned_last_frame);
  EXPECT_EQ(8, e->LiveCount());
}

TEST_F(ParticleTest, DecayHasAFloorSoEveryParticleDies) {
  // A negative decay range would keep particles alive for ever.
  e->decay_min = -500;
  e->decay_max = -100;
  e->Start(nullptr, 10, 4, 8, 100);
  for (int i = 0; i < 10; ++i) Frame();
  for (const Particle& p : e->particles) {
    if (!p.alive) continue;
    EXPECT_GE(p.decay, ParticleEmitter::kMinDecay);
  }
  int frames = 0;
  while (e->active && frames < 20000) {
    Frame();
    ++frames;
  }
  EXPECT_FALSE(e->active);
}

TEST_F(ParticleTest, CountsAreClampedToThePoolAndEmptyRangesGiveTheirLowEnd) {
  e->Start(nullptr, 5000, 8, 8, 0);
  EXPECT_EQ(ParticleEmitter::kMaxParticles, e->count);
  e->Start(nullptr, -3, 8, 8, 0);
  EXPECT_EQ(0, e->count);
  Frame();
  EXPECT_FALSE(e->active) << "nothing to draw";

  EXPECT_EQ(8, RandomInt(8, 7));
  EXPECT_EQ(8, RandomInt(8, 8));
  EXPECT_EQ(5, RandomInt(5, -5));
  e->Start(nullptr, 10, 8, 8, 0);  // size range 8..7: every particle is 8 units
  Frame();
  for (int i = 0; i < e->count; ++i) {
    if (!e->particles[i].alive) continue;
    EXPECT_FLOAT_EQ(8.0f, e->particles[i].size);
  }
}

TEST_F(ParticleTest, ASeedRepeatsTheSameBurst) {
  auto run = [&] {
    SeedRandom(99);
    e->Init();
    e->spawn_right = 100, e->spawn_bottom = 100;
    e->random_rotation = 1;
    e->Start(nullptr, 50, 2, 20, 0);
    for (int i = 0; i < 30; ++i) Frame();
    std::unique_ptr<float[]> copy(new float[e->vertex_count * 2]);
    std::memcpy(copy.get(), e->vertices, sizeof(float) * e->vertex_count * 2);
    return std::make_pair(e->vertex_count, std::move(copy));
  };
  auto first = run();
  auto second = run();
  ASSERT_GT(first.first, 0);
  ASSERT_EQ(first.first, second.first);
  EXPECT_EQ(0, std::memcmp(first.second.get(), second.second.get(), sizeof(float) * first.first * 2));
}

TEST_F(ParticleTest, ParticlesFadeAndShiftTowardsTheEndColour) {
  e->end_r = 1.0f, e->end_g = 0.0f, e->end_b = 0.0f;
  e->decay_min = e->decay_max = 1000;  // life 1 -> 0 in ten frames
  e->Start(nullptr, 1, 10, 10, 0);
  Frame();
  // Drawn at life 1: white and opaque.
  EXPECT_FLOAT_EQ(1.0f, e->colours[1]);
  EXPECT_FLOAT_EQ(1.0f, e->colours[3]);
  for (int i = 0; i < 5; ++i) Frame();
  const float life = e->particles[0].life + e->particles[0].decay;  // life when drawn
  EXPECT_NEAR(life, e->colours[1], 1e-5) << "green falls with life";
  EXPECT_FLOAT_EQ(1.0f, e->colours[0]) << "red stays (end colour red)";
  EXPECT_NEAR(life, e->colours[3], 1e-5) << "alpha follows life";
}

}  // namespace
