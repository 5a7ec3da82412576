#include "framework/ZBThread.h"

#include <chrono>

#include "framework/Log.h"
#include "framework/ZBThreadManager.h"

namespace {
// The start record of the ZBThread running on this thread, null on other threads.
thread_local ZBTHREAD_PARAM_HEADER* t_current = nullptr;
}  // namespace

ZBThread::~ZBThread() { End(); }

bool ZBThread::StopRequested() { return t_current && t_current->running.load() == 0; }

void ZBThread::RequestStop() {
  m_running.store(0);
  if (m_param) m_param->running.store(0);
}

void ZBThread::Trampoline(std::shared_ptr<ZBTHREAD_PARAM_HEADER> param) {
  ZBThread* owner = nullptr;
  {
    std::lock_guard<std::mutex> g(param->end_lock);
    if (!param->abandoned) owner = param->owner;
  }
  t_current = param.get();
  if (owner) owner->Run(param.get());
  t_current = nullptr;
  {
    std::lock_guard<std::mutex> g(param->end_lock);
    // The owner is only touched while it still waits for (or has not yet asked about)
    // this thread; once abandoned it may be gone.
    if (!param->abandoned) param->owner->m_state.store(3);
    param->finished = true;
  }
  param->end_signal.notify_all();
}

void ZBThread::ReleaseFinishedThread() {
  // The previous thread has left Run (state 3): joining only waits for its last steps.
  if (!m_thread) return;
  if (m_thread->joinable()) m_thread->join();
  delete m_thread;
  m_thread = nullptr;
}

int ZBThread::Begin() {
  if (m_thread && m_state.load() == 1) {
    Log(LOG_WARNING, "[WARNING]: ZBThread::Begin | thread (0x%X) is still running", m_thread_id);
    return 0;
  }
  ReleaseFinishedThread();
  auto param = std::make_shared<ZBTHREAD_PARAM_HEADER>();
  param->owner = this;
  m_param = param;
  m_running.store(1);
  m_abandoned = false;
  // Marked started before the thread exists, so a thread that ends at once cannot have
  // its "ended" overwritten by a late "started".
  const int32_t previous = m_state.exchange(1);
  uint32_t id = 0;
  std::thread* t = ZBThreadManager::Instance()->spawn(param, &id);
  if (!t) {
    m_state.store(previous == 1 ? 3 : previous);
    m_param.reset();
    m_running.store(0);
    Log(LOG_TRACE, "ZBThread::Begin() Failed : ZBThreadManager->spawn() Failed");
    return 0;
  }
  m_thread = t;
  m_thread_id = id;
  return 1;
}

int ZBThread::End() {
  m_running.store(0);
  std::shared_ptr<ZBTHREAD_PARAM_HEADER> param = std::move(m_param);
  if (param) param->running.store(0);
  if (m_thread) {
    if (m_thread->get_id() == std::this_thread::get_id()) {
      // Asked from inside Run: the thread cannot wait for itself. It ends when Run returns.
      if (param) m_param = std::move(param);
      return 1;
    }
    bool finished = true;
    if (param) {
      std::unique_lock<std::mutex> lk(param->end_lock);
      finished = param->end_signal.wait_for(lk, std::chrono::milliseconds(kEndWaitMs),
                                            [&] { return param->finished; });
      if (!finished) param->abandoned = true;
    }
    if (finished) {
      if (m_thread->joinable()) m_thread->join();
    } else {
      Log(LOG_WARNING, ">> [WARNING]: Thread (0x%X) Forced to Terminate!\n", m_thread_id);
      m_thread->detach();
      m_abandoned = true;
    }
    delete m_thread;
    m_thread = nullptr;
  }
  m_state.store(3);
  m_thread_id = 0;
  return 1;
}
