// The table as players meet it: fixed deals, the last turn's end, bots arriving one by one,
// the start countdown, chat, emoticons and paid items, card changes, two players at one
// table, dropped connections, held seats and the rejoin.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>

#include "LiveServer.h"
#include "ProtocolClient.h"
#include "ServerProcess.h"
#include "Session.h"
#include "Store.h"
#include "TablePlayer.h"
#include "net/messages/VXType_user_info.h"

namespace {

int C(int suit, int rank) { return suit * 13 + rank; }

void SendReady(ProtocolClient& c, int value) {
  VXMsg_game_ready_request r;
  r.value = value;
  Packet p;
  Build_Packet(r, p);
  c.Send(p);
}

void AskTable(ProtocolClient& c, int mode) {
  VXMsg_table_info_request r;
  r.mode = mode;
  Packet p;
  Build_Packet(r, p);
  c.Send(p);
}

// Sends a request of ints (the table services carry nothing else).
void SendInts(ProtocolClient& c, uint16_t id, std::initializer_list<int32_t> v) {
  Packet p(id);
  for (int32_t x : v) p.WriteInt32(x);
  c.Send(p);
}

// A pack in which seat 0 of two gets `hand` (11 cards), then `open` opens the pile and the
// stock starts with `draws`.
std::vector<int> TwoSeatPack(const std::vector<int>& hand, int open, const std::vector<int>& draws) {
  std::vector<bool> used(52, false);
  for (int c : hand) used[c] = true;
  used[open] = true;
  for (int c : draws) used[c] = true;
  std::vector<int> other;
  for (int c = 0; c < 52 && other.size() < 11; ++c)
    if (!used[c]) {
      other.push_back(c);
      used[c] = true;
    }
  std::vector<int> pack;
  for (size_t k = 0; k < 11; ++k) {
    pack.push_back(hand[k]);
    pack.push_back(other[k]);
  }
  pack.push_back(open);
  pack.insert(pack.end(), draws.begin(), draws.end());
  return pack;
}

const std::vector<int> kHand = {C(0, 2), C(0, 3), C(0, 4), C(1, 7), C(2, 7), C(3, 7),
                                C(2, 9), C(2, 10), C(1, 3), C(3, 11), C(1, 12)};

struct Seated {
  ProtocolClient game;
  MasterAccount who;
};

bool SeatPlayer(LiveServer& live, const char* device, Seated& s, int64_t stake = 100) {
  return EnterThroughMaster(live.master(), device, s.game, &s.who) && EnterRoomPlain(s.game, stake);
}

// The account block of a master login (hello and device login).
bool MasterBlock(int port, const char* device, uint8_t (&block)[kUserInfoSize]) {
  ProtocolClient m;
  std::unique_ptr<Packet> rest;
  if (!m.Connect(port)) return false;
  Packet p;
  Build_Packet(VXMsg_hello_request{}, p);
  m.Send(p);
  if (!m.RecvId(VX_PROTOCOL_HELLO, 5000)) return false;
  VXMsg_login_request login;
  std::snprintf(login.token, sizeof(login.token), "%s", device);
  Build_Packet(login, p);
  m.Send(p);
  auto r = m.RecvId(VX_PROTOCOL_LOGIN, 5000);
  int32_t result = -1;
  ServerInfo si;
  return r && r->ReadInt32(&result) && result == 0 && r->ReadBytes(si.raw, sizeof(si.raw)) &&
         r->ReadBytes(block, sizeof(block));
}

int32_t At(const uint8_t* block, size_t off) {
  int32_t v;
  std::memcpy(&v, block + off, 4);
  return v;
}

}  // namespace

// A fixed deal gives every seat its known cards; the turn record carries the mission card
// (also to a table request mid-round) and names the seat of the last turn when nothing is
// left to draw; that seat's "end" reaches every seat and ends the round without a knock.
TEST(TableFlow, FixedDealAndTheLastTurnsEnd) {
  auto cfg = QuickConfig("fixed_deal");
  cfg.bots_per_table = 1;
  cfg.deals = {TwoSeatPack(kHand, C(3, 2), {})};
  cfg.mission_card = C(2, 9);
  cfg.stock_cards = 0;
  LiveServer live(cfg);
  Seated a;
  ASSERT_TRUE(SeatPlayer(live, "device-fixed", a));
  SendReady(a.game, 0);
  auto start = a.game.RecvId(VX_PROTOCOL_GAME_START, 5000);
  ASSERT_TRUE(start);
  VXMsg_game_start gs;
  ASSERT_TRUE(gs.Read(*start));
  EXPECT_EQ(gs.status.turn.Get(20), C(2, 9)) << "the mission card in the turn record";
  EXPECT_EQ(gs.status.turn.AutoStageSeat(), 0) << "nothing to draw: seat 0 plays the last turn";
  EXPECT_EQ(DeckCodes(gs.pile), (std::vector<int>{C(2, 9), C(3, 2)})) << "the mission card, then the pile";
  for (int i = 0; i < gs.entry_count; ++i) {
    std::vector<int> hand = DeckCodes(gs.entries[i].player->hand);
    if (gs.entries[i].seat == 0)
      EXPECT_EQ(hand, kHand);
    else
      EXPECT_EQ(hand, std::vector<int>(11, 52)) << "the other seat's cards stay hidden";
  }
  AskTable(a.game, 0);
  auto mid = a.game.RecvId(VX_PROTOCOL_TABLE_INFO, 5000);
  ASSERT_TRUE(mid);
  VXMsg_table_info ti;
  ASSERT_TRUE(ti.Read(*mid));
  EXPECT_EQ(ti.status.turn.Get(20), C(2, 9)) << "a client entering mid-round learns the mission card";

  VXMsg_player_action_request draw;
  draw.action = VX_ACTION_DRAW;
  Packet p;
  Build_Packet(draw, p);
  a.game.Send(p);
  auto refused = a.game.RecvId(VX_PROTOCOL_GAME_PLAYER_ACTION, 5000);
  ASSERT_TRUE(refused);
  VXMsg_player_action_event e;
  ASSERT_TRUE(e.Read(*refused));
  EXPECT_EQ(e.ok, 0) << "no draw from an empty stock";

  VXMsg_player_action_request end;
  end.action = VX_ACTION_END;
  Build_Packet(end, p);
  a.game.Send(p);
  auto ended = a.game.RecvId(VX_PROTOCOL_GAME_PLAYER_ACTION, 5000);
  ASSERT_TRUE(ended);
  VXMsg_player_action_event ee;
  ASSERT_TRUE(ee.Read(*ended));
  EXPECT_EQ(ee.action, VX_ACTION_END);
  EXPECT_EQ(ee.ok, 1);
  auto shown = a.game.RecvId(VX_PROTOCOL_TABLE_INFO, 5000);
  ASSERT_TRUE(shown);
  auto res = a.game.RecvId(VX_PROTOCOL_GAME_RESULT, 5000);
  ASSERT_TRUE(res);
  VXMsg_game_result r;
  ASSERT_TRUE(r.Read(*res));
  int32_t end_kind = 0;
  std::memcpy(&end_kind, r.header + 4, 4);
  EXPECT_EQ(end_kind, -1) << "no knock";
  EXPECT_EQ(r.settlement[0] + r.settlement[1], 0);
}

// The program traces the deal, accepted and refused moves (with the reason), the server's
// own moves and the settled round.
TEST(TableFlow, DealsMovesRefusalsAndSettlementsAreTraced) {
  const std::vector<int> pack = TwoSeatPack(kHand, C(3, 2), {C(3, 12)});
  std::string list;
  for (int c : pack) list += (list.empty() ? "" : ",") + std::to_string(c);
  ServerProcess srv;
  if (!srv.Start({"--master-port", "0", "--game-port", "0", "--no-http", "--log-level", "3", "--db",
                  TempDb("table_traces"), "--deal", list, "--mission-card", std::to_string(C(2, 9)),
                  "--stock-cards", "1", "--bots-per-table", "1", "--bot-think-ms", "0", "--auto-start-ms", "0",
                  "--result-ms", "0", "--ranking-ms", "0"}))
    GTEST_SKIP() << "TOLVAN_SERVER_BIN not set";
  const std::string line = srv.WaitLine("tolvan-server: master", 10000);
  const size_t at = line.find("master 127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << srv.output();
  ProtocolClient game;
  MasterAccount me;
  ASSERT_TRUE(EnterThroughMaster(std::atoi(line.c_str() + at + std::strlen("master 127.0.0.1:")), "device-tt",
                                 game, &me));
  ASSERT_TRUE(EnterRoomPlain(game, 100));
  TablePlayer tp(game);
  tp.account_id = me.account_id;
  tp.my_seat = 0;
  SendReady(game, 0);
  std::string hand;
  for (int c : kHand) hand += (hand.empty() ? "" : ",") + std::to_string(c);
  EXPECT_FALSE(srv.WaitLineWith("round 1 dealt: first seat 0; seat 0 " + hand, 5000).empty()) << srv.output();
  EXPECT_EQ(tp.End(), 0);
  EXPECT_FALSE(srv.WaitLineWith("seat 0 move refused: end: only the last turn may end the round", 5000).empty())
      << srv.output();
  EXPECT_EQ(tp.Draw(), 1);
  EXPECT_FALSE(srv.WaitLineWith("seat 0 move: draw " + std::to_string(C(3, 12)), 5000).empty()) << srv.output();
  EXPECT_EQ(tp.Throw(C(3, 12)), 1);
  // The stock is out: the bot plays the last turn and the round is settled.
  EXPECT_FALSE(srv.WaitLineWith("seat 1 move: ", 5000).empty()) << srv.output();
  EXPECT_NE(srv.output().find("(by the server)"), std::string::npos) << srv.output();
  EXPECT_FALSE(srv.WaitLineWith("round settled: winner", 5000).empty()) << srv.output();
  EXPECT_NE(srv.output().find("account " + std::to_string(me.user_number) + " total"), std::string::npos);
}

// With a seating pause, the bots arrive one by one: each as a whole player (207 mode 0)
// followed by its ready message; and the first round starts by itself after the countdown.
TEST(TableFlow, BotsArriveOneByOneAndTheCountdownStartsTheRound) {
  auto cfg = QuickConfig("bots_one_by_one");
  cfg.bot_seat_ms = 30;
  cfg.auto_start_ms = 400;
  LiveServer live(cfg);
  Seated a;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-one-by-one", a.game, &a.who));
  VXMsg_room_enter_request req;
  req.room.SetStake(100);
  Packet p;
  Build_Packet(req, p);
  a.game.Send(p);
  ASSERT_TRUE(a.game.RecvId(VX_PROTOCOL_ROOM_ENTER, 5000));
  AskTable(a.game, 0);
  auto first = a.game.RecvId(VX_PROTOCOL_TABLE_INFO, 5000);
  ASSERT_TRUE(first);
  VXMsg_table_info ti;
  ASSERT_TRUE(ti.Read(*first));
  EXPECT_EQ(ti.entry_count, 1) << "the player sits alone at first";
  EXPECT_EQ(ti.status.turn.HostSeat(), 0);
  std::vector<int> seated;
  for (int k = 0; k < 3; ++k) {
    auto pl = a.game.RecvId(VX_PROTOCOL_TABLE_PLAYER, 5000);
    ASSERT_TRUE(pl);
    VXMsg_table_player m;
    ASSERT_TRUE(m.Read(*pl));
    EXPECT_EQ(m.mode, 0);
    auto ready = a.game.Recv(5000);
    ASSERT_TRUE(ready);
    ASSERT_EQ(ready->id, VX_PROTOCOL_GAME_READY) << "the bot gets ready right after sitting down";
    VXMsg_game_ready_event re;
    ASSERT_TRUE(re.Read(*ready));
    EXPECT_EQ(re.seat, m.seat);
    seated.push_back(m.seat);
  }
  EXPECT_EQ(seated, (std::vector<int>{1, 2, 3}));
  // Nobody presses start: the countdown does.
  auto start = a.game.RecvId(VX_PROTOCOL_GAME_START, 5000);
  ASSERT_TRUE(start);
  VXMsg_game_start gs;
  ASSERT_TRUE(gs.Read(*start));
  EXPECT_EQ(gs.entry_count, 4);
}

// Two players who pick the same room sit at one table (the second takes a bot's seat);
// chat and emoticons are echoed to both; a table item is charged to the sender and the
// charge is on the ledger; an item the sender cannot pay is not used.
TEST(TableFlow, TwoPlayersShareATableAndItsServices) {
  auto cfg = QuickConfig("shared_table");
  cfg.item_price = 1000;
  LiveServer live(cfg);
  Seated a, b;
  ASSERT_TRUE(SeatPlayer(live, "device-share-a", a));
  ASSERT_TRUE(SeatPlayer(live, "device-share-b", b));
  auto joined = a.game.RecvId(VX_PROTOCOL_TABLE_PLAYER, 5000);
  ASSERT_TRUE(joined) << "the first player sees the second sit down";
  VXMsg_table_player m;
  ASSERT_TRUE(m.Read(*joined));
  EXPECT_EQ(std::string(m.player.AccountId()), b.who.account_id);
  const int b_seat = m.seat;
  EXPECT_GE(b_seat, 1);

  Packet chat(VX_PROTOCOL_TABLE_CHAT);
  chat.WriteInt32(-1);
  char text[255] = "สวัสดี";
  chat.WriteBytes(text, sizeof(text));
  b.game.Send(chat);
  for (ProtocolClient* c : {&a.game, &b.game}) {
    auto got = c->RecvId(VX_PROTOCOL_TABLE_CHAT, 5000);
    ASSERT_TRUE(got);
    VXMsg_table_chat line;
    ASSERT_TRUE(line.Read(*got));
    EXPECT_EQ(line.seat, b_seat);
    EXPECT_STREQ(line.text, "สวัสดี");
  }
  SendInts(a.game, VX_PROTOCOL_TABLE_EMOTICON, {6, 0});  // no such set: dropped
  SendInts(a.game, VX_PROTOCOL_TABLE_EMOTICON, {2, 7});
  for (ProtocolClient* c : {&a.game, &b.game}) {
    auto got = c->RecvId(VX_PROTOCOL_TABLE_EMOTICON, 5000);
    ASSERT_TRUE(got);
    VXMsg_table_emoticon em;
    ASSERT_TRUE(em.Read(*got));
    EXPECT_EQ(em.seat, 0);
    EXPECT_EQ(em.emoticon, 2) << "the out-of-range emoticon was not echoed";
    EXPECT_EQ(em.variant, 7);
  }
  // One target, then everyone else (three seats).
  SendInts(a.game, VX_PROTOCOL_TABLE_ITEM_ATTACK, {0, b_seat, 3});
  SendInts(a.game, VX_PROTOCOL_TABLE_ITEM_ATTACK, {1, -1, 11});
  int64_t want = a.who.chips;
  for (int64_t cost : {1000, 3000}) {
    want -= cost;
    for (ProtocolClient* c : {&a.game, &b.game}) {
      auto got = c->RecvId(VX_PROTOCOL_TABLE_ITEM_ATTACK, 5000);
      ASSERT_TRUE(got);
      VXMsg_table_item_attack at;
      ASSERT_TRUE(at.Read(*got));
      EXPECT_EQ(at.seat, 0);
      EXPECT_EQ(at.chips, want);
      EXPECT_EQ(at.to_all, cost == 3000 ? 1 : 0);
      EXPECT_EQ(at.target_seat, cost == 3000 ? -1 : b_seat);
    }
  }
  // Items that cannot be used (no such item, aimed at oneself), then an emoticon: only
  // the emoticon arrives.
  SendInts(a.game, VX_PROTOCOL_TABLE_ITEM_ATTACK, {0, b_seat, 12});  // no such item
  SendInts(a.game, VX_PROTOCOL_TABLE_ITEM_ATTACK, {0, 0, 1});        // at oneself
  SendInts(a.game, VX_PROTOCOL_TABLE_EMOTICON, {1, 1});
  auto next = b.game.Recv(5000);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->id, VX_PROTOCOL_TABLE_EMOTICON) << "refused items send nothing";
  live.StopNow();
  tsrv::Store st;
  ASSERT_TRUE(st.Open(cfg.db_path, 0, nullptr));
  auto acc = st.FindByAccountId(a.who.account_id);
  ASSERT_TRUE(acc);
  EXPECT_EQ(acc->chips, want);
  EXPECT_EQ(st.TotalChips(), st.LedgerTotal()) << "the charges are on the ledger";
}

// Two players play a whole round at one table, each with its own moves.
TEST(TableFlow, TwoPlayersPlayARoundTogether) {
  auto cfg = QuickConfig("two_players");
  cfg.bots_per_table = 2;  // the second player takes the free seat
  LiveServer live(cfg);
  Seated a, b;
  ASSERT_TRUE(SeatPlayer(live, "device-two-a", a));
  TablePlayer ta(a.game), tb(b.game);
  ta.account_id = a.who.account_id;
  tb.account_id = b.who.account_id;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-two-b", b.game, &b.who));
  tb.account_id = b.who.account_id;
  ASSERT_TRUE(tb.EnterRoom(100));
  EXPECT_EQ(tb.my_seat, 3);
  AskTable(a.game, 0);
  auto t = a.game.RecvId(VX_PROTOCOL_TABLE_INFO, 5000);
  ASSERT_TRUE(t);
  ASSERT_TRUE(ta.Apply(*t));
  EXPECT_EQ(ta.my_seat, 0);
  SendReady(b.game, 1);
  ASSERT_TRUE(a.game.RecvId(VX_PROTOCOL_GAME_READY, 5000)) << "the host sees the second player ready";
  SendReady(a.game, 0);
  std::thread other([&] { tb.PlayRound(); });
  ta.PlayRound();
  other.join();
  EXPECT_EQ(ta.results, 1);
  EXPECT_EQ(tb.results, 1);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(ta.result.settlement[s], tb.result.settlement[s]);
  EXPECT_EQ(ta.mismatches + tb.mismatches, 0);
}

// Card-change items handed out by the option; a change answers with the whole new hand
// and the item block; it is refused after the first draw.
TEST(TableFlow, CardChangeWithItems) {
  auto cfg = QuickConfig("card_change");
  cfg.bots_per_table = 1;
  cfg.card_change_items = 2;
  cfg.deals = {TwoSeatPack(kHand, C(3, 2), {C(3, 12), C(0, 12), C(2, 0)})};
  cfg.turn_seconds = 600;
  LiveServer live(cfg);
  Seated a;
  ASSERT_TRUE(SeatPlayer(live, "device-change", a));
  SendReady(a.game, 0);
  ASSERT_TRUE(a.game.RecvId(VX_PROTOCOL_GAME_START, 5000));
  auto change = [&](std::vector<int> codes) {
    VXMsg_card_change_request req;
    std::vector<VXType_card> cards(codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
      cards[i].code = codes[i];
      req.cards.Add_Card(&cards[i]);
    }
    Packet p;
    Build_Packet(req, p);
    req.cards.Clear(false);
    a.game.Send(p);
    auto r = a.game.RecvId(VX_PROTOCOL_CARD_CHANGE, 5000);
    auto ev = std::make_unique<VXMsg_card_change_event>();
    if (r) ev->Read(*r);
    return ev;
  };
  auto ok = change({C(0, 3), C(3, 11)});
  ASSERT_EQ(ok->ok, 1);
  std::vector<int> want = kHand;
  want[1] = C(3, 12);
  want[9] = C(0, 12);
  EXPECT_EQ(DeckCodes(ok->cards), want) << "the whole hand, the new cards in place of the old";
  int32_t items = 0;
  std::memcpy(&items, ok->items + 4 * tsrv::kCardChangeSlot, 4);
  EXPECT_EQ(items, 1) << "one item used";
  EXPECT_EQ(change({C(0, 3)})->ok, 0) << "a card no longer held";
  TablePlayer tp(a.game);
  tp.my_seat = 0;
  ASSERT_EQ(tp.Draw(), 1);
  EXPECT_EQ(change({C(0, 2)})->ok, 0) << "no change after a draw";
}

// A dropped connection holds the seat: the master's login says where, the room request
// naming that table seats the player back in the live round, and the player finishes it.
TEST(TableFlow, DroppedPlayerRejoinsTheLiveRound) {
  auto cfg = QuickConfig("rejoin");
  cfg.bot_think_ms = 150;  // a round lasts long enough to come back to
  cfg.turn_seconds = 1;
  LiveServer live(cfg);
  Seated a;
  ASSERT_TRUE(SeatPlayer(live, "device-rejoin", a));
  SendReady(a.game, 0);
  ASSERT_TRUE(a.game.RecvId(VX_PROTOCOL_GAME_START, 5000));
  std::atomic<int> dropped{-1};
  live.server().DropConnections([&](int n) { dropped = n; });
  while (a.game.Recv(5000)) {  // the round's messages until the server closes the connection
  }
  uint8_t block[kUserInfoSize];
  ASSERT_TRUE(MasterBlock(live.master(), "device-rejoin", block));
  EXPECT_EQ(dropped, 1);
  ASSERT_EQ(At(block, kUserSeatedKind), 1) << "the seat is held";
  const int32_t number = At(block, kUserRoomSelector1), key = At(block, kUserRoomSelector2);
  EXPECT_GT(number, 0);
  // Back through the master to the game server, and the request the client builds from
  // the block: zero, the table number, the key, 4 at byte 28.
  ProtocolClient back;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-rejoin", back, &a.who));
  VXMsg_room_enter_request req;
  req.room.Clear();
  req.room.SetTableNumber(number);
  req.room.SetTableKey(key);
  req.room.SetSeats(4);
  Packet p;
  Build_Packet(req, p);
  back.Send(p);
  auto r = back.RecvId(VX_PROTOCOL_ROOM_ENTER, 5000);
  ASSERT_TRUE(r);
  VXMsg_room_enter_reply rep;
  ASSERT_TRUE(rep.Read(*r));
  ASSERT_EQ(rep.result, 1);
  EXPECT_EQ(rep.room.TableNumber(), number);
  TablePlayer tp(back);
  tp.account_id = a.who.account_id;
  AskTable(back, 0);
  auto t = back.RecvId(VX_PROTOCOL_TABLE_INFO, 5000);
  ASSERT_TRUE(t);
  ASSERT_TRUE(tp.Apply(*t));
  EXPECT_EQ(tp.my_seat, 0);
  ASSERT_EQ(tp.table_state(), 2) << "the round is still in play";
  EXPECT_FALSE(tp.seat(0).hand.empty());
  for (int c : tp.seat(0).hand) EXPECT_TRUE(tsrv::IsCard(c)) << "the own hand with its codes";
  tp.PlayRound();
  EXPECT_EQ(tp.results, 1);
  // Leaving gives the seat up: a new master login names no held seat.
  SendInts(back, VX_PROTOCOL_ROOM_LEAVE, {0});
  ASSERT_TRUE(back.RecvId(VX_PROTOCOL_ROOM_LEAVE, 5000));
  ASSERT_TRUE(MasterBlock(live.master(), "device-rejoin", block));
  EXPECT_EQ(At(block, kUserSeatedKind), 0);
}

// A held seat is given up when its grace period ends; a request naming a table where no
// seat is held is refused.
TEST(TableFlow, HeldSeatExpires) {
  auto cfg = QuickConfig("grace");
  cfg.seat_grace_ms = 200;
  LiveServer live(cfg);
  Seated a;
  ASSERT_TRUE(SeatPlayer(live, "device-grace", a));
  a.game.Close();
  uint8_t block[kUserInfoSize];
  ASSERT_TRUE(MasterBlock(live.master(), "device-grace", block));
  ASSERT_EQ(At(block, kUserSeatedKind), 1);
  const int32_t number = At(block, kUserRoomSelector1);
  // The sweep gives the seat up within about a second of the grace period's end.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (At(block, kUserSeatedKind) == 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(MasterBlock(live.master(), "device-grace", block));
  }
  EXPECT_EQ(At(block, kUserSeatedKind), 0);
  ProtocolClient back;
  ASSERT_TRUE(EnterThroughMaster(live.master(), "device-grace", back, &a.who));
  VXMsg_room_enter_request req;
  req.room.SetTableNumber(number);
  req.room.SetTableKey(number);
  Packet p;
  Build_Packet(req, p);
  back.Send(p);
  auto r = back.RecvId(VX_PROTOCOL_ROOM_ENTER, 5000);
  ASSERT_TRUE(r);
  VXMsg_room_enter_reply rep;
  ASSERT_TRUE(rep.Read(*r));
  EXPECT_EQ(rep.result, 0);
}

// SIGUSR2 drops every connection and says how many.
TEST(TableFlow, SignalDropsEveryConnection) {
  ServerProcess srv;
  if (!srv.Start({"--master-port", "0", "--game-port", "0", "--no-http", "--db", TempDb("drop_signal")}))
    GTEST_SKIP() << "TOLVAN_SERVER_BIN not set";
  const std::string line = srv.WaitLine("tolvan-server: master", 10000);
  const size_t at = line.find("master 127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << srv.output();
  ProtocolClient game;
  MasterAccount me;
  ASSERT_TRUE(EnterThroughMaster(std::atoi(line.c_str() + at + std::strlen("master 127.0.0.1:")), "device-sig",
                                 game, &me));
  ASSERT_TRUE(EnterRoomPlain(game, 100));
  srv.Signal(SIGUSR2);
  EXPECT_FALSE(srv.WaitLine("tolvan-server: dropped ", 5000).empty()) << srv.output();
  EXPECT_FALSE(game.Recv(5000)) << "closed";
}
