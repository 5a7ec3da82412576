#include "app/WorkerHooks.h"

#include "framework/Log.h"
#include "framework/RunnerJob.h"
#include "framework/ZBThread_runner.h"
#include "framework/ZBTimer_manager.h"
#include "framework/ZBWebDownload.h"
#include "net/GameConnectionThread.h"
#include "net/GamePacketThread.h"

namespace {

using Closure = std::function<void()>;

void RunClosure(void* /*object*/, void* argument) {
  Closure& fn = *static_cast<Closure*>(argument);
  if (fn) fn();
}

void FreeClosure(void* /*object*/, void* argument, int32_t /*end*/) { delete static_cast<Closure*>(argument); }

}  // namespace

WorkerHooks::~WorkerHooks() { Shutdown(); }

void WorkerHooks::Start() {
  if (m_started) return;
  ZBTimer_manager::Instance()->Initialize();
  ZBThread_runner::Instance()->StartWorkers();
  ZBWebDownload::Instance()->StartWorker();
  GameConnectionThread::Instance();  // created here, on the main thread
  GamePacketThread::Instance();
  m_started = true;
}

void WorkerHooks::FrameStep() {
  if (!m_started) return;
  ZBTimer_manager::Instance()->Tick();
  ZBThread_runner::Instance()->ProcessJobs();
  ZBWebDownload::Instance()->ProcessRequests();
  GameConnectionThread::Instance()->DispatchRequests();
  GamePacketThread::Instance()->ProcessTokens();
}

void WorkerHooks::QueueJob(std::function<void()> job) {
  // Never creates a runner: after Shutdown a late call from a worker must not bring one back.
  ZBThread_runner* runner = m_started ? ZBThread_runner::InstanceIfAny() : nullptr;
  if (!runner) {
    Log(LOG_WARNING, "[WARNING]: WorkerHooks::QueueJob | workers not running, job dropped");
    return;
  }
  auto* j = new RunnerJob();
  j->argument = new Closure(std::move(job));
  j->function = &RunClosure;
  j->object = this;
  j->done = &FreeClosure;
  runner->AddJob(j);
}

void WorkerHooks::Shutdown() {
  if (!m_started.exchange(false)) return;
  ZBTimer_manager::DestroyInstance();
  ZBWebDownload::DestroyInstance();
  // Before the runner whose workers their jobs use.
  GamePacketThread::DestroyInstance();
  GameConnectionThread::DestroyInstance();
  ZBThread_runner::DestroyInstance();
}
