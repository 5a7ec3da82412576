// The table flow driven by real packets: entering, waiting, the round's events, the
// panels, the turn-time warning, leaving and a lost connection.
#include "unit/play/PlayFlowFixture.h"

using namespace play_testing;

namespace {

int32_t SentInt(const Packet& p, size_t word) {
  int32_t v = 0;
  if ((word + 1) * 4 <= p.PayloadLength()) std::memcpy(&v, p.payload + word * 4, 4);
  return v;
}

}  // namespace

TEST_F(PlayFlowTest, EnteringATableAsksForTheWholeTableAndStartsTheMusic) {
  LogCapture log;
  data->m_table_index = 1;
  play.OnInit_Process();
  ASSERT_EQ(SentCount(VX_PROTOCOL_TABLE_INFO), 1);
  EXPECT_EQ(SentInt(Sent().back(), 0), 0) << "mode 0: the whole table";
  EXPECT_TRUE(log.Has("GameModePlay::OnInit_Process ..."));
  EXPECT_EQ(play.layout, 1);
  EXPECT_EQ(play.btn_start.GetFrameRect().left, 266) << "the waiting buttons follow the layout";
  EXPECT_EQ(play.btn_exit.GetFrameRect().left, 786);
  EXPECT_TRUE(play.btn_change.m_hidden);
  EXPECT_EQ(play.table_ready, 0);
}

TEST_F(PlayFlowTest, ATournamentTableThatIsNotClosedYetIsReadyAtOnceAndRequestsNothing) {
  LogCapture log;
  VXType_tournament_info t;
  t.SetTournamentId(7);
  t.SetStatus(5);
  play.Enter_Tournament_Table(VXType_room_info(), t, VXType_tournament_progress());
  play.OnInit_Process();
  EXPECT_EQ(SentCount(VX_PROTOCOL_TABLE_INFO), 0);
  EXPECT_EQ(play.table_ready, 1);
  EXPECT_TRUE(play.btn_start.m_hidden);
  EXPECT_TRUE(play.btn_ready.m_hidden);
  EXPECT_TRUE(log.Has("GameModePlay::Show_Scene ... 22"));
}

// Until the first table information only 199, 202, 205, 206 and 217 are acted on.
TEST_F(PlayFlowTest, EventsBeforeTheFirstTableInformationAreDropped) {
  Feed(Turn(Status(2, 0, 0), 0));
  Feed(Ready(0));
  VXMsg_table_chat chat;
  chat.seat = 1;
  std::strcpy(chat.text, "hello");
  Packet p;
  Build_Packet(chat, p);
  Feed(p);
  EXPECT_EQ(play.turn.TurnSeat(), -1) << "a 215 that came first changes nothing";
  EXPECT_EQ(play.chat_text[1][0], 0);
  EXPECT_EQ(play.table_ready, 0);

  SeatTable(0, 0, {{1, 0}});
  EXPECT_EQ(play.table_ready, 1);
  Feed(p);
  EXPECT_STREQ(play.chat_text[1], "hello");
  EXPECT_EQ(play.chat_time[1], g_fake_now);
}

TEST_F(PlayFlowTest, TableInformationInModeZeroRemovesPlayersNoLongerListedAndFindsTheOwnSeat) {
  SeatTable(2, 2, {{0, 1}, {1, 0}, {3, 1}});
  EXPECT_EQ(play.my_seat, 2);
  for (int s = 0; s < 4; ++s) EXPECT_NE(play.players[s], nullptr) << s;
  std::strcpy(play.chat_text[1], "left");
  play.chat_time[1] = 5;

  std::vector<SeatSpec> seats;
  seats.push_back({3, MakePlayer("bot3", 3, 1, {})});
  seats.push_back({2, MakePlayer(kOwnId, 2, 0, {})});
  Feed(TableInfo(0, Status(1, 2, -1), std::move(seats)));
  EXPECT_EQ(play.players[0], nullptr);
  EXPECT_EQ(play.players[1], nullptr);
  ASSERT_NE(play.players[3], nullptr);
  EXPECT_EQ(play.my_seat, 2);
  EXPECT_EQ(play.chat_text[1][0], 0) << "an emptied seat loses its chat line";
  EXPECT_EQ(play.chat_time[1], 0u);
}

TEST_F(PlayFlowTest, LaterTableInformationUpdatesExistingSeatsOnly) {
  StartRound({5, 6, 7});
  play.players[1]->seat.SetPoints(77);
  // Mode 2: the cards of seat 1, its seat state untouched; seat 2 was emptied meanwhile
  // on the server but mode 2 does not create or delete seats.
  std::vector<SeatSpec> seats;
  seats.push_back({1, MakePlayer("ignored", 1, 0, {20, 21})});
  Feed(TableInfo(2, Status(2, 0, 0, 20, 9), std::move(seats), {30}));
  ASSERT_NE(play.players[1], nullptr);
  EXPECT_EQ(play.players[1]->hand.count, 2);
  EXPECT_EQ(play.players[1]->seat.Points(), 77) << "mode 2 carries cards only";
  EXPECT_EQ(play.players[1]->seat.Ready(), 2);
  EXPECT_STREQ(play.players[1]->AccountId(), "bot1");
  EXPECT_EQ(play.stock_used, 9);
  EXPECT_EQ(play.pile.count, 1);
  EXPECT_NE(play.players[2], nullptr);

  // Mode 1 naming an empty seat creates nobody.
  delete play.players[2];
  play.players[2] = nullptr;
  std::vector<SeatSpec> more;
  more.push_back({2, MakePlayer("new", 2, 0, {9})});
  Feed(TableInfo(1, Status(2, 0, 0), std::move(more)));
  EXPECT_EQ(play.players[2], nullptr);
}

// The start and ready buttons while waiting.
TEST_F(PlayFlowTest, StartButtonRules) {
  struct Case {
    std::vector<std::pair<int, int>> others;  // seat, ready flag
    bool enabled;
  } cases[] = {
      {{}, false},                        // a host alone cannot start
      {{{1, 0}}, false},                  // one seated player not ready
      {{{1, 1}, {3, 0}}, false},
      {{{1, 1}, {2, 1}, {3, 1}}, true},
      {{{2, 1}}, true},
  };
  for (const Case& c : cases) {
    SeatTable(0, 0, c.others);
    EXPECT_FALSE(play.btn_start.m_hidden);
    EXPECT_TRUE(play.btn_ready.m_hidden);
    EXPECT_EQ(play.btn_start.State() != GLButton::kDisabled, c.enabled) << c.others.size() << " others";
    EXPECT_NE(play.btn_exit.State(), GLButton::kDisabled);
    EXPECT_NE(play.btn_change_room.State(), GLButton::kDisabled);
  }
  // The last host table can start: the click asks the server.
  Sent().clear();
  play.OnEvent(&play.btn_start);
  ASSERT_EQ(SentCount(VX_PROTOCOL_GAME_READY), 1);
  EXPECT_EQ(SentInt(Sent().back(), 0), 0) << "0 starts the game";

  // A disabled start sends nothing.
  SeatTable(0, 0, {{1, 0}});
  Sent().clear();
  play.OnEvent(&play.btn_start);
  EXPECT_EQ(SentCount(VX_PROTOCOL_GAME_READY), 0);
}

TEST_F(PlayFlowTest, AGuestGetsReadyOnceAndTheHostsCountdownRestarts) {
  SeatTable(1, 0, {{0, 0}});
  EXPECT_TRUE(play.btn_start.m_hidden);
  EXPECT_FALSE(play.btn_ready.m_hidden);
  EXPECT_NE(play.btn_ready.State(), GLButton::kDisabled);
  play.OnEvent(&play.btn_ready);
  ASSERT_EQ(SentCount(VX_PROTOCOL_GAME_READY), 1);
  EXPECT_EQ(SentInt(Sent().back(), 0), 1);

  g_fake_now += 4000;
  Feed(Ready(1));
  EXPECT_EQ(play.players[1]->seat.Ready(), 1);
  EXPECT_EQ(play.btn_ready.State(), GLButton::kDisabled) << "ready once";
  EXPECT_EQ(play.players[0]->seat.TurnStart(), g_fake_now) << "the host's 15 s start time begins again";
}

TEST_F(PlayFlowTest, TurnWarningRunsOnlyInTheLastSecondsOfTheOwnTurn) {
  struct Case {
    int limit_s;
    uint32_t used_ms;
    int64_t remaining;
    int started;
  } cases[] = {
      {20, 11000, 9000, 1},   // 9 s left: the warning runs
      {20, 9000, 11000, 0},   // 11 s left: not yet
      {20, 25000, 0, 0},      // nothing left
      {0, 0, 0, 0},           // no limit: nothing to count down, nothing divided
      {10, 500, 9500, 1},
  };
  for (const Case& c : cases) {
    StartRound({5, 6});
    Feed(Turn(Status(2, 0, 0, c.limit_s), 0, c.used_ms));
    EXPECT_EQ(play.Own_Turn_Remaining(g_fake_now), c.remaining) << c.limit_s << "/" << c.used_ms;
    EXPECT_EQ(play.Update_Turn_Warning(g_fake_now), c.started) << c.limit_s << "/" << c.used_ms;
  }
  // Another seat's turn: nothing starts however little time it has.
  StartRound({5, 6});
  Feed(Turn(Status(2, 0, 2, 20), 2, 15000));
  EXPECT_EQ(play.Own_Turn_Remaining(g_fake_now), 0);
  EXPECT_EQ(play.Update_Turn_Warning(g_fake_now), 0);
}

TEST_F(PlayFlowTest, GameStartTakesTheMissionCardFromThePileAndClearsTheLastWinnersMarks) {
  SeatTable(0, 0, {{1, 1}});
  play.seat_fx[1].advance = 1;
  play.last_throw.active = 1;
  play.last_throw.card = 7;
  StartRound({5, 6, 7}, 0, {44, 30, 31});
  EXPECT_EQ(play.mission_card, 44);
  ASSERT_EQ(play.pile.count, 2);
  EXPECT_EQ(play.pile.cards[0]->code, 30);
  EXPECT_EQ(play.my_seat, 0);
  EXPECT_EQ(play.room.TableState(), 2);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(play.seat_fx[s].advance, 0) << s;
  EXPECT_EQ(play.last_throw.active, 0);
  EXPECT_EQ(play.last_throw.card, 13);
  EXPECT_EQ(play.last_throw.thrower, -1);
  EXPECT_EQ(play.panel_state[0], 1) << "the action panel opens";
  EXPECT_EQ(Played("./snd/snd_game_start.mp3"), 1);
  EXPECT_EQ(Played("./snd/snd_shuffle_card.mp3"), 1);
}

TEST_F(PlayFlowTest, OwnTurnStartSoundsAndOffersTheCardChangeOnlyWhenItMay) {
  StartRound({5, 6, 7}, 1);
  int32_t one = 1;
  std::memcpy(play.players[0]->profile + 228, &one, 4);
  play.panel_state[1] = 1;
  Feed(Turn(Status(2, 0, 0), 0));
  EXPECT_EQ(Played("./snd/snd_myturn.mp3"), 1);
  EXPECT_EQ(play.panel_state[1], 2) << "the result panel closes";
  EXPECT_FALSE(play.btn_change.m_hidden);

  Feed(Turn(Status(2, 0, 1), 1));
  EXPECT_EQ(Played("./snd/snd_nextplayer.mp3"), 1);
  EXPECT_TRUE(play.btn_change.m_hidden) << "not the own turn";

  int32_t none = 0;
  std::memcpy(play.players[0]->profile + 228, &none, 4);
  Feed(Turn(Status(2, 0, 0), 0));
  EXPECT_TRUE(play.btn_change.m_hidden) << "no card-change item";
}

// The own turn tells the notification layer (it clears its banner off the table), and
// an Escape pressed as the turn arrives does not ask to leave the table.
TEST_F(PlayFlowTest, OwnTurnTellsTheNoticesAndHoldsBackEscapeBriefly) {
  StartRound({5, 6, 7}, 1);
  play.Close_Panel(0);
  Feed(Turn(Status(2, 0, 1), 1));
  EXPECT_EQ(notices.own_turns, 0) << "another seat's turn";
  Feed(Turn(Status(2, 0, 0), 0));
  EXPECT_EQ(notices.own_turns, 1);
  g_fake_now += 100;
  play.Close();
  EXPECT_TRUE(notices.confirms.empty()) << "Escape 100 ms into the own turn";
  g_fake_now += 200;
  play.Close();
  EXPECT_EQ(notices.confirms.size(), 1u) << "Escape 300 ms into the own turn asks to leave";
}

TEST_F(PlayFlowTest, TheOwnTurnAsTheKnockSeatStartsTheForcedKnock) {
  StartRound({5, 6, 7}, 1);
  play.Close_Panel(0);
  VXType_table_status other = Status(2, 0, 1);
  other.turn.SetAutoStageSeat(0);
  Feed(Turn(other, 1));
  EXPECT_EQ(play.sequencer.active, 0) << "another seat's turn";
  VXType_table_status own = Status(2, 0, 0);
  own.turn.SetAutoStageSeat(0);
  Feed(Turn(own, 0));
  EXPECT_EQ(play.sequencer.active, 1);
  EXPECT_EQ(play.sequencer.variant, 1);
  EXPECT_EQ(play.panel_state[0], 1);
}

TEST_F(PlayFlowTest, ResultRankingAndCloseWalkThePanels) {
  StartRound({5, 6}, 0);
  // Seat 2 laid a run that seat 0's meld list holds too: the result shows each
  // player's own laid cards.
  play.players[2]->meld_count = 0;
  GameVXCardDeck* m = play.players[2]->Add_Meld(2);
  for (int code : {13, 14, 15}) {
    auto* c = new VXType_card();
    c->code = code;
    c->owner_seat = 2;
    m->Add_Card(c);
  }
  VXMsg_game_result r;
  r.winner_seat = 2;
  r.settlement[2] = 500;
  r.settlement[0] = -200;
  r.plus_points[2] = 30;
  r.minus_points[0] = 12;
  r.kept[2] = 45;
  r.row_count = 4;
  r.rows = {{{1, 2, 3}, {2, 0, 0}, {3, 1, 0}, {4, 3, 0}}};
  Packet p;
  Build_Packet(r, p);
  Feed(p);
  EXPECT_EQ(play.room.TableState(), 3);
  EXPECT_EQ(play.panel_state[1], 1);
  EXPECT_EQ(play.panel_state[0], 2) << "the action panel closes";
  EXPECT_EQ(play.players[2]->seat.Settlement(), 500);
  EXPECT_EQ(play.players[0]->seat.Settlement(), -200);
  EXPECT_EQ(play.players[2]->seat.PlusPoints(), 30);
  EXPECT_EQ(play.players[0]->seat.MinusPoints(), 12);
  EXPECT_EQ(play.result_total[2], 45);
  EXPECT_EQ(play.players[2]->status, 3);
  EXPECT_EQ(play.result_order[0], 2);
  EXPECT_EQ(play.result_rank[1], 2);
  EXPECT_EQ(play.seat_fx[2].advance, 1) << "the winner's mark";
  ASSERT_EQ(play.players[2]->pickup.count, 3);
  EXPECT_NE(play.players[2]->pickup.cards[0], m->cards[0]) << "copies, owned by the pick-up list";
  EXPECT_EQ(play.players[0]->pickup.count, 0);

  Feed(Words(VX_PROTOCOL_GAME_RANKING, {0}));
  EXPECT_EQ(play.room.TableState(), 4);
  EXPECT_EQ(play.panel_state[1], 2);
  EXPECT_EQ(play.panel_state[2], 1);
  g_fake_now += 249;
  play.Update();
  EXPECT_EQ(play.panel_state[1], 2) << "still closing at 249 ms";
  g_fake_now += 1;
  play.Update();
  EXPECT_EQ(play.panel_state[1], 0);
  EXPECT_EQ(play.panel_state[0], 0);
  Feed(Words(VX_PROTOCOL_GAME_RESULT_CLOSE, {0}));
  EXPECT_EQ(play.panel_state[2], 2);

  // The next round frees the copies with the players (the leak check sees it).
  StartRound({8, 9});
  EXPECT_EQ(play.players[2]->pickup.count, 0);
}

TEST_F(PlayFlowTest, EscapeNeverClosesTheActionPanelAndClosesAResultPanelFirst) {
  StartRound({5});
  play.Close();
  EXPECT_EQ(play.panel_state[0], 1);
  play.panel_state[0] = 0;
  play.panel_state[1] = 1;
  play.Close();
  EXPECT_EQ(play.panel_state[1], 2);
}

TEST_F(PlayFlowTest, CardChangeReplacesTheCardsInPlace) {
  StartRound({5, 6, 7});
  VXType_card* kept_pointer = play.players[0]->hand.cards[1];
  play.drag_card = kept_pointer;
  VXMsg_card_change_event ev;
  ev.ok = 1;
  for (int code : {5, 33, 7}) {
    auto* c = new VXType_card();
    c->code = code;
    ev.cards.Add_Card(c);
  }
  ev.items[0] = 9;
  Packet p;
  Build_Packet(ev, p);
  Feed(p);
  EXPECT_EQ(play.drag_card, nullptr);
  ASSERT_EQ(play.players[0]->hand.count, 3);
  EXPECT_EQ(play.players[0]->hand.cards[1], kept_pointer) << "the record stays, its card changes";
  EXPECT_EQ(kept_pointer->code, 33);
  EXPECT_EQ(kept_pointer->changed, 1);
  EXPECT_EQ(kept_pointer->selected, 1);
  EXPECT_EQ(play.players[0]->hand.cards[0]->changed, 0);
  EXPECT_EQ(data->m_user_info[224], 9) << "the item block is stored";
  EXPECT_EQ(Played("./snd/snd_card_table.mp3"), 1);
}

TEST_F(PlayFlowTest, ExitSendsTheLeaveAndItsAnswerReturnsToTheLobby) {
  SeatTable(0, 0, {{1, 0}});
  play.OnEvent(&play.btn_exit);
  ASSERT_EQ(SentCount(VX_PROTOCOL_ROOM_LEAVE), 1);

  VXMsg_room_leave_event refused;
  Packet p0;
  Build_Packet(refused, p0);
  Feed(p0);
  EXPECT_EQ(logic->NextMode(), nullptr) << "ok 0 is ignored";

  sessions[1]->enter_time = g_fake_now - 61000;
  VXMsg_room_leave_event ev;
  ev.ok = 1;
  ev.kicked = 1;
  std::strcpy(reinterpret_cast<char*>(ev.user_info), kOwnId);
  ev.user_info[148] = 77;
  Packet p;
  Build_Packet(ev, p);
  Feed(p);
  EXPECT_EQ(logic->NextMode(), &lobby);
  EXPECT_EQ(Played("./snd/snd_room_out.mp3"), 1);
  EXPECT_EQ(data->m_user_info[148], 77);
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].text, LangMessage(218));
  EXPECT_EQ(SentCount(VX_PROTOCOL_ACCOUNT_REFRESH), 1) << "more than a minute on the game server";

  // Leaving the mode frees the table.
  logic->ChangeMode(&lobby, 0, -1);
  EXPECT_EQ(play.players[0], nullptr);
  EXPECT_EQ(play.my_seat, -1);
}

TEST_F(PlayFlowTest, WithoutAConnectionLeavingGoesBackToTheMasterServer) {
  SeatTable(0, 0, {});
  for (FakeSession* s : sessions) s->connected = s->logged_in = false;
  play.OnEvent(&play.btn_exit);
  EXPECT_EQ(SentCount(VX_PROTOCOL_ROOM_LEAVE), 0);
  ASSERT_EQ(workers.jobs.size(), 1u) << "the return to the master runs on a worker";
  EXPECT_EQ(logic->m_enter_block.Kind(), 0);
  EXPECT_EQ(logic->NextMode(), nullptr);

  // Without the flag the caller's own thread runs the return: master connected, login sent.
  workers.jobs.clear();
  play.Return_To_Lobby(0);
  EXPECT_TRUE(workers.jobs.empty());
  EXPECT_TRUE(sessions[0]->connected);
  ASSERT_FALSE(sessions[0]->sent.empty());
  EXPECT_EQ(sessions[0]->sent.back().id, VX_PROTOCOL_LOGIN);
}

TEST_F(PlayFlowTest, ClosingTheWindowAtATableLeavesTheRoomFirst) {
  SeatTable(0, 0, {});
  EXPECT_EQ(play.CanClose(0, 0), 0);
  EXPECT_EQ(SentCount(VX_PROTOCOL_ROOM_LEAVE), 1);
  OnGameServer(0);
  EXPECT_EQ(play.CanClose(0, 0), 1) << "on the master there is no room to leave";
}

TEST_F(PlayFlowTest, ALostConnectionLogsOut) {
  SeatTable(0, 0, {});
  play.Update();
  EXPECT_EQ(logic->NextMode(), nullptr);
  sessions[1]->connected = false;
  play.Update();
  EXPECT_EQ(logic->NextMode(), &login);
}

TEST_F(PlayFlowTest, ResetKeepsWhatItsFlagsDoNotName) {
  SeatTable(1, 1, {{0, 1}});
  play.stock_used = 5;
  play.mission_card = 3;
  play.Reset(1);
  EXPECT_EQ(play.my_seat, -1);
  EXPECT_EQ(play.room.TableState(), 0);
  EXPECT_NE(play.players[0], nullptr) << "bit 0 keeps the seats";
  EXPECT_EQ(play.table_ready, 1);
  EXPECT_EQ(play.stock_used, 0);
  EXPECT_EQ(play.mission_card, -1);
  EXPECT_EQ(play.turn.HostSeat(), -1);

  SeatTable(1, 1, {{0, 1}});
  play.Reset(2);
  EXPECT_EQ(play.my_seat, 1) << "bit 1 keeps the own seat";
  EXPECT_EQ(play.players[0], nullptr);
  EXPECT_EQ(play.table_ready, 0);
}

// After a throw that makes a special card usable, the special card wins over the
// mission card; with the special card already on the table the mission card warns.
TEST_F(PlayFlowTest, SpecialCardWarningPrefersTheSpecialCard) {
  StartRound({5, 6}, 0, {60 % 52});
  play.pile.Clear(true);
  for (int code : {47, 48}) {  // 48 was just thrown
    auto* c = new VXType_card();
    c->code = code;
    play.pile.Add_Card(c);
  }
  play.mission_card = 46;
  EXPECT_EQ(play.Special_Warning_Kind(48), 0);
  // Card 49 laid in a meld: only the mission card is left to warn about.
  GameVXCardDeck* m = play.players[1]->Add_Meld(3);
  for (int code : {10, 23, 49}) {
    auto* c = new VXType_card();
    c->code = code;
    m->Add_Card(c);
  }
  EXPECT_EQ(play.Special_Warning_Kind(48), 1);
  play.mission_card = -1;
  EXPECT_EQ(play.Special_Warning_Kind(48), -1);
  EXPECT_EQ(play.Special_Warning_Kind(-3), -1);
}

TEST_F(PlayFlowTest, ThrowEndsTheTurnAndClosesTheActionPanel) {
  StartRound({5, 6, 7}, 0);
  VXMsg_player_action_event ev;
  ev.action = VX_ACTION_THROW;
  ev.ok = 1;
  ev.seat = 0;
  ev.card.code = 6;
  ev.event = -1;
  Packet p;
  Build_Packet(ev, p);
  Feed(p);
  EXPECT_EQ(play.turn.TurnSeat(), -1);
  EXPECT_EQ(play.panel_state[0], 2);
  // A refused move changes nothing.
  StartRound({5, 6, 7}, 0);
  VXMsg_player_action_event refused;
  refused.action = VX_ACTION_THROW;
  refused.ok = 0;
  Packet q;
  Build_Packet(refused, q);
  Feed(q);
  EXPECT_EQ(play.turn.TurnSeat(), 0);
  EXPECT_EQ(play.panel_state[0], 1);
}

TEST_F(PlayFlowTest, TournamentRecordsAreTakenOnlyForTheHeldTournament) {
  VXType_tournament_info t;
  t.SetTournamentId(4);
  play.tournament = t;
  play.table_ready = 1;
  VXMsg_tournament_table other;
  other.info.SetTournamentId(5);
  other.info.SetKind(9);
  Packet p;
  Build_Packet(other, p);
  Feed(p);
  EXPECT_EQ(play.tournament.Kind(), 0);
  VXMsg_tournament_table same;
  same.info.SetTournamentId(4);
  same.info.SetKind(2);
  Packet q;
  Build_Packet(same, q);
  Feed(q);
  EXPECT_EQ(play.tournament.Kind(), 2);
}
