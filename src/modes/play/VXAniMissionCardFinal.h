#pragma once
#include "ui/GLAnimation.h"

// The mission value's badge rising where the table shows it. The value is already in
// the turn record (the events store it first); the animation only shows it, so its end
// changes nothing. Main thread only.
class VXAniMissionCardFinal : public GLAnimation {
 public:
  explicit VXAniMissionCardFinal(int value) : m_value(value) {}
  int value() const { return m_value; }

 private:
  int m_value;
};
