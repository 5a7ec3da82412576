// The game roles: the rooms of the channel, entering and leaving a table, and the
// requests of a seated player, handed to the table.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "ServerImpl.h"
#include "Table.h"
#include "net/messages/VXChannelRooms.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableMessages.h"
#include "net/messages/VXType_card.h"
#include "net/messages/VXType_user_info.h"

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

std::shared_ptr<Table> Server::Impl::HeldTable(int64_t account, int* seat) {
  for (const auto& [no, t] : tables) {
    int s = t->HeldSeat(account);
    if (s >= 0) {
      if (seat) *seat = s;
      return t;
    }
  }
  return nullptr;
}

void Server::Impl::MarkHeldSeat(int64_t account, uint8_t* block) {
  auto t = HeldTable(account, nullptr);
  if (!t) return;
  const int32_t kind = 1, number = t->room().TableNumber(), key = t->room().TableKey();
  std::memcpy(block + kUserSeatedKind, &kind, 4);
  std::memcpy(block + kUserRoomSelector1, &number, 4);
  std::memcpy(block + kUserRoomSelector2, &key, 4);
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
  auto acc_ = store.FindById(c->account);
  if (!acc_) {
    refuse();
    return;
  }
  if (cfg.card_change_items > 0) {
    store.EnsureItems(acc_->id, kCardChangeSlot, cfg.card_change_items);
    acc_ = store.FindById(c->account);
    if (!acc_) return refuse();
  }
  std::shared_ptr<Table> t;
  int seat = -1;
  const char* how = "";
  // A request naming a table (number and key) is a rejoin: the seat held there.
  const int32_t number = want.room.TableNumber(), key = want.room.TableKey();
  int held_seat = -1;
  auto held = HeldTable(acc_->id, &held_seat);
  if (number > 0) {
    if (!held || held->room().TableNumber() != number || held->room().TableKey() != key ||
        !held->Rejoin(c, held_seat)) {
      TraceF("table entry of account %lld refused: no seat held at table %d", static_cast<long long>(c->account),
             number);
      refuse();
      return;
    }
    t = held;
    seat = held_seat;
    how = ", back at its held seat";
  } else if (held && held->Rejoin(c, held_seat)) {
    // A player whose seat is still held goes back to it, whichever room it picks.
    t = held;
    seat = held_seat;
    how = ", back at its held seat";
  } else {
    int64_t stake = want.room.Stake();
    int type = want.room.GameType() ? 1 : 0;
    bool known = false;
    for (const auto& r : kRooms)
      if (r.stake == stake) known = true;
    if (!known || acc_->chips < stake * 20) {
      TraceF("table entry of account %lld refused: stake %lld%s", static_cast<long long>(c->account),
             static_cast<long long>(stake), known ? ", balance under 20 stakes" : " is no room");
      refuse();
      return;
    }
    // Players who pick the same room sit together: a table of that room with a free seat
    // (or a bot's seat while it waits) is joined before a new one is opened.
    for (const auto& [no, cand] : tables) {
      if (cand->bots_only() || cand->stake() != stake || cand->game_type() != type || cand->humans() == 0)
        continue;
      seat = cand->Join(c, *acc_);
      if (seat >= 0) {
        t = cand;
        how = ", joining its players";
        break;
      }
    }
    if (!t) {
      t = NewTable(stake, type, false);
      seat = t->SeatHuman(c, *acc_);
      t->Open();
    }
  }
  c->table = t;
  c->seat = seat;
  TraceF("table entry: account %lld at table %lld seat %d (stake %lld)%s", static_cast<long long>(c->account),
         static_cast<long long>(t->no()), seat, static_cast<long long>(t->stake()), how);
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

void Server::Impl::DropTable(const ConnPtr& c) {
  if (!c->table) return;
  auto t = c->table;
  int seat = c->seat;
  c->table.reset();
  c->seat = -1;
  t->Drop(seat);
}

int Server::Impl::DropAll() {
  std::vector<ConnPtr> all(conns.begin(), conns.end());
  int n = 0;
  for (const auto& c : all)
    if (c->open()) {
      c->Close("connection dropped on request");
      ++n;
    }
  TraceF("%d connections dropped on request", n);
  return n;
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

// The selected hand cards to change, as a deck; the table judges the change.
void Server::Impl::OnCardChange(const ConnPtr& c, Packet& p) {
  VXMsg_card_change_request req;
  const uint32_t start = p.read_pos;
  const int complete = req.Read(p);
  std::vector<int> codes;
  for (int i = 0; i < req.cards.count; ++i)
    if (req.cards.cards[i]) codes.push_back(req.cards.cards[i]->code);
  // A deck that lost cards on the way is refused whole, as a move is.
  const size_t on_wire = p.read_pos - start >= 16 ? (p.read_pos - start - 16) / kCardWireSize : 0;
  if (!complete || !c->table || on_wire != codes.size()) {
    SendRecord(c, VXMsg_card_change_event{});
    return;
  }
  c->table->OnCardChange(c, codes);
}

// Chat: int32 -1, then the text in 255 bytes; echoed to the table from the sender's seat.
void Server::Impl::OnTableChat(const ConnPtr& c, Packet& p) {
  int32_t ignored = 0;
  char text[255] = {};
  if (!p.ReadInt32(&ignored) || !p.ReadBytes(text, sizeof(text))) {
    c->Close("short chat request");
    return;
  }
  const std::string line(text, strnlen(text, sizeof(text) - 1));  // 254 bytes at most
  if (c->table && !line.empty()) c->table->OnChat(c->seat, line);
}

// An emoticon: int32 set (0 to 5), int32 number (0 to 8); echoed to the table.
void Server::Impl::OnTableEmoticon(const ConnPtr& c, Packet& p) {
  int32_t set = -1, number = -1;
  if (!p.ReadInt32(&set) || !p.ReadInt32(&number)) {
    c->Close("short emoticon request");
    return;
  }
  if (!c->table || set < 0 || set > 5 || number < 0 || number > 8) return;
  c->table->OnEmoticon(c->seat, set, number);
}

// A table item: int32 to-all flag, int32 target seat, int32 item (0 to 11).
void Server::Impl::OnTableItemAttack(const ConnPtr& c, Packet& p) {
  int32_t to_all = 0, target = -1, item = -1;
  if (!p.ReadInt32(&to_all) || !p.ReadInt32(&target) || !p.ReadInt32(&item)) {
    c->Close("short item request");
    return;
  }
  if (c->table) c->table->OnItemAttack(c, to_all, target, item);
}

}  // namespace tsrv
