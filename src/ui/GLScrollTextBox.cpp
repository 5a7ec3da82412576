#include "ui/GLScrollTextBox.h"

#include <cwchar>
#include <vector>

#include "framework/StringUtil.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "ui/GLScrollTextItem.h"

int GLScrollTextBox::AddTextW(const wchar_t* text, int line_height, int font_slot, int font_size, float r, float g,
                              float b, float a, int single, int flags) {
  if (!text) return 0;
  const size_t length = std::wcslen(text);
  if (length > static_cast<size_t>(kMaxText)) return 0;
  const float colour[4] = {r, g, b, a};
  if (single) {
    AddItem(new GLScrollTextItem(line_height, text, length, font_slot, font_size, colour, flags));
    return 1;
  }
  GLFont* font = GLSurface::Instance()->Font(font_slot);
  if (!font) return 0;
  const int saved = font->FaceSize();
  font->SetFaceSize(font_size);
  const int width = m_box.right - m_box.left - 2 * m_margin;
  wchar_t line[kMaxText + 2];
  size_t n = 0;
  int rows = 0;
  auto emit = [&] {
    AddItem(new GLScrollTextItem(line_height, line, n, font_slot, font_size, colour, flags));
    ++rows;
    n = 0;
  };
  for (size_t i = 0; i < length; ++i) {
    const wchar_t c = text[i];
    if (c == L'\n') {
      emit();
      continue;
    }
    line[n++] = c;
    line[n] = 0;
    // The font measures at most kMaxChars characters; a line that long is full.
    const bool full = n >= GLFont::kMaxChars;
    if (n > 1 && (full || font->MeasureTextW(line).right > width)) {
      // The character that overflowed starts the next line.
      --n;
      line[n] = 0;
      emit();
      line[n++] = c;
      line[n] = 0;
    }
  }
  if (n > 0) emit();
  font->SetFaceSize(saved);
  return rows;
}

int GLScrollTextBox::AddText(const char* utf8, int line_height, int font_slot, int font_size, float r, float g,
                             float b, float a, int single, int flags) {
  if (!utf8) return 0;
  std::wstring wide = Utf8ToWide(utf8);
  return AddTextW(wide.c_str(), line_height, font_slot, font_size, r, g, b, a, single, flags);
}

int GLScrollTextBox::AddImage(GLTexture* image, int height, int x_offset, int top_padding, int bottom_padding,
                              int flags) {
  if (!image) return 0;
  return AddItem(new GLScrollTextItem(height, image, x_offset, top_padding, bottom_padding, flags));
}

int GLScrollTextBox::OnTouchDown(int button, int x, int y) {
  if (m_hidden) return 0;
  if (m_scroller.OnTouchDown(button, x, y)) return 1;
  if (!HitTest(x, y)) return 0;
  m_touch_active = 1;
  m_down_x = m_last_x = x;
  m_down_y = m_last_y = y;
  return 1;
}

int GLScrollTextBox::OnTouchMove(int button, int x, int y) {
  if (m_hidden) return 0;
  return m_scroller.OnTouchMove(button, x, y);
}

int GLScrollTextBox::OnTouchUp(int button, int x, int y) {
  if (m_hidden) return 0;
  m_touch_active = 0;
  return m_scroller.OnTouchUp(button, x, y);
}
