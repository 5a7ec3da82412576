// The table events from the server. Every seat, rank and index that arrives on the
// wire is checked before it indexes anything; an event that names an empty seat
// changes nothing of that seat.
#include <cstring>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "app/VXSceneIds.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "modes/play/GameModePlay.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableMessages.h"
#include "net/messages/VXType_user_info.h"

namespace {

constexpr int kMsgTitle = 0;
constexpr int kMsgReported = 174;
constexpr int kMsgKicked = 218;
constexpr int kEmoticons = 6;
constexpr int kAttackItems = 12;
constexpr size_t kCardChangeItemOffset = 228;  // the card-change items in the profile
constexpr int32_t kSpecialCards[2] = {0, 49};

bool ValidSeat(int32_t seat) { return seat >= 0 && seat < GameModePlay::kSeats; }

// Whether the seated profile is the own account's (its leading text, the user id).
bool IsOwnAccount(const GameVXPlayer& p) {
  const char* own = GameSharedData::Instance()->AccountId();
  const size_t n = strnlen(own, 30);
  if (n == 0) return false;
  return std::strncmp(p.AccountId(), own, 30) == 0;
}

const char* ActionName(int32_t action) {
  switch (action) {
    case VX_ACTION_DRAW: return "draw";
    case VX_ACTION_DOWN: return "down";
    case VX_ACTION_ATTACH: return "attach";
    case VX_ACTION_THROW: return "throw";
    case VX_ACTION_END: return "end";
    default: return "?";
  }
}

// "c1 c2 ..." of a deck's codes, for the trace lines the tests follow.
void CodesText(const GameVXCardDeck& deck, char* out, size_t size) {
  size_t used = 0;
  out[0] = 0;
  for (int i = 0; i < deck.count && i < GameVXCardDeck::kCapacity; ++i) {
    const VXType_card* c = deck.cards[i];
    if (!c) continue;
    const int n = std::snprintf(out + used, size - used, used ? " %d" : "%d", c->code);
    if (n < 0 || static_cast<size_t>(n) >= size - used) break;
    used += static_cast<size_t>(n);
  }
}

}  // namespace

int GameModePlay::OnPacket(Packet* packet) {
  if (!packet) return 1;
  if (!Table_Accepts_Packet(packet->id, table_ready != 0)) {
    if (packet->id >= VX_PROTOCOL_TOURNAMENT_TABLE && packet->id <= VX_PROTOCOL_TOURNAMENT_END)
      Log(LOG_TRACE, "GameModePlay::OnPacket| %d dropped: the table is not known yet", packet->id);
    return 1;
  }
  packet->read_pos = 0;
  switch (packet->id) {
    case VX_PROTOCOL_TOURNAMENT_TABLE: On_Tournament_Table(*packet); break;
    case VX_PROTOCOL_ROOM_LEAVE: On_Room_Leave(*packet); break;
    case VX_PROTOCOL_TABLE_INFO: On_Table_Info(*packet); break;
    case VX_PROTOCOL_TABLE_PLAYER: On_Table_Player(*packet); break;
    case VX_PROTOCOL_TABLE_CHAT: On_Table_Chat(*packet); break;
    case VX_PROTOCOL_TABLE_EMOTICON: On_Table_Emoticon(*packet); break;
    case VX_PROTOCOL_TABLE_ITEM_ATTACK: On_Item_Attack(*packet); break;
    case VX_PROTOCOL_TABLE_REPORT: On_Table_Report(*packet); break;
    case VX_PROTOCOL_TABLE_ITEMS: On_Table_Items(*packet); break;
    case VX_PROTOCOL_CARD_CHANGE: On_Card_Change(*packet); break;
    case VX_PROTOCOL_GAME_READY: On_Game_Ready(*packet); break;
    case VX_PROTOCOL_GAME_TURN: On_Game_Turn(*packet); break;
    case VX_PROTOCOL_GAME_PLAYER_ACTION: On_Player_Action(*packet); break;
    case VX_PROTOCOL_GAME_START: On_Game_Start(*packet); break;
    case VX_PROTOCOL_GAME_RESULT: On_Game_Result(*packet); break;
    case VX_PROTOCOL_GAME_RANKING: On_Game_Ranking(); break;
    case VX_PROTOCOL_GAME_RESULT_CLOSE: On_Result_Close(); break;
    case VX_PROTOCOL_TOURNAMENT_END: On_Tournament_End(); break;
    default: break;  // 202 passes the filter and means nothing here; 204 is awaited by its sender
  }
  return 1;
}

// ---------------------------------------------------------------- seats

GameVXPlayer* GameModePlay::Take_Player(int seat, int32_t mode, const GameVXPlayer& src) {
  if (!ValidSeat(seat)) return nullptr;
  GameVXPlayer* p = players[seat];
  if (mode != 0 && !p) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| seat %d has no player for a mode %d update", seat, mode);
    return nullptr;
  }
  // An occupied seat's cards are replaced: nothing may keep pointing at the old ones.
  if (p) Ani_Stop_All();
  drag_card = nullptr;
  selection.Clear(false);
  if (!p) {
    p = new GameVXPlayer();
    players[seat] = p;
  }
  const VXType_seat_state keep_seat = p->seat;
  const int32_t keep_status = p->status;
  p->Clear_Cards();
  if (mode == 0) std::memcpy(p->profile, src.profile, sizeof(p->profile));
  p->Copy_From(&src, true);
  if (mode >= 2) {
    p->seat = keep_seat;
    p->status = keep_status;
  }
  if (mode == 0) seat_fx[seat].frame_time = GetTickMs();
  if (IsOwnAccount(*p)) my_seat = seat;
  return p;
}

void GameModePlay::On_Table_Info(Packet& packet) {
  VXMsg_table_info msg;
  if (!msg.Read(packet)) Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 206 incomplete: applying what arrived");
  if (msg.mode < 0) return;
  // Everything below replaces cards the animations and the drag may point at.
  Ani_Stop_All();
  drag_card = nullptr;
  selection.Clear(false);
  if (msg.mode <= 1) {
    room = msg.status.room;
    turn_start = msg.status.turn_start;
    stock_used = msg.status.stock_taken;
    turn = msg.status.turn;
  } else {
    stock_used = msg.status.stock_taken;
  }
  pile.Clear(true);
  pile.Copy_From(&msg.pile, true);
  if (msg.mode == 0) {
    sequencer.Reset();
    sequencer.Clear_Tasks();
    Delete_Players();
  }
  GameLogic* logic = Logic();
  for (int i = 0; i < msg.entry_count && i < VXMsg_table_info::kMaxEntries; ++i) {
    const VXTableSeatEntry& e = msg.entries[static_cast<size_t>(i)];
    if (!e.player) continue;
    GameVXPlayer* p = Take_Player(e.seat, msg.mode, *e.player);
    if (p && msg.mode == 0 && e.seat == my_seat && logic && logic->CurrentMode() == this)
      std::memcpy(GameSharedData::Instance()->m_user_info, p->profile, kUserInfoSize);
  }
  for (int s = 0; s < kSeats; ++s)
    if (!players[s]) Clear_Seat_Extras(s);
  if (!MyPlayer() && msg.mode == 0) my_seat = -1;
  if (room.TableState() == 2 && turn.Mission() < 1) Ani_Gold_Coins(true);
  Mark_Usable();
  Update_Start_Buttons();
  table_ready = 1;
  int seated = 0;
  for (GameVXPlayer* p : players) seated += p ? 1 : 0;
  // The own hand as it arrived: after entering mid-round it is the live round's.
  char hand[GameVXCardDeck::kCapacity * 4 + 1] = {};
  if (const GameVXPlayer* me = MyPlayer()) CodesText(me->hand, hand, sizeof(hand));
  Log(LOG_TRACE,
      "GameModePlay::OnPacket| 206 table info mode %d: %d seated, own seat %d, host %d, state %d, "
      "turn of seat %d, stock %d, hand %s",
      msg.mode, seated, my_seat, turn.HostSeat(), room.TableState(), turn.TurnSeat(), 52 - stock_used, hand);
}

void GameModePlay::On_Table_Player(Packet& packet) {
  VXMsg_table_player msg;
  if (!msg.Read(packet)) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 207 incomplete: dropped");
    return;
  }
  if (!ValidSeat(msg.seat)) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 207 for seat %d dropped", msg.seat);
    return;
  }
  GameVXPlayer* p = Take_Player(msg.seat, msg.mode, msg.player);
  if (!p) return;
  Mark_Usable();
  Update_Start_Buttons();
  Log(LOG_TRACE, "GameModePlay::OnPacket| 207 player mode %d on seat %d (own seat %d)", msg.mode, msg.seat, my_seat);
}

// ---------------------------------------------------------------- table-side services

void GameModePlay::On_Tournament_Table(Packet& packet) {
  VXMsg_tournament_table msg;
  if (!msg.Read(packet)) return;
  if (msg.info.TournamentId() < 1 || msg.info.TournamentId() != tournament.TournamentId()) return;
  tournament = msg.info;
  progress = msg.progress;
  if (room.TableState() != 5 && tournament.Kind() >= 2 && tournament.Status() >= 6) Hide_Tournament_Scene();
  GameMode* scene = GameSceneLayer::Scene(kScenePlayTournament);
  if (scene && scene->IsShow()) scene->OnHook(0);
}

void GameModePlay::On_Room_Leave(Packet& packet) {
  VXMsg_room_leave_event msg;
  msg.Read(packet);
  if (!msg.ok) return;
  GameSharedData* d = GameSharedData::Instance();
  std::memcpy(d->m_user_info, msg.user_info, kUserInfoSize);
  if (GameVXPlayer* me = MyPlayer()) std::memcpy(me->profile, msg.user_info, kUserInfoSize);
  Play_Sound("./snd/snd_room_out.mp3");
  Log(LOG_TRACE, "GameModePlay::OnPacket| 205 room left%s", msg.kicked ? " (put out)" : "");
  GameLogic* logic = Logic();
  if (msg.kicked && logic) logic->Hooks().notices->PushBox(LangMessage(kMsgTitle), 0, LangMessage(kMsgKicked), 1, 0);
  Return_To_Lobby(1);
}

void GameModePlay::On_Table_Chat(Packet& packet) {
  VXMsg_table_chat msg;
  msg.Read(packet);
  if (!ValidSeat(msg.seat) || msg.text[0] == 0) return;
  std::memcpy(chat_text[msg.seat], msg.text, sizeof(chat_text[msg.seat]));
  chat_text[msg.seat][sizeof(chat_text[msg.seat]) - 1] = 0;
  chat_time[msg.seat] = GetTickMs();
}

void GameModePlay::On_Table_Emoticon(Packet& packet) {
  VXMsg_table_emoticon msg;
  if (!msg.Read(packet)) return;
  if (!ValidSeat(msg.seat) || msg.emoticon < 0 || msg.emoticon >= kEmoticons || msg.variant < 0 ||
      msg.variant > 0xFFFF) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 209 seat %d emoticon %d variant %d dropped", msg.seat,
        msg.emoticon, msg.variant);
    return;
  }
  Ani_Emoticon(msg.seat, msg.emoticon, msg.variant);
}

void GameModePlay::On_Item_Attack(Packet& packet) {
  VXMsg_table_item_attack msg;
  if (!msg.Read(packet)) return;
  GameVXPlayer* attacker = Player(msg.seat);
  if (!attacker || msg.item < 0 || msg.item >= kAttackItems) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 210 seat %d item %d dropped", msg.seat, msg.item);
    return;
  }
  attacker->SetChips(msg.chips);
  if (msg.seat == my_seat) GameSharedData::Instance()->SetUser64(kUserChips, msg.chips);
  if (msg.to_all) {
    Ani_Attack(msg.seat, -1, msg.item);  // every seated player but the own seat
  } else if (Player(msg.target_seat)) {
    Ani_Attack(msg.seat, msg.target_seat, msg.item);
  }
}

void GameModePlay::On_Table_Report(Packet& packet) {
  VXMsg_table_report msg;
  msg.Read(packet);
  if (!msg.ok) return;
  GameSharedData* d = GameSharedData::Instance();
  std::memcpy(d->m_user_info, msg.user_info, kUserInfoSize);
  char name[31];
  std::memcpy(name, msg.name, 30);
  name[30] = 0;
  d->AddReport(name, 0, true);
  if (GameLogic* logic = Logic()) logic->Hooks().notices->PushBox(LangMessage(kMsgTitle), 0, LangMessage(kMsgReported), 0, 1000);
}

void GameModePlay::On_Table_Items(Packet& packet) {
  VXMsg_table_items msg;
  if (!msg.Read(packet) || !msg.ok) return;
  std::memcpy(GameSharedData::Instance()->m_user_info + kUserInventory, msg.items, sizeof(msg.items));
  if (GameVXPlayer* me = MyPlayer())
    std::memcpy(me->profile + GameVXPlayer::kProfileItemsOffset, msg.items, sizeof(msg.items));
}

void GameModePlay::On_Card_Change(Packet& packet) {
  VXMsg_card_change_event msg;
  if (!msg.Read(packet) || !msg.ok) return;
  std::memcpy(GameSharedData::Instance()->m_user_info + kUserInventory, msg.items, sizeof(msg.items));
  GameVXPlayer* me = MyPlayer();
  if (me) {
    std::memcpy(me->profile + GameVXPlayer::kProfileItemsOffset, msg.items, sizeof(msg.items));
    drag_card = nullptr;
    // The cards that left are overwritten in place by the ones that came, so every
    // pointer to a hand card stays valid.
    const VXType_card* incoming[GameVXCardDeck::kCapacity] = {};
    int n_in = 0;
    for (int i = 0; i < msg.cards.count && i < GameVXCardDeck::kCapacity; ++i) {
      const VXType_card* c = msg.cards.cards[i];
      if (c && me->hand.Index_Of(c->code) < 0) incoming[n_in++] = c;
    }
    const uint32_t now = GetTickMs();
    int used = 0;
    for (int i = 0; i < me->hand.count && i < GameVXCardDeck::kCapacity && used < n_in; ++i) {
      VXType_card* h = me->hand.cards[i];
      if (!h || msg.cards.Index_Of(h->code) >= 0) continue;
      const VXType_card* c = incoming[used++];
      h->code = c->code;
      h->owner_seat = c->owner_seat;
      h->turn_mark = c->turn_mark;
      h->in_hand = 1;
      h->extra = c->extra;
      h->changed = 1;
      h->changed_time = now;
      h->selected = 1;
    }
    Mark_Usable();
    Log(LOG_TRACE, "GameModePlay::OnPacket| 213 card change: %d cards replaced", used);
  }
  Play_Sound("./snd/snd_card_table.mp3");
  btn_change.m_hidden = 1;
}

// ---------------------------------------------------------------- the round

void GameModePlay::On_Game_Ready(Packet& packet) {
  VXMsg_game_ready_event msg;
  msg.Read(packet);
  GameVXPlayer* p = Player(msg.seat);
  if (!p) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 214 for seat %d without a player", msg.seat);
    return;
  }
  p->seat.SetReady(1);
  if (GameVXPlayer* host = Player(turn.HostSeat())) host->seat.SetTurnStart(GetTickMs());
  Ani_Wait(1);
  Update_Start_Buttons();
  Log(LOG_TRACE, "GameModePlay::OnPacket| 214 seat %d ready", msg.seat);
}

void GameModePlay::On_Game_Turn(Packet& packet) {
  VXMsg_game_turn msg;
  if (!msg.Read(packet)) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 215 incomplete: dropped");
    return;
  }
  room = msg.status.room;
  turn_start = msg.status.turn_start;
  stock_used = msg.status.stock_taken;
  turn = msg.status.turn;
  const int32_t seat = turn.TurnSeat();
  GameVXPlayer* p = Player(seat);
  if (p) {
    Ani_Turn_Indicator();
    p->seat = msg.seat;  // its turn start is the local tick the turn began at
    p->status = msg.player_status;
    if (seat != my_seat) {
      Play_Sound("./snd/snd_nextplayer.mp3");
    } else {
      Play_Sound("./snd/snd_myturn.mp3");
      if (GameSharedData::Instance()->m_vibrator_on) Play_Sound("./snd/snd_myturn_vibrate.mp3");
      // An Escape pressed as the turn arrives was meant for what was on screen before
      // it: for a moment it does not ask to leave the table.
      m_mini_game_closed = GetTickMs();
      if (GameLogic* logic = Logic()) logic->Hooks().notices->OnOwnTurn();
      Close_Panel(1);
      Close_Panel(2);
      if (turn.AutoStageSeat() == my_seat) {
        Enter_Knock_Mode(1);
        Show_Panel(0);
      }
    }
  } else {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 215 turn of seat %d without a player", seat);
  }
  int32_t change_items = 0;
  if (p) std::memcpy(&change_items, p->profile + kCardChangeItemOffset, 4);
  const bool hide_change = !p || In_Tournament() || p->meld_count > 0 || seat != my_seat ||
                           p->seat.DrawnTurnId() >= 1 || change_items < 1;
  btn_change.m_hidden = hide_change ? 1 : 0;
  Update_Action_Buttons(false);
  Log(LOG_TRACE, "GameModePlay::OnPacket| 215 turn of seat %d (own seat %d), limit %d s, stock %d", seat, my_seat,
      room.TurnSeconds(), 52 - stock_used);
}

bool GameModePlay::In_Any_Meld(int32_t code) const {
  for (const GameVXPlayer* p : players) {
    if (!p) continue;
    for (int m = 0; m < p->meld_count && m < GameVXPlayer::kMaxMelds; ++m)
      if (p->melds[m] && p->melds[m]->Index_Of(code) >= 0) return true;
  }
  return false;
}

int GameModePlay::Special_Warning_Kind(int32_t thrown) const {
  if (!IsPackCode(thrown)) return -1;
  int32_t same_rank = 0;
  int32_t seen[13] = {};
  bool suit_on_table = false;
  for (const GameVXPlayer* p : players) {
    if (!p) continue;
    for (int m = 0; m < p->meld_count && m < GameVXPlayer::kMaxMelds; ++m) {
      const GameVXCardDeck* meld = p->melds[m];
      if (!meld) continue;
      for (int i = 0; i < meld->count && i < GameVXCardDeck::kCapacity; ++i) {
        const VXType_card* c = meld->cards[i];
        if (!c || !IsPackCode(c->code)) continue;
        if (c->Rank() == CardRank(thrown)) ++same_rank;
        if (c->Suit() == CardSuit(thrown)) suit_on_table = true;
      }
    }
  }
  if (suit_on_table) seen[CardRank(thrown)] = 1;
  for (int32_t special : kSpecialCards)
    if (!In_Any_Meld(special) && GameVXCardDeck::Feeds_Special(special, &pile, thrown, same_rank, seen)) return 0;
  if (IsPackCode(mission_card) && !In_Any_Meld(mission_card) &&
      GameVXCardDeck::Feeds_Special(mission_card, &pile, thrown, same_rank, seen))
    return 1;
  return -1;
}

void GameModePlay::On_Player_Action(Packet& packet) {
  VXMsg_player_action_event ev;
  const int whole = ev.Read(packet);
  // The per-action handler reads the event again from its start.
  packet.read_pos = 0;
  if (!ev.ok) {
    // Only the moves' side has something to do (its debug line, a dropped sequence).
    On_Move_Result(packet);
    return;
  }
  if (!whole) Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 216 action %d incomplete", ev.action);
  btn_change.m_hidden = 1;
  choice_buttons.HideAll();
  attach_target_count = 0;
  drag_card = nullptr;  // the hands change
  Log(LOG_TRACE, "GameModePlay::OnPacket| 216 %s by seat %d, card %d", ActionName(ev.action), ev.seat,
      ev.card.code);
  const bool end = ev.action == VX_ACTION_END;
  if (end) {
    Ani_Turn_Warning(false);
    sequencer.Clear_Tasks();
  }
  On_Move_Result(packet);
  drag_card = nullptr;
  if (ev.action == VX_ACTION_THROW || end) {
    sequencer.Reset();
    Update_Action_Buttons(true);
    Close_Panel(0);
    turn.SetTurnSeat(-1);
  }
  if (ev.action == VX_ACTION_THROW && ev.round_end == 0 && ev.event == -1) {
    const int kind = Special_Warning_Kind(ev.card.code);
    if (kind >= 0) {
      if (ev.seat == my_seat) Ani_Own_Throw_Warning(kind);
      const int at = pile.Index_Of(ev.card.code);
      if (at >= 0) Ani_Card_Sweat(pile.cards[at], 5);
    }
  }
  if (end) Ani_End();
}

void GameModePlay::On_Game_Start(Packet& packet) {
  Play_Sound("./snd/snd_game_start.mp3");
  Play_Sound("./snd/snd_shuffle_card.mp3");
  btn_change.m_hidden = 1;
  Hide_Tournament_Scene();
  Close_Panel(1);
  Close_Panel(2);
  sequencer.Reset();
  Show_Panel(0);
  Delete_Players();
  Ani_Gold_Coins(false);
  last_throw = LastThrow();
  // The crown and the character frames of the last round's winner end with it.
  for (SeatFx& fx : seat_fx) fx.advance = 0;
  for (int s = 0; s < kSeats; ++s) {
    result_order[s] = -1;
    result_rank[s] = -1;
  }
  attach_target_count = 0;
  choice_buttons.HideAll();
  dealing = 1;

  VXMsg_game_start msg;
  if (!msg.Read(packet)) Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 217 incomplete: applying what arrived");
  room = msg.status.room;
  turn_start = msg.status.turn_start;
  stock_used = msg.status.stock_taken;
  turn = msg.status.turn;
  pile.Clear(true);
  pile.Copy_From(&msg.pile, true);
  for (int i = 0; i < msg.entry_count && i < VXMsg_game_start::kMaxEntries; ++i) {
    const VXTableSeatEntry& e = msg.entries[static_cast<size_t>(i)];
    if (e.player) Take_Player(e.seat, 0, *e.player);
  }
  Mark_Usable();
  mission_card = -1;
  if (pile.count > 0 && pile.cards[0]) {
    VXType_card* first = pile.cards[0];
    mission_card = first->code;
    pile.Remove_At(0);
    delete first;
  }
  Ani_Mission_Card();
  Ani_Deal();
  char hand[GameVXCardDeck::kCapacity * 4 + 1] = {};
  if (const GameVXPlayer* me = MyPlayer()) CodesText(me->hand, hand, sizeof(hand));
  Log(LOG_TRACE, "GameModePlay::OnPacket| 217 game start: own seat %d, host %d, mission card %d, stock %d, hand %s",
      my_seat, turn.HostSeat(), mission_card, 52 - stock_used, hand);
}

void GameModePlay::On_Game_Result(Packet& packet) {
  sequencer.Reset();
  Update_Action_Buttons(true);
  Close_Panel(0);
  Ani_Gold_Coins(false);
  drag_card = nullptr;
  VXMsg_game_result msg;
  if (!msg.Read(packet)) Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 218 incomplete: applying what arrived");
  std::memcpy(result_header, msg.header, sizeof(result_header));
  for (int s = 0; s < kSeats; ++s) {
    result_order[s] = -1;
    result_rank[s] = -1;
  }
  for (int i = 0; i < msg.row_count && i < kSeats; ++i) {
    const VXMsg_game_result::Row& r = msg.rows[static_cast<size_t>(i)];
    if (!ValidSeat(r.seat) || result_rank[r.seat] >= 0) {
      Log(LOG_WARNING, "[WARNING]: GameModePlay::OnPacket| 218 row %d for seat %d dropped", i, r.seat);
      continue;
    }
    result_order[i] = r.seat;
    result_rank[r.seat] = i;
    if (GameVXPlayer* p = players[r.seat]) p->status = r.streak;
  }
  for (int s = 0; s < kSeats; ++s) {
    GameVXPlayer* p = players[s];
    if (!p || p->seat.Ready() < 2) continue;
    p->seat.SetSettlement(msg.settlement[s]);
    p->seat.SetPlusPoints(msg.plus_points[s]);
    p->seat.SetMinusPoints(msg.minus_points[s]);
    result_total[s] = msg.kept[s];
    // The result shows the cards each player laid, wherever they lie now.
    p->pickup.Clear(true);
    for (const GameVXPlayer* q : players) {
      if (!q) continue;
      for (int m = 0; m < q->meld_count && m < GameVXPlayer::kMaxMelds; ++m) {
        const GameVXCardDeck* meld = q->melds[m];
        if (!meld) continue;
        for (int i = 0; i < meld->count && i < GameVXCardDeck::kCapacity; ++i) {
          const VXType_card* c = meld->cards[i];
          if (!c || c->owner_seat != s) continue;
          VXType_card* copy = c->Clone();
          if (!p->pickup.Add_Card(copy)) delete copy;
        }
      }
    }
  }
  if (In_Tournament()) {
    for (int s = 0; s < kSeats; ++s) {
      const int32_t pos = result_rank[s];
      if (pos < 0) continue;
      if (pos == 0 || (tournament.Kind() >= 2 && pos < progress.AdvancePlaces())) seat_fx[s].advance = 1;
    }
  }
  room.SetTableState(3);
  Show_Panel(1);
  const int32_t winner = msg.winner_seat;
  if (ValidSeat(winner)) {
    seat_fx[winner].advance = 1;
    if (players[winner] && !turn.NoCrown()) {
      Ani_Crown(winner);
      Ani_Winner(winner);
    }
  }
  Log(LOG_TRACE, "GameModePlay::OnPacket| 218 result: winner seat %d, own seat %d", winner, my_seat);
  for (int s = 0; s < kSeats; ++s) {
    const GameVXPlayer* p = players[s];
    if (!p) continue;
    char hand[GameVXCardDeck::kCapacity * 4 + 1];
    CodesText(p->hand, hand, sizeof(hand));
    Log(LOG_TRACE, "GameModePlay::OnPacket| 218 seat %d: settlement %lld, hand %s", s,
        static_cast<long long>(p->seat.Settlement()), hand);
  }
}

void GameModePlay::On_Game_Ranking() {
  Close_Panel(1);
  room.SetTableState(4);
  Show_Panel(2);
  Log(LOG_TRACE, "GameModePlay::OnPacket| 219 ranking");
}

void GameModePlay::On_Result_Close() {
  Close_Panel(2);
  Log(LOG_TRACE, "GameModePlay::OnPacket| 220 result closed");
}

void GameModePlay::On_Tournament_End() {
  room.SetTableState(5);
  if (progress.Rounds() >= 2) Show_Scene(kScenePlayTournament);
  Log(LOG_TRACE, "GameModePlay::OnPacket| 221 tournament end");
}
