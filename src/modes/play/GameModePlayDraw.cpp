#include "modes/play/GameModePlay.h"

int GameModePlay::LoadTableArt() { return 1; }
void GameModePlay::ReleaseTableArt() {}
int GameModePlay::Draw() { return 0; }
