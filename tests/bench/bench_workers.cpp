// Background workers: download throughput from loopback and the idle cost of the
// per-frame delivery step.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>

#include "app/WorkerHooks.h"
#include "framework/ZBWebDownload.h"
#include "support/Loopback.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Counts every allocation in the process, so the idle frame step can be shown not to allocate.
// (GCC mistakes the malloc/free pair behind the replaced operators for a mismatch.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// A minimal HTTP/1.1 server on loopback: answers every request with the same small
// body and closes the connection.
class LoopbackServer {
 public:
  explicit LoopbackServer(size_t body_size) : m_body(body_size, 'b') {
    uint16_t port = 0;
    m_fd = test_support::ListenOnLoopback(64, &port);
    m_port = port;
    m_reply = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
              std::to_string(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body;
    m_thread = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    m_stop.store(true);
    shutdown(m_fd, SHUT_RDWR);  // wakes the accept
    m_thread.join();
    close(m_fd);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/small"; }

 private:
  void Serve() {
    char buf[4096];
    while (!m_stop.load()) {
      int c = accept(m_fd, nullptr, nullptr);
      if (c < 0) continue;
      std::string req;
      while (req.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = recv(c, buf, sizeof(buf), 0);
        if (n <= 0) break;
        req.append(buf, static_cast<size_t>(n));
      }
      size_t off = 0;
      while (off < m_reply.size()) {
        ssize_t n = send(c, m_reply.data() + off, m_reply.size() - off, MSG_NOSIGNAL);
        if (n <= 0) break;
        off += static_cast<size_t>(n);
      }
      close(c);
    }
  }
  std::string m_body, m_reply;
  int m_fd = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

void CountDone(void* user, WebDownloadRequest* r) {
  auto* done = static_cast<int*>(user);
  if (r->state.load() == 2) ++*done;
}

// 200 small (1 KB) downloads queued at once and delivered by the frame step. Arg: the
// pause between frames in microseconds (0: frames back to back; 1000: the main loop's
// 1 ms sleep).
void BM_SmallDownloads200(benchmark::State& state) {
  constexpr int kCount = 200;
  LoopbackServer server(1024);
  WorkerHooks hooks;
  hooks.Start();
  const std::string url = server.Url();
  const auto pause = std::chrono::microseconds(state.range(0));
  int failed = 0;
  for (auto _ : state) {
    int done = 0;
    for (int i = 0; i < kCount; ++i) ZBWebDownload::Instance()->Download(url.c_str(), &CountDone, &done);
    while (ZBWebDownload::Instance()->RequestCount() > 0) {
      hooks.FrameStep();
      if (pause.count()) std::this_thread::sleep_for(pause);
    }
    failed += kCount - done;
  }
  hooks.Shutdown();
  state.SetItemsProcessed(state.iterations() * kCount);
  state.counters["failed"] = failed;
}
BENCHMARK(BM_SmallDownloads200)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The frame step with nothing queued: timers, runner and downloads all idle.
void BM_IdleFrameStep(benchmark::State& state) {
  WorkerHooks hooks;
  hooks.Start();
  hooks.FrameStep();
  const long before = g_allocations.load();
  for (auto _ : state) hooks.FrameStep();
  const long allocations = g_allocations.load() - before;
  state.counters["allocs_per_step"] =
      benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
  hooks.Shutdown();
}
BENCHMARK(BM_IdleFrameStep);

}  // namespace

BENCHMARK_MAIN();
