#include "Table.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ServerImpl.h"
#include "framework/Log.h"
#include "net/messages/VXTableMessages.h"

namespace tsrv {

Table::Table(Server::Impl* srv, int64_t no, int64_t stake, int game_type, bool bots_only)
    : srv_(srv), no_(no), stake_(stake), game_type_(game_type), bots_only_(bots_only),
      timer_(srv->io), turn_timer_(srv->io) {
  // The table's address: 0, the table number and the table key (the number again).
  room_.Put(0, 0);
  room_.SetTableNumber(static_cast<int32_t>(no));
  room_.SetTableKey(static_cast<int32_t>(no));
  room_.SetGameType(game_type);
  room_.SetTurnSeconds(srv->cfg.turn_seconds);
  room_.SetSeats(kMaxSeats);
  room_.SetPointTarget(kPointTarget);
  room_.SetStake(stake);
  SetState(1);
}

int Table::HostSeat() const {
  for (int s = 0; s < kMaxSeats; ++s)
    if (seats_[s].kind == SeatSlot::kHuman && !seats_[s].leaving) return s;
  for (int s = 0; s < kMaxSeats; ++s)
    if (seats_[s].kind != SeatSlot::kEmpty) return s;
  return -1;
}

uint32_t Table::RoundMask() const {
  uint32_t m = 0;
  for (int s = 0; s < kMaxSeats; ++s)
    if (seats_[s].kind != SeatSlot::kEmpty) m |= 1u << s;
  return m;
}

VXType_turn_info Table::Turn() const {
  VXType_turn_info t;  // direction 1
  t.SetHostSeat(HostSeat());
  t.SetTurnSeat(state() == 2 ? game_.turn_seat() : -1);
  t.SetAutoStageSeat(-1);  // no seat is forced into the staged-move mode
  t.SetMission(state() >= 2 ? game_.mission_value() : 0);
  return t;
}

VXType_table_status Table::Status(int elapsed_ms) const {
  VXType_table_status st;
  st.room = room_;
  st.turn_start = static_cast<uint32_t>(elapsed_ms);  // on the wire: time used of the turn
  st.stock_taken = state() >= 2 ? game_.stock_used() : 0;
  st.turn = Turn();
  return st;
}

VXType_seat_state Table::SeatView(int s) const {
  VXType_seat_state v;
  const SeatSlot& slot = seats_[s];
  v.SetSeat(s);
  v.SetPoints(slot.points);
  v.SetReady(slot.ready);
  v.SetDrawnTurnId(-1);
  v.SetPlusPoints(slot.plus);
  v.SetMinusPoints(slot.minus);
  v.SetSettlement(slot.settlement);
  if (state() >= 2 && (game_.seats_mask() & (1u << s))) {
    const SeatPlay& p = game_.seat(s);
    v.SetTurnId(p.turn_id);
    v.SetDrawnTurnId(p.drawn_turn_id);
    for (int i = 0; i < VXType_seat_state::kFirstCounters; ++i) v.SetFirstCounter(i, p.counters[i]);
    for (int i = 0; i < VXType_seat_state::kSecondCounters; ++i) v.SetSecondCounter(i, p.penalties[i]);
    if (state() == 2 && game_.turn_seat() == s)
      v.SetTurnStart(static_cast<uint32_t>(Elapsed(turn_started_)));  // time used so far
  }
  return v;
}

std::unique_ptr<GameVXPlayer> Table::Player(int s, int viewer, bool reveal) const {
  const SeatSlot& slot = seats_[s];
  auto pl = std::make_unique<GameVXPlayer>();
  // Only the viewer's own block carries its user number.
  if (viewer == s)
    FillUserInfo(slot.account, pl->profile);
  else
    FillPublicUserInfo(slot.account, pl->profile);
  pl->seat = SeatView(s);
  pl->status = slot.account.streak;
  bool playing = state() >= 2 && (game_.seats_mask() & (1u << s));
  static const std::vector<int> kNone;
  FillHand(pl->hand, playing ? game_.seat(s).hand : kNone, s, !(reveal || viewer == s));
  if (playing) FillMelds(*pl, game_.seat(s).melds);
  return pl;
}

int Table::SeatHuman(const ConnPtr& c, const Account& a) {
  int seat = -1;
  for (int s = 0; s < kMaxSeats && seat < 0; ++s)
    if (seats_[s].kind == SeatSlot::kEmpty) seat = s;
  if (seat < 0) return -1;
  seats_[seat] = SeatSlot{};
  seats_[seat].kind = SeatSlot::kHuman;
  seats_[seat].account = a;
  seats_[seat].conn = c;
  return seat;
}

void Table::SeatBot(int seat, const Account& a) {
  seats_[seat] = SeatSlot{};
  seats_[seat].kind = SeatSlot::kBot;
  seats_[seat].account = a;
  seats_[seat].ready = 1;
}

void Table::SendTableInfo(const ConnPtr& c, int mode) {
  VXMsg_table_info m;
  m.mode = mode == 2 ? 2 : 0;
  bool running = state() == 2;
  if (m.mode == 2)
    m.status.stock_taken = running ? game_.stock_used() : 0;
  else
    m.status = Status(running ? Elapsed(turn_started_) : 0);
  static const std::vector<TableCard> kEmpty;
  FillDeck(m.pile, GameVXCardDeck::KIND_PLAIN, 0, 0, state() >= 2 ? game_.pile() : kEmpty, 0);
  for (int s = 0; s < kMaxSeats; ++s) {
    if (seats_[s].kind == SeatSlot::kEmpty) continue;
    m.entries[m.entry_count].seat = s;
    m.entries[m.entry_count].player = Player(s, c->seat, false);
    ++m.entry_count;
  }
  SendRecord(c, m);
}

void Table::Later(int ms, void (Table::*fn)()) {
  std::weak_ptr<Table> w = shared_from_this();
  if (ms <= 0) {
    asio::post(srv_->io, [w, fn] {
      if (auto t = w.lock())
        if (!t->closed_) (t.get()->*fn)();
    });
    return;
  }
  timer_.expires_after(std::chrono::milliseconds(ms));
  timer_.async_wait([w, fn](const asio::error_code& ec) {
    if (ec) return;
    if (auto t = w.lock())
      if (!t->closed_) (t.get()->*fn)();
  });
}

void Table::ArmAutoStart() {
  if (bots_only_) {
    Later(0, &Table::StartRound);
    return;
  }
  if (srv_->cfg.auto_start_ms > 0) Later(srv_->cfg.auto_start_ms, &Table::StartRound);
}

void Table::OnReady(int seat, int value) {
  if (state() > 1) return;
  if (value == 1) {
    seats_[seat].ready = 1;
    VXMsg_game_ready_event e;
    e.seat = seat;
    EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
    return;
  }
  if (value == 0 && seat == HostSeat()) {
    for (int s = 0; s < kMaxSeats; ++s)
      if (s != seat && seats_[s].kind != SeatSlot::kEmpty && seats_[s].ready != 1) return;
    StartRound();
  }
}

void Table::StartRound() {
  if (closed_ || state() == 2) return;
  uint32_t mask = RoundMask();
  int n = 0;
  for (int s = 0; s < kMaxSeats; ++s)
    if (mask & (1u << s)) ++n;
  if (n < 2) return;
  timer_.cancel();
  for (auto& s : seats_) {
    if (s.kind == SeatSlot::kEmpty) continue;
    s.ready = 2;
    s.plus = s.minus = 0;
    s.settlement = 0;
  }
  if (!(mask & (1u << first_seat_))) first_seat_ = HostSeat();
  game_.Start(mask, first_seat_, srv_->rng);
  SetState(2);
  turn_started_ = Clock::now();
  // The mission card travels as the first pile card.
  std::vector<TableCard> pile;
  pile.push_back(TableCard{game_.mission_card(), -1, 0});
  pile.insert(pile.end(), game_.pile().begin(), game_.pile().end());
  EachViewer([&](int v, const ConnPtr& c) {
    VXMsg_game_start m;
    m.status = Status(0);
    FillDeck(m.pile, GameVXCardDeck::KIND_PLAIN, 0, 0, pile, 0);
    for (int s = 0; s < kMaxSeats; ++s) {
      if (!(mask & (1u << s))) continue;
      m.entries[m.entry_count].seat = s;
      m.entries[m.entry_count].player = Player(s, v, false);
      ++m.entry_count;
    }
    SendRecord(c, m);
  });
  BeginTurnNotice();
}

void Table::EndRound() {
  if (state() != 2) return;
  turn_timer_.cancel();
  ++turn_token_;
  SetState(3);
  // Every hand is shown before the result.
  {
    VXMsg_table_info shown;
    shown.mode = 2;
    shown.status.stock_taken = game_.stock_used();
    FillDeck(shown.pile, GameVXCardDeck::KIND_PLAIN, 0, 0, game_.pile(), 0);
    for (int s = 0; s < kMaxSeats; ++s) {
      if (!(game_.seats_mask() & (1u << s))) continue;
      shown.entries[shown.entry_count].seat = s;
      shown.entries[shown.entry_count].player = Player(s, -1, true);  // one copy for every viewer
      ++shown.entry_count;
    }
    EachViewer([&](int, const ConnPtr& c) { SendRecord(c, shown); });
  }

  RoundScore sc = game_.Score();
  last_score_ = sc;
  uint32_t mask = game_.seats_mask();
  std::array<int64_t, 4> bal{};
  for (int s = 0; s < kMaxSeats; ++s) {
    if (!(mask & (1u << s))) continue;
    // Balances as stored, so a settlement never drives an account below zero.
    auto fresh = srv_->store.FindById(seats_[s].account.id);
    if (fresh) seats_[s].account = *fresh;
    bal[s] = seats_[s].account.chips;
  }
  std::array<int64_t, 4> delta = SettleChips(sc, mask, stake_, bal);
  std::vector<SeatSettlement> rows;
  for (int s = 0; s < kMaxSeats; ++s) {
    if (!(mask & (1u << s))) continue;
    const bool dark = s == sc.winner && (sc.end_kind == 1 || sc.end_kind == 3);
    rows.push_back(SeatSettlement{seats_[s].account.id, delta[s], sc.total[s], s == sc.winner, dark});
  }
  bool settled = srv_->store.Settle(no_, stake_, rows);
  if (!settled) {
    srv_->Count(&ServerStats::settle_failures);
    delta = {};
  }
  bool target_reached = false;
  for (int s = 0; s < kMaxSeats; ++s) {
    if (!(mask & (1u << s))) continue;
    SeatSlot& slot = seats_[s];
    slot.plus = sc.plus[s];
    slot.minus = sc.minus[s];
    slot.settlement = delta[s];
    if (auto fresh = srv_->store.FindById(slot.account.id)) slot.account = *fresh;
    if (game_type_ != 0) {
      slot.points += sc.total[s];
      if (slot.points >= kPointTarget) target_reached = true;
    }
  }
  // Ranks: by round total, the winner first.
  std::vector<int> order;
  for (int s = 0; s < kMaxSeats; ++s)
    if (mask & (1u << s)) order.push_back(s);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    if ((a == sc.winner) != (b == sc.winner)) return a == sc.winner;
    return sc.total[a] > sc.total[b];
  });
  VXMsg_game_result result;
  // The result header: the table number and the end kind (the client skips these bytes).
  const int32_t table_no = static_cast<int32_t>(no_), end_kind = sc.end_kind;
  std::memcpy(result.header, &table_no, 4);
  std::memcpy(result.header + 4, &end_kind, 4);
  result.winner_seat = sc.winner;
  for (int s = 0; s < kMaxSeats; ++s) {
    result.settlement[s] = delta[s];
    result.kept[s] = sc.total[s];
    result.plus_points[s] = sc.plus[s];
    result.minus_points[s] = sc.minus[s];
  }
  for (size_t r = 0; r < order.size(); ++r)
    result.rows[result.row_count++] = {static_cast<int32_t>(r), order[r], seats_[order[r]].account.streak};
  EachViewer([&](int, const ConnPtr& c) {
    SendRecord(c, result);
    // The new balance for the lobby.
    SendAccountBlock(c, kMsgAccountUpdate, seats_[c->seat].account);
  });
  if (target_reached)
    for (auto& s : seats_) s.points = 0;
  first_seat_ = sc.winner >= 0 ? sc.winner : game_.NextSeat(first_seat_);
  {
    std::lock_guard<std::mutex> lk(srv_->stats_mu);
    if (settled) srv_->stats.rounds += 1;
    if (bots_only_ && bot_index < srv_->stats.bot_table_rounds.size())
      srv_->stats.bot_table_rounds[bot_index] += 1;
  }
  srv_->stats_cv.notify_all();
  Later(srv_->cfg.result_ms, &Table::AfterResult);
}

void Table::AfterResult() {
  SetState(4);
  EachViewer([&](int, const ConnPtr& c) { SendRecord(c, VXMsg_game_ranking{}); });
  Later(srv_->cfg.ranking_ms, &Table::BackToWaiting);
}

void Table::BackToWaiting() {
  EachViewer([&](int, const ConnPtr& c) { SendRecord(c, VXMsg_game_result_close{}); });
  // Players who left during the round give their seats up now.
  for (int s = 0; s < kMaxSeats; ++s) {
    SeatSlot& slot = seats_[s];
    if (slot.kind == SeatSlot::kHuman && (slot.leaving || slot.autoplay)) slot = SeatSlot{};
  }
  if (!bots_only_ && humans() == 0) {
    Shutdown();
    srv_->tables.erase(no_);
    return;
  }
  SetState(1);
  for (auto& s : seats_) {
    if (s.kind == SeatSlot::kEmpty) continue;
    s.ready = s.kind == SeatSlot::kBot ? 1 : 0;
  }
  EachViewer([&](int, const ConnPtr& c) { SendTableInfo(c, 0); });
  ArmAutoStart();
}

void Table::Leave(int seat) {
  SeatSlot& slot = seats_[seat];
  if (slot.kind != SeatSlot::kHuman) return;
  if (state() >= 2) {
    // The round goes on: the server plays the seat and settles it at the end.
    slot.autoplay = true;
    slot.leaving = true;
    slot.conn.reset();
    if (state() == 2 && game_.turn_seat() == seat) {
      turn_timer_.cancel();
      ++turn_token_;
      ScheduleTurn();
    }
    return;
  }
  slot = SeatSlot{};
  if (humans() == 0 && !bots_only_) {
    Shutdown();
    srv_->tables.erase(no_);
  }
}

}  // namespace tsrv
