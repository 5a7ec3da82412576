#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "framework/ZBSingleton.h"

struct ZBTHREAD_PARAM_HEADER;
class ZBThread;

// Creates the operating-system threads behind ZBThread, and keeps the objects of
// threads that End had to abandon so they stay valid until those threads finish.
class ZBThreadManager : public ZBSingleton<ZBThreadManager> {
 public:
  ZBThreadManager() = default;
  virtual ~ZBThreadManager() = default;

  // Starts a thread running ZBThread::Trampoline(param). Returns its handle (owned by
  // the caller) and stores a process-unique non-zero id, or returns null after logging.
  std::thread* spawn(std::shared_ptr<ZBTHREAD_PARAM_HEADER> param, uint32_t* out_thread_id);

  int32_t HasSpawned() const { return m_spawned.load(); }

  // Tests: the next `count` spawns fail as if the system refused a new thread.
  void FailNextSpawns(int count) { m_fail_spawns.store(count); }

  // Keeps an abandoned thread object (and anything reachable from it) alive for good.
  static void KeepAbandoned(ZBThread* thread);

 private:
  std::atomic<int32_t> m_spawned{0};
  std::atomic<int> m_fail_spawns{0};
};
