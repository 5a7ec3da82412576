#include "modes/play/GameModePlay.h"

int GameModePlay::Draw() { return 0; }
