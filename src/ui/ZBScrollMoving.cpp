#include "ui/ZBScrollMoving.h"

#include <cstdlib>

#include "framework/Clock.h"

void ZBScrollMoving::SetExtents(double range_x, double range_y, double extent_x, double extent_y) {
  m_range_x = range_x > 0.0 ? range_x : 0.0;
  m_range_y = range_y > 0.0 ? range_y : 0.0;
  m_extent_x = extent_x;
  m_extent_y = extent_y;
  m_scrollable = (m_vertical ? m_range_y : m_range_x) > 1.0 ? 1 : 0;
  // A shorter content keeps the offset inside the new range.
  const int range = ActiveRange();
  if (m_offset < -range) m_offset = -range;
  if (m_offset > 0) m_offset = 0;
}

void ZBScrollMoving::Reset() {
  StopGlide();
  m_dragging = 0;
  m_offset = 0;
  m_drag_distance = 0;
  m_range_x = m_range_y = 0.0;
  m_extent_x = m_extent_y = 0.0;
  m_scrollable = 0;
  m_sample_count = 0;
}

void ZBScrollMoving::Track(int x, int y, bool sample) {
  const int range = ActiveRange();
  const int step = m_vertical ? y - m_last_y : x - m_last_x;
  m_offset += step;
  if (m_offset > 0) {
    m_offset = 0;
    m_moving = 0;
  }
  if (m_offset < -range) {
    m_offset = -range;
    m_moving = 0;
  }
  if (step != 0) {
    m_drag_distance += std::abs(step);
    m_last_step = step;
  }
  m_last_x = x;
  m_last_y = y;
  if (!sample) return;
  // Steps closer together than 10 ms (a fast mouse) add up into the next sample
  // instead of being lost, so fast drags still measure their speed.
  m_unsampled += std::abs(step);
  const uint32_t now = GetTickMs();
  const uint32_t dt = now - m_last_sample_time;
  if (dt <= 10) return;
  m_last_sample_time = now;
  const int distance = m_unsampled;
  m_unsampled = 0;
  if (distance == 0) return;
  double speed = static_cast<double>(distance) / static_cast<double>(dt) * 1000.0;
  if (speed > kMaxSampleSpeed) speed = kMaxSampleSpeed;
  m_speed = speed;
  if (m_sample_count == kSamples) {
    for (int i = 1; i < kSamples; ++i) m_samples[i - 1] = m_samples[i];
    --m_sample_count;
  }
  m_samples[m_sample_count++] = speed;
}

void ZBScrollMoving::EndDrag() {
  m_dragging = 0;
  m_drag_distance = 0;
  if (m_sample_count == 0) return;
  double sum = 0.0;
  for (int i = 0; i < m_sample_count; ++i) sum += m_samples[i];
  m_speed = sum / m_sample_count;
  const uint32_t now = GetTickMs();
  const uint32_t held = now - m_touch_down_time;
  if (m_speed < 50.0 || (held < 250 && m_speed < 100.0)) return;

  const int range = ActiveRange();
  Set(m_last_x, m_last_y, 0.0);
  const int sign = m_last_step < 0 ? -1 : 1;
  const ZBVector3D target = m_vertical ? ZBVector3D(m_last_x, m_last_y + sign * range, 0.0)
                                       : ZBVector3D(m_last_x + sign * range, m_last_y, 0.0);
  const ZBVector3D path = target - *this;
  // Nothing to glide over (no range or no direction): never normalise a zero vector.
  if (path.length <= 0.0 || m_last_step == 0) {
    m_speed = 0.0;
    return;
  }
  m_deceleration = path.Normalised() * -m_deceleration_rate;
  m_velocity = path * (m_speed / m_velocity_scale);
  m_initial_velocity = m_velocity;
  m_previous = *this;
  m_moving = 1;
  m_last_update = m_launch_time = m_last_glide_time = now;
  m_speed = 0.0;
}

void ZBScrollMoving::Glide() {
  if (!m_moving) return;
  const uint32_t now = GetTickMs();
  if (now - m_last_glide_time > kMaxGlideGapMs) {
    // A stalled frame: stop rather than jump.
    m_moving = 0;
    m_dragging = 0;
    m_speed = 0.0;
    return;
  }
  Update();
  Track(static_cast<int>(x), static_cast<int>(y), false);
  m_last_glide_time = now;
  if (!m_moving) m_speed = 0.0;
}

void ZBScrollMoving::OnReversed(const ZBVector3D& initial_velocity, const ZBVector3D& velocity) {
  (void)initial_velocity, (void)velocity;
  m_moving = 0;
}

int ZBScrollMoving::OnTouchDown(int button, int x, int y) {
  (void)button;
  if (Ignores()) return 0;
  if (!HitTest(x, y)) {
    m_anchor = -1;
    m_has_anchor = 0;
    return 0;
  }
  m_anchor = AxisOf(x, y);
  m_has_anchor = 1;
  m_sample_count = 0;
  const int was_moving = m_moving;
  StopGlide();
  m_dragging = 1;
  m_last_x = x;
  m_last_y = y;
  m_last_sample_time = m_touch_down_time = GetTickMs();
  m_drag_distance = 0;
  m_unsampled = 0;
  return was_moving;
}

int ZBScrollMoving::OnTouchMove(int button, int x, int y) {
  (void)button;
  if (Ignores() || !m_dragging) return 0;
  if (HitTest(x, y)) {
    Track(x, y, true);
    return 1;
  }
  EndDrag();
  return 0;
}

int ZBScrollMoving::OnTouchUp(int button, int x, int y) {
  (void)button;
  if (Ignores()) return 0;
  const int result = HitTest(x, y) ? 1 : 0;
  if (m_dragging) {
    Track(x, y, true);
    EndDrag();
  }
  return result;
}

int ZBScrollMoving::OnWheel(int delta, int x, int y) {
  if (Ignores() || !m_has_anchor) return 0;
  // Step from the last tracked point, so a wheel after a drag moves by `delta` alone.
  m_anchor = (m_vertical ? m_last_y : m_last_x) + delta;
  if (m_vertical) Track(x, m_anchor, true);
  else Track(m_anchor, y, true);
  return 1;
}
