// The client socket against a scripted server on loopback: bytes on the wire, stream
// framing, the five-per-pump limit, deciphering, heartbeats, connect and send failures.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "NetTestSupport.h"
#include "net/ZBClientSocket.h"

using namespace nettest;

namespace {

struct Received {
  uint16_t id, enciphered, length;
  Bytes payload;
};

class RecordingSocket : public ZBClientSocket {
 public:
  int OnAppPacket(Packet* p) override {
    app.push_back({p->id, p->enciphered, p->length, Bytes(p->payload, p->payload + p->PayloadLength())});
    return 1;
  }
  int OnSystemPacket(Packet* p) override {
    sys.push_back({p->id, p->enciphered, p->length, Bytes(p->payload, p->payload + p->PayloadLength())});
    return ZBClientSocket::OnSystemPacket(p);
  }
  std::vector<Received> app, sys;
};

class ClientSocketTest : public ::testing::Test {
 protected:
  void Connect(LoopbackPeer& peer) {
    ASSERT_EQ(sock.Initialize(), 1);
    ASSERT_EQ(sock.Connect("127.0.0.1", peer.Port(), 3), 1);
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(sock.IsConnected());
  }
  // Sends bytes from the peer and pumps once after they are all readable.
  void DeliverAndPump(LoopbackPeer& peer, const Bytes& b) {
    ASSERT_TRUE(peer.Send(b));
    ASSERT_TRUE(WaitReadable(sock.SocketHandle(), b.size()));
    sock.ProcessEvent(60000);
  }
  LogCapture log;
  RecordingSocket sock;
};

// An enciphered wire packet built the way a server would, with `key`.
Bytes EncipheredWire(uint16_t id, const Bytes& plain, const char* key) {
  auto p = std::make_unique<Packet>(id);
  p->WriteBytes(plain.data(), plain.size());
  p->Encipher(key, std::strlen(key));
  Bytes out(p->length);
  p->SerializeTo(out.data(), out.size());
  return out;
}

TEST_F(ClientSocketTest, FreshPacketLeavesAsTenBytesWithTheMarkSet) {
  LoopbackPeer peer;
  Connect(peer);
  auto p = std::make_unique<Packet>(145);
  EXPECT_EQ(sock.SendPacket(p.get(), 0), 10);
  EXPECT_EQ(p->mark, 1);
  RawPacket got;
  ASSERT_TRUE(peer.ReadPacket(&got));
  const Bytes expected = {0x87, 0xF0, 0x0A, 0x00, 145, 0x00, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(got.wire, expected);

  // With enciphering asked for, the payload leaves enciphered with the socket's key and
  // the caller's packet is left as it was.
  auto q = std::make_unique<Packet>(300);
  q->WriteInt32(0x11223344);
  EXPECT_EQ(sock.SendPacket(q.get(), 1), 14);
  EXPECT_EQ(q->enciphered, 0);
  ASSERT_TRUE(peer.ReadPacket(&got));
  EXPECT_EQ(got.enciphered, 1);
  Bytes expected_enc = EncipheredWire(300, {0x44, 0x33, 0x22, 0x11}, kInitialSocketKey);
  EXPECT_EQ(got.payload, Bytes(expected_enc.begin() + 10, expected_enc.end()));
  EXPECT_NE(got.payload, Bytes({0x44, 0x33, 0x22, 0x11}));
}

TEST_F(ClientSocketTest, PacketsSplitAtEveryByteBoundaryAreFramedWhole) {
  LoopbackPeer peer;
  Connect(peer);
  Bytes plain;
  for (int i = 0; i < 20; ++i) plain.push_back(static_cast<uint8_t>(i * 7));
  Bytes stream = Wire(200, Int32Payload(-5));
  const size_t first_len = stream.size();
  Bytes second = EncipheredWire(201, plain, kInitialSocketKey);
  stream.insert(stream.end(), second.begin(), second.end());

  for (size_t k = 1; k < stream.size(); ++k) {
    sock.app.clear();
    DeliverAndPump(peer, Bytes(stream.begin(), stream.begin() + k));
    const size_t whole = k >= first_len ? 1 : 0;
    ASSERT_EQ(sock.app.size(), whole) << "split at " << k;
    ASSERT_EQ(sock.BufferedBytes(), k - whole * first_len) << "split at " << k;
    DeliverAndPump(peer, Bytes(stream.begin() + k, stream.end()));
    ASSERT_EQ(sock.app.size(), 2u) << "split at " << k;
    EXPECT_EQ(sock.app[0].id, 200);
    EXPECT_EQ(sock.app[0].payload, Int32Payload(-5));
    EXPECT_EQ(sock.app[1].id, 201);
    EXPECT_EQ(sock.app[1].enciphered, 0);
    ASSERT_EQ(sock.app[1].payload, plain) << "split at " << k;
    ASSERT_EQ(sock.BufferedBytes(), 0u);
  }
  EXPECT_TRUE(sock.IsConnected());
}

TEST_F(ClientSocketTest, ManyPacketsInOneReadAreDispatchedFivePerPump) {
  LoopbackPeer peer;
  Connect(peer);
  const Bytes stream = WireRun(300, 12);
  DeliverAndPump(peer, stream);
  EXPECT_EQ(sock.app.size(), 5u);
  sock.ProcessEvent(60000);  // nothing new on the wire: the buffer still feeds it
  EXPECT_EQ(sock.app.size(), 10u);
  sock.ProcessEvent(60000);
  ASSERT_EQ(sock.app.size(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(sock.app[i].id, 300 + i);
}

TEST_F(ClientSocketTest, BurstBiggerThanTheReceiveBufferSpreadsOverPumps) {
  LoopbackPeer peer;
  Connect(peer);
  const int count = 8000;  // 112000 bytes: more than the whole receive buffer
  Bytes stream;
  for (int i = 0; i < count; ++i) {
    Bytes one = Wire(static_cast<uint16_t>(101 + i % 800), Int32Payload(i));
    stream.insert(stream.end(), one.begin(), one.end());
  }
  std::thread sender([&] { peer.Send(stream); });
  size_t before = 0;
  bool at_most_five = true;
  const uint32_t start = GetTickMs();
  while (sock.app.size() < static_cast<size_t>(count) && sock.IsConnected() && TicksSince(start) < 20000) {
    sock.ProcessEvent(60000);
    at_most_five = at_most_five && sock.app.size() - before <= 5;
    before = sock.app.size();
  }
  sender.join();
  EXPECT_TRUE(sock.IsConnected());
  EXPECT_TRUE(at_most_five);
  ASSERT_EQ(sock.app.size(), static_cast<size_t>(count));
  for (int i = 0; i < count; i += 997) {
    int32_t v = 0;
    std::memcpy(&v, sock.app[i].payload.data(), 4);
    EXPECT_EQ(v, i);
  }
  EXPECT_FALSE(log.Contains("Buffer is Full"));
}

TEST_F(ClientSocketTest, SocketLevelIdsGoToTheSystemHandler) {
  LoopbackPeer peer;
  Connect(peer);
  Bytes hello_payload = Int32Payload(7);
  for (int i = 0; i < 16; ++i) hello_payload.push_back(static_cast<uint8_t>('A' + i));
  Bytes stream = Wire(1, hello_payload);
  Bytes other = Wire(100, Int32Payload(0));
  Bytes app = Wire(101, Int32Payload(0));
  stream.insert(stream.end(), other.begin(), other.end());
  stream.insert(stream.end(), app.begin(), app.end());
  DeliverAndPump(peer, stream);
  ASSERT_EQ(sock.sys.size(), 2u);
  EXPECT_EQ(sock.sys[0].id, 1);
  EXPECT_EQ(sock.sys[1].id, 100);
  ASSERT_EQ(sock.app.size(), 1u);
  EXPECT_EQ(sock.app[0].id, 101);
  EXPECT_TRUE(sock.HelloReceived());
  EXPECT_EQ(sock.HelloValue(), 7);
  EXPECT_EQ(0, std::memcmp(sock.HelloData(), "ABCDEFGHIJKLMNOP", 16));
}

TEST_F(ClientSocketTest, HeartbeatGoesOutOnlyAfterTheIntervalHasPassed) {
  ManualClock clock(5000);
  LoopbackPeer peer;
  Connect(peer);
  EXPECT_EQ(sock.LastHeartbeatTime(), 5000u);  // connecting stamps it

  clock.Set(5050);
  sock.ProcessEvent(50);  // exactly the interval: not yet
  EXPECT_TRUE(peer.Silent(50));

  clock.Set(5051);
  sock.ProcessEvent(50);
  RawPacket hb;
  ASSERT_TRUE(peer.ReadPacket(&hb));
  const Bytes expected = {0x87, 0xF0, 0x0E, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0};
  EXPECT_EQ(hb.wire, expected);
  EXPECT_EQ(sock.LastHeartbeatTime(), 5051u);

  clock.Set(5101);
  sock.ProcessEvent(50);
  EXPECT_TRUE(peer.Silent(50));
  clock.Set(5102);
  sock.ProcessEvent(50);
  ASSERT_TRUE(peer.ReadPacket(&hb));
  EXPECT_EQ(hb.id, 3);
}

TEST_F(ClientSocketTest, SendingWhileNotConnectedSendsNothing) {
  auto p = std::make_unique<Packet>(150);
  ASSERT_EQ(sock.Initialize(), 1);
  EXPECT_EQ(sock.SendPacket(p.get(), 0), 0);

  LoopbackPeer peer;
  Connect(peer);
  sock.Close();
  EXPECT_FALSE(sock.IsConnected());
  EXPECT_FALSE(sock.HasSocket());
  EXPECT_EQ(sock.SendPacket(p.get(), 0), 0);
  EXPECT_EQ(sock.ProcessEvent(60000), 0);
  EXPECT_TRUE(peer.SeesClose());
}

TEST_F(ClientSocketTest, ConnectFailuresReturnZeroWithTheSocketClosed) {
  ASSERT_EQ(sock.Initialize(), 1);
  struct Case {
    const char* host;
    bool refuse;
  } cases[] = {{"127.0.0.1", true}, {"300.1.2.3", false}, {"not an address", false}, {nullptr, false}};
  for (const Case& c : cases) {
    LoopbackPeer peer;
    if (c.refuse) peer.StopListening();
    EXPECT_EQ(sock.Connect(c.host, peer.Port(), 2), 0) << (c.host ? c.host : "null");
    EXPECT_FALSE(sock.HasSocket());
    EXPECT_FALSE(sock.IsConnected());
  }
  EXPECT_TRUE(log.Contains("connect() FAILED"));
}

TEST_F(ClientSocketTest, ConnectThatIsNotAnsweredTimesOut) {
  // A listener with a full accept queue drops further connection attempts, so the
  // connect is never answered within the time-out.
  int l = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(l, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
  ASSERT_EQ(listen(l, 0), 0);
  socklen_t len = sizeof(a);
  getsockname(l, reinterpret_cast<sockaddr*>(&a), &len);
  std::vector<int> fillers;
  for (int i = 0; i < 3; ++i) {
    int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    connect(f, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    fillers.push_back(f);
  }
  usleep(50000);
  ASSERT_EQ(sock.Initialize(), 1);
  EXPECT_EQ(sock.Connect("127.0.0.1", ntohs(a.sin_port), 1), 0);
  EXPECT_FALSE(sock.HasSocket());
  EXPECT_TRUE(log.Contains("select() time out"));
  for (int f : fillers) close(f);
  close(l);
}

TEST_F(ClientSocketTest, CorruptHeaderClosesTheConnectionInsteadOfStalling) {
  struct Case {
    const char* name;
    Bytes garbage;
  } cases[] = {
      {"bad magic", {0x00, 0x11, 0x0E, 0x00, 0x2D, 0x01, 0, 0, 0, 0, 1, 2, 3, 4}},
      {"length 10", Wire(300, {})},
      {"id 0", Wire(0, Int32Payload(1))},
      {"length too big", {0x87, 0xF0, 0x01, 0x78, 0x2D, 0x01, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    LoopbackPeer peer;
    sock.app.clear();
    Connect(peer);
    Bytes stream = Wire(300, Int32Payload(1));
    stream.insert(stream.end(), c.garbage.begin(), c.garbage.end());
    DeliverAndPump(peer, stream);
    ASSERT_EQ(sock.app.size(), 1u) << c.name;  // what came before is still delivered
    EXPECT_FALSE(sock.IsConnected()) << c.name;
    EXPECT_TRUE(peer.SeesClose()) << c.name;
  }
  EXPECT_TRUE(log.Contains("Packet header invalid"));
}

TEST_F(ClientSocketTest, PeerThatHangsUpClosesTheSocketAfterItsDataIsDispatched) {
  LoopbackPeer peer;
  Connect(peer);
  ASSERT_TRUE(peer.Send(Wire(310, Int32Payload(9))));
  peer.CloseClient();
  ASSERT_TRUE(PumpUntil([&] { sock.ProcessEvent(60000); }, [&] { return !sock.IsConnected(); }));
  ASSERT_EQ(sock.app.size(), 1u);
  EXPECT_EQ(sock.app[0].id, 310);
}

TEST_F(ClientSocketTest, PeerThatSendsTwelvePacketsAndClosesIsHeardToTheLast) {
  LoopbackPeer peer;
  Connect(peer);
  const Bytes stream = WireRun(320, 12);
  ASSERT_TRUE(peer.Send(stream));
  peer.CloseClient();
  ASSERT_TRUE(PumpUntil([&] { sock.ProcessEvent(60000); }, [&] { return !sock.IsConnected(); }));
  ASSERT_EQ(sock.app.size(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(sock.app[i].id, 320 + i);
}

TEST_F(ClientSocketTest, SendRefusedByAPeerThatStopsReadingIsAFailure) {
  LoopbackPeer peer(4096);  // small receive window; the peer never reads
  Connect(peer);
  auto p = std::make_unique<Packet>(400);
  p->WriteBytes(nullptr, 30000);
  int r = 0;
  for (int i = 0; i < 4000; ++i) {
    r = sock.SendPacket(p.get(), 0);
    if (r != 30010) break;
  }
  EXPECT_EQ(r, -1);  // not "sent": the bytes did not all leave
  EXPECT_FALSE(sock.IsConnected());
  EXPECT_TRUE(log.Contains("SendPacket() : Time Out () FAILED"));
}

}  // namespace
