#pragma once
#include "ui/ZBEntity.h"
#include "ui/ZBEventCtrl.h"

// The ordered list of a screen's interactive controls. Members are drawn and offered
// pointer input in the order they were added: the first added is drawn underneath and
// asked first. The group never owns its members.
struct EventCtrlGroup {
  EventCtrlGroup() { Init(); }
  EventCtrlGroup(const EventCtrlGroup&) = delete;
  EventCtrlGroup& operator=(const EventCtrlGroup&) = delete;

  void Init();
  // Appends `ctrl` and recomputes the bounds; 0 for a null control.
  int Add(ZBEventCtrl* ctrl);
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

  int m_enabled = 1;
  int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
  ZBEntity m_members;
  int m_visited = 0;

 private:
  using Handler = int (ZBEventCtrl::*)(int, int, int);
  int Dispatch(Handler handler, int a, int x, int y, bool first_wins);
  void UpdateBounds();
};
