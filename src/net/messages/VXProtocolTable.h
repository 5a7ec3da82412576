#pragma once
#include <cstdint>

// Every message id of the protocol, shared by the client and the local server. A reply
// carries the id of its request; requests and server pushes share the id space, so one
// id may travel both ways with different payloads.
//
// Ids 1 to 100 belong to the socket itself; 101 to 999 are application messages.
enum : uint16_t {
  // Socket level.
  VX_PROTOCOL_SOCKET_HELLO = 1,  // server greeting with the socket's hello data
  VX_PROTOCOL_HEARTBEAT = 3,

  // Connection, account and global notices.
  VX_PROTOCOL_HELLO = 134,
  VX_PROTOCOL_NOTICE_COUNT = 139,
  VX_PROTOCOL_ACCOUNT_REFRESH = 143,
  VX_PROTOCOL_LOGIN = 145,
  VX_PROTOCOL_LEAVE_SERVER = 146,
  VX_PROTOCOL_SERVER_ADDRESS = 148,
  VX_PROTOCOL_DUPLICATE_LOGIN = 149,
  VX_PROTOCOL_ACCOUNT_UPDATE = 152,
  VX_PROTOCOL_SERVICE_PROMPT = 153,
  VX_PROTOCOL_SERVER_MESSAGE = 166,
  VX_PROTOCOL_TOURNAMENT_NOTICE = 168,
  VX_PROTOCOL_REWARD = 174,
  VX_PROTOCOL_SERVICE = 175,  // one id for many services: the first field is a sub-command
  VX_PROTOCOL_SOCIAL_NOTICE = 180,
  VX_PROTOCOL_SERVICE_STATE = 181,
  VX_PROTOCOL_TOURNAMENT_OUT = 202,
  VX_PROTOCOL_BONUS = 203,

  // Lobby services: gifts, mail, friends, shop, profiles, tournaments.
  VX_PROTOCOL_GIFT_LIST = 157,
  VX_PROTOCOL_GIFT_SEND = 158,
  VX_PROTOCOL_GIFT_ACCEPT = 159,
  VX_PROTOCOL_GIFT_DELETE = 160,
  VX_PROTOCOL_MINI_GAME_ROUND = 161,  // penalty-shoot round: start, continue, stop, finish
  VX_PROTOCOL_MINI_GAME_SHOT = 162,
  VX_PROTOCOL_TOURNAMENT_DETAILS = 169,
  VX_PROTOCOL_TOURNAMENT_LIST = 170,
  VX_PROTOCOL_TOURNAMENT_RANKING = 171,
  VX_PROTOCOL_TOURNAMENT_REGISTRATIONS = 172,
  VX_PROTOCOL_BILLING = 173,
  VX_PROTOCOL_CHARACTER_SELECT = 176,
  VX_PROTOCOL_REGIST = 177,
  VX_PROTOCOL_PROFILE = 178,
  VX_PROTOCOL_MAIL_LIST = 184,
  VX_PROTOCOL_MAIL_SEND = 185,
  VX_PROTOCOL_MAIL_READ = 186,
  VX_PROTOCOL_MAIL_DELETE = 187,
  VX_PROTOCOL_FRIEND_LIST = 188,
  VX_PROTOCOL_FRIEND_REQUEST = 189,
  VX_PROTOCOL_FRIEND_ACCEPT = 190,
  VX_PROTOCOL_FRIEND_DELETE = 191,
  VX_PROTOCOL_SOCIAL_FRIENDS = 193,
  VX_PROTOCOL_LIST_REFRESH = 194,
  VX_PROTOCOL_TOURNAMENT_REGIST = 200,
  VX_PROTOCOL_TOURNAMENT_CANCEL = 201,

  // Login, lobby and table.
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

// The highest socket-level id; higher ids are application messages.
constexpr uint16_t kLastSocketMessageId = 100;

// Sub-commands of VX_PROTOCOL_SERVICE; the reply repeats the sub-command.
enum : int32_t {
  VX_SERVICE_BUY_CHIPS = 1,     // a chip pack paid with rubies
  VX_SERVICE_BUY_ITEM = 2,
  VX_SERVICE_GRANT_11 = 11,     // 11, 12, 13 and 20: grants that also rewrite the
  VX_SERVICE_GRANT_12 = 12,     // account's 80-byte service block
  VX_SERVICE_GRANT_13 = 13,
  VX_SERVICE_COUPON = 14,
  VX_SERVICE_PROMPT_ANSWER = 15,  // the answer to VX_PROTOCOL_SERVICE_PROMPT
  VX_SERVICE_LIKE = 18,
  VX_SERVICE_GRANT_20 = 20,
};

// Kinds of VX_PROTOCOL_SOCIAL_NOTICE.
enum : int32_t {
  VX_SOCIAL_MAIL = 0,
  VX_SOCIAL_GIFT = 1,
  VX_SOCIAL_FRIEND = 2,
};

// Kinds of VX_PROTOCOL_BONUS that the client shows.
enum : int32_t {
  VX_BONUS_LEVEL_UP = 6,
  VX_BONUS_MISSION = 10,
  VX_BONUS_DOUBLE_KNOCK = 23,
};

// Results of the login reply (any other non-zero result is shown as an error code).
enum : int32_t {
  VX_LOGIN_OK = 0,
  VX_LOGIN_IN_USE = 4,      // the account is logged in elsewhere
  VX_LOGIN_MAINTENANCE = 7,
  VX_LOGIN_HELLO_AGAIN = 8,  // the session must greet the server again
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
  return id == VX_PROTOCOL_TOURNAMENT_TABLE || id == VX_PROTOCOL_TOURNAMENT_OUT || id == VX_PROTOCOL_ROOM_LEAVE ||
         id == VX_PROTOCOL_TABLE_INFO || id == VX_PROTOCOL_GAME_START;
}

#include "net/Packet.h"

// Starts `packet` as message M and writes the record into it.
template <class M>
int Build_Packet(const M& message, Packet& packet) {
  packet.Init(M::kId);
  return message.Write(packet);
}
