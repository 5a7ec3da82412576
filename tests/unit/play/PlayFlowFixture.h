#pragma once
// A table screen wired to a game logic with fake sessions and recording hooks, and
// builders of the server's table packets, so tests feed real packets to OnPacket.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "media/DXSoundManager.h"
#include "modes/play/GameModePlay.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableMessages.h"
#include "unit/app/GameLogicFixture.h"
#include "unit/app/GlobalFakes.h"
#include "unit/app/TempFolders.h"

namespace play_testing {

using namespace testing_support;

constexpr char kOwnId[] = "Q0000000042";

// A player record as the server sends it: account id, seat, ready flag, hand cards and
// melds (each a list of codes, laid by `seat`).
inline std::unique_ptr<GameVXPlayer> MakePlayer(const char* id, int seat, int ready, std::initializer_list<int> hand,
                                                std::vector<std::vector<int>> melds = {}) {
  auto p = std::make_unique<GameVXPlayer>();
  std::strncpy(reinterpret_cast<char*>(p->profile), id, 30);
  p->seat.SetSeat(seat);
  p->seat.SetReady(ready);
  p->seat.SetTurnStart(0);
  for (int code : hand) {
    auto* c = new VXType_card();
    c->code = code;
    c->in_hand = 1;
    p->hand.Add_Card(c);
  }
  for (const auto& codes : melds) {
    GameVXCardDeck* m = p->Add_Meld(codes.size() >= 3 && CardRank(codes[0]) == CardRank(codes[1]) ? 3 : 2);
    for (int code : codes) {
      auto* c = new VXType_card();
      c->code = code;
      c->owner_seat = seat;
      m->Add_Card(c);
    }
  }
  return p;
}

struct SeatSpec {
  int seat;
  std::unique_ptr<GameVXPlayer> player;
};

inline VXType_table_status Status(int state, int host, int turn_seat, int turn_seconds = 20, int stock_taken = 0,
                                  uint32_t elapsed_ms = 0) {
  VXType_table_status s;
  s.room.SetTableState(state);
  s.room.SetTurnSeconds(turn_seconds);
  s.turn.SetHostSeat(host);
  s.turn.SetTurnSeat(turn_seat);
  s.turn.SetAutoStageSeat(-1);
  s.stock_taken = stock_taken;
  s.turn_start = elapsed_ms;
  return s;
}

inline Packet TableInfo(int mode, const VXType_table_status& status, std::vector<SeatSpec> seats,
                        std::initializer_list<int> pile = {}) {
  VXMsg_table_info msg;
  msg.mode = mode;
  msg.status = status;
  for (int code : pile) {
    auto* c = new VXType_card();
    c->code = code;
    msg.pile.Add_Card(c);
  }
  msg.entry_count = static_cast<int32_t>(seats.size());
  for (size_t i = 0; i < seats.size() && i < 4; ++i) {
    msg.entries[i].seat = seats[i].seat;
    msg.entries[i].player = std::move(seats[i].player);
  }
  Packet p;
  Build_Packet(msg, p);
  return p;
}

inline Packet GameStart(const VXType_table_status& status, std::vector<SeatSpec> seats, std::initializer_list<int> pile) {
  VXMsg_game_start msg;
  msg.status = status;
  for (int code : pile) {
    auto* c = new VXType_card();
    c->code = code;
    msg.pile.Add_Card(c);
  }
  msg.entry_count = static_cast<int32_t>(seats.size());
  for (size_t i = 0; i < seats.size() && i < 4; ++i) {
    msg.entries[i].seat = seats[i].seat;
    msg.entries[i].player = std::move(seats[i].player);
  }
  Packet p;
  Build_Packet(msg, p);
  return p;
}

inline Packet Turn(const VXType_table_status& status, int seat, uint32_t used_ms = 0) {
  VXMsg_game_turn msg;
  msg.status = status;
  msg.seat.SetSeat(seat);
  msg.seat.SetReady(2);
  msg.seat.SetTurnStart(used_ms);
  Packet p;
  Build_Packet(msg, p);
  return p;
}

inline Packet Ready(int seat) {
  VXMsg_game_ready_event msg;
  msg.seat = seat;
  Packet p;
  Build_Packet(msg, p);
  return p;
}

// A packet of `id` carrying the given int32 words.
inline Packet Words(uint16_t id, std::initializer_list<int32_t> words) {
  Packet p(id);
  for (int32_t w : words) p.WriteInt32(w);
  return p;
}

// The sound slot of a "./snd/" file.
inline int SoundIndex(const char* file) {
  for (int i = 0; i < DXSoundManager::kSlotCount; ++i)
    if (const char* f = DXSoundManager::SlotFile(i); f && std::strcmp(f, file) == 0) return i;
  return -1;
}

// Jobs are kept, not run, so a test sees what was queued for the background.
struct HeldWorkers : IWorkerHooks {
  void QueueJob(std::function<void()> job) override { jobs.push_back(std::move(job)); }
  void Shutdown() override { jobs.clear(); }
  std::vector<std::function<void()>> jobs;
};

class PlayFlowTest : public ::testing::Test {
 public:
  void SetUp() override {
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    g_fake_now = 100000;
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.notices = &notices;
    h.scenes = &scenes;
    h.sound = &sound;
    h.workers = &workers;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, &play);
    logic->m_network_state = 1;
    for (int i = 0; i < 4; ++i) logic->m_sessions[i] = sessions[i] = new FakeSession(i);
    data = GameSharedData::Instance();
    data->Load();
    InitLanguageMessages(kLanguageEditionThai);
    std::strncpy(reinterpret_cast<char*>(data->m_user_info), kOwnId, 30);
    play.SetLogic(logic.get());
    // The real animation objects (without pictures): events run them as at a table.
    play.BuildAnimations();
    OnGameServer(1);
    logic->ChangeMode(&play, 0, -1);
  }
  void TearDown() override {
    play.Reset(3);
    logic.reset();
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }

  void OnGameServer(int kind) {
    for (FakeSession* s : sessions) s->connected = s->logged_in = false;
    sessions[kind]->connected = sessions[kind]->logged_in = true;
    logic->m_session_index = kind;
  }
  void Feed(Packet p) { play.OnPacket(&p); }
  std::vector<Packet>& Sent() { return sessions[logic->m_session_index & 3]->sent; }
  int SentCount(uint16_t id) {
    int n = 0;
    for (const Packet& p : Sent()) n += p.id == id;
    return n;
  }
  int Played(const char* file) const {
    int n = 0;
    for (int i : sound.effects) n += i == SoundIndex(file);
    return n;
  }
  // A waiting table: the own account on `own_seat`, hosted by `host`, with others on
  // the given seats (ready flags as given).
  void SeatTable(int own_seat, int host, std::vector<std::pair<int, int>> others, int own_ready = 0) {
    std::vector<SeatSpec> seats;
    seats.push_back({own_seat, MakePlayer(kOwnId, own_seat, own_ready, {})});
    for (auto [seat, ready] : others) seats.push_back({seat, MakePlayer(("bot" + std::to_string(seat)).c_str(), seat, ready, {})});
    Feed(TableInfo(0, Status(1, host, -1), std::move(seats)));
  }
  // A round in progress: own seat 0 with `hand`, bots on seats 1 to 3, turn of `turn_seat`.
  void StartRound(std::initializer_list<int> hand, int turn_seat = 0, std::initializer_list<int> pile = {40, 41}) {
    if (!play.table_ready) SeatTable(0, 0, {{1, 1}, {2, 1}, {3, 1}});
    std::vector<SeatSpec> seats;
    seats.push_back({0, MakePlayer(kOwnId, 0, 2, hand)});
    for (int s = 1; s < 4; ++s) seats.push_back({s, MakePlayer(("bot" + std::to_string(s)).c_str(), s, 2, {1, 2, 3})});
    Feed(GameStart(Status(2, 0, turn_seat), std::move(seats), pile));
  }

  TempFolders folders;
  NoticeRecorder notices;
  SceneRecorder scenes;
  RecordingSound sound;
  HeldWorkers workers;
  RecordingMode login{GameMode::kModeLogin, "login"};
  RecordingMode lobby{GameMode::kModeLobby, "lobby"};
  std::unique_ptr<GameLogic> logic;
  FakeSession* sessions[4] = {};
  GameSharedData* data = nullptr;
  GameModePlay play;
};

}  // namespace play_testing
