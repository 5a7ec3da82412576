#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "net/IGameSession.h"
#include "net/Packet.h"
#include "net/ServerInfo.h"

class VXType_packet_thread_token;
// Completion of a one-shot exchange: callback(object, token), always on the main thread.
// The token's state says how it ended (2 reply received, -1 failed); its packet holds the
// reply on success.
using PacketTokenCallback = void (*)(void* object, VXType_packet_thread_token* token);

// One one-shot exchange: the request (replaced by the reply), where to send it and who
// to tell. Queued by the producer, freed by the packet thread.
class VXType_packet_thread_token : public ZBObject {
 public:
  enum State : int32_t { kFailed = -1, kQueued = 0, kRunning = 1, kReplied = 2, kDelivered = 3 };

  Packet packet;
  char host[255] = {};
  int32_t port = 0;
  int32_t show_indicator = 0;
  std::atomic<int32_t> state{kQueued};
  uint32_t start_time = 0;
  PacketTokenCallback callback = nullptr;
  void* callback_object = nullptr;

  // Main-thread bookkeeping: the queue and the runner job each hold a share; the token
  // is freed when both have let go, so neither side touches freed memory.
  int32_t shares = 0;
};

// Runs one-shot exchanges with a server on a temporary connection each: a runner job
// connects, sends the request, waits for its reply and hangs up; the reply is then
// delivered on the main thread by the per-frame step.
class GamePacketThread : public ZBObject, public ZBSingleton<GamePacketThread> {
 public:
  // Where PostToServiceServer sends: the service server's address block.
  using ServiceServerSource = const ServerInfo* (*)();

  static constexpr uint32_t kReplyTimeoutMs = 15000;

  GamePacketThread();
  ~GamePacketThread() override;

  // Queues an exchange (any thread). Returns 1 when queued.
  int PostOneShot(const char* host, int port, const Packet& packet, PacketTokenCallback callback, void* object,
                  bool show_indicator);
  // The same with the service server's host and port.
  int PostToServiceServer(const Packet& packet, PacketTokenCallback callback, void* object, bool show_indicator);

  // The per-frame step (main thread): starts queued exchanges on the runner, delivers
  // replies (to the callback, or to the global dispatch when there is none) and failures
  // (to the callback only), frees finished tokens.
  void ProcessTokens();

  // Tokens in the queue (any state).
  int TokenCount();

  // Wiring done by the program at start-up.
  // The lock every exchange passes once before it starts (the game's frame lock).
  static void SetFrameBarrier(CriticalSection* barrier);
  // Receives replies that have no callback (the game's global dispatch).
  static void SetDispatchOwner(ISessionOwner* owner);
  static void SetServiceServerSource(ServiceServerSource source);

  // The exchange itself, as run on a runner worker (exposed for tests).
  static void RunToken(VXType_packet_thread_token* token);

 private:
  static void JobFunction(void* object, void* argument);
  static void JobDone(void* object, void* argument, int32_t end);
  static void DropShare(VXType_packet_thread_token* token);

  CriticalSection m_lock;      // guards the queue
  CriticalSection m_lock_aux;  // the second lock: held while tokens are delivered
  std::vector<VXType_packet_thread_token*> m_queue;
  std::vector<VXType_packet_thread_token*> m_deliver;
  bool m_in_step = false;
};
