// The game session against a scripted server on loopback: connecting, request/reply
// pairing (SendAndWait, SendAsync), dispatch to the owner, busy, close and reset.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "NetTestSupport.h"
#include "framework/ZBThread.h"
#include "net/CGameSession.h"

using namespace nettest;

namespace {

class FakeOwner : public ISessionOwner {
 public:
  void OnSessionConnect(IGameSession* s) override {
    ++connects;
    last_index = s->SessionIndex();
  }
  void OnSessionClose(IGameSession*) override { ++closes; }
  int ProcessPacket(Packet* p) override {
    std::lock_guard<std::mutex> g(mutex);
    ids.push_back(p->id);
    return 1;
  }
  std::vector<uint16_t> Ids() {
    std::lock_guard<std::mutex> g(mutex);
    return ids;
  }
  std::atomic<int> connects{0}, closes{0}, last_index{-1};
  std::mutex mutex;
  std::vector<uint16_t> ids;
};

struct CallbackRecord {
  int calls = 0;
  uint16_t id = 0;
  int32_t value = 0;
};
int RecordReply(void* user, Packet* reply) {
  auto* r = static_cast<CallbackRecord*>(user);
  ++r->calls;
  r->id = reply->id;
  reply->ReadInt32(&r->value);
  return 1;
}

class GameSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { session = std::make_unique<CGameSession>(1, &owner); }
  void ConnectTo(LoopbackPeer& p, bool indicator = false) {
    ASSERT_EQ(session->Connect("127.0.0.1", p.Port(), indicator), 1);
    ASSERT_TRUE(p.Accept());
  }
  void Pump() { session->ProcessEvent(60000); }
  // Pumps until the owner has seen `n` packets (or a time-out).
  bool PumpUntilOwnerHas(size_t n) {
    return PumpUntil([&] { Pump(); }, [&] { return owner.Ids().size() >= n; });
  }
  LogCapture log;
  FakeIndicator indicator;
  FakeOwner owner;
  LoopbackPeer peer;
  std::unique_ptr<CGameSession> session;
};

TEST_F(GameSessionTest, ConnectReportsToTheOwnerAndSwitchesToTheSessionKey) {
  ConnectTo(peer, true);
  EXPECT_EQ(owner.connects, 1);
  EXPECT_EQ(owner.last_index, 1);
  EXPECT_TRUE(session->ConnectNotified());
  EXPECT_EQ(indicator.shows, 1);
  EXPECT_EQ(indicator.last_timeout, 30000u);
  EXPECT_EQ(indicator.stops, 1);
  char key[ZBClientSocket::kKeySize];
  session->GetKey(key);
  EXPECT_STREQ(key, kSessionKey);
  EXPECT_TRUE(log.Contains("CGameSession::Connect 127.0.0.1:" + std::to_string(peer.Port())));

  // Already connected: nothing new happens.
  EXPECT_EQ(session->Connect("127.0.0.1", peer.Port(), false), 1);
  EXPECT_EQ(owner.connects, 1);

  // Server packets enciphered with the session key reach the owner deciphered.
  auto p = std::make_unique<Packet>(305);
  p->WriteInt32(1234);
  p->Encipher(kSessionKey, std::strlen(kSessionKey));
  Bytes wire(p->length);
  p->SerializeTo(wire.data(), wire.size());
  ASSERT_TRUE(peer.Send(wire));
  ASSERT_TRUE(PumpUntilOwnerHas(1));
  EXPECT_EQ(owner.Ids()[0], 305);
}

TEST_F(GameSessionTest, SendAndWaitTakesTheFirstMatchingReply) {
  struct Case {
    bool busy;
    std::vector<uint16_t> dispatched;  // what the owner sees once everything arrived
  } cases[] = {{false, {300, 148}}, {true, {}}};
  for (const Case& c : cases) {
    LoopbackPeer srv;
    owner.ids.clear();
    ConnectTo(srv);
    session->SetBusy(c.busy);
    std::thread server([&] {
      RawPacket req;
      if (!srv.ReadPacket(&req) || req.id != 148) return;
      Bytes stream = Wire(300, Int32Payload(0));
      for (int32_t v : {11, 22}) {
        Bytes r = Wire(148, Int32Payload(v));
        stream.insert(stream.end(), r.begin(), r.end());
      }
      srv.Send(stream);
    });
    auto req = std::make_unique<Packet>(148);
    req->WriteInt32(2);
    EXPECT_EQ(session->SendAndWait(*req, 3000, false), 1);
    server.join();
    Packet& reply = session->ReplyBuffer();
    EXPECT_EQ(reply.id, 148);
    EXPECT_EQ(reply.read_pos, 0u);
    int32_t v = 0;
    EXPECT_EQ(reply.ReadInt32(&v), 1);
    EXPECT_EQ(v, 11);
    EXPECT_FALSE(session->IsWaiting());
    for (int i = 0; i < 5; ++i) Pump();
    EXPECT_EQ(owner.Ids(), c.dispatched) << "busy " << c.busy;
    session->SetBusy(false);
    session->Close();
  }
}

// An owner with a dispatch lock that notes, for every packet it is given, whether the
// dispatching thread held that lock (another thread cannot take it then).
class LockingOwner : public FakeOwner {
 public:
  CriticalSection* DispatchLock() override { return &lock; }
  int ProcessPacket(Packet* p) override {
    bool free = false;
    std::thread probe([&] {
      free = lock.try_lock();
      if (free) lock.unlock();
    });
    probe.join();
    held_each_time = held_each_time && !free;
    return FakeOwner::ProcessPacket(p);
  }
  CriticalSection lock;
  std::atomic<bool> held_each_time{true};
};

TEST_F(GameSessionTest, AWorkerWaitingForAReplyDispatchesOtherPacketsUnderTheOwnersLock) {
  LockingOwner locking;
  CGameSession s(2, &locking);
  ASSERT_EQ(s.Connect("127.0.0.1", peer.Port(), false), 1);
  ASSERT_TRUE(peer.Accept());
  std::thread server([&] {
    RawPacket req;
    if (!peer.ReadPacket(&req) || req.id != 148) return;
    Bytes stream = Wire(301, Int32Payload(0));
    Bytes more = Wire(302, Int32Payload(0));
    Bytes reply = Wire(148, Int32Payload(5));
    stream.insert(stream.end(), more.begin(), more.end());
    stream.insert(stream.end(), reply.begin(), reply.end());
    peer.Send(stream);
  });
  int result = 0;
  std::thread worker([&] {
    auto req = std::make_unique<Packet>(148);
    result = s.SendAndWait(*req, 3000, false);
  });
  worker.join();
  server.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(locking.Ids(), (std::vector<uint16_t>{301, 302}));
  EXPECT_TRUE(locking.held_each_time);
}

// A worker thread that waits for a reply which never comes.
class WaitingWorker : public ZBThread {
 public:
  explicit WaitingWorker(CGameSession* s) : session(s) {}
  ~WaitingWorker() override { End(); }
  int Run(ZBTHREAD_PARAM_HEADER*) override {
    auto req = std::make_unique<Packet>(148);
    result = session->SendAndWait(*req, 60000, false);
    returned = true;
    return 1;
  }
  CGameSession* session;
  std::atomic<int> result{-1};
  std::atomic<bool> returned{false};
};

TEST_F(GameSessionTest, AWaitGivesUpWhenItsWorkerIsToldToStop) {
  ConnectTo(peer);
  WaitingWorker worker(session.get());
  ASSERT_EQ(worker.Begin(), 1);
  RawPacket req;
  ASSERT_TRUE(peer.ReadPacket(&req));  // the request is out; the worker now waits
  worker.End();
  EXPECT_FALSE(worker.WasAbandoned());  // ended well inside End's own wait
  EXPECT_TRUE(worker.returned);
  EXPECT_EQ(worker.result, 0);
  EXPECT_FALSE(session->IsWaiting());
}

TEST_F(GameSessionTest, SendAndWaitTimesOutAndTheLateReplyGoesToTheGlobalDispatch) {
  ConnectTo(peer);
  auto req = std::make_unique<Packet>(148);
  const uint32_t start = GetTickMs();
  EXPECT_EQ(session->SendAndWait(*req, 200, true), 0);
  EXPECT_GE(TicksSince(start), 200u);
  EXPECT_FALSE(session->IsWaiting());
  EXPECT_EQ(indicator.shows, 1);
  EXPECT_EQ(indicator.stops, 1);
  RawPacket got;
  ASSERT_TRUE(peer.ReadPacket(&got));
  EXPECT_EQ(got.id, 148);

  ASSERT_TRUE(peer.Send(Wire(148, Int32Payload(5))));
  ASSERT_TRUE(PumpUntilOwnerHas(1));
  EXPECT_EQ(owner.Ids(), std::vector<uint16_t>{148});
}

TEST_F(GameSessionTest, SecondSendAndWaitWhileOneIsOutstandingFailsWithoutSending) {
  ConnectTo(peer);
  std::atomic<int> first_result{-1};
  std::thread waiter([&] {
    auto req = std::make_unique<Packet>(150);
    first_result = session->SendAndWait(*req, 5000, false);
  });
  RawPacket got;
  ASSERT_TRUE(peer.ReadPacket(&got));
  EXPECT_EQ(got.id, 150);
  ASSERT_TRUE(session->IsWaiting());

  auto second = std::make_unique<Packet>(151);
  EXPECT_EQ(session->SendAndWait(*second, 1000, false), 0);
  EXPECT_TRUE(peer.Silent(100));  // nothing was sent for it

  ASSERT_TRUE(peer.Send(Wire(150, Int32Payload(1))));
  waiter.join();
  EXPECT_EQ(first_result, 1);
}

TEST_F(GameSessionTest, SendAndWaitOnAClosedSessionFailsAtOnce) {
  auto req = std::make_unique<Packet>(150);
  EXPECT_EQ(session->SendAndWait(*req, 5000, false), 0);
  EXPECT_FALSE(session->IsWaiting());
}

TEST_F(GameSessionTest, PacketsAreDroppedWhileBusy) {
  ConnectTo(peer);
  session->SetBusy(true);
  ASSERT_TRUE(peer.Send(Wire(300, Int32Payload(0))));
  ASSERT_TRUE(WaitReadable(session->SocketHandle(), 14));
  Pump();
  EXPECT_EQ(session->BufferedBytes(), 0u);
  EXPECT_TRUE(owner.Ids().empty());

  session->SetBusy(false);
  ASSERT_TRUE(peer.Send(Wire(301, Int32Payload(0))));
  ASSERT_TRUE(PumpUntilOwnerHas(1));
  EXPECT_EQ(owner.Ids(), std::vector<uint16_t>{301});
}

TEST_F(GameSessionTest, SendAsyncReplyGoesToTheCallbackOrTheOwner) {
  ConnectTo(peer);
  CallbackRecord rec;
  auto req = std::make_unique<Packet>(170);
  ASSERT_EQ(session->SendAsync(*req, &rec, &RecordReply), 1);
  EXPECT_TRUE(session->IsWaiting());
  EXPECT_EQ(session->AwaitedId(), 170);
  EXPECT_EQ(indicator.shows, 1);
  Bytes stream = Wire(171, Int32Payload(0));
  Bytes reply = Wire(170, Int32Payload(42));
  stream.insert(stream.end(), reply.begin(), reply.end());
  ASSERT_TRUE(peer.Send(stream));
  ASSERT_TRUE(PumpUntil([&] { Pump(); }, [&] { return rec.calls > 0; }));
  EXPECT_EQ(rec.calls, 1);
  EXPECT_EQ(rec.id, 170);
  EXPECT_EQ(rec.value, 42);
  EXPECT_EQ(indicator.stops, 1);
  EXPECT_FALSE(session->IsWaiting());
  EXPECT_EQ(owner.Ids(), std::vector<uint16_t>{171});

  // Without a callback the awaited reply still reaches the owner.
  ASSERT_EQ(session->SendAsync(*req, nullptr, nullptr), 1);
  ASSERT_TRUE(peer.Send(Wire(170, Int32Payload(1))));
  ASSERT_TRUE(PumpUntilOwnerHas(2));
  EXPECT_EQ(owner.Ids()[1], 170);
  EXPECT_FALSE(session->IsWaiting());
  EXPECT_EQ(rec.calls, 1);

  // SendNoWait leaves nothing outstanding.
  ASSERT_EQ(session->SendNoWait(*req), 1);
  EXPECT_FALSE(session->IsWaiting());
}

TEST_F(GameSessionTest, ClosingAbandonsTheSendAsyncAndClearsTheConnectionState) {
  ConnectTo(peer);
  session->Info().SetHost("127.0.0.1");
  session->Info().SetPort(peer.Port());
  session->SetLoggedIn(true);
  session->SetHelloOk(true);
  session->SetEnterTime(99);
  CallbackRecord rec;
  auto req = std::make_unique<Packet>(160);
  ASSERT_EQ(session->SendAsync(*req, &rec, &RecordReply), 1);
  const int stops_before = indicator.stops;

  session->Close();
  EXPECT_FALSE(session->IsConnected());
  EXPECT_FALSE(session->IsWaiting());
  EXPECT_EQ(indicator.stops, stops_before + 1);
  EXPECT_EQ(owner.closes, 1);
  EXPECT_FALSE(session->IsLoggedIn());
  EXPECT_FALSE(session->ConnectNotified());
  EXPECT_TRUE(session->HelloOk());
  EXPECT_EQ(session->EnterTime(), 0u);
  EXPECT_STREQ(session->Info().Host(), "");
  EXPECT_EQ(session->Info().Port(), 0);
  EXPECT_EQ(session->Info().Kind(), 1);
  EXPECT_TRUE(peer.SeesClose());

  // After reconnecting, a packet with the abandoned id is an ordinary packet.
  LoopbackPeer again;
  ConnectTo(again);
  ASSERT_TRUE(again.Send(Wire(160, Int32Payload(0))));
  ASSERT_TRUE(PumpUntilOwnerHas(1));
  EXPECT_EQ(rec.calls, 0);

  // CloseAndWait on a connected session ends disconnected; on a closed one it clears
  // the logged-in flag.
  EXPECT_EQ(session->CloseAndWait(), 1);
  EXPECT_FALSE(session->IsConnected());
  session->SetLoggedIn(true);
  EXPECT_EQ(session->CloseAndWait(), 1);
  EXPECT_FALSE(session->IsLoggedIn());
}

TEST_F(GameSessionTest, ResetKeepingServerKeepsTheAddressAndRestoresTheInitialKey) {
  ConnectTo(peer);
  session->Info().SetHost("127.0.0.1");
  session->Info().SetPort(peer.Port());
  session->Info().SetKind(2);
  session->ResetKeepingServer();
  EXPECT_FALSE(session->IsConnected());
  EXPECT_STREQ(session->Info().Host(), "127.0.0.1");
  EXPECT_EQ(session->Info().Port(), peer.Port());
  EXPECT_EQ(session->Info().Kind(), 1);  // the kind follows the session's index
  char key[ZBClientSocket::kKeySize];
  session->GetKey(key);
  EXPECT_STREQ(key, kInitialSocketKey);
  // Ready to connect again to the kept address.
  LoopbackPeer again;
  session->Info().SetPort(again.Port());
  EXPECT_EQ(session->Connect(session->Info().Host(), session->Info().Port(), false), 1);
}

TEST_F(GameSessionTest, HostFieldWithoutTerminatorIsRefusedWithinItsSixteenBytes) {
  ServerInfo info;
  std::memset(info.raw, '1', 40);  // host, selectors and port all non-zero text
  EXPECT_EQ(session->Connect(info.Host(), peer.Port(), false), 0);
  EXPECT_FALSE(session->IsConnected());
}

TEST_F(GameSessionTest, LastWordsOfAServerThatHangsUpAllReachTheOwner) {
  // A kick or maintenance notice followed by the close: the session's close frees its
  // buffers, so everything complete must have been dispatched before.
  ConnectTo(peer);
  Bytes stream = WireRun(330, 12);
  Bytes partial = Wire(350, Int32Payload(7));
  partial.resize(partial.size() - 2);  // cut off: never complete, never dispatched
  stream.insert(stream.end(), partial.begin(), partial.end());
  ASSERT_TRUE(peer.Send(stream));
  peer.CloseClient();
  ASSERT_TRUE(PumpUntil([&] { Pump(); }, [&] { return !session->IsConnected(); }));
  std::vector<uint16_t> want;
  for (int i = 0; i < 12; ++i) want.push_back(static_cast<uint16_t>(330 + i));
  EXPECT_EQ(owner.Ids(), want);
  EXPECT_EQ(owner.closes, 1);
}

TEST(GameSessionFactory, CreatesSessionsWithTheirIndexAndKind) {
  FakeOwner owner;
  for (int i = 0; i < 4; ++i) {
    std::unique_ptr<IGameSession> s(CreateGameSession(i, &owner));
    EXPECT_EQ(s->SessionIndex(), i);
    EXPECT_EQ(s->Info().Kind(), i);
    EXPECT_FALSE(s->IsConnected());
    EXPECT_FALSE(s->IsLoggedIn());
  }
}

}  // namespace
