#include "net/messages/GameVXPlayer.h"

#include <cstring>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "net/Packet.h"

GameVXPlayer::GameVXPlayer() {
  hand.kind = GameVXCardDeck::KIND_HAND;
}

GameVXPlayer::~GameVXPlayer() { Clear_Cards(); }

void GameVXPlayer::Delete_Melds() {
  for (GameVXCardDeck*& m : melds) ZBSafeRelease(m);
  meld_count = 0;
}

void GameVXPlayer::Clear_Cards() {
  hand.kind = GameVXCardDeck::KIND_HAND;
  hand.Clear(true);
  pickup.Clear(true);
  Delete_Melds();
}

void GameVXPlayer::Reset(const uint8_t* profile_in) {
  meld_count = 0;
  std::memset(profile, 0, sizeof(profile));
  for (size_t off = 184; off < 208; off += 4) {
    const int32_t minus_one = -1;
    std::memcpy(profile + off, &minus_one, 4);
  }
  seat.Reset();
  status = 0;
  if (profile_in) std::memcpy(profile, profile_in, kProfileSize);
  seat.SetReady(0);
  Clear_Cards();
}

GameVXCardDeck* GameVXPlayer::Add_Meld(int32_t kind) {
  if (meld_count < 0 || meld_count >= kMaxMelds) return nullptr;
  auto* d = new GameVXCardDeck;
  d->index = meld_count;
  d->kind = kind;
  melds[meld_count++] = d;
  return d;
}

GameVXCardDeck* GameVXPlayer::Find_Meld_For(const VXType_card* card) const {
  for (int i = 0; i < meld_count; ++i) {
    if (melds[i] && GameVXCardDeck::Can_Attach(card, melds[i])) return melds[i];
  }
  return nullptr;
}

int GameVXPlayer::Count_Melds(int32_t mark) const {
  if (mark == -1) return meld_count;
  int n = 0;
  for (int i = 0; i < meld_count; ++i)
    if (melds[i] && melds[i]->turn_mark == mark) ++n;
  return n;
}

int GameVXPlayer::Copy_From(const GameVXPlayer* other, bool deep) {
  if (!other || other == this) return 0;
  seat = other->seat;
  status = other->status;
  // The hand is replaced, not appended to; shared records must not be freed here.
  hand.Clear(true);
  hand.not_owner = deep ? 0 : 1;
  hand.Copy_From(&other->hand, deep);
  Delete_Melds();
  if (other->meld_count >= kMaxMelds) return 0;
  for (int i = 0; i < other->meld_count; ++i) {
    const GameVXCardDeck* src = other->melds[i];
    if (!src) continue;
    GameVXCardDeck* d = Add_Meld(src->kind);
    if (!d) break;
    d->Copy_From(src, true);
  }
  return 1;
}

int GameVXPlayer::Read(Packet& packet) {
  if (!packet.ReadBytes(profile, kProfileSize)) return 0;
  return Read_State_And_Cards(packet);
}

int GameVXPlayer::Read_State_And_Cards(Packet& packet) {
  if (!packet.ReadBytes(seat.raw, VXType_seat_state::kSize)) return 0;
  // The wire holds the time already used; keep the local tick the turn started at.
  seat.SetTurnStart(GetTickMs() - seat.TurnStart());
  if (!packet.ReadInt32(&status)) return 0;
  return Read_Cards(packet);
}

int GameVXPlayer::Read_Cards(Packet& packet) {
  Delete_Melds();
  pickup.Clear(true);
  if (!hand.Read(packet, true)) return 0;
  int32_t n = 0;
  if (!packet.ReadInt32(&n)) return 0;
  if (n < 0 || n >= kMaxMelds) {
    Log(LOG_WARNING, "[WARNING]: GameVXPlayer::Read| bad meld count %d", n);
    return 0;
  }
  for (int32_t i = 0; i < n; ++i) {
    GameVXCardDeck* d = Add_Meld(GameVXCardDeck::KIND_UNKNOWN);
    if (!d) return 0;
    if (!d->Read(packet, true)) {
      // A meld cut short is not kept.
      ZBSafeRelease(melds[--meld_count]);
      return 0;
    }
  }
  return 1;
}

int GameVXPlayer::Write(Packet& packet) const {
  if (!packet.WriteBytes(profile, kProfileSize)) return 0;
  return Write_State_And_Cards(packet);
}

int GameVXPlayer::Write_State_And_Cards(Packet& packet) const {
  if (!packet.WriteBytes(seat.raw, VXType_seat_state::kSize)) return 0;
  if (!packet.WriteInt32(status)) return 0;
  return Write_Cards(packet);
}

int GameVXPlayer::Write_Cards(Packet& packet) const {
  if (!hand.Write(packet)) return 0;
  if (!packet.WriteInt32(meld_count)) return 0;
  for (int i = 0; i < meld_count; ++i) {
    if (melds[i]) {
      if (!melds[i]->Write(packet)) return 0;
    } else {
      GameVXCardDeck empty;
      if (!empty.Write(packet)) return 0;
    }
  }
  return 1;
}

void GameVXPlayer::Mark_Usable_Cards(GameVXCardDeck* hand, GameVXPlayer* const players[kSeats]) {
  if (!hand) return;
  for (int i = 0; i < hand->count; ++i) {
    VXType_card* c = hand->cards[i];
    if (!c) continue;
    int usable = hand->Forms_Meld_With_Hand(c);
    for (int s = 0; !usable && players && s < kSeats; ++s) {
      if (players[s] && players[s]->Find_Meld_For(c)) usable = 1;
    }
    c->usable = usable;
  }
}

int64_t GameVXPlayer::Chips() const {
  int64_t v;
  std::memcpy(&v, profile + kProfileChipsOffset, 8);
  return v;
}

void GameVXPlayer::SetChips(int64_t v) { std::memcpy(profile + kProfileChipsOffset, &v, 8); }
