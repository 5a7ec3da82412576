#include "app/GameAfterFrame.h"

#include <mutex>
#include <vector>

namespace {
std::mutex g_lock;
std::vector<std::function<void()>> g_tasks;
}  // namespace

void GameAfterFrame::Post(std::function<void()> task) {
  if (!task) return;
  std::lock_guard<std::mutex> guard(g_lock);
  g_tasks.push_back(std::move(task));
}

size_t GameAfterFrame::Run() {
  std::vector<std::function<void()>> tasks;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_tasks.empty()) return 0;
    tasks.swap(g_tasks);
  }
  for (auto& task : tasks) task();
  return tasks.size();
}

size_t GameAfterFrame::Pending() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_tasks.size();
}

void GameAfterFrame::Clear() {
  std::vector<std::function<void()>> dropped;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    dropped.swap(g_tasks);
  }
}
