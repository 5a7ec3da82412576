#include "framework/ZBTimer_manager.h"

#include <algorithm>

#include "framework/Clock.h"

ZBTimer_manager::ZBTimer_manager() { m_timers.reserve(8); }

ZBTimer_manager::~ZBTimer_manager() {
  CSGuard g(&m_lock);
  for (TimerEntry* t : m_timers) delete t;
  m_timers.clear();
}

int ZBTimer_manager::AddTimer(TimerEntry* entry) {
  if (!entry) return 0;
  CSGuard g(&m_lock);
  m_timers.push_back(entry);
  return 1;
}

TimerEntry* ZBTimer_manager::AddTimer(uint32_t interval_ms, bool remove_after_firing, TimerCallback callback,
                                      void* user_data) {
  auto* t = new TimerEntry();
  t->interval = interval_ms;
  t->remove_after_firing = remove_after_firing ? 1 : 0;
  t->callback = callback;
  t->user_data = user_data;
  t->start_time = GetTickMs();
  AddTimer(t);
  return t;
}

int ZBTimer_manager::RemoveTimer(TimerEntry* entry) {
  if (!entry) return 0;
  CSGuard g(&m_lock);
  auto it = std::find(m_timers.begin(), m_timers.end(), entry);
  if (it == m_timers.end()) return 0;
  delete entry;
  if (m_ticking) {
    *it = nullptr;  // the tick in progress compacts the list when it ends
  } else {
    m_timers.erase(it);
  }
  return 1;
}

void ZBTimer_manager::Tick() {
  // The lock is held over the walk so other threads' changes wait; callbacks run on
  // this thread and may add or remove timers (the lock is re-entrant).
  CSGuard g(&m_lock);
  if (m_ticking) return;
  m_ticking = true;
  const uint32_t now = GetTickMs();
  for (size_t i = 0; i < m_timers.size(); ++i) {
    TimerEntry* t = m_timers[i];
    if (!t || now - t->start_time <= t->interval) continue;
    if (t->callback) t->callback(t->user_data, t);
    // The callback may have removed the record itself.
    if (i < m_timers.size() && m_timers[i] == t && t->remove_after_firing) {
      delete t;
      m_timers[i] = nullptr;
    }
  }
  m_timers.erase(std::remove(m_timers.begin(), m_timers.end(), nullptr), m_timers.end());
  m_ticking = false;
}

int ZBTimer_manager::Count() {
  CSGuard g(&m_lock);
  return static_cast<int>(std::count_if(m_timers.begin(), m_timers.end(), [](TimerEntry* t) { return t != nullptr; }));
}
