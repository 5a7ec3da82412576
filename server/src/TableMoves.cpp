// Turns and moves at a table: the turn notice and its timer, the moves a player sends,
// and the turns the server plays itself (bots, a player out of time or gone).
#include "Table.h"

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
    bool throws = mv.action == BotMove::kThrow;
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
  bool ok = ReadMove(p, &mv, &action) && state() == 2 && seat >= 0 && !seats_[seat].autoplay;
  if (!ok || !Apply(seat, mv, true)) SendRefusal(c, action);
}

bool Table::Apply(int seat, const BotMove& mv, bool from_player) {
  MoveError err = MoveError::kBadCards;
  switch (mv.action) {
    case BotMove::kDraw: {
      int card = -1;
      err = game_.Draw(seat, &card);
      if (err != MoveError::kNone) break;
      VXMsg_player_action_event e;
      e.action = VX_ACTION_DRAW;
      e.ok = 1;
      e.stock_taken = game_.stock_used();
      e.seat = seat;
      EachViewer([&](int v, const ConnPtr& c) {
        e.card = MakeCard(v == seat ? card : kHiddenCard, seat, 1, 0);
        SendRecord(c, e);
      });
      break;
    }
    case BotMove::kDown: {
      DownOutcome o;
      err = game_.Down(seat, mv.cards, mv.kind, mv.knock_flag, &o);
      if (err != MoveError::kNone) break;
      const Meld& m = game_.seat(seat).melds[o.meld_index];
      VXMsg_player_action_event e;
      e.action = VX_ACTION_DOWN;
      e.ok = 1;
      e.seat = seat;
      e.mission_value = game_.mission_value();
      FillDeck(e.cards, m.kind, o.meld_index, m.turn_mark, m.cards, 0);
      e.mission_event = o.mission_event;
      e.card0_event = o.club2_event;
      e.card49_event = o.spadeq_event;
      for (int i = 0; i < kMaxSeats; ++i) {
        e.mission_flags[i] = o.mission_flags[i];
        e.card0_flags[i] = o.club2_flags[i];
        e.card49_flags[i] = o.spadeq_flags[i];
      }
      EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
      break;
    }
    case BotMove::kAttach: {
      AttachOutcome o;
      err = game_.Attach(seat, mv.target_seat, mv.meld_index, mv.cards, mv.knock_flag, &o);
      if (err != MoveError::kNone) break;
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
      e.event = o.event;
      e.flagged_seat = o.flagged;
      EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
      break;
    }
    case BotMove::kThrow: {
      ThrowOutcome o;
      int code = mv.cards.empty() ? -1 : mv.cards[0];
      int turn_mark = game_.seat(seat).turn_id;
      err = game_.Throw(seat, code, &o);
      if (err != MoveError::kNone) break;
      srv_->Count(&ServerStats::moves);
      turn_timer_.cancel();
      ++turn_token_;
      VXMsg_player_action_event e;
      e.action = VX_ACTION_THROW;
      e.ok = 1;
      e.seat = seat;
      e.card = MakeCard(code, seat, 0, turn_mark);
      e.event = -1;
      e.round_end = o.round_end ? 1 : 0;
      e.end_kind = o.end_kind;
      e.event_a = o.event_a;
      e.event_b = o.event_b;
      e.feeder_seat = o.feeder;
      EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
      if (o.round_end)
        EndRound();
      else
        BeginTurnNotice();
      return true;
    }
  }
  if (err != MoveError::kNone) {
    if (srv_->cfg.log_level >= 3 || !from_player)
      Log(LOG_TRACE, "[DEBUG]: Table::Apply | table %lld seat %d action %d refused: %s",
          static_cast<long long>(no_), seat, static_cast<int>(mv.action), MoveErrorName(err));
    return false;
  }
  srv_->Count(&ServerStats::moves);
  return true;
}

}  // namespace tsrv
