// Logins against a live server: a game server is entered only with the pass the master
// leaves for that account and address, account blocks at a table hide the other players'
// user numbers, a second login ends the first, forced results and the hello's version,
// and the registration of a nickname.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "LiveServer.h"
#include "ProtocolClient.h"
#include "ServerProcess.h"
#include "Session.h"
#include "TablePlayer.h"
#include "Wire.h"
#include "net/messages/VXType_user_info.h"

namespace {

constexpr char kOtherMachine[] = "127.0.0.2";

int32_t UserNumberIn(const uint8_t* block) {
  int32_t n = 0;
  std::memcpy(&n, block + kUserNumber, 4);
  return n;
}

}  // namespace

// The entering login on a game server names an account by its id and user number only,
// which other players may learn or guess: it is taken only with the master's pass.
TEST(ServerLogin, GameServerLoginNeedsTheMastersPassForThatAccountAndAddress) {
  auto cfg = QuickConfig("login_pass");
  cfg.pass_ms = 1500;
  LiveServer live(cfg);
  ProtocolClient a_master, b_master;
  MasterAccount a, b;
  ASSERT_TRUE(LoginOnMaster(a_master, live.master(), "pass-a", &a));
  ASSERT_TRUE(LoginOnMaster(b_master, live.master(), "pass-b", &b));
  ASSERT_NE(a.user_number, 0);

  auto refused = [&](const char* what, const std::string& id, int num, const char* source = nullptr) {
    SCOPED_TRACE(what);
    ProtocolClient g;
    EXPECT_GT(LoginOnGame(g, live.game(), id, num, source), 0) << "a failure result, not a lost connection";
  };
  refused("no server address asked for: no pass", a.account_id, a.user_number);
  // B holds a pass of its own and A's account data (what a tablemate learns, and the
  // number guessed): B's pass is not A's.
  ASSERT_EQ(AskGameServer(b_master).Kind(), 1);
  refused("a tablemate's account id with the number it sees (0)", a.account_id, 0);
  refused("a tablemate's account id with its real number", a.account_id, a.user_number);
  refused("the own account id with another's number", b.account_id, a.user_number);
  ASSERT_EQ(AskGameServer(a_master).Kind(), 1);  // A's pass, from 127.0.0.1
  refused("from another address", a.account_id, a.user_number, kOtherMachine);
  refused("with a wrong user number", a.account_id, a.user_number + 1);
  // A's pass is still there after the refused attempts, and is taken once.
  ProtocolClient a_game;
  EXPECT_EQ(LoginOnGame(a_game, live.game(), a.account_id, a.user_number), 0);
  {
    ProtocolClient again;
    EXPECT_GT(LoginOnGame(again, live.game(), a.account_id, a.user_number), 0) << "a pass is used once";
  }
  // B's pass has expired meanwhile.
  std::this_thread::sleep_for(std::chrono::milliseconds(cfg.pass_ms + 200));
  refused("an expired pass", b.account_id, b.user_number);

  // The login screen's form is the master's alone.
  ProtocolClient form;
  ASSERT_TRUE(form.Connect(live.game()));
  VXMsg_login_request login;
  std::snprintf(login.token, sizeof(login.token), "pass-a");
  Packet p;
  Build_Packet(login, p);
  form.Send(p);
  auto r = form.RecvId(VX_PROTOCOL_LOGIN, 5000);
  ASSERT_TRUE(r);
  int32_t result = 0;
  r->ReadInt32(&result);
  EXPECT_NE(result, 0) << "a device login on a game server";
}

// Back to the master by account id and user number: only with the pass the game server
// leaves when the player's connection there ends, from the same address.
TEST(ServerLogin, MasterReentryNeedsTheGameServersPass) {
  LiveServer live(QuickConfig("login_back"));
  auto enter_master = [&](const std::string& id, int number, const char* source) {
    ProtocolClient m;
    if (!m.Connect(live.master(), "127.0.0.1", source)) {
      ADD_FAILURE() << "cannot connect from " << (source ? source : "127.0.0.1");
      return -1;
    }
    Packet p(145);
    p.WriteMarker();
    p.WriteInt32(1);
    p.WriteFixedText(id.c_str(), 30);
    p.WriteInt32(number);
    m.Send(p);
    auto r = m.RecvId(145, 5000);
    int32_t result = -1;
    if (r) r->ReadInt32(&result);
    return static_cast<int>(result);
  };
  ProtocolClient game;
  MasterAccount me;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "back-a", game, &me));
  const std::string& id = me.account_id;
  const int number = me.user_number;
  EXPECT_GT(enter_master(id, number, nullptr), 0) << "still on the game server: no pass yet";
  ASSERT_TRUE(LeaveServer(game));
  EXPECT_GT(enter_master(id, number, kOtherMachine), 0) << "from another address";
  EXPECT_EQ(enter_master(id, number, nullptr), 0);
  EXPECT_GT(enter_master(id, number, nullptr), 0) << "a pass is used once";
}

// At a table the other players' account blocks carry no user number; the own one does.
TEST(ServerLogin, TablemateBlocksCarryNoUserNumber) {
  LiveServer live(QuickConfig("login_blocks"));
  ProtocolClient game;
  MasterAccount me;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "blocks-a", game, &me));
  const std::string& id = me.account_id;
  const int number = me.user_number;
  VXMsg_room_enter_request req;
  req.room.SetStake(100);
  Packet p;
  Build_Packet(req, p);
  game.Send(p);
  auto er = game.RecvId(204, 5000);
  VXMsg_room_enter_reply rep;
  ASSERT_TRUE(er && rep.Read(*er) && rep.result);
  EXPECT_EQ(UserNumberIn(rep.user_info), number) << "the own block in the entry reply";
  Packet q;
  Build_Packet(VXMsg_table_info_request{}, q);
  game.Send(q);
  auto r = game.RecvId(206, 5000);
  ASSERT_TRUE(r);
  VXMsg_table_info info;
  ASSERT_TRUE(info.Read(*r));
  ASSERT_EQ(info.entry_count, 4);
  int own = 0;
  for (int i = 0; i < info.entry_count; ++i) {
    const uint8_t* block = info.entries[i].player->profile;
    const std::string who(reinterpret_cast<const char*>(block), strnlen(reinterpret_cast<const char*>(block), 30));
    if (who == id) {
      ++own;
      EXPECT_EQ(UserNumberIn(block), number);
    } else {
      EXPECT_EQ(UserNumberIn(block), 0) << who;
    }
  }
  EXPECT_EQ(own, 1);
}

// One connection per account: a newer login ends the older connection on any server with
// the duplicate-login notice; the connection of the same client moving between servers
// (the one that left the pass) is closed without it.
TEST(ServerLogin, SecondLoginEndsTheFirst) {
  LiveServer live(QuickConfig("login_dup"));
  ProtocolClient old_game;
  MasterAccount me;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "dup-a", old_game, &me));
  const std::string& id = me.account_id;
  const int number = me.user_number;
  ProtocolClient newer;
  ASSERT_TRUE(LoginOnMaster(newer, live.master(), "dup-a"));
  ASSERT_TRUE(old_game.RecvId(tsrv::kMsgDuplicateLogin, 5000)) << "the older connection is told";
  EXPECT_TRUE(old_game.WaitHangUp(3000));
  // The newer one goes on; moving to the game server without leaving the master first
  // ends the master connection quietly.
  ASSERT_EQ(AskGameServer(newer).Kind(), 1);
  ProtocolClient game;
  ASSERT_EQ(LoginOnGame(game, live.game(), id, number), 0);
  std::vector<std::unique_ptr<Packet>> seen;
  while (auto pk = newer.Recv(1000)) seen.push_back(std::move(pk));
  for (auto& pk : seen) EXPECT_NE(pk->id, tsrv::kMsgDuplicateLogin);
  EXPECT_FALSE(newer.connected()) << "the moving client's master connection is closed";
}

// Options that let a client's every branch be reached: the hello's version and patch
// address, and a forced login result.
TEST(ServerLogin, HelloVersionPatchAddressAndForcedResults) {
  for (int forced : {4, 7, 8}) {
    SCOPED_TRACE(forced);
    auto cfg = QuickConfig("login_forced");
    cfg.force_login_result = forced;
    cfg.hello_version[0] = 3;
    cfg.hello_version[1] = 4;
    cfg.hello_version[2] = 0;
    cfg.patch_url = "https://127.0.0.1/patch/";
    LiveServer live(cfg);
    ProtocolClient c;
    ASSERT_TRUE(c.Connect(live.master()));
    Packet p;
    Build_Packet(VXMsg_hello_request{}, p);
    c.Send(p);
    auto h = c.RecvId(VX_PROTOCOL_HELLO, 5000);
    VXMsg_hello_reply hello;
    ASSERT_TRUE(h && hello.Read(*h));
    EXPECT_EQ(hello.major, 3);
    EXPECT_EQ(hello.minor, 4);
    EXPECT_EQ(hello.patch, 0);
    EXPECT_STREQ(hello.patch_url, "https://127.0.0.1/patch/");
    VXMsg_login_request login;
    std::snprintf(login.token, sizeof(login.token), "forced-device");
    Build_Packet(login, p);
    c.Send(p);
    auto r = c.RecvId(VX_PROTOCOL_LOGIN, 5000);
    ASSERT_TRUE(r);
    int32_t result = 0;
    r->ReadInt32(&result);
    EXPECT_EQ(result, forced);
    EXPECT_EQ(r->PayloadLength(), 4u) << "a failure carries its result only";
  }
}

TEST(ServerLogin, ProgramReadsTheLoginOptions) {
  struct Case {
    std::vector<std::string> args;
    int exit_code;  // -1: it runs
  } cases[] = {
      {{"--hello-version", "3.4.0", "--patch-url", "https://example.invalid/p", "--force-login-result", "7"}, -1},
      {{"--hello-version", "3.4"}, 2},
      {{"--hello-version", "3.4.0x"}, 2},
      {{"--patch-url", std::string(255, 'x')}, 2},
      {{"--social-id", "12ab"}, 2},
      {{"--social-friend", "123"}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    ServerProcess sp;
    std::vector<std::string> args = {"--master-port", "0", "--game-port", "0", "--no-http", "--db",
                                     TempDb("login_options")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (!sp.Start(args)) GTEST_SKIP() << "TOLVAN_SERVER_BIN not set";
    if (c.exit_code < 0) {
      EXPECT_FALSE(sp.WaitLine("tolvan-server: master", 10000).empty()) << sp.output();
    } else {
      EXPECT_EQ(sp.WaitExit(10000), c.exit_code) << sp.output();
    }
  }
}

// A registration stores the nickname and avatar; refused names leave the account as it was.
TEST(ServerLogin, RegistrationStoresNicknameAndAvatarOrRefuses) {
  auto cfg = QuickConfig("login_regist");
  LiveServer live(cfg);
  ProtocolClient other, c;
  ASSERT_TRUE(LoginOnMaster(other, live.master(), "regist-other"));
  auto regist = [](ProtocolClient& conn, int avatar, const std::string& name, std::string* stored,
                   int32_t* character) {
    Packet p(tsrv::kMsgRegist);
    p.WriteInt32(avatar);
    char field[50] = {};
    std::memcpy(field, name.data(), std::min(name.size(), sizeof(field)));
    p.WriteBytes(field, sizeof(field));
    conn.Send(p);
    auto r = conn.RecvId(tsrv::kMsgRegist, 5000);
    int32_t ok = -1;
    if (!r || !r->ReadInt32(&ok)) return -1;
    uint8_t block[516];
    if (ok && r->ReadBytes(block, sizeof(block))) {
      *stored = std::string(reinterpret_cast<char*>(block + kUserNickname),
                            strnlen(reinterpret_cast<char*>(block + kUserNickname), 50));
      std::memcpy(character, block + kUserCharacter, 4);
    }
    return static_cast<int>(ok);
  };
  std::string stored;
  int32_t character = -1;
  ASSERT_EQ(regist(other, 0, "ผู้เล่นคนแรก", &stored, &character), 1);
  ASSERT_TRUE(LoginOnMaster(c, live.master(), "regist-new"));

  std::string thai;  // 16 characters in 48 bytes: the field holds 49
  for (int i = 0; i < 16; ++i) thai += "ก";
  const std::string ascii24(24, 'n'), ascii25(25, 'n');
  struct Case {
    const char* what;
    int avatar;
    std::string name;
    int ok;
  } cases[] = {
      {"empty", 0, "", 0},
      {"blank", 0, "   ", 0},
      {"25 characters", 0, ascii25, 0},
      {"a control character", 0, std::string("ab\tcd"), 0},
      {"not UTF-8", 0, std::string("ab\xff"), 0},
      {"no such avatar", 2, "Somchai", 0},
      {"another player's name", 1, "ผู้เล่นคนแรก", 0},
      {"24 characters", 1, ascii24, 1},
      {"Thai", 1, thai, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    stored.clear();
    EXPECT_EQ(regist(c, k.avatar, k.name, &stored, &character), k.ok);
    if (k.ok) {
      EXPECT_EQ(stored, k.name);
      EXPECT_EQ(character, k.avatar);
    }
  }
  live.StopNow();
  tsrv::Store st;
  ASSERT_TRUE(st.Open(cfg.db_path, 0, nullptr));
  auto a = st.LoginDevice("regist-new", "");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->nickname, thai) << "the last name accepted is stored";
  EXPECT_EQ(a->character, 1);
}
