#pragma once
// A one-connection TCP server on loopback that plays a script on its own thread: it
// accepts the client, reads whole packets and answers them. Used to run the real game
// sessions against a master and a game server.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
  void Join() {
    if (m_thread.joinable()) m_thread.join();
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

  int m_listen = -1;
  int m_conn = -1;
  std::thread m_thread;
};

}  // namespace testing_support
