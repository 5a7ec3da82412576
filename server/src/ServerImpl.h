#pragma once
// The state the parts of the server share, and the handlers of each role. Everything
// here belongs to the event loop's thread, except the statistics (under stats_mu).
//
// Where the handlers live:
//   Dispatch.cpp            the table from message id to handler, and what a role may ask
//   ConnectionHandlers.cpp  every role: hello, login, leave, account refresh, registration
//   MasterHandlers.cpp      the master: game-server addresses, its part of the login reply
//   ServiceHandlers.cpp     the one-shot exchanges of the service role
//   GameHandlers.cpp        the game roles: rooms, tables, ready, moves
//   Notices.cpp             server notices pushed to players
#include <asio.hpp>

#include <condition_variable>
#include <cstdio>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>

#include "Connection.h"
#include "Server.h"
#include "Store.h"
#include "WebServer.h"

namespace tsrv {

struct RoomDef {
  int64_t stake;
  int badge;
};
// The rooms of the normal and point games.
inline constexpr RoomDef kRooms[] = {{100, 0},     {500, 0},      {1000, 200},
                                     {5000, 300},  {10000, 400},  {50000, 0}};

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
  std::unique_ptr<WebServer> web;  // null when the web side is off

  // A pass lets an account log in on another role by account id and user number alone:
  // the master leaves one for a game server when it answers a logged-in player's
  // server-address request, a game server leaves one for the master when a logged-in
  // player's connection there ends. One per account; taken once, from the same address,
  // before it expires.
  struct Pass {
    Role to;
    std::string peer;
    Clock::time_point expires;
    std::weak_ptr<Connection> from;
  };
  std::map<int64_t, Pass> passes;
  void LeavePass(const ConnPtr& from, Role to);
  // True when `c` may log in as `account` on its role; `*from` is the connection that left
  // the pass (it is the same client moving).
  bool TakePass(const ConnPtr& c, int64_t account, ConnPtr* from);
  // Ends every other connection of `account` (the rule of a second login).
  void EndOtherLogins(const ConnPtr& c, int64_t account, const ConnPtr& mover);
  // The account a service exchange names (account id, user number), when that account is
  // logged in from the exchange's own address; otherwise the connection is closed.
  std::optional<Account> ServiceAccount(const ConnPtr& c, Packet& p);

  mutable std::mutex stats_mu;
  mutable std::condition_variable stats_cv;
  ServerStats stats;

  void Trace(const char* what, int64_t a = 0) {
    if (cfg.log_level >= 3) Log(LOG_TRACE, "[DEBUG]: tolvan-server | %s %lld", what,
                                static_cast<long long>(a));
  }
  // A trace line with free text (table entries and creations).
  template <class... A>
  void TraceF(const char* fmt, A... args) {
    if (cfg.log_level < 3) return;
    char line[512];
    std::snprintf(line, sizeof(line), fmt, args...);
    Log(LOG_TRACE, "[DEBUG]: tolvan-server | %s", line);
  }
  void Warn(const char* what) {
    if (cfg.log_level >= 2) Log(LOG_WARNING, "[WARNING]: tolvan-server | %s", what);
  }
  void Count(uint64_t ServerStats::*field, uint64_t n = 1) {
    std::lock_guard<std::mutex> lk(stats_mu);
    stats.*field += n;
  }

  // Connections.
  void Accept(int role);
  void SweepIdle();
  void Dispatch(const ConnPtr& c, Packet& p);
  void OnClosed(Connection* c);

  // Every handler of the dispatch table has this form.
  using Handler = void (Impl::*)(const ConnPtr& c, Packet& p);

  // Every role.
  void OnHello(const ConnPtr& c, Packet& p);
  void OnLogin(const ConnPtr& c, Packet& p);
  void OnLeaveServer(const ConnPtr& c, Packet& p);
  void OnAccountRefresh(const ConnPtr& c, Packet& p);
  void OnRegist(const ConnPtr& c, Packet& p);
  static constexpr size_t kMaxNicknameChars = 24;
  std::string NicknameProblem(const std::string& name, int64_t account);
  void SendLoginFailure(const ConnPtr& c, int code);
  void SendAccount(const ConnPtr& c, uint16_t id);

  // Master.
  void OnServerAddress(const ConnPtr& c, Packet& p);
  void WriteMasterLogin(Packet& rep, const Account& a);

  // Service.
  void OnServiceState(const ConnPtr& c, Packet& p);
  void OnFriendList(const ConnPtr& c, Packet& p);
  void OnTournamentRegs(const ConnPtr& c, Packet& p);
  void OnSocialFriends(const ConnPtr& c, Packet& p);
  void OnListRefresh(const ConnPtr& c, Packet& p);

  // Game roles.
  void WriteGameLogin(Packet& rep, Role role);
  void OnRoomEnter(const ConnPtr& c, Packet& p);
  void OnRoomLeave(const ConnPtr& c, Packet& p);
  void OnTableInfo(const ConnPtr& c, Packet& p);
  void OnGameReady(const ConnPtr& c, Packet& p);
  void OnPlayerAction(const ConnPtr& c, Packet& p);
  void OnCardChange(const ConnPtr& c, Packet& p);
  void OnTableChat(const ConnPtr& c, Packet& p);
  void OnTableEmoticon(const ConnPtr& c, Packet& p);
  void OnTableItemAttack(const ConnPtr& c, Packet& p);
  // Takes the connection's player off its table (the table plays on for that seat).
  void LeaveTable(const ConnPtr& c);
  // The connection dropped: its seat is held for a rejoin.
  void DropTable(const ConnPtr& c);
  // The table holding a seat for `account` (and the seat), null when none.
  std::shared_ptr<Table> HeldTable(int64_t account, int* seat);
  // Writes the seated kind and the table address of a held seat into an account block.
  void MarkHeldSeat(int64_t account, uint8_t* block);
  // Closes every client connection as a network failure would; tables play on.
  int DropAll();
  std::shared_ptr<Table> NewTable(int64_t stake, int game_type, bool bots_only);
  int NextBot();

  // Server notices.
  void SendNoticeTo(const ConnPtr& c, int style, const std::string& text);
  int BroadcastNotice(int style, const std::string& text);
  void ScheduleLoginNotice(const ConnPtr& c);

  std::string host() const { return cfg.bind == "0.0.0.0" ? "127.0.0.1" : cfg.bind; }
};

}  // namespace tsrv
