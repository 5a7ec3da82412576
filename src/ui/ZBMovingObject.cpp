#include "ui/ZBMovingObject.h"

#include "framework/Clock.h"

void ZBMovingObject::Step(uint32_t elapsed_ms) {
  if (!m_moving) return;
  const double t = static_cast<double>(elapsed_ms) / 1000.0;
  const ZBVector3D a = m_deceleration + m_acceleration1 + m_acceleration2;
  const ZBVector3D displacement = m_velocity * t + a * (t * t / 2.0);
  m_velocity += a * t;
  m_previous = *this;
  *this += displacement;
  if (m_velocity.length < kStopSpeed) m_moving = 0;
  // Only non-zero vectors have a direction to compare.
  if (m_velocity.length > 0.0 && m_initial_velocity.length > 0.0) {
    const ZBVector3D sum = m_velocity.Normalised() + m_initial_velocity.Normalised();
    if (sum.length < 0.001) OnReversed(m_initial_velocity, m_velocity);
  }
}

void ZBMovingObject::Update() {
  const uint32_t now = GetTickMs();
  Step(now - m_last_update);
  m_last_update = now;
}
