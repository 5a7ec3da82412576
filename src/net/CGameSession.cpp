#include "net/CGameSession.h"

#include <cstring>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/ZBThread.h"
#include "net/IConnectingIndicator.h"

CGameSession::CGameSession(int index, ISessionOwner* owner) : m_owner(owner), m_session_index(index) {
  m_server_info.Clear();
  m_server_info.SetKind(index);
  m_reply = new VXType_async_send_token();
  Initialize();
}

CGameSession::~CGameSession() {
  ReleaseConnection();
  ZBSafeRelease(m_reply);
}

int CGameSession::ProcessEvent(uint32_t heartbeat_ms) {
  ZBClientSocket::ProcessEvent(heartbeat_ms);
  return 1;
}

int CGameSession::Connect(const char* host_in, int port, bool show_indicator) {
  if (IsConnected()) return 1;
  // The host may sit in this session's own server info; copy it (bounded: a dotted
  // address fits in 16 bytes) before anything is reset.
  char host[16] = {};
  if (host_in) std::memcpy(host, host_in, strnlen(host_in, sizeof(host) - 1));
  Log(LOG_TRACE, "CGameSession::Connect %s:%d", host, port);
  if (show_indicator) ConnectingIndicator().Show(kIndicatorTimeoutMs);
  Initialize();
  // The socket reads at most 16 bytes of the host and refuses anything longer.
  int r = ZBClientSocket::Connect(host_in, port, kConnectTimeoutSeconds);
  if (r) {
    SleepMs(10);
    SetKey(kSessionKey);
  }
  if (show_indicator) ConnectingIndicator().Stop();
  return r;
}

void CGameSession::Reset() {
  CSGuard rl(&m_recv_lock);
  m_connect_notified.store(0);
  m_logged_in.store(0);
  m_reserved = 0;
  m_enter_time.store(0);
  m_server_info.Clear();
  m_server_info.SetKind(m_session_index);
  ZBClientSocket::Close();
  ReleaseConnection();
}

void CGameSession::ResetKeepingServer() {
  CSGuard rl(&m_recv_lock);
  ServerInfo saved = m_server_info;
  Reset();
  Initialize();
  m_server_info = saved;
  m_server_info.SetKind(m_session_index);
}

int CGameSession::CloseAndWait() {
  if (IsConnected()) {
    OnClose();
    OnClose();
    const uint32_t start = GetTickMs();
    while (IsConnected() && TicksSince(start) < kCloseWaitMs && !ZBThread::StopRequested()) SleepMs(10);
  } else {
    SetLoggedIn(false);
  }
  return 1;
}

int CGameSession::OnConnect() {
  m_connect_notified.store(1);
  if (m_owner)
    m_owner->OnSessionConnect(this);
  else
    Log(LOG_TRACE, "GameLogic::OnConnect(%d)", m_session_index);
  return ZBClientSocket::OnConnect();
}

int CGameSession::OnClose() {
  CSGuard rl(&m_recv_lock);
  Reset();
  if (m_waiting.load() && !m_sync_wait.load()) {
    // The outstanding asynchronous request is abandoned: no callback.
    m_awaited_id.store(0);
    m_waiting.store(0);
    ConnectingIndicator().Stop();
    m_reply_callback = nullptr;
    m_reply_user_data = nullptr;
  }
  if (m_owner)
    m_owner->OnSessionClose(this);
  else
    Log(LOG_TRACE, "GameLogic::OnClose(%d)", m_session_index);
  ZBClientSocket::Close();
  return 1;
}

int CGameSession::OnAppPacket(Packet* packet) {
  CSGuard rl(&m_recv_lock);
  if (m_waiting.load() && packet->id == m_awaited_id.load()) {
    m_awaited_id.store(0);
    if (m_sync_wait.load()) {
      Packet& r = m_reply->packet;
      r.length = packet->length < kPacketHeaderSize ? kPacketHeaderSize : packet->length;
      r.id = packet->id;
      std::memcpy(r.payload, packet->payload, sizeof(r.payload));
      r.read_pos = packet->read_pos;
      r.write_len = packet->write_len;
      // Cleared last: the waiting thread reads the reply as soon as it sees this.
      m_waiting.store(0);
      return 1;
    }
    m_waiting.store(0);
    ConnectingIndicator().Stop();
    if (m_reply_user_data && m_reply_callback) {
      m_reply_callback(m_reply_user_data, packet);
      return 1;
    }
  }
  if (m_busy.load()) return 1;  // a background sequence owns the session: dropped
  return m_owner ? m_owner->ProcessPacket(packet) : 1;
}

int CGameSession::SendAndWait(Packet& packet, uint32_t timeout_ms, bool show_indicator) {
  if (!IsConnected()) {
    m_waiting.store(0);
    return 0;
  }
  uint32_t start;
  {
    // Registered and sent under the receive lock, so a thread pumping this session
    // cannot see the reply before the request is recorded.
    CSGuard rl(&m_recv_lock);
    if (m_waiting.load()) return 0;
    m_sync_wait.store(1);
    m_awaited_id.store(packet.id);
    m_reply->Clear();
    m_reply_callback = nullptr;
    m_reply_user_data = nullptr;
    m_waiting.store(1);
    if (SendPacket(&packet, 0) <= 0) {
      m_waiting.store(0);
      return 0;
    }
    start = GetTickMs();
  }

  bool shown = false;
  int result = 0;
  for (bool first = true;; first = false) {
    if (!IsConnected()) {
      CSGuard rl(&m_recv_lock);
      result = m_waiting.load() ? 0 : 1;
      m_awaited_id.store(0);
      m_waiting.store(0);
      break;
    }
    {
      // The owner sees what this pump dispatches only under its dispatch lock (taken
      // before the receive lock, the order every pumping thread keeps).
      CSGuard dl(m_owner ? m_owner->DispatchLock() : nullptr);
      ProcessEvent(60000);
    }
    if (first && show_indicator) {
      ConnectingIndicator().Show(kIndicatorTimeoutMs);
      shown = true;
    }
    // A reply taken in this pump wins over a time-out measured after it.
    if (!m_waiting.load()) {
      result = 1;
      break;
    }
    // The thread's owner is shutting down: give up as if the time-out had passed.
    if (TicksSince(start) > timeout_ms || ZBThread::StopRequested()) {
      CSGuard rl(&m_recv_lock);
      result = m_waiting.load() ? 0 : 1;
      m_awaited_id.store(0);
      m_waiting.store(0);
      break;
    }
    SleepMs(10);
    if (!m_waiting.load()) {
      result = 1;
      break;
    }
  }
  if (shown) ConnectingIndicator().Stop();
  return result;
}

int CGameSession::SendAsync(Packet& packet, void* user_data, SessionReplyCallback callback) {
  // The receive lock is held across the send and the registration, so the reply cannot
  // be dispatched by another thread before it is recognised as the reply.
  CSGuard rl(&m_recv_lock);
  if (SendPacket(&packet, 0) <= 0) return 0;
  m_sync_wait.store(0);
  m_awaited_id.store(packet.id);
  m_reply->Clear();
  m_reply_callback = callback;
  m_reply_user_data = user_data;
  m_send_time.store(GetTickMs());
  m_waiting.store(1);
  ConnectingIndicator().Show(kIndicatorTimeoutMs);
  return 1;
}

int CGameSession::SendNoWait(Packet& packet) { return SendPacket(&packet, 0) > 0 ? 1 : 0; }

int GamePacketThreadSession::OnAppPacket(Packet* packet) {
  if (IsWaiting() && packet->id == AwaitedId()) return CGameSession::OnAppPacket(packet);
  return 1;
}

IGameSession* CreateGameSession(int index, ISessionOwner* owner) { return new CGameSession(index, owner); }
