#include "net/GameConnectionThread.h"

#include <cstring>

#include "framework/Log.h"
#include "framework/RunnerJob.h"
#include "framework/ZBThread_runner.h"
#include "net/CGameSession.h"

GameConnectionThread::~GameConnectionThread() {
  CSGuard g(&m_lock);
  for (Request* r : m_queue) delete r;
  m_queue.clear();
}

int GameConnectionThread::PostConnect(CGameSession* session, bool show_indicator, ConnectionCallback callback,
                                      void* object) {
  if (!session) return 0;
  auto* r = new Request{session, show_indicator ? 1 : 0, callback, object};
  CSGuard g(&m_lock);
  m_queue.push_back(r);
  return 1;
}

int GameConnectionThread::RequestCount() {
  CSGuard g(&m_lock);
  return static_cast<int>(m_queue.size());
}

void GameConnectionThread::DispatchRequests() {
  Request* r = nullptr;
  {
    CSGuard g(&m_lock);
    if (m_queue.empty()) return;
    r = m_queue.front();
    m_queue.pop_front();
  }
  auto* job = new RunnerJob();
  job->function = &GameConnectionThread::JobFunction;
  job->object = r;
  job->argument = r;
  job->done = &GameConnectionThread::JobDone;
  ZBThread_runner::Instance()->AddJob(job);
}

void GameConnectionThread::JobFunction(void* /*object*/, void* argument) {
  RunRequest(*static_cast<Request*>(argument));
}

// Main thread, once the runner is done with the job: the request's callback hears how
// the connect went (also when no worker could run it), then the request is freed. A job
// discarded by the runner's teardown calls nobody: its owners are going away.
void GameConnectionThread::JobDone(void* /*object*/, void* argument, int32_t end) {
  auto* r = static_cast<Request*>(argument);
  if (end != kRunnerJobDiscarded && r->callback_object && r->callback) r->callback(r->callback_object, r->session);
  delete r;
}

void GameConnectionThread::RunRequest(const Request& r) {
  CGameSession* s = r.session;
  char host[ServerInfo::kHostSize];
  s->Info().CopyHost(host);
  const int port = s->Info().Port();
  Log(LOG_TRACE, "GameConnectionThread::Thread_run %s:%d", host, port);
  s->ResetKeepingServer();
  s->Connect(host, port, r.show_indicator != 0);
}
