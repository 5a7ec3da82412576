#pragma once
#include <cstdint>

// The 32-bit millisecond tick used for every interval: wraps, so intervals are taken
// as unsigned differences (now - then).
uint32_t GetTickMs();
inline uint32_t TicksSince(uint32_t then) { return GetTickMs() - then; }

// Sleeps the calling thread.
void SleepMs(uint32_t ms);

// Tests replace the tick source to step time by hand; nullptr restores the real clock.
using TickSourceFn = uint32_t (*)();
void SetTickSource(TickSourceFn fn);
// Tests may also make SleepMs return at once.
void SetSleepEnabled(bool enabled);
