#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "CardTestUtil.h"
#include "framework/Clock.h"
#include "net/Packet.h"
#include "net/messages/VXGlobalMessages.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXTableMessages.h"

namespace {

uint32_t ZeroTick() { return 0; }

// The clock stands still at 0 so that the turn times read back as they were written.
class MessageTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTickSource(ZeroTick); }
  void TearDown() override { SetTickSource(nullptr); }
};

template <size_t N>
void Pattern(uint8_t (&bytes)[N], int seed) {
  for (size_t i = 0; i < N; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 3);
}
template <size_t N>
void Pattern(char (&text)[N], const char* s) {
  std::strncpy(text, s, N - 1);
}

void FillPlayer(GameVXPlayer& p, int seed) {
  Pattern(p.profile, seed);
  Pattern(p.seat.raw, seed + 1);
  p.seat.SetTurnStart(0);
  p.status = seed;
  FillDeck(p.hand, {seed % 52, (seed + 5) % 52});
  GameVXCardDeck* m = p.Add_Meld(3);
  FillDeck(*m, {C(0, 7), C(1, 7), C(2, 7)});
  m->turn_mark = seed;
}

void FillStatus(VXType_table_status& s) {
  Pattern(s.room.raw, 9);
  s.turn_start = 0;
  s.stock_taken = 17;
  Pattern(s.turn.raw, 40);
}

// Writes `filled`, checks the payload length, reads it into a fresh record, writes that
// again and compares the bytes; then every shorter payload must fail to read.
template <class M>
void ExpectRoundTrip(const M& filled, size_t expected_length) {
  Packet first;
  ASSERT_EQ(Build_Packet(filled, first), 1);
  EXPECT_EQ(first.id, M::kId);
  EXPECT_EQ(first.PayloadLength(), expected_length);
  auto back = std::make_unique<M>();
  ASSERT_EQ(back->Read(first), 1);
  EXPECT_EQ(first.Remaining(), 0u);
  Packet second;
  ASSERT_EQ(Build_Packet(*back, second), 1);
  ASSERT_EQ(second.PayloadLength(), first.PayloadLength());
  EXPECT_EQ(std::memcmp(second.payload, first.payload, first.PayloadLength()), 0);

  for (size_t len = 0; len < expected_length; ++len) {
    Packet cut;
    CopyPacket(first, cut, true);
    cut.length = static_cast<uint16_t>(kPacketHeaderSize + len);
    cut.read_pos = 0;
    auto partial = std::make_unique<M>();
    EXPECT_EQ(partial->Read(cut), 0) << "payload cut to " << len;
  }
}

constexpr size_t kPlayerBytes = 516 + 136 + 4 + (16 + 2 * 20) + 4 + (16 + 3 * 20);
constexpr size_t kStateAndCards = kPlayerBytes - 516;
constexpr size_t kCardsOnly = kStateAndCards - 140;

TEST_F(MessageTest, LoginMessagesRoundTrip) {
  VXMsg_hello_request hello;
  hello.shared_value1 = 11;
  hello.shared_value2 = -12;
  ExpectRoundTrip(hello, 20);

  VXMsg_hello_reply reply;
  reply.major = 3;
  reply.minor = 3;
  reply.patch = 1;
  Pattern(reply.patch_url, "http://127.0.0.1/patch");
  ExpectRoundTrip(reply, 12 + 255);

  ExpectRoundTrip(VXMsg_account_refresh{}, 4);

  VXMsg_login_request login;
  Pattern(login.user_id, 1);
  Pattern(login.token, "token-abc");
  Pattern(login.account_head, 2);
  ExpectRoundTrip(login, 8 + 60 + 64 + 184);
}

TEST_F(MessageTest, RoomAndLobbyMessagesRoundTrip) {
  VXMsg_tournament_table tt;
  Pattern(tt.info.raw, 3);
  Pattern(tt.progress.raw, 4);
  ExpectRoundTrip(tt, 172);

  VXMsg_room_enter_request enter;
  Pattern(enter.room.raw, 5);
  ExpectRoundTrip(enter, 56);

  VXMsg_room_enter_reply refused;
  ExpectRoundTrip(refused, 4);
  VXMsg_room_enter_reply ok;
  ok.result = 1;
  Pattern(ok.room.raw, 6);
  Pattern(ok.user_info, 7);
  ok.ignored = 99;
  ExpectRoundTrip(ok, 4 + 56 + 516 + 4);

  ExpectRoundTrip(VXMsg_room_leave_request{}, 4);
  VXMsg_room_leave_event leave;
  leave.ok = 1;
  Pattern(leave.user_info, 8);
  leave.kicked = 1;
  ExpectRoundTrip(leave, 524);
}

TEST_F(MessageTest, GlobalMessagesRoundTrip) {
  VXMsg_tournament_notice notice;
  Pattern(notice.record.raw, 11);
  notice.lowest_valid_id = 40;
  ExpectRoundTrip(notice, 124);

  VXMsg_tournament_out out;
  Pattern(out.head.raw, 12);
  Pattern(out.result.raw, 13);
  Pattern(out.user_info, 14);
  ExpectRoundTrip(out, 120 + 128 + 516);

  VXMsg_bonus bonus;
  Pattern(bonus.head.raw, 15);
  Pattern(bonus.user_info, 16);
  ExpectRoundTrip(bonus, 28 + 516);

  // A notice without its lowest valid id keeps every registration.
  Packet p(168);
  p.WriteBytes(notice.record.raw, notice.record.kSize);
  VXMsg_tournament_notice cut;
  EXPECT_EQ(cut.Read(p), 0);
  EXPECT_EQ(cut.record, notice.record);
  EXPECT_EQ(cut.lowest_valid_id, INT32_MIN);
}

// The fields the client reads sit at their wire offsets.
TEST(GlobalRecords, FieldsReadTheirWireOffsets) {
  auto put32 = [](uint8_t* raw, size_t off, int32_t v) { std::memcpy(raw + off, &v, 4); };
  auto put64 = [](uint8_t* raw, size_t off, int64_t v) { std::memcpy(raw + off, &v, 8); };

  VXType_day_bonus day;
  put32(day.raw, 0, 6);
  put32(day.raw, 8, -1);
  put32(day.raw, 12, 2);
  put32(day.raw, 16, 30);
  put64(day.raw, 20, 5000000000LL);
  EXPECT_EQ(day.Day(), 6);
  EXPECT_EQ(day.ItemKind(), -1);
  EXPECT_EQ(day.ItemCount(), 2);
  EXPECT_EQ(day.Rubies(), 30);
  EXPECT_EQ(day.Chips(), 5000000000LL);

  VXType_bonus_head head;
  put32(head.raw, 0, 23);
  put32(head.raw, 16, 4);
  put64(head.raw, 20, -7);
  EXPECT_EQ(head.Kind(), 23);
  EXPECT_EQ(head.Value(), 4);
  EXPECT_EQ(head.Amount(), -7);

  VXType_tournament_result result;
  put32(result.raw, 104, 3);
  put64(result.raw, 116, 800000);
  put32(result.raw, 124, 9);
  EXPECT_EQ(result.Rank(), 3);
  EXPECT_EQ(result.Chips(), 800000);
  EXPECT_EQ(result.Rubies(), 9);

  VXType_tournament_info info;
  put32(info.raw, 0, 77);
  put32(info.raw, 12, 2);
  put32(info.raw, 16, 5);
  EXPECT_EQ(info.TournamentId(), 77);
  EXPECT_EQ(info.Kind(), 2);
  EXPECT_EQ(info.Status(), 5);

  VXType_gift gift;
  put32(gift.raw, 16, 4);
  put32(gift.raw, 20, 1);
  put32(gift.raw, 24, 8);
  put64(gift.raw, 28, 1500);
  std::memset(gift.raw + 321, 'n', 50);  // a name that fills its field has no terminator
  EXPECT_EQ(gift.ItemIndex(), 4);
  EXPECT_EQ(gift.ItemAmount(), 1);
  EXPECT_EQ(gift.Rubies(), 8);
  EXPECT_EQ(gift.Chips(), 1500);
  EXPECT_EQ(gift.SenderName(), std::string(50, 'n'));
  EXPECT_EQ(gift.raw[371], 0);  // the sender's picture mark is untouched
}

TEST_F(MessageTest, TableInformationRoundTripsInEveryMode) {
  VXMsg_table_info_request req;
  req.mode = 2;
  ExpectRoundTrip(req, 4);

  struct Mode {
    int32_t mode;
    size_t head;
    size_t per_player;
  };
  for (const Mode& m : {Mode{0, 100, kPlayerBytes}, Mode{1, 100, kStateAndCards}, Mode{2, 4, kCardsOnly}}) {
    SCOPED_TRACE(m.mode);
    auto info = std::make_unique<VXMsg_table_info>();
    info->mode = m.mode;
    FillStatus(info->status);
    FillDeck(info->pile, {C(3, 3)});
    info->entry_count = 2;
    for (int i = 0; i < 2; ++i) {
      info->entries[i].seat = i * 3;
      info->entries[i].player = std::make_unique<GameVXPlayer>();
      FillPlayer(*info->entries[i].player, 20 + i);
    }
    ExpectRoundTrip(*info, 4 + m.head + (16 + 20) + 4 + 2 * (4 + m.per_player));

    auto player = std::make_unique<VXMsg_table_player>();
    player->mode = m.mode;
    player->seat = 1;
    FillPlayer(player->player, 30);
    ExpectRoundTrip(*player, 8 + m.per_player);
  }
}

TEST_F(MessageTest, TableEventsRoundTrip) {
  VXMsg_table_chat chat;
  chat.seat = 2;
  Pattern(chat.text, "สวัสดี");
  ExpectRoundTrip(chat, 8 + 255);

  VXMsg_table_emoticon emo;
  emo.seat = 1;
  emo.emoticon = 4;
  emo.variant = 2;
  ExpectRoundTrip(emo, 12);

  VXMsg_table_item_attack attack;
  attack.to_all = 1;
  attack.seat = 0;
  attack.target_seat = 3;
  attack.item = 5;
  attack.chips = 123456789012345LL;
  ExpectRoundTrip(attack, 24);

  VXMsg_table_report report_failed;
  Pattern(report_failed.name, "someone");
  ExpectRoundTrip(report_failed, 34);
  VXMsg_table_report report;
  report.ok = 1;
  Pattern(report.name, "someone");
  Pattern(report.user_info, 3);
  ExpectRoundTrip(report, 34 + 516);

  ExpectRoundTrip(VXMsg_table_items{}, 4);
  VXMsg_table_items items;
  items.ok = 1;
  Pattern(items.items, 4);
  ExpectRoundTrip(items, 96);

  VXMsg_card_change_request change;
  VXType_card a, b;
  a.code = 4;
  b.code = 30;
  change.cards.Add_Card(&a);
  change.cards.Add_Card(&b);
  ExpectRoundTrip(change, 16 + 40);

  ExpectRoundTrip(VXMsg_card_change_event{}, 4);
  VXMsg_card_change_event changed;
  changed.ok = 1;
  FillDeck(changed.cards, {8, 9});
  Pattern(changed.items, 5);
  ExpectRoundTrip(changed, 4 + 56 + 92);

  ExpectRoundTrip(VXMsg_game_ready_request{}, 4);
  VXMsg_game_ready_event ready;
  ready.seat = 3;
  ExpectRoundTrip(ready, 8);

  VXMsg_game_turn turn;
  FillStatus(turn.status);
  Pattern(turn.seat.raw, 6);
  turn.seat.SetTurnStart(0);
  turn.player_status = 2;
  ExpectRoundTrip(turn, 240);

  auto start = std::make_unique<VXMsg_game_start>();
  FillStatus(start->status);
  FillDeck(start->pile, {C(0, 0), C(3, 10)});
  start->entry_count = 1;
  start->entries[0].seat = 2;
  start->entries[0].player = std::make_unique<GameVXPlayer>();
  FillPlayer(*start->entries[0].player, 40);
  ExpectRoundTrip(*start, 100 + (16 + 40) + 4 + 4 + kPlayerBytes);

  VXMsg_game_result result;
  Pattern(result.header, 7);
  result.winner_seat = 1;
  for (int i = 0; i < 4; ++i) {
    result.settlement[i] = -1000LL * (i + 1) - (1LL << 40);
    result.kept[i] = i;
    result.plus_points[i] = 10 + i;
    result.minus_points[i] = 20 + i;
  }
  Pattern(result.skipped, 8);
  result.row_count = 3;
  result.rows[0] = {1, 1, 3};
  result.rows[1] = {2, 0, 0};
  result.rows[2] = {3, 2, 1};
  ExpectRoundTrip(result, 50 + 4 + 32 + 32 + 48 + 4 + 3 * 12);
}

// A no-field event is written as one int32 0, so its packet passes the packet check that
// refuses an empty payload; its reader takes that form, a header-only packet and a longer
// payload alike.
template <class M>
void ExpectNoFieldEvent() {
  SCOPED_TRACE(M::kId);
  Packet built;
  ASSERT_EQ(Build_Packet(M{}, built), 1);
  EXPECT_EQ(built.id, M::kId);
  ASSERT_EQ(built.PayloadLength(), 4u);
  int32_t word = -1;
  std::memcpy(&word, built.payload, 4);
  EXPECT_EQ(word, 0);

  uint8_t wire[kPacketMaxWire];
  const size_t n = built.SerializeTo(wire, sizeof(wire));
  ASSERT_EQ(n, kPacketHeaderSize + 4);
  Packet received;
  ASSERT_EQ(received.ParseFrom(wire, n), 1) << "the padded event passes the packet check";
  M read_back;
  EXPECT_EQ(read_back.Read(received), 1);
  EXPECT_EQ(received.Remaining(), 0u);

  // Without the padding the packet check refuses it, which is why the writer pads.
  Packet bare(M::kId);
  const size_t bare_n = bare.SerializeTo(wire, sizeof(wire));
  ASSERT_EQ(bare_n, kPacketHeaderSize);
  Packet refused;
  EXPECT_EQ(refused.ParseFrom(wire, bare_n), 0);
  // A header-only packet that got here some other way still reads.
  M from_bare;
  EXPECT_EQ(from_bare.Read(bare), 1);

  Packet longer(M::kId);
  longer.WriteInt32(7);
  longer.WriteInt32(8);
  M from_longer;
  EXPECT_EQ(from_longer.Read(longer), 1);
}

TEST_F(MessageTest, NoFieldEventsCarryOneWordAndReadAnyLength) {
  ExpectNoFieldEvent<VXMsg_game_ranking>();
  ExpectNoFieldEvent<VXMsg_game_result_close>();
  ExpectNoFieldEvent<VXMsg_tournament_end>();
}

TEST_F(MessageTest, PlayerActionsRoundTripForEveryAction) {
  for (int32_t action : {0, 1, 2, 3, 4}) {
    SCOPED_TRACE(action);
    VXMsg_player_action_request req;
    req.action = action;
    req.knock = 1;
    req.target_seat = 2;
    req.target_meld = 4;
    VXType_card c1, c2, c3;
    c1.code = C(1, 4);
    c2.code = C(1, 5);
    c3.code = C(1, 6);
    for (VXType_card* c : {&c1, &c2, &c3}) req.cards.Add_Card(c);
    req.card.code = 49;
    const size_t deck = 16 + 60;
    const size_t sizes[] = {4, 4 + 4 + deck, 4 + 8 + deck + 4, 4 + 20, 4};
    ExpectRoundTrip(req, sizes[action]);

    VXMsg_player_action_event refused;
    refused.action = action;
    ExpectRoundTrip(refused, 8);

    VXMsg_player_action_event ev;
    ev.action = action;
    ev.ok = 1;
    ev.seat = 1;
    ev.stock_taken = 21;
    ev.card.code = 12;
    ev.mission_value = 100;
    ev.mission_event = 2;
    ev.card0_event = 5;
    ev.card49_event = 6;
    for (int i = 0; i < 4; ++i) {
      ev.mission_flags[i] = i;
      ev.card0_flags[i] = i + 4;
      ev.card49_flags[i] = i + 8;
    }
    FillDeck(ev.cards, {C(2, 0), C(2, 1), C(2, 2)});
    ev.target_seat = 3;
    ev.target_meld = 0;
    ev.event = 5;
    ev.flagged_seat = 2;
    const size_t ev_sizes[] = {8 + 8 + 20, 8 + 12 + deck + 4 + 16 + 4 + 16 + 4 + 16 + 4, 8 + 12 + deck + 8,
                               8 + 4 + 20 + 12, 8};
    ExpectRoundTrip(ev, ev_sizes[action]);
  }
  VXMsg_player_action_event round_end;
  round_end.action = VX_ACTION_THROW;
  round_end.ok = 1;
  round_end.round_end = 1;
  round_end.end_kind = 2;
  round_end.event_a = 7;
  round_end.event_b = 8;
  round_end.feeder_seat = 3;
  ExpectRoundTrip(round_end, 8 + 4 + 20 + 12 + 16);
}

// The exact order of fields, written by hand.
struct LayoutCase {
  const char* name;
  std::function<void(Packet&)> record;
  std::vector<int32_t> words;
};

class LayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTable, FieldsAreInWireOrder) {
  const LayoutCase& c = GetParam();
  Packet p;
  c.record(p);
  ASSERT_EQ(p.PayloadLength(), c.words.size() * 4);
  EXPECT_EQ(std::memcmp(p.payload, c.words.data(), p.PayloadLength()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, LayoutTable,
    ::testing::Values(
        LayoutCase{"hello",
                   [](Packet& p) {
                     VXMsg_hello_request m;
                     m.shared_value1 = 5;
                     m.shared_value2 = 6;
                     Build_Packet(m, p);
                   },
                   {static_cast<int32_t>(0xFFF0F0DD), 0, 5, 6, 126}},
        LayoutCase{"room_request_from_the_room_list",
                   [](Packet& p) {
                     VXMsg_room_enter_request m;
                     m.room.Put(0, -1);
                     m.room.SetTableNumber(-1);
                     m.room.SetTableKey(-1);
                     m.room.SetGameType(1);
                     m.room.SetTurnSeconds(40);
                     m.room.SetSeats(4);
                     m.room.SetPointTarget(1000);
                     m.room.SetStake(0x100000064LL);
                     Build_Packet(m, p);
                   },
                   {-1, -1, -1, 1, 0, 0, 40, 4, 0, 0, 0, 1000, 100, 1}},
        LayoutCase{"turn_record",
                   [](Packet& p) {
                     VXType_turn_info t;
                     t.SetHostSeat(2);
                     t.SetTurnSeat(3);
                     t.SetAutoStageSeat(-1);
                     t.SetMission(100);
                     t.SetNoCrown(1);
                     p.WriteBytes(t.raw, t.kSize);
                   },
                   {0, 0, 1, 2, 3, 0, -1, 100, 1}},
        LayoutCase{"attach_request",
                   [](Packet& p) {
                     VXMsg_player_action_request m;
                     m.action = 2;
                     m.target_seat = 3;
                     m.target_meld = 1;
                     m.knock = 1;
                     VXType_card c;
                     c.code = 9;
                     c.in_hand = 1;
                     m.cards.kind = 2;
                     m.cards.Add_Card(&c);
                     Build_Packet(m, p);
                   },
                   {2, 3, 1, 2, 0, 0, 1, 9, -1, 1, 0, 0, 1}},
        LayoutCase{"throw_request",
                   [](Packet& p) {
                     VXMsg_player_action_request m;
                     m.action = 3;
                     m.card.code = 49;
                     m.card.owner_seat = 2;
                     m.card.turn_mark = 8;
                     m.card.extra = 4;
                     Build_Packet(m, p);
                   },
                   {3, 49, 2, 0, 8, 4}},
        LayoutCase{"draw_event",
                   [](Packet& p) {
                     VXMsg_player_action_event m;
                     m.action = 0;
                     m.ok = 1;
                     m.stock_taken = 30;
                     m.seat = 2;
                     m.card.code = 7;
                     Build_Packet(m, p);
                   },
                   {0, 1, 30, 2, 7, -1, 0, 0, 0}},
        LayoutCase{"attach_event",
                   [](Packet& p) {
                     VXMsg_player_action_event m;
                     m.action = 2;
                     m.ok = 1;
                     m.seat = 1;
                     m.target_seat = 3;
                     m.target_meld = 2;
                     m.event = 6;
                     m.flagged_seat = 0;
                     Build_Packet(m, p);
                   },
                   {2, 1, 1, 3, 2, 0, 0, 0, 0, 6, 0}},
        LayoutCase{"item_attack",
                   [](Packet& p) {
                     VXMsg_table_item_attack m;
                     m.to_all = 0;
                     m.seat = 1;
                     m.target_seat = 2;
                     m.item = 3;
                     m.chips = 0x100000005LL;
                     Build_Packet(m, p);
                   },
                   {0, 1, 2, 3, 5, 1}},
        LayoutCase{"table_info_cards_only",
                   [](Packet& p) {
                     VXMsg_table_info m;
                     m.mode = 2;
                     m.status.stock_taken = 12;
                     m.entry_count = 1;
                     m.entries[0].seat = 3;
                     m.entries[0].player = std::make_unique<GameVXPlayer>();
                     Build_Packet(m, p);
                   },
                   {2, 12, 0, 0, 0, 0, 1, 3, 1, 0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MessageTest, ShortPayloadsKeepTheInitialValues) {
  {
    Packet p(134);
    p.WriteInt32(3);
    VXMsg_hello_reply m;
    EXPECT_EQ(m.Read(p), 0);
    EXPECT_EQ(m.major, 3);
    EXPECT_EQ(m.minor, -1);
    EXPECT_EQ(m.patch, -1);
    EXPECT_EQ(m.patch_url[0], 0);
  }
  {
    Packet p(216);
    p.WriteInt32(3);
    VXMsg_player_action_event m;
    EXPECT_EQ(m.Read(p), 0);
    EXPECT_EQ(m.action, 3);
    EXPECT_EQ(m.ok, 0);
    EXPECT_EQ(m.seat, -1);
    EXPECT_EQ(m.card.code, -1);
    EXPECT_EQ(m.event, -1);
    EXPECT_EQ(m.feeder_seat, -1);
  }
  {
    Packet p(218);
    VXMsg_game_result m;
    EXPECT_EQ(m.Read(p), 0);
    EXPECT_EQ(m.winner_seat, -1);
    EXPECT_EQ(m.row_count, 0);
  }
  {
    Packet p(208);
    p.WriteInt32(2);
    VXMsg_table_chat m;
    EXPECT_EQ(m.Read(p), 0);
    EXPECT_EQ(m.seat, 2);
    EXPECT_EQ(m.text[0], 0);
  }
  {
    // The turn record of a table status that never arrived keeps its reset values.
    Packet p(215);
    VXMsg_game_turn m;
    EXPECT_EQ(m.Read(p), 0);
    EXPECT_EQ(m.status.turn.Direction(), 1);
    EXPECT_EQ(m.status.turn.HostSeat(), -1);
    EXPECT_EQ(m.status.turn.TurnSeat(), -1);
    EXPECT_EQ(m.seat.Seat(), -1);
  }
}

TEST_F(MessageTest, PlayerListsSkipBadSeatsAndRefuseBadCounts) {
  auto build = [](std::vector<int32_t> seats, int32_t count) {
    auto p = std::make_unique<Packet>(217);
    VXType_table_status status;
    status.Write(*p);
    GameVXCardDeck pile;
    pile.Write(*p);
    p->WriteInt32(count);
    for (int32_t s : seats) {
      p->WriteInt32(s);
      GameVXPlayer player;
      player.seat.SetSeat(s);
      player.Write(*p);
    }
    return p;
  };
  auto start = std::make_unique<VXMsg_game_start>();
  auto p = build({1, 7, 3}, 3);
  EXPECT_EQ(start->Read(*p), 1);
  ASSERT_EQ(start->entry_count, 2);
  EXPECT_EQ(start->entries[0].seat, 1);
  EXPECT_EQ(start->entries[1].seat, 3);
  EXPECT_EQ(start->entries[1].player->seat.Seat(), 3);

  for (int32_t bad : {5, -1}) {
    auto q = build({0, 1, 2, 3, 0}, bad);
    auto again = std::make_unique<VXMsg_game_start>();
    EXPECT_EQ(again->Read(*q), 0);
    EXPECT_EQ(again->entry_count, 0);
  }
}

TEST(MessageFilter, OnlyTheStartingIdsPassBeforeTheTableIsReady) {
  for (int id = 100; id < 260; ++id) {
    const bool in_range = id >= 199 && id <= 221;
    const bool early = id == 199 || id == 202 || id == 205 || id == 206 || id == 217;
    EXPECT_EQ(Table_Accepts_Packet(static_cast<uint16_t>(id), true), in_range) << id;
    EXPECT_EQ(Table_Accepts_Packet(static_cast<uint16_t>(id), false), early) << id;
  }
}

}  // namespace
