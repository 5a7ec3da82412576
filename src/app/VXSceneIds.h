#pragma once
// The ids of the 23 scenes shown over the modes. The id is the scene's slot in the scene
// manager; the modes, the scene manager and the global message handlers all address a
// scene by it.

enum VXSceneId : int {
  kSceneRegist = 0,
  kSceneDayBonus = 1,
  kSceneSettingMain = 2,
  kSceneSettingPlay = 3,
  kSceneProfileMe = 4,
  kSceneProfilePlayer = 5,
  kSceneMission = 6,
  kSceneItemMe = 7,
  kSceneCoupon = 8,
  kSceneRanking = 9,
  kSceneTournamentRanking = 10,
  kSceneFriend = 11,
  kSceneSmsView = 12,
  kSceneSendGift = 13,
  kSceneShop = 14,
  kSceneItemBuy = 15,
  kSceneGame = 16,
  kSceneTableShop = 17,
  kSceneTableEmotion = 18,
  kSceneTournament = 19,
  kSceneTournamentInfo = 20,
  kScenePrizeInfo = 21,
  kScenePlayTournament = 22,
};

constexpr int kSceneCount = 23;

// Pages of the friend scene that the global handlers reload.
enum VXFriendPage : int {
  kFriendPageMail = 2,
  kFriendPageGifts = 3,
};
