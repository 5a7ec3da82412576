#include "net/messages/GameVXCardDeck.h"

#include <algorithm>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "net/Packet.h"

namespace {

constexpr size_t kDeckHeaderSize = 16;

// Order of two neighbours for the hand sort: true when they must be swapped.
bool SortsAfter(const VXType_card* prev, const VXType_card* cur, int32_t sort_mode) {
  if (!prev || !cur) return false;
  if (sort_mode == GameVXCardDeck::SORT_BY_SUIT) {
    if (prev->Suit() != cur->Suit()) return prev->Suit() > cur->Suit();
  }
  return prev->Rank() > cur->Rank();
}

}  // namespace

GameVXCardDeck::~GameVXCardDeck() { Clear(true); }

void GameVXCardDeck::Clear(bool free) {
  for (VXType_card*& c : cards) {
    if (free && !not_owner) delete c;
    c = nullptr;
  }
  count = 0;
  turn_mark = 0;
}

int GameVXCardDeck::Add_Card(VXType_card* card) {
  if (!card || card->code < 0 || card->code > kCardExtra || count >= kCapacity) return 0;
  // The same record twice in one deck would be freed twice.
  for (int i = 0; i < count; ++i) {
    if (cards[i] == card) return 0;
  }
  cards[count++] = card;
  if (kind == KIND_RUN) Sort();
  return 1;
}

void GameVXCardDeck::Add_All(const GameVXCardDeck* src) {
  if (!src || src == this) return;
  for (int i = 0; i < src->count; ++i) Add_Card(src->cards[i]);
}

int GameVXCardDeck::Index_Of(int32_t code) const {
  for (int i = 0; i < count; ++i) {
    if (cards[i] && cards[i]->code == code) return i;
  }
  return -1;
}

void GameVXCardDeck::Remove_At(int i) {
  if (i < 0 || i >= count) return;
  cards[i] = nullptr;
  Compact();
}

void GameVXCardDeck::Compact() {
  int n = 0;
  for (int i = 0; i < kCapacity; ++i) {
    if (!cards[i]) continue;
    if (i != n) {
      cards[n] = cards[i];
      cards[i] = nullptr;
    }
    ++n;
  }
  count = n;
}

int GameVXCardDeck::Move_Card(const VXType_card* card, GameVXCardDeck* dest) {
  if (!card || !dest) return 0;
  const int i = Index_Of(card->code);
  if (i < 0) return 0;
  if (!dest->Add_Card(cards[i])) return 0;
  cards[i] = nullptr;
  Compact();
  return 1;
}

int GameVXCardDeck::Move_Matching(const GameVXCardDeck* src, GameVXCardDeck* dest) {
  if (!src || !dest) return 0;
  // Take the codes first: src may be this deck or the destination.
  int32_t codes[kCapacity];
  const int n = src->count;
  for (int i = 0; i < n; ++i) codes[i] = src->cards[i] ? src->cards[i]->code : kCardNone;
  int moved = 0;
  for (int i = 0; i < n; ++i) {
    VXType_card probe;
    probe.code = codes[i];
    moved += Move_Card(&probe, dest);
  }
  return moved;
}

int GameVXCardDeck::Move_From(GameVXCardDeck* dest, int index, GameVXCardDeck* src) {
  if (!dest || !src || dest == src || index < 0 || index >= src->count) return 0;
  int moved = 0;
  for (int i = index; i < src->count; ++i) {
    if (src->cards[i] && dest->Add_Card(src->cards[i])) {
      src->cards[i] = nullptr;
      ++moved;
    }
  }
  if (moved > 0) src->Compact();
  return moved;
}

int GameVXCardDeck::Count_Common(const GameVXCardDeck* other) const {
  if (!other) return 0;
  int n = 0;
  for (int i = 0; i < count; ++i) {
    if (cards[i] && other->Index_Of(cards[i]->code) >= 0) ++n;
  }
  return n;
}

int GameVXCardDeck::Copy_From(const GameVXCardDeck* src, bool deep) {
  if (!src || src == this || src->count >= kCapacity) return 0;
  kind = src->kind;
  index = src->index;
  turn_mark = src->turn_mark;
  for (int i = 0; i < src->count; ++i) {
    VXType_card* c = src->cards[i];
    if (!c) continue;
    if (deep) {
      VXType_card* copy = c->Clone();
      if (!Add_Card(copy)) delete copy;  // full: the clone would otherwise be lost
    } else {
      Add_Card(c);
    }
  }
  Compact();
  return 1;
}

void GameVXCardDeck::Set_All_In_Hand(int32_t v) {
  for (int i = 0; i < count; ++i)
    if (cards[i]) cards[i]->in_hand = v;
}

void GameVXCardDeck::Set_All_Anim_Time(uint32_t t) {
  for (int i = 0; i < count; ++i)
    if (cards[i]) cards[i]->anim_time = t;
}

void GameVXCardDeck::Stamp_Owner(int32_t seat) {
  const uint32_t now = GetTickMs();
  for (int i = 0; i < count; ++i) {
    if (!cards[i]) continue;
    cards[i]->anim_time = now;
    cards[i]->owner_seat = seat;
  }
}

void GameVXCardDeck::Clear_Selection() {
  for (int i = 0; i < count; ++i)
    if (cards[i]) cards[i]->selected = 0;
}

void GameVXCardDeck::Sort() {
  // Stable bubble sort; each pass ends one pair earlier than the one before.
  for (int end = count - 1; end > 0; --end) {
    bool swapped = false;
    for (int i = 1; i <= end; ++i) {
      if (SortsAfter(cards[i - 1], cards[i], sort_mode)) {
        std::swap(cards[i - 1], cards[i]);
        swapped = true;
      }
    }
    if (!swapped) break;
  }
}

int GameVXCardDeck::Is_Valid_Meld() {
  if (count < 3) return 0;
  if (kind == KIND_PLAIN || kind == KIND_HAND) return 0;
  if (kind != KIND_RUN && kind != KIND_SET) return 1;
  // Code 52 and "no card" are never part of a meld, not even in the first slot.
  if (!cards[0] || !IsPackCode(cards[0]->code)) return 0;
  if (kind == KIND_RUN) {
    Sort();
    bool seen[52] = {};
    seen[cards[0]->code] = true;
    for (int i = 1; i < count; ++i) {
      const VXType_card* prev = cards[i - 1];
      const VXType_card* cur = cards[i];
      if (!cur || !IsPackCode(cur->code) || seen[cur->code]) return 0;
      seen[cur->code] = true;
      if (cur->Suit() != prev->Suit() || cur->Rank() != prev->Rank() + 1) return 0;
    }
    return 1;
  }
  const int rank = cards[0]->Rank();
  for (int i = 1; i < count; ++i) {
    const VXType_card* cur = cards[i];
    if (!cur || !IsPackCode(cur->code) || cur->Rank() != rank) return 0;
  }
  return 1;
}

int GameVXCardDeck::Check_Meld_With(const GameVXCardDeck* selection, const GameVXCardDeck* meld) {
  if (!selection || !meld) return 0;
  GameVXCardDeck tmp;
  tmp.not_owner = 1;
  tmp.kind = meld->kind;
  tmp.sort_mode = meld->sort_mode;
  tmp.Add_All(selection);
  tmp.Add_All(meld);
  return tmp.Is_Valid_Meld();
}

int GameVXCardDeck::Can_Attach(const VXType_card* card, const GameVXCardDeck* meld) {
  if (!card || !IsPackCode(card->code) || !meld || meld->count < 3) return 0;
  const VXType_card* first = meld->cards[0];
  if (meld->kind == KIND_RUN) {
    const VXType_card* last = meld->cards[meld->count - 1];
    if (!first || !last || card->Suit() != first->Suit()) return 0;
    return (first->Rank() - 1 == card->Rank() || last->Rank() + 1 == card->Rank()) ? 1 : 0;
  }
  if (meld->kind == KIND_SET) {
    if (!first) return 1;
    return card->Rank() == first->Rank() ? 1 : 0;
  }
  return 0;
}

int GameVXCardDeck::Forms_Meld_With_Hand(const VXType_card* card) const {
  if (!card || !IsPackCode(card->code)) return 0;
  int by_rank[13] = {};
  int same_suit[13] = {};
  const int r = card->Rank();
  const int s = card->Suit();
  for (int i = 0; i < count; ++i) {
    const VXType_card* c = cards[i];
    if (!c || !IsPackCode(c->code)) continue;
    ++by_rank[c->Rank()];
    if (c->Suit() == s) ++same_suit[c->Rank()];
  }
  if (by_rank[r] >= 3) return 1;
  if (r >= 2 && same_suit[r - 1] > 0 && same_suit[r - 2] > 0) return 1;
  if (r <= 10 && same_suit[r + 1] > 0 && same_suit[r + 2] > 0) return 1;
  if (r >= 1 && r <= 11 && same_suit[r - 1] > 0 && same_suit[r + 1] > 0) return 1;
  return 0;
}

int GameVXCardDeck::Feeds_Special(int32_t special, const GameVXCardDeck* pile, int32_t thrown,
                                  int32_t same_rank_on_table, const int32_t seen[13]) {
  if (!IsPackCode(special) || !IsPackCode(thrown) || !pile || !seen) return 0;
  const int ra = CardRank(special);
  const int rb = CardRank(thrown);
  // Ranks outside 0..12 (the "14" bound past the king) hold no card: never open.
  int near_rank[13] = {};
  auto near_at = [&](int k) { return k >= 0 && k <= 12 ? near_rank[k] : 0; };
  auto open_at = [&](int k) { return k >= 0 && k <= 12 && seen[k] < 1; };

  if (CardSuit(thrown) == CardSuit(special) && ra - 3 < rb && rb < ra + 3) {
    for (int i = 0; i < pile->count; ++i) {
      const VXType_card* c = pile->cards[i];
      if (!c || !IsPackCode(c->code) || c->code == thrown) continue;
      if (c->Suit() != CardSuit(special)) continue;
      const int k = c->Rank();
      if (ra - 3 < k && k < ra + 3) ++near_rank[k];
    }
    bool any_near = false;
    for (int k = rb - 2; k <= rb + 2; ++k) any_near = any_near || near_at(k) > 0;
    if (any_near) {
      if (ra == rb && ra >= 2 && ra <= 10) {
        if ((near_at(rb - 2) > 0 && open_at(rb - 1)) || (near_at(rb - 1) > 0 && open_at(rb - 2)) ||
            (near_at(rb + 2) > 0 && open_at(rb + 1)) || (near_at(rb + 1) > 0 && open_at(rb + 2)))
          return 1;
      } else {
        int lo = std::max({ra - 2, 0, rb - 1});
        int hi = std::min(ra + 2, rb + 1);
        if (lo > 12) lo = 14;
        if (hi > 12) hi = 14;
        if (lo == rb && lo < 11) {
          if ((near_at(lo + 2) > 0 && open_at(lo + 1)) || (near_at(lo + 1) > 0 && open_at(lo + 2))) return 1;
        } else if (hi == rb && hi > 1) {
          if ((near_at(hi - 2) > 0 && open_at(hi - 1)) || (near_at(hi - 1) > 0 && open_at(hi - 2))) return 1;
        } else {
          if ((lo != rb && open_at(lo) && near_at(lo) < 1) || (hi != rb && open_at(hi) && near_at(hi) < 1))
            return 1;
        }
      }
    }
  }
  if (ra == rb) {
    int same = 0;
    for (int i = 0; i < pile->count; ++i) {
      const VXType_card* c = pile->cards[i];
      if (c && IsPackCode(c->code) && c->Rank() == rb) ++same;
    }
    if (same >= 2 && same + same_rank_on_table < 4) return 1;
  }
  return 0;
}

VXType_card* GameVXCardDeck::Hit_Test(int x, int y) const {
  for (int i = count - 1; i >= 0; --i) {
    VXType_card* c = cards[i];
    if (c && x >= c->rect[0] && x <= c->rect[2] && y >= c->rect[1] && y <= c->rect[3]) return c;
  }
  return nullptr;
}

void GameVXCardDeck::Reorder_By_Position(const VXType_card* dragged) {
  if (!dragged) return;
  const int di = Index_Of(dragged->code);
  if (di < 0) return;
  const VXType_card* d = cards[di];
  int32_t keys[kCapacity] = {};

  // Rows of the other cards, in hand order; the pitch is the left edge of the last card
  // of the first row, so every later row sorts after the whole first row.
  bool first = true;
  int32_t first_top = 0, prev_top = 0, row_pitch = 0;
  bool in_first_row = true;
  int rows = 0, greater = 0;
  int32_t last_greater = 0;
  for (int i = 0; i < count; ++i) {
    if (i == di || !cards[i]) continue;
    const VXType_card* c = cards[i];
    const int32_t top = c->rect[1];
    if (first) {
      first = false;
      first_top = prev_top = top;
    }
    if (in_first_row) {
      if (top == first_top)
        row_pitch = c->rect[0];
      else
        in_first_row = false;
    }
    if (top > d->rect[1] && (greater == 0 || top != last_greater)) {
      ++greater;
      last_greater = top;
    }
    if (top != prev_top) {
      ++rows;
      prev_top = top;
    }
  }
  if (first) return;  // the dragged card is alone

  int row = 0;
  prev_top = first_top;
  for (int i = 0; i < count; ++i) {
    if (i == di || !cards[i]) continue;
    if (cards[i]->rect[1] != prev_top) {
      ++row;
      prev_top = cards[i]->rect[1];
    }
    keys[i] = cards[i]->rect[0] + row * row_pitch;
  }
  const int drow = std::max(0, rows - greater);
  keys[di] = drow * row_pitch + d->rect[0];

  bool any_swap = false;
  for (int end = count - 1; end > 0; --end) {
    bool swapped = false;
    for (int i = 1; i <= end; ++i) {
      if (keys[i - 1] > keys[i]) {
        std::swap(keys[i - 1], keys[i]);
        std::swap(cards[i - 1], cards[i]);
        swapped = true;
      }
    }
    if (!swapped) break;
    any_swap = true;
  }
  if (any_swap) Clear_Selection();
}

int GameVXCardDeck::Write(Packet& packet) const {
  if (count >= kCapacity) {
    // Not representable on the wire (readers refuse it): an empty header keeps the
    // stream readable and the deck itself is left as it is.
    Log(LOG_WARNING, "[WARNING]: GameVXCardDeck::Write| %d cards cannot be sent", count);
    packet.WriteInt32(kind);
    packet.WriteInt32(index);
    packet.WriteInt32(turn_mark);
    packet.WriteInt32(0);
    return 0;
  }
  const size_t need = kDeckHeaderSize + static_cast<size_t>(count) * kCardWireSize;
  if (packet.write_len > kPacketMaxPayload || need > kPacketMaxPayload - packet.write_len) return 0;
  packet.WriteInt32(kind);
  packet.WriteInt32(index);
  packet.WriteInt32(turn_mark);
  packet.WriteInt32(count);
  for (int i = 0; i < count; ++i) {
    if (cards[i]) {
      cards[i]->Write(packet);
    } else {
      VXType_card none;
      none.Write(packet);
    }
  }
  return 1;
}

int GameVXCardDeck::Read(Packet& packet, bool free) {
  Clear(free);
  // The records read here are new: this deck owns them.
  not_owner = 0;
  if (!packet.ReadInt32(&kind) || !packet.ReadInt32(&index) || !packet.ReadInt32(&turn_mark)) return 0;
  int32_t n = 0;
  if (!packet.ReadInt32(&n)) return 0;
  if (n < 0 || n >= kCapacity) {
    Log(LOG_WARNING, "[WARNING]: GameVXCardDeck::Read| bad card count %d", n);
    return 0;
  }
  for (int32_t i = 0; i < n; ++i) {
    auto* c = new VXType_card;
    if (!c->Read(packet)) {
      delete c;
      Compact();
      return 0;
    }
    // A code the deck refuses (outside 0..52) is dropped, not kept half-owned.
    if (!Add_Card(c)) delete c;
  }
  Compact();
  return 1;
}
