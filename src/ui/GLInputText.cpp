#include "ui/GLInputText.h"

#include <cstdio>
#include <cstring>

#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLWindowScreen.h"
#include "ui/ImeFocusHolder.h"

namespace {

void SetColour(float* c, int r, int g, int b, int a) {
  c[0] = r / 255.0f;
  c[1] = g / 255.0f;
  c[2] = b / 255.0f;
  c[3] = a / 255.0f;
}

// Appends n bytes when they fit (with the terminator); returns the new length.
int Append(char* out, int size, int len, const char* bytes, int n) {
  if (n <= 0 || len + n >= size) return len;
  std::memcpy(out + len, bytes, n);
  out[len + n] = 0;
  return len + n;
}

// Appends one "*" per character of bytes[0..n).
int AppendStars(char* out, int size, int len, const char* bytes, int n) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  int i = 0;
  while (i < n) {
    int step = Utf8SequenceLength(p + i, static_cast<size_t>(n - i));
    i += step > 0 ? step : 1;
    len = Append(out, size, len, "*", 1);
  }
  return len;
}

}  // namespace

GLInputText::GLInputText() {
  SetColour(m_placeholder_colour, 100, 100, 100, 255);
  SetColour(m_fill[kNormal], 255, 255, 255, 255);
  SetColour(m_fill[kPressed], 255, 200, 50, 255);
  SetColour(m_fill[kActive], 255, 200, 50, 255);
  SetColour(m_fill[kDisabled], 200, 200, 200, 255);
  SetColour(m_border[kNormal], 10, 10, 10, 255);
  SetColour(m_border[kDisabled], 10, 10, 10, 255);
  SetColour(m_border[kPressed], 0, 0, 0, 255);
  SetColour(m_border[kActive], 0, 0, 0, 255);
  for (auto& c : m_text_colour) SetColour(c, 0, 0, 0, 255);
}

void GLInputText::Setup(int l, int t, int r, int b, int password, int padding, int font_size, int flags) {
  SetRect(l, t, r, b);
  m_password = password;
  m_padding = padding;
  m_font_size = font_size;
  m_text_flags = flags;
}

void GLInputText::SetPlaceholder(const char* utf8, float r, float g, float b, float a) {
  if (!utf8 || Utf8Length(utf8) >= 255 || std::strlen(utf8) >= sizeof m_placeholder) return;
  std::snprintf(m_placeholder, sizeof m_placeholder, "%s", utf8);
  m_placeholder_colour[0] = r;
  m_placeholder_colour[1] = g;
  m_placeholder_colour[2] = b;
  m_placeholder_colour[3] = a;
}

const char* GLInputText::GetText() {
  std::memset(m_display, 0, sizeof m_display);
  std::memcpy(m_display, m_text, static_cast<size_t>(m_length));
  return m_display;
}

void GLInputText::SetText(const char* utf8) {
  std::memset(m_display, 0, sizeof m_display);
  if (utf8) std::snprintf(m_display, sizeof m_display, "%s", utf8);
  // The process code page is UTF-8: the edit buffer takes the text as it is.
  CImeBox::SetText(utf8);
}

void GLInputText::OnFocusChanged(int focused) {
  if (!focused || !m_focused || !SDL_WasInit(SDL_INIT_VIDEO)) return;
  const GLScreen* s = GLWindowScreen::Instance();
  SDL_Rect r;
  r.x = static_cast<int>(m_left * s->m_scale_x);
  r.y = static_cast<int>(m_top * s->m_scale_y);
  r.w = static_cast<int>((m_right - m_left) * s->m_scale_x);
  r.h = static_cast<int>((m_bottom - m_top) * s->m_scale_y);
  SDL_SetTextInputRect(&r);
}

int GLInputText::OnTouchDown(int button, int x, int y) {
  if (m_hidden || !m_enabled || m_field_state == kDisabled || button != 0) return 0;
  if (!HitTest(x, y)) return 0;
  if (m_field_state == kNormal || m_field_state == kActive) m_field_state = kPressed;
  return 1;
}

int GLInputText::OnTouchUp(int button, int x, int y) {
  if (m_hidden || !m_enabled || m_field_state == kDisabled || button != 0) return 0;
  if (!HitTest(x, y)) {
    m_field_state = kNormal;
    if (ImeFocusHolder::Focused()) ImeFocusHolder::SetFocus(nullptr);
    return 0;
  }
  const int was = m_field_state;
  m_field_state = kActive;
  if (m_receiver && was == kPressed) {
    const uint32_t now = GetTickMs();
    if (now - m_last_notify_time > m_notify_interval) {
      m_last_notify_time = now;
      m_receiver->OnEvent(this);
    }
    ImeFocusHolder::SetFocus(this);
  }
  return 1;
}

int GLInputText::OnTouchMove(int button, int x, int y) {
  (void)button;
  if (m_hidden || !m_enabled || m_field_state == kDisabled) return 0;
  if (HitTest(x, y)) {
    if (m_field_state == kNormal) m_field_state = kActive;
    return 1;
  }
  if (m_field_state == kActive) m_field_state = kNormal;
  return 0;
}

GLFont* GLInputText::Font() const {
  GLSurface* surface = GLSurface::InstanceIfAny();
  return surface ? surface->Font(m_font_slot) : nullptr;
}

int GLInputText::BuildDisplay(char* out, int size, int* caret) const {
  out[0] = 0;
  int len = 0;
  const bool composing = m_focused && m_composition_length > 0;
  if (m_password) {
    len = AppendStars(out, size, len, m_text, m_caret);
    if (composing) len = AppendStars(out, size, len, m_composition, m_composition_length);
    *caret = len;
    len = AppendStars(out, size, len, m_text + m_caret, m_length - m_caret);
  } else {
    len = Append(out, size, len, m_text, m_caret);
    if (composing) len = Append(out, size, len, m_composition, m_composition_length);
    *caret = len;
    len = Append(out, size, len, m_text + m_caret, m_length - m_caret);
  }
  return len;
}

int GLInputText::Draw() {
  if (m_hidden) return 0;
  GLSurface* surface = GLSurface::Instance();
  const int s = m_field_state & 3;
  const float* fill = m_fill[s];
  const float* border = m_border[s];
  const float saved_width = surface->m_line_width;
  surface->m_line_width = 1.0f;
  if (fill[3] > 0.0f) {
    if (m_corner_radius > 0) {
      surface->DrawRoundRect(m_left, m_top, m_right, m_bottom, m_corner_radius, m_corner_segments, 1.0f, fill[0],
                             fill[1], fill[2], fill[3], border[0], border[1], border[2], border[3]);
    } else {
      surface->FillRect(border[3] > 0.0f ? 1 : 0, m_left, m_top, m_right, m_bottom, fill[0], fill[1], fill[2], fill[3],
                        border[0], border[1], border[2], border[3]);
    }
  }
  surface->m_line_width = saved_width;

  GLFont* font = Font();
  if (!font) return 1;
  const int stored = font->FaceSize();
  font->SetFaceSize(m_font_size);
  const GLTextBox box{m_left + m_padding, m_top + m_padding, m_right - m_padding, m_bottom - m_padding};
  char shown[3 * (kBufferBytes + 1) + 1];
  int caret = 0;
  const int len = BuildDisplay(shown, sizeof shown, &caret);
  if (len == 0) {
    if (m_placeholder[0]) font->DrawText(m_placeholder, m_text_flags, box, m_placeholder_colour);
  } else {
    font->DrawText(shown, m_text_flags, box, m_text_colour[s]);
  }
  // Caret: 400 ms on, 400 ms off, right after the characters before it.
  if (m_focused && (GetTickMs() / 400) % 2 == 0) {
    const int full_w = font->MeasureText(shown).right;
    int x = box.left;
    if (m_text_flags & GLFont::kAlignCentre) {
      x = box.left + (box.right - box.left) / 2 - full_w / 2;
    } else if (m_text_flags & GLFont::kAlignRight) {
      x = box.right - full_w;
    }
    char before[sizeof shown];
    std::memcpy(before, shown, static_cast<size_t>(caret));
    before[caret] = 0;
    x += font->MeasureText(before).right;
    const int vflags = m_text_flags & (GLFont::kAlignVCentre | GLFont::kAlignBottom);
    font->DrawText("_", vflags, GLTextBox{x, box.top + 1, x, box.bottom + 1}, m_text_colour[s]);
  }
  font->SetFaceSize(stored);
  return 1;
}
