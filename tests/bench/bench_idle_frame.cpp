// One idle frame of the game logic: ProcessFrame + RenderFrame with a created mode
// that draws nothing. Reports the time per frame and the heap allocations per frame
// (counted by replacing the global allocator), which must be zero.
#include <benchmark/benchmark.h>

#include "bench/AllocationCounter.h"
#include "app/GameLogic.h"
#include "app/GameMode.h"
#include "framework/Clock.h"
#include "framework/Log.h"

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
