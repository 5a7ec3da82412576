#pragma once
#include <cstdint>

#include "framework/ZBObject.h"
#include "net/messages/VXType_card.h"

struct Packet;

// A container of up to 52 cards: a hand, a laid-down meld, the discard pile, the stock,
// a selection or any temporary set. Cards are packed from slot 0. Used only on the
// frame thread.
class GameVXCardDeck : public ZBObject {
 public:
  static constexpr int kCapacity = 52;
  // Kinds.
  enum : int32_t { KIND_PLAIN = 0, KIND_HAND = 1, KIND_RUN = 2, KIND_SET = 3, KIND_UNKNOWN = -1 };
  // sort_mode 2 sorts by suit then rank; anything else by rank only.
  enum : int32_t { SORT_BY_SUIT = 2, SORT_BY_RANK = 1 };

  GameVXCardDeck() = default;
  ~GameVXCardDeck() override;

  // Frees the cards when `free` is set and the deck owns them; empties every slot.
  void Clear(bool free);
  // Appends a card (codes 0..52); a run re-sorts at once. 0 for null, bad code or full.
  int Add_Card(VXType_card* card);
  // Appends every card of `src`, sharing the records.
  void Add_All(const GameVXCardDeck* src);
  int Index_Of(int32_t code) const;
  VXType_card* At(int index) const { return index >= 0 && index < count ? cards[index] : nullptr; }
  // Takes the card out of its slot without freeing it, then packs the deck.
  void Remove_At(int index);
  void Compact();
  // Moves the first card with the code of `card` into `dest`. A card that `dest`
  // refuses stays here.
  int Move_Card(const VXType_card* card, GameVXCardDeck* dest);
  int Move_Matching(const GameVXCardDeck* src, GameVXCardDeck* dest);
  // Moves the cards of `src` from `index` to its end into `dest`, in order; a card that
  // `dest` refuses stays in `src`.
  static int Move_From(GameVXCardDeck* dest, int index, GameVXCardDeck* src);
  int Count_Common(const GameVXCardDeck* other) const;
  // Copies kind, index and turn mark, then appends the source's cards (clones when
  // `deep`, shared records otherwise: a shallow copy belongs in a non-owning deck).
  int Copy_From(const GameVXCardDeck* src, bool deep);
  void Set_All_In_Hand(int32_t v);
  void Set_All_Anim_Time(uint32_t t);
  void Stamp_Owner(int32_t seat);
  void Clear_Selection();

  void Sort();
  int Is_Valid_Meld();
  static int Check_Meld_With(const GameVXCardDeck* selection, const GameVXCardDeck* meld);
  static int Can_Attach(const VXType_card* card, const GameVXCardDeck* meld);
  // On a hand: whether `card` makes a set or a run with the hand's cards.
  int Forms_Meld_With_Hand(const VXType_card* card) const;
  // Whether throwing `thrown` onto `pile` opens a way to use the special card.
  static int Feeds_Special(int32_t special, const GameVXCardDeck* pile, int32_t thrown,
                           int32_t same_rank_on_table, const int32_t seen[13]);
  VXType_card* Hit_Test(int x, int y) const;
  // Re-inserts a dragged card into the hand by where it was dropped.
  void Reorder_By_Position(const VXType_card* dragged);

  // Wire form: kind, index, turn_mark, count, then the cards.
  int Write(Packet& packet) const;
  int Read(Packet& packet, bool free);

  VXType_card* cards[kCapacity] = {};
  int32_t index = 0;
  int32_t kind = KIND_PLAIN;
  int32_t count = 0;
  int32_t turn_mark = 0;
  int32_t sort_mode = 0;
  int32_t not_owner = 0;
};
