// Turns and moves at a table: the turn notice and its timer, the moves a player sends,
// and the turns the server plays itself (bots, a player out of time or gone).
#include "Table.h"

#include <cstring>
#include <string>

#include "ServerImpl.h"
#include "framework/Log.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXTableMessages.h"

namespace tsrv {

void Table::BeginTurnNotice() {
  turn_started_ = Clock::now();
  ++turn_token_;
  srv_->Count(&ServerStats::turns);
  int s = game_.turn_seat();
  VXMsg_game_turn m;
  m.status = Status(0);
  m.seat = SeatView(s);
  m.player_status = seats_[s].account.streak;
  EachViewer([&](int, const ConnPtr& c) { SendRecord(c, m); });
  ScheduleTurn();
}

void Table::ScheduleTurn() {
  int s = game_.turn_seat();
  uint64_t token = turn_token_;
  std::weak_ptr<Table> w = shared_from_this();
  bool server_plays = seats_[s].kind != SeatSlot::kHuman || seats_[s].autoplay;
  int ms = server_plays ? srv_->cfg.bot_think_ms : srv_->cfg.turn_seconds * 1000;
  if (server_plays && ms <= 0) {
    asio::post(srv_->io, [w, s, token] {
      if (auto t = w.lock()) t->RunServerTurn(s, token);
    });
    return;
  }
  turn_timer_.expires_after(std::chrono::milliseconds(ms));
  turn_timer_.async_wait([w, s, token](const asio::error_code& ec) {
    if (ec) return;
    if (auto t = w.lock()) t->RunServerTurn(s, token);
  });
}

void Table::RunServerTurn(int seat, uint64_t token) {
  if (closed_ || state() != 2 || token != turn_token_ || game_.turn_seat() != seat) return;
  // Whatever the player already did in this turn stands; the server finishes the turn.
  for (int step = 0; step < 64; ++step) {
    BotMove mv = ChooseMove(game_, seat);
    bool throws = mv.action == BotMove::kThrow || mv.action == BotMove::kEnd;
    if (!Apply(seat, mv, false)) {
      srv_->Count(&ServerStats::refused);
      srv_->Warn("a server-played move was refused; the round is closed");
      EndRound();
      return;
    }
    if (throws) return;
  }
  srv_->Warn("a server-played turn did not end; the round is closed");
  EndRound();
}

void SendMoveRefusal(const ConnPtr& c, int action) {
  VXMsg_player_action_event r;
  r.action = action;
  r.ok = 0;
  SendRecord(c, r);
}

void Table::SendRefusal(const ConnPtr& c, int action) {
  SendMoveRefusal(c, action);
  srv_->Count(&ServerStats::refused);
}

void Table::OnMove(const ConnPtr& c, Packet& p) {
  BotMove mv;
  int32_t action = -1;
  int seat = c->seat;
  const char* why = nullptr;
  if (!ReadMove(p, &mv, &action))
    why = "malformed request";
  else if (state() != 2)
    why = "no round in progress";
  else if (seat < 0 || seats_[seat].autoplay)
    why = "the seat is played by the server";
  if (why) {
    TraceRefusal(seat, action, why);
    SendRefusal(c, action);
    return;
  }
  if (!Apply(seat, mv, true)) SendRefusal(c, action);
}

void Table::TraceRefusal(int seat, int action, const char* why) {
  srv_->TraceF("table %lld seat %d move refused: %s: %s", static_cast<long long>(no_), seat,
               MoveActionName(action), why);
}

void Table::TraceMove(int seat, const BotMove& mv, const MoveOutcome& o, bool by_server) {
  if (srv_->cfg.log_level < 3) return;
  auto list = [](const std::vector<int>& v) {
    std::string out;
    for (int c : v) out += (out.empty() ? "" : ",") + std::to_string(c);
    return out;
  };
  char what[256];
  switch (mv.action) {
    case BotMove::kDraw:
      std::snprintf(what, sizeof(what), "draw %d", o.card);
      break;
    case BotMove::kDown:
      std::snprintf(what, sizeof(what), "down %s kind %d knock %d%s", list(mv.cards).c_str(), mv.kind,
                    mv.knock_flag ? 1 : 0, o.down.pile_from >= 0 ? " from the pile" : "");
      break;
    case BotMove::kAttach:
      std::snprintf(what, sizeof(what), "attach %s to seat %d meld %d knock %d", list(mv.cards).c_str(),
                    mv.target_seat, mv.meld_index, mv.knock_flag ? 1 : 0);
      break;
    case BotMove::kThrow:
      std::snprintf(what, sizeof(what), "throw %d%s", mv.cards.empty() ? -1 : mv.cards[0],
                    o.thrown.round_end ? (o.thrown.end_kind >= 0 ? " and knocks" : " and the stock is out") : "");
      break;
    case BotMove::kEnd:
      std::snprintf(what, sizeof(what), "end");
      break;
  }
  srv_->TraceF("table %lld seat %d move: %s%s", static_cast<long long>(no_), seat, what,
               by_server ? " (by the server)" : "");
}

bool Table::Apply(int seat, const BotMove& mv, bool from_player) {
  MoveOutcome o;
  const int turn_mark = game_.seat(seat).turn_id;
  MoveError err = game_.Apply(seat, mv, &o);
  if (err != MoveError::kNone) {
    TraceRefusal(seat, mv.action, MoveErrorName(err));
    return false;
  }
  srv_->Count(&ServerStats::moves);
  TraceMove(seat, mv, o, !from_player);
  switch (mv.action) {
    case BotMove::kDraw: {
      VXMsg_player_action_event e;
      e.action = VX_ACTION_DRAW;
      e.ok = 1;
      e.stock_taken = game_.stock_used();
      e.seat = seat;
      EachViewer([&](int v, const ConnPtr& c) {
        e.card = MakeCard(v == seat ? o.card : kHiddenCard, seat, 1, 0);
        SendRecord(c, e);
      });
      return true;
    }
    case BotMove::kDown: {
      const Meld& m = game_.seat(seat).melds[o.down.meld_index];
      VXMsg_player_action_event e;
      e.action = VX_ACTION_DOWN;
      e.ok = 1;
      e.seat = seat;
      e.mission_value = game_.mission_value();
      FillDeck(e.cards, m.kind, o.down.meld_index, m.turn_mark, m.cards, 0);
      e.mission_event = o.down.mission_event;
      e.card0_event = o.down.club2_event;
      e.card49_event = o.down.spadeq_event;
      for (int i = 0; i < kMaxSeats; ++i) {
        e.mission_flags[i] = o.down.mission_flags[i];
        e.card0_flags[i] = o.down.club2_flags[i];
        e.card49_flags[i] = o.down.spadeq_flags[i];
      }
      EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
      return true;
    }
    case BotMove::kAttach: {
      std::vector<TableCard> cards;
      const SeatPlay& sp = game_.seat(seat);
      for (int c : mv.cards) cards.push_back(TableCard{c, seat, sp.turn_id});
      const Meld& m = game_.seat(mv.target_seat).melds[mv.meld_index];
      VXMsg_player_action_event e;
      e.action = VX_ACTION_ATTACH;
      e.ok = 1;
      e.seat = seat;
      e.target_seat = mv.target_seat;
      e.target_meld = mv.meld_index;
      FillDeck(e.cards, m.kind, mv.meld_index, m.turn_mark, cards, 0);
      e.event = o.attach.event;
      e.flagged_seat = o.attach.flagged;
      EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
      return true;
    }
    case BotMove::kThrow: {
      turn_timer_.cancel();
      ++turn_token_;
      const ThrowOutcome& t = o.thrown;
      VXMsg_player_action_event e;
      e.action = VX_ACTION_THROW;
      e.ok = 1;
      e.seat = seat;
      e.card = MakeCard(mv.cards[0], seat, 0, turn_mark);
      e.event = -1;
      e.round_end = t.round_end ? 1 : 0;
      e.end_kind = t.end_kind;
      e.event_a = t.event_a;
      e.event_b = t.event_b;
      e.feeder_seat = t.feeder;
      EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
      if (t.round_end)
        EndRound();
      else
        BeginTurnNotice();
      return true;
    }
    case BotMove::kEnd: {
      // The last turn gave up: every seat hears it, then the round ends as when the stock
      // runs out.
      turn_timer_.cancel();
      ++turn_token_;
      VXMsg_player_action_event e;
      e.action = VX_ACTION_END;
      e.ok = 1;
      e.seat = seat;
      EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
      EndRound();
      return true;
    }
  }
  return true;
}

void Table::OnCardChange(const ConnPtr& c, const std::vector<int>& codes) {
  const int seat = c->seat;
  auto refuse = [&](const char* why) {
    srv_->TraceF("table %lld seat %d card change refused: %s", static_cast<long long>(no_), seat, why);
    SendRecord(c, VXMsg_card_change_event{});  // ok 0
  };
  if (state() != 2 || seat < 0 || seats_[seat].autoplay) return refuse("no round in progress");
  auto acc = srv_->store.FindById(seats_[seat].account.id);
  if (!acc || acc->items[kCardChangeSlot] < 1) return refuse("no card-change item");
  std::vector<int> drawn;
  MoveError err = game_.ChangeCards(seat, codes, &drawn);
  if (err != MoveError::kNone) return refuse(MoveErrorName(err));
  auto after = srv_->store.UseItem(acc->id, kCardChangeSlot);
  if (after) seats_[seat].account = *after;
  auto list = [](const std::vector<int>& v) {
    std::string out;
    for (int x : v) out += (out.empty() ? "" : ",") + std::to_string(x);
    return out;
  };
  srv_->TraceF("table %lld seat %d card change: gave %s, got %s", static_cast<long long>(no_), seat,
               list(codes).c_str(), list(drawn).c_str());
  VXMsg_card_change_event e;
  e.ok = 1;
  FillHand(e.cards, game_.seat(seat).hand, seat, false);
  for (int i = 0; i < kItemSlots; ++i) {
    const int32_t n = seats_[seat].account.items[i];
    std::memcpy(e.items + 4 * i, &n, 4);
  }
  SendRecord(c, e);
}

}  // namespace tsrv
