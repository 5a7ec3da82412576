#pragma once
// A headless protocol client for tests and benchmarks: blocking TCP on loopback with
// poll() time-outs, the packet framing and payload cipher of the client.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "net/Packet.h"
#include "net/ServerInfo.h"

class ProtocolClient {
 public:
  ProtocolClient() = default;
  ~ProtocolClient() { Close(); }
  ProtocolClient(const ProtocolClient&) = delete;
  ProtocolClient& operator=(const ProtocolClient&) = delete;

  // Connects from `source` when given (another loopback address such as 127.0.0.2 makes a
  // second machine).
  bool Connect(int port, const char* host = "127.0.0.1", const char* source = nullptr) {
    Close();
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) return false;
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    if (source) {
      sockaddr_in from{};
      from.sin_family = AF_INET;
      inet_pton(AF_INET, source, &from.sin_addr);
      if (::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof(from)) != 0) {
        Close();
        return false;
      }
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, host, &a.sin_addr);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
      Close();
      return false;
    }
    buf_.clear();
    return true;
  }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool connected() const { return fd_ >= 0; }

  bool SendRaw(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
      ssize_t k = ::send(fd_, p, n, MSG_NOSIGNAL);
      if (k <= 0) return false;
      p += k;
      n -= static_cast<size_t>(k);
    }
    return true;
  }

  bool Send(Packet& p) {
    p.mark = 1;
    std::vector<uint8_t> bytes(p.length);
    size_t n = p.SerializeTo(bytes.data(), bytes.size());
    return n > 0 && SendRaw(bytes.data(), n);
  }

  // The next packet (deciphered), or null on time-out or when the server hung up.
  std::unique_ptr<Packet> Recv(int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      if (auto p = TakeBuffered()) return p;
      if (fd_ < 0) return nullptr;
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now())
                                      .count());
      if (left <= 0) return nullptr;
      pollfd pf{fd_, POLLIN, 0};
      if (::poll(&pf, 1, left) <= 0) continue;
      uint8_t tmp[16384];
      ssize_t k = ::recv(fd_, tmp, sizeof(tmp), 0);
      if (k <= 0) {
        hung_up_ = true;
        Close();
        continue;
      }
      buf_.insert(buf_.end(), tmp, tmp + k);
    }
  }

  // Skips other packets until one with `id` arrives; each skipped packet goes to `seen`
  // when given.
  std::unique_ptr<Packet> RecvId(uint16_t id, int timeout_ms,
                                 std::vector<std::unique_ptr<Packet>>* seen = nullptr) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now())
                                      .count());
      if (left <= 0) return nullptr;
      auto p = Recv(left);
      if (!p) return nullptr;
      if (p->id == id) return p;
      if (seen) seen->push_back(std::move(p));
    }
  }

  // True once the server closed the connection (waits up to timeout_ms for it).
  bool WaitHangUp(int timeout_ms) {
    while (Recv(timeout_ms)) {
    }
    return hung_up_;
  }

 private:
  std::unique_ptr<Packet> TakeBuffered() {
    if (buf_.size() < kPacketHeaderSize) return nullptr;
    uint16_t magic, length, id;
    Packet::PeekHeader(buf_.data(), buf_.size(), &magic, &length, &id);
    if (buf_.size() < length) return nullptr;
    auto p = std::make_unique<Packet>();
    if (!p->ParseFrom(buf_.data(), length)) {
      buf_.clear();
      Close();
      return nullptr;
    }
    buf_.erase(buf_.begin(), buf_.begin() + length);
    if (p->enciphered == 1) p->Decipher(kSessionKey, std::strlen(kSessionKey));
    return p;
  }

  int fd_ = -1;
  bool hung_up_ = false;
  std::vector<uint8_t> buf_;
};
