// Server notices: which texts may go out, who receives a notice sent on demand (once per
// player), the notice after each game-server login, and the program's SIGUSR1 control.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "LiveServer.h"
#include "ProtocolClient.h"
#include "ServerProcess.h"
#include "Session.h"
#include "Wire.h"

namespace {

struct Notice {
  int32_t style = -1;
  std::string text;
};

// The next notice on `c`, skipping other messages; false on time-out.
bool NextNotice(ProtocolClient& c, int timeout_ms, Notice* out) {
  auto p = c.RecvId(tsrv::kMsgServerMessage, timeout_ms);
  if (!p) return false;
  int32_t n = -1;
  if (!p->ReadInt32(&out->style) || !p->ReadInt32(&n) || n < 0) return false;
  out->text.assign(static_cast<size_t>(n), '\0');
  return n == 0 || p->ReadBytes(out->text.data(), static_cast<size_t>(n));
}

// "... master 127.0.0.1:P, game 127.0.0.1:Q ..." -> the port after `what`.
int PortAfter(const std::string& line, const std::string& what) {
  size_t at = line.find(what + " ");
  if (at == std::string::npos) return -1;
  size_t colon = line.find(':', at);
  return colon == std::string::npos ? -1 : std::atoi(line.c_str() + colon + 1);
}

}  // namespace

TEST(ServerNotice, TextsTheClientWouldDropAreRefused) {
  struct Case {
    int style;
    size_t length;
    bool ok;
  } cases[] = {
      {tsrv::kNoticeBanner, 1, true},   {tsrv::kNoticeBanner, 764, true},
      {tsrv::kNoticeBanner, 765, false}, {tsrv::kNoticeBox, 254, true},
      {tsrv::kNoticeBox, 255, false},   {tsrv::kNoticeBanner, 0, false},
      {2, 5, false},                    {-1, 5, false},
  };
  for (const Case& c : cases) {
    std::string text(c.length, 'x');
    EXPECT_EQ(tsrv::NoticeProblem(c.style, text).empty(), c.ok)
        << "style " << c.style << ", " << c.length << " bytes";
  }
  LiveServer live(QuickConfig("notice_refused"));
  EXPECT_FALSE(live.server().SendNotice(tsrv::kNoticeBox, std::string(255, 'x')));
}

// Every player logged in gets the notice once, where the player is logged in. A client that said hello gets it before it logs in; a
// connection that never said hello, or that left the server, gets nothing.
TEST(ServerNotice, ReachesEveryPlayerOnce) {
  LiveServer live(QuickConfig("notice_all"));
  ProtocolClient a_game, b_master, anon;
  std::string account;
  int number = 0;
  int64_t chips = 0;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "notice-a", a_game, &account, &number, &chips));
  ASSERT_TRUE(LoginOnMaster(b_master, live.master(), "notice-b"));
  ASSERT_TRUE(anon.Connect(live.master()));
  ProtocolClient greeted, left;
  for (ProtocolClient* c : {&greeted, &left}) {
    ASSERT_TRUE(c->Connect(live.master()));
    Packet hello;
    Build_Packet(VXMsg_hello_request{}, hello);
    c->Send(hello);
    ASSERT_TRUE(c->RecvId(VX_PROTOCOL_HELLO, 5000));
  }
  Packet leave(tsrv::kMsgLeaveServer);
  leave.WriteInt32(0);
  left.Send(leave);
  ASSERT_TRUE(left.RecvId(tsrv::kMsgLeaveServer, 5000));

  const std::string text = "ปิดปรับปรุงเวลา 22:00 น.";  // UTF-8 goes out as it is
  std::promise<int> reached;
  ASSERT_TRUE(live.server().SendNotice(tsrv::kNoticeBanner, text, [&](int n) { reached.set_value(n); }));
  auto f = reached.get_future();
  ASSERT_EQ(f.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(f.get(), 3);
  Notice n;
  ASSERT_TRUE(NextNotice(a_game, 3000, &n));
  EXPECT_EQ(n.style, tsrv::kNoticeBanner);
  EXPECT_EQ(n.text, text);
  ASSERT_TRUE(NextNotice(b_master, 3000, &n));
  EXPECT_EQ(n.text, text);
  ASSERT_TRUE(NextNotice(greeted, 3000, &n));
  EXPECT_EQ(n.text, text);
  EXPECT_FALSE(NextNotice(anon, 100, &n));
  EXPECT_FALSE(NextNotice(left, 100, &n));

  // A box notice goes the same way, with its style.
  ASSERT_TRUE(live.server().SendNotice(tsrv::kNoticeBox, "box"));
  ASSERT_TRUE(NextNotice(a_game, 3000, &n));
  EXPECT_EQ(n.style, tsrv::kNoticeBox);
  EXPECT_EQ(n.text, "box");
}

TEST(ServerNotice, SentAWhileAfterEachGameServerLogin) {
  auto cfg = QuickConfig("notice_login");
  cfg.notice_after_ms = 100;
  cfg.notice_text = "Welcome to the local server";
  LiveServer live(cfg);
  ProtocolClient master;
  ASSERT_TRUE(LoginOnMaster(master, live.master(), "notice-login-m"));
  ProtocolClient game;
  std::string account;
  int number = 0;
  int64_t chips = 0;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "notice-login", game, &account, &number, &chips));
  Notice n;
  ASSERT_TRUE(NextNotice(game, 3000, &n));
  EXPECT_EQ(n.style, tsrv::kNoticeBanner);
  EXPECT_EQ(n.text, cfg.notice_text);
  EXPECT_FALSE(NextNotice(game, 300, &n)) << "once per login";
  EXPECT_FALSE(NextNotice(master, 100, &n)) << "a master login gets no timed notice";
}

// The program: SIGUSR1 sends the notice file's text to the players and says so.
TEST(ServerNotice, ProgramSendsTheNoticeFileOnSigusr1) {
  namespace fs = std::filesystem;
  const std::string dir = fs::temp_directory_path() / ("tolvan_notice_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = dir + "/notice.txt";
  ServerProcess srv;
  ASSERT_TRUE(srv.Start({"--master-port", "0", "--game-port", "0", "--http-port", "0", "--db",
                         dir + "/server.db", "--notice-file", file, "--notice-style", "1"}));
  std::string ports = srv.WaitLine("tolvan-server: master", 10000);
  ASSERT_FALSE(ports.empty()) << srv.output();
  ProtocolClient game;
  std::string account;
  int number = 0;
  int64_t chips = 0;
  ASSERT_TRUE(EnterThroughMaster(PortAfter(ports, "master"), "notice-program", game, &account, &number, &chips));

  srv.Signal(SIGUSR1);  // no file yet
  EXPECT_NE(srv.WaitLine("tolvan-server: notice not sent", 5000), "") << srv.output();
  std::ofstream(file) << "Servers restart in 5 minutes\n";
  srv.Signal(SIGUSR1);
  EXPECT_EQ(srv.WaitLine("tolvan-server: notice sent", 5000), "tolvan-server: notice sent to 1 clients");
  Notice n;
  ASSERT_TRUE(NextNotice(game, 3000, &n));
  EXPECT_EQ(n.style, tsrv::kNoticeBox);
  EXPECT_EQ(n.text, "Servers restart in 5 minutes");
  EXPECT_EQ(srv.Stop(), 0);
  fs::remove_all(dir);
}

TEST(ServerNotice, ProgramRefusesANoticeTheClientWouldDrop) {
  ServerProcess srv;
  ASSERT_TRUE(srv.Start({"--notice-style", "1", "--notice-text", std::string(300, 'x')}));
  EXPECT_NE(srv.WaitLine("tolvan-server: the notice text has 300 bytes", 5000), "") << srv.output();
  EXPECT_EQ(srv.WaitExit(5000), 2);
}
