#pragma once
#include "ui/GLAnimation.h"

class GameModePlay;

// An item thrown from one seat's avatar to another's. For items 0 to 7 the target keeps
// the item's mark over its avatar: the mark is set when the flight is built, with the
// tick of the impact, and the end of the flight moves it to the moment it ends. Seats
// are looked up by index. Main thread only.
class VXPlayerAttack : public GLAnimation {
 public:
  static constexpr int kMarkedItems = 8;
  VXPlayerAttack(GameModePlay* mode, int attacker, int target, int item)
      : m_mode(mode), m_attacker(attacker), m_target(target), m_item(item) {}
  void OnStop() override;
  int target() const { return m_target; }
  int item() const { return m_item; }

 private:
  GameModePlay* m_mode;
  int m_attacker, m_target, m_item;
};
