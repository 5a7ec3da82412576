#pragma once
// A server running in the test's process on free ports, with a fresh database and the
// quick timings the session tests use.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "Server.h"

inline std::string TempDb(const char* name) {
  auto p = std::filesystem::temp_directory_path() /
           (std::string("tolvan_srv_") + name + "_" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(p);
  std::filesystem::remove(p.string() + "-wal");
  std::filesystem::remove(p.string() + "-shm");
  return p.string();
}

class LiveServer {
 public:
  explicit LiveServer(tsrv::ServerConfig cfg) : server_(cfg), db_(cfg.db_path) {
    std::string err;
    ok_ = server_.Start(&err);
    EXPECT_TRUE(ok_) << err;
    if (ok_) thread_ = std::thread([this] { server_.Run(); });
  }
  ~LiveServer() { StopNow(); }
  void StopNow() {
    server_.Stop();
    if (thread_.joinable()) thread_.join();
  }
  tsrv::Server& server() { return server_; }
  int master() const { return server_.master_port(); }
  int game() const { return server_.game_port(); }

 private:
  tsrv::Server server_;
  std::string db_;
  bool ok_ = false;
  std::thread thread_;
};

inline tsrv::ServerConfig QuickConfig(const char* db) {
  tsrv::ServerConfig cfg;
  cfg.master_port = 0;
  cfg.game_port = 0;
  cfg.http_port = -1;  // the web tests turn it on
  cfg.db_path = TempDb(db);
  cfg.bot_think_ms = 0;
  cfg.result_ms = 0;
  cfg.ranking_ms = 0;
  cfg.auto_start_ms = 0;
  cfg.log_level = 1;
  cfg.seed = 12345;
  return cfg;
}
