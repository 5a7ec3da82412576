#include "modes/play/GameModePlay_virtual.h"

#include "app/GameLogic.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "modes/play/GameModePlay.h"
#include "net/Packet.h"

GameModePlay_virtual::~GameModePlay_virtual() {
  Reset();
  pile.Clear(true);
}

GameVXPlayer* GameModePlay_virtual::MyPlayer() const { return m_owner ? Player(m_owner->my_seat) : nullptr; }

int GameModePlay_virtual::My_Cards_Left() const {
  const GameVXPlayer* me = MyPlayer();
  return me ? me->hand.count + me->pickup.count : 0;
}

void GameModePlay_virtual::Refresh_Buttons(bool clear) {
  if (m_owner) m_owner->Update_Action_Buttons(clear);
}

void GameModePlay_virtual::Enter(int variant_in) {
  Release_Copies();
  pile.Clear(true);
  if (!m_owner) return;
  pile.Copy_From(&m_owner->pile, true);
  for (int i = 0; i < pile.count && i < m_owner->pile.count; ++i)
    pile.cards[i]->selected = m_owner->pile.cards[i]->selected;
  for (int s = 0; s < GameVXPlayer::kSeats; ++s) {
    if (m_owner->players[s]) Copy_Player(s, m_owner->players[s]);
  }
  const GameVXPlayer* mine = m_owner->MyPlayer();
  GameVXPlayer* copy = MyPlayer();
  if (mine && copy) {
    for (int i = 0; i < copy->hand.count && i < mine->hand.count; ++i) {
      copy->hand.cards[i]->selected = mine->hand.cards[i]->selected;
      copy->hand.cards[i]->usable = mine->hand.cards[i]->usable;
    }
  }
  variant = variant_in;
  active = 1;
  Refresh_Buttons(false);
}

void GameModePlay_virtual::Copy_Player(int seat, const GameVXPlayer* player) {
  if (seat < 0 || seat >= GameVXPlayer::kSeats || !player) return;
  GameVXPlayer*& p = players[seat];
  if (!p) p = new GameVXPlayer;
  p->Reset(player->profile);
  p->Copy_From(player, true);
  for (int i = 0; i < player->pickup.count && p->pickup.count < GameVXCardDeck::kCapacity; ++i) {
    const VXType_card* src = player->pickup.cards[i];
    if (!src || src->code < 0 || src->code > kCardExtra) continue;
    VXType_card* c = src->Clone();
    c->selected = src->selected;
    c->usable = src->usable;
    if (!p->pickup.Add_Card(c)) delete c;
  }
}

void GameModePlay_virtual::Release_Copies() {
  for (GameVXPlayer*& p : players) {
    delete p;
    p = nullptr;
  }
  active = 0;
}

void GameModePlay_virtual::Reset() {
  Release_Copies();
  Clear_Tasks();
}

void GameModePlay_virtual::Clear_Tasks() {
  while (m_tasks.GetCount() > 0) delete static_cast<Packet*>(m_tasks.RemoveHead());
  running = 0;
}

void GameModePlay_virtual::PushTask(const Packet& packet) {
  m_tasks.AddTail(new Packet(packet));
  Log(LOG_TRACE, "GameModePlay_virtual::PushTask %d", m_tasks.GetCount());
}

void GameModePlay_virtual::Send_Queued(Packet* packet) {
  GameLogic* logic = m_owner ? m_owner->Logic() : nullptr;
  IGameSession* s = logic ? logic->CurrentSession() : nullptr;
  const int kind = s ? s->Info().Kind() : 0;
  if (s && s->IsConnected() && s->IsLoggedIn() && (kind == 1 || kind == 2)) {
    packet->read_pos = 0;
    s->SendAsync(*packet, nullptr, nullptr);
  } else {
    Log(LOG_WARNING, "[WARNING]: GameModePlay_virtual::Process| no game session: a staged move is dropped");
  }
  delete packet;
}

int GameModePlay_virtual::RunTask() {
  if (running) return 0;
  const GameVXPlayer* me = MyPlayer();
  if (!me || me->hand.count != 0) return 0;
  Log(LOG_TRACE, "GameModePlay_virtual::RunTask .............(%d)", m_tasks.GetCount());
  auto* first = static_cast<Packet*>(m_tasks.RemoveHead());
  if (!first) return 0;
  Release_Copies();
  Refresh_Buttons(true);
  if (m_owner && m_owner->panel_state[0] == 1) m_owner->Close_Panel(0);
  Send_Queued(first);
  Log(LOG_TRACE, "GameModePlay_virtual::Process .............(%d)", m_tasks.GetCount());
  last_send = GetTickMs();
  running = 1;
  return 1;
}

void GameModePlay_virtual::Process() {
  if (!running) return;
  if (TicksSince(last_send) < kSendSpacingMs) return;
  if (auto* next = static_cast<Packet*>(m_tasks.RemoveHead())) {
    Send_Queued(next);
    Log(LOG_TRACE, "GameModePlay_virtual::Process .............(%d)", m_tasks.GetCount());
    last_send = GetTickMs();
  }
  if (m_tasks.GetCount() == 0) running = 0;
}

namespace {

bool Deck_Has(const GameVXCardDeck& deck, int32_t code) { return deck.Index_Of(code) >= 0; }

}  // namespace

int GameModePlay_virtual::Process_Player_Action_Down(GameVXCardDeck* cards, int seat) {
  Log(LOG_TRACE, "GameModePlay_virtual::Process_Player_Action_Down START");
  GameVXPlayer* p = Player(seat);
  if (!p || !cards || !cards->Is_Valid_Meld()) return 0;
  int in_hand = 0, in_pile = 0, lowest = -1;
  for (int i = 0; i < cards->count; ++i) {
    const VXType_card* c = cards->cards[i];
    if (!c) return 0;
    if (Deck_Has(p->hand, c->code)) {
      ++in_hand;
      continue;
    }
    const int at = pile.Index_Of(c->code);
    if (at < 0) return 0;  // neither in the hand nor in the pile
    ++in_pile;
    if (lowest < 0 || at < lowest) lowest = at;
  }
  // A meld always holds a hand card; a first meld outside knock dark also a pile card.
  if (in_hand < 1) return 0;
  if (variant == kForced && p->meld_count == 0 && in_pile < 1) return 0;
  const int32_t t = p->seat.TurnId();
  const bool drawn = p->seat.DrawnTurnId() == t;
  const bool taken = p->Count_Melds(t) > 0;
  if (drawn && in_pile > 0) return 0;
  if (taken && cards->Count_Common(&pile) > 0) return 0;
  // From the hand alone only once the turn has begun with a draw or a take, unless this
  // is a dark-knock attempt (its first meld from the hand begins the turn).
  if (in_pile == 0 && !drawn && !taken && variant != kKnockDark) return 0;
  GameVXCardDeck* meld = p->Add_Meld(cards->kind);
  if (!meld) return 0;
  if (!taken && lowest >= 0) GameVXCardDeck::Move_From(&p->hand, lowest, &pile);
  p->hand.Move_Matching(cards, meld);
  p->hand.Set_All_In_Hand(1);
  meld->turn_mark = t;
  meld->Stamp_Owner(seat);
  for (int i = 0; i < meld->count; ++i) {
    meld->cards[i]->turn_mark = t;
    meld->cards[i]->in_hand = 0;
    meld->cards[i]->fresh = 1;
    meld->cards[i]->selected = 0;
  }
  p->pickup.Clear(true);
  p->hand.Clear_Selection();
  pile.Clear_Selection();
  Refresh_Buttons(true);
  Log(LOG_TRACE, "GameModePlay_virtual::Process_Player_Action_Down END");
  return 1;
}

int GameModePlay_virtual::Process_Player_Action_Attach(GameVXCardDeck* cards, int meld_index, int seat,
                                                       int target_seat) {
  Log(LOG_TRACE, "GameModePlay_virtual::Process_Player_Action_Attach START");
  GameVXPlayer* p = Player(seat);
  GameVXPlayer* u = Player(target_seat);
  if (!p || !u || !cards || cards->count < 1 || meld_index < 0 || meld_index >= u->meld_count) return 0;
  GameVXCardDeck* meld = u->melds[meld_index];
  if (!meld) return 0;
  if (p->meld_count == 0 && variant != kKnockDark) return 0;
  if (!GameVXCardDeck::Check_Meld_With(cards, meld)) return 0;
  for (int i = 0; i < cards->count; ++i) {
    const VXType_card* c = cards->cards[i];
    if (!c || !IsPackCode(c->code) || !Deck_Has(p->hand, c->code)) return 0;
  }
  // The turn has begun (a draw or a take) unless this is a dark-knock attempt, and a card
  // stays to be thrown.
  const int32_t t = p->seat.TurnId();
  if (variant != kKnockDark && p->seat.DrawnTurnId() != t && p->Count_Melds(t) == 0) return 0;
  if (p->hand.count - cards->count < 1) return 0;
  const uint32_t now = GetTickMs();
  // Collect the records first: `cards` may share records with the hand.
  VXType_card* moving[GameVXCardDeck::kCapacity] = {};
  int n = 0;
  for (int i = 0; i < cards->count; ++i) {
    const int at = p->hand.Index_Of(cards->cards[i]->code);
    if (at < 0) continue;
    moving[n++] = p->hand.cards[at];
    p->hand.Remove_At(at);
  }
  for (int i = 0; i < n; ++i) {
    VXType_card* c = moving[i];
    c->anim_time = now;
    c->turn_mark = t;
    c->owner_seat = seat;
    c->in_hand = 0;
    c->fresh = 1;
    c->selected = 0;
    if (!meld->Add_Card(c)) delete c;
  }
  p->pickup.Clear(true);
  p->hand.Clear_Selection();
  pile.Clear_Selection();
  Refresh_Buttons(true);
  Log(LOG_TRACE, "GameModePlay_virtual::Process_Player_Action_Attach END");
  return 1;
}

int GameModePlay_virtual::Process_Player_Action_Throw(int32_t code, int seat) {
  Log(LOG_TRACE, "GameModePlay_virtual::Process_Player_Action_Throw START");
  GameVXPlayer* p = Player(seat);
  if (!p || !IsPackCode(code)) return 0;
  const int at = p->hand.Index_Of(code);
  if (at < 0) return 0;
  const int32_t t = p->seat.TurnId();
  if (p->seat.DrawnTurnId() != t && p->Count_Melds(t) == 0) return 0;
  if (p->hand.count >= 2) return 0;
  VXType_card* c = p->hand.cards[at];
  p->hand.Remove_At(at);
  c->fresh = 1;
  c->anim_time = GetTickMs();
  c->turn_mark = t;
  c->owner_seat = seat;
  c->in_hand = 0;
  c->selected = 0;
  if (!pile.Add_Card(c)) delete c;
  p->pickup.Clear(true);
  p->hand.Clear_Selection();
  pile.Clear_Selection();
  Refresh_Buttons(false);
  Log(LOG_TRACE, "GameModePlay_virtual::Process_Player_Action_Throw END");
  return 1;
}
