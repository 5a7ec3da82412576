// Entering a server and logging out with the real game sessions, against a scripted
// master and game server on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "GameLogicFixture.h"
#include "ScriptedServer.h"
#include "TempFolders.h"
#include "app/GameSharedData.h"
#include "app/WorkerHooks.h"
#include "net/CGameSession.h"
#include "net/messages/VXLoginMessages.h"

using namespace testing_support;

namespace {

constexpr int32_t kUserNo = 4321;

// Receives the next application packet (heartbeats are skipped).
bool ReceiveApp(ScriptedServer& s, Packet* p) {
  for (;;) {
    if (!s.Receive(p)) return false;
    if (p->id > 100) return true;
  }
}

Packet Reply(uint16_t id, std::initializer_list<int32_t> ints) {
  Packet p(id);
  for (int32_t v : ints) p.WriteInt32(v);
  return p;
}

ServerInfo GameServerInfo(int port, int kind) {
  ServerInfo info;
  info.SetHost("127.0.0.1");
  info.SetPort(port);
  info.SetKind(kind);
  info.SetSelector1(0);
  info.SetSelector2(77);
  return info;
}

std::vector<int32_t> Ints(const Packet& p) {
  std::vector<int32_t> v(p.PayloadLength() / 4);
  std::memcpy(v.data(), p.payload, v.size() * 4);
  return v;
}

struct Completion {
  std::atomic<int> calls{0};
  std::atomic<IGameSession*> session{nullptr};
  static void Done(void* ud, IGameSession* s) {
    auto* c = static_cast<Completion*>(ud);
    c->session = s;
    ++c->calls;
  }
};

// A running game logic with the real workers: entering jobs run on the runner's
// threads while this thread (the main thread) runs frames, which start the jobs, pump
// sessions 0 to 2 and deliver completions, as the main loop does.
class EnterServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.splash = &splash;
    h.workers = &workers;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, &play);
    logic->SetSessionFactory(&CreateGameSession);
    ASSERT_EQ(logic->InitializeGame(nullptr, 1280, 720), 1);
    ASSERT_TRUE(FramesUntil([&] { return logic->CurrentMode() == &login && login.created; }));
    data = GameSharedData::Instance();
    data->SetAccount(1, "tester_01");
    data->SetUser32(kUserNumber, kUserNo);
    data->m_master_server.SetHost("127.0.0.1");
    data->m_master_server.SetPort(master.port);
  }
  void TearDown() override {
    logic.reset();  // stops and joins the jobs, closes every session; the scripts end
    master.Stop();
    game.Stop();
  }
  // One pass of the main loop: a frame under the frame lock.
  void Frame() {
    CSGuard g(&logic->FrameLock());
    logic->m_in_frame = 1;
    logic->ProcessFrame();
    logic->RenderFrame();
    logic->m_in_frame = 0;
  }
  // Runs frames (1 ms apart) until `done` or `limit_ms` passed.
  template <class F>
  bool FramesUntil(F done, uint32_t limit_ms = 8000) {
    const uint32_t start = GetTickMs();
    while (!done()) {
      if (TicksSince(start) > limit_ms) return false;
      Frame();
      SleepMs(1);
    }
    return true;
  }
  // Frames until the request completed and its job is gone.
  bool FramesUntilDone(const std::atomic<int>& calls, int want) {
    return FramesUntil([&] { return calls.load() >= want && logic->EnterJobsInFlight() == 0; });
  }
  bool FramesUntilJobsEnd() {
    return FramesUntil([&] { return logic->EnterJobsInFlight() == 0; });
  }
  // The expected login message on a game server: marker, account id (30), user number.
  std::vector<uint8_t> ExpectedLoginBytes(bool on_master) {
    Packet p(145);
    p.WriteInt32(static_cast<int32_t>(0xFFF0F0DD));
    if (on_master) p.WriteInt32(1);
    p.WriteFixedText("tester_01", 30);
    p.WriteInt32(kUserNo);
    p.mark = 1;
    std::vector<uint8_t> bytes(p.length);
    p.SerializeTo(bytes.data(), bytes.size());
    return bytes;
  }
  Packet LoginReply(int kind) {
    Packet r(145);
    r.WriteInt32(0);
    ServerInfo info = GameServerInfo(game.port, kind);
    r.WriteBytes(info.raw, sizeof(info.raw));
    std::vector<uint8_t> account(kUserInfoSize, 0);
    std::memcpy(account.data(), "tester_01", 9);
    int64_t chips = 5000;
    std::memcpy(account.data() + kUserChips, &chips, 8);
    r.WriteBytes(account.data(), account.size());
    if (kind == 0) r.WriteInt32(1);  // master status other than 0: no account extras
    return r;
  }

  TempFolders folders;
  ScriptedServer master, game;
  RecordingSplash splash;
  WorkerHooks workers;
  RecordingMode login{GameMode::kModeLogin, "login"};
  RecordingMode lobby{GameMode::kModeLobby, "lobby"};
  RecordingMode play{GameMode::kModePlay, "play"};
  GameSharedData* data = nullptr;
  std::unique_ptr<GameLogic> logic;
};

TEST_F(EnterServerTest, FromTheMasterToAGameServer) {
  std::vector<int32_t> request, leave;
  bool master_closed = false;
  master.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    Packet p;
    if (!ReceiveApp(s, &p) || p.id != 148) return;
    request = Ints(p);
    Packet r = Reply(148, {1});
    ServerInfo info = GameServerInfo(game.port, 1);
    r.WriteBytes(info.raw, sizeof(info.raw));
    s.Send(r);
    if (!ReceiveApp(s, &p) || p.id != 146) return;
    leave = Ints(p);
    s.Send(Reply(146, {0}));
    master_closed = s.WaitClosed();
  });
  std::vector<uint8_t> login_bytes;
  game.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    Packet p;
    if (!ReceiveApp(s, &p) || p.id != 145) return;
    login_bytes = s.raw_received.back();
    s.Send(LoginReply(1));
  });

  // Logged in on the master, as after the login mode.
  IGameSession* m = logic->Session(0);
  ASSERT_EQ(m->Connect("127.0.0.1", master.port, false), 1);
  m->Info().SetKind(0);
  m->SetLoggedIn(true);
  ASSERT_EQ(logic->m_session_index, 0);

  Completion done;
  logic->EnterServer(1, 77, &done, &Completion::Done);
  ASSERT_TRUE(FramesUntilDone(done.calls, 1));
  master.Join();
  game.Join();

  EXPECT_EQ(request, (std::vector<int32_t>{1, 0, 77}));
  EXPECT_EQ(leave, std::vector<int32_t>{0});
  EXPECT_TRUE(master_closed);
  EXPECT_FALSE(m->IsConnected());
  EXPECT_EQ(login_bytes, ExpectedLoginBytes(false));
  EXPECT_EQ(done.calls.load(), 1);
  EXPECT_EQ(done.session.load(), logic->Session(1));
  EXPECT_EQ(logic->CurrentSession(), logic->Session(1));
  EXPECT_TRUE(logic->Session(1)->IsLoggedIn());
  EXPECT_EQ(logic->Session(1)->Info().Kind(), 1);
  EXPECT_EQ(data->Chips(), 5000);
  EXPECT_EQ(logic->NextMode(), &lobby);
  EXPECT_GE(splash.show_loading, 1);
  EXPECT_GE(splash.hide_loading, 1);
}

TEST_F(EnterServerTest, ARefusedServerRequestDropsTheRequest) {
  std::vector<int32_t> request;
  master.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    Packet p;
    if (!ReceiveApp(s, &p) || p.id != 148) return;
    request = Ints(p);
    Packet r = Reply(148, {0});
    r.WriteBytes(nullptr, sizeof(ServerInfo));
    s.Send(r);
  });
  // Not connected anywhere yet: the job connects the master from the shared data.
  Completion done;
  logic->EnterServer(2, 5, &done, &Completion::Done);
  ASSERT_TRUE(FramesUntilJobsEnd());
  master.Join();
  EXPECT_EQ(request, (std::vector<int32_t>{2, 0, 5}));
  FramesUntil([] { return false; }, 30);  // anything late would arrive now
  EXPECT_EQ(done.calls.load(), 0);
  EXPECT_EQ(logic->m_enter_callback, nullptr);
  EXPECT_EQ(logic->m_enter_user_data, nullptr);
  EXPECT_FALSE(logic->Session(2)->IsConnected());
  EXPECT_GE(splash.hide_loading, 1);
}

TEST_F(EnterServerTest, BackToTheMasterLogsInThereWithTheExtraOne) {
  std::vector<int32_t> leave;
  game.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    Packet p;
    if (!ReceiveApp(s, &p) || p.id != 146) return;
    leave = Ints(p);
    s.Send(Reply(146, {0}));
    s.WaitClosed();
  });
  std::vector<uint8_t> login_bytes;
  master.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    Packet p;
    if (!ReceiveApp(s, &p)) return;
    login_bytes = s.raw_received.back();
    s.Send(LoginReply(0));
  });
  IGameSession* g = logic->Session(1);
  g->Info() = GameServerInfo(game.port, 1);
  ASSERT_EQ(g->Connect("127.0.0.1", game.port, false), 1);
  g->SetLoggedIn(true);

  Completion done;
  logic->EnterServer(0, -1, &done, &Completion::Done);
  ASSERT_TRUE(FramesUntilDone(done.calls, 1));
  game.Join();
  master.Join();
  EXPECT_EQ(leave, std::vector<int32_t>{0});
  EXPECT_FALSE(g->IsConnected());
  EXPECT_EQ(login_bytes, ExpectedLoginBytes(true));
  EXPECT_EQ(done.session.load(), logic->Session(0));
  EXPECT_TRUE(logic->Session(0)->IsLoggedIn());
}

TEST_F(EnterServerTest, LogoutLeavesClosesEverySessionAndReturnsToLogin) {
  std::vector<int32_t> leave;
  bool game_closed = false, master_closed = false;
  game.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    Packet p;
    if (!ReceiveApp(s, &p) || p.id != 146) return;
    leave = Ints(p);
    s.Send(Reply(146, {0}));
    game_closed = s.WaitClosed();
  });
  master.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    master_closed = s.WaitClosed();
  });
  ASSERT_EQ(logic->Session(0)->Connect("127.0.0.1", master.port, false), 1);
  IGameSession* g = logic->Session(1);
  ASSERT_EQ(g->Connect("127.0.0.1", game.port, false), 1);
  g->SetLoggedIn(true);
  logic->ChangeMode(&lobby, 0, 0);
  data->SetUser64(kUserChips, 999);
  logic->Session(0)->SetHelloOk(true);

  logic->Logout();
  game.Join();
  master.Join();
  EXPECT_EQ(leave, std::vector<int32_t>{0});
  EXPECT_TRUE(game_closed);
  EXPECT_TRUE(master_closed);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(logic->Session(i)->IsConnected()) << i;
    EXPECT_FALSE(logic->Session(i)->IsLoggedIn()) << i;
  }
  EXPECT_FALSE(logic->Session(0)->HelloOk());
  EXPECT_EQ(data->Chips(), 0);
  EXPECT_EQ(data->m_master_server.Port(), master.port);  // the next login goes there again
  EXPECT_EQ(logic->NextMode(), &login);
}

TEST_F(EnterServerTest, EnteringOnTheRunnerWhileFramesRunFiftyTimesInARow) {
  // Both servers loop over connections: 148 gets the game server's address, 145 the
  // login reply of the server's own kind, 146 its answer.
  const Packet game_login = LoginReply(1), master_login = LoginReply(0);
  Packet where = Reply(148, {1});
  const ServerInfo game_info = GameServerInfo(game.port, 1);
  where.WriteBytes(game_info.raw, sizeof(game_info.raw));
  // Copied into the scripts, which may outlive this scope when an assertion fails.
  auto answer = [where](const Packet& login) {
    return [login, where](ScriptedServer& s, const Packet& p) {
      if (p.id == 145) s.Send(login);
      if (p.id == 146) s.Send(Reply(146, {0}));
      if (p.id == 148) s.Send(where);
    };
  };
  master.ServeEach(answer(master_login));
  game.ServeEach(answer(game_login));

  Completion to_game, to_master;
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE(round);
    logic->EnterServer(1, 77, &to_game, &Completion::Done);
    ASSERT_TRUE(FramesUntilDone(to_game.calls, round + 1));
    ASSERT_EQ(to_game.session.load(), logic->Session(1));
    ASSERT_EQ(logic->CurrentSession(), logic->Session(1));
    ASSERT_TRUE(logic->Session(1)->IsLoggedIn());
    ASSERT_FALSE(logic->Session(0)->IsConnected());

    logic->EnterServer(0, -1, &to_master, &Completion::Done);
    ASSERT_TRUE(FramesUntilDone(to_master.calls, round + 1));
    ASSERT_EQ(to_master.session.load(), logic->Session(0));
    ASSERT_EQ(logic->CurrentSession(), logic->Session(0));
    ASSERT_TRUE(logic->Session(0)->IsLoggedIn());
    ASSERT_FALSE(logic->Session(1)->IsConnected());
  }
  EXPECT_EQ(to_game.calls.load(), 50);
  EXPECT_EQ(to_master.calls.load(), 50);
  EXPECT_EQ(logic->CurrentMode(), &lobby);
  EXPECT_EQ(splash.show_loading, 100);  // one indicator per job, hidden again each time
  EXPECT_GE(splash.hide_loading, 100);
}

TEST_F(EnterServerTest, ShutdownStopsAJobBlockedOnAServerThatNeverAnswers) {
  LogCapture log;
  std::atomic<bool> asked{false};
  master.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    Packet p;
    if (!ReceiveApp(s, &p) || p.id != 148) return;
    asked = true;   // and never a word back
    s.WaitClosed(15000);
  });
  Completion done;
  logic->EnterServer(1, 77, &done, &Completion::Done);
  ASSERT_TRUE(FramesUntil([&] { return asked.load(); }));
  ASSERT_EQ(logic->EnterJobsInFlight(), 1);  // waiting up to 10 s for the reply

  const uint32_t start = GetTickMs();
  logic.reset();  // stops the job, joins it, then frees the sessions it used
  const uint32_t took = TicksSince(start);
  master.Join();
  EXPECT_LT(took, 2000u);
  EXPECT_EQ(done.calls.load(), 0);
  for (const std::string& line : log.lines) {
    EXPECT_EQ(line.find("Forced to Terminate"), std::string::npos) << line;
    EXPECT_EQ(line.find("sessions kept"), std::string::npos) << line;
  }
}

TEST_F(EnterServerTest, ADroppedMasterIsTriedAgainOnTheRunnerAndTheLoginRepeated) {
  std::atomic<bool> drop{false};
  std::vector<uint16_t> second_ids;
  std::vector<int32_t> relogin;
  master.Run([&](ScriptedServer& s) {
    if (!s.Accept()) return;
    while (!drop.load()) SleepMs(5);
    s.Hangup();  // the server goes away under the lobby
    if (!s.Accept(10000)) return;
    Packet p;
    if (!ReceiveApp(s, &p)) return;
    second_ids.push_back(p.id);
    VXMsg_hello_reply hello;
    hello.major = 3, hello.minor = 3, hello.patch = 0;
    Packet h;
    Build_Packet(hello, h);
    s.Send(h);
    if (!ReceiveApp(s, &p)) return;
    second_ids.push_back(p.id);
    relogin = Ints(p);
    s.Send(LoginReply(0));
    s.WaitClosed();
  });
  logic->SetReloginRequest([] {
    Packet p(145);
    p.WriteInt32(0x5eed);
    return p;
  });
  IGameSession* m = logic->Session(0);
  ASSERT_EQ(m->Connect("127.0.0.1", master.port, false), 1);
  m->Info().SetKind(0);
  m->SetLoggedIn(true);
  logic->SetNextMode(&lobby, -1);
  ASSERT_TRUE(FramesUntil([&] { return logic->CurrentMode() == &lobby && lobby.init_processed; }));

  // The schedule is the frame lock's, like everything a try touches.
  auto reconnecting = [&] {
    CSGuard g(&logic->FrameLock());
    return logic->Reconnecting();
  };
  drop.store(true);
  ASSERT_TRUE(FramesUntil([&] { return reconnecting(); }));
  // The first try comes within a second; its login reply ends the tries.
  ASSERT_TRUE(FramesUntil([&] { return !reconnecting(); }, 8000));
  FramesUntil([&] { return logic->EnterJobsInFlight() == 0; });
  EXPECT_EQ(second_ids, (std::vector<uint16_t>{134, 145}));
  EXPECT_EQ(relogin, std::vector<int32_t>{0x5eed});
  EXPECT_TRUE(m->IsConnected());
  EXPECT_TRUE(m->IsLoggedIn());
  EXPECT_TRUE(m->HelloOk());
  EXPECT_EQ(logic->CurrentSession(), m);
  EXPECT_EQ(logic->CurrentMode(), &lobby);
  EXPECT_EQ(logic->Reconnect().AttemptsMade(), 0) << "reset once back";
}

}  // namespace
