#include "ui/GLProgressTimer.h"

#include <GL/gl.h>

#include <cmath>

#include "gfx/GLTexture.h"
#include "gfx/GLWindowScreen.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kEpsilon = 1.1920929e-7f;

// Where the ray m + t (d) crosses the segment a-b: t along the ray, s along the
// segment (0..1 inside). False when parallel.
bool Cross(float mx, float my, float dx, float dy, float ax, float ay, float bx, float by, float* t, float* s) {
  const float ex = bx - ax, ey = by - ay;
  const float den = dx * ey - dy * ex;
  if (std::fabs(den) < 1e-12f) return false;
  const float wx = ax - mx, wy = ay - my;
  *t = (wx * ey - wy * ex) / den;
  *s = (wx * dy - wy * dx) / den;
  return true;
}

}  // namespace

void GLProgressTimer::SetPercentage(float p) {
  if (!m_texture) return;
  m_percentage = p < 0.0f ? 0.0f : (p > 100.0f ? 100.0f : p);
  m_vertex_count = 0;
  if (m_type != 0 && m_type != 1) return;

  const float a = m_percentage / 100.0f;
  const float angle = 2.0f * kPi * (m_type == 1 ? a : 1.0f - a);
  // Boundary: start point, four corners, start point again (texture coordinates).
  float pts[6][2];
  pts[0][0] = 0.5f, pts[0][1] = 0.0f;
  for (int i = 0; i < 4; ++i) {
    const int bits = 30;
    if (m_type == 1) {
      pts[i + 1][0] = static_cast<float>((bits >> (2 * i + 1)) & 1);
      pts[i + 1][1] = static_cast<float>((bits >> (2 * i)) & 1);
    } else {
      pts[i + 1][0] = static_cast<float>((bits >> (7 - 2 * i)) & 1);
      pts[i + 1][1] = static_cast<float>((bits >> (6 - 2 * i)) & 1);
    }
  }
  pts[5][0] = 0.5f, pts[5][1] = 0.0f;

  float hit_u = 0.5f, hit_v = 0.0f;
  int index = 0;
  if (a <= 0.0f) {
    index = 0;
  } else if (a >= 1.0f) {
    index = 4;
  } else {
    const float sweep_u = 0.5f + 0.5f * std::sin(angle);
    const float sweep_v = 0.5f - 0.5f * std::cos(angle);
    const float du = sweep_u - 0.5f, dv = sweep_v - 0.5f;
    float best = 1e30f;
    for (int e = 0; e < 5; ++e) {
      float t, s;
      if (!Cross(0.5f, 0.5f, du, dv, pts[e][0], pts[e][1], pts[e + 1][0], pts[e + 1][1], &t, &s)) continue;
      if ((e == 0 || e == 4) && (s < -kEpsilon || s > 1.0f + kEpsilon)) continue;
      if (t >= -kEpsilon && t < best) {
        best = t;
        index = e;
      }
    }
    hit_u = 0.5f + best * du;
    hit_v = 0.5f + best * dv;
  }

  // Positions are in window units of one unscaled frame; Draw scales them to the size
  // it is asked for.
  const GLScreen* screen = GLWindowScreen::Instance();
  const float w = std::trunc(m_texture->m_frame_width);
  const float h = std::trunc(m_texture->m_frame_height);
  auto put = [&](float u, float v) {
    float* vx = m_vertices[m_vertex_count++];
    vx[0] = u * w * screen->m_scale_x;
    vx[1] = (1.0f - v) * h * screen->m_scale_y;
    vx[2] = u;
    vx[3] = v;
  };
  put(0.5f, 0.5f);
  put(pts[0][0], pts[0][1]);
  for (int i = 1; i <= index && i <= 4; ++i) put(pts[i][0], pts[i][1]);
  put(hit_u, hit_v);
}

void GLProgressTimer::Draw(float x, float y, float width, float height) {
  if (!m_texture || !m_texture->HasTexture() || m_vertex_count < 3) return;
  const GLScreen* screen = GLWindowScreen::Instance();
  const float sx = screen->m_scale_x;
  const float sy = screen->m_scale_y;
  m_texture->ApplyDrawState(screen);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(2, GL_FLOAT, 16, &m_vertices[0][0]);
  glTexCoordPointer(2, GL_FLOAT, 16, &m_vertices[0][2]);
  const float keep_x = m_texture->m_scale_x;
  const float keep_y = m_texture->m_scale_y;
  m_texture->SetFrameSize(static_cast<int>(width), static_cast<int>(height));
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glTranslatef(x * sx - width * sx / 2.0f, static_cast<float>(screen->m_physical_height) - y * sy - height * sy / 2.0f,
               0.0f);
  glScalef(m_texture->m_scale_x, m_texture->m_scale_y, 1.0f);
  glDrawArrays(GL_TRIANGLE_FAN, 0, m_vertex_count);
  glPopMatrix();
  m_texture->m_scale_x = keep_x;
  m_texture->m_scale_y = keep_y;
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
}
