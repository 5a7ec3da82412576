// One-shot exchanges on the packet thread and background connects on the connection
// thread, run on the real job runner against a scripted server on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "NetTestSupport.h"
#include "framework/ZBThread_runner.h"
#include "net/CGameSession.h"
#include "net/GameConnectionThread.h"
#include "net/GamePacketThread.h"

using namespace nettest;

namespace {

class DispatchRecorder : public ISessionOwner {
 public:
  void OnSessionConnect(IGameSession*) override { ++connects; }
  void OnSessionClose(IGameSession*) override {}
  int ProcessPacket(Packet* p) override {
    std::lock_guard<std::mutex> g(mutex);
    ids.push_back(p->id);
    threads.push_back(std::this_thread::get_id());
    return 1;
  }
  std::atomic<int> connects{0};
  std::mutex mutex;
  std::vector<uint16_t> ids;
  std::vector<std::thread::id> threads;
};

struct TokenRecord {
  std::atomic<int> calls{0};
  std::atomic<int> state{99};
  std::atomic<int> id{0};
  std::atomic<int> value{0};
  std::thread::id thread;
};
void RecordToken(void* object, VXType_packet_thread_token* t) {
  auto* r = static_cast<TokenRecord*>(object);
  r->thread = std::this_thread::get_id();
  r->state = t->state.load();
  r->id = t->packet.id;
  int32_t v = 0;
  t->packet.ReadInt32(&v);
  r->value = v;
  ++r->calls;
}

// A server script: accept one client, read its request, answer with an unrelated
// packet first and then the reply (or hang up without one).
void ServeOneShot(LoopbackPeer* peer, uint16_t reply_id, int32_t value, bool answer) {
  if (!peer->Accept(5000)) return;
  RawPacket req;
  if (!peer->ReadPacket(&req, 5000)) return;
  if (answer) {
    Bytes stream = Wire(399, Int32Payload(0));
    Bytes reply = Wire(reply_id, Int32Payload(value));
    stream.insert(stream.end(), reply.begin(), reply.end());
    peer->Send(stream);
    peer->SeesClose(5000);  // the client hangs up after the reply
  }
  peer->CloseClient();
}

class PacketThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZBThread_runner::Instance()->StartWorkers();
    GamePacketThread::SetDispatchOwner(&dispatch);
    main_thread = std::this_thread::get_id();
  }
  void TearDown() override {
    GamePacketThread::SetDispatchOwner(nullptr);
    GamePacketThread::SetFrameBarrier(nullptr);
    GamePacketThread::SetServiceServerSource(nullptr);
    packets.reset();
    connections.reset();
    ZBThread_runner::DestroyInstance();
  }
  // One frame of the main thread's worker steps.
  void Frame() {
    ZBThread_runner::Instance()->ProcessJobs();
    connections->DispatchRequests();
    packets->ProcessTokens();
  }
  template <class Done>
  bool FramesUntil(Done done, int timeout_ms = 8000) {
    return PumpUntil([&] { Frame(); }, done, timeout_ms);
  }

  LogCapture log;
  DispatchRecorder dispatch;
  std::unique_ptr<GamePacketThread> packets = std::make_unique<GamePacketThread>();
  std::unique_ptr<GameConnectionThread> connections = std::make_unique<GameConnectionThread>();
  std::thread::id main_thread;
};

TEST_F(PacketThreadTest, OneShotReplyIsDeliveredOnTheMainThread) {
  LoopbackPeer peer;
  std::thread server(ServeOneShot, &peer, 181, 77, true);
  TokenRecord rec;
  auto req = std::make_unique<Packet>(181);
  req->WriteInt32(1);
  ASSERT_EQ(packets->PostOneShot("127.0.0.1", peer.Port(), *req, &RecordToken, &rec, false), 1);
  ASSERT_TRUE(FramesUntil([&] { return rec.calls > 0; }));
  server.join();
  EXPECT_EQ(rec.calls, 1);
  EXPECT_EQ(rec.thread, main_thread);
  EXPECT_EQ(rec.state, VXType_packet_thread_token::kReplied);
  EXPECT_EQ(rec.id, 181);
  EXPECT_EQ(rec.value, 77);
  ASSERT_TRUE(FramesUntil([&] { return packets->TokenCount() == 0; }));
  EXPECT_EQ(rec.calls, 1);
  // The unrelated packet was ignored, and the exchange did not report as a session of
  // the game (it must not become the current session).
  EXPECT_TRUE(dispatch.ids.empty());
  EXPECT_EQ(dispatch.connects, 0);
}

TEST_F(PacketThreadTest, ReplyWithoutCallbackGoesToTheGlobalDispatchOnTheMainThread) {
  LoopbackPeer peer;
  static ServerInfo service;
  service.Clear();
  service.SetHost("127.0.0.1");
  service.SetPort(peer.Port());
  GamePacketThread::SetServiceServerSource([]() -> const ServerInfo* { return &service; });
  std::thread server(ServeOneShot, &peer, 188, 5, true);
  auto req = std::make_unique<Packet>(188);
  ASSERT_EQ(packets->PostToServiceServer(*req, nullptr, nullptr, false), 1);
  ASSERT_TRUE(FramesUntil([&] {
    std::lock_guard<std::mutex> g(dispatch.mutex);
    return !dispatch.ids.empty();
  }));
  server.join();
  std::lock_guard<std::mutex> g(dispatch.mutex);
  EXPECT_EQ(dispatch.ids, std::vector<uint16_t>{188});
  EXPECT_EQ(dispatch.threads[0], main_thread);
}

TEST_F(PacketThreadTest, FailedExchangeReachesItsCallbackOnceWithStateMinusOne) {
  struct Case {
    const char* name;
    bool listen;  // false: the connect is refused; true: the server hangs up unanswered
  } cases[] = {{"connect refused", false}, {"no reply", true}};
  for (const Case& c : cases) {
    LoopbackPeer peer;
    std::thread server;
    if (c.listen)
      server = std::thread(ServeOneShot, &peer, 0, 0, false);
    else
      peer.StopListening();
    TokenRecord rec;
    auto req = std::make_unique<Packet>(172);
    ASSERT_EQ(packets->PostOneShot("127.0.0.1", peer.Port(), *req, &RecordToken, &rec, false), 1);
    ASSERT_TRUE(FramesUntil([&] { return packets->TokenCount() == 0; })) << c.name;
    if (server.joinable()) server.join();
    for (int i = 0; i < 5; ++i) Frame();
    EXPECT_EQ(rec.calls, 1) << c.name;
    EXPECT_EQ(rec.state, VXType_packet_thread_token::kFailed) << c.name;
    EXPECT_EQ(rec.thread, main_thread) << c.name;  // delivered by the frame step, like a reply
    EXPECT_TRUE(dispatch.ids.empty()) << c.name;
  }
}

TEST_F(PacketThreadTest, ExchangeWaitsForTheFrameLockBeforeConnecting) {
  CriticalSection frame_lock;
  GamePacketThread::SetFrameBarrier(&frame_lock);
  LoopbackPeer peer;
  TokenRecord rec;
  auto req = std::make_unique<Packet>(181);
  {
    CSGuard frame(&frame_lock);  // a frame in progress
    ASSERT_EQ(packets->PostOneShot("127.0.0.1", peer.Port(), *req, &RecordToken, &rec, false), 1);
    Frame();  // queues the job
    Frame();  // starts it
    EXPECT_FALSE(peer.Accept(200));  // the worker is held at the barrier
  }
  std::thread server([&] {
    RawPacket got;
    if (!peer.Accept(5000) || !peer.ReadPacket(&got, 5000)) return;
    peer.Send(Wire(181, Int32Payload(3)));
    peer.SeesClose(5000);
  });
  ASSERT_TRUE(FramesUntil([&] { return rec.calls > 0; }));
  server.join();
  EXPECT_EQ(rec.state, VXType_packet_thread_token::kReplied);
}

TEST_F(PacketThreadTest, TokenOutlivesThePacketThreadWhileItsExchangeRuns) {
  LoopbackPeer peer;
  TokenRecord rec;
  auto req = std::make_unique<Packet>(181);
  ASSERT_EQ(packets->PostOneShot("127.0.0.1", peer.Port(), *req, &RecordToken, &rec, false), 1);
  Frame();
  Frame();
  ASSERT_TRUE(peer.Accept(5000));
  RawPacket got;
  ASSERT_TRUE(peer.ReadPacket(&got, 5000));  // the worker now waits for the reply
  packets.reset();                           // shut down mid-exchange
  peer.CloseClient();                        // the exchange fails on the worker
  // The runner lets go of the finished job: the token is freed then (ASan checks that
  // nothing touched it after). Nobody is left to deliver the failure, so nobody hears it.
  ASSERT_TRUE(PumpUntil([&] { ZBThread_runner::Instance()->ProcessJobs(); },
                        [&] { return ZBThread_runner::Instance()->JobCount() == 0; }));
  EXPECT_EQ(rec.calls, 0);
}

TEST_F(PacketThreadTest, ConnectionThreadConnectsOneQueuedSessionPerFrame) {
  LoopbackPeer peer, refusing;
  refusing.StopListening();
  CGameSession s1(1, &dispatch), s2(2, &dispatch), s3(2, &dispatch);
  for (CGameSession* s : {&s1, &s2, &s3}) {
    s->Info().SetHost("127.0.0.1");
    s->Info().SetPort(s == &s3 ? refusing.Port() : peer.Port());
  }
  struct Done {
    std::atomic<int> calls{0};
    std::atomic<bool> connected{false};
    std::thread::id thread;
  } done1, done2, done3;
  auto cb = [](void* object, CGameSession* s) {
    auto* d = static_cast<Done*>(object);
    d->connected = s->IsConnected();
    d->thread = std::this_thread::get_id();
    ++d->calls;
  };
  ASSERT_EQ(connections->PostConnect(&s1, false, cb, &done1), 1);
  ASSERT_EQ(connections->PostConnect(&s2, false, cb, &done2), 1);
  ASSERT_EQ(connections->PostConnect(&s3, false, cb, &done3), 1);
  connections->DispatchRequests();
  EXPECT_EQ(connections->RequestCount(), 2);  // one per frame
  ASSERT_TRUE(FramesUntil([&] { return done1.calls > 0 && done2.calls > 0 && done3.calls > 0; }));
  EXPECT_TRUE(done1.connected);
  EXPECT_TRUE(done2.connected);
  EXPECT_FALSE(done3.connected);  // a failed connect is reported too
  for (Done* d : {&done1, &done2, &done3}) {
    EXPECT_EQ(d->calls, 1);
    EXPECT_EQ(d->thread, main_thread);  // by the frame step, not on the worker
  }
  EXPECT_TRUE(s1.IsConnected());
  EXPECT_EQ(s1.Info().Port(), peer.Port());  // connected to its own server info
  EXPECT_TRUE(log.Contains("GameConnectionThread::Thread_run 127.0.0.1:" + std::to_string(peer.Port())));
  for (int i = 0; i < 3; ++i) Frame();  // the runner frees the finished jobs
}

}  // namespace
