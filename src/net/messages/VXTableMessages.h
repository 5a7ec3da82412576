#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "net/Packet.h"
#include "net/messages/GameVXCardDeck.h"
#include "net/messages/GameVXPlayer.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableRecords.h"
#include "net/messages/VXType_seat_state.h"

// Records of the table messages (ids 199 to 221). Every record reads and writes its
// exact wire layout. A reader returns 1 when the whole record was present; when the
// payload ends early it returns 0 and the fields not reached keep their initial values
// (seats -1, counts 0, results 0).

// 199, server to client: the tournament the table belongs to and its progress.
struct VXMsg_tournament_table {
  static constexpr uint16_t kId = VX_PROTOCOL_TOURNAMENT_TABLE;
  VXType_tournament_info info;
  VXType_tournament_progress progress;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 204, client to server: change of room, carrying the current room record.
struct VXMsg_room_enter_request {
  static constexpr uint16_t kId = VX_PROTOCOL_ROOM_ENTER;
  VXType_room_info room;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 204, server to client: the answer to a change of room.
struct VXMsg_room_enter_reply {
  static constexpr uint16_t kId = VX_PROTOCOL_ROOM_ENTER;
  int32_t result = 0;  // 0 refused
  VXType_room_info room;
  uint8_t user_info[GameVXPlayer::kProfileSize] = {};
  int32_t ignored = 0;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 205, client to server: leave the room.
struct VXMsg_room_leave_request {
  static constexpr uint16_t kId = VX_PROTOCOL_ROOM_LEAVE;
  int32_t zero = 0;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 205, server to client: the client left (or was put out of) the room.
struct VXMsg_room_leave_event {
  static constexpr uint16_t kId = VX_PROTOCOL_ROOM_LEAVE;
  int32_t ok = 0;
  uint8_t user_info[GameVXPlayer::kProfileSize] = {};
  int32_t kicked = 0;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 206, client to server: asks for the table state (0 whole table, 2 cards only).
struct VXMsg_table_info_request {
  static constexpr uint16_t kId = VX_PROTOCOL_TABLE_INFO;
  int32_t mode = 0;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// One seat's data inside a table message. Which parts travel depends on the mode:
// 0 the whole player, 1 seat state, status and cards, 2 or more the cards only.
struct VXTableSeatEntry {
  int32_t seat = -1;
  std::unique_ptr<GameVXPlayer> player;
};

// Reads and writes the player parts of the given mode.
int Read_Player_Parts(Packet& packet, int32_t mode, GameVXPlayer& player);
int Write_Player_Parts(Packet& packet, int32_t mode, const GameVXPlayer& player);

// 206, server to client: the table state.
struct VXMsg_table_info {
  static constexpr uint16_t kId = VX_PROTOCOL_TABLE_INFO;
  static constexpr int kMaxEntries = GameVXPlayer::kSeats;
  int32_t mode = -1;
  VXType_table_status status;  // modes 0 and 1; mode 2 or more carries only stock_taken
  GameVXCardDeck pile;         // the discard pile
  int32_t entry_count = 0;     // entries kept (seats 0..3 only)
  std::array<VXTableSeatEntry, kMaxEntries> entries;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 207, server to client: one seat's player.
struct VXMsg_table_player {
  static constexpr uint16_t kId = VX_PROTOCOL_TABLE_PLAYER;
  int32_t mode = -1;
  int32_t seat = -1;
  GameVXPlayer player;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 208, server to client: a chat line of a seat.
struct VXMsg_table_chat {
  static constexpr uint16_t kId = VX_PROTOCOL_TABLE_CHAT;
  int32_t seat = -1;
  int32_t ignored = 0;
  char text[255] = {};
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 209, server to client: an emoticon over a seat.
struct VXMsg_table_emoticon {
  static constexpr uint16_t kId = VX_PROTOCOL_TABLE_EMOTICON;
  int32_t seat = -1;
  int32_t emoticon = 0;
  int32_t variant = 0;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 210, server to client: an item thrown at a seat (or at everyone).
struct VXMsg_table_item_attack {
  static constexpr uint16_t kId = VX_PROTOCOL_TABLE_ITEM_ATTACK;
  int32_t to_all = 0;
  int32_t seat = -1;
  int32_t target_seat = -1;
  int32_t item = 0;
  int64_t chips = 0;  // the attacker's new chip balance
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 211, server to client: the result of reporting a player.
struct VXMsg_table_report {
  static constexpr uint16_t kId = VX_PROTOCOL_TABLE_REPORT;
  int32_t ok = 0;
  char name[30] = {};
  uint8_t user_info[GameVXPlayer::kProfileSize] = {};  // on success only
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 212, server to client: the own item block after a purchase or use.
struct VXMsg_table_items {
  static constexpr uint16_t kId = VX_PROTOCOL_TABLE_ITEMS;
  int32_t ok = 0;
  uint8_t items[GameVXPlayer::kProfileItemsSize] = {};  // on success only
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 213, client to server: the selected hand cards (1 to 3) to change.
struct VXMsg_card_change_request {
  static constexpr uint16_t kId = VX_PROTOCOL_CARD_CHANGE;
  GameVXCardDeck cards;
  VXMsg_card_change_request() { cards.not_owner = 1; }  // the hand keeps its cards
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 213, server to client: the new cards and the item block.
struct VXMsg_card_change_event {
  static constexpr uint16_t kId = VX_PROTOCOL_CARD_CHANGE;
  int32_t ok = 0;
  GameVXCardDeck cards;                    // on success only
  uint8_t items[GameVXPlayer::kProfileItemsSize] = {};  // on success only
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 214, client to server: 0 starts the game (host), 1 ready.
struct VXMsg_game_ready_request {
  static constexpr uint16_t kId = VX_PROTOCOL_GAME_READY;
  int32_t value = 1;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 214, server to client: a seat is ready.
struct VXMsg_game_ready_event {
  static constexpr uint16_t kId = VX_PROTOCOL_GAME_READY;
  int32_t seat = -1;
  int32_t ignored = 0;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 215, server to client: a turn starts.
struct VXMsg_game_turn {
  static constexpr uint16_t kId = VX_PROTOCOL_GAME_TURN;
  VXType_table_status status;
  VXType_seat_state seat;  // of the player whose turn starts
  int32_t player_status = 0;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 217, server to client: a round starts.
struct VXMsg_game_start {
  static constexpr uint16_t kId = VX_PROTOCOL_GAME_START;
  static constexpr int kMaxEntries = GameVXPlayer::kSeats;
  VXType_table_status status;
  GameVXCardDeck pile;  // its first card is the round's mission card
  int32_t entry_count = 0;
  std::array<VXTableSeatEntry, kMaxEntries> entries;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 218, server to client: the result of a round.
struct VXMsg_game_result {
  static constexpr uint16_t kId = VX_PROTOCOL_GAME_RESULT;
  static constexpr int kSeats = GameVXPlayer::kSeats;
  struct Row {
    int32_t rank = 0;
    int32_t seat = -1;
    int32_t streak = 0;
  };
  uint8_t header[50] = {};
  int32_t winner_seat = -1;
  int64_t settlement[kSeats] = {};  // chip settlement per seat
  uint8_t skipped[32] = {};
  int32_t kept[kSeats] = {};
  int32_t plus_points[kSeats] = {};
  int32_t minus_points[kSeats] = {};
  int32_t row_count = 0;
  std::array<Row, kSeats> rows;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 219, 220 and 221, server to client: no fields. A packet with an empty payload does not
// pass the packet check (its length would be 10), so the writer carries one int32 0 that
// means nothing; the reader takes that word when it is there and accepts its absence.
template <uint16_t Id>
struct VXMsg_no_fields {
  static constexpr uint16_t kId = Id;
  int32_t padding = 0;
  int Write(Packet& packet) const { return packet.WriteInt32(0); }
  int Read(Packet& packet) {
    padding = 0;
    if (packet.Remaining() >= 4) packet.ReadInt32(&padding);
    return 1;
  }
};
using VXMsg_game_ranking = VXMsg_no_fields<VX_PROTOCOL_GAME_RANKING>;
using VXMsg_game_result_close = VXMsg_no_fields<VX_PROTOCOL_GAME_RESULT_CLOSE>;
using VXMsg_tournament_end = VXMsg_no_fields<VX_PROTOCOL_TOURNAMENT_END>;
