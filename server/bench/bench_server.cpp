// How many bot tables one server process keeps at a turn every 100 ms, and how fast a
// player's move is answered at that load. Each run starts a server in this process with N
// bot-only tables (bots think 100 ms per turn), seats one headless player with three
// bots, and plays for a few seconds on 127.0.0.1.
//
//   turns_per_s / target_per_s   achieved against N tables x 10 turns a second
//   kept_pace                    1 when at least 95 % of the target was reached
//   reply_p50_ms, reply_p99_ms   time from sending a draw or throw to its answer
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include <unistd.h>

#include "ProtocolClient.h"
#include "Server.h"
#include "Session.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXTableMessages.h"

namespace {

using Ms = std::chrono::duration<double, std::milli>;

// Plays the seat with the simplest legal turn (draw, throw the drawn card) and records the
// reply time of every move until `until`.
void PlayAndMeasure(ProtocolClient& game, const std::string& account,
                    std::chrono::steady_clock::time_point until, std::vector<double>* lat) {
  int my_seat = -1;
  auto move = [&](Packet& req, int* drawn) {
    auto t0 = std::chrono::steady_clock::now();
    game.Send(req);
    for (;;) {
      auto p = game.Recv(5000);
      if (!p) return false;
      if (p->id != 216) continue;
      VXMsg_player_action_event e;
      e.Read(*p);
      if (e.ok && e.seat != my_seat) continue;
      lat->push_back(Ms(std::chrono::steady_clock::now() - t0).count());
      if (drawn) *drawn = e.card.code;
      return e.ok == 1;
    }
  };
  VXMsg_game_ready_request host_start;
  host_start.value = 0;
  Packet start;
  Build_Packet(host_start, start);
  game.Send(start);
  while (std::chrono::steady_clock::now() < until) {
    auto p = game.Recv(2000);
    if (!p) return;
    if (p->id == 217) {
      VXMsg_game_start m;
      m.Read(*p);
      for (int i = 0; i < m.entry_count; ++i)
        if (m.entries[i].player && account == m.entries[i].player->AccountId()) my_seat = m.entries[i].seat;
    } else if (p->id == 215) {
      VXMsg_game_turn m;
      m.Read(*p);
      if (m.status.turn.TurnSeat() != my_seat) continue;
      VXMsg_player_action_request draw;
      draw.action = VX_ACTION_DRAW;
      Packet d;
      Build_Packet(draw, d);
      int card = -1;
      if (!move(d, &card)) return;
      VXMsg_player_action_request throw_drawn;
      throw_drawn.action = VX_ACTION_THROW;
      throw_drawn.card.code = card;
      throw_drawn.card.in_hand = 1;
      Packet t;
      Build_Packet(throw_drawn, t);
      if (!move(t, nullptr)) return;
    } else if (p->id == 220) {
      VXMsg_game_ready_request again;
      again.value = 0;  // the host starts the next round
      Packet a;
      Build_Packet(again, a);
      game.Send(a);
    }
  }
}

void BM_BotTablesAtTurnEvery100ms(benchmark::State& state) {
  const int tables = static_cast<int>(state.range(0));
  auto db = std::filesystem::temp_directory_path() /
            ("tolvan_bench_" + std::to_string(::getpid()) + "_" + std::to_string(tables) + ".db");
  for (const char* s : {"", "-wal", "-shm"}) std::filesystem::remove(db.string() + s);
  for (auto _ : state) {
    tsrv::ServerConfig cfg;
    cfg.master_port = 0;
    cfg.game_port = 0;
    cfg.http_port = -1;
    cfg.db_path = db.string();
    cfg.bot_think_ms = 100;
    cfg.result_ms = 0;
    cfg.ranking_ms = 0;
    cfg.auto_start_ms = 0;
    cfg.bot_tables = tables;
    cfg.log_level = 0;
    tsrv::Server server(cfg);
    std::string err;
    if (!server.Start(&err)) {
      state.SkipWithError(err.c_str());
      return;
    }
    std::thread run([&] { server.Run(); });
    ProtocolClient game;
    std::string account;
    int number = 0;
    int64_t chips = 0;
    std::vector<double> lat;
    bool entered = EnterThroughMaster(server.master_port(), "bench-device", game, &account, &number, &chips);
    if (entered) entered = EnterRoomPlain(game, 100);
    if (entered) {
      // Warm up one second, then measure four.
      std::this_thread::sleep_for(std::chrono::seconds(1));
      uint64_t turns0 = server.Stats().turns;
      auto t0 = std::chrono::steady_clock::now();
      PlayAndMeasure(game, account, t0 + std::chrono::seconds(4), &lat);
      double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      double turns = static_cast<double>(server.Stats().turns - turns0) / secs;
      double target = tables * 10.0;
      state.counters["turns_per_s"] = turns;
      state.counters["target_per_s"] = target;
      state.counters["kept_pace"] = turns >= 0.95 * target ? 1 : 0;
    }
    server.Stop();
    run.join();
    if (!entered) {
      state.SkipWithError("could not enter the game server");
      return;
    }
    std::sort(lat.begin(), lat.end());
    if (!lat.empty()) {
      state.counters["reply_p50_ms"] = lat[lat.size() / 2];
      state.counters["reply_p99_ms"] = lat[std::min(lat.size() - 1, lat.size() * 99 / 100)];
      state.counters["replies"] = static_cast<double>(lat.size());
    }
  }
  for (const char* s : {"", "-wal", "-shm"}) std::filesystem::remove(db.string() + s);
}

}  // namespace

BENCHMARK(BM_BotTablesAtTurnEvery100ms)
    ->Arg(100)->Arg(250)->Arg(500)->Arg(750)->Arg(1000)->Arg(2000)
    ->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
