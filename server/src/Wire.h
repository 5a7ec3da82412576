#pragma once
// The byte layouts the server writes and reads: account block, room record, table status
// block, cards, decks and seated players, over the shared packet record.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Rules.h"
#include "Store.h"
#include "net/Packet.h"
#include "net/ServerInfo.h"

namespace tsrv {

constexpr size_t kUserInfoSize = 516;
constexpr size_t kRoomInfoSize = 56;
constexpr size_t kTurnInfoSize = 36;
constexpr size_t kSeatStateSize = 136;

// Message ids.
enum : uint16_t {
  kMsgHeartbeat = 3,
  kMsgHello = 134,
  kMsgAccountRefresh = 143,
  kMsgLogin = 145,
  kMsgLeaveServer = 146,
  kMsgServerAddress = 148,
  kMsgDuplicateLogin = 149,
  kMsgAccountUpdate = 152,
  kMsgTournamentRegs = 172,
  kMsgRegist = 177,
  kMsgServiceState = 181,
  kMsgFriendList = 188,
  kMsgRoomEnter = 204,
  kMsgRoomLeave = 205,
  kMsgTableInfo = 206,
  kMsgTablePlayer = 207,
  kMsgCardChange = 213,
  kMsgGameReady = 214,
  kMsgGameTurn = 215,
  kMsgPlayerAction = 216,
  kMsgGameStart = 217,
  kMsgGameResult = 218,
  kMsgGameRanking = 219,
  kMsgGameResultClose = 220,
};

// A fixed-size little-endian byte record.
template <size_t N>
struct Block {
  std::array<uint8_t, N> b{};
  void I32(size_t off, int32_t v) { std::memcpy(b.data() + off, &v, 4); }
  void I64(size_t off, int64_t v) { std::memcpy(b.data() + off, &v, 8); }
  int32_t I32(size_t off) const {
    int32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
  }
  int64_t I64(size_t off) const {
    int64_t v;
    std::memcpy(&v, b.data() + off, 8);
    return v;
  }
  void Text(size_t off, size_t width, const std::string& s) {
    std::memset(b.data() + off, 0, width);
    std::memcpy(b.data() + off, s.data(), s.size() < width ? s.size() : width - 1);
  }
  void WriteTo(Packet& p) const { p.WriteBytes(b.data(), N); }
};

using UserInfo = Block<kUserInfoSize>;
using RoomInfo = Block<kRoomInfoSize>;

UserInfo MakeUserInfo(const Account& a);

struct TurnView {
  int host_seat = -1;
  int turn_seat = -1;
  int mission_value = 0;
};

void WriteTurnInfo(Packet& p, const TurnView& t);
// Room record (56), elapsed ms of the current turn, cards taken from the stock, turn record.
void WriteStatusBlock(Packet& p, const RoomInfo& room, int elapsed_ms, int stock_used,
                      const TurnView& t);

void WriteCard(Packet& p, int code, int owner, int in_hand, int turn_mark);
// Deck header and cards.
void WriteDeck(Packet& p, int kind, int index, int turn_mark, const std::vector<TableCard>& cards,
               int in_hand);
void WriteHand(Packet& p, const std::vector<int>& hand, int owner, bool hidden);

struct SeatStateView {
  int seat = -1;
  int turn_ms = 0;
  int points = 0;
  int ready = 0;
  int turn_id = 0;
  int drawn_turn_id = -1;
  int plus = 0;
  int minus = 0;
  int64_t settlement = 0;
  std::array<int, 11> counters{};
  std::array<int, 7> penalties{};
};
void WriteSeatState(Packet& p, const SeatStateView& s);

// Reading what clients send.
bool ReadCard(Packet& p, int* code);
// A deck: kind, index, turn mark, count (at most `max_cards`), cards. Codes into `out`.
bool ReadDeck(Packet& p, std::vector<int>* out, int* kind, size_t max_cards);

// Hex text of the scrambled user id back to the text it was made from.
std::string UnscrambleUserId(const uint8_t* hex, size_t n);

ServerInfo MakeServerInfo(const std::string& host, int port, int kind, int selector);

}  // namespace tsrv
