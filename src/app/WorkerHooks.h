#pragma once
#include <atomic>
#include <functional>

#include "app/GameHooks.h"

// The framework's background workers behind IWorkerHooks: the timer list, the job
// runner and the download queue, advanced together once per frame on the main thread.
class WorkerHooks : public IWorkerHooks {
 public:
  ~WorkerHooks() override;

  // Creates the timer manager, the runner's workers and the download worker.
  void Start() override;
  // Main thread, once per frame, in order: timers, runner, downloads (then the
  // connection and packet queues).
  void FrameStep() override;
  // Runs `job` on a runner worker. Before Start and after Shutdown it is dropped.
  void QueueJob(std::function<void()> job) override;
  // Destroys the timer manager and the download service, then the runner (which waits
  // for running jobs, see ZBThread::End).
  void Shutdown() override;

  bool Started() const { return m_started.load(); }

 private:
  std::atomic<bool> m_started{false};  // QueueJob may be called from a runner worker
};
