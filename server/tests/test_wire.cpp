// The server's side of the wire: framing (header-only placeholder requests), move requests
// as the client's records write them, and the server's model in the client's records.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "Wire.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXTableMessages.h"

namespace {

using tsrv::Frame;

std::vector<uint8_t> Header(uint16_t magic, uint16_t length, uint16_t id, uint16_t enciphered = 0) {
  std::vector<uint8_t> b(kPacketHeaderSize);
  std::memcpy(b.data(), &magic, 2);
  std::memcpy(b.data() + 2, &length, 2);
  std::memcpy(b.data() + 4, &id, 2);
  std::memcpy(b.data() + 6, &enciphered, 2);
  const uint16_t mark = 1;
  std::memcpy(b.data() + 8, &mark, 2);
  return b;
}

struct FrameCase {
  const char* name;
  std::vector<uint8_t> bytes;
  Frame expected;
  size_t payload = 0;  // for whole packets
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class FrameTable : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTable, ServerFraming) {
  const FrameCase& c = GetParam();
  uint16_t length = 0;
  ASSERT_EQ(tsrv::CheckFrame(c.bytes.data(), c.bytes.size(), &length), c.expected);
  if (c.expected != Frame::kPacket) return;
  EXPECT_EQ(length, kPacketHeaderSize + c.payload);
  Packet p;
  ASSERT_TRUE(tsrv::ParseFrame(c.bytes.data(), length, &p));
  EXPECT_EQ(p.PayloadLength(), c.payload);
  uint16_t id = 0;
  std::memcpy(&id, c.bytes.data() + 4, 2);
  EXPECT_EQ(p.id, id);
  EXPECT_EQ(p.mark, 1);
}

std::vector<uint8_t> WithPayload(uint16_t id, std::vector<uint8_t> payload) {
  auto b = Header(kPacketMagic, static_cast<uint16_t>(kPacketHeaderSize + payload.size()), id);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Wire, FrameTable,
    ::testing::Values(
        // The placeholder requests (their one field is an int32 0) are taken header-only.
        FrameCase{"leave_room_header_only", Header(kPacketMagic, 10, VX_PROTOCOL_ROOM_LEAVE), Frame::kPacket},
        FrameCase{"account_refresh_header_only", Header(kPacketMagic, 10, VX_PROTOCOL_ACCOUNT_REFRESH),
                  Frame::kPacket},
        FrameCase{"leave_server_header_only", Header(kPacketMagic, 10, tsrv::kMsgLeaveServer), Frame::kPacket},
        FrameCase{"heartbeat_header_only", Header(kPacketMagic, 10, tsrv::kMsgHeartbeat), Frame::kPacket},
        FrameCase{"enciphered_header_only", Header(kPacketMagic, 10, VX_PROTOCOL_ROOM_LEAVE, 1), Frame::kPacket},
        // Requests with real fields are never empty.
        FrameCase{"login_header_only", Header(kPacketMagic, 10, VX_PROTOCOL_LOGIN), Frame::kBad},
        FrameCase{"move_header_only", Header(kPacketMagic, 10, VX_PROTOCOL_GAME_PLAYER_ACTION), Frame::kBad},
        FrameCase{"table_request_header_only", Header(kPacketMagic, 10, VX_PROTOCOL_TABLE_INFO), Frame::kBad},
        FrameCase{"ranking_header_only", Header(kPacketMagic, 10, VX_PROTOCOL_GAME_RANKING), Frame::kBad},
        FrameCase{"length_below_header", Header(kPacketMagic, 9, VX_PROTOCOL_ROOM_LEAVE), Frame::kBad},
        FrameCase{"wrong_magic", Header(0x1234, 14, VX_PROTOCOL_ROOM_LEAVE), Frame::kBad},
        FrameCase{"id_zero", Header(kPacketMagic, 14, 0), Frame::kBad},
        FrameCase{"id_past_999", Header(kPacketMagic, 14, 1000), Frame::kBad},
        FrameCase{"length_past_limit", Header(kPacketMagic, kPacketMaxPayload + 1, 216), Frame::kBad},
        FrameCase{"short_of_a_header", std::vector<uint8_t>{0x87, 0xF0, 14, 0, 205}, Frame::kIncomplete},
        FrameCase{"payload_still_coming", Header(kPacketMagic, 14, VX_PROTOCOL_ROOM_LEAVE), Frame::kIncomplete},
        FrameCase{"leave_room_with_its_zero", WithPayload(VX_PROTOCOL_ROOM_LEAVE, {0, 0, 0, 0}), Frame::kPacket, 4},
        FrameCase{"draw", WithPayload(VX_PROTOCOL_GAME_PLAYER_ACTION, {0, 0, 0, 0}), Frame::kPacket, 4}),
    [](const auto& info) { return std::string(info.param.name); });

// A header-only placeholder request keeps its cipher flag; deciphering nothing is harmless.
TEST(Wire, HeaderOnlyRequestKeepsItsFlags) {
  auto bytes = Header(kPacketMagic, 10, VX_PROTOCOL_ROOM_LEAVE, 1);
  Packet p;
  ASSERT_TRUE(tsrv::ParseFrame(bytes.data(), bytes.size(), &p));
  EXPECT_EQ(p.enciphered, 1);
  EXPECT_EQ(p.Decipher(kSessionKey, std::strlen(kSessionKey)), 1);
  EXPECT_EQ(p.enciphered, 0);
  EXPECT_EQ(p.PayloadLength(), 0u);
  // The client's own parser refuses the same bytes: the server takes them on its own.
  Packet client_side;
  EXPECT_EQ(client_side.ParseFrom(bytes.data(), bytes.size()), 0);
}

// Move requests as the client's request record writes them, and malformed ones.
struct MoveCase {
  const char* name;
  std::function<void(Packet&)> write;
  bool accepted;
  int32_t action;  // reported for the refusal
  tsrv::BotMove expected;
};

VXType_card HandCard(int code) {
  VXType_card c;
  c.code = code;
  c.in_hand = 1;
  return c;
}

// Writes a request whose deck holds `codes` (the deck does not own the cards).
void WriteWithCards(Packet& p, VXMsg_player_action_request& req, int kind, const std::vector<int>& codes) {
  std::vector<VXType_card> cards;
  for (int c : codes) cards.push_back(HandCard(c));
  req.cards.kind = kind;
  for (auto& c : cards) req.cards.Add_Card(&c);
  Build_Packet(req, p);
  req.cards.Clear(false);
}

tsrv::BotMove Expect(tsrv::BotMove::Action a, std::vector<int> cards = {}, int kind = 0, int seat = -1,
                     int meld = -1, bool knock = false) {
  tsrv::BotMove m;
  m.action = a;
  m.cards = std::move(cards);
  m.kind = kind;
  m.target_seat = seat;
  m.meld_index = meld;
  m.knock_flag = knock;
  return m;
}

void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.name; }

class MoveTable : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveTable, ReadMove) {
  const MoveCase& c = GetParam();
  Packet p;
  c.write(p);
  tsrv::BotMove mv;
  int32_t action = -2;
  ASSERT_EQ(tsrv::ReadMove(p, &mv, &action), c.accepted);
  EXPECT_EQ(action, c.action);
  if (!c.accepted) return;
  EXPECT_EQ(mv.action, c.expected.action);
  EXPECT_EQ(mv.cards, c.expected.cards);
  if (mv.action == tsrv::BotMove::kDown) {
    EXPECT_EQ(mv.kind, c.expected.kind);
  }
  if (mv.action == tsrv::BotMove::kAttach) {
    EXPECT_EQ(mv.target_seat, c.expected.target_seat);
    EXPECT_EQ(mv.meld_index, c.expected.meld_index);
  }
  EXPECT_EQ(mv.knock_flag, c.expected.knock_flag);
}

INSTANTIATE_TEST_SUITE_P(
    Wire, MoveTable,
    ::testing::Values(
        MoveCase{"draw",
                 [](Packet& p) {
                   VXMsg_player_action_request r;
                   r.action = VX_ACTION_DRAW;
                   Build_Packet(r, p);
                 },
                 true, 0, Expect(tsrv::BotMove::kDraw)},
        MoveCase{"down_with_knock",
                 [](Packet& p) {
                   VXMsg_player_action_request r;
                   r.action = VX_ACTION_DOWN;
                   r.knock = 1;
                   WriteWithCards(p, r, 2, {4, 5, 6});
                 },
                 true, 1, Expect(tsrv::BotMove::kDown, {4, 5, 6}, 2, -1, -1, true)},
        MoveCase{"set_down",
                 [](Packet& p) {
                   VXMsg_player_action_request r;
                   r.action = VX_ACTION_DOWN;
                   WriteWithCards(p, r, 3, {7, 20, 33});
                 },
                 true, 1, Expect(tsrv::BotMove::kDown, {7, 20, 33}, 3)},
        MoveCase{"attach",
                 [](Packet& p) {
                   VXMsg_player_action_request r;
                   r.action = VX_ACTION_ATTACH;
                   r.target_seat = 2;
                   r.target_meld = 1;
                   WriteWithCards(p, r, 0, {9});
                 },
                 true, 2, Expect(tsrv::BotMove::kAttach, {9}, 0, 2, 1)},
        MoveCase{"throw",
                 [](Packet& p) {
                   VXMsg_player_action_request r;
                   r.action = VX_ACTION_THROW;
                   r.card = HandCard(49);
                   Build_Packet(r, p);
                 },
                 true, 3, Expect(tsrv::BotMove::kThrow, {49})},
        MoveCase{"end",
                 [](Packet& p) {
                   VXMsg_player_action_request r;
                   r.action = VX_ACTION_END;
                   Build_Packet(r, p);
                 },
                 true, 4, Expect(tsrv::BotMove::kEnd)},
        MoveCase{"unknown_action", [](Packet& p) {
                   p.Init(216);
                   p.WriteInt32(9);
                 },
                 false, 9, {}},
        MoveCase{"empty", [](Packet& p) { p.Init(216); }, false, -1, {}},
        MoveCase{"attach_without_its_knock_flag",
                 [](Packet& p) {
                   VXMsg_player_action_request r;
                   r.action = VX_ACTION_ATTACH;
                   r.target_seat = 1;
                   r.target_meld = 0;
                   WriteWithCards(p, r, 0, {9});
                   p.length -= 4;
                   p.write_len -= 4;
                 },
                 false, 2, {}},
        MoveCase{"down_with_a_code_the_deck_drops",
                 [](Packet& p) {
                   // Four cards on the wire, one of them code 60: the deck reader keeps
                   // three, which must not pass for a three-card meld.
                   p.Init(216);
                   p.WriteInt32(VX_ACTION_DOWN);
                   p.WriteInt32(0);
                   p.WriteInt32(2);
                   p.WriteInt32(0);
                   p.WriteInt32(0);
                   p.WriteInt32(4);
                   for (int code : {4, 60, 5, 6}) HandCard(code).Write(p);
                 },
                 false, 1, {}},
        MoveCase{"deck_count_past_the_limit",
                 [](Packet& p) {
                   p.Init(216);
                   p.WriteInt32(VX_ACTION_DOWN);
                   p.WriteInt32(0);
                   p.WriteInt32(2);
                   p.WriteInt32(0);
                   p.WriteInt32(0);
                   p.WriteInt32(1000);
                 },
                 false, 1, {}},
        MoveCase{"throw_cut_short",
                 [](Packet& p) {
                   p.Init(216);
                   p.WriteInt32(VX_ACTION_THROW);
                   p.WriteInt32(12);
                 },
                 false, 3, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// A seat as the server fills it, written with the client's table-player record and read
// back by the same record as the client does: hidden hands, melds with their marks.
TEST(Wire, PlayerRecordCarriesTheServerModel) {
  tsrv::Account a;
  a.id = 77;
  a.account_id = "acct-77";
  a.nickname = "Somchai";
  a.chips = 123456789012LL;
  a.items[3] = 5;

  tsrv::Meld run;
  run.kind = GameVXCardDeck::KIND_RUN;
  run.turn_mark = 4;
  run.cards = {{13 + 3, 1, 4}, {13 + 4, 1, 4}, {13 + 5, 2, 6}};
  tsrv::Meld set;
  set.kind = GameVXCardDeck::KIND_SET;
  set.turn_mark = 5;
  set.cards = {{8, 1, 5}, {21, 1, 5}, {34, 1, 5}};

  for (bool hidden : {false, true}) {
    SCOPED_TRACE(hidden);
    VXMsg_table_player m;
    m.mode = 0;
    m.seat = 1;
    tsrv::FillUserInfo(a, m.player.profile);
    m.player.seat.SetSeat(1);
    m.player.status = 3;
    ASSERT_TRUE(tsrv::FillHand(m.player.hand, {2, 40, 51}, 1, hidden));
    ASSERT_TRUE(tsrv::FillMelds(m.player, {run, set}));
    Packet p;
    ASSERT_EQ(Build_Packet(m, p), 1);

    VXMsg_table_player back;
    ASSERT_EQ(back.Read(p), 1);
    EXPECT_EQ(p.Remaining(), 0u);
    EXPECT_STREQ(back.player.AccountId(), "acct-77");
    EXPECT_EQ(back.player.Chips(), a.chips);
    int32_t item = 0;
    std::memcpy(&item, back.player.profile + GameVXPlayer::kProfileItemsOffset + 12, 4);
    EXPECT_EQ(item, 5);
    EXPECT_EQ(back.player.seat.Seat(), 1);
    EXPECT_EQ(back.player.status, 3);

    const GameVXCardDeck& hand = back.player.hand;
    EXPECT_EQ(hand.kind, GameVXCardDeck::KIND_HAND);
    ASSERT_EQ(hand.count, 3);
    const int codes[] = {2, 40, 51};
    for (int i = 0; i < hand.count; ++i) {
      EXPECT_EQ(hand.cards[i]->code, hidden ? tsrv::kHiddenCard : codes[i]);
      EXPECT_EQ(hand.cards[i]->in_hand, 1);
      EXPECT_EQ(hand.cards[i]->owner_seat, 1);
    }

    ASSERT_EQ(back.player.meld_count, 2);
    const tsrv::Meld* sent[] = {&run, &set};
    for (int i = 0; i < 2; ++i) {
      const GameVXCardDeck& d = *back.player.melds[i];
      EXPECT_EQ(d.kind, sent[i]->kind);
      EXPECT_EQ(d.index, i);
      EXPECT_EQ(d.turn_mark, sent[i]->turn_mark);
      ASSERT_EQ(d.count, 3);
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(d.cards[k]->code, sent[i]->cards[k].code);
        EXPECT_EQ(d.cards[k]->owner_seat, sent[i]->cards[k].owner);
        EXPECT_EQ(d.cards[k]->turn_mark, sent[i]->cards[k].turn_mark);
        EXPECT_EQ(d.cards[k]->in_hand, 0);
      }
    }
  }
}

// A card a deck cannot hold is reported, not silently dropped.
TEST(Wire, FillDeckReportsCardsItCannotHold) {
  GameVXCardDeck d;
  EXPECT_FALSE(tsrv::FillDeck(d, 0, 0, 0, {{5, 0, 0}, {99, 0, 0}, {7, 0, 0}}, 0));
  EXPECT_EQ(d.count, 2);
  EXPECT_TRUE(tsrv::FillDeck(d, 0, 0, 0, {{1, 0, 0}}, 0));
  EXPECT_EQ(d.count, 1) << "the deck is emptied before it is filled";
}

}  // namespace
