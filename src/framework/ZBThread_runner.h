#pragma once
#include <cstdint>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/RunnerJob.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "framework/ZBThread.h"

// One runner worker: a thread object reused for one job per thread start.
class ZBThread_runner_thread : public ZBThread {
 public:
  ~ZBThread_runner_thread() override;
  // Calls the job's function (when object and function are set), then marks it finished.
  int Run(ZBTHREAD_PARAM_HEADER* param) override;

  RunnerJob* m_job = nullptr;  // not owned
};

// Background job runner: jobs queue in arrival order and run on at most four worker
// threads at once; the main thread starts queued jobs and frees finished ones once per
// frame (ProcessJobs), calling each job's `done` there.
class ZBThread_runner : public ZBObject, public ZBSingleton<ZBThread_runner> {
 public:
  static constexpr int kWorkerCount = 4;

  ZBThread_runner();
  // Tells every running job to stop, ends the workers (see ZBThread::End), then frees
  // every job still queued.
  ~ZBThread_runner() override;

  // Creates the four worker objects (no threads yet). Returns 1.
  int StartWorkers();
  // Queues a job (from the main thread or a worker); the runner owns it from here.
  // Returns 0 only for a null job.
  int AddJob(RunnerJob* job);
  // The per-frame step (main thread): starts queued jobs on free workers, in queue
  // order, and frees jobs that finished, calling their `done`.
  void ProcessJobs();

  // Jobs in the queue (waiting, running or finished but not yet freed).
  int JobCount();
  // Workers whose thread is running.
  int BusyWorkerCount();

 private:
  int FindFreeWorker();

  CriticalSection m_lock;
  std::vector<RunnerJob*> m_jobs;      // arrival order
  std::vector<RunnerJob*> m_finished;  // taken out by the current ProcessJobs
  ZBThread_runner_thread* m_workers[kWorkerCount] = {};
  bool m_in_process = false;
};
