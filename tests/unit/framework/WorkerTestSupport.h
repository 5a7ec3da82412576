#pragma once
// Helpers shared by the thread, runner, timer and download tests.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Clock.h"
#include "framework/Log.h"

namespace worker_test {

// A one-way gate: threads wait until the test opens it.
class Gate {
 public:
  void Open() {
    {
      std::lock_guard<std::mutex> g(m_lock);
      m_open = true;
    }
    m_cv.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lk(m_lock);
    m_cv.wait(lk, [&] { return m_open; });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_cv;
  bool m_open = false;
};

// Calls `step` (a frame) every millisecond until `done` holds or `limit_ms` passed.
inline bool PumpUntil(const std::function<void()>& step, const std::function<bool()>& done,
                      uint32_t limit_ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    step();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Collects every log line while alive.
class LogCapture {
 public:
  LogCapture() { LogSetObserver(&LogCapture::Observe, this); }
  ~LogCapture() { LogSetObserver(nullptr, nullptr); }
  std::vector<std::pair<uint32_t, std::string>> Lines() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_lines;
  }
  bool Has(uint32_t level, const std::string& text) {
    for (auto& [l, t] : Lines())
      if (l == level && t == text) return true;
    return false;
  }
  bool Contains(const std::string& part) {
    for (auto& [l, t] : Lines())
      if (t.find(part) != std::string::npos) return true;
    return false;
  }

 private:
  static void Observe(uint32_t level, const char* text, void* user) {
    auto* self = static_cast<LogCapture*>(user);
    std::lock_guard<std::mutex> g(self->m_lock);
    self->m_lines.emplace_back(level, text);
  }
  std::mutex m_lock;
  std::vector<std::pair<uint32_t, std::string>> m_lines;
};

}  // namespace worker_test
