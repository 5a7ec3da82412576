#pragma once
#include <cstdint>

// Message ids of the login, lobby and table exchanges.
enum : uint16_t {
  VX_PROTOCOL_HELLO = 134,
  VX_PROTOCOL_ACCOUNT_REFRESH = 143,
  VX_PROTOCOL_LOGIN = 145,
  VX_PROTOCOL_TOURNAMENT_LIST = 170,
  VX_PROTOCOL_TOURNAMENT_TABLE = 199,
  VX_PROTOCOL_ROOM_ENTER = 204,
  VX_PROTOCOL_ROOM_LEAVE = 205,
  VX_PROTOCOL_TABLE_INFO = 206,
  VX_PROTOCOL_TABLE_PLAYER = 207,
  VX_PROTOCOL_TABLE_CHAT = 208,
  VX_PROTOCOL_TABLE_EMOTICON = 209,
  VX_PROTOCOL_TABLE_ITEM_ATTACK = 210,
  VX_PROTOCOL_TABLE_REPORT = 211,
  VX_PROTOCOL_TABLE_ITEMS = 212,
  VX_PROTOCOL_CARD_CHANGE = 213,
  VX_PROTOCOL_GAME_READY = 214,
  VX_PROTOCOL_GAME_TURN = 215,
  VX_PROTOCOL_GAME_PLAYER_ACTION = 216,
  VX_PROTOCOL_GAME_START = 217,
  VX_PROTOCOL_GAME_RESULT = 218,
  VX_PROTOCOL_GAME_RANKING = 219,
  VX_PROTOCOL_GAME_RESULT_CLOSE = 220,
  VX_PROTOCOL_TOURNAMENT_END = 221,
};

// The client protocol version sent in the hello and the login.
constexpr int32_t kClientProtocolVersion = 126;

// Actions of the player-action message.
enum : int32_t {
  VX_ACTION_DRAW = 0,
  VX_ACTION_DOWN = 1,
  VX_ACTION_ATTACH = 2,
  VX_ACTION_THROW = 3,
  VX_ACTION_END = 4,
};

// Which table ids play mode acts on: ids outside 199..221 never; until the first table
// information has been applied only 199, 202, 205, 206 and 217 (202 passes and is then
// ignored by its handler).
inline bool Table_Accepts_Packet(uint16_t id, bool table_ready) {
  if (id < VX_PROTOCOL_TOURNAMENT_TABLE || id > VX_PROTOCOL_TOURNAMENT_END) return false;
  if (table_ready) return true;
  return id == VX_PROTOCOL_TOURNAMENT_TABLE || id == 202 || id == VX_PROTOCOL_ROOM_LEAVE ||
         id == VX_PROTOCOL_TABLE_INFO || id == VX_PROTOCOL_GAME_START;
}

#include "net/Packet.h"

// Starts `packet` as message M and writes the record into it.
template <class M>
int Build_Packet(const M& message, Packet& packet) {
  packet.Init(M::kId);
  return message.Write(packet);
}
