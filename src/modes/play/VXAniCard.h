#pragma once
#include <cstdint>

#include "ui/GLAnimation.h"

class GameModePlay;

// The flight of a drawn card from the stock to a seat. The card is already in that
// seat's hand (the table changes first) and hidden by its future `anim_time`; the end
// of the flight finds the seat by index and the card by code and shows it at once. The
// animation never holds the card record, so a seat that empties (or a card that moves
// on) while the card flies leaves nothing behind to free. Main thread only.
class VXAniCard : public GLAnimation {
 public:
  VXAniCard(GameModePlay* mode, int seat, int32_t code) : m_mode(mode), m_seat(seat), m_code(code) {}
  void OnStop() override;

  int seat() const { return m_seat; }
  int32_t code() const { return m_code; }

 private:
  GameModePlay* m_mode;
  int m_seat;
  int32_t m_code;
};
