#pragma once
#include <cstdint>

#include "ui/ZBVector3D.h"

// A point mass (its position is the vector base) moved by a velocity and three
// accelerations, integrated from wall-clock milliseconds. Main thread only.
class ZBMovingObject : public ZBVector3D {
 public:
  static constexpr double kStopSpeed = 1.5;

  virtual ~ZBMovingObject() = default;

  // Advances the motion by `elapsed_ms`: the motion stops when the speed falls below
  // 1.5 units per second, and OnReversed runs when the velocity has turned round.
  virtual void Step(uint32_t elapsed_ms);
  // Steps by the time since the last update.
  virtual void Update();
  // The velocity points against the launch velocity. Nothing here.
  virtual void OnReversed(const ZBVector3D& initial_velocity, const ZBVector3D& velocity) {
    (void)initial_velocity, (void)velocity;
  }

  const ZBVector3D& Position() const { return *this; }

  int m_moving = 0;
  ZBVector3D m_previous;
  ZBVector3D m_velocity;
  ZBVector3D m_deceleration;
  ZBVector3D m_initial_velocity;
  ZBVector3D m_acceleration1;
  ZBVector3D m_acceleration2;
  uint32_t m_last_update = 0;
  uint32_t m_launch_time = 0;
};
