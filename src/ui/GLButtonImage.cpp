#include "ui/GLButtonImage.h"

#include "gfx/GLTexture.h"

int GLButtonImage::FrameForState(int frames, int state) {
  if (frames == 3) return state == kNormal ? 0 : (state == kDisabled ? 2 : 1);
  if (frames == 2) return (state == kPressed || state == kHover) ? 1 : 0;
  return frames > 0 ? state % frames : 0;
}

int GLButtonImage::SetImage(GLTexture* texture, int x, int y) {
  if (!texture) return 0;
  for (auto& fill : m_fill) fill[3] = 0.0f;
  m_image = texture;
  m_image_x = x;
  m_image_y = y;
  SetRects(x, y, x + static_cast<int>(texture->m_frame_width * texture->m_scale_x),
           y + static_cast<int>(texture->m_frame_height * texture->m_scale_y));
  return 1;
}

int GLButtonImage::Draw() {
  if (m_hidden || !m_image) return 1;
  m_image->Draw(FrameForState(m_image->FrameCount(), m_state), static_cast<float>(m_image_x),
                static_cast<float>(m_image_y), 0);
  DrawLabel();
  return 1;
}
