#pragma once
// Logging in through the master and entering a game server, as the client does it.
#include <cstdio>
#include <cstring>
#include <string>

#include "ProtocolClient.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableMessages.h"

// Hello and a device login on the master, leaving the connection open.
inline bool LoginOnMaster(ProtocolClient& master, int port, const char* device) {
  if (!master.Connect(port)) return false;
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
  return r && r->ReadInt32(&result) && result == 0;
}

// Logs in through the master with a device token and enters the game server. Returns the
// account id text and user number through the out parameters.
inline bool EnterThroughMaster(int master_port, const std::string& device, ProtocolClient& game,
                               std::string* account_id, int* user_number, int64_t* chips) {
  ProtocolClient master;
  if (!master.Connect(master_port)) return false;
  VXMsg_hello_request hello;
  Packet p;
  Build_Packet(hello, p);
  master.Send(p);
  auto h = master.RecvId(134, 5000);
  if (!h) return false;
  VXMsg_login_request login;
  std::snprintf(login.token, sizeof(login.token), "%s", device.c_str());
  Build_Packet(login, p);
  master.Send(p);
  auto lr = master.RecvId(145, 5000);
  if (!lr) return false;
  int32_t result = -1;
  lr->ReadInt32(&result);
  if (result != 0) return false;
  ServerInfo si;
  lr->ReadBytes(si.raw, sizeof(si.raw));
  uint8_t user[516];
  lr->ReadBytes(user, sizeof(user));
  *account_id = std::string(reinterpret_cast<char*>(user), strnlen(reinterpret_cast<char*>(user), 30));
  std::memcpy(user_number, user + 96, 4);
  std::memcpy(chips, user + 148, 8);
  // Ask for a game server of kind 1.
  p.Init(148);
  p.WriteInt32(1);
  p.WriteInt32(0);
  p.WriteInt32(-1);
  master.Send(p);
  auto ar = master.RecvId(148, 5000);
  if (!ar) return false;
  ar->ReadInt32(&result);
  ServerInfo gs;
  ar->ReadBytes(gs.raw, sizeof(gs.raw));
  if (result == 0 || gs.Kind() != 1) return false;
  p.Init(146);
  p.WriteInt32(0);
  master.Send(p);
  if (!master.RecvId(146, 5000)) return false;
  master.Close();
  // The game server: hello is not needed; log in with the account id and user number.
  if (!game.Connect(gs.Port(), gs.Host())) return false;
  p.Init(145);
  p.WriteMarker();
  p.WriteFixedText(account_id->c_str(), 30);
  p.WriteInt32(*user_number);
  game.Send(p);
  auto gr = game.RecvId(145, 5000);
  if (!gr) return false;
  gr->ReadInt32(&result);
  return result == 0;
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
