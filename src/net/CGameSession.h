#pragma once
#include <atomic>
#include <cstdint>

#include "framework/ZBObject.h"
#include "net/IGameSession.h"
#include "net/Packet.h"
#include "net/ServerInfo.h"
#include "net/ZBClientSocket.h"

// A reference-counted holder of one packet: the reply buffer of a session.
class VXType_async_send_token : public ZBObject {
 public:
  VXType_async_send_token() { Clear(); }
  // Empty: magic set, every other header field, the payload and the cursors 0.
  void Clear() {
    packet.Init(0);
    packet.length = 0;
  }
  Packet packet;
};

// A connection to one of the game's servers. It pairs requests with replies (one
// outstanding request per session, matched by message id), reports connects and closes
// to its owner and hands every other packet to the owner's global dispatch.
class CGameSession : public ZBClientSocket, public IGameSession {
 public:
  static constexpr uint32_t kIndicatorTimeoutMs = 30000;
  static constexpr uint32_t kConnectTimeoutSeconds = 10;
  static constexpr uint32_t kCloseWaitMs = 10000;

  // `owner` may be null: the session then reports to nobody and drops unmatched packets.
  CGameSession(int index, ISessionOwner* owner);
  ~CGameSession() override;

  // IGameSession
  int SessionIndex() const override { return m_session_index; }
  bool IsConnected() const override { return ZBClientSocket::IsConnected(); }
  bool IsLoggedIn() const override { return m_logged_in.load() != 0; }
  void SetLoggedIn(bool v) override { m_logged_in.store(v ? 1 : 0); }
  bool HelloOk() const override { return m_hello_ok.load() != 0; }
  void SetHelloOk(bool v) override { m_hello_ok.store(v ? 1 : 0); }
  bool IsBusy() const override { return m_busy.load() != 0; }
  void SetBusy(bool v) override { m_busy.store(v ? 1 : 0); }
  ServerInfo& Info() override { return m_server_info; }
  uint32_t EnterTime() const override { return m_enter_time.load(); }
  void SetEnterTime(uint32_t t) override { m_enter_time.store(t); }

  int ProcessEvent(uint32_t heartbeat_ms) override;
  // Connects (when not connected already) and switches to the session key. This hides
  // the socket's own Connect (host, port, time-out), which the session calls itself.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
  int Connect(const char* host, int port, bool show_indicator) override;
#pragma GCC diagnostic pop
  // The session's close operation: OnClose.
  void Close() override { OnClose(); }
  int CloseAndWait() override;
  int SendAndWait(Packet& packet, uint32_t timeout_ms, bool show_indicator) override;
  Packet& ReplyBuffer() override { return m_reply->packet; }
  int SendAsync(Packet& packet, void* user_data, SessionReplyCallback callback) override;
  int SendNoWait(Packet& packet) override;

  // Clears the connection state and the server info (kind := index), drops the socket.
  void Reset();
  // Reset, keeping the server info, with the socket layer prepared again.
  void ResetKeepingServer();

  bool ConnectNotified() const { return m_connect_notified.load() != 0; }
  bool IsWaiting() const { return m_waiting.load() != 0; }
  uint16_t AwaitedId() const { return m_awaited_id.load(); }
  uint32_t SendTime() const { return m_send_time.load(); }

  // ZBClientSocket handlers
  int OnAppPacket(Packet* packet) override;
  int OnClose() override;
  int OnConnect() override;

 protected:
  ISessionOwner* m_owner;

 private:
  int32_t m_session_index = -1;
  std::atomic<int32_t> m_hello_ok{0};
  std::atomic<int32_t> m_connect_notified{0};
  std::atomic<int32_t> m_logged_in{0};
  std::atomic<int32_t> m_busy{0};
  int32_t m_reserved = 0;
  std::atomic<int32_t> m_sync_wait{0};
  std::atomic<uint16_t> m_awaited_id{0};
  std::atomic<int32_t> m_waiting{0};
  std::atomic<uint32_t> m_send_time{0};
  VXType_async_send_token* m_reply = nullptr;
  SessionReplyCallback m_reply_callback = nullptr;
  void* m_reply_user_data = nullptr;
  ServerInfo m_server_info;
  std::atomic<uint32_t> m_enter_time{0};
};

// The temporary session of a one-shot exchange: it keeps the awaited reply and ignores
// every other packet. It has no owner, so it never becomes the game's current session.
class GamePacketThreadSession : public CGameSession {
 public:
  GamePacketThreadSession() : CGameSession(3, nullptr) {}
  int OnAppPacket(Packet* packet) override;
};

// The session factory the program hands to the game logic.
IGameSession* CreateGameSession(int index, ISessionOwner* owner);
