#include "modes/play/VXPlayerAttack.h"

#include "framework/Clock.h"
#include "modes/play/GameModePlay.h"

void VXPlayerAttack::OnStop() {
  if (!m_mode || m_item < 0 || m_item >= kMarkedItems) return;
  if (m_target < 0 || m_target >= GameModePlay::kSeats || !m_mode->Player(m_target)) return;
  GameModePlay::Reaction& r = m_mode->reaction[m_target];
  const uint32_t now = GetTickMs();
  if (r.item == m_item && static_cast<int32_t>(r.time - now) > 0) r.time = now;
}
