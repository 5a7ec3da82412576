#pragma once
#include <vector>

#include "ui/ZBEntity.h"
#include "ui/ZBEventCtrl.h"

// The ordered list of a screen's interactive controls. Members are drawn and offered
// pointer input in the order they were added: the first added is drawn underneath and
// asked first. The group never owns its members.
//
// A handler may change the group while it is being walked (a button that closes its
// panel hides, removes or destroys controls, or opens another one): every walk goes
// over the members as they were when it began, skips a member once it is hidden,
// removed or destroyed, and leaves members added meanwhile for the next event. A
// handler may even destroy the group's owner: the walk then stops at once.
//
// Main thread only, like every widget.
struct EventCtrlGroup {
  EventCtrlGroup();
  ~EventCtrlGroup();
  EventCtrlGroup(const EventCtrlGroup&) = delete;
  EventCtrlGroup& operator=(const EventCtrlGroup&) = delete;

  // Enabled, no members, empty bounds.
  void Init();
  // Appends `ctrl` and recomputes the bounds; 0 for a null control.
  int Add(ZBEventCtrl* ctrl);
  // Takes the first occurrence of `ctrl` out of the group and recomputes the bounds;
  // 1 when it was a member.
  int Remove(ZBEventCtrl* ctrl);
  void HideAll();
  // Touch down and up stop at the first visible member that consumes the event; move
  // and wheel go to every visible member. Each returns 1 when some member consumed
  // it, and 0 at once when the group is disabled.
  int DispatchTouchDown(int button, int x, int y);
  int DispatchTouchUp(int button, int x, int y);
  int DispatchTouchMove(int button, int x, int y);
  int DispatchWheel(int delta, int x, int y);
  // Draws every visible member in order; returns 1.
  int DrawAll();
  // Forgets every member.
  void ReleaseAll();

  int GetCount() { return m_members.GetCount(); }
  ZBEventCtrl* GetAt(int index) { return static_cast<ZBEventCtrl*>(m_members.GetAt(index)); }
  bool Contains(ZBEventCtrl* ctrl) { return ctrl && m_members.FindNode(ctrl) != nullptr; }

  int m_enabled = 1;
  int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
  int m_visited = 0;

 private:
  friend void ZBEventCtrlLeaveGroups(ZBEventCtrl* ctrl);
  using Handler = int (ZBEventCtrl::*)(int, int, int);
  // One walk in progress; walks nest when a handler dispatches into the same group.
  struct Walk {
    Walk* outer = nullptr;
    bool group_gone = false;  // set when the group is destroyed under the walk
  };

  int Dispatch(Handler handler, int a, int x, int y, bool first_wins);
  template <class Visit>
  bool WalkMembers(Visit visit);
  // Copies the members into the snapshot of a new walk; returns its depth.
  int BeginWalk(Walk* walk);
  void EndWalk(Walk* walk);
  // Clears `ctrl` from the snapshots of the walks in progress (one occurrence each,
  // matching the one list entry removed); every occurrence when `all`.
  void ForgetInWalks(ZBEventCtrl* ctrl, bool all);
  void ForgetAllInWalks();
  void UpdateBounds();
  void DropMembers();

  ZBEntity m_members;  // dispatch and drawing order
  // Member snapshots, one per walk depth; kept between walks so that a dispatch does
  // not allocate once the group has been walked.
  std::vector<std::vector<ZBEventCtrl*>> m_snapshots;
  int m_depth = 0;
  Walk* m_walk = nullptr;  // innermost walk in progress
  // Every live group, so that a control being destroyed can leave the groups holding it.
  EventCtrlGroup* m_prev_group = nullptr;
  EventCtrlGroup* m_next_group = nullptr;
};
