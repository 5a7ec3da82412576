#include "framework/ZBThreadManager.h"

#include <mutex>
#include <system_error>
#include <vector>

#include "framework/Log.h"
#include "framework/ZBThread.h"

namespace {
std::atomic<uint32_t> g_next_thread_id{0};
}  // namespace

std::thread* ZBThreadManager::spawn(std::shared_ptr<ZBTHREAD_PARAM_HEADER> param, uint32_t* out_thread_id) {
  m_spawned.store(1);
  int fail = m_fail_spawns.load();
  while (fail > 0 && !m_fail_spawns.compare_exchange_weak(fail, fail - 1)) {
  }
  if (fail > 0) {
    Log(LOG_FATAL, "ZBThreadManager::spawn() : _beginthread() Failed!!");
    return nullptr;
  }
  uint32_t id = g_next_thread_id.fetch_add(1) + 1;
  if (id == 0) id = g_next_thread_id.fetch_add(1) + 1;  // 0 means "no thread"
  try {
    auto* t = new std::thread(&ZBThread::Trampoline, std::move(param));
    if (out_thread_id) *out_thread_id = id;
    return t;
  } catch (const std::system_error&) {
    Log(LOG_FATAL, "ZBThreadManager::spawn() : _beginthread() Failed!!");
    return nullptr;
  }
}

void ZBThreadManager::KeepAbandoned(ZBThread* thread) {
  // Never destroyed: an abandoned thread may still use these objects at process exit.
  static std::mutex* lock = new std::mutex;
  static std::vector<ZBThread*>* kept = new std::vector<ZBThread*>;
  std::lock_guard<std::mutex> g(*lock);
  kept->push_back(thread);
}
