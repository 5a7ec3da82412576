#include "framework/ZBThread_runner.h"

#include "framework/Log.h"
#include "framework/ZBThreadManager.h"

ZBThread_runner_thread::~ZBThread_runner_thread() { End(); }

int ZBThread_runner_thread::Run(ZBTHREAD_PARAM_HEADER* /*param*/) {
  RunnerJob* job = m_job;
  if (!job) return 1;
  if (job->object && job->function) job->function(job->object, job->argument);
  job->state.store(2);
  return 1;
}

ZBThread_runner::ZBThread_runner() {
  m_jobs.reserve(16);
  m_finished.reserve(16);
}

ZBThread_runner::~ZBThread_runner() {
  // Workers first, without the lock: a running job may still be queuing another one.
  // Every running job is told to stop before the first wait, so they wind down together
  // (their waits poll ZBThread::StopRequested) instead of one after another.
  for (ZBThread_runner_thread* w : m_workers) {
    if (w) w->RequestStop();
  }
  RunnerJob* kept_jobs[kWorkerCount] = {};
  for (int i = 0; i < kWorkerCount; ++i) {
    ZBThread_runner_thread* w = m_workers[i];
    m_workers[i] = nullptr;
    if (!w) continue;
    w->End();
    if (w->WasAbandoned()) {
      // Its thread still runs the job: both stay alive for it.
      kept_jobs[i] = w->m_job;
      ZBThreadManager::KeepAbandoned(w);
    } else {
      delete w;
    }
  }
  std::vector<RunnerJob*> jobs;
  {
    CSGuard g(&m_lock);
    jobs.swap(m_jobs);
  }
  for (RunnerJob* job : jobs) {
    bool kept = false;
    for (RunnerJob* k : kept_jobs) kept = kept || (k == job);
    if (kept) continue;
    if (job->done) job->done(job->object, job->argument, kRunnerJobDiscarded);
    delete job;
  }
}

int ZBThread_runner::StartWorkers() {
  ZBThreadManager::Instance();  // created here, on the main thread, before any spawn
  CSGuard g(&m_lock);
  for (auto& w : m_workers) {
    if (!w) w = new ZBThread_runner_thread();
  }
  return 1;
}

int ZBThread_runner::AddJob(RunnerJob* job) {
  if (!job) return 0;
  CSGuard g(&m_lock);
  job->worker_index = -1;
  job->state.store(0);
  m_jobs.push_back(job);
  return 1;
}

int ZBThread_runner::FindFreeWorker() {
  for (int i = 0; i < kWorkerCount; ++i) {
    if (!m_workers[i]) {
      m_workers[i] = new ZBThread_runner_thread();
      return i;
    }
    if (m_workers[i]->State() != 1) return i;
  }
  return -1;
}

void ZBThread_runner::ProcessJobs() {
  if (m_in_process) return;  // a `done` function called back into the step
  m_in_process = true;
  {
    CSGuard g(&m_lock);
    size_t keep = 0;
    for (size_t i = 0; i < m_jobs.size(); ++i) {
      RunnerJob* job = m_jobs[i];
      const int32_t state = job->state.load();
      if (state == 2) {
        m_finished.push_back(job);
        continue;
      }
      if (state == 0) {
        const int slot = FindFreeWorker();
        if (slot >= 0) {
          ZBThread_runner_thread* w = m_workers[slot];
          job->state.store(1);
          job->worker_index = slot;
          w->m_job = job;
          if (!w->Begin()) {
            job->worker_index = -1;
            job->state.store(2);
          }
        }
      }
      m_jobs[keep++] = job;
    }
    m_jobs.resize(keep);
  }
  // Outside the lock, so `done` may queue further jobs.
  for (RunnerJob* job : m_finished) {
    if (job->done) job->done(job->object, job->argument, job->worker_index < 0 ? kRunnerJobNotStarted : kRunnerJobFinished);
    delete job;
  }
  m_finished.clear();
  m_in_process = false;
}

int ZBThread_runner::JobCount() {
  CSGuard g(&m_lock);
  return static_cast<int>(m_jobs.size());
}

int ZBThread_runner::BusyWorkerCount() {
  CSGuard g(&m_lock);
  int n = 0;
  for (auto* w : m_workers) n += (w && w->State() == 1) ? 1 : 0;
  return n;
}
