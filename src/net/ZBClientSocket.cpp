#include "net/ZBClientSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/ZBThread.h"
#include "net/messages/VXProtocolTable.h"

namespace {
// A dotted IPv4 text is at most 15 characters; reading stops after 16 bytes, so a host
// field taken from the wire without a terminator is never read past its 16 bytes.
constexpr size_t kHostTextMax = 16;

bool CopyHost(const char* host, char* out) {
  out[0] = 0;
  if (!host) return false;
  size_t n = strnlen(host, kHostTextMax);
  if (n >= kHostTextMax) return false;
  std::memcpy(out, host, n);
  out[n] = 0;
  return true;
}

bool SetBlocking(int fd, bool blocking) {
  int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(fd, F_SETFL, flags) == 0;
}

int SocketError(int fd) {
  int err = 0;
  socklen_t len = sizeof(err);
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
  return err;
}

// Upper bound on what Close reads and throws away before hanging up, so a peer that
// keeps sending cannot hold the closing thread.
constexpr size_t kCloseDrainLimit = 256 * 1024;

// Longest single wait of a connect, see Connect.
constexpr uint64_t kConnectSliceMs = 20;
}  // namespace

ZBClientSocket::ZBClientSocket() = default;

ZBClientSocket::~ZBClientSocket() { ReleaseConnection(); }

int ZBClientSocket::Initialize() {
  CSGuard rl(&m_recv_lock);
  CSGuard sl(&m_send_lock);
  // The readiness of the connection is polled in ProcessEvent; there is no separate
  // event object to create, only the flag that the socket object is prepared.
  m_event_ready = true;

  m_send_buf.reset(new (std::nothrow) uint8_t[kSendBufferSize]);
  if (!m_send_buf) {
    Log(LOG_TRACE, "[ERROR]: ZBClientSocket::Initialize() | 출력 큐 생성 실패!");
    return 0;
  }
  m_send_off = 0;

  m_recv_buf.reset(new (std::nothrow) uint8_t[kRecvBufferSize]);
  if (!m_recv_buf) {
    Log(LOG_TRACE, "[ERROR]: ZBClientSocket::Initialize() | 입력 큐 생성 실패!");
    return 0;
  }
  m_recv_read = 0;
  m_recv_write = 0;
  m_peer_closed = false;

  std::memset(m_key, 0, sizeof(m_key));
  std::memcpy(m_key, kInitialSocketKey, std::strlen(kInitialSocketKey));
  return 1;
}

int ZBClientSocket::CreateSocket() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    Log(LOG_TRACE, "[ERROR]: ZBClientSocket::InitSocket() | WSASocket() FAILED");
    return -1;
  }
  // Keep-alive probes after 10 s of silence, then every second.
  int on = 1, idle = 10, interval = 1;
  if (setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on)) != 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof(idle)) != 0 ||
      setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof(interval)) != 0) {
    Log(LOG_TRACE, "[WARNING]: SetKeepAlive() : WSAIoctl() Set KeepAlive FAILED");
    ::close(fd);
    return -1;
  }
  if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on)) != 0)
    Log(LOG_TRACE, "[WARNING]: ZBClientSocket::InitSocket() : setsockopt( TCP_NODELAY ) FAILED");
  return fd;
}

int ZBClientSocket::Connect(const char* host_in, int port, uint32_t timeout_seconds) {
  char host[kHostTextMax] = {};
  bool host_ok = CopyHost(host_in, host);
  const int to = static_cast<int>(timeout_seconds);

  // A socket left over from an earlier connection is closed rather than leaked.
  if (HasSocket()) Close();

  int fd = CreateSocket();
  if (fd < 0) {
    Log(LOG_TRACE, "[WARNING]: ZBClientSocket::Connect( '%s', %d, %d ) FAILED | InitSocket() FAILED", host, port,
        to);
    return 0;
  }
  m_socket.store(fd);

  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (!host_ok || port < 0 || port > 65535 || inet_pton(AF_INET, host, &addr.sin_addr) != 1) {
    Log(LOG_TRACE, "[WARNING]: ZBClientSocket::Connect( '%s', %d, %d ) FAILED | connect() FAILED. error = %d", host,
        port, to, EINVAL);
    Close();
    return 0;
  }

  SetBlocking(fd, false);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 && errno != EINPROGRESS) {
    Log(LOG_TRACE, "[WARNING]: ZBClientSocket::Connect( '%s', %d, %d ) FAILED | connect() FAILED. error = %d", host,
        port, to, errno);
    Close();
    return 0;
  }

  pollfd p{fd, POLLOUT, 0};
  const uint32_t start = GetTickMs();
  const uint64_t limit_ms = static_cast<uint64_t>(timeout_seconds) * 1000u;
  int r;
  for (;;) {
    uint32_t spent = GetTickMs() - start;
    uint64_t left = spent >= limit_ms ? 0 : limit_ms - spent;
    // Waited in slices, so a worker told to stop gives up within one slice.
    int wait = static_cast<int>(left < kConnectSliceMs ? left : kConnectSliceMs);
    r = poll(&p, 1, wait);
    if (r < 0 && errno == EINTR) continue;
    if (r == 0 && left > kConnectSliceMs && !ZBThread::StopRequested()) continue;
    break;
  }
  if (r < 0) {
    Log(LOG_TRACE, "[WARNING]: ZBClientSocket::Connect( '%s', %d, %d ) FAILED | select() FAILED. WSAGetLastError() = %d",
        host, port, to, errno);
    Close();
    return 0;
  }
  if (r == 0) {
    Log(LOG_TRACE, "[WARNING]: ZBClientSocket::Connect( '%s', %d, %d ) FAILED | select() time out", host, port, to);
    Close();
    return 0;
  }
  // A refused or unreachable connect also reports readiness here; its error decides.
  int err = SocketError(fd);
  if (err != 0 || !(p.revents & POLLOUT)) {
    Log(LOG_TRACE, "[WARNING]: ZBClientSocket::Connect( '%s', %d, %d ) FAILED | connect() FAILED. error = %d", host,
        port, to, err);
    Close();
    return 0;
  }

  SetBlocking(fd, true);
  OnConnect();
  return 1;
}

int ZBClientSocket::Disconnect() {
  OnClose();
  return 1;
}

void ZBClientSocket::Close() {
  CSGuard rl(&m_recv_lock);
  CSGuard sl(&m_send_lock);
  int fd = m_socket.load();
  if (fd >= 0) {
    uint8_t scratch[1024];
    size_t drained = 0;
    while (drained < kCloseDrainLimit) {
      ssize_t n = ::recv(fd, scratch, sizeof(scratch), MSG_DONTWAIT);
      if (n <= 0) break;
      drained += static_cast<size_t>(n);
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
    m_socket.store(-1);
  }
  m_connected.store(0);
}

void ZBClientSocket::ReleaseConnection() {
  CSGuard rl(&m_recv_lock);
  CSGuard sl(&m_send_lock);
  Close();
  m_event_ready = false;
  m_send_buf.reset();
  m_send_off = 0;
  m_recv_buf.reset();
  m_recv_read = 0;
  m_recv_write = 0;
  m_peer_closed = false;
  m_connected.store(0);
  m_hello.store(0);
}

void ZBClientSocket::SetKey(const char* key) {
  CSGuard rl(&m_recv_lock);
  CSGuard sl(&m_send_lock);
  std::memset(m_key, 0, sizeof(m_key));
  if (key) std::memcpy(m_key, key, strnlen(key, kKeySize - 1));
}

void ZBClientSocket::GetKey(char* out) const {
  CSGuard rl(const_cast<CriticalSection*>(&m_recv_lock));
  std::memcpy(out, m_key, kKeySize);
  out[kKeySize - 1] = 0;
}

size_t ZBClientSocket::BufferedBytes() const {
  CSGuard rl(const_cast<CriticalSection*>(&m_recv_lock));
  return m_recv_write > m_recv_read ? m_recv_write - m_recv_read : 0;
}

int ZBClientSocket::ProcessEvent(uint32_t heartbeat_interval_ms) {
  CSGuard rl(&m_recv_lock);
  int fd = m_socket.load();
  if (fd < 0 || !m_event_ready || !IsConnected()) return 0;

  pollfd p{fd, POLLIN, 0};
  int r = poll(&p, 1, 0);
  if (r < 0 && errno != EINTR) {
    Log(LOG_TRACE, "[DEBUG]: ZBClientSocket::ProcessEvent() | WSAEnumNetworkEvents() FAILED! WSAGetLastError() = %d, m_socket = %d",
        errno, fd);
    Disconnect();
    OnClose();
    return 0;
  }
  if (r > 0) {
    if (p.revents & (POLLERR | POLLNVAL)) {
      int err = (p.revents & POLLNVAL) ? EBADF : SocketError(fd);
      if (err != 0) {
        Log(LOG_TRACE, "[WARNING]: ZBClientSocket::ProcessEvent() | FD_CLOSE failed with error=%d", err);
        OnClose();
        return 0;
      }
    }
    // While the buffer already holds a maximal packet's worth of unread bytes, the rest
    // stays in the kernel (TCP flow control slows the sender). Dispatch always has a
    // whole packet to take then, and a burst larger than five packets per pump spreads
    // over later pumps instead of overflowing the buffer and dropping the connection.
    const bool room = m_recv_write - m_recv_read < kMaxRead;
    if (room && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
      int n = OnReceive();
      if (n < 0) {
        // A read error means the connection is gone; a full buffer has already
        // disconnected. Either way nothing more is read from this socket.
        if (HasSocket()) {
          Log(LOG_TRACE, "[WARNING]: ZBClientSocket::ProcessEvent() | FD_CLOSE failed with error=%d", errno);
          OnClose();
        }
        return 0;
      }
      if (m_peer_closed) {
        // The peer closed in order: everything it sent has been read. Every complete
        // packet still buffered is dispatched now, not only this pump's five (a server
        // that says its last words and hangs up is heard), and only then does the
        // close drop the buffers. A handler may have closed the socket meanwhile.
        m_peer_closed = false;
        DispatchPackets(kDispatchAll);
        if (HasSocket() || IsConnected()) OnClose();
      }
    }
  }

  DispatchPackets(kMaxPacketsPerPump);

  if (TicksSince(m_last_heartbeat.load()) > heartbeat_interval_ms) {
    if (IsConnected()) SendSimple(3, 0);
    m_last_heartbeat.store(GetTickMs());
  }
  return 1;
}

int ZBClientSocket::OnReceive() {
  CSGuard rl(&m_recv_lock);
  int fd = m_socket.load();
  if (fd < 0 || !m_recv_buf) return 0;
  // The write offset is always below kRecvCompactAt here, so a full read fits.
  ssize_t n = ::recv(fd, m_recv_buf.get() + m_recv_write, kMaxRead, MSG_DONTWAIT);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
    int err = errno;
    Log(LOG_TRACE, "[ERROR]: ZBClientSocket::OnReceive() | WSARecv() FAILED! WSAGetLastError() = %d", err);
    errno = err;
    return -1;
  }
  if (n == 0) {
    m_peer_closed = true;
    return 0;
  }
  return CommitReceived(static_cast<size_t>(n));
}

int ZBClientSocket::AppendReceived(const uint8_t* data, size_t n) {
  CSGuard rl(&m_recv_lock);
  if (!m_recv_buf || !data) return 0;
  if (n > kMaxRead) n = kMaxRead;
  std::memcpy(m_recv_buf.get() + m_recv_write, data, n);
  return CommitReceived(n);
}

int ZBClientSocket::CommitReceived(size_t n) {
  m_recv_write += n;
  if (m_recv_write >= kRecvCompactAt) {
    size_t unread = m_recv_write - m_recv_read;
    if (unread >= kRecvCompactAt) {
      Log(LOG_TRACE, "[ERROR]: ZBClientSocket::OnReceive() | WSARecv() Read %d bytes... Buffer is Full(%d) CLOSE t_socket",
          static_cast<int>(n), static_cast<int>(unread));
      m_recv_write -= n;
      Disconnect();
      return -1;
    }
    if (unread > 0) std::memmove(m_recv_buf.get(), m_recv_buf.get() + m_recv_read, unread);
    m_recv_read = 0;
    m_recv_write = unread;
  }
  return static_cast<int>(n);
}

void ZBClientSocket::DispatchPackets(int limit) {
  CSGuard rl(&m_recv_lock);
  if (!m_recv_buf || m_recv_write - m_recv_read < kPacketHeaderSize || m_recv_read >= m_recv_write) return;
  // Parsed on the stack: a handler may pump this socket again (a nested wait) or reset
  // it, so the packet must not live in anything the handler can free or reuse.
  Packet packet;
  for (int dispatched = 0; limit == kDispatchAll || dispatched < limit; ++dispatched) {
    if (!m_recv_buf || m_recv_read >= m_recv_write) return;
    const size_t unread = m_recv_write - m_recv_read;
    const uint8_t* at = m_recv_buf.get() + m_recv_read;
    uint16_t length = 0;
    Packet::HeaderState hs = Packet::CheckHeader(at, unread, &length);
    if (hs == Packet::kHeaderIncomplete) return;
    if (hs == Packet::kHeaderBad) {
      // A header that can never parse would sit at the read offset for ever and the
      // connection would stall silently; drop the connection instead so the owner
      // reconnects or reports it.
      Log(LOG_TRACE, "[ERROR]: ZBClientSocket::ProcessEvent() | Packet header invalid (%d bytes unread). CLOSE t_socket",
          static_cast<int>(unread));
      m_recv_read = m_recv_write = 0;
      Disconnect();
      return;
    }
    if (unread < length) return;  // the rest has not arrived yet
    if (!packet.ParseFrom(at, unread)) {
      Log(LOG_TRACE, "[ERROR]: ZBClientSocket::ProcessEvent() | Packet header invalid (%d bytes unread). CLOSE t_socket",
          static_cast<int>(unread));
      m_recv_read = m_recv_write = 0;
      Disconnect();
      return;
    }
    m_recv_read += length;
    if (packet.enciphered == 1) packet.Decipher(m_key, std::strlen(m_key));
    m_last_receive.store(GetTickMs());
    if (packet.id >= VX_PROTOCOL_SOCKET_HELLO && packet.id <= kLastSocketMessageId)
      OnSystemPacket(&packet);
    else
      OnAppPacket(&packet);
  }
}

int ZBClientSocket::OnAppPacket(Packet*) { return 1; }

int ZBClientSocket::OnSystemPacket(Packet* packet) {
  if (!packet || packet->id != VX_PROTOCOL_SOCKET_HELLO) return 1;
  packet->ReadInt32(&m_hello_value);
  packet->ReadBytes(m_hello_data, sizeof(m_hello_data));
  OnHello();
  return 1;
}

void ZBClientSocket::OnHello() { m_hello.store(1); }

int ZBClientSocket::OnClose() {
  Close();
  return 1;
}

int ZBClientSocket::OnConnect() {
  const uint32_t now = GetTickMs();
  m_last_heartbeat.store(now);
  m_connected.store(1);
  m_last_receive.store(now);
  return 1;
}

int ZBClientSocket::SendSimple(uint16_t id, int encipher) {
  Packet p(id);
  p.WriteInt32(0);
  return SendPacket(&p, encipher);
}

bool ZBClientSocket::SendStaged(int fd, const uint8_t* data, size_t n, bool* timed_out) {
  const uint32_t start = GetTickMs();
  size_t sent = 0;
  while (sent < n) {
    ssize_t r = ::send(fd, data + sent, n - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (r > 0) {
      sent += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      uint32_t spent = GetTickMs() - start;
      if (spent > kSendRetryMs) {
        Log(LOG_TRACE, "[ERROR]: ZBClientSocket::SendPacket() : Time Out () FAILED : iError = %d", errno);
        *timed_out = true;
        return false;
      }
      // Wait for room instead of spinning, never past the retry window.
      pollfd p{fd, POLLOUT, 0};
      poll(&p, 1, static_cast<int>(kSendRetryMs - spent) + 1);
      continue;
    }
    Log(LOG_TRACE, "[ERROR]: ZBClientSocket::SendPacket() : WSASend() FAILED : iError = %d", r < 0 ? errno : 0);
    return false;
  }
  return true;
}

int ZBClientSocket::SendPacket(Packet* packet, int encipher) {
  if (!packet) return 0;
  packet->mark = 1;
  if (!IsConnected()) return 0;

  bool timed_out = false;
  int result;
  {
    CSGuard sl(&m_send_lock);
    int fd = m_socket.load();
    if (!m_send_buf || fd < 0) return 0;
    if (m_send_off >= kSendStageLimit) m_send_off = 0;
    uint8_t* stage = m_send_buf.get() + m_send_off;
    size_t n = packet->SerializeTo(stage, kSendBufferSize - m_send_off);
    if (n == 0) {
      Log(LOG_TRACE, "[ERROR]: ZBClientSocket::SendPacket() | Packet2Buffer() FAILED");
      return 0;
    }
    // Enciphering works on the staged copy; the caller's packet stays as it was.
    if (encipher && packet->enciphered != 1 && m_key[0]) {
      ApplyPayloadCipher(stage + kPacketHeaderSize, n - kPacketHeaderSize, m_key, std::strlen(m_key));
      stage[6] = 1;
      stage[7] = 0;
    }
    m_send_off += n;
    result = SendStaged(fd, stage, n, &timed_out) ? static_cast<int>(n) : -1;
  }
  // Closing takes the receive lock; it is done after the send lock is left so the lock
  // order (receive, then send) holds.
  if (timed_out) OnClose();
  return result;
}
