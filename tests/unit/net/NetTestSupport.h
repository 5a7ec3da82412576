#pragma once
// Test support for the network layer: a scripted server on loopback, wire-format
// builders, a recorder of log lines and a fake connecting indicator.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "net/IConnectingIndicator.h"
#include "net/Packet.h"
#include "support/Loopback.h"

namespace nettest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, int32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

// One packet as it travels: header then payload.
inline Bytes Wire(uint16_t id, const Bytes& payload, uint16_t enciphered = 0, uint16_t mark = 0) {
  Bytes b;
  Put16(b, 0xF087);
  Put16(b, static_cast<uint16_t>(10 + payload.size()));
  Put16(b, id);
  Put16(b, enciphered);
  Put16(b, mark);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}
inline Bytes Int32Payload(int32_t v) {
  Bytes b;
  Put32(b, v);
  return b;
}

// `count` packets back to back, ids first_id, first_id + 1, ..., packet i carrying i.
inline Bytes WireRun(uint16_t first_id, int count) {
  Bytes stream;
  for (int i = 0; i < count; ++i) {
    Bytes one = Wire(static_cast<uint16_t>(first_id + i), Int32Payload(i));
    stream.insert(stream.end(), one.begin(), one.end());
  }
  return stream;
}

struct RawPacket {
  uint16_t magic = 0, length = 0, id = 0, enciphered = 0, mark = 0;
  Bytes payload;
  Bytes wire;  // the exact bytes received
};

// A server on 127.0.0.1 (ephemeral port) that accepts one client and is driven by the
// test step by step.
class LoopbackPeer {
 public:
  explicit LoopbackPeer(int receive_buffer = 0) {
    uint16_t port = 0;
    m_listen = test_support::ListenOnLoopback(8, &port, receive_buffer);
    m_port = port;
  }
  ~LoopbackPeer() {
    CloseClient();
    if (m_listen >= 0) close(m_listen);
  }
  int Port() const { return m_port; }
  int Client() const { return m_client; }

  bool Accept(int timeout_ms = 3000) {
    pollfd p{m_listen, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
    m_client = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    return m_client >= 0;
  }
  void CloseClient() {
    if (m_client >= 0) close(m_client);
    m_client = -1;
  }
  // Stops accepting: a later connect is refused.
  void StopListening() {
    if (m_listen >= 0) close(m_listen);
    m_listen = -1;
  }

  bool Send(const Bytes& b) { return SendRaw(b.data(), b.size()); }
  bool SendRaw(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
      ssize_t r = send(m_client, p, n, MSG_NOSIGNAL);
      if (r <= 0) return false;
      p += r;
      n -= static_cast<size_t>(r);
    }
    return true;
  }

  bool ReadExact(uint8_t* out, size_t n, int timeout_ms = 3000) {
    size_t got = 0;
    while (got < n) {
      pollfd p{m_client, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) <= 0) return false;
      ssize_t r = recv(m_client, out + got, n - got, 0);
      if (r <= 0) return false;
      got += static_cast<size_t>(r);
    }
    return true;
  }
  bool ReadPacket(RawPacket* out, int timeout_ms = 3000) {
    uint8_t h[10];
    if (!ReadExact(h, 10, timeout_ms)) return false;
    auto g = [&](int i) { return static_cast<uint16_t>(h[i] | (h[i + 1] << 8)); };
    out->magic = g(0);
    out->length = g(2);
    out->id = g(4);
    out->enciphered = g(6);
    out->mark = g(8);
    out->payload.assign(out->length > 10 ? out->length - 10u : 0u, 0);
    if (!out->payload.empty() && !ReadExact(out->payload.data(), out->payload.size(), timeout_ms)) return false;
    out->wire.assign(h, h + 10);
    out->wire.insert(out->wire.end(), out->payload.begin(), out->payload.end());
    return true;
  }
  // True when nothing arrives within `wait_ms`.
  bool Silent(int wait_ms) {
    pollfd p{m_client, POLLIN, 0};
    return poll(&p, 1, wait_ms) == 0;
  }
  // True when the client hung up (end of stream) within `timeout_ms`.
  bool SeesClose(int timeout_ms = 3000) {
    uint8_t scratch[4096];
    for (;;) {
      pollfd p{m_client, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) <= 0) return false;
      ssize_t r = recv(m_client, scratch, sizeof(scratch), 0);
      if (r == 0) return true;
      if (r < 0) return errno == ECONNRESET;
    }
  }

 private:
  int m_listen = -1;
  int m_client = -1;
  int m_port = 0;
};

// Waits until `fd` has at least `n` unread bytes in the kernel (so one pump sees them).
inline bool WaitReadable(int fd, size_t n, int timeout_ms = 3000) {
  const uint32_t start = GetTickMs();
  for (;;) {
    int avail = 0;
    if (ioctl(fd, FIONREAD, &avail) == 0 && static_cast<size_t>(avail) >= n) return true;
    if (TicksSince(start) > static_cast<uint32_t>(timeout_ms)) return false;
    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, 5);
    usleep(1000);
  }
}

// Calls `step` until `done` holds or `timeout_ms` passes; returns `done()`.
template <class Step, class Done>
bool PumpUntil(Step step, Done done, int timeout_ms = 3000) {
  const uint32_t start = GetTickMs();
  while (!done()) {
    if (TicksSince(start) > static_cast<uint32_t>(timeout_ms)) return false;
    step();
    usleep(1000);
  }
  return true;
}

// Collects log lines while alive (and keeps the console quiet).
class LogCapture {
 public:
  LogCapture() {
    m_saved = LogCurrentConfig();
    LogConfig c = m_saved;
    c.sinks = 0;
    LogConfigure(c);
    LogSetObserver(&LogCapture::Observe, this);
  }
  ~LogCapture() {
    LogSetObserver(nullptr, nullptr);
    LogConfigure(m_saved);
  }
  bool Contains(const std::string& part) {
    std::lock_guard<std::mutex> g(m_mutex);
    for (const std::string& l : m_lines)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> g(m_mutex);
    return m_lines;
  }

 private:
  static void Observe(uint32_t, const char* text, void* user) {
    auto* self = static_cast<LogCapture*>(user);
    std::lock_guard<std::mutex> g(self->m_mutex);
    self->m_lines.emplace_back(text);
  }
  LogConfig m_saved;
  std::mutex m_mutex;
  std::vector<std::string> m_lines;
};

// Counts the sessions' calls to the connecting indicator.
class FakeIndicator : public IConnectingIndicator {
 public:
  FakeIndicator() { SetConnectingIndicator(this); }
  ~FakeIndicator() override { SetConnectingIndicator(nullptr); }
  void Show(uint32_t timeout_ms) override {
    ++shows;
    last_timeout = timeout_ms;
  }
  void Stop() override { ++stops; }
  std::atomic<int> shows{0};
  std::atomic<int> stops{0};
  std::atomic<uint32_t> last_timeout{0};
};

// A hand-stepped clock for timing rules (heartbeats); restores the real one on exit.
class ManualClock {
 public:
  explicit ManualClock(uint32_t start = 1000) {
    s_now.store(start);
    SetTickSource(&ManualClock::Now);
  }
  ~ManualClock() { SetTickSource(nullptr); }
  void Set(uint32_t t) { s_now.store(t); }
  void Advance(uint32_t d) { s_now.fetch_add(d); }
  uint32_t Get() const { return s_now.load(); }

 private:
  static uint32_t Now() { return s_now.load(); }
  static inline std::atomic<uint32_t> s_now{0};
};

}  // namespace nettest
