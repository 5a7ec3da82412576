#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "net/Packet.h"

// The TCP client under every server connection. It has no thread of its own: the owner
// calls ProcessEvent regularly, which reads what the stream delivered, frames it into
// packets, deciphers them with the current key and hands at most five per call to the
// handlers (ids 1..100 to OnSystemPacket, the rest to OnAppPacket), then sends a
// heartbeat when one is due. Sends are synchronous through a staging buffer. When the
// peer closes in order, every complete packet it sent is dispatched before the close.
//
// Threads: any thread may pump or send; the owner decides who pumps when (the main
// thread every frame, a waiting request's thread meanwhile).
//
// Locks: the receive lock covers reading, framing and the handlers; the send lock covers
// staging and sending. They are always taken in that order (receive, then send), so a
// handler may reply from inside the dispatch.
class ZBClientSocket : public ZBObject {
 public:
  static constexpr size_t kSendBufferSize = 61440;
  static constexpr size_t kSendStageLimit = 30720;
  static constexpr size_t kRecvBufferSize = 92160;
  static constexpr size_t kRecvCompactAt = 61440;
  static constexpr size_t kMaxRead = 30720;
  static constexpr int kMaxPacketsPerPump = 5;
  static constexpr uint32_t kSendRetryMs = 500;
  static constexpr size_t kKeySize = 17;

  ZBClientSocket();
  ~ZBClientSocket() override;

  // Prepares the object for a (new) connection: fresh buffers, the initial key.
  int Initialize();

  // Connects to a dotted IPv4 address within `timeout_seconds`; returns 1 when connected.
  virtual int Connect(const char* host, int port, uint32_t timeout_seconds);
  // Drops the connection through OnClose; returns 1.
  virtual int Disconnect();
  // One pump: read, dispatch at most five packets, heartbeat. Returns 1 when the socket
  // was pumped, 0 when it is not connected or the connection failed.
  virtual int ProcessEvent(uint32_t heartbeat_interval_ms);
  // A packet with `id` and one 32-bit 0.
  virtual int SendSimple(uint16_t id, int encipher);
  // Sends `packet` (its mark is set to 1). Returns the byte count when every byte left,
  // 0 when nothing could be staged (not connected, bad length) and -1 when the send
  // failed or stopped part-way; only a positive result means "sent".
  virtual int SendPacket(Packet* packet, int encipher);

  virtual int OnAppPacket(Packet* packet);
  // Acts on the hello (id 1); other socket-level ids are ignored.
  virtual int OnSystemPacket(Packet* packet);
  // Appends what the stream has now to the receive buffer; returns the byte count, or
  // -1 on a read error or a full buffer.
  virtual int OnReceive();
  virtual int OnClose();
  virtual int OnConnect();
  virtual void OnHello();

  // Drains and closes the connection (no handlers called).
  void Close();
  // Close, then free both buffers and clear the connection flags.
  void ReleaseConnection();

  // Replaces the cipher key (at most 16 characters are kept).
  void SetKey(const char* key);
  // Copies the current key (zero-terminated) into `out` of kKeySize bytes.
  void GetKey(char* out) const;

  bool IsConnected() const { return m_connected.load() != 0; }
  bool HasSocket() const { return m_socket.load() >= 0; }
  // The operating-system handle, -1 when closed (for diagnostics and tests).
  int SocketHandle() const { return m_socket.load(); }
  bool HelloReceived() const { return m_hello.load() != 0; }
  int32_t HelloValue() const { return m_hello_value; }
  const uint8_t* HelloData() const { return m_hello_data; }
  uint32_t LastHeartbeatTime() const { return m_last_heartbeat.load(); }
  uint32_t LastReceiveTime() const { return m_last_receive.load(); }
  // Unread stream bytes (for diagnostics and tests).
  size_t BufferedBytes() const;

 protected:
  // Frames and dispatches at most `limit` packets (kDispatchAll: every complete one),
  // under the receive lock.
  static constexpr int kDispatchAll = -1;
  void DispatchPackets(int limit);
  // Appends up to kMaxRead bytes to the receive buffer as if the stream had delivered
  // them (the same bookkeeping as OnReceive); returns the count or -1 when full.
  int AppendReceived(const uint8_t* data, size_t n);

  CriticalSection m_recv_lock;
  CriticalSection m_send_lock;

 private:
  int CreateSocket();
  // Accounts for `n` bytes just placed at the write offset; compacts or refuses.
  int CommitReceived(size_t n);
  // Sends `n` staged bytes within the retry window; returns true when all left.
  bool SendStaged(int fd, const uint8_t* data, size_t n, bool* timed_out);

  std::atomic<int> m_socket{-1};
  bool m_event_ready = false;
  std::unique_ptr<uint8_t[]> m_send_buf;
  size_t m_send_off = 0;
  std::unique_ptr<uint8_t[]> m_recv_buf;
  size_t m_recv_read = 0;
  size_t m_recv_write = 0;
  bool m_peer_closed = false;
  std::atomic<int32_t> m_connected{0};
  std::atomic<int32_t> m_hello{0};
  std::atomic<uint32_t> m_last_heartbeat{0};
  std::atomic<uint32_t> m_last_receive{0};
  uint8_t m_hello_data[16] = {};
  int32_t m_hello_value = 0;
  char m_key[kKeySize] = {};
};
