#include "gfx/GLTexture.h"

#include <GL/gl.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/Clock.h"
#include "framework/Log.h"
#include "gfx/GLImageDecoder.h"
#include "gfx/GLWindowScreen.h"

namespace {

GLTexture::PackageReadFn g_package_reader = nullptr;

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// Reads a whole file into a malloc'd buffer; 0 when it cannot be opened or read.
int ReadWholeFile(const char* path, uint8_t** data, size_t* size) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return -1;
  int ok = 0;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    long n = std::ftell(f);
    if (n >= 0 && std::fseek(f, 0, SEEK_SET) == 0) {
      auto* buf = static_cast<uint8_t*>(std::malloc(n > 0 ? static_cast<size_t>(n) : 1));
      if (buf && std::fread(buf, 1, static_cast<size_t>(n), f) == static_cast<size_t>(n)) {
        *data = buf;
        *size = static_cast<size_t>(n);
        ok = 1;
      } else {
        std::free(buf);
      }
    }
  }
  std::fclose(f);
  return ok;
}

}  // namespace

void GLTexture::SetPackageReader(PackageReadFn fn) { g_package_reader = fn; }
GLTexture::PackageReadFn GLTexture::PackageReader() { return g_package_reader; }

GLTexture::GLTexture() { ResetBaseQuad(); }

GLTexture::~GLTexture() {
  // The surface may already be gone at shutdown; then there is nothing to leave.
  if (m_registered) {
    if (GLSurface* s = GLSurface::InstanceIfAny()) s->UnregisterEntity(this);
    m_registered = false;
  }
  ReleaseTexture();
}

void GLTexture::ReleaseTexture() {
  if (m_has_texture && m_texture_id != kNoTexture) {
    GLuint id = m_texture_id;
    glDeleteTextures(1, &id);
  }
  m_has_texture = 0;
  m_texture_id = kNoTexture;
}

void GLTexture::ResetBaseQuad() {
  const float w = m_frame_width * m_visible_x;
  const float h = m_frame_height * m_visible_y;
  const float q[12] = {0, 0, 0, w, 0, 0, w, h, 0, 0, h, 0};
  std::memcpy(m_base_quad, q, sizeof q);
}

int GLTexture::Create(const char* name, void* from_package, int columns, int rows) {
  if (!name) return 0;
  char lower[sizeof m_name];
  size_t n = 0;
  for (; name[n] && n + 1 < sizeof lower; ++n) lower[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[n])));
  lower[n] = 0;
  int format;
  if (std::strstr(lower, ".png")) {
    format = kFormatPng;
  } else if (std::strstr(lower, ".jpg") || std::strstr(lower, ".jpeg")) {
    format = kFormatJpeg;
  } else {
    Log(LOG_WARNING, "GLTexture::Create ERROR unknown format ... %s", name);
    return 0;
  }
  m_image_format = format;
  std::snprintf(m_name, sizeof m_name, "%s", name);

  uint8_t* bytes = nullptr;
  size_t size = 0;
  if (from_package) {
    if (!g_package_reader || !g_package_reader(from_package, name, &bytes, &size)) {
      Log(LOG_WARNING, "GLTexture::Create ERROR GetDataFromName(%s) == null", name);
      return 0;
    }
  } else {
    int r = ReadWholeFile(name, &bytes, &size);
    if (r < 0) {
      Log(LOG_WARNING, "GLTexture::Create unknown image = %s", name);
      return 0;
    }
    if (r == 0) return 0;
  }

  GLuint id = kNoTexture;
  glGenTextures(1, &id);
  if (id == kNoTexture || id == 0) {
    std::free(bytes);
    return 0;
  }
  int width = 0, height = 0;
  int ok = format == kFormatPng ? LoadPngTexture(bytes, size, id, &width, &height)
                                : LoadJpegTexture(bytes, size, id, &width, &height, 0);
  if (!ok && from_package) Log(LOG_WARNING, "GLTexture::Create ERROR code = %d", ok);
  std::free(bytes);
  return SetTexture(id, width, height, columns, rows);
}

int GLTexture::SetTexture(unsigned texture, int width, int height, int columns, int rows) {
  if (m_texture_id != texture) ReleaseTexture();
  m_texture_id = texture;
  m_has_texture = texture != kNoTexture ? 1 : 0;
  m_column_major = 0;
  m_texture_width = m_region_width = static_cast<float>(width);
  m_texture_height = m_region_height = static_cast<float>(height);
  // A sheet has at least one column and one row: a zero grid would divide by zero.
  m_columns = static_cast<float>(columns > 0 ? columns : 1);
  m_rows = static_cast<float>(rows > 0 ? rows : 1);
  m_frame_count = static_cast<int>(m_columns) * static_cast<int>(m_rows);
  m_current_frame = 0;
  m_source_x = m_source_y = 0.0f;
  m_frame_width = m_region_width / m_columns;
  m_frame_height = m_region_height / m_rows;
  m_scale_x = m_scale_y = 1.0f;
  m_saved_scale_x = m_saved_scale_y = 1.0f;
  m_rotation = 0.0f;
  ResetBaseQuad();
  SetSize(static_cast<float>(width), static_cast<float>(height));
  if (!m_registered) m_registered = GLSurface::Instance()->RegisterEntity(this) != 0;
  return 1;
}

void GLTexture::SetSize(float width, float height) {
  m_display_width = width;
  m_display_height = height;
  // An empty image keeps scale 1 rather than dividing by zero.
  m_scale_x = m_region_width > 0.0f ? width / m_region_width : 1.0f;
  m_scale_y = m_region_height > 0.0f ? height / m_region_height : 1.0f;
  OnTransformChanged();
}

void GLTexture::SetScale(float fx, float fy) {
  m_scale_x = m_region_width > 0.0f ? m_display_width * fx / m_region_width : fx;
  m_scale_y = m_region_height > 0.0f ? m_display_height * fy / m_region_height : fy;
  OnTransformChanged();
}

void GLTexture::SetFrameSize(int width, int height) {
  m_scale_x = m_frame_width > 0.0f ? width / m_frame_width : 1.0f;
  m_scale_y = m_frame_height > 0.0f ? height / m_frame_height : 1.0f;
  OnTransformChanged();
}

void GLTexture::StartAnimation(int interval_ms) {
  m_animating = 1;
  m_last_tick = GetTickMs();
  m_spin_angle = 0.0f;
  m_interval = interval_ms;
  m_anim_frame = 0;
  m_spinning = 0;
  m_pivot = kPivotCentre;
}

void GLTexture::SetFlipAngle(float angle, float skew) {
  const float w = m_frame_width;
  const float h = m_frame_height;
  if (angle == 0.0f || angle > 180.0f) {
    const float q[12] = {0, 0, 0, w, 0, 0, w, h, 0, 0, h, 0};
    std::memcpy(m_base_quad, q, sizeof q);
    return;
  }
  const float k = angle <= 90.0f ? angle / 90.0f : (180.0f - angle) / 90.0f;
  const float inset = w * k / 2.0f;
  const float s = skew * k / 2.0f;
  m_base_quad[0] = m_base_quad[9] = inset;
  m_base_quad[3] = m_base_quad[6] = w - inset;
  if (angle <= 90.0f) {
    m_base_quad[1] = -s;
    m_base_quad[4] = s;
    m_base_quad[7] = h - s;
    m_base_quad[10] = h + s;
  } else {
    m_base_quad[1] = s;
    m_base_quad[4] = -s;
    m_base_quad[7] = h + s;
    m_base_quad[10] = h - s;
  }
}

void GLTexture::Draw(int frame, float x, float y, int centred) {
  if (m_texture_id == kNoTexture) return;
  if (frame == -1) {
    if (!m_animating) return;
    const uint32_t now = GetTickMs();
    if (now - m_last_tick > static_cast<uint32_t>(m_interval) && m_frame_count > 0) {
      m_anim_frame = (m_anim_frame + 1) % m_frame_count;
      m_last_tick = now;
      if (m_spinning) {
        m_spin_angle += 1.0f;
        if (m_spin_angle > 360.0f) m_spin_angle = 0.0f;
      }
    }
    frame = m_anim_frame;
  }
  if (frame < 0 || frame >= m_frame_count) return;
  m_current_frame = frame;
  if (x != -1.0f && y != -1.0f) {
    m_x = x;
    m_y = y;
  }
  if (m_color[3] == 0.0f) return;

  // Texture coordinates of the frame.
  const int columns = static_cast<int>(m_columns);
  const int rows = static_cast<int>(m_rows);
  const float du = m_texture_width > 0.0f ? m_frame_width / m_texture_width : 0.0f;
  const float dv = m_texture_height > 0.0f ? m_frame_height / m_texture_height : 0.0f;
  int column, row;
  if (m_column_major) {
    row = frame % rows;
    column = frame / rows;
  } else {
    column = frame % columns;
    row = frame / columns;
  }
  const float u0 = (m_texture_width > 0.0f ? m_source_x / m_texture_width : 0.0f) + du * column;
  const float u1 = u0 + du * m_visible_x;
  const float v_start = (m_texture_height > 0.0f ? m_source_y / m_texture_height : 0.0f) + dv * row;
  const float v_top = v_start + dv * (1.0f - m_visible_y);
  const float v_bottom = v_start + dv;
  const float left = m_flip_x ? u1 : u0;
  const float right = m_flip_x ? u0 : u1;
  const float bottom = m_flip_y ? v_top : v_bottom;
  const float top = m_flip_y ? v_bottom : v_top;
  m_texcoords[0] = Clamp01(left), m_texcoords[1] = Clamp01(bottom);
  m_texcoords[2] = Clamp01(right), m_texcoords[3] = Clamp01(bottom);
  m_texcoords[4] = Clamp01(right), m_texcoords[5] = Clamp01(top);
  m_texcoords[6] = Clamp01(left), m_texcoords[7] = Clamp01(top);

  const GLScreen* screen = GLWindowScreen::Instance();
  const float sx = screen->m_scale_x;
  const float sy = screen->m_scale_y;
  const float height = static_cast<float>(screen->m_physical_height);
  for (int i = 0; i < 4; ++i) {
    m_window_quad[i * 3] = m_base_quad[i * 3] * sx;
    m_window_quad[i * 3 + 1] = m_base_quad[i * 3 + 1] * sy;
    m_window_quad[i * 3 + 2] = m_base_quad[i * 3 + 2];
  }

  ApplyDrawState(screen);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, m_window_quad);
  glTexCoordPointer(2, GL_FLOAT, 0, m_texcoords);

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  float cx = 0.0f, cy = 0.0f;
  if (centred) {
    cx = m_frame_width * sx * m_scale_x / 2.0f;
    cy = m_frame_height * sy * m_scale_y / 2.0f;
  }
  glTranslatef(m_x * sx - cx, height - m_y * sy - m_frame_height * m_scale_y * sy + cy, 0.0f);
  glScalef(m_scale_x, m_scale_y, 1.0f);
  const float angle = m_spinning ? m_spin_angle : m_rotation;
  if (angle != 0.0f) {
    float px = 0.0f, py = 0.0f;
    switch (m_pivot) {
      case kPivotTopLeft: px = 0.0f, py = m_frame_height * sy; break;
      case kPivotTopRight: px = m_frame_width * sx, py = m_frame_height * sy; break;
      case kPivotBottomLeft: px = 0.0f, py = 0.0f; break;
      case kPivotBottomRight: px = m_frame_width * sx, py = 0.0f; break;
      default: px = m_frame_width * sx / 2.0f, py = m_frame_height * sy / 2.0f; break;
    }
    glTranslatef(px, py, 0.0f);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glTranslatef(-px, -py, 0.0f);
  }
  glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_BYTE, m_indices);
  glPopMatrix();

  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisable(GL_CULL_FACE);
  glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
}

void GLTexture::ApplyDrawState(const GLScreen* screen) const {
  const float tint_alpha = screen->m_tint[3];
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, m_texture_id);
  // A set colour tints the picture; otherwise a fading screen fades it; otherwise the
  // texels are drawn as they are.
  if (m_color[3] > 0.0f) {
    glColor4f(m_color[0], m_color[1], m_color[2], m_color[3] * tint_alpha);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  } else if (tint_alpha < 1.0f) {
    glColor4f(screen->m_tint[0], screen->m_tint[1], screen->m_tint[2], tint_alpha);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  } else {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  }
}
