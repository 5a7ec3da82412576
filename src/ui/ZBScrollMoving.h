#pragma once
#include <cstdint>

#include "ui/ZBEventCtrl.h"
#include "ui/ZBMovingObject.h"

// Turns drags inside its rectangle into a scroll offset along one axis (y when
// vertical, x otherwise), measures the drag speed and, on release, launches a
// decelerating glide that `Glide` advances once per drawn frame. The offset runs from
// -range (the end of the content) to 0 (its start); there is no overscroll.
//
// Glide stops: the speed falls below 1.5, the velocity turns round, an edge is
// reached, a touch goes down inside, or a frame comes more than 200 ms after the last.
// Main thread only.
class ZBScrollMoving : public ZBMovingObject, public ZBEventCtrl {
 public:
  static constexpr double kMaxSampleSpeed = 10000.0;
  static constexpr uint32_t kMaxGlideGapMs = 200;
  static constexpr int kSamples = 3;

  int Draw() override { return 0; }
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  // Moves the content by `delta` along the scroll axis; needs a touch down inside
  // first (the anchor). Never starts a glide.
  int OnWheel(int delta, int x, int y) override;
  void OnReversed(const ZBVector3D& initial_velocity, const ZBVector3D& velocity) override;

  // Stores the maximum scroll distances (never below 0) and the two extents.
  void SetExtents(double range_x, double range_y, double extent_x, double extent_y);
  // One drag step to (x, y); with `sample`, a speed sample is taken as well.
  void Track(int x, int y, bool sample);
  // The drag ended: launches a glide when the release was fast enough.
  void EndDrag();
  // Advances a running glide; called once per drawn frame.
  void Glide();
  // Stops any glide and forgets the offset, ranges and drag state.
  void Reset();
  // Stops the glide where it is.
  void StopGlide() {
    m_moving = 0;
    m_speed = 0.0;
  }

  bool IsGliding() const { return m_moving != 0; }
  int ActiveRange() const { return static_cast<int>(m_vertical ? m_range_y : m_range_x); }
  int AxisOf(int x, int y) const { return m_vertical ? y : x; }

  int m_vertical = 1;
  int m_offset = 0;
  int m_drag_distance = 0;
  int m_scrollable = 0;
  double m_range_x = 0.0, m_range_y = 0.0;
  double m_extent_x = 0.0, m_extent_y = 0.0;
  double m_samples[kSamples] = {};
  int m_sample_count = 0;
  double m_speed = 0.0;
  int m_last_x = 0, m_last_y = 0;
  uint32_t m_last_sample_time = 0;
  int m_unsampled = 0;  // drag units since the last speed sample
  int m_dragging = 0;
  int m_last_step = 0;
  uint32_t m_touch_down_time = 0;
  uint32_t m_last_glide_time = 0;
  double m_velocity_scale = 3000.0;
  double m_deceleration_rate = 5000.0;
  // Position along the scroll axis of the last touch down inside; -1: none.
  int m_anchor = -1;
  int m_has_anchor = 0;

 private:
  bool Ignores() const { return !m_scrollable || m_hidden || !m_enabled; }
};
