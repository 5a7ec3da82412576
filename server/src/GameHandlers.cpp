// The game roles: the rooms of the channel, entering and leaving a table, and the
// requests of a seated player, handed to the table.
#include <algorithm>
#include <iterator>

#include "ServerImpl.h"
#include "Table.h"
#include "net/messages/VXChannelRooms.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableMessages.h"

namespace tsrv {

// A game server's part of the login reply. The normal and point games: the channel's
// rooms (point target, count, then per room stake, minimum balance, badge and two player
// counts for each tab). The tournament server: no tournament records.
void Server::Impl::WriteGameLogin(Packet& rep, Role role) {
  if (role != Role::kGame) {
    rep.WriteInt32(0);
    return;
  }
  VXType_channel_rooms rooms;
  rooms.point_target = kPointTarget;
  for (const auto& room : kRooms) {
    if (rooms.count >= VXType_channel_rooms::kMaxRooms) break;
    VXType_channel_room& r = rooms.rooms[static_cast<size_t>(rooms.count++)];
    r.stake = static_cast<int32_t>(room.stake);
    r.min_balance = static_cast<int32_t>(room.stake * 20);
    r.badge = room.badge;
    for (const auto& [no, t] : tables) {
      if (t->stake() != room.stake || t->bots_only()) continue;
      r.players[t->game_type() ? 1 : 0][t->state() == 2 ? 0 : 1] += t->humans();
    }
  }
  rooms.Write(rep);
}

int Server::Impl::NextBot() { return next_bot++; }

std::shared_ptr<Table> Server::Impl::NewTable(int64_t stake, int game_type, bool bots_only) {
  auto t = std::make_shared<Table>(this, next_table++, stake, game_type, bots_only);
  tables[t->no()] = t;
  TraceF("table %lld created: stake %lld, %s game%s", static_cast<long long>(t->no()),
         static_cast<long long>(stake), game_type ? "point" : "normal", bots_only ? ", bots only" : "");
  return t;
}

void Server::Impl::OnRoomEnter(const ConnPtr& c, Packet& p) {
  VXMsg_room_enter_request want;
  auto refuse = [&] { SendRecord(c, VXMsg_room_enter_reply{}); };  // result 0
  if (!want.Read(p) || c->table || c->role() != Role::kGame) {
    TraceF("table entry of account %lld refused: %s", static_cast<long long>(c->account),
           c->table ? "already seated" : "not a room request of this server");
    refuse();
    return;
  }
  int64_t stake = want.room.Stake();
  int type = want.room.GameType() ? 1 : 0;
  bool known = false;
  for (const auto& r : kRooms)
    if (r.stake == stake) known = true;
  auto acc_ = store.FindById(c->account);
  if (!known || !acc_ || acc_->chips < stake * 20) {
    TraceF("table entry of account %lld refused: stake %lld%s", static_cast<long long>(c->account),
           static_cast<long long>(stake), known ? ", balance under 20 stakes" : " is no room");
    refuse();
    return;
  }
  auto t = NewTable(stake, type, false);
  int seat = t->SeatHuman(c, *acc_);
  int bots = std::clamp(cfg.bots_per_table, 1, 3);
  for (int s = 0, placed = 0; s < kMaxSeats && placed < bots; ++s) {
    if (s == seat) continue;
    auto b = store.Bot(NextBot());
    if (!b) break;
    t->SeatBot(s, *b);
    ++placed;
  }
  c->table = t;
  c->seat = seat;
  TraceF("table entry: account %lld at table %lld seat %d (stake %lld)", static_cast<long long>(c->account),
         static_cast<long long>(t->no()), seat, static_cast<long long>(stake));
  VXMsg_room_enter_reply r;
  r.result = 1;
  r.room = t->room();
  FillUserInfo(*acc_, r.user_info);
  r.ignored = static_cast<int32_t>(t->no());  // the table number
  SendRecord(c, r);
}

void Server::Impl::LeaveTable(const ConnPtr& c) {
  if (!c->table) return;
  auto t = c->table;
  int seat = c->seat;
  c->table.reset();
  c->seat = -1;
  t->Leave(seat);
}

// The request's one field is a placeholder 0; it may also come header-only.
void Server::Impl::OnRoomLeave(const ConnPtr& c, Packet&) {
  LeaveTable(c);
  VXMsg_room_leave_event r;
  r.ok = 1;
  if (auto a = store.FindById(c->account)) FillUserInfo(*a, r.user_info);
  r.kicked = 0;
  SendRecord(c, r);
}

void Server::Impl::OnTableInfo(const ConnPtr& c, Packet& p) {
  VXMsg_table_info_request req;
  if (!req.Read(p)) {
    c->Close("short table request");
    return;
  }
  if (c->table) c->table->SendTableInfo(c, req.mode == 2 ? 2 : 0);
}

void Server::Impl::OnGameReady(const ConnPtr& c, Packet& p) {
  VXMsg_game_ready_request req;
  if (!req.Read(p)) {
    c->Close("short ready request");
    return;
  }
  if (c->table) c->table->OnReady(c->seat, req.value);
}

void Server::Impl::OnPlayerAction(const ConnPtr& c, Packet& p) {
  if (c->table) {
    c->table->OnMove(c, p);
    return;
  }
  BotMove mv;
  int32_t action = -1;
  ReadMove(p, &mv, &action);
  SendMoveRefusal(c, action);
}

// No card-change items are handed out, so a change is always refused.
void Server::Impl::OnCardChange(const ConnPtr& c, Packet&) { SendRecord(c, VXMsg_card_change_event{}); }

}  // namespace tsrv
