// Receive throughput of the client socket: 1 KB enciphered packets streamed over TCP
// loopback through framing, deciphering and dispatch, beside a plain memcpy of the same
// bytes. Compare the two bytes_per_second figures for the ratio.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "framework/Log.h"
#include "net/Packet.h"
#include "net/ZBClientSocket.h"
#include "support/Loopback.h"

namespace {

constexpr size_t kPacketBytes = 1024;  // on the wire, header included
constexpr size_t kBatchPackets = 1024;  // one benchmark iteration: 1 MiB
constexpr size_t kBatchBytes = kPacketBytes * kBatchPackets;

// kBatchPackets enciphered packets, as a server would send them.
std::vector<uint8_t> BuildBatch() {
  std::vector<uint8_t> out(kBatchBytes);
  auto p = std::make_unique<Packet>();
  for (size_t i = 0; i < kBatchPackets; ++i) {
    p->Init(static_cast<uint16_t>(101 + i % 800));
    for (size_t b = 0; b < kPacketBytes - kPacketHeaderSize; ++b) {
      const uint8_t v = static_cast<uint8_t>(b + i);
      p->WriteBytes(&v, 1);
    }
    p->Encipher(kInitialSocketKey, std::strlen(kInitialSocketKey));
    p->SerializeTo(out.data() + i * kPacketBytes, kPacketBytes);
  }
  return out;
}

class CountingSocket : public ZBClientSocket {
 public:
  int OnAppPacket(Packet* p) override {
    ++packets;
    checksum += p->payload[0] + p->payload[p->PayloadLength() - 1];
    return 1;
  }
  size_t packets = 0;
  uint64_t checksum = 0;
};

// A loopback server that streams the batch over and over until stopped.
class StreamServer {
 public:
  explicit StreamServer(const std::vector<uint8_t>& batch) : m_batch(batch) {
    uint16_t port = 0;
    m_listen = test_support::ListenOnLoopback(1, &port);
    m_port = port;
    m_thread = std::thread([this] {
      int c = accept(m_listen, nullptr, nullptr);
      m_client.store(c);
      while (!m_stop.load() && c >= 0) {
        size_t off = 0;
        while (off < m_batch.size() && !m_stop.load()) {
          ssize_t r = send(c, m_batch.data() + off, m_batch.size() - off, MSG_NOSIGNAL);
          if (r <= 0) return;
          off += static_cast<size_t>(r);
        }
      }
    });
  }
  ~StreamServer() {
    m_stop.store(true);
    int c = m_client.load();
    if (c >= 0) shutdown(c, SHUT_RDWR);
    m_thread.join();
    if (c >= 0) close(c);
    close(m_listen);
  }
  int Port() const { return m_port; }

 private:
  const std::vector<uint8_t>& m_batch;
  int m_listen = -1;
  int m_port = 0;
  std::atomic<int> m_client{-1};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

void BM_ReceiveEncipheredLoopback(benchmark::State& state) {
  LogConfig quiet;
  quiet.sinks = 0;
  LogConfigure(quiet);
  const std::vector<uint8_t> batch = BuildBatch();
  StreamServer server(batch);
  CountingSocket sock;
  sock.Initialize();
  if (!sock.Connect("127.0.0.1", server.Port(), 3)) {
    state.SkipWithError("connect failed");
    return;
  }
  size_t target = 0;
  for (auto _ : state) {
    target += kBatchPackets;
    while (sock.packets < target && sock.IsConnected()) sock.ProcessEvent(60000);
  }
  if (!sock.IsConnected()) state.SkipWithError("connection dropped");
  benchmark::DoNotOptimize(sock.checksum);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBatchBytes));
  sock.Close();
}
BENCHMARK(BM_ReceiveEncipheredLoopback)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_MemcpySameBytes(benchmark::State& state) {
  const std::vector<uint8_t> batch = BuildBatch();
  std::vector<uint8_t> dst(batch.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), batch.data(), batch.size());
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(dst.data());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBatchBytes));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
