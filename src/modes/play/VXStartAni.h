#pragma once
#include "ui/GLAnimation.h"

class GameModePlay;

// The deal's flight to one seat: when it ends, the seat's dealt cards appear. The seat
// is looked up by index at the end; an empty seat is left alone. Main thread only.
class VXStartAni : public GLAnimation {
 public:
  VXStartAni(GameModePlay* mode, int seat) : m_mode(mode), m_seat(seat) {}
  void OnStop() override;
  int seat() const { return m_seat; }

 private:
  GameModePlay* m_mode;
  int m_seat;
};
