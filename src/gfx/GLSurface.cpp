#include "gfx/GLSurface.h"

#include <GL/gl.h>

#include <cmath>

#include "gfx/GLWindowScreen.h"

namespace {

// Blending on, texturing off, for every untextured primitive.
void BeginPrimitive() {
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// What every primitive leaves behind.
void EndPrimitive() {
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  glDisable(GL_BLEND);
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_POINT_SMOOTH);
}

float TintAlpha() {
  GLWindowScreen* s = GLWindowScreen::InstanceIfAny();
  return s ? s->m_tint[3] : 1.0f;
}

// Window pixel edges of a logical rectangle, truncated to whole pixels.
struct PixelRect {
  float x0, yT, x1, yB;
};

PixelRect ToPixels(int left, int top, int right, int bottom) {
  GLWindowScreen* s = GLWindowScreen::Instance();
  const float h = static_cast<float>(s->m_physical_height);
  PixelRect p;
  p.x0 = static_cast<float>(static_cast<int>(static_cast<float>(left) * s->m_scale_x));
  p.yT = static_cast<float>(static_cast<int>(h - static_cast<float>(top) * s->m_scale_y));
  p.x1 = static_cast<float>(static_cast<int>(static_cast<float>(right) * s->m_scale_x));
  p.yB = static_cast<float>(static_cast<int>(h - static_cast<float>(bottom) * s->m_scale_y));
  return p;
}

// The two triangles of a rectangle, in the vertex order the outline also follows.
void RectVertices(const PixelRect& p, float* v) {
  const float pts[12] = {p.x0, p.yT, p.x1, p.yT, p.x1, p.yB, p.x1, p.yB, p.x0, p.yB, p.x0, p.yT};
  for (int i = 0; i < 12; ++i) v[i] = pts[i];
}

void SetColour(float* c, float r, float g, float b, float a) {
  c[0] = r;
  c[1] = g;
  c[2] = b;
  c[3] = a;
}

}  // namespace

GLSurface::GLSurface() = default;

GLSurface::~GLSurface() {
  ReleaseFonts();
  while (m_entities.GetCount() > 0) m_entities.RemoveTail();
  m_entities.RemoveAll();
}

void GLSurface::ReloadSurface(void* arg) {
  ReloadFonts(arg);
  for (void* v = m_entities.First(); v; v = m_entities.Next()) static_cast<SurfaceEntity*>(v)->Reload(arg);
}

int GLSurface::DrawLineStrip(const float* points, int count, float r, float g, float b, float a) {
  if (!points || count <= 0) return 1;
  BeginPrimitive();
  glEnable(GL_POINT_SMOOTH);
  glEnable(GL_LINE_SMOOTH);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glDisableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glLineWidth(m_line_width > 0.0f ? m_line_width : 1.0f);
  glColor4f(r, g, b, a * TintAlpha());
  glVertexPointer(2, GL_FLOAT, 0, points);
  glDrawArrays(GL_LINE_STRIP, 0, count);
  glLineWidth(1.0f);
  EndPrimitive();
  return 1;
}

int GLSurface::DrawColorTriangles(const float* points, const float* colours, int count) {
  if (!points || !colours || count <= 0) return 1;
  BeginPrimitive();
  glEnable(GL_POINT_SMOOTH);
  glEnable(GL_LINE_SMOOTH);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(2, GL_FLOAT, 0, points);
  glColorPointer(4, GL_FLOAT, 0, colours);
  glDrawArrays(GL_TRIANGLES, 0, count);
  EndPrimitive();
  return 1;
}

int GLSurface::FillRect(int border, int left, int top, int right, int bottom, float fr, float fg, float fb,
                        float fa, float br, float bg, float bb, float ba) {
  const PixelRect p = ToPixels(left, top, right, bottom);
  float v[12];
  RectVertices(p, v);
  float c[24];
  const float a = fa * TintAlpha();
  for (int i = 0; i < 6; ++i) SetColour(c + 4 * i, fr, fg, fb, a);
  DrawColorTriangles(v, c, 6);
  if (border > 0) {
    const float saved = m_line_width;
    m_line_width = static_cast<float>(border);
    DrawLineStrip(v, 6, br, bg, bb, ba);
    m_line_width = saved;
  }
  return 1;
}

int GLSurface::FillGradientRect(int mode, int border, int left, int top, int right, int bottom, float r1,
                                float g1, float b1, float a1, float r2, float g2, float b2, float a2, float br,
                                float bg, float bb, float ba) {
  if (mode <= 0 || mode >= 5) mode = 1;
  const float tint = TintAlpha();
  a1 *= tint;
  a2 *= tint;
  const PixelRect p = ToPixels(left, top, right, bottom);
  float v[24];
  float c[48];
  int count = 6;
  if (mode == 1 || mode == 3) {
    RectVertices(p, v);
    // Vertex order: top-left, top-right, bottom-right, bottom-right, bottom-left, top-left.
    static const int kFirstVertical[6] = {1, 1, 0, 0, 0, 1};
    static const int kFirstHorizontal[6] = {1, 0, 0, 0, 1, 1};
    const int* first = mode == 1 ? kFirstVertical : kFirstHorizontal;
    for (int i = 0; i < 6; ++i) {
      if (first[i]) SetColour(c + 4 * i, r1, g1, b1, a1);
      else SetColour(c + 4 * i, r2, g2, b2, a2);
    }
  } else {
    // Two quads meeting at the middle line, which carries colour2.
    PixelRect a = p, b = p;
    if (mode == 2) {
      const float ym = (p.yT + p.yB) * 0.5f;
      a.yB = ym;
      b.yT = ym;
    } else {
      const float xm = (p.x0 + p.x1) * 0.5f;
      a.x1 = xm;
      b.x0 = xm;
    }
    RectVertices(a, v);
    RectVertices(b, v + 12);
    // Per vertex of each quad: 1 when it lies on an outer edge (colour1).
    static const int kOuterVerticalA[6] = {1, 1, 0, 0, 0, 1};
    static const int kOuterVerticalB[6] = {0, 0, 1, 1, 1, 0};
    static const int kOuterHorizontalA[6] = {1, 0, 0, 0, 1, 1};
    static const int kOuterHorizontalB[6] = {0, 1, 1, 1, 0, 0};
    const int* oa = mode == 2 ? kOuterVerticalA : kOuterHorizontalA;
    const int* ob = mode == 2 ? kOuterVerticalB : kOuterHorizontalB;
    for (int i = 0; i < 6; ++i) {
      if (oa[i]) SetColour(c + 4 * i, r1, g1, b1, a1);
      else SetColour(c + 4 * i, r2, g2, b2, a2);
      if (ob[i]) SetColour(c + 24 + 4 * i, r1, g1, b1, a1);
      else SetColour(c + 24 + 4 * i, r2, g2, b2, a2);
    }
    count = 12;
  }
  DrawColorTriangles(v, c, count);
  if (border > 0) {
    float o[12];
    RectVertices(p, o);
    const float saved = m_line_width;
    m_line_width = static_cast<float>(border);
    DrawLineStrip(o, 6, br, bg, bb, ba);
    m_line_width = saved;
  }
  return 1;
}

int GLSurface::DrawRoundRect(int left, int top, int right, int bottom, int radius, int segments,
                             float line_width, float fr, float fg, float fb, float fa, float br, float bg,
                             float bb, float ba) {
  GLWindowScreen* s = GLWindowScreen::Instance();
  const float h = static_cast<float>(s->m_physical_height);
  const float x0 = static_cast<float>(static_cast<int>(static_cast<float>(left) * s->m_scale_x));
  const float yT = static_cast<float>(static_cast<int>(h - static_cast<float>(top) * s->m_scale_y));
  const float w = std::round(static_cast<float>(right - left) * s->m_scale_x);
  const float ht = std::round(static_cast<float>(bottom - top) * s->m_scale_y);
  if (w <= 0.0f || ht <= 0.0f) return 1;
  const float x1 = x0 + w, yB = yT - ht;

  if (segments > kMaxRoundSegments) segments = kMaxRoundSegments;
  int n = segments / 4;  // points per corner
  if (n < 2) n = 2;
  if (n > kMaxCornerPoints) n = kMaxCornerPoints;
  float r = std::round(static_cast<float>(radius) * s->m_scale_y);
  if (r > static_cast<float>(kMaxRoundRadius)) r = static_cast<float>(kMaxRoundRadius);
  // A radius beyond half the shorter side would fold the bands over each other.
  const float half = std::floor((w < ht ? w : ht) * 0.5f);
  if (r > half) r = half;
  if (r < 0.0f) r = 0.0f;

  // One quarter circle, angle 0 to 90 degrees, shared by the four corners by symmetry.
  // Its n points include both ends so each corner meets the straight edges.
  float dx[kMaxCornerPoints], dy[kMaxCornerPoints];
  const double step = (M_PI / 2.0) / static_cast<double>(n - 1);
  for (int i = 0; i < n; ++i) {
    const double ang = step * i;
    dx[i] = static_cast<float>(std::round(r * std::cos(ang)));
    dy[i] = static_cast<float>(std::round(r * std::sin(ang)));
  }
  dx[n - 1] = 0.0f;
  dy[0] = 0.0f;
  const float cxL = x0 + r, cxR = x1 - r, cyT = yT - r, cyB = yB + r;
  const float tint = TintAlpha();

  if (fa > 0.0f) {
    BeginPrimitive();
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnableClientState(GL_VERTEX_ARRAY);
    glColor4f(fr, fg, fb, fa * tint);
    float band[4 * kMaxCornerPoints];
    // Upper band between the two top corners.
    for (int i = 0; i < n; ++i) {
      band[4 * i + 0] = cxR + dx[i];
      band[4 * i + 1] = cyT + dy[i];
      band[4 * i + 2] = cxL - dx[i];
      band[4 * i + 3] = cyT + dy[i];
    }
    glVertexPointer(2, GL_FLOAT, 0, band);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 2 * n);
    // Middle band joining the four arcs' ends.
    const float mid[8] = {x1, cyT, x0, cyT, x1, cyB, x0, cyB};
    glVertexPointer(2, GL_FLOAT, 0, mid);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    // Lower band between the two bottom corners.
    for (int i = 0; i < n; ++i) {
      band[4 * i + 0] = cxR + dx[i];
      band[4 * i + 1] = cyB - dy[i];
      band[4 * i + 2] = cxL - dx[i];
      band[4 * i + 3] = cyB - dy[i];
    }
    glVertexPointer(2, GL_FLOAT, 0, band);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 2 * n);
    EndPrimitive();
  }

  if (ba > 0.0f && line_width > 0.0f) {
    float outline[2 * (4 * kMaxCornerPoints + 1)];
    int k = 0;
    auto put = [&](float x, float y) {
      outline[2 * k] = x;
      outline[2 * k + 1] = y;
      ++k;
    };
    for (int i = 0; i < n; ++i) put(cxR + dx[i], cyT + dy[i]);          // top-right, 0..90
    for (int i = n - 1; i >= 0; --i) put(cxL - dx[i], cyT + dy[i]);     // top-left, 90..180
    for (int i = 0; i < n; ++i) put(cxL - dx[i], cyB - dy[i]);          // bottom-left, 180..270
    for (int i = n - 1; i >= 0; --i) put(cxR + dx[i], cyB - dy[i]);     // bottom-right, 270..360
    put(outline[0], outline[1]);
    const float saved = m_line_width;
    m_line_width = line_width;
    DrawLineStrip(outline, k, br, bg, bb, ba);
    m_line_width = saved;
  }
  return 1;
}
