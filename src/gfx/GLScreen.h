#pragma once
#include <cstdint>

#include "framework/ZBObject.h"

// A GL drawing target: maps the logical design space (origin top-left, y down) to
// window pixels (origin bottom-left, y up), runs the frame protocol, paces frames and
// measures frames per second, keeps a stack of clip rectangles and the transform and
// tint of screen transitions.
//
// With W, H the physical size and LW, LH the logical size, a logical point (x, y) lands
// on window pixel (x * W / LW, H - y * H / LH).
class GLScreen : public ZBObject {
 public:
  static constexpr int kMaxClipDepth = 10;

  struct ClipRect {
    int left, top, right, bottom;
  };

  GLScreen();
  ~GLScreen() override = default;

  // Stores the physical (window pixel) size and recomputes the scale factors; a zero
  // dimension is ignored (a minimised window keeps its last size).
  virtual void SetViewSize(int width, int height);
  // Starts a frame: fps bookkeeping, full-window viewport and projection, clip stack
  // and transition reset, optional clear. Returns 1.
  virtual int BeginFrame(int clear);
  virtual void EndFrame();
  virtual void Present();
  virtual void OnBeginFrame() {}
  virtual void OnPresent() {}
  // Moves and fades everything drawn until EndTransition (see the .cpp).
  virtual void BeginTransition(float progress, float dx, float dy, int leaving, float min_alpha);
  virtual void EndTransition();

  // Clip to a logical rectangle by moving the viewport; 0 when refused (depth 10 or
  // nothing to pop). Nested clips do not intersect: the innermost one alone applies.
  int PushClip(int left, int top, int right, int bottom);
  int PopClip();

  // True when more than 1/fps seconds passed since the last frame began.
  bool IsFrameDue(float fps) const;
  void UpdateFps();
  // Seconds since GL initialisation (wrap-safe: built from unsigned tick differences).
  double ClockSeconds() const;

  void SetLogicalSize(int width, int height) {
    m_logical_width = width;
    m_logical_height = height;
  }
  // Recomputes the four scale factors from the physical and logical sizes.
  void UpdateScale();
  // Resets the clock, fps and clip state and sets the fixed GL state; returns 1.
  int InitGL();

  // Logical to window pixel conversions (no truncation).
  float ToWindowX(float x) const { return x * m_scale_x; }
  float ToWindowY(float y) const { return static_cast<float>(m_physical_height) - y * m_scale_y; }

  float m_fps = 0.0f;
  int m_reserved0 = 0;
  int m_frame_count = 0;
  double m_accumulated = 0.0;
  uint32_t m_clock_origin_ms = 0;
  double m_last_frame_time = 0.0;
  int m_physical_width = 0;
  int m_physical_height = 0;
  int m_logical_width = 480;
  int m_logical_height = 800;
  float m_inv_scale_x = 1.0f;
  float m_inv_scale_y = 1.0f;
  float m_scale_x = 1.0f;
  float m_scale_y = 1.0f;
  int m_reserved1 = 0;
  float m_offset_x = 0.0f;
  float m_offset_y = 0.0f;  // stored negated: a positive logical move down is negative here
  float m_zoom_x = 1.0f;
  float m_zoom_y = 1.0f;
  ClipRect m_clip[kMaxClipDepth] = {};
  int m_clip_depth = 0;
  float m_tint[4] = {1.0f, 1.0f, 1.0f, 1.0f};

 protected:
  void ApplyFullViewport();
  void ApplyClip(const ClipRect& r, int ox, int oy);
};
