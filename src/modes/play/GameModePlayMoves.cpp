// The player's side of the table: touches and button clicks select cards, take cards
// from the stock or the discard pile, and every move is checked here before its request
// (216) leaves, or is staged on the knock-mode copy. The server's answers to the moves
// change the model in On_Move_Result. The server stays the judge: the checks below are
// the ones it applies too, so a move it would refuse is not sent.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "app/VXSceneIds.h"
#include "framework/Clock.h"
#include "framework/CriticalSection.h"
#include "framework/Log.h"
#include "modes/play/GameModePlay.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXProtocolTable.h"

namespace {

// Slots of the sound table.
constexpr int kSndButtonGame = 5;
constexpr int kSndCardTable = 6;
constexpr int kSndClickGame = 7;
constexpr int kSndDealCard = 9;
constexpr int kSndEndCard = 10;
constexpr int kSndFirstTimeCard = 11;
constexpr int kSndLayCard = 19;
constexpr int kSndPakCard = 24;
constexpr int kSndSelectCard = 29;

// Alert lines (message table entries).
constexpr int kAlertNoAttach = 165;
constexpr int kAlertNoMeld = 166;
constexpr int kAlertCannotKnock = 167;
constexpr int kAlertAttachOne = 168;
constexpr int kAlertThrowOne = 169;
constexpr int kAlertNeedHandCard = 170;
constexpr int kAlertFirstMeldPile = 172;
constexpr int kAlertKeepOne = 173;
constexpr int kAlertChangeNone = 212;
constexpr int kAlertChangeMax = 213;

constexpr int kMaxCardChange = 3;
constexpr uint32_t kRoomChangeGuardMs = 1000;
constexpr uint32_t kRoomWaitMs = 15000;
constexpr uint32_t kRoomSplashMs = 30000;

// The stock's rectangle per layout: left, top, right, bottom.
constexpr int kStockRect[2][4] = {{270, 325, 351, 427}, {235, 225, 316, 327}};
// Avatar anchors per layout and relative seat; the tap area is 114 x 114 from there.
constexpr int kAvatarAnchor[2][4][2] = {{{153, 562}, {158, 34}, {582, 34}, {1006, 34}},
                                        {{83, 309}, {83, 54}, {1085, 54}, {1085, 309}}};
constexpr int kAvatarSize = 114;
// A release this close to an attach-target button still picks it.
constexpr int kTargetWiden = 28;
constexpr int kTargetBelow = 80;

// The splash belongs to the main thread: a worker ends it under the frame lock.
void End_Splash(GameLogic* logic, ISplashHooks* splash) {
  if (!splash) return;
  CSGuard guard(&logic->FrameLock());
  splash->SetSplashWindow(0, false);
}

bool Inside(int x, int y, int l, int t, int r, int b) { return x >= l && x <= r && y >= t && y <= b; }

void Set_Shown(GLButtonImage& b, bool shown) { b.m_hidden = shown ? 0 : 1; }
void Set_Enabled(GLButtonImage& b, bool enabled) {
  if (enabled) {
    if (b.State() == GLButton::kDisabled) b.SetState(GLButton::kNormal);
  } else if (b.State() != GLButton::kDisabled) {
    b.SetState(GLButton::kDisabled);
  }
}

int Count_Selected(const GameVXCardDeck& d) {
  int n = 0;
  for (int i = 0; i < d.count; ++i)
    if (d.cards[i] && d.cards[i]->selected && d.cards[i]->code >= 0 && d.cards[i]->code <= kCardExtra) ++n;
  return n;
}

// Whether any meld on the table holds `code`.
bool On_Table(GameVXPlayer* const* players, int32_t code) {
  for (int s = 0; s < GameVXPlayer::kSeats; ++s) {
    const GameVXPlayer* p = players[s];
    for (int m = 0; p && m < p->meld_count; ++m)
      if (p->melds[m] && p->melds[m]->Index_Of(code) >= 0) return true;
  }
  return false;
}

}  // namespace

// ---- state the moves read ------------------------------------------------------------

GameVXPlayer* GameModePlay::Move_Player() const { return sequencer.active ? sequencer.MyPlayer() : MyPlayer(); }
GameVXCardDeck* GameModePlay::Move_Pile() { return sequencer.active ? &sequencer.pile : &pile; }
GameVXPlayer* const* GameModePlay::Move_Players() const { return sequencer.active ? sequencer.players : players; }

bool GameModePlay::Has_Drawn(const GameVXPlayer* p) { return p && p->seat.DrawnTurnId() == p->seat.TurnId(); }
bool GameModePlay::Has_Taken(const GameVXPlayer* p) { return p && p->Count_Melds(p->seat.TurnId()) > 0; }

bool GameModePlay::Can_Draw() const {
  const GameVXPlayer* p = Move_Player();
  return p && Is_My_Turn() && !Has_Drawn(p) && !Has_Taken(p) && stock_used < GameVXCardDeck::kCapacity;
}

bool GameModePlay::Can_Pick_Pile() const {
  const GameVXPlayer* p = Move_Player();
  return p && Is_My_Turn() && !Has_Drawn(p) && !Has_Taken(p) && attach_target_count == 0;
}

bool GameModePlay::Move_Allowed() const {
  if (!Is_My_Turn() || room.TableState() != 2 || sequencer.running) return false;
  if (!sequencer.active && move_pending && TicksSince(move_pending_time) < kMoveReplyWaitMs) return false;
  return true;
}

int GameModePlay::Send_Move(Packet& packet) {
  GameLogic* logic = Logic();
  IGameSession* s = logic ? logic->CurrentSession() : nullptr;
  const int kind = s ? s->Info().Kind() : 0;
  if (!s || !s->IsConnected() || (kind != 1 && kind != 2)) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::Send_Move| not at a game server: move %d dropped", packet.id);
    return 0;
  }
  if (!s->SendAsync(packet, nullptr, nullptr)) return 0;
  if (packet.id == VX_PROTOCOL_GAME_PLAYER_ACTION) {
    move_pending = 1;
    move_pending_time = GetTickMs();
  }
  return 1;
}

void GameModePlay::Play_Effect(int index) {
  GameLogic* logic = Logic();
  if (logic && logic->Hooks().sound && GameSharedData::Instance()->m_sound_on) logic->Hooks().sound->PlayEffect(index);
}

void GameModePlay::Alert(int text_id) {
  std::snprintf(alert_text, sizeof(alert_text), "%s", LangMessage(text_id));
  alert_time = GetTickMs();
  Log(LOG_TRACE, "GameModePlay::Alert %d", text_id);
}

void GameModePlay::Gather_Selection(bool pickup_first) {
  selection.Clear(false);
  const GameVXPlayer* p = Move_Player();
  if (!p) return;
  const GameVXCardDeck* order[2] = {&p->hand, &p->pickup};
  if (pickup_first) std::swap(order[0], order[1]);
  for (const GameVXCardDeck* d : order) {
    for (int i = 0; i < d->count && selection.count < GameVXCardDeck::kCapacity; ++i) {
      VXType_card* c = d->cards[i];
      if (c && c->selected && c->code >= 0 && c->code <= kCardExtra) selection.Add_Card(c);
    }
  }
}

void GameModePlay::Close_Attach_Choice() {
  attach_target_count = 0;
  for (GLButtonImage& b : btn_attach_target) Set_Shown(b, false);
  Set_Shown(btn_close_choice, false);
  selection.Clear(false);
}

void GameModePlay::Update_Action_Buttons(bool clear) {
  GameVXPlayer* p = Move_Player();
  if (clear && p) p->pickup.Clear(true);
  Set_Shown(btn_card_order[1], true);
  Set_Enabled(btn_card_order[1], true);
  const bool melds = p && p->meld_count > 0;
  Set_Shown(btn_down_first, !melds);
  Set_Shown(btn_down_more, melds);
  Set_Shown(btn_attach, true);
  Set_Enabled(btn_attach, melds);
  const bool many = p && p->hand.count >= 2;
  Set_Shown(btn_throw, many);
  Set_Shown(btn_throw_last, !many);
  if (!sequencer.active) {
    Set_Shown(btn_end, false);
    Set_Shown(btn_confirm, false);
    Set_Shown(btn_cancel, false);
    Set_Shown(btn_knock_dark, !melds);
  } else if (sequencer.variant == GameModePlay_virtual::kForced) {
    Set_Shown(btn_confirm, false);
    Set_Shown(btn_cancel, false);
    Set_Shown(btn_knock_dark, false);
    Set_Shown(btn_end, true);
  } else {
    Set_Shown(btn_attach, true);
    Set_Enabled(btn_attach, true);
    Set_Shown(btn_confirm, true);
    Set_Shown(btn_cancel, true);
    Set_Shown(btn_knock_dark, false);
    Set_Shown(btn_end, false);
  }
  if (clear) Move_Pile()->Clear_Selection();
  // The hints of the hand the player sees (the copy's in knock mode).
  if (p) GameVXPlayer::Mark_Usable_Cards(&p->hand, Move_Players());
}

// ---- the moves -------------------------------------------------------------------------

// A move that carries nothing but its action (draw, end).
void GameModePlay::Send_Bare_Action(int32_t action) {
  VXMsg_player_action_request m;
  m.action = action;
  Packet packet(VX_PROTOCOL_GAME_PLAYER_ACTION);
  m.Write(packet);
  Send_Move(packet);
}

void GameModePlay::Draw_From_Stock() {
  // Knock mode stages its moves on a copy that a real draw would never reach.
  if (sequencer.active || !Can_Draw() || !Move_Allowed()) return;
  Send_Bare_Action(VX_ACTION_DRAW);
}

void GameModePlay::Down() {
  GameVXPlayer* p = Move_Player();
  if (!p || !Move_Allowed()) return;
  const int hand_count = Count_Selected(p->hand);
  const int pick_count = Count_Selected(p->pickup);
  const bool dark = sequencer.active && sequencer.variant == GameModePlay_virtual::kKnockDark;
  // Every meld needs a hand card; only knock dark may lay a first meld without a pile card.
  if (hand_count < 1) {
    Alert(pick_count < 1 ? kAlertNoMeld : kAlertNeedHandCard);
    return;
  }
  if (!dark && p->meld_count == 0 && pick_count < 1) {
    Alert(kAlertFirstMeldPile);
    return;
  }
  Gather_Selection(true);
  selection.kind = GameVXCardDeck::KIND_RUN;
  if (!selection.Is_Valid_Meld()) {
    selection.kind = GameVXCardDeck::KIND_SET;
    if (!selection.Is_Valid_Meld()) {
      selection.Clear(false);
      Alert(kAlertNoMeld);
      return;
    }
  }
  if (selection.count >= p->hand.count + p->pickup.count) {
    selection.Clear(false);
    Alert(kAlertKeepOne);
    return;
  }
  // A pile card may be taken only before a draw, and hand cards alone may go down only
  // once the turn has begun (a dark-knock attempt may begin it so): the server refuses
  // anything else, so nothing is sent.
  if ((pick_count > 0 && Has_Drawn(p)) || (pick_count == 0 && !dark && !Has_Drawn(p) && !Has_Taken(p))) {
    selection.Clear(false);
    return;
  }
  VXMsg_player_action_request m;
  m.action = VX_ACTION_DOWN;
  m.knock = sequencer.active ? 1 : 0;
  m.cards.Copy_From(&selection, false);
  Packet packet(VX_PROTOCOL_GAME_PLAYER_ACTION);
  m.Write(packet);
  m.cards.Clear(false);
  if (!sequencer.active) {
    Send_Move(packet);
  } else if (sequencer.Process_Player_Action_Down(&selection, my_seat)) {
    sequencer.PushTask(packet);
  }
  selection.Clear(false);
}

void GameModePlay::Attach_Choose() {
  Close_Attach_Choice();
  if (!Move_Player() || !Move_Allowed()) return;
  Gather_Selection(false);
  if (selection.count == 0) {
    Alert(kAlertAttachOne);
    return;
  }
  GameVXPlayer* const* seats = Move_Players();
  for (int s = 0; s < kSeats && attach_target_count < 3; ++s) {
    const GameVXPlayer* p = seats[s];
    for (int m = 0; p && m < p->meld_count && attach_target_count < 3; ++m) {
      if (!p->melds[m] || !GameVXCardDeck::Check_Meld_With(&selection, p->melds[m])) continue;
      attach_targets[attach_target_count] = {s, m};
      Set_Shown(btn_attach_target[attach_target_count], true);
      ++attach_target_count;
    }
  }
  if (attach_target_count == 0) {
    selection.Clear(false);
    Alert(kAlertNoAttach);
    return;
  }
  Set_Shown(btn_close_choice, true);
}

void GameModePlay::Attach(int i) {
  if (i < 0 || i >= attach_target_count) return;
  GameVXPlayer* p = Move_Player();
  if (!p || !Move_Allowed()) return;
  Gather_Selection(false);
  if (selection.count == 0 || selection.count >= p->hand.count + p->pickup.count) {
    Alert(kAlertAttachOne);
    return;
  }
  const AttachTarget target = attach_targets[i];
  const GameVXPlayer* tp = target.seat >= 0 && target.seat < kSeats ? Move_Players()[target.seat] : nullptr;
  const GameVXCardDeck* meld = tp && target.meld >= 0 && target.meld < tp->meld_count ? tp->melds[target.meld] : nullptr;
  if (!meld || !GameVXCardDeck::Check_Meld_With(&selection, meld)) {
    Alert(kAlertNoAttach);
    return;
  }
  const bool dark = sequencer.active && sequencer.variant == GameModePlay_virtual::kKnockDark;
  // Attached cards come from the hand; outside a dark-knock attempt only once the turn
  // has begun and the player has a meld: the server refuses anything else.
  if (Count_Selected(p->pickup) > 0 || (!dark && ((!Has_Drawn(p) && !Has_Taken(p)) || p->meld_count == 0))) {
    Close_Attach_Choice();
    return;
  }
  VXMsg_player_action_request m;
  m.action = VX_ACTION_ATTACH;
  m.target_seat = target.seat;
  m.target_meld = target.meld;
  m.knock = dark ? 1 : 0;
  m.cards.Copy_From(&selection, false);
  Packet packet(VX_PROTOCOL_GAME_PLAYER_ACTION);
  m.Write(packet);
  m.cards.Clear(false);
  if (sequencer.active) {
    if (sequencer.Process_Player_Action_Attach(&selection, target.meld, my_seat, target.seat))
      sequencer.PushTask(packet);
  } else {
    Send_Move(packet);
  }
  Close_Attach_Choice();
}

void GameModePlay::Throw() {
  GameVXPlayer* p = Move_Player();
  if (!p) return;
  const int n = Count_Selected(p->hand) + Count_Selected(p->pickup);
  if (n == 0) {
    Alert(kAlertThrowOne);
    return;
  }
  if (n > 1) return;
  if (!Move_Allowed()) return;
  if (!sequencer.active && !Has_Drawn(p) && !Has_Taken(p)) return;
  // Only a hand card can be thrown (a picked-up card is still the pile's).
  const VXType_card* card = nullptr;
  for (int i = 0; i < p->hand.count && !card; ++i)
    if (p->hand.cards[i] && p->hand.cards[i]->selected) card = p->hand.cards[i];
  if (!card || !IsPackCode(card->code)) return;
  const int32_t code = card->code;
  VXMsg_player_action_request m;
  m.action = VX_ACTION_THROW;
  m.card.code = code;
  m.card.owner_seat = card->owner_seat;
  m.card.in_hand = card->in_hand;
  m.card.turn_mark = card->turn_mark;
  m.card.extra = card->extra;
  Packet packet(VX_PROTOCOL_GAME_PLAYER_ACTION);
  m.Write(packet);
  if (!sequencer.active) {
    Send_Move(packet);
    return;
  }
  if (!sequencer.Process_Player_Action_Throw(code, my_seat)) return;
  // The throw is queued first, so the sequence that starts now carries it.
  sequencer.PushTask(packet);
  // The forced knock sends its queue with the last card; a dark knock waits for the
  // player's confirmation (the staged table can still be looked over, or cancelled).
  if (sequencer.My_Cards_Left() == 0 && sequencer.variant == GameModePlay_virtual::kForced) sequencer.RunTask();
}

void GameModePlay::End_Move() {
  if (!Move_Allowed()) return;
  Send_Bare_Action(VX_ACTION_END);
}

void GameModePlay::Card_Change() {
  GameVXPlayer* p = MyPlayer();
  if (!p || !Is_My_Turn() || sequencer.active) return;
  GameVXCardDeck cards;
  cards.not_owner = 1;
  for (int i = 0; i < p->hand.count; ++i)
    if (p->hand.cards[i] && p->hand.cards[i]->selected && cards.count < GameVXCardDeck::kCapacity)
      cards.Add_Card(p->hand.cards[i]);
  if (cards.count == 0) {
    Alert(kAlertChangeNone);
  } else if (cards.count > kMaxCardChange) {
    Alert(kAlertChangeMax);
  } else if (Move_Allowed()) {
    Packet packet(VX_PROTOCOL_CARD_CHANGE);
    cards.Write(packet);
    Send_Move(packet);
  }
  cards.Clear(false);
}

void GameModePlay::Card_Order() {
  GameVXPlayer* p = Move_Player();
  if (!p || p->pickup.count != 0) return;
  p->hand.Clear_Selection();
  p->hand.sort_mode = p->hand.sort_mode == GameVXCardDeck::SORT_BY_SUIT ? GameVXCardDeck::SORT_BY_RANK
                                                                        : GameVXCardDeck::SORT_BY_SUIT;
  p->hand.Sort();
}

void GameModePlay::Enter_Knock_Mode(int variant) {
  if (!MyPlayer()) return;
  sequencer.Enter(variant);
}

void GameModePlay::Confirm() {
  if (!sequencer.active) return;
  if (sequencer.My_Cards_Left() == 0)
    sequencer.RunTask();
  else
    Alert(kAlertCannotKnock);
}

void GameModePlay::Knock_Cancel() {
  sequencer.Clear_Tasks();
  sequencer.Reset();
  Update_Action_Buttons(true);
}

// Change of room. The two waits run on a runner worker; everything they change in the
// table is handed back to the main thread (GameAfterFrame), and the room record to ask
// for is copied before anything is reset.
void GameModePlay::Change_Room() {
  GameLogic* logic = Logic();
  IGameSession* s = logic ? logic->CurrentSession() : nullptr;
  if (!s || !s->IsConnected() || s->Info().Kind() != 1) return;
  const uint32_t now = GetTickMs();
  if (room_change_time != 0 && static_cast<int32_t>(now - room_change_time) < static_cast<int32_t>(kRoomChangeGuardMs))
    return;
  room_change_time = now;
  Play_Effect(kSndButtonGame);
  const VXType_room_info wanted = room;
  ISplashHooks* splash = logic->Hooks().splash;
  if (splash) splash->SetSplashWindow(kRoomSplashMs, true);
  GameModePlay* self = this;
  logic->Hooks().workers->QueueJob([self, logic, s, wanted, splash] {
    Log(LOG_TRACE, "GameModePlay::Change_Room leave");
    Packet leave(VX_PROTOCOL_ROOM_LEAVE);
    leave.WriteInt32(0);
    int32_t ok = 0;
    uint8_t profile[GameVXPlayer::kProfileSize] = {};
    if (s->SendAndWait(leave, kRoomWaitMs, false)) {
      Packet& r = s->ReplyBuffer();
      r.read_pos = 0;
      if (!r.ReadInt32(&ok) || !r.ReadBytes(profile, sizeof(profile))) ok = 0;
    }
    if (!ok) {
      End_Splash(logic, splash);
      return;
    }
    GameAfterFrame::Post([self, profile_copy = std::to_array(profile)] { self->Room_Left(profile_copy.data()); });
    Packet enter(VX_PROTOCOL_ROOM_ENTER);
    enter.WriteBytes(wanted.raw, VXType_room_info::kSize);
    int32_t entered = 0;
    VXType_room_info got;
    uint8_t own[GameVXPlayer::kProfileSize] = {};
    if (s->SendAndWait(enter, kRoomWaitMs, false)) {
      Packet& r = s->ReplyBuffer();
      r.read_pos = 0;
      if (!r.ReadInt32(&entered) || !r.ReadBytes(got.raw, VXType_room_info::kSize) || !r.ReadBytes(own, sizeof(own)))
        entered = 0;
    }
    End_Splash(logic, splash);
    if (!entered) {
      Log(LOG_WARNING, "[WARNING]: GameModePlay::Change_Room| no room: back to the master server");
      ServerInfo master;
      master.SetKind(0);
      logic->EnterServerJob(master);
      return;
    }
    GameAfterFrame::Post([self, got, own_copy = std::to_array(own)] { self->Room_Entered(got, own_copy.data()); });
  });
}

void GameModePlay::Room_Left(const uint8_t* profile) {
  std::memcpy(GameSharedData::Instance()->m_user_info, profile, GameVXPlayer::kProfileSize);
  Reset(2);  // the players go (on this, the main thread)
  Reset(1);
  Hide_Panels();
}

void GameModePlay::Room_Entered(const VXType_room_info& room_in, const uint8_t* profile) {
  Reset(2);
  room = room_in;
  tournament = VXType_tournament_info();
  progress = VXType_tournament_progress();
  std::memcpy(GameSharedData::Instance()->m_user_info, profile, GameVXPlayer::kProfileSize);
  GameLogic* logic = Logic();
  IGameSession* s = logic ? logic->CurrentSession() : nullptr;
  if (s && s->IsConnected()) {
    Packet p(VX_PROTOCOL_TABLE_INFO);
    p.WriteInt32(0);
    s->SendAsync(p, nullptr, nullptr);
  }
}

// ---- pointer input -----------------------------------------------------------------------

int GameModePlay::Avatar_At(int x, int y) const {
  const int l = layout == 1 ? 1 : 0;
  for (int s = 0; s < kSeats; ++s) {
    const int r = Relative(s);
    if (!players[s] || r < 0) continue;
    const int ax = kAvatarAnchor[l][r][0], ay = kAvatarAnchor[l][r][1];
    if (Inside(x, y, ax, ay, ax + kAvatarSize, ay + kAvatarSize)) return s;
  }
  return -1;
}

int GameModePlay::Touch_Cards(int x, int y) {
  GameVXPlayer* p = Move_Player();
  if (!p) return 0;
  GameVXCardDeck* table_pile = Move_Pile();
  if (Can_Pick_Pile()) {
    if (VXType_card* hit = table_pile->Hit_Test(x, y)) {
      Play_Effect(kSndSelectCard);
      if (hit->selected && p->pickup.count > 0 && p->pickup.cards[0]->code == hit->code) {
        // The same card again: the pick is undone.
        p->pickup.Clear(true);
        table_pile->Clear_Selection();
        sequencer.Reset();
        Update_Action_Buttons(true);
        Show_Panel(0);
        return 1;
      }
      p->pickup.Clear(true);
      Show_Panel(0);
      table_pile->Clear_Selection();
      const int from = table_pile->Index_Of(hit->code);
      for (int i = from; i >= 0 && i < table_pile->count; ++i) {
        VXType_card* c = table_pile->cards[i];
        c->selected = 1;
        VXType_card* copy = c->Clone();
        copy->selected = i == from ? 1 : 0;
        if (!p->pickup.Add_Card(copy)) delete copy;
      }
      return 1;
    }
  }
  if (VXType_card* hit = p->pickup.Hit_Test(x, y)) {
    if (hit != p->pickup.cards[0]) hit->selected = !hit->selected;
    Close_Attach_Choice();
    return 1;
  }
  if (VXType_card* hit = p->hand.Hit_Test(x, y)) {
    Play_Effect(kSndSelectCard);
    if (Is_My_Turn() && (Has_Drawn(p) || Has_Taken(p))) Show_Panel(0);
    hit->selected = !hit->selected;
    if (p->pickup.count == 0) drag_card = hit;
    Close_Attach_Choice();
    return 1;
  }
  return 0;
}

namespace {

// The mini-game takes the pointer first unless one of the table's own panels (settings,
// own profile, another's profile) lies over it.
ILayerHooks* Mini_Game(GameMode* mode) {
  GameLogic* logic = mode->Logic();
  if (!logic || !logic->Hooks().sub_play) return nullptr;
  for (int id : {kSceneSettingPlay, kSceneProfileMe, kSceneProfilePlayer}) {
    GameMode* s = GameSceneLayer::Scene(id);
    if (s && s->IsShow()) return nullptr;
  }
  return logic->Hooks().sub_play;
}

}  // namespace

// The table's buttons by their groups: the attach choice while it is open, the action
// panel while it is shown, the waiting buttons before a round, then the table's own.
int GameModePlay::Dispatch_Buttons(int (EventCtrlGroup::*dispatch)(int, int, int), int a, int x, int y) {
  if (attach_target_count > 0 && (choice_buttons.*dispatch)(a, x, y)) return 1;
  if (panel_state[0] == 1 && (action_buttons.*dispatch)(a, x, y)) return 1;
  if (Waiting() && (waiting_buttons.*dispatch)(a, x, y)) return 1;
  return (m_screen.*dispatch)(a, x, y);
}

int GameModePlay::OnTouchDown(int button, int x, int y) {
  if (ILayerHooks* mini = Mini_Game(this); mini && mini->OnTouchDown(button, x, y)) return 1;
  int r = 0;
  if (m_scenes.TouchDown(button, x, y, &r)) return r;
  // The touch-down point stays the drag's origin (the dragged card is drawn offset by
  // the pointer's travel from it); the distance adds up every move from here.
  drag_x = x;
  drag_y = y;
  pointer_x = x;
  pointer_y = y;
  drag_distance = 0;
  drag_card = nullptr;
  if (Touch_Cards(x, y)) return 1;
  return Dispatch_Buttons(&EventCtrlGroup::DispatchTouchDown, button, x, y);
}

int GameModePlay::OnTouchMove(int button, int x, int y) {
  if (ILayerHooks* mini = Mini_Game(this); mini && mini->OnTouchMove(button, x, y)) return 1;
  int r = 0;
  if (m_scenes.TouchMove(button, x, y, &r)) return r;
  drag_distance += std::abs(x - pointer_x) + std::abs(y - pointer_y);
  pointer_x = x;
  pointer_y = y;
  return Dispatch_Buttons(&EventCtrlGroup::DispatchTouchMove, button, x, y);
}

int GameModePlay::OnWheel(int delta, int x, int y) {
  if (ILayerHooks* mini = Mini_Game(this); mini && mini->OnWheel(delta, x, y)) return 1;
  int r = 0;
  if (m_scenes.Wheel(delta, x, y, &r)) return r;
  return Dispatch_Buttons(&EventCtrlGroup::DispatchWheel, delta, x, y);
}

int GameModePlay::OnTouchUp(int button, int x, int y) {
  if (ILayerHooks* mini = Mini_Game(this); mini && mini->OnTouchUp(button, x, y)) return 1;
  int r = 0;
  if (m_scenes.TouchUp(button, x, y, &r)) return r;
  if (drag_card) {
    // A click leaves the hand as it is; only a real drag moves the card.
    if (drag_distance >= kDragThreshold) {
      if (GameVXPlayer* p = Move_Player(); p && p->hand.Index_Of(drag_card->code) >= 0)
        p->hand.Reorder_By_Position(drag_card);
    }
    drag_card = nullptr;
    return 1;
  }
  const int* stock = kStockRect[layout == 1 ? 1 : 0];
  if (Inside(x, y, stock[0], stock[1], stock[2], stock[3]) && Can_Draw()) {
    Draw_From_Stock();
    return 1;
  }
  if (attach_target_count > 0) {
    if (Dispatch_Buttons(&EventCtrlGroup::DispatchTouchUp, button, x, y)) return 1;
    for (int i = 0; i < attach_target_count; ++i) {
      const GLButtonImage& b = btn_attach_target[i];
      if (!Inside(x, y, b.m_left - kTargetWiden, b.m_top, b.m_right + kTargetWiden, b.m_bottom + kTargetBelow)) continue;
      if (!Player(attach_targets[i].seat) && !sequencer.Player(attach_targets[i].seat)) continue;
      Play_Effect(kSndClickGame);
      Attach(i);
      return 1;
    }
    return btn_change.OnTouchUp(button, x, y);
  }
  if (const int seat = Avatar_At(x, y); seat >= 0) {
    Play_Effect(kSndButtonGame);
    Log(LOG_TRACE, "GameModePlay::OnTouchUp profile of seat %d (host %d)", seat,
        my_seat >= 0 && turn.HostSeat() == my_seat ? 1 : 0);
    Show_Scene(kSceneProfilePlayer);
    return 1;
  }
  return Dispatch_Buttons(&EventCtrlGroup::DispatchTouchUp, button, x, y);
}

// The move buttons (the table's service, start, ready and exit buttons are the flow's).
void GameModePlay::On_Move_Event(ZBEventCtrl* sender) {
  if (sender == &btn_card_order[0] || sender == &btn_card_order[1]) {
    Play_Effect(kSndButtonGame);
    Card_Order();
  } else if (sender == &btn_change) {
    Play_Effect(kSndClickGame);
    Card_Change();
  } else if (sender == &btn_change_room) {
    Change_Room();
  } else if (sender == &btn_close_choice) {
    Play_Effect(kSndButtonGame);
    Close_Attach_Choice();
  } else if (sender == &btn_down_first || sender == &btn_down_more) {
    Play_Effect(kSndClickGame);
    Down();
  } else if (sender == &btn_attach) {
    Play_Effect(kSndClickGame);
    Attach_Choose();
  } else if (sender == &btn_throw || sender == &btn_throw_last) {
    Play_Effect(kSndClickGame);
    Throw();
  } else if (sender == &btn_knock_dark) {
    Play_Effect(kSndClickGame);
    const GameVXPlayer* p = MyPlayer();
    if (!sequencer.active && p && p->meld_count == 0 && Move_Allowed()) Enter_Knock_Mode(GameModePlay_virtual::kKnockDark);
  } else if (sender == &btn_confirm) {
    Play_Effect(kSndClickGame);
    Confirm();
  } else if (sender == &btn_cancel) {
    Play_Effect(kSndButtonGame);
    Knock_Cancel();
  } else if (sender == &btn_end) {
    Play_Effect(kSndClickGame);
    End_Move();
  } else {
    for (int i = 0; i < 3; ++i) {
      if (sender != &btn_attach_target[i]) continue;
      Play_Effect(kSndClickGame);
      Attach(i);
      return;
    }
  }
}

// ---- the server's answers ------------------------------------------------------------------

void GameModePlay::On_Move_Result(Packet& packet) {
  VXMsg_player_action_event ev;
  packet.read_pos = 0;
  if (!ev.Read(packet)) {
    Log(LOG_WARNING, "[WARNING]: GameModePlay::On_Move_Result| short move result");
    if (!ev.ok) {
      move_pending = 0;
      return;
    }
  }
  if (!ev.ok) {
    Log(LOG_TRACE, "[DEBUG]: GameModePlay::OnPacket| VX_PROTOCOL_GAME_PLAYER_ACTION refused: action %d", ev.action);
    move_pending = 0;
    // A refused move makes the rest of a staged sequence meaningless.
    if (sequencer.running) sequencer.Clear_Tasks();
    return;
  }
  if (ev.seat == my_seat) move_pending = 0;
  const bool own = ev.seat >= 0 && ev.seat == my_seat;
  const uint32_t now = GetTickMs();
  auto resync = [this](int32_t mode) {
    GameLogic* logic = Logic();
    IGameSession* s = logic ? logic->CurrentSession() : nullptr;
    if (!s || !s->IsConnected()) return;
    Packet p(VX_PROTOCOL_TABLE_INFO);
    p.WriteInt32(mode);
    s->SendAsync(p, nullptr, nullptr);
  };
  GameVXPlayer* p = Player(ev.seat);
  if (ev.action == VX_ACTION_END) return;
  if (!p) {
    resync(ev.action == VX_ACTION_ATTACH ? 2 : 0);
    return;
  }
  switch (ev.action) {
    case VX_ACTION_DRAW: {
      stock_used = ev.stock_taken;
      p->seat.SetDrawnTurnId(p->seat.TurnId());
      Play_Effect(kSndCardTable);
      VXType_card* c = ev.card.Clone();
      c->owner_seat = ev.seat;
      c->in_hand = 1;
      c->anim_time = now;
      if (!p->hand.Add_Card(c)) {
        delete c;
        resync(0);
        return;
      }
      Ani_Card_Flight(c, ev.seat);
      if (own) {
        // Drawing abandons a pile pick that was not laid.
        p->pickup.Clear(true);
        pile.Clear_Selection();
        Mark_Usable();
      }
      break;
    }
    case VX_ACTION_DOWN: {
      turn.SetMission(ev.mission_value);
      const bool first = p->meld_count == 0;
      GameVXCardDeck* meld = p->Add_Meld(ev.cards.kind);
      if (!meld) {
        resync(0);
        return;
      }
      meld->turn_mark = ev.cards.turn_mark;
      int lowest = -1;
      for (int i = 0; i < ev.cards.count; ++i) {
        const int at = pile.Index_Of(ev.cards.cards[i]->code);
        if (at >= 0 && (lowest < 0 || at < lowest)) lowest = at;
      }
      if (lowest >= 0) {
        const int from = p->hand.count;
        GameVXCardDeck::Move_From(&p->hand, lowest, &pile);
        for (int i = from; i < p->hand.count; ++i) p->hand.cards[i]->in_hand = 1;
      }
      if (own) {
        p->hand.Move_Matching(&ev.cards, meld);
      } else {
        for (int i = 0; i < ev.cards.count && p->hand.count > 0; ++i) {
          delete p->hand.cards[0];
          p->hand.Remove_At(0);
        }
        for (int i = 0; i < ev.cards.count; ++i) {
          VXType_card* c = ev.cards.cards[i]->Clone();
          if (!meld->Add_Card(c)) delete c;
        }
      }
      meld->Stamp_Owner(ev.seat);
      meld->Set_All_In_Hand(0);
      for (int i = 0; i < meld->count; ++i) {
        meld->cards[i]->turn_mark = meld->turn_mark;
        meld->cards[i]->selected = 0;
      }
      Play_Effect(first ? kSndFirstTimeCard : kSndDealCard);
      int mission_seat = -1, card0_seat = -1, card49_seat = -1;
      for (int s = 0; s < kSeats; ++s) {
        GameVXPlayer* o = players[s];
        if (s == ev.seat || !o) continue;
        if (ev.mission_flags[s]) {
          o->seat.SetSecondCounter(3, o->seat.SecondCounter(3) + 1);
          if (mission_seat < 0) mission_seat = s;
        }
        if (ev.card0_flags[s]) {
          o->seat.SetSecondCounter(4, o->seat.SecondCounter(4) + 1);
          if (card0_seat < 0) card0_seat = s;
        }
        if (ev.card49_flags[s]) {
          o->seat.SetSecondCounter(4, o->seat.SecondCounter(4) + 1);
          if (card49_seat < 0) card49_seat = s;
        }
      }
      // The mission value stays in the turn record: the mission animation only hides
      // it while it runs, so the table is right with or without the animation.
      if (ev.mission_event != -1)
        Ani_Mission_Hit(ev.seat, ev.mission_event, ev.mission_value, mission_seat, -1, mission_card);
      else if (ev.card0_event != -1)
        Ani_Mission_Hit(ev.seat, ev.card0_event, 0, card0_seat, 4, 0);
      else if (ev.card49_event != -1)
        Ani_Mission_Hit(ev.seat, ev.card49_event, 0, card49_seat, 4, 49);
      if (own) {
        p->hand.Clear_Selection();
        selection.Clear(false);
        Update_Action_Buttons(true);
      }
      break;
    }
    case VX_ACTION_ATTACH: {
      GameVXPlayer* tp = Player(ev.target_seat);
      GameVXCardDeck* meld =
          tp && ev.target_meld >= 0 && ev.target_meld < tp->meld_count ? tp->melds[ev.target_meld] : nullptr;
      if (!meld) {
        resync(2);
        return;
      }
      for (int i = 0; i < ev.cards.count; ++i) {
        VXType_card* c = nullptr;
        if (own) {
          const int at = p->hand.Index_Of(ev.cards.cards[i]->code);
          if (at >= 0) {
            c = p->hand.cards[at];
            p->hand.Remove_At(at);
          }
        } else if (p->hand.count > 0) {
          delete p->hand.cards[0];
          p->hand.Remove_At(0);
        }
        if (!c) c = ev.cards.cards[i]->Clone();
        c->anim_time = now;
        c->owner_seat = ev.seat;
        c->turn_mark = p->seat.TurnId();
        c->in_hand = 0;
        c->selected = 0;
        if (!meld->Add_Card(c)) delete c;
      }
      Play_Effect(kSndPakCard);
      if (ev.event != -1) {
        const int k = ((ev.event % 11) + 11) % 11;
        p->seat.SetFirstCounter(k, p->seat.FirstCounter(k) + 1);
        if (ev.event == 5 || ev.event == 6)
          Ani_Mission_Hit(ev.seat, ev.event, 0, ev.flagged_seat, 5, ev.event == 5 ? 0 : 49);
      }
      if (own) {
        p->hand.Clear_Selection();
        selection.Clear(false);
        Update_Action_Buttons(true);
      }
      break;
    }
    case VX_ACTION_THROW: {
      VXType_card* c = nullptr;
      if (own) {
        const int at = p->hand.Index_Of(ev.card.code);
        if (at >= 0) {
          c = p->hand.cards[at];
          p->hand.Remove_At(at);
        }
      } else if (p->hand.count > 0) {
        delete p->hand.cards[0];
        p->hand.Remove_At(0);
      }
      if (!c) c = ev.card.Clone();
      c->code = ev.card.code;
      c->anim_time = now;
      c->turn_mark = p->seat.TurnId();
      c->owner_seat = ev.seat;
      c->in_hand = 0;
      c->selected = 0;
      if (!pile.Add_Card(c)) {
        delete c;
        c = nullptr;
      }
      p->hand.Set_All_Anim_Time(now);
      for (int i = 0; i < p->hand.count; ++i) p->hand.cards[i]->owner_seat = ev.seat;
      auto count_event = [p](int32_t e) {
        if (e == -1) return;
        const int k = ((e % 11) + 11) % 11;
        p->seat.SetFirstCounter(k, p->seat.FirstCounter(k) + 1);
      };
      if (!ev.round_end) {
        Play_Effect(kSndLayCard);
        if (ev.event != -1) {
          count_event(ev.event);
          Ani_Action(ev.seat, ev.event, -1, -1);
          if ((ev.event == 1 || ev.event == 2) && c) Ani_Card_Sweat(c, 1);
        } else if (c) {
          // The special-card warning: does this card open a way to a special or the
          // mission card that nobody has laid yet?
          int same_rank = 0;
          int32_t seen[13] = {};
          for (int s = 0; s < kSeats; ++s) {
            const GameVXPlayer* o = players[s];
            for (int m = 0; o && m < o->meld_count; ++m) {
              const GameVXCardDeck* d = o->melds[m];
              for (int i = 0; d && i < d->count; ++i) {
                if (!d->cards[i] || !IsPackCode(d->cards[i]->code)) continue;
                if (CardRank(d->cards[i]->code) == CardRank(c->code)) ++same_rank;
                if (CardSuit(d->cards[i]->code) == CardSuit(c->code)) seen[CardRank(c->code)] = 1;
              }
            }
          }
          int kind = -1;
          for (int32_t special : {0, 49}) {
            if (kind < 0 && !On_Table(players, special) &&
                GameVXCardDeck::Feeds_Special(special, &pile, c->code, same_rank, seen))
              kind = 0;
          }
          if (kind < 0 && IsPackCode(mission_card) && !On_Table(players, mission_card) &&
              GameVXCardDeck::Feeds_Special(mission_card, &pile, c->code, same_rank, seen))
            kind = 1;
          if (kind >= 0) {
            if (own) Ani_Own_Throw_Warning(kind);
            Ani_Card_Sweat(c, 5);
          }
        }
      } else {
        Play_Effect(kSndEndCard);
        last_throw.end_kind = ev.end_kind;
        last_throw.event_a = ev.event_a;
        last_throw.event_b = ev.event_b;
        last_throw.feeder = ev.feeder_seat;
        if (ev.end_kind >= 0 && ev.end_kind <= 3) {
          count_event(0);
          if (ev.end_kind > 0) count_event(ev.end_kind);
        }
        count_event(ev.event_a);
        count_event(ev.event_b);
        if (GameVXPlayer* feeder = Player(ev.feeder_seat))
          feeder->seat.SetSecondCounter(6, feeder->seat.SecondCounter(6) + 1);
        last_throw.active = 1;
        last_throw.thrower = ev.seat;
        last_throw.card = ev.card.code;
        last_throw.revealed = (ev.card.code == 0 || ev.card.code == 49 || ev.event_b != -1) ? 1 : 0;
        if (c) Ani_Light_Flash(c);
      }
      if (own) Mark_Usable();
      break;
    }
    default:
      break;
  }
}
