// One idle frame of the game logic: ProcessFrame + RenderFrame with a created mode
// that draws nothing. Reports the time per frame and the heap allocations per frame
// (counted by replacing the global allocator), which must be zero.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/GameLogic.h"
#include "app/GameMode.h"
#include "framework/Clock.h"
#include "framework/Log.h"

static std::atomic<uint64_t> g_allocations{0};

// The replacements pair malloc with free; gcc cannot see that across the operators.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

class IdleMode : public GameMode {
 public:
  IdleMode() { mode_id = kModeLogin; }
};

void BM_IdleFrame(benchmark::State& state) {
  LogConfig quiet;
  quiet.sinks = 0;
  LogConfigure(quiet);
  IdleMode mode;
  GameLogic logic;
  logic.SetModes(&mode, nullptr, nullptr);
  logic.InitializeGame(nullptr, 1280, 720);
  for (int i = 0; i < 4; ++i) {  // start-up stages, mode created and initialised
    logic.ProcessFrame();
    logic.RenderFrame();
    SleepMs(2);
  }
  uint64_t before = g_allocations.load();
  for (auto _ : state) {
    CSGuard lock(&logic.FrameLock());
    logic.ProcessFrame();
    logic.RenderFrame();
  }
  uint64_t allocs = g_allocations.load() - before;
  state.counters["allocs_per_frame"] =
      benchmark::Counter(static_cast<double>(allocs) / static_cast<double>(state.iterations()));
  if (mode.init_processed != 1) state.SkipWithError("mode did not initialise");
}
BENCHMARK(BM_IdleFrame);

}  // namespace

BENCHMARK_MAIN();
