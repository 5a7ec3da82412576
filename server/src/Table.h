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
// The turn record's byte that carries the round's mission card (0: none yet).
constexpr size_t kTurnMissionCard = 20;

struct SeatSlot {
  enum Kind { kEmpty, kHuman, kBot } kind = kEmpty;
  Account account;
  std::weak_ptr<Connection> conn;
  bool autoplay = false;  // a player who left mid-round; the server plays the seat
  bool leaving = false;   // free the seat when the round ends
  bool held = false;      // the player's connection dropped: the seat waits for a rejoin
  Clock::time_point held_until{};
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
  // A new table with its first player: the bots come (at once or one by one) and the
  // start countdown runs.
  void Open();
  // A second player joins: a free seat, or a bot's seat while the table waits. The seat,
  // -1 when there is none.
  int Join(const ConnPtr& c, const Account& a);
  // The 205 leave: the seat is given up (played to the end of a round in progress).
  void Leave(int seat);
  // The player's connection dropped: the seat is held for a rejoin (played meanwhile).
  void Drop(int seat);
  // The seat held for `account`, -1 none.
  int HeldSeat(int64_t account) const;
  // Seats `c` back at its held seat; false when none is held for it.
  bool Rejoin(const ConnPtr& c, int seat);
  // Frees held seats whose grace period is over (between rounds).
  void ExpireHeld();
  // Table-side services of a seated player.
  void OnChat(int seat, const std::string& text);
  void OnEmoticon(int seat, int set, int number);
  void OnItemAttack(const ConnPtr& c, int to_all, int target, int item);
  void OnCardChange(const ConnPtr& c, const std::vector<int>& codes);
  void SendTableInfo(const ConnPtr& c, int mode);
  void OnReady(int seat, int value);
  void OnMove(const ConnPtr& c, Packet& p);
  void StartRound();
  void Shutdown() {
    closed_ = true;
    timer_.cancel();
    turn_timer_.cancel();
    seat_timer_.cancel();
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
  void FillPlayer(GameVXPlayer& out, int s, int viewer, bool reveal) const;
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
  void SeatNextBot();
  int BotsWanted() const;
  void RestartCountdown();
  void SendSeatToOthers(int seat);
  void DealRound(uint32_t mask);
  void TraceMove(int seat, const BotMove& mv, const MoveOutcome& o, bool by_server);
  void TraceRefusal(int seat, int action, const char* why);

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
  asio::steady_timer seat_timer_;  // bots seated one by one
  Clock::time_point wait_started_ = Clock::now();  // the start countdown of a waiting table
  int rounds_dealt_ = 0;
  RoundScore last_score_{};
};

// Refuses a move (ok 0) of `action`.
void SendMoveRefusal(const ConnPtr& c, int action);

}  // namespace tsrv
