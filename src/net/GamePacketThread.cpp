#include "net/GamePacketThread.h"

#include <cstring>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/RunnerJob.h"
#include "framework/ZBThread_runner.h"
#include "net/CGameSession.h"

namespace {
std::atomic<CriticalSection*> g_frame_barrier{nullptr};
std::atomic<ISessionOwner*> g_dispatch_owner{nullptr};
std::atomic<GamePacketThread::ServiceServerSource> g_service_source{nullptr};

void Deliver(VXType_packet_thread_token* t) {
  if (t->callback_object && t->callback) {
    t->callback(t->callback_object, t);
  } else if (ISessionOwner* owner = g_dispatch_owner.load()) {
    owner->ProcessPacket(&t->packet);
  }
}

// A failure is only marked where it is seen (on the worker); the per-frame step then
// delivers it on the main thread like a reply.
void Fail(VXType_packet_thread_token* t) { t->state.store(VXType_packet_thread_token::kFailed); }

// Main thread: a failed exchange reaches its callback once, with the state still -1.
// Without a callback there is nothing to tell (nothing goes to the global dispatch).
void DeliverFailure(VXType_packet_thread_token* t) {
  if (t->callback_object && t->callback) t->callback(t->callback_object, t);
}
}  // namespace

GamePacketThread::GamePacketThread() {
  m_queue.reserve(16);
  m_deliver.reserve(16);
}

GamePacketThread::~GamePacketThread() {
  CSGuard g(&m_lock);
  // Tokens whose job is still with the runner stay alive until the runner lets go.
  for (VXType_packet_thread_token* t : m_queue) DropShare(t);
  m_queue.clear();
}

void GamePacketThread::SetFrameBarrier(CriticalSection* barrier) { g_frame_barrier.store(barrier); }
void GamePacketThread::SetDispatchOwner(ISessionOwner* owner) { g_dispatch_owner.store(owner); }
void GamePacketThread::SetServiceServerSource(ServiceServerSource source) { g_service_source.store(source); }

int GamePacketThread::PostOneShot(const char* host, int port, const Packet& packet, PacketTokenCallback callback,
                                  void* object, bool show_indicator) {
  auto* t = new VXType_packet_thread_token();
  CopyPacket(packet, t->packet, true);
  if (host) std::memcpy(t->host, host, strnlen(host, sizeof(t->host) - 1));
  t->port = port;
  t->show_indicator = show_indicator ? 1 : 0;
  t->callback = callback;
  t->callback_object = object;
  t->shares = 1;  // the queue's
  t->state.store(VXType_packet_thread_token::kQueued);
  CSGuard g(&m_lock);
  m_queue.push_back(t);
  return 1;
}

int GamePacketThread::PostToServiceServer(const Packet& packet, PacketTokenCallback callback, void* object,
                                          bool show_indicator) {
  ServiceServerSource source = g_service_source.load();
  const ServerInfo* info = source ? source() : nullptr;
  if (!info) {
    Log(LOG_TRACE, "[ERROR]: GamePacketThread::PostToServiceServer | no service server");
    return 0;
  }
  // The host field comes from the wire: at most its 16 bytes are taken.
  char host[ServerInfo::kHostSize];
  info->CopyHost(host);
  return PostOneShot(host, info->Port(), packet, callback, object, show_indicator);
}

int GamePacketThread::TokenCount() {
  CSGuard g(&m_lock);
  return static_cast<int>(m_queue.size());
}

void GamePacketThread::ProcessTokens() {
  if (m_in_step) return;  // a delivery called back into the step
  m_in_step = true;
  {
    CSGuard g(&m_lock);
    size_t keep = 0;
    for (size_t i = 0; i < m_queue.size(); ++i) {
      VXType_packet_thread_token* t = m_queue[i];
      switch (t->state.load()) {
        case VXType_packet_thread_token::kQueued: {
          auto* job = new RunnerJob();
          job->function = &GamePacketThread::JobFunction;
          job->object = t;
          job->argument = t;
          job->done = &GamePacketThread::JobDone;
          ++t->shares;  // the job's
          t->state.store(VXType_packet_thread_token::kRunning);
          ZBThread_runner::Instance()->AddJob(job);
          break;
        }
        case VXType_packet_thread_token::kReplied:
        case VXType_packet_thread_token::kFailed:
          m_deliver.push_back(t);
          break;
        case VXType_packet_thread_token::kDelivered:
          DropShare(t);
          continue;  // out of the queue
        default:
          break;
      }
      m_queue[keep++] = t;
    }
    m_queue.resize(keep);
  }
  // Delivered outside the queue lock, so a callback may post the next exchange.
  {
    CSGuard g(&m_lock_aux);
    for (VXType_packet_thread_token* t : m_deliver) {
      if (t->state.load() == VXType_packet_thread_token::kFailed)
        DeliverFailure(t);
      else
        Deliver(t);
      t->state.store(VXType_packet_thread_token::kDelivered);
    }
    m_deliver.clear();
  }
  m_in_step = false;
}

void GamePacketThread::DropShare(VXType_packet_thread_token* t) {
  if (--t->shares <= 0) t->Release();
}

void GamePacketThread::JobFunction(void* /*object*/, void* argument) {
  RunToken(static_cast<VXType_packet_thread_token*>(argument));
}

void GamePacketThread::JobDone(void* /*object*/, void* argument, int32_t end) {
  auto* t = static_cast<VXType_packet_thread_token*>(argument);
  // No worker could run it: it failed, and the next step delivers that.
  if (end == kRunnerJobNotStarted) Fail(t);
  DropShare(t);
}

void GamePacketThread::RunToken(VXType_packet_thread_token* token) {
  // Wait for the frame in progress to end before starting.
  if (CriticalSection* barrier = g_frame_barrier.load()) CSBarrier(*barrier);
  token->start_time = GetTickMs();
  const bool show = token->show_indicator != 0;

  GamePacketThreadSession session;
  session.Info().Clear();
  session.Info().SetKind(3);
  if (!session.Connect(token->host, token->port, show)) {
    Fail(token);
    return;
  }
  if (!session.SendAndWait(token->packet, kReplyTimeoutMs, show)) {
    session.ResetKeepingServer();
    Fail(token);
    return;
  }
  const Packet& reply = session.ReplyBuffer();
  Packet& p = token->packet;
  p.id = reply.id;
  p.length = reply.length < kPacketHeaderSize ? kPacketHeaderSize : reply.length;
  p.enciphered = 0;
  std::memcpy(p.payload, reply.payload, sizeof(p.payload));
  p.read_pos = reply.read_pos;
  p.write_len = reply.write_len;
  session.ResetKeepingServer();
  token->state.store(VXType_packet_thread_token::kReplied);
}
