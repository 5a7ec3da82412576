#pragma once
#include <mutex>

// Re-entrant lock used wherever the client needs a critical section.
using CriticalSection = std::recursive_mutex;

// Enters the given section (when not null) for the guard's lifetime.
class CSGuard {
 public:
  explicit CSGuard(CriticalSection* cs) : m_cs(cs) {
    if (m_cs) m_cs->lock();
  }
  ~CSGuard() {
    if (m_cs) m_cs->unlock();
  }
  CSGuard(const CSGuard&) = delete;
  CSGuard& operator=(const CSGuard&) = delete;

 private:
  CriticalSection* m_cs;
};

// Waits until nobody else holds the section (enter and leave at once).
inline void CSBarrier(CriticalSection& cs) {
  cs.lock();
  cs.unlock();
}
