#include "ui/GLScrollBox.h"

#include <cstdlib>

#include "gfx/GLSurface.h"
#include "gfx/GLWindowScreen.h"

namespace {

void ResetBarColour(float* c) {
  c[0] = c[1] = c[2] = 0.0f;
  c[3] = 70.0f / 255.0f;
}

}  // namespace

GLScrollBox::GLScrollBox() {
  ResetBarColour(m_bar_colour);
  ResetBarColour(m_bar_colour2);
}

GLScrollBox::~GLScrollBox() { Clear(); }

void GLScrollBox::SetVertical(int vertical) {
  m_scroller.m_vertical = vertical ? 1 : 0;
  ApplyRange();
}

void GLScrollBox::SetRect(int l, int t, int r, int b) {
  ZBEventCtrl::SetRect(l, t, r, b);
  m_box = {l, t, r, b};
  m_scroller.SetRect(l, t, r, b);
}

void GLScrollBox::Setup(int l, int t, int r, int b) {
  SetRect(l, t, r, b);
  m_scroller.StopGlide();
  m_scroller.m_offset = 0;
  ResetBarColour(m_bar_colour);
  ResetBarColour(m_bar_colour2);
  m_draw_offset = 0;
  m_content = 0;
  m_selected = nullptr;
  ApplyRange();
}

void GLScrollBox::Resize(int l, int t, int r, int b) {
  SetRect(l, t, r, b);
  ApplyRange();
}

int GLScrollBox::BoxExtent() const {
  return IsVertical() ? m_box.bottom - m_box.top : m_box.right - m_box.left;
}

int GLScrollBox::ComputeRange() const {
  const int range = m_content + 4 - BoxExtent();
  return range > 0 ? range : 0;
}

void GLScrollBox::ApplyRange() {
  const double range = ComputeRange();
  const double extent = BoxExtent();
  if (IsVertical()) m_scroller.SetExtents(0.0, range, 0.0, extent);
  else m_scroller.SetExtents(range, 0.0, extent, 0.0);
}

void GLScrollBox::JumpToEnd() {
  m_scroller.m_offset = -Range();
  m_draw_offset = m_scroller.m_offset;
}

void GLScrollBox::DeleteItem(GLScrollBoxItem* item) {
  if (m_selected == item) m_selected = nullptr;
  if (m_pending_tap == item) m_pending_tap = nullptr;
  item->Release();
}

int GLScrollBox::AddItem(GLScrollBoxItem* item) {
  if (!item) return 0;
  if (!m_items.AddTail(item)) return 0;
  item->m_receiver = this;
  if (!item->m_hidden) m_content += item->m_height;
  while (m_items.GetCount() > m_max_items) {
    auto* oldest = static_cast<GLScrollBoxItem*>(m_items.RemoveHead());
    if (!oldest->m_hidden) m_content -= oldest->m_height;
    DeleteItem(oldest);
  }
  ApplyRange();
  if (m_keep_at_end) JumpToEnd();
  return 1;
}

void GLScrollBox::Relayout() {
  int content = 0;
  for (ZBENTITYOBJECT* n = m_items.HeadNode(); n; n = n->m_next) {
    auto* item = static_cast<GLScrollBoxItem*>(n->m_value);
    if (!item->m_hidden) content += item->m_height;
  }
  if (content == m_content) return;
  m_content = content;
  ApplyRange();
  if (m_keep_at_end) {
    JumpToEnd();
  } else {
    m_scroller.m_offset = 0;
    m_draw_offset = 0;
  }
}

void GLScrollBox::Clear() {
  m_scroller.Reset();
  while (auto* item = static_cast<GLScrollBoxItem*>(m_items.RemoveTail())) DeleteItem(item);
  m_items.RemoveAll();
  m_selected = nullptr;
  m_pending_tap = nullptr;
  m_content = 0;
  m_draw_offset = 0;
}

GLScrollBox::Rect GLScrollBox::Area() const {
  return {m_box.left + m_margin, m_box.top + m_margin, m_box.right - m_margin, m_box.bottom - m_margin};
}

int GLScrollBox::FirstItemStart(const Rect& area) const {
  const bool vertical = IsVertical();
  const int start = vertical ? area.top : area.left;
  const int extent = vertical ? area.bottom - area.top : area.right - area.left;
  if (m_centre_when_short && m_content < extent) return start + (extent - m_content) / 2;
  return start + CurrentDrawOffset();
}

int GLScrollBox::CurrentDrawOffset() const {
  int offset = m_scroller.m_offset < 0 ? m_scroller.m_offset : 0;
  const int range = ComputeRange();
  if (offset < -range) offset = -range;
  return offset;
}

int GLScrollBox::LayOut(GLScrollBoxItem* item, const Rect& area, int pos) const {
  if (IsVertical()) item->SetRect(area.left, pos, area.right, pos + item->m_height);
  else item->SetRect(pos, area.top, pos + item->m_height, area.bottom);
  return pos + item->m_height;
}

int GLScrollBox::Draw() {
  if (m_hidden) return 0;
  GLWindowScreen* screen = GLWindowScreen::Instance();
  screen->PushClip(m_box.left, m_box.top, m_box.right, m_box.bottom);
  m_scroller.Glide();

  m_draw_offset = CurrentDrawOffset();

  const bool vertical = IsVertical();
  const bool only = m_items.GetCount() == 1;
  ForEachLaidOut([&](GLScrollBoxItem* item, const Rect& area) {
    const bool meets = vertical ? (item->m_top <= area.bottom && item->m_bottom >= area.top)
                                : (item->m_left <= area.right && item->m_right >= area.left);
    if (meets || only) item->Draw();
  });

  m_last_bar = {};
  if (m_touch_active || m_scroller.IsGliding() || m_scroller.m_has_anchor) DrawBar(Area());
  screen->PopClip();
  return 1;
}

void GLScrollBox::DrawBar(const Rect& area) {
  const bool vertical = IsVertical();
  const int extent = vertical ? area.bottom - area.top : area.right - area.left;
  const int start = vertical ? area.top : area.left;
  int bar_start = start;
  int bar_length = extent;
  if (m_content > extent && m_content > 0) {
    bar_length = static_cast<int>(static_cast<double>(extent) * extent / m_content);
    bar_start = start + static_cast<int>(static_cast<double>(std::abs(m_draw_offset)) * extent / m_content);
  }
  if (vertical) m_last_bar = {area.right - 9, bar_start + 1, area.right - 1, bar_start + bar_length - 1};
  else m_last_bar = {bar_start + 1, area.bottom - 9, bar_start + bar_length - 1, area.bottom - 1};
  const float* c = m_bar_colour;
  GLSurface::Instance()->FillRect(0, m_last_bar.left, m_last_bar.top, m_last_bar.right, m_last_bar.bottom, c[0],
                                  c[1], c[2], c[3], 0.0f, 0.0f, 0.0f, 0.0f);
}

int GLScrollBox::OnTouchDown(int button, int x, int y) {
  if (m_hidden) return 0;
  if (m_scroller.OnTouchDown(button, x, y)) return 1;  // the touch stopped a glide
  if (!HitTest(x, y)) return 0;
  m_touch_active = 1;
  m_down_x = m_last_x = x;
  m_down_y = m_last_y = y;
  if (!m_receiver) return 0;
  int result = 0;
  ForEachLaidOut([&](GLScrollBoxItem* item, const Rect&) { result |= item->OnTouchDown(button, x, y); });
  return result;
}

int GLScrollBox::OnTouchMove(int button, int x, int y) {
  if (m_hidden) return 0;
  int result = m_scroller.OnTouchMove(button, x, y);
  if (!HitTest(x, y) || !m_receiver) return result;
  m_last_x = x;
  m_last_y = y;
  // Past a small drag the items only see a point outside them: hover ends.
  const bool dragged = m_scroller.m_drag_distance > kHoverSlop;
  const int ix = dragged ? -1 : x;
  const int iy = dragged ? -1 : y;
  ForEachLaidOut([&](GLScrollBoxItem* item, const Rect&) { result |= item->OnTouchMove(button, ix, iy); });
  return result;
}

int GLScrollBox::OnTouchUp(int button, int x, int y) {
  if (m_hidden) return 0;
  m_scroller.OnTouchUp(button, x, y);
  m_up_x = x;
  m_up_y = y;
  m_touch_active = 0;
  if (!HitTest(x, y) || !m_receiver) return 0;
  const int travel = IsVertical() ? m_up_y - m_down_y : m_up_x - m_down_x;
  const int moved = (m_scroller.IsGliding() || std::abs(travel) > kTapSlop) ? 1 : 0;
  int result = 0;
  m_releasing = 1;
  m_pending_tap = nullptr;
  ForEachLaidOut([&](GLScrollBoxItem* item, const Rect&) {
    item->m_moved = moved;
    result |= item->OnTouchUp(button, x, y);
  });
  m_releasing = 0;
  if (result) Relayout();
  // The tap is delivered once the walk is over, so the receiver may clear the box.
  if (GLScrollBoxItem* tapped = m_pending_tap) {
    m_pending_tap = nullptr;
    m_selected = tapped;
    m_receiver->OnEvent(this);
  }
  return result;
}

int GLScrollBox::OnWheel(int delta, int x, int y) {
  if (m_hidden) return 0;
  return m_scroller.OnWheel(delta, x, y);
}

void GLScrollBox::OnEvent(ZBEventCtrl* sender) {
  if (m_scroller.IsGliding()) return;
  const int travel = IsVertical() ? m_up_y - m_down_y : m_up_x - m_down_x;
  if (std::abs(travel) > kTapSlop) return;
  auto* item = static_cast<GLScrollBoxItem*>(static_cast<ZBEventCtrl*>(sender));
  if (m_releasing) {
    m_pending_tap = item;
    return;
  }
  m_selected = item;
  if (m_receiver) m_receiver->OnEvent(this);
}
