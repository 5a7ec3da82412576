// Per-frame cost of the moving widgets: a 1,000-particle emitter and a 100-row scroll
// list while it glides, on the offscreen GL context (Mesa's software renderer, so the
// figures with drawing are far above a GPU's). Each reports the heap allocations per
// frame (counted by replacing the global allocator), which must be zero.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/AllocationCounter.h"
#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "render/TexRenderEnv.h"
#include "ui/GLScrollBox.h"
#include "ui/ParticleEmitter.h"
#include "unit/gfx/ImageEncode.h"

namespace {

GLTexture* Spark() {
  static GLTexture* tex = nullptr;
  if (tex) return tex;
  const std::string path = (std::filesystem::temp_directory_path() / "tolvan-bench-spark.png").string();
  auto bytes = testimg::EncodePng(testimg::SolidRgba(16, 16, 255, 255, 255, 255), 16, 16, 4);
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  tex = new GLTexture();
  tex->Create(path.c_str(), nullptr, 1, 1);
  return tex;
}

// An emitter that keeps its whole pool alive: the whole pool is born at once and
// every dead slot is refilled at once.
std::unique_ptr<ParticleEmitter> FullEmitter() {
  auto e = std::make_unique<ParticleEmitter>();
  e->Init();
  e->spawn_right = 200, e->spawn_bottom = 200;
  e->spawn_per_frame = ParticleEmitter::kMaxParticles;
  e->spawn_interval = 0;
  e->random_rotation = 1;
  e->Start(Spark(), ParticleEmitter::kMaxParticles, 6, 14, 0);
  return e;
}

void ReportAllocations(benchmark::State& state, uint64_t before) {
  const uint64_t allocs = g_allocations.load() - before;
  state.counters["allocs_per_frame"] =
      benchmark::Counter(static_cast<double>(allocs) / static_cast<double>(state.iterations()));
}

// The particle work alone: spawning, moving and filling the vertex arrays.
void BM_Particles1000_Prepare(benchmark::State& state) {
  SeedRandom(1);
  auto e = FullEmitter();
  uint32_t now = GetTickMs();
  e->Prepare(now, 1.0f, 1.0f, 1.0f);
  const uint64_t before = g_allocations.load();
  int live = 0;
  for (auto _ : state) {
    now += 16;
    e->Prepare(now, 1.0f, 1.0f, 1.0f);
    live += e->vertex_count / ParticleEmitter::kVerticesPerParticle;
  }
  ReportAllocations(state, before);
  state.counters["particles_per_frame"] =
      benchmark::Counter(static_cast<double>(live) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Particles1000_Prepare)->Unit(benchmark::kMicrosecond);

// One whole frame: begin, the emitter's single draw call, finish.
void BM_Particles1000_Frame(benchmark::State& state) {
  if (!texrender::EnsureContext()) {
    state.SkipWithError("no GL context");
    return;
  }
  SeedRandom(1);
  auto e = FullEmitter();
  texrender::BeginFrame();
  e->Draw(640.0f, 360.0f);
  glFinish();
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    texrender::BeginFrame();
    e->Draw(640.0f, 360.0f);
    glFinish();
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_Particles1000_Frame)->Unit(benchmark::kMillisecond);

struct BenchRow : GLScrollBoxItem {
  explicit BenchRow(int i) : GLScrollBoxItem(48), shade(0.3f + 0.05f * static_cast<float>(i % 10)) {}
  int Draw() override {
    GLSurface::Instance()->FillRect(1, m_left, m_top, m_right, m_bottom - 1, shade, shade, 0.6f, 1.0f, 0, 0, 0, 1);
    return 1;
  }
  float shade;
};

struct Sink : ZBEventReceiver {
  void OnEvent(ZBEventCtrl*) override {}
};

// Launches a fast glide from the middle of the list.
void Fling(GLScrollBox& box) {
  ZBScrollMoving& s = box.m_scroller;
  s.m_offset = -box.Range() / 2;
  s.m_last_x = 400, s.m_last_y = 300;
  s.m_touch_down_time = GetTickMs() - 1000;
  s.m_samples[0] = s.m_samples[1] = s.m_samples[2] = 3000.0;
  s.m_sample_count = 3;
  s.m_last_step = (s.m_last_step > 0) ? -1 : 1;  // alternate directions
  s.EndDrag();
}

// A 100-row list drawn while it glides (layout walk, visible rows, bar).
void BM_ScrollList100_Frame(benchmark::State& state) {
  if (!texrender::EnsureContext()) {
    state.SkipWithError("no GL context");
    return;
  }
  GLScrollBox box;
  Sink sink;
  box.m_receiver = &sink;
  box.Setup(300, 100, 900, 620);
  for (int i = 0; i < 100; ++i) box.AddItem(new BenchRow(i));
  box.OnTouchDown(0, 400, 300);  // the anchor keeps the bar on
  box.OnTouchUp(0, 400, 300);
  Fling(box);
  const uint64_t before = g_allocations.load();
  int flings = 0;
  for (auto _ : state) {
    if (!box.m_scroller.IsGliding()) {
      Fling(box);
      ++flings;
    }
    texrender::BeginFrame();
    box.Draw();
    glFinish();
  }
  ReportAllocations(state, before);
  state.counters["flings"] = flings;
}
BENCHMARK(BM_ScrollList100_Frame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
