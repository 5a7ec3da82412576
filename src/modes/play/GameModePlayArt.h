#pragma once
// The table's pictures: one slot per file under the art folder, loaded by the play
// mode's LoadTableArt (GameModePlayDraw.cpp) and used by its drawing and animations.

namespace play_art {

enum Slot : int {
  kBg11, kBg12, kBg21, kBg22, kDesk, kBgAni1, kBgAni2,
  kCard, kCardBack,
  kTimer1, kTimer2, kTimerBg,
  kTurnBg, kTurnAni, kDirection, kMission,
  kGoldCoin, kGoldShadow,
  kIconCoin, kIconCardOff, kIconCardOn,
  kMyPoint, kPoint, kPoint2,
  kCom1, kCom2,
  kPopupRoom, kLocBg, k3dBg, kWait1, kWait2,
  kSweat, kWins, kWinner,
  kResult1, kResult2, kResultMy, kSpoint,
  kPak, kShot, kReady, kPointer, kAlert,
  kCrown, kTurnWarn, kWarnSpecial, kWarnMission,
  kActionHit, kActionPenalty, kAction1, kAction2, kAction3, kAction4, kAction5, kAction6,
  kGoldCard, kGoldCoinAni,
  kBtnEmoticon, kBtnCardOrder, kBtnChange, kBtnGgut, kBtnLong, kBtnPak, kBtnTing, kBtnPit, kBtnNokmut,
  kBtnConfirm, kBtnCancel, kBtnEnd, kBtnPak02,
  kAttack0,                 // 12 item pictures, items 0 to 11
  kCharacter0 = kAttack0 + 12,  // 12 character sheets, characters 0 to 11
  kCount = kCharacter0 + 12
};

constexpr int kItems = 12;
constexpr int kCharacters = 12;

// Card sheet frames: code c of 0 to 51 is c + 2 * (c / 13); 13 is the face-down card
// (also every code outside 0 to 51); 14 the stock's back.
constexpr int kFaceDown = 13;
constexpr int kStockBack = 14;
inline int CardFrame(int code) { return code >= 0 && code <= 51 ? code + 2 * (code / 13) : kFaceDown; }

}  // namespace play_art
