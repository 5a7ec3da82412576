#include "ui/GLButtonEx.h"

#include <GL/gl.h>

#include "ui/GLButtonImage.h"

void GLButtonEx::DetachImage() {
  m_effect = nullptr;
  if (m_has_texture && m_texture_id != kNoTexture) {
    GLuint id = m_texture_id;
    glDeleteTextures(1, &id);
  }
  m_has_texture = 0;
  m_texture_id = kNoTexture;
}

int GLButtonEx::LoadImage(int y, const char* name, void* from_package) {
  for (auto& fill : m_fill)
    for (float& c : fill) c = 0.0f;
  if (!Create(name, from_package, 3, 1)) return 0;
  m_image_x = kCentredX;
  m_image_y = y;
  const int w = static_cast<int>(m_frame_width * GLTexture::m_scale_x);
  const int h = static_cast<int>(m_frame_height * GLTexture::m_scale_y);
  SetRects(kCentredX, y, kCentredX + w, y + h);
  return 1;
}

void GLButtonEx::OnTransformChanged() {
  const int w = static_cast<int>(m_frame_width * GLTexture::m_scale_x);
  const int h = static_cast<int>(m_frame_height * GLTexture::m_scale_y);
  ZBEventCtrl::SetRect(m_left, m_top, m_left + w, m_top + h);
  m_frame_rect.right = m_frame_rect.left + w;
  m_frame_rect.bottom = m_frame_rect.top + h;
  m_label_rect.right = m_label_rect.left + w;
  m_label_rect.bottom = m_label_rect.top + h;
}

int GLButtonEx::Draw() {
  if (m_hidden) return 1;
  if (m_frame_count <= 0 || !HasTexture()) return 0;
  const int s = m_state & 3;
  if (m_fill[s][3] > 0.0f) SetColor(m_fill[s][0], m_fill[s][1], m_fill[s][2], m_fill[s][3]);

  if (m_state == kPressed && m_effect) {
    const uint32_t elapsed = NowMs() - m_state_times[kPressed];
    if (elapsed < m_effect_duration) {
      const float g = static_cast<float>(elapsed) / static_cast<float>(m_effect_duration);
      float a = 255.0f - g * 255.0f;
      a = a < 0.0f ? 0.0f : (a > 255.0f ? 255.0f : a);
      m_effect->SetColor(1.0f, 1.0f, 1.0f, a / 255.0f);
      const float n = m_effect_start_scale + g * (m_effect_end_scale - m_effect_start_scale);
      // Grow the effect without losing the scale its owner gave it.
      const float keep_x = m_effect->m_scale_x;
      const float keep_y = m_effect->m_scale_y;
      const float centre_x = m_frame_width * GLTexture::m_scale_x / 2.0f + m_effect_offset_x + m_image_x;
      const float centre_y = m_frame_height * GLTexture::m_scale_y / 2.0f + m_effect_offset_y + m_image_y;
      const float ex = centre_x - m_effect->m_frame_width * keep_x / 2.0f * n;
      const float ey = centre_y - m_effect->m_frame_height * keep_y / 2.0f * n;
      m_effect->m_scale_x = keep_x * n;
      m_effect->m_scale_y = keep_y * n;
      m_effect->Draw(0, ex, ey, 0);
      m_effect->m_scale_x = keep_x;
      m_effect->m_scale_y = keep_y;
    }
  }
  GLTexture::Draw(GLButtonImage::FrameForState(m_frame_count, m_state), static_cast<float>(m_image_x),
                  static_cast<float>(m_image_y), 0);
  DrawLabel();
  return 1;
}
