#include "ui/GLButton.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

#include "framework/Clock.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"

namespace {

GLButton::ClickSoundFn g_click_sound = nullptr;

void SetColour(float* c, int r, int g, int b, int a) {
  c[0] = r / 255.0f;
  c[1] = g / 255.0f;
  c[2] = b / 255.0f;
  c[3] = a / 255.0f;
}

}  // namespace

void GLButton::SetClickSoundHook(ClickSoundFn fn) { g_click_sound = fn; }

uint32_t GLButton::NowMs() { return GetTickMs(); }

GLButton::GLButton() {
  for (int s = 0; s < 4; ++s) {
    if (s == kHover) {
      SetColour(m_fill[s], 210, 210, 210, 255);
      SetColour(m_border[s], 210, 210, 210, 255);
    } else {
      SetColour(m_fill[s], 223, 223, 223, 255);
      SetColour(m_border[s], 223, 223, 223, 255);
    }
  }
  SetColour(m_label_colour[kNormal], 70, 70, 70, 255);
  SetColour(m_label_colour[kPressed], 70, 70, 70, 255);
  SetColour(m_label_colour[kHover], 50, 50, 50, 255);
  SetColour(m_label_colour[kDisabled], 125, 50, 50, 50);
}

int GLButton::OnTouchDown(int button, int x, int y) {
  if (m_hidden || !m_enabled || m_state == kDisabled || button != 0) return 0;
  if (!HitTest(x, y)) return 0;
  if (m_state == kNormal || m_state == kHover) m_state = kPressed;
  m_state_times[m_state] = NowMs();
  return 1;
}

int GLButton::OnTouchUp(int button, int x, int y) {
  if (m_hidden || !m_enabled || m_state == kDisabled || button != 0) return 0;
  if (!HitTest(x, y)) {
    m_state = kNormal;
    m_state_times[m_state] = NowMs();
    return 0;
  }
  if (m_click_guard) return 1;
  if (m_state == kPressed) {
    // The press ends here whether or not anybody listens.
    m_state = kNormal;
    if (m_receiver) {
      m_click_guard = 1;
      const uint32_t now = NowMs();
      if (now - m_last_click_time > m_click_interval) {
        m_last_click_time = now;
        if (g_click_sound) g_click_sound();
        m_receiver->OnEvent(this);
      }
      m_click_guard = 0;
    }
  }
  m_state_times[m_state] = NowMs();
  return 1;
}

int GLButton::OnTouchMove(int button, int x, int y) {
  (void)button;
  if (m_hidden || !m_enabled || m_state == kDisabled) return 0;
  if (HitTest(x, y)) {
    if (m_state == kNormal) m_state = kHover;
    return 1;
  }
  if (m_state == kPressed || m_state == kHover) m_state = kNormal;
  m_state_times[m_state] = NowMs();
  return 0;
}

void GLButton::SetRects(int l, int t, int r, int b) {
  ZBEventCtrl::SetRect(l, t, r, b);
  m_frame_rect = {l, t, r, b};
  m_label_rect = {l, t, r, b};
}

void GLButton::ComputeBreaks() {
  m_break_count = 0;
  for (int i = 1; m_label[i] && i < kMaxLabel && m_break_count < kMaxBreaks; ++i)
    if (std::iswspace(static_cast<wint_t>(m_label[i]))) m_breaks[m_break_count++] = i;
}

void GLButton::SetupW(int l, int t, int r, int b, const wchar_t* label, int font_size, int flags) {
  SetRects(l, t, r, b);
  if (!label) return;
  m_label[0] = 0;
  m_break_count = 0;
  const size_t n = std::wcslen(label);
  if (n > kMaxLabel - 1) return;
  std::wmemcpy(m_label, label, n);
  m_label[n] = 0;
  m_font_size = font_size;
  m_label_flags = flags;
  ComputeBreaks();
}

void GLButton::Setup(int l, int t, int r, int b, const char* label, int font_size, int flags) {
  if (!label) {
    SetRects(l, t, r, b);
    return;
  }
  wchar_t wide[GLFont::kMaxChars + 1];
  Utf8ToWideFixed(label, wide);
  SetupW(l, t, r, b, wide, font_size, flags);
}

void GLButton::SetLabel(const char* label, int font_size, int flags) {
  if (!label) return;
  wchar_t wide[GLFont::kMaxChars + 1];
  Utf8ToWideFixed(label, wide);
  m_label[0] = 0;
  m_break_count = 0;
  const size_t n = std::wcslen(wide);
  if (n > kMaxLabel - 1) return;
  std::wmemcpy(m_label, wide, n + 1);
  m_font_size = font_size;
  m_label_flags = flags;
  ComputeBreaks();
}

void GLButton::MoveBy(int dx, int dy) {
  ZBEventCtrl::SetRect(m_left + dx, m_top + dy, m_right + dx, m_bottom + dy);
  m_frame_rect = {m_frame_rect.left + dx, m_frame_rect.top + dy, m_frame_rect.right + dx, m_frame_rect.bottom + dy};
  m_label_rect = {m_label_rect.left + dx, m_label_rect.top + dy, m_label_rect.right + dx, m_label_rect.bottom + dy};
  OnMoved(dx, dy);
}

void GLButton::MoveTo(int x, int y) { MoveBy(x - m_frame_rect.left, y - m_frame_rect.top); }

GLFont* GLButton::LabelFont() const {
  GLSurface* surface = GLSurface::InstanceIfAny();
  return surface ? surface->Font(m_font_slot) : nullptr;
}

int GLButton::Draw() {
  if (m_hidden) return 1;
  GLSurface* surface = GLSurface::Instance();
  const float saved_width = surface->m_line_width;
  surface->m_line_width = 1.0f;
  const int s = m_state & 3;
  const Rect& f = m_frame_rect;
  const float* fill = m_fill[s];
  const float* border = m_border[s];
  if (m_background_mode == 0) {
    if (fill[3] > 0.0f) {
      if (m_corner_radius >= 1 && m_corner_segments >= 1) {
        surface->DrawRoundRect(f.left, f.top, f.right, f.bottom, m_corner_radius, m_corner_segments, m_line_width,
                               fill[0], fill[1], fill[2], fill[3], border[0], border[1], border[2], border[3]);
      } else {
        surface->FillRect(border[3] > 0.0f ? 1 : 0, f.left, f.top, f.right, f.bottom, fill[0], fill[1], fill[2],
                          fill[3], border[0], border[1], border[2], border[3]);
      }
    }
  } else {
    const float* a = m_gradient_a[s];
    const float* b = m_gradient_b[s];
    surface->FillGradientRect(m_background_mode, border[3] > 0.0f ? 1 : 0, f.left, f.top, f.right, f.bottom, a[0],
                              a[1], a[2], a[3], b[0], b[1], b[2], b[3], border[0], border[1], border[2], border[3]);
  }
  DrawLabel();
  surface->m_line_width = saved_width;
  return 1;
}

void GLButton::DrawLabel() {
  if (!m_label[0]) return;
  GLFont* font = LabelFont();
  if (!font) return;
  const int stored = font->FaceSize();
  font->SetFaceSize(m_font_size);
  const GLTextBox measured = font->MeasureTextW(m_label);
  const int w = measured.right;
  const int h = measured.bottom;
  const Rect& r = m_label_rect;
  const float* colour = m_label_colour[m_state & 3];
  if (w > r.right - r.left && m_break_count > 0 && 2 * h <= r.bottom - r.top) {
    // Two lines split after the first whitespace, centred vertically as a pair.
    wchar_t first[kMaxLabel];
    const int cut = m_breaks[0] + 1;
    std::wmemcpy(first, m_label, cut);
    first[cut] = 0;
    const int line_h = h + 2;
    const int top = r.top + (r.bottom - r.top - 2 * line_h) / 2;
    font->DrawTextW(m_label_flags, GLTextBox{r.left, top, r.right, top + line_h}, first, colour);
    font->DrawTextW(m_label_flags, GLTextBox{r.left, top + line_h, r.right, top + 2 * line_h}, m_label + cut,
                    colour);
  } else {
    font->DrawTextW(m_label_flags, GLTextBox{r.left, r.top, r.right, r.bottom}, m_label, colour);
  }
  font->SetFaceSize(stored);
}
