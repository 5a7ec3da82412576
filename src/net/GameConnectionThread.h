#pragma once
#include <cstdint>
#include <deque>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"

class CGameSession;
// Completion of a background connect: callback(object, session), on the main thread;
// the session says whether it connected.
using ConnectionCallback = void (*)(void* object, CGameSession* session);

// A queue for connecting a session in the background: the per-frame step hands at most
// one request per frame to a runner job, which re-prepares the session and connects it
// to its own server info.
class GameConnectionThread : public ZBObject, public ZBSingleton<GameConnectionThread> {
 public:
  struct Request {
    CGameSession* session = nullptr;
    int32_t show_indicator = 0;
    ConnectionCallback callback = nullptr;
    void* callback_object = nullptr;
  };

  GameConnectionThread() = default;
  ~GameConnectionThread() override;

  // Queues a connect of `session` (any thread). Returns 1 when queued.
  int PostConnect(CGameSession* session, bool show_indicator, ConnectionCallback callback, void* object);
  // The per-frame step (main thread): the first queued request becomes a runner job.
  void DispatchRequests();
  int RequestCount();

  // The job itself, as run on a runner worker (exposed for tests); it calls nobody.
  static void RunRequest(const Request& request);

 private:
  static void JobFunction(void* object, void* argument);
  static void JobDone(void* object, void* argument, int32_t end);

  CriticalSection m_lock;
  std::deque<Request*> m_queue;
};
