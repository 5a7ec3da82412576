#pragma once
// One table of a game server: its seats (players and bots), the round in play, the turns
// the server plays (bots, players out of time or gone), and the settlement of each round.
// Runs on the server's event loop; timers hold the table weakly.
#include <asio.hpp>

#include <array>
#include <cstdint>
#include <memory>

#include "Bot.h"
#include "Connection.h"
#include "Rules.h"
#include "Store.h"
#include "Wire.h"

namespace tsrv {

constexpr int kPointTarget = 1000;

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
  Table(Server::Impl* srv, int64_t no, int64_t stake, int game_type, bool bots_only);

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
  // Seat `s` as `viewer` sees it: the hand hidden unless it is the viewer's or `reveal`;
  // the user number only in the viewer's own block.
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

// Refuses a move (ok 0) of `action`.
void SendMoveRefusal(const ConnPtr& c, int action);

}  // namespace tsrv
