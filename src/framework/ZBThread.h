#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class ZBThread;

// Start record handed to a new thread. It is shared between the thread and its owner,
// so a thread that outlives its owner's wait (see ZBThread::End) still has a valid
// record to report its end to.
struct ZBTHREAD_PARAM_HEADER {
  virtual ~ZBTHREAD_PARAM_HEADER() = default;

  ZBThread* owner = nullptr;
  // 1 while the owner wants the thread to go on; long Run bodies poll it and stop early.
  std::atomic<int32_t> running{1};

  // Hand-over of the thread's end to its owner.
  std::mutex end_lock;
  std::condition_variable end_signal;
  bool finished = false;   // the thread has left Run and touches its owner no more
  bool abandoned = false;  // the owner stopped waiting: the thread must not touch it
};

// Thread wrapper: Begin starts one operating-system thread that calls Run once; End asks
// it to stop and waits for it. The object may be started again after its thread ended.
//
// End waits at most kEndWaitMs. A thread still inside Run after that cannot be killed
// safely here, so it is logged, detached and left to finish on its own; the base class
// then never touches the owner again, and WasAbandoned() tells the owner to keep the
// object (and whatever Run uses) alive rather than free it.
//
// Subclasses must call End() in their own destructor: by the time ~ZBThread runs, the
// subclass part that Run uses is already gone.
class ZBThread {
 public:
  static constexpr uint32_t kEndWaitMs = 1000;

  ZBThread() = default;
  ZBThread(const ZBThread&) = delete;
  ZBThread& operator=(const ZBThread&) = delete;
  virtual ~ZBThread();

  // Runs on the new thread. `param` stays valid for the whole call.
  virtual int Run(ZBTHREAD_PARAM_HEADER* param) = 0;

  // Starts the thread; 1 on success, 0 when it could not be started (or is still running).
  int Begin();
  // Asks the thread to stop and waits for it (see above); returns 1.
  int End();
  // Asks the thread to stop without waiting (End still has to be called to join it), so
  // an owner can tell several threads at once before it waits for each.
  void RequestStop();

  // True when the calling thread is a ZBThread whose owner asked it to stop. Blocking
  // waits that may run on a worker (connects, request/reply waits) poll this and give
  // up early, so shutdown does not wait out their time-outs. False on other threads.
  static bool StopRequested();

  // 0 never started, 1 started, 3 ended.
  int32_t State() const { return m_state.load(); }
  int32_t IsRunning() const { return m_running.load(); }
  // Id of the running thread, 0 when none.
  uint32_t ThreadId() const { return m_state.load() == 1 ? m_thread_id : 0; }
  // True once End gave up waiting for this object's thread.
  bool WasAbandoned() const { return m_abandoned; }

  // Thread entry used by ZBThreadManager::spawn.
  static void Trampoline(std::shared_ptr<ZBTHREAD_PARAM_HEADER> param);

 private:
  void ReleaseFinishedThread();

  std::atomic<int32_t> m_running{0};
  std::thread* m_thread = nullptr;  // the handle; null when no thread
  uint32_t m_thread_id = 0;
  std::atomic<int32_t> m_state{0};
  std::shared_ptr<ZBTHREAD_PARAM_HEADER> m_param;
  bool m_abandoned = false;
};
