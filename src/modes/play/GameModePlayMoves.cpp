#include "modes/play/GameModePlay.h"

int GameModePlay::OnTouchDown(int, int, int) { return 0; }
int GameModePlay::OnTouchUp(int, int, int) { return 0; }
int GameModePlay::OnTouchMove(int, int, int) { return 0; }
int GameModePlay::OnWheel(int, int, int) { return 0; }
void GameModePlay::Update_Action_Buttons(bool) {}
void GameModePlay::Alert(int) {}
void GameModePlay::On_Move_Result(Packet&) {}
void GameModePlay::On_Move_Event(ZBEventCtrl*) {}
void GameModePlay::Enter_Knock_Mode(int) {}
