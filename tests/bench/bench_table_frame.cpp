// The client's cost of one full table frame: four seats, a 16-card own hand with
// picked-up cards, 12 melds, a 20-card pile, the turn timer, chat balloons, the action
// animations and an item in flight, particles and an open result panel: the table's
// per-frame Update work (the animations) plus Draw, on the offscreen GL context.
//
// Measured without waiting for the software rasteriser: frames are begun but never
// presented, and nothing calls glFinish or reads pixels, so the time is what the client
// spends issuing the frame (Mesa queues the rasterisation). Reported per frame: mean and
// p99 of Update + Draw (wall time, and the calling thread's own CPU time), GL draw calls and texture binds (counted by wrapping the GL entry
// points the client calls), cards drawn and heap allocations.
//
//   build/bench/bench_table_frame            (needs the asset kit in the build folder)
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "bench/AllocationCounter.h"
#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "modes/play/GameModePlay.h"
#include "modes/play/GameModePlayAnimations.h"
#include "render/SharedImageKit.h"

namespace {
uint64_t g_draw_calls = 0;
uint64_t g_binds = 0;
}  // namespace

// The client's own calls into GL pass through these wrappers (the program's definitions
// take precedence over libGL's for code linked into it).
extern "C" {
void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
  using Fn = void (*)(GLenum, GLsizei, GLenum, const void*);
  static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glDrawElements"));
  ++g_draw_calls;
  real(mode, count, type, indices);
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  using Fn = void (*)(GLenum, GLint, GLsizei);
  static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glDrawArrays"));
  ++g_draw_calls;
  real(mode, first, count);
}
void glBindTexture(GLenum target, GLuint texture) {
  using Fn = void (*)(GLenum, GLuint);
  static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glBindTexture"));
  ++g_binds;
  real(target, texture);
}
}

namespace {

// CPU time of the calling thread: the client's own work, without the rasteriser's
// threads and without the time spent waiting for them.
double ThreadCpuUs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

VXType_card* NewCard(int code) {
  auto* c = new VXType_card();
  c->code = code;
  return c;
}

GameVXPlayer* Seat(GameModePlay& play, int seat, const char* name) {
  auto* p = new GameVXPlayer();
  std::snprintf(reinterpret_cast<char*>(p->profile), 30, "NV%08d", seat + 1);
  CopyFixedText(reinterpret_cast<char*>(p->profile + 30), 50, name);
  int32_t character = seat * 3;
  std::memcpy(p->profile + 108, &character, 4);
  p->seat.SetSeat(seat);
  p->seat.SetReady(2);
  p->status = seat + 1;
  play.players[seat] = p;
  return p;
}

// The busy table of the benchmark.
void BuildTable(GameModePlay& play, std::vector<VXType_card*>& picked) {
  play.layout = 0;
  play.my_seat = 0;
  play.room.SetTableState(2);
  play.room.SetTurnSeconds(20);
  play.stock_used = 29;
  play.turn.SetTurnSeat(0);
  play.turn.SetHostSeat(1);
  play.turn.SetMission(100);
  const char* names[4] = {"Own seat", "Somchai", "Malee", "Niran"};
  for (int s = 0; s < 4; ++s) {
    GameVXPlayer* p = Seat(play, s, names[s]);
    p->seat.SetTurnStart(GetTickMs());
    p->seat.SetFirstCounter(4, 1);
    p->seat.SetFirstCounter(5, 1);
    p->seat.SetSecondCounter(2, 1);
    for (int i = 0; i < (s == 0 ? 13 : 9); ++i) p->hand.Add_Card(NewCard((s * 11 + i) % 52));
    for (int m = 0; m < 3; ++m) {
      GameVXCardDeck* meld = p->Add_Meld(3);
      for (int k = 0; k < 3 + m; ++k) {
        VXType_card* c = NewCard((m + 3 * s) % 13 + 13 * (k % 4));
        c->owner_seat = k == 3 ? (s + 1) % 4 : s;
        meld->Add_Card(c);
      }
    }
    std::snprintf(play.chat_text[s], sizeof(play.chat_text[s]), "hello from seat %d", s);
  }
  // Three cards picked up from the pile join the 13 hand cards: 16 in the own grid.
  for (int k = 0; k < 3; ++k) {
    picked.push_back(NewCard(40 + k));
    play.players[0]->pickup.Add_Card(picked.back());
  }
  play.players[0]->hand.At(2)->selected = 1;
  play.players[0]->hand.At(5)->usable = 1;
  for (int i = 0; i < 20; ++i) play.pile.Add_Card(NewCard((i * 7) % 52));
  play.panel_state[1] = 1;
  play.pointer_x = 700;
  play.pointer_y = 600;
}

// Keeps the animated parts of the table playing, as a busy round does.
void Animate(GameModePlay& play, uint32_t now) {
  for (int s = 0; s < 4; ++s) play.chat_time[s] = now - 2000;
  play.panel_time[1] = now - 1000;
  GameModePlay::TableAnimations* a = play.m_draw.anis;
  if (!a->first[1][0]->IsPlaying()) play.Ani_Action(2, 1, 3, 4);
  if (!a->first[1][1]->IsPlaying()) play.Ani_Action(0, 1, -1, -1);
  if (a->singles.GetCount() == 0) play.Ani_Attack(1, 3, 0);
  if (!play.winner_active) play.Ani_Winner(2);
  if (!a->end_move->IsPlaying()) play.Ani_End();
  play.Ani_Gold_Coins(true);
  play.Ani_Turn_Warning(true);
}

void BM_TableFrame(benchmark::State& state) {
  static texrender::SharedImageKit kit;
  if (!kit.loaded) {
    kit.Load();
    InitLanguageMessages(kLanguageEditionThai);
  }
  if (!kit.loaded) {
    state.SkipWithError("no GL context or no generated art in this build folder");
    return;
  }
  GameSharedData::Instance()->ResetDefaults();
  auto* play = new GameModePlay();
  texrender::InFolder(kit.folder, [&] { play->LoadTableArt(); });
  std::vector<VXType_card*> picked;
  BuildTable(*play, picked);

  // Warm up: the animations' first keys, and the font's glyph cache with every second
  // the turn timer will count through (FTGL makes a glyph the first time it is drawn).
  for (int second = 0; second <= 20; ++second) {
    for (int s = 0; s < 4; ++s) play->players[s]->seat.SetTurnStart(GetTickMs() - 1000u * second);
    texrender::BeginFrame();
    play->Draw();
  }
  for (int s = 0; s < 4; ++s) play->players[s]->seat.SetTurnStart(GetTickMs());
  for (int i = 0; i < 30; ++i) {
    Animate(*play, GetTickMs());
    texrender::BeginFrame();
    play->Update();
    play->Ani_Update();
    play->Draw();
  }
  glFinish();

  std::vector<double> frame_us, cpu_us;
  frame_us.reserve(1 << 16);
  cpu_us.reserve(1 << 16);
  uint64_t frames = 0, draws = 0, binds = 0, allocations = 0, cards = 0;
  for (auto _ : state) {
    Animate(*play, GetTickMs());
    texrender::BeginFrame();
    const uint64_t d0 = g_draw_calls, b0 = g_binds, a0 = g_allocations.load();
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = ThreadCpuUs();
    play->Update();
    play->Ani_Update();
    play->Draw();
    const double c1 = ThreadCpuUs();
    const auto t1 = std::chrono::steady_clock::now();
    if (cpu_us.size() < cpu_us.capacity()) cpu_us.push_back(c1 - c0);
    allocations += g_allocations.load() - a0;
    draws += g_draw_calls - d0;
    binds += g_binds - b0;
    cards += static_cast<uint64_t>(play->drawn_cards);
    ++frames;
    if (frame_us.size() < frame_us.capacity())
      frame_us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    // Let the rasteriser drain now and then so its queue does not grow without bound
    // (outside the measured span).
    if ((frames & 63) == 0) {
      state.PauseTiming();
      glFinish();
      state.ResumeTiming();
    }
  }
  std::vector<double> sorted = frame_us;
  std::sort(sorted.begin(), sorted.end());
  double mean = 0;
  for (double v : frame_us) mean += v;
  mean = frame_us.empty() ? 0 : mean / static_cast<double>(frame_us.size());
  const double p99 = sorted.empty() ? 0 : sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
  const double n = frames ? static_cast<double>(frames) : 1.0;
  std::vector<double> cpu_sorted = cpu_us;
  std::sort(cpu_sorted.begin(), cpu_sorted.end());
  double cpu_mean = 0;
  for (double v : cpu_us) cpu_mean += v;
  cpu_mean = cpu_us.empty() ? 0 : cpu_mean / static_cast<double>(cpu_us.size());
  state.counters["client_cpu_mean_us"] = cpu_mean;
  state.counters["client_cpu_p99_us"] =
      cpu_sorted.empty() ? 0 : cpu_sorted[std::min(cpu_sorted.size() - 1, cpu_sorted.size() * 99 / 100)];
  state.counters["update_draw_mean_us"] = mean;
  state.counters["update_draw_p99_us"] = p99;
  state.counters["draw_calls_per_frame"] = static_cast<double>(draws) / n;
  state.counters["texture_binds_per_frame"] = static_cast<double>(binds) / n;
  state.counters["cards_per_frame"] = static_cast<double>(cards) / n;
  state.counters["allocations_per_frame"] = static_cast<double>(allocations) / n;

  play->Ani_Stop_All();
  play->players[0]->pickup.Clear(false);
  for (VXType_card* c : picked) delete c;
  play->ReleaseTableArt();
  delete play;
}
BENCHMARK(BM_TableFrame)->Unit(benchmark::kMicrosecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
