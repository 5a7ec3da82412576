#include "ui/GLScrollBoxItem.h"

#include "framework/Clock.h"

int GLScrollBoxItem::OnTouchDown(int button, int x, int y) {
  if (Ignores() || button != 0 || !HitTest(x, y)) return 0;
  m_state = kPressed;
  return 1;
}

int GLScrollBoxItem::OnTouchMove(int button, int x, int y) {
  (void)button;
  if (Ignores()) return 0;
  if (HitTest(x, y)) {
    if (m_state == kNormal) m_state = kHover;
    return 1;
  }
  if (m_state == kHover) m_state = kNormal;
  return 0;
}

int GLScrollBoxItem::OnTouchUp(int button, int x, int y) {
  if (Ignores() || button != 0) return 0;
  const bool was_pressed = m_state == kPressed;
  m_state = kNormal;
  if (!HitTest(x, y)) return 0;
  if (was_pressed && !m_moved && m_receiver) {
    const uint32_t now = GetTickMs();
    if (now - m_last_notify > m_notify_interval) {
      m_last_notify = now;
      m_receiver->OnEvent(this);
    }
  }
  return 1;
}
