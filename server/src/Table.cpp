#include "Table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ServerImpl.h"
#include "framework/Log.h"
#include "net/messages/VXTableMessages.h"

namespace tsrv {

Table::Table(Server::Impl* srv, int64_t no, int64_t stake, int game_type, bool bots_only)
    : srv_(srv), no_(no), stake_(stake), game_type_(game_type), bots_only_(bots_only),
      timer_(srv->io), turn_timer_(srv->io), seat_timer_(srv->io) {
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
  // The seat of the last turn (the stock ran out) stages its moves from the start.
  t.SetAutoStageSeat(state() == 2 ? game_.forced_seat() : -1);
  t.SetMission(state() >= 2 ? game_.mission_value() : 0);
  // The round's mission card, so that a client entering mid-round knows it too (0: none;
  // card 0 is never the mission card).
  t.Put(kTurnMissionCard, state() >= 2 ? game_.mission_card() : 0);
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
  } else if (state() <= 1 && s == HostSeat() && !bots_only_) {
    // The host's start countdown: the time it has run.
    v.SetTurnStart(static_cast<uint32_t>(Elapsed(wait_started_)));
  }
  return v;
}

std::unique_ptr<GameVXPlayer> Table::Player(int s, int viewer, bool reveal) const {
  auto pl = std::make_unique<GameVXPlayer>();
  FillPlayer(*pl, s, viewer, reveal);
  return pl;
}

void Table::FillPlayer(GameVXPlayer& out, int s, int viewer, bool reveal) const {
  const SeatSlot& slot = seats_[s];
  GameVXPlayer* pl = &out;
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
    RestartCountdown();  // as the client restarts the host's countdown on every ready
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
  seat_timer_.cancel();
  DealRound(mask);
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
  if (srv_->cfg.log_level >= 3) {
    std::string line;
    for (int s = 0; s < kMaxSeats; ++s) {
      if (!(mask & (1u << s))) continue;
      char part[160];
      std::snprintf(part, sizeof(part), "; seat %d account %lld total %d chips %+lld", s,
                    static_cast<long long>(seats_[s].account.id), sc.total[s], static_cast<long long>(delta[s]));
      line += part;
    }
    srv_->TraceF("table %lld round %s: winner %d, end kind %d%s", static_cast<long long>(no_),
                 settled ? "settled" : "not settled", sc.winner, sc.end_kind, line.c_str());
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
  // Players who left during the round give their seats up now; a dropped player's seat
  // stays held until its grace period ends.
  for (int s = 0; s < kMaxSeats; ++s) {
    SeatSlot& slot = seats_[s];
    if (slot.kind == SeatSlot::kHuman && (slot.leaving || (slot.autoplay && !slot.held))) slot = SeatSlot{};
  }
  if (!bots_only_ && humans() == 0) {
    Shutdown();
    srv_->tables.erase(no_);
    return;
  }
  SetState(1);
  for (auto& s : seats_) {
    if (s.kind == SeatSlot::kEmpty) continue;
    s.ready = (s.kind == SeatSlot::kBot || s.held) ? 1 : 0;
  }
  wait_started_ = Clock::now();
  EachViewer([&](int, const ConnPtr& c) { SendTableInfo(c, 0); });
  ArmAutoStart();
  if (BotsWanted() > 0) SeatNextBot();  // seats a second player left free are filled again
}

void Table::Leave(int seat) {
  SeatSlot& slot = seats_[seat];
  if (slot.kind != SeatSlot::kHuman) return;
  if (state() >= 2) {
    // The round goes on: the server plays the seat and settles it at the end.
    slot.autoplay = true;
    slot.leaving = true;
    slot.held = false;
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
    return;
  }
  // The seat is free for another player; the others see it empty.
  SendSeatToOthers(seat);
}

void Table::Drop(int seat) {
  SeatSlot& slot = seats_[seat];
  if (slot.kind != SeatSlot::kHuman) return;
  slot.conn.reset();
  slot.autoplay = true;  // the server plays the seat while it is held
  slot.held = true;
  slot.held_until = Clock::now() + std::chrono::milliseconds(srv_->cfg.seat_grace_ms);
  if (state() <= 1) slot.ready = 1;  // a held seat never keeps the host from starting
  srv_->TraceF("table %lld seat %d held for account %lld (%d ms)", static_cast<long long>(no_), seat,
               static_cast<long long>(slot.account.id), srv_->cfg.seat_grace_ms);
  if (state() == 2 && game_.turn_seat() == seat) {
    turn_timer_.cancel();
    ++turn_token_;
    ScheduleTurn();
  }
}

int Table::HeldSeat(int64_t account) const {
  for (int s = 0; s < kMaxSeats; ++s)
    if (seats_[s].kind == SeatSlot::kHuman && seats_[s].held && seats_[s].account.id == account) return s;
  return -1;
}

bool Table::Rejoin(const ConnPtr& c, int seat) {
  if (seat < 0 || seat >= kMaxSeats) return false;
  SeatSlot& slot = seats_[seat];
  if (slot.kind != SeatSlot::kHuman || !slot.held || slot.account.id != c->account) return false;
  slot.conn = c;
  slot.held = false;
  slot.autoplay = false;
  slot.leaving = false;
  if (auto fresh = srv_->store.FindById(slot.account.id)) slot.account = *fresh;
  if (state() <= 1) slot.ready = 0;
  if (state() == 2 && game_.turn_seat() == seat) {
    // The player takes the turn over with a whole turn limit.
    turn_timer_.cancel();
    ++turn_token_;
    turn_started_ = Clock::now();
    ScheduleTurn();
  }
  return true;
}

void Table::ExpireHeld() {
  const auto now = Clock::now();
  bool freed = false;
  for (int s = 0; s < kMaxSeats; ++s) {
    SeatSlot& slot = seats_[s];
    if (slot.kind != SeatSlot::kHuman || !slot.held || now < slot.held_until) continue;
    srv_->TraceF("table %lld seat %d no longer held for account %lld", static_cast<long long>(no_), s,
                 static_cast<long long>(slot.account.id));
    if (state() >= 2) {
      slot.held = false;
      slot.leaving = true;  // given up when the round ends
    } else {
      slot = SeatSlot{};
      freed = true;
      SendSeatToOthers(s);
    }
  }
  if (freed && humans() == 0 && !bots_only_) {
    Shutdown();
    srv_->tables.erase(no_);  // the caller keeps its own reference
  }
}

int Table::BotsWanted() const {
  int bots = 0, empty = 0;
  for (const auto& s : seats_) {
    if (s.kind == SeatSlot::kBot) ++bots;
    if (s.kind == SeatSlot::kEmpty) ++empty;
  }
  const int want = std::clamp(srv_->cfg.bots_per_table, 1, 3);
  return std::min(empty, std::max(0, want - bots));
}

void Table::Open() {
  wait_started_ = Clock::now();
  if (srv_->cfg.bot_seat_ms <= 0) {
    // Every bot at once, before the player asks for the table.
    while (BotsWanted() > 0) {
      auto b = srv_->store.Bot(srv_->NextBot());
      if (!b) break;
      for (int s = 0; s < kMaxSeats; ++s)
        if (seats_[s].kind == SeatSlot::kEmpty) {
          SeatBot(s, *b);
          break;
        }
    }
  } else {
    SeatNextBot();
  }
  ArmAutoStart();
}

void Table::SeatNextBot() {
  if (srv_->cfg.bot_seat_ms <= 0) {
    // Bots at once (between rounds, into seats a player left).
    bool any = false;
    while (state() <= 1 && BotsWanted() > 0) {
      auto b = srv_->store.Bot(srv_->NextBot());
      if (!b) break;
      int seat = -1;
      for (int s = 0; s < kMaxSeats && seat < 0; ++s)
        if (seats_[s].kind == SeatSlot::kEmpty) seat = s;
      SeatBot(seat, *b);
      SendSeatToOthers(seat);
      any = true;
    }
    if (any) RestartCountdown();
    return;
  }
  std::weak_ptr<Table> w = shared_from_this();
  seat_timer_.expires_after(std::chrono::milliseconds(srv_->cfg.bot_seat_ms));
  seat_timer_.async_wait([w](const asio::error_code& ec) {
    if (ec) return;
    auto t = w.lock();
    if (!t || t->closed_ || t->state() > 1 || t->BotsWanted() <= 0) return;
    auto b = t->srv_->store.Bot(t->srv_->NextBot());
    if (!b) return;
    int seat = -1;
    for (int s = 0; s < kMaxSeats && seat < 0; ++s)
      if (t->seats_[s].kind == SeatSlot::kEmpty) seat = s;
    t->SeatBot(seat, *b);
    t->srv_->TraceF("table %lld seat %d: bot %lld seated", static_cast<long long>(t->no_), seat,
                    static_cast<long long>(b->id));
    // The players see the bot sit down, then get ready.
    t->SendSeatToOthers(seat);
    VXMsg_game_ready_event e;
    e.seat = seat;
    t->EachViewer([&](int, const ConnPtr& c) { SendRecord(c, e); });
    t->RestartCountdown();
    if (t->BotsWanted() > 0) t->SeatNextBot();
  });
}

void Table::RestartCountdown() {
  if (bots_only_ || state() > 1) return;
  wait_started_ = Clock::now();
  ArmAutoStart();
}

void Table::SendSeatToOthers(int seat) {
  EachViewer([&](int v, const ConnPtr& c) {
    if (v == seat) return;
    if (seats_[seat].kind == SeatSlot::kEmpty) {
      SendTableInfo(c, 0);  // a seat emptied: the whole table again
      return;
    }
    VXMsg_table_player m;
    m.mode = 0;
    m.seat = seat;
    FillPlayer(m.player, seat, v, false);
    SendRecord(c, m);
  });
}

int Table::Join(const ConnPtr& c, const Account& a) {
  int seat = -1;
  for (int s = 0; s < kMaxSeats && seat < 0; ++s)
    if (seats_[s].kind == SeatSlot::kEmpty) seat = s;
  if (seat < 0 && state() <= 1)
    for (int s = 0; s < kMaxSeats && seat < 0; ++s)
      if (seats_[s].kind == SeatSlot::kBot) seat = s;  // a bot gives its seat up
  if (seat < 0) return -1;
  seats_[seat] = SeatSlot{};
  seats_[seat].kind = SeatSlot::kHuman;
  seats_[seat].account = a;
  seats_[seat].conn = c;
  SendSeatToOthers(seat);
  RestartCountdown();
  return seat;
}

void Table::DealRound(uint32_t mask) {
  const ServerConfig& cfg = srv_->cfg;
  game_.set_stock_limit(cfg.stock_cards);
  std::vector<int> pack;
  if (!cfg.deals.empty()) {
    pack = cfg.deals[std::min(static_cast<size_t>(rounds_dealt_), cfg.deals.size() - 1)];
  } else {
    pack.resize(kDeckSize);
    for (int i = 0; i < kDeckSize; ++i) pack[i] = i;
    std::shuffle(pack.begin(), pack.end(), srv_->rng);
  }
  // Complete a short pack with the cards it lacks, in ascending order.
  std::vector<bool> have(kDeckSize, false);
  std::vector<int> full;
  for (int c : pack)
    if (IsCard(c) && !have[c]) {
      have[c] = true;
      full.push_back(c);
    }
  for (int c = 0; c < kDeckSize; ++c)
    if (!have[c]) full.push_back(c);
  int mission = cfg.mission_card;
  if (mission < 0 || mission == kSpecialClub2 || mission == kSpecialSpadeQ || !IsCard(mission)) {
    if (!cfg.deals.empty()) {
      // A fixed deal names a fixed mission card too: the pack's last ordinary card.
      for (auto it = full.rbegin(); it != full.rend(); ++it)
        if (*it != kSpecialClub2 && *it != kSpecialSpadeQ) {
          mission = *it;
          break;
        }
    } else {
      do {
        mission = static_cast<int>(srv_->rng() % kDeckSize);
      } while (mission == kSpecialClub2 || mission == kSpecialSpadeQ);
    }
  }
  game_.StartWithPack(mask, first_seat_, full, mission);
  ++rounds_dealt_;
  if (cfg.log_level >= 3) {
    auto list = [](const std::vector<int>& v) {
      std::string out;
      for (int c : v) out += (out.empty() ? "" : ",") + std::to_string(c);
      return out;
    };
    std::string line;
    for (int s = 0; s < kMaxSeats; ++s)
      if (mask & (1u << s)) line += "; seat " + std::to_string(s) + " " + list(game_.seat(s).hand);
    std::vector<int> stock(game_.stock().rbegin(), game_.stock().rend());
    srv_->TraceF("table %lld round %d dealt: first seat %d%s; pile %d; mission %d; stock %s",
                 static_cast<long long>(no_), rounds_dealt_, game_.turn_seat(), line.c_str(),
                 game_.pile().empty() ? -1 : game_.pile().back().code, mission, list(stock).c_str());
  }
}

void Table::OnChat(int seat, const std::string& text) {
  if (seat < 0 || seat >= kMaxSeats || text.empty()) return;
  VXMsg_table_chat m;
  m.seat = seat;
  std::snprintf(m.text, sizeof(m.text), "%s", text.c_str());
  EachViewer([&](int, const ConnPtr& c) { SendRecord(c, m); });
  srv_->TraceF("table %lld seat %d chat: %zu bytes", static_cast<long long>(no_), seat, text.size());
}

void Table::OnEmoticon(int seat, int set, int number) {
  VXMsg_table_emoticon m;
  m.seat = seat;
  m.emoticon = set;
  m.variant = number;
  EachViewer([&](int, const ConnPtr& c) { SendRecord(c, m); });
  srv_->TraceF("table %lld seat %d emoticon %d %d", static_cast<long long>(no_), seat, set, number);
}

void Table::OnItemAttack(const ConnPtr& c, int to_all, int target, int item) {
  const int seat = c->seat;
  auto refuse = [&](const char* why) {
    srv_->TraceF("table %lld seat %d item %d refused: %s", static_cast<long long>(no_), seat, item, why);
  };
  if (item < 0 || item > 11) return refuse("no such item");
  int targets = 0;
  if (to_all) {
    for (int s = 0; s < kMaxSeats; ++s)
      if (s != seat && seats_[s].kind != SeatSlot::kEmpty) ++targets;
  } else if (target >= 0 && target < kMaxSeats && target != seat && seats_[target].kind != SeatSlot::kEmpty) {
    targets = 1;
  }
  if (targets == 0) return refuse("no target");
  const int64_t price = srv_->cfg.item_price * targets;
  auto balance = srv_->store.Charge(seats_[seat].account.id, price, "table item");
  if (!balance) return refuse("not enough chips");
  seats_[seat].account.chips = *balance;
  VXMsg_table_item_attack m;
  m.to_all = to_all ? 1 : 0;
  m.seat = seat;
  m.target_seat = to_all ? -1 : target;
  m.item = item;
  m.chips = *balance;
  EachViewer([&](int, const ConnPtr& v) { SendRecord(v, m); });
  srv_->TraceF("table %lld seat %d item %d at %s: %lld chips, balance %lld", static_cast<long long>(no_), seat,
               item, to_all ? "everyone" : std::to_string(target).c_str(), static_cast<long long>(price),
               static_cast<long long>(*balance));
}

}  // namespace tsrv
