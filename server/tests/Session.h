#pragma once
// Logging in through the master and entering a game server, as the client does it.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "ProtocolClient.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableMessages.h"

// What a master login reply says of the account.
struct MasterAccount {
  std::string account_id;
  int user_number = 0;
  int64_t chips = 0;
};

// Hello and a device login on the master, leaving the connection open. The rest of the
// reply (after the account block) stays in `*reply` when given.
inline bool LoginOnMaster(ProtocolClient& master, int port, const char* device, MasterAccount* who = nullptr,
                          std::unique_ptr<Packet>* reply = nullptr, const char* source = nullptr) {
  if (!master.Connect(port, "127.0.0.1", source)) return false;
  Packet p;
  Build_Packet(VXMsg_hello_request{}, p);
  master.Send(p);
  if (!master.RecvId(VX_PROTOCOL_HELLO, 5000)) return false;
  VXMsg_login_request login;
  std::snprintf(login.token, sizeof(login.token), "%s", device);
  Build_Packet(login, p);
  master.Send(p);
  auto r = master.RecvId(VX_PROTOCOL_LOGIN, 5000);
  int32_t result = -1;
  if (!r || !r->ReadInt32(&result) || result != 0) return false;
  ServerInfo si;
  uint8_t user[516];
  if (!r->ReadBytes(si.raw, sizeof(si.raw)) || !r->ReadBytes(user, sizeof(user))) return false;
  if (who) {
    who->account_id = std::string(reinterpret_cast<char*>(user), strnlen(reinterpret_cast<char*>(user), 30));
    std::memcpy(&who->user_number, user + 96, 4);
    std::memcpy(&who->chips, user + 148, 8);
  }
  if (reply) *reply = std::move(r);
  return true;
}

// Asks the master for a game server of `kind`; its address block, or kind -1 when refused.
inline ServerInfo AskGameServer(ProtocolClient& master, int kind = 1) {
  ServerInfo gs;
  gs.SetKind(-1);
  Packet p(148);
  p.WriteInt32(kind);
  p.WriteInt32(0);
  p.WriteInt32(-1);
  master.Send(p);
  auto ar = master.RecvId(148, 5000);
  int32_t result = 0;
  if (!ar || !ar->ReadInt32(&result) || result == 0 || !ar->ReadBytes(gs.raw, sizeof(gs.raw))) gs.SetKind(-1);
  return gs;
}

// Sends the leave request and waits for its answer.
inline bool LeaveServer(ProtocolClient& c) {
  Packet p(146);
  p.WriteInt32(0);
  c.Send(p);
  return c.RecvId(146, 5000) != nullptr;
}

// The entering login on a game server (account id and user number, no hello): its result
// (-1 when none came).
inline int LoginOnGame(ProtocolClient& game, int port, const std::string& account_id, int user_number,
                       const char* source = nullptr) {
  if (!game.Connect(port, "127.0.0.1", source)) return -1;
  Packet p(145);
  p.WriteMarker();
  p.WriteFixedText(account_id.c_str(), 30);
  p.WriteInt32(user_number);
  game.Send(p);
  auto gr = game.RecvId(145, 5000);
  int32_t result = -1;
  if (!gr || !gr->ReadInt32(&result)) return -1;
  return result;
}

// Logs in through the master with a device token and enters the game server as the client
// does (server address, leave, login there). Returns the account id text and user number
// through the out parameters.
inline bool EnterThroughMaster(int master_port, const std::string& device, ProtocolClient& game,
                               std::string* account_id, int* user_number, int64_t* chips) {
  ProtocolClient master;
  MasterAccount who;
  if (!LoginOnMaster(master, master_port, device.c_str(), &who)) return false;
  *account_id = who.account_id;
  *user_number = who.user_number;
  *chips = who.chips;
  ServerInfo gs = AskGameServer(master);
  if (gs.Kind() != 1 || !LeaveServer(master)) return false;
  master.Close();
  return LoginOnGame(game, gs.Port(), *account_id, *user_number) == 0;
}

inline bool EnterThroughMaster(int master_port, const std::string& device, ProtocolClient& game,
                               MasterAccount* who) {
  return EnterThroughMaster(master_port, device, game, &who->account_id, &who->user_number, &who->chips);
}

// Asks for a table in the room of `stake` (normal game) and for its state; true once seated.
inline bool EnterRoomPlain(ProtocolClient& game, int64_t stake) {
  VXMsg_room_enter_request req;
  req.room.SetTurnSeconds(40);
  req.room.SetSeats(4);
  req.room.SetStake(stake);
  Packet p;
  Build_Packet(req, p);
  game.Send(p);
  auto r = game.RecvId(204, 5000);
  VXMsg_room_enter_reply rep;
  if (!r || !rep.Read(*r) || !rep.result) return false;
  Packet q;
  Build_Packet(VXMsg_table_info_request{}, q);
  game.Send(q);
  return game.RecvId(206, 5000) != nullptr;
}
