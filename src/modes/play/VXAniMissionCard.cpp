#include "modes/play/VXAniMissionCard.h"

#include "modes/play/GameModePlay.h"

void VXAniMissionCard::OnStop() {
  if (!m_mode || !m_mode->Player(m_seat)) return;
  m_mode->Ani_Mission_Final(m_event, m_carried, m_seat2, m_event2);
}
