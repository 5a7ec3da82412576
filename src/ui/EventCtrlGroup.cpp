#include "ui/EventCtrlGroup.h"

#include <cstddef>

namespace {
EventCtrlGroup* g_groups = nullptr;  // head of the live groups (main thread only)
}

void ZBEventCtrlLeaveGroups(ZBEventCtrl* ctrl) {
  for (EventCtrlGroup* g = g_groups; g && ctrl->m_group_count > 0; g = g->m_next_group) {
    while (g->Remove(ctrl)) {
    }
  }
}

EventCtrlGroup::EventCtrlGroup() {
  m_next_group = g_groups;
  if (g_groups) g_groups->m_prev_group = this;
  g_groups = this;
  Init();
}

EventCtrlGroup::~EventCtrlGroup() {
  for (Walk* w = m_walk; w; w = w->outer) w->group_gone = true;
  DropMembers();
  if (m_prev_group) m_prev_group->m_next_group = m_next_group;
  else g_groups = m_next_group;
  if (m_next_group) m_next_group->m_prev_group = m_prev_group;
}

void EventCtrlGroup::DropMembers() {
  for (ZBENTITYOBJECT* n = m_members.HeadNode(); n; n = n->m_next) --static_cast<ZBEventCtrl*>(n->m_value)->m_group_count;
  m_members.RemoveAll();
  ForgetAllInWalks();
}

void EventCtrlGroup::Init() {
  m_enabled = 1;
  DropMembers();
  UpdateBounds();
  m_visited = 0;
}

void EventCtrlGroup::UpdateBounds() {
  // The union of the members' rectangles and the origin. Walks the nodes directly so
  // that the list's cursor is left alone.
  m_left = m_top = m_right = m_bottom = 0;
  for (ZBENTITYOBJECT* n = m_members.HeadNode(); n; n = n->m_next) {
    const ZBEventCtrl* c = static_cast<const ZBEventCtrl*>(n->m_value);
    if (c->m_left < m_left) m_left = c->m_left;
    if (c->m_top < m_top) m_top = c->m_top;
    if (c->m_right > m_right) m_right = c->m_right;
    if (c->m_bottom > m_bottom) m_bottom = c->m_bottom;
  }
}

int EventCtrlGroup::Add(ZBEventCtrl* ctrl) {
  if (!ctrl || !m_members.AddTail(ctrl)) return 0;
  ++ctrl->m_group_count;
  UpdateBounds();
  return 1;
}

int EventCtrlGroup::Remove(ZBEventCtrl* ctrl) {
  ZBENTITYOBJECT* node = ctrl ? m_members.FindNode(ctrl) : nullptr;
  if (!node) return 0;
  m_members.RemoveNode(node);
  --ctrl->m_group_count;
  ForgetInWalks(ctrl, false);
  UpdateBounds();
  return 1;
}

void EventCtrlGroup::HideAll() {
  for (ZBENTITYOBJECT* n = m_members.HeadNode(); n; n = n->m_next) static_cast<ZBEventCtrl*>(n->m_value)->m_hidden = 1;
}

int EventCtrlGroup::BeginWalk(Walk* walk) {
  const int depth = m_depth++;
  if (static_cast<int>(m_snapshots.size()) <= depth) m_snapshots.emplace_back();
  std::vector<ZBEventCtrl*>& snap = m_snapshots[depth];
  snap.clear();
  for (ZBENTITYOBJECT* n = m_members.HeadNode(); n; n = n->m_next) snap.push_back(static_cast<ZBEventCtrl*>(n->m_value));
  walk->outer = m_walk;
  m_walk = walk;
  return depth;
}

void EventCtrlGroup::EndWalk(Walk* walk) {
  m_walk = walk->outer;
  --m_depth;
}

void EventCtrlGroup::ForgetInWalks(ZBEventCtrl* ctrl, bool all) {
  for (int d = 0; d < m_depth; ++d) {
    for (ZBEventCtrl*& c : m_snapshots[d]) {
      if (c != ctrl) continue;
      c = nullptr;
      if (!all) break;
    }
  }
}

void EventCtrlGroup::ForgetAllInWalks() {
  for (int d = 0; d < m_depth; ++d)
    for (ZBEventCtrl*& c : m_snapshots[d]) c = nullptr;
}

// Visits the visible members of a snapshot in order until `visit` returns true. The
// snapshot is indexed afresh on every step (a nested walk may grow the snapshot table)
// and nothing of the group is touched once a visit has destroyed it. Returns false
// when the group is gone.
template <class Visit>
bool EventCtrlGroup::WalkMembers(Visit visit) {
  Walk walk;
  const int depth = BeginWalk(&walk);
  const std::size_t count = m_snapshots[depth].size();
  for (std::size_t i = 0; i < count; ++i) {
    ZBEventCtrl* c = m_snapshots[depth][i];
    if (!c || c->m_hidden) continue;
    const bool stop = visit(c);
    if (walk.group_gone) return false;
    if (stop) break;
  }
  EndWalk(&walk);
  return true;
}

// Offers one event to the visible members in list order. Presses and releases stop at
// the first member that takes them; moves and wheel turns go to every member.
int EventCtrlGroup::Dispatch(Handler handler, int a, int x, int y, bool first_wins) {
  if (!m_enabled) return 0;
  m_visited = 0;
  int result = 0;
  WalkMembers([&](ZBEventCtrl* c) {
    ++m_visited;
    if (!(c->*handler)(a, x, y)) return false;
    result = 1;
    return first_wins;
  });
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
  WalkMembers([](ZBEventCtrl* c) {
    c->Draw();
    return false;
  });
  return 1;
}

void EventCtrlGroup::ReleaseAll() {
  m_visited = 0;
  DropMembers();
  UpdateBounds();
}
