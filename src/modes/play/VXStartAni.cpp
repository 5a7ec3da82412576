#include "modes/play/VXStartAni.h"

#include "framework/Clock.h"
#include "modes/play/GameModePlay.h"

void VXStartAni::OnStop() {
  if (!m_mode) return;
  GameVXPlayer* player = m_mode->Player(m_seat);
  if (!player) return;
  const uint32_t now = GetTickMs();
  player->hand.Set_All_Anim_Time(now);
  player->pickup.Set_All_Anim_Time(now);
}
