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
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
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
  void SendLoginFailure(const ConnPtr& c, int code);
  void SendAccount(const ConnPtr& c, uint16_t id);

  // Master.
  void OnServerAddress(const ConnPtr& c, Packet& p);
  void WriteMasterLogin(Packet& rep, const Account& a);

  // Service.
  void OnService(const ConnPtr& c, Packet& p);

  // Game roles.
  void WriteGameLogin(Packet& rep, Role role);
  void OnRoomEnter(const ConnPtr& c, Packet& p);
  void OnRoomLeave(const ConnPtr& c, Packet& p);
  void OnTableInfo(const ConnPtr& c, Packet& p);
  void OnGameReady(const ConnPtr& c, Packet& p);
  void OnPlayerAction(const ConnPtr& c, Packet& p);
  void OnCardChange(const ConnPtr& c, Packet& p);
  // Takes the connection's player off its table (the table plays on for that seat).
  void LeaveTable(const ConnPtr& c);
  std::shared_ptr<Table> NewTable(int64_t stake, int game_type, bool bots_only);
  int NextBot();

  // Server notices.
  void SendNoticeTo(const ConnPtr& c, int style, const std::string& text);
  int BroadcastNotice(int style, const std::string& text);
  void ScheduleLoginNotice(const ConnPtr& c);

  std::string host() const { return cfg.bind == "0.0.0.0" ? "127.0.0.1" : cfg.bind; }
};

}  // namespace tsrv
