#include "modes/play/GameModePlay.h"

void GameModePlay::Ani_Update() {}
void GameModePlay::Ani_Stop_All() {}
void GameModePlay::Ani_Deal() { dealing = 0; }
void GameModePlay::Ani_Card_Flight(VXType_card*, int) {}
void GameModePlay::Ani_Mission_Card() {}
void GameModePlay::Ani_Mission_Hit(int, int, int, int, int, int) {}
void GameModePlay::Ani_Attack(int, int, int) {}
void GameModePlay::Ani_Crown(int) {}
void GameModePlay::Ani_Winner(int) {}
void GameModePlay::Ani_Action(int, int, int, int) {}
void GameModePlay::Ani_Card_Sweat(const VXType_card*, int) {}
void GameModePlay::Ani_Light_Flash(const VXType_card*) {}
void GameModePlay::Ani_Own_Throw_Warning(int) {}
void GameModePlay::Ani_Emoticon(int, int, int) {}
void GameModePlay::Ani_End() {}
void GameModePlay::Ani_Gold_Coins(bool) {}
void GameModePlay::Ani_Turn_Warning(bool) {}
bool GameModePlay::Ani_Turn_Warning_Running() const { return false; }
void GameModePlay::Ani_Turn_Indicator() {}
void GameModePlay::Ani_Wait(int) {}
