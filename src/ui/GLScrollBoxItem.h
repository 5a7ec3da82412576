#pragma once
#include <cstdint>

#include "framework/ZBObject.h"
#include "ui/ZBEventCtrl.h"

// One row of a scroll box. The box lays it out (sets its rectangle) before drawing it
// and before offering it a touch; subclasses draw it and give its extent along the
// box's axis (`m_height`, a width in a sideways box).
//
// States: 0 normal, 1 hover, 2 pressed, 3 disabled (owner-set, blocks input). A press
// released inside reports the item to its receiver (the box) at most once per 500 ms,
// unless the box marked the gesture as a drag (`m_moved`). Main thread only.
class GLScrollBoxItem : public ZBObject, public ZBEventCtrl {
 public:
  enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

  explicit GLScrollBoxItem(int height = 0) : m_height(height) {}
  ~GLScrollBoxItem() override = default;

  int Draw() override { return 0; }
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;

  int m_height = 0;
  int m_moved = 0;
  int m_state = kNormal;
  uint32_t m_last_notify = 0;
  uint32_t m_notify_interval = 500;

 protected:
  bool Ignores() const { return m_hidden || !m_enabled || m_state == kDisabled; }
};
