#include "app/GameLogic.h"

// The global messages the dispatcher keeps (account and money updates, server
// notices, friend and tournament notices, forced disconnection, the login reply).
bool GameLogic::HandleGlobalPacket(Packet* packet, int* result) {
  (void)packet;
  (void)result;
  return false;
}
