#pragma once
// A one-connection TCP server on loopback that plays a script on its own thread: it
// accepts the client, reads whole packets and answers them. Used to run the real game
// sessions against a master and a game server.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/Packet.h"
#include "support/Loopback.h"

namespace testing_support {

class ScriptedServer {
 public:
  ScriptedServer() {
    uint16_t p = 0;
    m_listen = test_support::ListenOnLoopback(4, &p);
    port = p;
  }
  ~ScriptedServer() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
    if (m_conn >= 0) close(m_conn);
    if (m_listen >= 0) close(m_listen);
  }
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  // Starts the script on the server's thread.
  void Run(std::function<void(ScriptedServer&)> script) {
    m_thread = std::thread([this, script] { script(*this); });
  }
  // Serves one connection after another on the server's thread until Stop: `answer`
  // is called for every packet received on the current connection (it may Send). A
  // connection ends when the client hangs up.
  void ServeEach(std::function<void(ScriptedServer&, const Packet&)> answer) {
    m_thread = std::thread([this, answer] {
      while (!m_stop.load()) {
        if (!Accept(50)) continue;
        while (!m_stop.load()) {
          if (!Readable(50)) continue;
          Packet p;
          if (!Receive(&p)) break;
          answer(*this, p);
        }
        Hangup();
      }
    });
  }
  void Stop() {
    m_stop.store(true);
    Join();
  }
  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }
  // Closes the current connection.
  void Hangup() {
    if (m_conn >= 0) close(m_conn);
    m_conn = -1;
  }

  bool Accept(int timeout_ms = 5000) {
    pollfd p{m_listen, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0) return false;
    m_conn = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    return m_conn >= 0;
  }
  // Reads one whole packet; false on time-out or when the client hung up.
  bool Receive(Packet* out, int timeout_ms = 5000) {
    uint8_t header[kPacketHeaderSize];
    if (!ReadExactly(header, sizeof(header), timeout_ms)) return false;
    uint16_t magic = 0, length = 0, id = 0;
    Packet::PeekHeader(header, sizeof(header), &magic, &length, &id);
    if (magic != kPacketMagic || length < kPacketHeaderSize) return false;
    std::vector<uint8_t> whole(header, header + sizeof(header));
    whole.resize(length);
    if (length > kPacketHeaderSize && !ReadExactly(whole.data() + kPacketHeaderSize, length - kPacketHeaderSize, timeout_ms))
      return false;
    raw_received.push_back(whole);
    return out->ParseFrom(whole.data(), whole.size()) == 1;
  }
  bool Send(const Packet& p) {
    std::vector<uint8_t> buf(kPacketMaxWire);
    const size_t n = p.SerializeTo(buf.data(), buf.size());
    return n > 0 && send(m_conn, buf.data(), n, MSG_NOSIGNAL) == static_cast<ssize_t>(n);
  }
  // True when the client closes the connection within the time-out.
  bool WaitClosed(int timeout_ms = 5000) {
    uint8_t b;
    for (;;) {
      pollfd p{m_conn, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) <= 0) return false;
      ssize_t r = recv(m_conn, &b, 1, 0);
      if (r <= 0) return true;
    }
  }

  int port = 0;
  std::vector<std::vector<uint8_t>> raw_received;

 private:
  bool ReadExactly(uint8_t* dst, size_t n, int timeout_ms) {
    size_t got = 0;
    while (got < n) {
      pollfd p{m_conn, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) <= 0) return false;
      ssize_t r = recv(m_conn, dst + got, n - got, 0);
      if (r <= 0) return false;
      got += static_cast<size_t>(r);
    }
    return true;
  }

  bool Readable(int timeout_ms) {
    pollfd p{m_conn, POLLIN, 0};
    return poll(&p, 1, timeout_ms) > 0;
  }

  int m_listen = -1;
  int m_conn = -1;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

}  // namespace testing_support
