#include "modes/play/VXAniCard.h"

#include "framework/Clock.h"
#include "modes/play/GameModePlay.h"

namespace {
// The record of `code` in the hand or the picked-up cards of `player`, null when gone.
VXType_card* FindHeld(GameVXPlayer* player, int32_t code) {
  if (!player || code < 0) return nullptr;
  int i = player->hand.Index_Of(code);
  if (i >= 0) return player->hand.At(i);
  i = player->pickup.Index_Of(code);
  return i >= 0 ? player->pickup.At(i) : nullptr;
}
}  // namespace

void VXAniCard::OnStop() {
  if (!m_mode) return;
  VXType_card* card = FindHeld(m_mode->Player(m_seat), m_code);
  if (!card) return;
  const uint32_t now = GetTickMs();
  // Only a card still hidden for this flight is shown early; a later change keeps its own time.
  if (static_cast<int32_t>(card->anim_time - now) > 0) card->anim_time = now;
}
