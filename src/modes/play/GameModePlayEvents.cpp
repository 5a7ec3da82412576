#include "modes/play/GameModePlay.h"

int GameModePlay::OnPacket(Packet*) { return 0; }
