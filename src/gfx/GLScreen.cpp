#include "gfx/GLScreen.h"

#include <GL/gl.h>

#include "framework/Clock.h"
#include "gfx/GLSurface.h"

GLScreen::GLScreen() = default;

void GLScreen::SetViewSize(int width, int height) {
  if (width == 0 || height == 0) return;
  m_physical_width = width;
  m_physical_height = height;
  UpdateScale();
  if (GLSurface* surface = GLSurface::InstanceIfAny()) surface->MarkFontSizesStale();
}

void GLScreen::UpdateScale() {
  if (m_physical_width <= 0 || m_physical_height <= 0 || m_logical_width <= 0 || m_logical_height <= 0) return;
  const float w = static_cast<float>(m_physical_width), h = static_cast<float>(m_physical_height);
  const float lw = static_cast<float>(m_logical_width), lh = static_cast<float>(m_logical_height);
  m_scale_x = w / lw;
  m_scale_y = h / lh;
  m_inv_scale_x = lw / w;
  m_inv_scale_y = lh / h;
}

int GLScreen::InitGL() {
  m_tint[0] = m_tint[1] = m_tint[2] = m_tint[3] = 1.0f;
  UpdateScale();
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  m_fps = 0.0f;
  m_frame_count = 0;
  m_accumulated = 0.0;
  m_clip_depth = 0;
  m_clock_origin_ms = GetTickMs();
  m_last_frame_time = 0.0;
  return 1;
}

double GLScreen::ClockSeconds() const {
  return static_cast<double>(static_cast<uint32_t>(GetTickMs() - m_clock_origin_ms)) / 1000.0;
}

void GLScreen::UpdateFps() {
  m_frame_count += 1;
  const double t = ClockSeconds();
  m_accumulated += t - m_last_frame_time;
  if (m_accumulated >= 1.0) {
    m_fps = static_cast<float>(m_frame_count / m_accumulated);
    m_frame_count = 0;
    m_accumulated = 0.0;
  }
  m_last_frame_time = t;
}

bool GLScreen::IsFrameDue(float fps) const {
  if (fps <= 0.0f) return true;
  return 1.0 / fps < ClockSeconds() - m_last_frame_time;
}

void GLScreen::ApplyFullViewport() {
  glViewport(0, 0, m_physical_width, m_physical_height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, m_physical_width, 0.0, m_physical_height, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
}

int GLScreen::BeginFrame(int clear) {
  UpdateFps();
  OnBeginFrame();
  m_offset_x = m_offset_y = 0.0f;
  m_zoom_x = m_zoom_y = 1.0f;
  m_clip_depth = 0;
  UpdateScale();
  ApplyFullViewport();
  if (clear) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  return 1;
}

void GLScreen::EndFrame() {
  m_tint[0] = m_tint[1] = m_tint[2] = m_tint[3] = 1.0f;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
}

void GLScreen::Present() {}

void GLScreen::BeginTransition(float progress, float dx, float dy, int leaving, float min_alpha) {
  float e = progress;
  if (e < 0.0f) e = 0.01f;
  if (e > 1.0f) e = 1.0f;
  const float ox = leaving ? e * dx : dx - e * dx;
  const float oy = leaving ? e * dy : dy - e * dy;
  m_offset_x = ox;
  m_offset_y = -oy;
  float alpha = 1.0f;
  if (min_alpha != 1.0f) {
    alpha = leaving ? min_alpha + (1.0f - min_alpha) * (1.0f - e) : min_alpha + e * (1.0f - min_alpha);
    if (alpha < 0.0f) alpha = 0.0f;
    if (alpha > 1.0f) alpha = 1.0f;
  }
  m_tint[0] = m_tint[1] = m_tint[2] = 1.0f;
  m_tint[3] = alpha;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(ox * m_scale_x, -oy * m_scale_y, 0.0f);
}

void GLScreen::EndTransition() {
  m_offset_x = m_offset_y = 0.0f;
  m_zoom_x = m_zoom_y = 1.0f;
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  m_tint[0] = m_tint[1] = m_tint[2] = m_tint[3] = 1.0f;
}

void GLScreen::ApplyClip(const ClipRect& r, int ox, int oy) {
  const int x0 = static_cast<int>(static_cast<float>(r.left + ox) * m_scale_x);
  const int x1 = static_cast<int>(static_cast<float>(r.right + ox) * m_scale_x);
  const int y0 = static_cast<int>(static_cast<float>(m_physical_height) - static_cast<float>(r.bottom + oy) * m_scale_y);
  const int y1 = static_cast<int>(static_cast<float>(m_physical_height) - static_cast<float>(r.top + oy) * m_scale_y);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (x1 > x0 && y1 > y0) {
    glViewport(x0, y0, x1 - x0, y1 - y0);
    glOrtho(x0, x1, y0, y1, -1.0, 1.0);
  } else {
    // An empty or inverted rectangle clips everything away (GL refuses negative
    // viewport sizes and an empty orthographic volume).
    glViewport(0, 0, 0, 0);
  }
  glMatrixMode(GL_MODELVIEW);
}

int GLScreen::PushClip(int left, int top, int right, int bottom) {
  if (m_clip_depth >= kMaxClipDepth) return 0;
  m_clip[m_clip_depth] = ClipRect{left, top, right, bottom};
  ++m_clip_depth;
  const int ox = static_cast<int>(m_offset_x);
  const int oy = static_cast<int>(-m_offset_y);
  ApplyClip(m_clip[m_clip_depth - 1], ox, oy);
  return 1;
}

int GLScreen::PopClip() {
  if (m_clip_depth <= 0) return 0;
  --m_clip_depth;
  if (m_clip_depth == 0) {
    ApplyFullViewport();
  } else {
    ApplyClip(m_clip[m_clip_depth - 1], 0, 0);
  }
  return 1;
}
