// Whole sessions against a live server in this process: login through the master, a table
// with three bots, rounds to their result, refused moves, hostile input, bot-only soak.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "LiveServer.h"
#include "ProtocolClient.h"
#include "Server.h"
#include "ServerProcess.h"
#include "Session.h"
#include "net/messages/VXChannelRooms.h"
#include "Store.h"
#include "TablePlayer.h"
#include "Wire.h"

namespace {

void StartGame(ProtocolClient& c) {
  VXMsg_game_ready_request start;
  start.value = 0;  // the host starts the game
  Packet p;
  Build_Packet(start, p);
  c.Send(p);
}

}  // namespace

// A player logs in through the master, enters a game server, sits with three bots and plays
// rounds to their result; the server's view of every hand matches the client's model.
TEST(ServerSession, PlaysWholeRoundsWithBots) {
  auto cfg = QuickConfig("session");
  LiveServer live(cfg);
  ProtocolClient game;
  std::string account;
  int number = 0;
  int64_t chips = 0;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-session-1", game, &account, &number, &chips));
  EXPECT_EQ(chips, 100000);
  TablePlayer tp(game);
  tp.account_id = account;
  ASSERT_TRUE(tp.EnterRoom(100));
  ASSERT_GE(tp.my_seat, 0);
  int seated = 0;
  for (int s = 0; s < 4; ++s) seated += tp.seat(s).present ? 1 : 0;
  EXPECT_EQ(seated, 4);

  int64_t balance = chips;
  for (int round = 0; round < 3; ++round) {
    StartGame(game);
    tp.PlayRound();
    if (HasFatalFailure()) return;
    ASSERT_EQ(tp.results, round + 1);
    int64_t sum = 0;
    for (int s = 0; s < 4; ++s) sum += tp.result.settlement[s];
    EXPECT_EQ(sum, 0) << "a settlement must move chips between seats only";
    EXPECT_GE(tp.result.winner_seat, 0);
    balance += tp.result.settlement[tp.my_seat];
    // The account update that follows carries the new balance.
    std::vector<std::unique_ptr<Packet>> seen;
    auto back = game.RecvId(206, 5000, &seen);  // the table waits again
    ASSERT_TRUE(back);
    // On the way: the account update and the close of the result (a no-field event that
    // still carries a payload), each readable by the client's records.
    for (auto& p : seen) ASSERT_TRUE(tp.Apply(*p)) << "unreadable message " << p->id;
    ASSERT_TRUE(tp.Apply(*back));
    EXPECT_EQ(tp.table_state(), 1);
  }
  EXPECT_GT(tp.moves_ok, 6);
  EXPECT_GE(tp.comparisons, 3);
  EXPECT_EQ(tp.mismatches, 0) << "the model built from the events differs from the server's";
  std::printf("[ session ] %d moves accepted, %d melds taken from the pile\n", tp.moves_ok, tp.downs);
  live.StopNow();
  tsrv::Store st;
  ASSERT_TRUE(st.Open(cfg.db_path, 0, nullptr));
  auto a = st.FindByAccountId(account);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->chips, balance) << "the stored balance is the sum of the shown settlements";
  EXPECT_EQ(a->games, 3);
  EXPECT_EQ(st.TotalChips(), st.LedgerTotal());
}

// Illegal moves get ok = 0 and leave the table as it was.
TEST(ServerSession, IllegalMovesAreRefusedAndChangeNothing) {
  auto cfg = QuickConfig("illegal");
  cfg.bot_think_ms = 0;
  LiveServer live(cfg);
  ProtocolClient game;
  std::string account;
  int number = 0;
  int64_t chips = 0;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-illegal", game, &account, &number, &chips));
  TablePlayer tp(game);
  tp.account_id = account;
  ASSERT_TRUE(tp.EnterRoom(100));
  StartGame(game);
  // Wait for the own turn.
  for (int i = 0; i < 2000 && !(tp.table_state() == 2 && tp.turn_seat() == tp.my_seat); ++i) {
    auto p = game.Recv(5000);
    ASSERT_TRUE(p);
    ASSERT_TRUE(tp.Apply(*p));
  }
  ASSERT_EQ(tp.turn_seat(), tp.my_seat);
  const std::vector<int> hand = tp.seat(tp.my_seat).hand;
  const std::vector<int> pile = tp.pile();
  ASSERT_FALSE(hand.empty());
  int not_mine = -1;
  for (int c = 0; c < 52 && not_mine < 0; ++c)
    if (std::find(hand.begin(), hand.end(), c) == hand.end() &&
        std::find(pile.begin(), pile.end(), c) == pile.end())
      not_mine = c;

  struct Case {
    const char* what;
    std::function<int()> send;
  };
  std::vector<Case> cases = {
      {"throw before drawing", [&] { return tp.Throw(hand[0]); }},
      {"meld from the hand as the first meld",
       [&] { return tp.Down({hand[0], hand[1], hand[2]}, 3, false); }},
      {"attach to a meld that does not exist", [&] { return tp.Attach(0, 5, {hand[0]}); }},
      {"down of a card that is nowhere", [&] { return tp.Down({not_mine, hand[0], hand[1]}, 2, false); }},
      {"unknown action", [&] {
         Packet p(216);
         p.WriteInt32(9);
         return tp.Move(p);
       }},
      {"end without a forced knock", [&] {
         Packet p(216);
         p.WriteInt32(4);
         return tp.Move(p);
       }},
      {"truncated down", [&] {
         Packet p(216);
         p.WriteInt32(1);
         p.WriteInt32(0);
         p.WriteInt32(2);
         return tp.Move(p);
       }},
      {"deck count beyond the limit", [&] {
         Packet p(216);
         p.WriteInt32(1);
         p.WriteInt32(0);
         p.WriteInt32(2);
         p.WriteInt32(0);
         p.WriteInt32(0);
         p.WriteInt32(1000);
         return tp.Move(p);
       }},
  };
  for (auto& c : cases) EXPECT_EQ(c.send(), 0) << c.what;

  // Draw once, then a second draw is refused.
  ASSERT_EQ(tp.Draw(), 1);
  EXPECT_EQ(tp.Draw(), 0) << "second draw";
  EXPECT_EQ(tp.Throw(not_mine), 0) << "throw of a card not held";

  // The server's own view agrees: the hand is the dealt hand plus the one drawn card.
  VXMsg_table_info_request cards_only;
  cards_only.mode = 2;
  Packet q;
  Build_Packet(cards_only, q);
  game.Send(q);
  auto r = game.RecvId(206, 5000);
  ASSERT_TRUE(r);
  VXMsg_table_info info;
  ASSERT_TRUE(info.Read(*r));
  std::vector<int> server_hand;
  for (int i = 0; i < info.entry_count; ++i)
    if (info.entries[i].seat == tp.my_seat) server_hand = DeckCodes(info.entries[i].player->hand);
  std::vector<int> mine = tp.seat(tp.my_seat).hand;
  std::sort(server_hand.begin(), server_hand.end());
  std::sort(mine.begin(), mine.end());
  EXPECT_EQ(server_hand, mine);
  EXPECT_EQ(server_hand.size(), hand.size() + 1);
  EXPECT_EQ(DeckCodes(info.pile), pile);
}

// The requests whose one field is a placeholder 0 are answered when they come header-only
// as well as in the client's own form; other requests never come without a payload.
TEST(ServerSession, PlaceholderRequestsAreTakenHeaderOnly) {
  LiveServer live(QuickConfig("header_only"));
  ProtocolClient game;
  std::string account;
  int number = 0;
  int64_t chips = 0;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-header-only", game, &account, &number, &chips));
  auto header_only = [&](uint16_t id) {
    Packet p(id);
    return game.Send(p);  // length 10
  };
  auto expect_left_room = [&] {
    auto r = game.RecvId(VX_PROTOCOL_ROOM_LEAVE, 5000);
    ASSERT_TRUE(r);
    VXMsg_room_leave_event ev;
    ASSERT_EQ(ev.Read(*r), 1);
    EXPECT_EQ(ev.ok, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ev.user_info)), account);
    EXPECT_EQ(ev.kicked, 0);
  };
  for (bool bare : {true, false}) {
    SCOPED_TRACE(bare ? "header-only" : "with its placeholder");
    TablePlayer tp(game);
    tp.account_id = account;
    ASSERT_TRUE(tp.EnterRoom(100));
    if (bare) {
      ASSERT_TRUE(header_only(VX_PROTOCOL_ROOM_LEAVE));
    } else {
      Packet p;
      Build_Packet(VXMsg_room_leave_request{}, p);
      ASSERT_TRUE(game.Send(p));
    }
    expect_left_room();
    if (HasFatalFailure()) return;
  }

  ASSERT_TRUE(header_only(VX_PROTOCOL_ACCOUNT_REFRESH));
  auto refresh = game.RecvId(VX_PROTOCOL_ACCOUNT_REFRESH, 5000);
  ASSERT_TRUE(refresh);
  ServerInfo si;
  ASSERT_TRUE(refresh->ReadBytes(si.raw, sizeof(si.raw)));
  EXPECT_EQ(si.Kind(), 1);
  EXPECT_EQ(si.Port(), live.game());

  ASSERT_TRUE(header_only(tsrv::kMsgLeaveServer));
  ASSERT_TRUE(game.RecvId(tsrv::kMsgLeaveServer, 5000));

  // A move always has its action word: one without a payload is malformed.
  ASSERT_TRUE(header_only(VX_PROTOCOL_GAME_PLAYER_ACTION));
  EXPECT_TRUE(game.WaitHangUp(3000));
}

// Each role answers its own requests: asked of another role, a request is ignored or
// closes the connection; before a login only hello, login, leave and the service
// exchanges are taken (those naming an account only while it is logged in from there).
TEST(ServerSession, EachRoleAnswersOnlyItsOwnRequests) {
  LiveServer live(QuickConfig("routes"));
  enum Outcome { kAnswered, kIgnored, kClosed };
  struct Case {
    const char* what;
    bool on_master;
    bool logged_in;
    uint16_t id;
    Outcome outcome;
  } cases[] = {
      {"server address of a game server", false, false, tsrv::kMsgServerAddress, kClosed},
      {"service exchange of a game server", false, false, tsrv::kMsgServiceState, kIgnored},
      {"service exchange naming no account logged in", true, false, tsrv::kMsgServiceState, kClosed},
      {"ranking exchange before a login", true, false, tsrv::kMsgListRefresh, kAnswered},
      {"room request before a login", true, false, VX_PROTOCOL_ROOM_ENTER, kClosed},
      {"room request of the master", true, true, VX_PROTOCOL_ROOM_ENTER, kIgnored},
      {"unknown id before a login", false, false, 999, kClosed},
      {"unknown id after a login", false, true, 999, kIgnored},
      {"account refresh on the master", true, true, VX_PROTOCOL_ACCOUNT_REFRESH, kAnswered},
  };
  int device = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProtocolClient conn;
    const std::string dev = "device-routes-" + std::to_string(++device);
    if (c.logged_in && c.on_master) {
      ASSERT_TRUE(LoginOnMaster(conn, live.master(), dev.c_str()));
    } else if (c.logged_in) {
      std::string account;
      int number = 0;
      int64_t chips = 0;
      ASSERT_TRUE(EnterThroughMaster(live.master(), dev, conn, &account, &number, &chips));
    } else {
      ASSERT_TRUE(conn.Connect(c.on_master ? live.master() : live.game()));
    }
    Packet probe(c.id);
    for (int i = 0; i < 12; ++i) probe.WriteInt32(i == 0 ? 1 : 0);
    conn.Send(probe);
    if (c.outcome == kClosed) {
      EXPECT_TRUE(conn.WaitHangUp(3000));
      continue;
    }
    // A request that every state answers follows; what comes first tells the outcome.
    Packet next;
    if (c.logged_in) {
      next.Init(VX_PROTOCOL_ACCOUNT_REFRESH);
      next.WriteInt32(0);
    } else {
      Build_Packet(VXMsg_hello_request{}, next);
    }
    conn.Send(next);
    auto first = conn.Recv(5000);
    ASSERT_TRUE(first) << "the connection must stay open";
    EXPECT_EQ(first->id, c.outcome == kAnswered ? c.id : next.id);
  }
}

// Hostile input on some connections leaves the server serving a player on another.
TEST(ServerSession, SurvivesGarbageTruncationAndDisconnects) {
  LiveServer live(QuickConfig("hostile"));
  std::mt19937 rng(7);
  // Random bytes, on both roles.
  for (int port : {live.master(), live.game()}) {
    for (int i = 0; i < 5; ++i) {
      ProtocolClient bad;
      ASSERT_TRUE(bad.Connect(port));
      std::vector<uint8_t> junk(64 + rng() % 2000);
      for (auto& b : junk) b = static_cast<uint8_t>(rng());
      bad.SendRaw(junk.data(), junk.size());
      EXPECT_TRUE(bad.WaitHangUp(3000)) << "garbage must close that connection";
    }
  }
  // Header announcing more than what comes, then an abrupt close.
  {
    ProtocolClient bad;
    ASSERT_TRUE(bad.Connect(live.game()));
    uint8_t hdr[14] = {0x87, 0xF0, 200, 0, 145, 0, 0, 0, 1, 0, 1, 2, 3, 4};
    bad.SendRaw(hdr, sizeof(hdr));
  }
  // Empty payload, and id 0: closed.
  for (uint8_t id_lo : {145, 0}) {
    ProtocolClient bad;
    ASSERT_TRUE(bad.Connect(live.master()));
    uint8_t hdr[10] = {0x87, 0xF0, static_cast<uint8_t>(id_lo ? 10 : 14), 0, id_lo, 0, 0, 0, 1, 0};
    bad.SendRaw(hdr, sizeof(hdr));
    if (!id_lo) {
      uint8_t zero[4] = {};
      bad.SendRaw(zero, 4);
    }
    EXPECT_TRUE(bad.WaitHangUp(3000));
  }
  // A table request before any login is refused by closing.
  {
    ProtocolClient bad;
    ASSERT_TRUE(bad.Connect(live.game()));
    Packet p(216);
    p.WriteInt32(0);
    bad.Send(p);
    EXPECT_TRUE(bad.WaitHangUp(3000));
  }
  // Logins with short or odd payloads get a failure reply, not a crash.
  {
    ProtocolClient c;
    ASSERT_TRUE(c.Connect(live.master()));
    Packet p(145);
    p.WriteMarker();
    p.WriteInt32(7);
    c.Send(p);
    auto r = c.RecvId(145, 3000);
    ASSERT_TRUE(r);
    int32_t result = 0;
    r->ReadInt32(&result);
    EXPECT_NE(result, 0);
  }
  // A player who vanishes mid-round: the server plays the seat to the end.
  {
    ProtocolClient quitter;
    std::string acc;
    int num = 0;
    int64_t chips = 0;
    ASSERT_TRUE(EnterThroughMaster(live.master(), "device-quitter", quitter, &acc, &num, &chips));
    TablePlayer q(quitter);
    q.account_id = acc;
    ASSERT_TRUE(q.EnterRoom(100));
    StartGame(quitter);
    ASSERT_TRUE(quitter.RecvId(217, 5000));
    quitter.Close();
  }
  // Meanwhile a well-behaved player is served in full.
  ProtocolClient game;
  std::string account;
  int number = 0;
  int64_t chips = 0;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-survivor", game, &account, &number, &chips));
  TablePlayer tp(game);
  tp.account_id = account;
  ASSERT_TRUE(tp.EnterRoom(500));
  StartGame(game);
  tp.PlayRound();
  EXPECT_EQ(tp.results, 1);
  // The quitter's round was settled too (two rounds in all), and every chip is accounted.
  ASSERT_TRUE(live.server().WaitForRounds(2, 10000));
  live.StopNow();
  EXPECT_GT(live.server().Stats().closed_bad, 0u);
}

// 200 rounds on bot-only tables: every table keeps going and chips are conserved.
TEST(ServerSoak, TwoHundredBotRoundsConserveChips) {
  auto cfg = QuickConfig("soak");
  cfg.bot_tables = 8;
  std::string db = cfg.db_path;
  auto t0 = std::chrono::steady_clock::now();
  {
    LiveServer live(cfg);
    ASSERT_TRUE(live.server().WaitForRounds(200, 90000)) << "tables stopped finishing rounds";
    live.StopNow();
    auto st = live.server().Stats();
    for (size_t i = 0; i < st.bot_table_rounds.size(); ++i)
      EXPECT_GT(st.bot_table_rounds[i], 0u) << "bot table " << i << " is stuck";
    EXPECT_EQ(st.settle_failures, 0u);
    EXPECT_EQ(st.refused, 0u) << "a bot move was refused";
  }
  double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("[ soak ] 200+ bot-only rounds on 8 tables in %.2f s\n", secs);
  tsrv::Store st;
  ASSERT_TRUE(st.Open(db, 0, nullptr));
  EXPECT_TRUE(st.IntegrityOk());
  EXPECT_GE(st.RoundCount(), 200);
  EXPECT_EQ(st.TotalChips(), st.LedgerTotal());
}

// The program traces every table it creates and every table entry, refused ones with the
// reason.
TEST(ServerSession, TableCreationsAndEntriesAreTraced) {
  ServerProcess srv;
  if (!srv.Start({"--master-port", "0", "--game-port", "0", "--no-http", "--log-level", "3", "--start-chips",
                  "20000", "--db", TempDb("traces")}))
    GTEST_SKIP() << "TOLVAN_SERVER_BIN not set";
  const std::string line = srv.WaitLine("tolvan-server: master", 10000);
  const size_t at = line.find("master 127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << srv.output();
  const int master = std::atoi(line.c_str() + at + std::strlen("master 127.0.0.1:"));
  ProtocolClient game;
  MasterAccount me;
  ASSERT_TRUE(EnterThroughMaster(master, "device-traces", game, &me));
  const int number = me.user_number;
  ASSERT_FALSE(EnterRoomPlain(game, 5000)) << "20 000 chips do not reach 20 stakes of 5 000";
  EXPECT_FALSE(srv.WaitLineWith("table entry of account " + std::to_string(number) + " refused", 5000).empty())
      << srv.output();
  ASSERT_TRUE(EnterRoomPlain(game, 1000));
  EXPECT_FALSE(srv.WaitLineWith("table 1 created: stake 1000, normal game", 5000).empty()) << srv.output();
  EXPECT_FALSE(srv.WaitLineWith("table entry: account " + std::to_string(number) + " at table 1", 5000).empty())
      << srv.output();
}

// The room counts of the game server's login reply are taken live: a player seated at a
// waiting table counts as waiting in that room's tab.
TEST(ServerSession, RoomCountsFollowTheSeatedPlayers) {
  LiveServer live(QuickConfig("room_counts"));
  ProtocolClient seated;
  MasterAccount a;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-counts-a", seated, &a));
  ASSERT_TRUE(EnterRoomPlain(seated, 500));
  // A second player's login reply.
  ProtocolClient master;
  MasterAccount b;
  ASSERT_TRUE(LoginOnMaster(master, live.master(), "device-counts-b", &b));
  ServerInfo gs = AskGameServer(master);
  ASSERT_EQ(gs.Kind(), 1);
  ASSERT_TRUE(LeaveServer(master));
  ProtocolClient game;
  ASSERT_TRUE(game.Connect(gs.Port()));
  Packet p(145);
  p.WriteMarker();
  p.WriteFixedText(b.account_id.c_str(), 30);
  p.WriteInt32(b.user_number);
  game.Send(p);
  auto r = game.RecvId(145, 5000);
  ASSERT_TRUE(r);
  int32_t result = -1;
  ASSERT_TRUE(r->ReadInt32(&result));
  ASSERT_EQ(result, 0);
  uint8_t skip[492 + 516];
  ASSERT_TRUE(r->ReadBytes(skip, sizeof(skip)));
  // The tail is the shared room record, read as the client reads it.
  VXType_channel_rooms rooms;
  ASSERT_EQ(rooms.Read(*r), 1) << "every announced room is present";
  EXPECT_EQ(rooms.point_target, 1000);
  ASSERT_GT(rooms.count, 0);
  EXPECT_EQ(r->Remaining(), 0u) << "nothing follows the rooms";
  int found = 0;
  for (int i = 0; i < rooms.count; ++i) {
    const VXType_channel_room& room = rooms.rooms[static_cast<size_t>(i)];
    const int32_t want_waiting = room.stake == 500 ? 1 : 0;
    EXPECT_EQ(room.players[0][0], 0) << "playing, stake " << room.stake;
    EXPECT_EQ(room.players[0][1], want_waiting) << "waiting, stake " << room.stake;
    EXPECT_EQ(room.PlayerTotal(1), 0) << "point tab, stake " << room.stake;
    EXPECT_EQ(room.min_balance, room.stake * 20) << "the minimum balance";
    found += room.stake == 500;
  }
  EXPECT_EQ(found, 1);
}
