#include "app/GameMode.h"

#include "app/GameLogic.h"
#include "framework/Clock.h"

void GameMode::Start() {
  Show(1, 0);
  start_time = GetTickMs();
}

void GameMode::Show(int show, int param) {
  (void)param;
  view_state = show ? 1 : 0;
  state_time = GetTickMs();
}

GameLogic* GameMode::Logic() const { return m_logic ? m_logic : GameLogic::InstanceIfAny(); }
