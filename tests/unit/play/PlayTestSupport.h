#pragma once
// Shared set-up of the table tests: a stepped clock, a game logic with recording hooks
// and fake sessions (the current one a logged-in game server), a table screen at a
// table in play, and helpers that seat players, lay melds and read back the requests
// the screen sent.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <vector>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "modes/play/GameModePlay.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXProtocolTable.h"
#include "unit/app/GameLogicFixture.h"
#include "unit/app/GlobalFakes.h"
#include "unit/app/TempFolders.h"

namespace play_test {

using namespace testing_support;

constexpr int C(int suit, int rank) { return suit * 13 + rank; }

// A session that answers each waited-for request from a reply kept per message id.
class TableSession : public FakeSession {
 public:
  using FakeSession::FakeSession;
  int SendAndWait(Packet& p, uint32_t, bool) override {
    sent.push_back(p);
    auto it = replies.find(p.id);
    if (it == replies.end()) return 0;
    reply = it->second;
    reply.read_pos = 0;
    return 1;
  }
  std::map<uint16_t, Packet> replies;
};

// Jobs are kept, not run, so a test decides when the background work happens.
struct HeldJobs : IWorkerHooks {
  void QueueJob(std::function<void()> job) override { jobs.push_back(std::move(job)); }
  void RunAll() {
    auto pending = std::move(jobs);
    jobs.clear();
    for (auto& j : pending) j();
  }
  void Shutdown() override { jobs.clear(); }
  std::vector<std::function<void()>> jobs;
};

class PlayFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake_now = 50000;
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.sound = &sound;
    h.workers = &jobs;
    h.splash = &splash;
    logic->SetHooks(h);
    for (int i = 0; i < 4; ++i) logic->m_sessions[i] = sessions[i] = new TableSession(i);
    game = sessions[1];
    game->connected = game->logged_in = true;
    logic->m_session_index = 1;
    GameSharedData::Instance()->Load();
    GameSharedData::Instance()->m_sound_on = 1;
    InitLanguageMessages(kLanguageEditionThai);
    play = std::make_unique<GameModePlay>();
    play->SetLogic(logic.get());
    play->my_seat = 0;
    play->room.SetTableState(2);
    play->turn.SetTurnSeat(0);
  }
  void TearDown() override {
    play.reset();
    logic.reset();
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }

  // A player on `seat` in its turn 5 holding `hand` (own cards with their codes).
  GameVXPlayer* Seat(int seat, std::initializer_list<int> hand) {
    auto* p = new GameVXPlayer;
    p->seat.SetSeat(seat);
    p->seat.SetTurnId(5);
    p->seat.SetDrawnTurnId(4);
    for (int code : hand) Add(p->hand, code, 1);
    delete play->players[seat];
    play->players[seat] = p;
    return p;
  }
  GameVXPlayer* Me() { return play->players[play->my_seat]; }
  static void Drew(GameVXPlayer* p) { p->seat.SetDrawnTurnId(p->seat.TurnId()); }
  static VXType_card* Add(GameVXCardDeck& d, int code, int in_hand = 0) {
    auto* c = new VXType_card;
    c->code = code;
    c->in_hand = in_hand;
    if (!d.Add_Card(c)) {
      delete c;
      return nullptr;
    }
    return c;
  }
  // A meld laid by `p` in an earlier turn.
  static GameVXCardDeck* Meld(GameVXPlayer* p, int kind, std::initializer_list<int> codes) {
    GameVXCardDeck* m = p->Add_Meld(kind);
    for (int code : codes) Add(*m, code)->owner_seat = p->seat.Seat();
    m->turn_mark = 1;
    return m;
  }
  void Pile(std::initializer_list<int> codes) {
    for (int code : codes) Add(play->pile, code);
  }
  static void Select(GameVXCardDeck& d, std::initializer_list<int> codes) {
    for (int code : codes) {
      const int at = d.Index_Of(code);
      ASSERT_GE(at, 0) << "card " << code;
      d.cards[at]->selected = 1;
    }
  }
  // Lays `d`'s cards out in a row of 40 x 60 cards from (x, y), as the drawing does.
  static void Lay_Out(GameVXCardDeck& d, int x, int y, int step = 30) {
    for (int i = 0; i < d.count; ++i) {
      int* r = d.cards[i]->rect;
      r[0] = x + i * step;
      r[1] = y;
      r[2] = r[0] + 40;
      r[3] = y + 60;
    }
  }
  static void Tap(GameModePlay& m, int x, int y) {
    m.OnTouchDown(0, x, y);
    m.OnTouchUp(0, x, y);
  }

  // A move request as the server reads it.
  struct Move {
    int32_t action = -1, knock = 0, target_seat = -1, target_meld = -1, kind = 0, card = -1;
    std::vector<int> codes;
  };
  static std::vector<Move> Decode(const std::vector<Packet>& sent) {
    std::vector<Move> out;
    for (Packet p : sent) {
      if (p.id != VX_PROTOCOL_GAME_PLAYER_ACTION) continue;
      p.read_pos = 0;
      VXMsg_player_action_request r;
      EXPECT_TRUE(r.Read(p));
      Move m;
      m.action = r.action;
      m.knock = r.knock;
      m.target_seat = r.target_seat;
      m.target_meld = r.target_meld;
      m.kind = r.cards.kind;
      m.card = r.card.code;
      m.codes = Codes(r.cards);
      r.cards.Clear(true);  // read records are the reader's
      out.push_back(m);
    }
    return out;
  }
  // The move requests sent on the game session so far.
  std::vector<Move> Moves() { return Decode(game->sent); }
  int Sent(uint16_t id) const {
    int n = 0;
    for (const Packet& p : game->sent) n += p.id == id;
    return n;
  }
  static std::vector<int> Codes(const GameVXCardDeck& d) {
    std::vector<int> v;
    for (int i = 0; i < d.count; ++i) v.push_back(d.cards[i] ? d.cards[i]->code : -99);
    return v;
  }
  std::string AlertText() const { return play->alert_text; }
  // The alert line shows message `id`.
  bool Alerted(int id) const { return play->alert_time != 0 && AlertText() == LangMessage(id); }
  void Clear_Alert() {
    play->alert_text[0] = 0;
    play->alert_time = 0;
  }

  // Answers a move with the server's result, as the events hand it over.
  void Result(const VXMsg_player_action_event& ev) {
    Packet p(VX_PROTOCOL_GAME_PLAYER_ACTION);
    ASSERT_TRUE(ev.Write(p));
    p.read_pos = 0;
    play->On_Move_Result(p);
  }

  TempFolders folders;
  RecordingSound sound;
  HeldJobs jobs;
  RecordingSplash splash;
  TableSession* sessions[4] = {};
  TableSession* game = nullptr;
  std::unique_ptr<GameLogic> logic;
  std::unique_ptr<GameModePlay> play;
};

}  // namespace play_test
