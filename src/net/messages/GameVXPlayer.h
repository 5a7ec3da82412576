#pragma once
#include <cstdint>

#include "net/messages/GameVXCardDeck.h"
#include "net/messages/VXType_seat_state.h"

struct Packet;

// One seated player: profile, seat state, hand, the discards picked up this turn and
// the laid-down melds. Used only on the frame thread.
class GameVXPlayer {
 public:
  static constexpr int kMaxMelds = 20;
  static constexpr int kSeats = 4;
  // The profile is the 516-byte account block (user record) of the seated user.
  static constexpr size_t kProfileSize = 516;
  static constexpr size_t kProfileChipsOffset = 148;  // int64
  static constexpr size_t kProfileItemsOffset = 224;  // the item block
  static constexpr size_t kProfileItemsSize = 92;

  GameVXPlayer();
  virtual ~GameVXPlayer();
  GameVXPlayer(const GameVXPlayer&) = delete;
  GameVXPlayer& operator=(const GameVXPlayer&) = delete;

  // Empties hand, pick-up list and melds.
  void Clear_Cards();
  // Back to an empty seat, taking over the given profile (516 bytes) when not null.
  void Reset(const uint8_t* profile_in);
  // A new owning meld deck of the given kind, or null when 20 melds are laid.
  GameVXCardDeck* Add_Meld(int32_t kind);
  GameVXCardDeck* Find_Meld_For(const VXType_card* card) const;
  // With mark -1 the number of melds, else the melds laid in the turn `mark`.
  int Count_Melds(int32_t mark) const;
  // Seat state, status, hand (cloned when `deep`) and melds (always cloned) of `other`.
  int Copy_From(const GameVXPlayer* other, bool deep = true);

  // The player form: profile, seat state, status, hand, meld count, melds.
  int Read(Packet& packet);
  // The same without the profile (table messages in mode 1).
  int Read_State_And_Cards(Packet& packet);
  // Hand, meld count and melds only (table messages in mode 2).
  int Read_Cards(Packet& packet);
  int Write(Packet& packet) const;
  int Write_State_And_Cards(Packet& packet) const;
  int Write_Cards(Packet& packet) const;

  // Sets the `usable` hint on every card of `hand`: it forms a meld with the hand, or it
  // can be attached to a meld of any seated player (null entries are empty seats).
  static void Mark_Usable_Cards(GameVXCardDeck* hand, GameVXPlayer* const players[kSeats]);

  const char* AccountId() const { return reinterpret_cast<const char*>(profile); }
  int64_t Chips() const;
  void SetChips(int64_t v);

  int32_t reserved = 0;
  int32_t status = 0;  // current run of wins
  uint8_t profile[kProfileSize] = {};
  VXType_seat_state seat;
  GameVXCardDeck hand;
  GameVXCardDeck pickup;  // copies of the cards picked up (or laid, for the result); owned
  GameVXCardDeck* melds[kMaxMelds] = {};
  int32_t meld_count = 0;

 private:
  void Delete_Melds();
};
