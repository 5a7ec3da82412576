#pragma once
#include <cstdint>

struct Packet;

// Card codes: 0..51 are the standard pack (suit = code / 13, rank = code % 13), 52 is
// accepted by the containers but never meldable, -1 is "no card".
constexpr int32_t kCardNone = -1;
constexpr int32_t kCardExtra = 52;
constexpr int kCardsPerSuit = 13;
constexpr int kCardWireSize = 20;

inline bool IsPackCode(int32_t code) { return code >= 0 && code <= 51; }
inline int CardSuit(int32_t code) { return code / kCardsPerSuit; }
inline int CardRank(int32_t code) { return code % kCardsPerSuit; }

// One card on the table or in a hand. Allocated one by one and owned by the deck that
// holds it (unless that deck is marked as not owning its cards).
struct VXType_card {
  int32_t code = kCardNone;
  int32_t owner_seat = -1;   // seat that laid the card on the table
  int32_t turn_mark = 0;     // laying player's turn id when the meld was laid
  int32_t in_hand = 0;       // 1 in a hand, 0 on the table
  int32_t extra = 0;         // carried unchanged from and to the wire
  int32_t fresh = 0;         // part of a meld just laid in the staged-move mode
  uint32_t anim_time = 0;    // tick when the card last changed place
  int32_t selected = 0;      // raised in the hand by the user
  int32_t usable = 0;        // hint: could be laid or attached
  int32_t changed = 0;       // arrived by a card change
  uint32_t changed_time = 0;
  int32_t rect[4] = {0, 0, 0, 0};  // last drawn rectangle: left, top, right, bottom

  int Suit() const { return CardSuit(code); }
  int Rank() const { return CardRank(code); }

  // Wire form: five int32 (code, owner_seat, in_hand as 0/1, turn_mark, extra).
  int Write(Packet& packet) const;
  // Reads the 20-byte wire form; refused (0, record unchanged) when fewer than 20 bytes
  // remain.
  int Read(Packet& packet);
  // A new record with the fields that travel with a card (and its animation time).
  VXType_card* Clone() const;
};
