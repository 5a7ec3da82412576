#include "Server.h"

#include <asio.hpp>

#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <random>
#include <set>

#include "Bot.h"
#include "Rules.h"
#include "Store.h"
#include "Wire.h"
#include "net/messages/VXType_user_info.h"
#include "framework/Log.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXTableMessages.h"

namespace tsrv {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kMaxPendingOut = 4u << 20;  // a peer that reads nothing is dropped
constexpr size_t kReadChunk = 16384;

enum class Role { kMaster = 0, kGame = 1, kTour = 2 };

struct RoomDef {
  int64_t stake;
  int badge;
};
const RoomDef kRooms[] = {{100, 0}, {500, 0}, {1000, 200}, {5000, 300}, {10000, 400}, {50000, 0}};
constexpr int kPointTarget = 1000;

int Elapsed(Clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

}  // namespace

class Table;

// One client connection on any role.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(Server::Impl* srv, tcp::socket s, Role role)
      : last_rx_(Clock::now()), srv_(srv), sock_(std::move(s)), role_(role) {
    rbuf_.resize(kPacketMaxWire * 2);
  }
  void Begin();
  void Send(Packet& p);
  void Close(const char* why);
  bool open() const { return open_; }
  Role role() const { return role_; }

  int64_t account = 0;
  bool logged_in = false;
  std::shared_ptr<Table> table;
  int seat = -1;
  Clock::time_point last_rx_;

 private:
  void ReadMore();
  void Consume();
  void WriteNext();

  Server::Impl* srv_;
  tcp::socket sock_;
  Role role_;
  std::vector<uint8_t> rbuf_;
  size_t rlen_ = 0;
  std::deque<std::vector<uint8_t>> outq_;
  size_t out_bytes_ = 0;
  bool writing_ = false;
  bool open_ = true;
};

using ConnPtr = std::shared_ptr<Connection>;

// Builds message record `m` into a packet and sends it. A record that does not fit a
// packet is not sent (logged): a cut message would be misread.
template <class M>
void SendRecord(const ConnPtr& c, const M& m) {
  Packet p;
  if (!Build_Packet(m, p)) {
    Log(LOG_WARNING, "[WARNING]: tolvan-server | message %u could not be built", M::kId);
    return;
  }
  c->Send(p);
}

// A message made of the account block alone (152), or after an ok word (177).
void SendAccountBlock(const ConnPtr& c, uint16_t id, const Account& a) {
  Packet r(id);
  if (id == kMsgRegist) r.WriteInt32(1);
  uint8_t block[GameVXPlayer::kProfileSize];
  FillUserInfo(a, block);
  r.WriteBytes(block, sizeof(block));
  c->Send(r);
}

struct Server::Impl {
  explicit Impl(ServerConfig c) : cfg(std::move(c)), sweep(io) {
    rng.seed(cfg.seed ? cfg.seed : std::random_device{}());
  }

  ServerConfig cfg;
  asio::io_context io;
  std::unique_ptr<tcp::acceptor> acc[3];
  int ports[3] = {0, 0, -1};
  Store store;
  std::mt19937_64 rng;
  std::set<ConnPtr> conns;
  std::map<int64_t, std::weak_ptr<Connection>> online[3];  // account -> connection per role
  std::map<int64_t, std::shared_ptr<Table>> tables;
  int64_t next_table = 1;
  int next_bot = 1;
  asio::steady_timer sweep;

  mutable std::mutex stats_mu;
  mutable std::condition_variable stats_cv;
  ServerStats stats;

  void Trace(const char* what, int64_t a = 0) {
    if (cfg.log_level >= 3) Log(LOG_TRACE, "[DEBUG]: tolvan-server | %s %lld", what,
                                static_cast<long long>(a));
  }
  void Warn(const char* what) {
    if (cfg.log_level >= 2) Log(LOG_WARNING, "[WARNING]: tolvan-server | %s", what);
  }
  void Count(uint64_t ServerStats::*field, uint64_t n = 1) {
    std::lock_guard<std::mutex> lk(stats_mu);
    stats.*field += n;
  }

  void Accept(int role);
  void SweepIdle();
  void Dispatch(const ConnPtr& c, Packet& p);
  void OnClosed(Connection* c);

  // Master and login.
  void OnHello(const ConnPtr& c, Packet& p);
  void OnLogin(const ConnPtr& c, Packet& p);
  void OnServerAddress(const ConnPtr& c, Packet& p);
  void OnLeaveServer(const ConnPtr& c);
  void OnRegist(const ConnPtr& c, Packet& p);
  void OnService(const ConnPtr& c, Packet& p);
  void SendLoginFailure(const ConnPtr& c, int code);
  void SendAccount(const ConnPtr& c, uint16_t id);

  // Game role.
  void OnRoomEnter(const ConnPtr& c, Packet& p);
  void OnRoomLeave(const ConnPtr& c, bool reply);
  // Takes the connection's player off its table (the table plays on for that seat).
  void LeaveTable(const ConnPtr& c);
  std::shared_ptr<Table> NewTable(int64_t stake, int game_type, bool bots_only);
  int NextBot();
  std::string host() const { return cfg.bind == "0.0.0.0" ? "127.0.0.1" : cfg.bind; }
};

// ---------------------------------------------------------------------------------------
// Tables

struct SeatSlot {
  enum Kind { kEmpty, kHuman, kBot } kind = kEmpty;
  Account account;
  std::weak_ptr<Connection> conn;
  bool autoplay = false;  // a player who left mid-round; the server plays the seat
  bool leaving = false;   // free the seat when the round ends
  int ready = 0;
  int points = 0;          // point-game total
  int plus = 0, minus = 0;
  int64_t settlement = 0;
};

class Table : public std::enable_shared_from_this<Table> {
 public:
  Table(Server::Impl* srv, int64_t no, int64_t stake, int game_type, bool bots_only)
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

  int64_t no() const { return no_; }
  int64_t stake() const { return stake_; }
  int game_type() const { return game_type_; }
  bool bots_only() const { return bots_only_; }
  const VXType_room_info& room() const { return room_; }
  int state() const { return room_.TableState(); }
  int humans() const {
    int n = 0;
    for (const auto& s : seats_)
      if (s.kind == SeatSlot::kHuman && !s.leaving) ++n;
    return n;
  }
  size_t bot_index = 0;  // position in the bot-table statistics

  int SeatHuman(const ConnPtr& c, const Account& a);
  void SeatBot(int seat, const Account& a);
  void Leave(int seat);
  void SendTableInfo(const ConnPtr& c, int mode);
  void OnReady(int seat, int value);
  void OnMove(const ConnPtr& c, Packet& p);
  void StartRound();
  void Shutdown() {
    closed_ = true;
    timer_.cancel();
    turn_timer_.cancel();
  }

 private:
  void SetState(int s) { room_.SetTableState(s); }
  int HostSeat() const;
  uint32_t RoundMask() const;
  VXType_turn_info Turn() const;
  VXType_table_status Status(int elapsed_ms) const;
  VXType_seat_state SeatView(int s) const;
  // Seat `s` as `viewer` sees it: the hand hidden unless it is the viewer's or `reveal`.
  std::unique_ptr<GameVXPlayer> Player(int s, int viewer, bool reveal) const;
  template <class F>
  void EachViewer(F f) {
    for (int v = 0; v < kMaxSeats; ++v) {
      if (seats_[v].kind != SeatSlot::kHuman) continue;
      auto c = seats_[v].conn.lock();
      if (c && c->open() && c->table.get() == this) f(v, c);
    }
  }
  void BeginTurnNotice();
  void ScheduleTurn();
  void RunServerTurn(int seat, uint64_t token);
  bool Apply(int seat, const BotMove& mv, bool from_player);
  void SendRefusal(const ConnPtr& c, int action);
  void EndRound();
  void AfterResult();
  void BackToWaiting();
  void ArmAutoStart();
  void Later(int ms, void (Table::*fn)());

  Server::Impl* srv_;
  int64_t no_;
  int64_t stake_;
  int game_type_;
  bool bots_only_;
  bool closed_ = false;
  VXType_room_info room_;
  std::array<SeatSlot, kMaxSeats> seats_{};
  Game game_;
  int first_seat_ = 0;
  Clock::time_point turn_started_ = Clock::now();
  uint64_t turn_token_ = 0;
  asio::steady_timer timer_;
  asio::steady_timer turn_timer_;
  RoundScore last_score_{};
};

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
  FillUserInfo(slot.account, pl->profile);
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
      shown.entries[shown.entry_count].player = Player(s, s, true);
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
    rows.push_back(SeatSettlement{seats_[s].account.id, delta[s], sc.total[s], s == sc.winner});
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

// ---------------------------------------------------------------------------------------
// Connections

void Connection::Begin() { ReadMore(); }

void Connection::ReadMore() {
  if (!open_) return;
  if (rbuf_.size() - rlen_ < kReadChunk) {
    Close("receive buffer full");
    return;
  }
  auto self = shared_from_this();
  sock_.async_read_some(asio::buffer(rbuf_.data() + rlen_, kReadChunk),
                        [self](const asio::error_code& ec, size_t n) {
                          if (ec) {
                            self->Close(nullptr);
                            return;
                          }
                          self->rlen_ += n;
                          self->last_rx_ = Clock::now();
                          self->Consume();
                          self->ReadMore();
                        });
}

void Connection::Consume() {
  size_t off = 0;
  auto self = shared_from_this();
  while (open_) {
    uint16_t length = 0;
    Frame f = CheckFrame(rbuf_.data() + off, rlen_ - off, &length);
    if (f == Frame::kIncomplete) break;
    if (f == Frame::kBad) {
      srv_->Count(&ServerStats::closed_bad);
      Close("malformed packet header");
      return;
    }
    auto p = std::make_unique<Packet>();
    if (!ParseFrame(rbuf_.data() + off, length, p.get())) {
      srv_->Count(&ServerStats::closed_bad);
      Close("packet rejected");
      return;
    }
    off += length;
    if (p->enciphered == 1) p->Decipher(kSessionKey, std::strlen(kSessionKey));
    srv_->Dispatch(self, *p);
  }
  if (off > 0 && open_) {
    std::memmove(rbuf_.data(), rbuf_.data() + off, rlen_ - off);
    rlen_ -= off;
  }
}

void Connection::Send(Packet& p) {
  if (!open_) return;
  p.mark = 0;
  if (srv_->cfg.encipher) p.Encipher(kSessionKey, std::strlen(kSessionKey));
  std::vector<uint8_t> bytes(p.length);
  if (p.SerializeTo(bytes.data(), bytes.size()) == 0) return;
  out_bytes_ += bytes.size();
  outq_.push_back(std::move(bytes));
  if (out_bytes_ > kMaxPendingOut) {
    Close("peer does not read");
    return;
  }
  if (!writing_) WriteNext();
}

void Connection::WriteNext() {
  if (outq_.empty() || !open_) {
    writing_ = false;
    return;
  }
  writing_ = true;
  auto self = shared_from_this();
  asio::async_write(sock_, asio::buffer(outq_.front()),
                    [self](const asio::error_code& ec, size_t n) {
                      if (ec) {
                        self->Close(nullptr);
                        return;
                      }
                      self->out_bytes_ -= n;
                      self->outq_.pop_front();
                      self->WriteNext();
                    });
}

void Connection::Close(const char* why) {
  if (!open_) return;
  open_ = false;
  if (why) srv_->Warn(why);
  asio::error_code ec;
  sock_.shutdown(tcp::socket::shutdown_both, ec);
  sock_.close(ec);
  srv_->OnClosed(this);
}

// ---------------------------------------------------------------------------------------
// Server

void Server::Impl::Accept(int role) {
  acc[role]->async_accept([this, role](const asio::error_code& ec, tcp::socket s) {
    if (ec == asio::error::operation_aborted) return;
    if (!ec) {
      asio::error_code ig;
      s.set_option(tcp::no_delay(true), ig);
      auto c = std::make_shared<Connection>(this, std::move(s), static_cast<Role>(role));
      conns.insert(c);
      Count(&ServerStats::connections);
      c->Begin();
    }
    Accept(role);
  });
}

void Server::Impl::SweepIdle() {
  sweep.expires_after(std::chrono::seconds(5));
  sweep.async_wait([this](const asio::error_code& ec) {
    if (ec) return;
    std::vector<ConnPtr> idle;
    for (const auto& c : conns)
      if (Elapsed(c->last_rx_) > cfg.idle_seconds * 1000) idle.push_back(c);
    for (const auto& c : idle) c->Close("idle connection closed");
    SweepIdle();
  });
}

void Server::Impl::OnClosed(Connection* raw) {
  ConnPtr c;
  for (const auto& x : conns)
    if (x.get() == raw) c = x;
  if (!c) return;
  LeaveTable(c);
  int r = static_cast<int>(c->role());
  auto it = online[r].find(c->account);
  if (it != online[r].end() && it->second.lock() == c) online[r].erase(it);
  // Let the pending handlers finish before the object goes.
  asio::post(io, [this, c] { conns.erase(c); });
}

void Server::Impl::Dispatch(const ConnPtr& c, Packet& p) {
  if (p.id <= 100) return;  // socket level: heartbeats and the like
  Role role = c->role();
  switch (p.id) {
    case VX_PROTOCOL_HELLO:
      OnHello(c, p);
      return;
    case VX_PROTOCOL_LOGIN:
      OnLogin(c, p);
      return;
    case kMsgLeaveServer:
      OnLeaveServer(c);
      return;
    case kMsgServiceState:
    case kMsgFriendList:
    case kMsgTournamentRegs:
      if (role == Role::kMaster) OnService(c, p);
      return;
    case kMsgServerAddress:
      if (role == Role::kMaster) OnServerAddress(c, p);
      else c->Close("server address asked of a game server");
      return;
    default:
      break;
  }
  if (!c->logged_in) {
    // Everything else needs a login first.
    c->Close("request before login");
    return;
  }
  switch (p.id) {
    case VX_PROTOCOL_ACCOUNT_REFRESH: {
      Packet r(VX_PROTOCOL_ACCOUNT_REFRESH);
      int kind = static_cast<int>(role);
      ServerInfo si = MakeServerInfo(host(), ports[kind], kind, 0);
      r.WriteBytes(si.raw, sizeof(si.raw));
      c->Send(r);
      return;
    }
    case kMsgRegist:
      OnRegist(c, p);
      return;
    default:
      break;
  }
  if (role == Role::kMaster) {
    Trace("unhandled message on the master", p.id);
    return;
  }
  switch (p.id) {
    case VX_PROTOCOL_ROOM_ENTER:
      OnRoomEnter(c, p);
      return;
    case VX_PROTOCOL_ROOM_LEAVE:
      // The request's one field is a placeholder 0; it may also come header-only.
      OnRoomLeave(c, true);
      return;
    case VX_PROTOCOL_TABLE_INFO: {
      VXMsg_table_info_request req;
      if (!req.Read(p)) {
        c->Close("short table request");
        return;
      }
      if (c->table) c->table->SendTableInfo(c, req.mode == 2 ? 2 : 0);
      return;
    }
    case VX_PROTOCOL_GAME_READY: {
      VXMsg_game_ready_request req;
      if (!req.Read(p)) {
        c->Close("short ready request");
        return;
      }
      if (c->table) c->table->OnReady(c->seat, req.value);
      return;
    }
    case VX_PROTOCOL_GAME_PLAYER_ACTION:
      if (c->table) {
        c->table->OnMove(c, p);
      } else {
        BotMove mv;
        int32_t action = -1;
        ReadMove(p, &mv, &action);
        SendMoveRefusal(c, action);
      }
      return;
    case VX_PROTOCOL_CARD_CHANGE: {
      // No card-change items are handed out, so a change is always refused.
      SendRecord(c, VXMsg_card_change_event{});
      return;
    }
    default:
      Trace("unhandled message on a game server", p.id);
  }
}

void Server::Impl::OnHello(const ConnPtr& c, Packet& p) {
  VXMsg_hello_request req;
  if (!req.Read(p) || req.marker != kLoginMarker) {
    c->Close("hello without its marker");
    return;
  }
  VXMsg_hello_reply r;
  r.major = 3;
  r.minor = 3;
  r.patch = 0;  // no update to fetch: the address stays empty
  SendRecord(c, r);
}

void Server::Impl::SendLoginFailure(const ConnPtr& c, int code) {
  Packet r(VX_PROTOCOL_LOGIN);
  r.WriteInt32(code);
  c->Send(r);
}

void Server::Impl::OnLogin(const ConnPtr& c, Packet& p) {
  constexpr size_t kLoginFormSize = 4 + 4 + VXMsg_login_request::kUserIdSize +
                                    VXMsg_login_request::kTokenSize + VXMsg_login_request::kAccountHeadSize;
  size_t len = p.PayloadLength();
  std::optional<Account> acc_;
  if (len == kLoginFormSize) {
    // The login screen's form: scrambled user id (zero for a device login), token, head.
    VXMsg_login_request req;
    if (!req.Read(p) || req.marker != kLoginMarker) {
      c->Close("login without its marker");
      return;
    }
    const char* nick_field = reinterpret_cast<const char*>(req.account_head + kUserNickname);
    std::string nick(nick_field, strnlen(nick_field, 50));
    bool device_login = true;
    for (uint8_t b : req.user_id)
      if (b) device_login = false;
    if (device_login) {
      std::string dev(req.token, strnlen(req.token, sizeof(req.token)));
      acc_ = store.LoginDevice(dev, nick);
    } else {
      std::string id = UnscrambleUserId(req.user_id, sizeof(req.user_id));
      if (!id.empty()) acc_ = store.LoginSocial(id, nick);
    }
  } else {
    int32_t marker = 0;
    if (!p.ReadInt32(&marker) || marker != kLoginMarker) {
      c->Close("login without its marker");
      return;
    }
    if (len != 4 + 4 + 30 + 4 && len != 4 + 30 + 4) {
      SendLoginFailure(c, 1);
      return;
    }
    // Entering a server: (1 on the master,) account id and user number.
    if (len == 42) {
      int32_t one = 0;
      p.ReadInt32(&one);
      if (one != 1) {
        SendLoginFailure(c, 1);
        return;
      }
    }
    char id[31] = {};
    int32_t number = 0;
    p.ReadBytes(id, 30);
    p.ReadInt32(&number);
    acc_ = store.FindByAccountId(id);
    if (acc_ && acc_->id != number) acc_.reset();
  }
  if (!acc_ || acc_->is_bot) {
    SendLoginFailure(c, 1);
    return;
  }
  int r = static_cast<int>(c->role());
  // A second login of the same account on this role replaces the first.
  if (auto it = online[r].find(acc_->id); it != online[r].end()) {
    if (auto old = it->second.lock(); old && old != c) {
      Packet d(kMsgDuplicateLogin);
      d.WriteInt32(0);
      old->Send(d);
      old->Close(nullptr);
    }
  }
  online[r][acc_->id] = c;
  c->account = acc_->id;
  c->logged_in = true;

  // The login reply (result, server block, account block, then by role) has no shared
  // record: its tail depends on the role and on server-only data.
  Packet rep(VX_PROTOCOL_LOGIN);
  rep.WriteInt32(0);
  ServerInfo si = MakeServerInfo(host(), ports[r], r, 0);
  rep.WriteBytes(si.raw, sizeof(si.raw));
  uint8_t block[GameVXPlayer::kProfileSize];
  FillUserInfo(*acc_, block);
  rep.WriteBytes(block, sizeof(block));
  if (c->role() == Role::kMaster) {
    rep.WriteInt32(0);                      // status
    rep.WriteInt32(acc_->is_new ? 0 : 1);   // returning user
    rep.WriteInt32(1);                      // registrations are kept locally
    rep.WriteBytes(nullptr, 28);            // day bonus
    ServerInfo svc = MakeServerInfo(host(), ports[0], 3, 0);
    rep.WriteBytes(svc.raw, sizeof(svc.raw));
    rep.WriteBytes(nullptr, 452);           // profile block
    rep.WriteInt32(0);                      // unread mail
    rep.WriteInt32(0);                      // bonus records
    rep.WriteInt32(0);                      // item slots
    rep.WriteBytes(nullptr, 556);
    rep.WriteBytes(nullptr, 52);
  } else if (c->role() == Role::kGame) {
    // The channel's rooms: point target, count, then per room stake, minimum balance,
    // badge and two player counts for each tab.
    rep.WriteInt32(kPointTarget);
    rep.WriteInt32(static_cast<int32_t>(std::size(kRooms)));
    for (const auto& room : kRooms) {
      int counts[2][2] = {};
      for (const auto& [no, t] : tables) {
        if (t->stake() != room.stake || t->bots_only()) continue;
        counts[t->game_type() ? 1 : 0][t->state() == 2 ? 0 : 1] += t->humans();
      }
      rep.WriteInt32(static_cast<int32_t>(room.stake));
      rep.WriteInt32(static_cast<int32_t>(room.stake * 20));
      rep.WriteInt32(room.badge);
      rep.WriteInt32(counts[0][0]);
      rep.WriteInt32(counts[0][1]);
      rep.WriteInt32(counts[1][0]);
      rep.WriteInt32(counts[1][1]);
    }
  } else {
    rep.WriteInt32(0);  // no tournament records
  }
  c->Send(rep);
}

void Server::Impl::OnServerAddress(const ConnPtr& c, Packet& p) {
  int32_t kind = -1, zero = 0, selector = -1;
  if (!p.ReadInt32(&kind) || !p.ReadInt32(&zero)) {
    c->Close("short server address request");
    return;
  }
  p.ReadInt32(&selector);
  Packet r(kMsgServerAddress);
  int port = (kind == 1 || kind == 2) ? ports[kind] : -1;
  if (port <= 0) {
    r.WriteInt32(0);
    r.WriteBytes(nullptr, sizeof(ServerInfo));
  } else {
    r.WriteInt32(1);
    ServerInfo si = MakeServerInfo(host(), port, kind, selector);
    r.WriteBytes(si.raw, sizeof(si.raw));
  }
  c->Send(r);
}

void Server::Impl::OnLeaveServer(const ConnPtr& c) {
  if (c->table) OnRoomLeave(c, false);
  Packet r(kMsgLeaveServer);
  r.WriteInt32(0);
  c->Send(r);
  int role = static_cast<int>(c->role());
  if (c->logged_in) {
    auto it = online[role].find(c->account);
    if (it != online[role].end() && it->second.lock() == c) online[role].erase(it);
  }
  c->logged_in = false;
}

void Server::Impl::SendAccount(const ConnPtr& c, uint16_t id) {
  auto a = store.FindById(c->account);
  if (!a) return;
  SendAccountBlock(c, id, *a);
}

void Server::Impl::OnRegist(const ConnPtr& c, Packet& p) {
  int32_t avatar = 0;
  char nick[51] = {};
  if (!p.ReadInt32(&avatar) || !p.ReadBytes(nick, 50) || nick[0] == 0 || avatar < 0 ||
      avatar > 1 || !store.SetProfile(c->account, nick, avatar)) {
    Packet r(kMsgRegist);
    r.WriteInt32(0);
    c->Send(r);
    return;
  }
  SendAccount(c, kMsgRegist);
}

void Server::Impl::OnService(const ConnPtr& c, Packet& p) {
  // The few one-shot exchanges the client makes at login, answered with empty lists.
  Packet r(p.id);
  if (p.id == kMsgServiceState) {
    for (int i = 0; i < 4; ++i) r.WriteInt32(0);
  } else if (p.id == kMsgFriendList) {
    char name[30];
    int32_t number = 0, kind = 0;
    p.ReadBytes(name, 30);
    p.ReadInt32(&number);
    p.ReadInt32(&kind);
    r.WriteInt32(0);
    r.WriteInt32(kind);
    r.WriteInt32(0);
    r.WriteInt32(0);
  } else {
    r.WriteInt32(0);
  }
  c->Send(r);
}

int Server::Impl::NextBot() { return next_bot++; }

std::shared_ptr<Table> Server::Impl::NewTable(int64_t stake, int game_type, bool bots_only) {
  auto t = std::make_shared<Table>(this, next_table++, stake, game_type, bots_only);
  tables[t->no()] = t;
  return t;
}

void Server::Impl::OnRoomEnter(const ConnPtr& c, Packet& p) {
  VXMsg_room_enter_request want;
  auto refuse = [&] { SendRecord(c, VXMsg_room_enter_reply{}); };  // result 0
  if (!want.Read(p) || c->table || c->role() != Role::kGame) {
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

void Server::Impl::OnRoomLeave(const ConnPtr& c, bool reply) {
  LeaveTable(c);
  if (!reply) return;
  VXMsg_room_leave_event r;
  r.ok = 1;
  if (auto a = store.FindById(c->account)) FillUserInfo(*a, r.user_info);
  r.kicked = 0;
  SendRecord(c, r);
}

// ---------------------------------------------------------------------------------------

Server::Server(ServerConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}

Server::~Server() {
  Stop();
  for (auto& [no, t] : impl_->tables) t->Shutdown();
}

bool Server::Start(std::string* error) {
  Impl& m = *impl_;
  if (!m.store.Open(m.cfg.db_path, m.cfg.start_chips, error)) return false;
  int want[3] = {m.cfg.master_port, m.cfg.game_port, m.cfg.tour_port};
  try {
    auto addr = asio::ip::make_address(m.cfg.bind);
    for (int r = 0; r < 3; ++r) {
      if (want[r] < 0) continue;
      m.acc[r] = std::make_unique<tcp::acceptor>(m.io);
      tcp::endpoint ep(addr, static_cast<unsigned short>(want[r]));
      m.acc[r]->open(ep.protocol());
      m.acc[r]->set_option(tcp::acceptor::reuse_address(true));
      m.acc[r]->bind(ep);
      m.acc[r]->listen();
      m.ports[r] = m.acc[r]->local_endpoint().port();
      m.Accept(r);
    }
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
  m.SweepIdle();
  // Bot-only tables.
  {
    std::lock_guard<std::mutex> lk(m.stats_mu);
    m.stats.bot_table_rounds.assign(static_cast<size_t>(std::max(0, m.cfg.bot_tables)), 0);
  }
  for (int i = 0; i < m.cfg.bot_tables; ++i) {
    auto t = m.NewTable(m.cfg.bot_table_stake, 0, true);
    t->bot_index = static_cast<size_t>(i);
    for (int s = 0; s < kMaxSeats; ++s) {
      auto b = m.store.Bot(m.NextBot());
      if (b) t->SeatBot(s, *b);
    }
    asio::post(m.io, [t] { t->StartRound(); });
  }
  return true;
}

void Server::Run() {
  auto guard = asio::make_work_guard(impl_->io);
  impl_->io.run();
}

void Server::Stop() { impl_->io.stop(); }

int Server::master_port() const { return impl_->ports[0]; }
int Server::game_port() const { return impl_->ports[1]; }
int Server::tour_port() const { return impl_->ports[2]; }

ServerStats Server::Stats() const {
  std::lock_guard<std::mutex> lk(impl_->stats_mu);
  return impl_->stats;
}

bool Server::WaitForRounds(uint64_t rounds, int timeout_ms) const {
  std::unique_lock<std::mutex> lk(impl_->stats_mu);
  return impl_->stats_cv.wait_for(lk, std::chrono::milliseconds(timeout_ms),
                                  [&] { return impl_->stats.rounds >= rounds; });
}

}  // namespace tsrv
