#include "framework/Clock.h"

#include <atomic>
#include <ctime>

namespace {
std::atomic<TickSourceFn> g_tick_source{nullptr};
std::atomic<bool> g_sleep_enabled{true};
}  // namespace

uint32_t GetTickMs() {
  if (TickSourceFn fn = g_tick_source.load(std::memory_order_relaxed)) return fn();
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void SleepMs(uint32_t ms) {
  if (!g_sleep_enabled.load(std::memory_order_relaxed)) return;
  struct timespec ts;
  ts.tv_sec = ms / 1000;
  ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0) {
  }
}

void SetTickSource(TickSourceFn fn) { g_tick_source.store(fn); }
void SetSleepEnabled(bool enabled) { g_sleep_enabled.store(enabled); }
