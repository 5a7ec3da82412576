#pragma once
#include <cstdint>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"

struct TimerEntry;
// Called as callback(user data, record) on the main thread.
using TimerCallback = void (*)(void* user_data, TimerEntry* entry);

// A frame-driven timer. Allocated with `new` by its owner; the manager owns it once added.
struct TimerEntry {
  uint32_t tag = 0;                 // the owner's own word; not used by the manager
  int32_t remove_after_firing = 0;  // 1: removed and freed right after it fires
  uint32_t interval = 0;            // milliseconds
  uint32_t tag2 = 0;                // the owner's own word; not used by the manager
  uint32_t start_time = 0;          // millisecond clock; the owner resets it to re-arm
  TimerCallback callback = nullptr;
  void* user_data = nullptr;
};

// Timer list ticked once per frame on the main thread. A timer fires in the first tick
// in which more than its interval has passed since its start time; one without the
// remove flag fires again on every later tick until its start time is reset or it is
// removed.
class ZBTimer_manager : public ZBObject, public ZBSingleton<ZBTimer_manager> {
 public:
  ZBTimer_manager();
  ~ZBTimer_manager() override;  // frees every listed record without calling it

  int Initialize() { return 1; }
  // Adds a record (the manager owns it from here). Returns 0 for null.
  int AddTimer(TimerEntry* entry);
  // Convenience: a new record started now.
  TimerEntry* AddTimer(uint32_t interval_ms, bool remove_after_firing, TimerCallback callback, void* user_data);
  // Removes and frees a listed record (also from inside a callback). Returns 0 when it
  // is not listed.
  int RemoveTimer(TimerEntry* entry);
  // The per-frame step (main thread).
  void Tick();

  int Count();

 private:
  CriticalSection m_lock;
  std::vector<TimerEntry*> m_timers;  // removed slots are null until the tick compacts
  bool m_ticking = false;
};
