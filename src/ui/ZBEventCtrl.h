#pragma once

class ZBEventCtrl;

// Takes a control out of every event control group that holds it (EventCtrlGroup.cpp).
void ZBEventCtrlLeaveGroups(ZBEventCtrl* ctrl);

// The rectangle test used across the toolkit: all four edges are inside.
inline bool ZBPointInRect(int left, int top, int right, int bottom, int x, int y) {
  return x >= left && x <= right && y >= top && y <= bottom;
}

// Told when a control is activated; the receiver compares `sender` with its controls.
class ZBEventReceiver {
 public:
  virtual ~ZBEventReceiver() = default;
  virtual void OnEvent(ZBEventCtrl* sender) = 0;
};

// Base of everything that takes pointer input. Coordinates are design units; the hit
// rectangle is inclusive on all edges. Handlers return non-zero when they consumed
// the event. `button` is 0 for the left mouse button and 1 for the right one; move
// events carry 0. A hidden control is skipped by its group; a disabled one ignores
// input (each control checks `m_enabled` itself).
//
// A control may be destroyed while it is still a member of a group (even during that
// group's walk): its destructor takes it out of every group it was added to.
class ZBEventCtrl {
 public:
  ZBEventCtrl() = default;
  // A copy is a new control: it belongs to no group.
  ZBEventCtrl(const ZBEventCtrl& other)
      : m_receiver(other.m_receiver), m_hidden(other.m_hidden), m_enabled(other.m_enabled),
        m_left(other.m_left), m_top(other.m_top), m_right(other.m_right), m_bottom(other.m_bottom) {}
  ZBEventCtrl& operator=(const ZBEventCtrl& other) {
    m_receiver = other.m_receiver;
    m_hidden = other.m_hidden;
    m_enabled = other.m_enabled;
    m_left = other.m_left;
    m_top = other.m_top;
    m_right = other.m_right;
    m_bottom = other.m_bottom;
    return *this;  // memberships stay those of this control
  }
  virtual ~ZBEventCtrl() {
    if (m_group_count > 0) ZBEventCtrlLeaveGroups(this);
  }

  virtual int Draw() { return 0; }
  virtual int OnTouchDown(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnTouchUp(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnTouchMove(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnWheel(int delta, int x, int y) { (void)delta, (void)x, (void)y; return 0; }
  virtual void SetRect(int left, int top, int right, int bottom) {
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
  }

  bool HitTest(int x, int y) const { return ZBPointInRect(m_left, m_top, m_right, m_bottom, x, y); }

  ZBEventReceiver* m_receiver = nullptr;
  int m_hidden = 0;
  int m_enabled = 1;
  int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;

 private:
  friend struct EventCtrlGroup;
  friend void ZBEventCtrlLeaveGroups(ZBEventCtrl* ctrl);
  int m_group_count = 0;  // memberships in event control groups
};
