#include "ui/EventCtrlGroup.h"

void EventCtrlGroup::Init() {
  m_enabled = 1;
  m_left = m_top = m_right = m_bottom = 0;
  m_members.RemoveAll();
  m_visited = 0;
}

void EventCtrlGroup::UpdateBounds() {
  // The union of the members' rectangles and the origin.
  m_left = m_top = m_right = m_bottom = 0;
  for (void* v = m_members.First(); v; v = m_members.Next()) {
    const ZBEventCtrl* c = static_cast<const ZBEventCtrl*>(v);
    if (c->m_left < m_left) m_left = c->m_left;
    if (c->m_top < m_top) m_top = c->m_top;
    if (c->m_right > m_right) m_right = c->m_right;
    if (c->m_bottom > m_bottom) m_bottom = c->m_bottom;
  }
}

int EventCtrlGroup::Add(ZBEventCtrl* ctrl) {
  if (!ctrl) return 0;
  m_members.AddTail(ctrl);
  UpdateBounds();
  return 1;
}

void EventCtrlGroup::HideAll() {
  for (void* v = m_members.First(); v; v = m_members.Next()) static_cast<ZBEventCtrl*>(v)->m_hidden = 1;
}

int EventCtrlGroup::DispatchTouchDown(int button, int x, int y) {
  if (!m_enabled) return 0;
  m_visited = 0;
  for (void* v = m_members.First(); v; v = m_members.Next()) {
    ZBEventCtrl* c = static_cast<ZBEventCtrl*>(v);
    if (c->m_hidden) continue;
    ++m_visited;
    if (c->OnTouchDown(button, x, y)) return 1;
  }
  return 0;
}

int EventCtrlGroup::DispatchTouchUp(int button, int x, int y) {
  if (!m_enabled) return 0;
  m_visited = 0;
  for (void* v = m_members.First(); v; v = m_members.Next()) {
    ZBEventCtrl* c = static_cast<ZBEventCtrl*>(v);
    if (c->m_hidden) continue;
    ++m_visited;
    if (c->OnTouchUp(button, x, y)) return 1;
  }
  return 0;
}

int EventCtrlGroup::DispatchTouchMove(int button, int x, int y) {
  if (!m_enabled) return 0;
  m_visited = 0;
  int result = 0;
  for (void* v = m_members.First(); v; v = m_members.Next()) {
    ZBEventCtrl* c = static_cast<ZBEventCtrl*>(v);
    if (c->m_hidden) continue;
    ++m_visited;
    if (c->OnTouchMove(button, x, y)) result = 1;
  }
  return result;
}

int EventCtrlGroup::DispatchWheel(int delta, int x, int y) {
  if (!m_enabled) return 0;
  m_visited = 0;
  int result = 0;
  for (void* v = m_members.First(); v; v = m_members.Next()) {
    ZBEventCtrl* c = static_cast<ZBEventCtrl*>(v);
    if (c->m_hidden) continue;
    ++m_visited;
    if (c->OnWheel(delta, x, y)) result = 1;
  }
  return result;
}

int EventCtrlGroup::DrawAll() {
  for (void* v = m_members.First(); v; v = m_members.Next()) {
    ZBEventCtrl* c = static_cast<ZBEventCtrl*>(v);
    if (!c->m_hidden) c->Draw();
  }
  return 1;
}

void EventCtrlGroup::ReleaseAll() {
  m_visited = 0;
  m_members.RemoveAll();
  UpdateBounds();
}
