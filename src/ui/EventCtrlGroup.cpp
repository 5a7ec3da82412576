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

// Offers one event to the visible members in list order. Presses and releases stop at
// the first member that takes them; moves and wheel turns go to every member.
int EventCtrlGroup::Dispatch(Handler handler, int a, int x, int y, bool first_wins) {
  if (!m_enabled) return 0;
  m_visited = 0;
  int result = 0;
  for (void* v = m_members.First(); v; v = m_members.Next()) {
    ZBEventCtrl* c = static_cast<ZBEventCtrl*>(v);
    if (c->m_hidden) continue;
    ++m_visited;
    if ((c->*handler)(a, x, y)) {
      if (first_wins) return 1;
      result = 1;
    }
  }
  return result;
}

int EventCtrlGroup::DispatchTouchDown(int button, int x, int y) {
  return Dispatch(&ZBEventCtrl::OnTouchDown, button, x, y, true);
}

int EventCtrlGroup::DispatchTouchUp(int button, int x, int y) {
  return Dispatch(&ZBEventCtrl::OnTouchUp, button, x, y, true);
}

int EventCtrlGroup::DispatchTouchMove(int button, int x, int y) {
  return Dispatch(&ZBEventCtrl::OnTouchMove, button, x, y, false);
}

int EventCtrlGroup::DispatchWheel(int delta, int x, int y) {
  return Dispatch(&ZBEventCtrl::OnWheel, delta, x, y, false);
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
