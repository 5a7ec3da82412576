#include "ui/GLScrollTextItem.h"

#include <cwchar>

#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"

GLScrollTextItem::GLScrollTextItem(int height, const wchar_t* text, size_t length, int font_slot, int font_size,
                                   const float colour[4], int flags)
    : GLScrollBoxItem(height), m_font_slot(font_slot), m_font_size(font_size), m_flags(flags) {
  if (text) m_text.assign(text, length);
  for (int i = 0; i < 4; ++i) m_colour[i] = colour[i];
}

GLScrollTextItem::GLScrollTextItem(int height, GLTexture* image, int x_offset, int top_padding, int bottom_padding,
                                   int flags)
    : GLScrollBoxItem(height),
      m_flags(flags),
      m_image(image),
      m_x_offset(x_offset),
      m_top_padding(top_padding),
      m_bottom_padding(bottom_padding) {}

int GLScrollTextItem::Draw() {
  if (m_image) {
    const float w = m_image->FrameWidth() * m_image->m_scale_x;
    const float h = m_image->FrameHeight() * m_image->m_scale_y;
    float x, y;
    if (m_flags & kImageCentreX) x = m_left + (m_right - m_left - w) / 2.0f;
    else if (m_flags & kImageRight) x = m_right - m_x_offset - w;
    else x = static_cast<float>(m_left + m_x_offset);
    if (m_flags & kImageCentreY) y = m_top + (m_bottom - m_top - h) / 2.0f;
    else if (m_flags & kImageBottom) y = m_bottom - m_bottom_padding - h;
    else y = static_cast<float>(m_top + m_top_padding);
    m_image->Draw(0, x, y, 0);
    return 1;
  }
  GLFont* font = GLSurface::Instance()->Font(m_font_slot);
  if (!font || m_text.empty()) return 1;
  const int saved = font->FaceSize();
  font->SetFaceSize(m_font_size);
  // The font draws at most kMaxChars characters; a longer line is drawn from its start
  // (the rest lies past the row's edge anyway).
  wchar_t line[GLFont::kMaxChars + 1];
  const size_t n = m_text.size() < GLFont::kMaxChars ? m_text.size() : GLFont::kMaxChars;
  std::wmemcpy(line, m_text.data(), n);
  line[n] = 0;
  font->DrawTextW(m_flags, GLTextBox{m_left, m_top, m_right, m_bottom}, line, m_colour);
  font->SetFaceSize(saved);
  return 1;
}
