#include "scenes/GameSceneTable.h"

namespace {

constexpr GameSceneInfo kFull(const char* name) { return {name, 1, 0, 0, 0, 0, 0}; }
constexpr GameSceneInfo kPopupNoArea(const char* name) { return {name, 0, 0, 0, 0, 0, 0}; }
constexpr GameSceneInfo kPopup(const char* name, int l, int t, int r, int b) { return {name, 0, 1, l, t, r, b}; }

constexpr GameSceneInfo kScenes[kSceneCount] = {
    kFull("VXScene_regist"),
    kPopupNoArea("VXScene_day_bonus"),
    kPopup("VXScene_setting_main", 660, 0, 1280, 720),
    kPopup("VXScene_setting_play", 660, 0, 1280, 720),
    kPopup("VXScene_profile_me", 660, 0, 1280, 720),
    kPopup("VXScene_profile_player", 660, 0, 1280, 720),
    kFull("VXScene_mission"),
    kPopup("VXScene_item_me", 184, 31, 1096, 689),
    kPopup("VXScene_coupon", 283, 134, 996, 590),
    kFull("VXScene_ranking"),
    kFull("VXScene_tournament_ranking"),
    kFull("VXScene_friend"),
    kPopup("VXScene_sms_view", 184, 31, 1096, 689),
    kPopup("VXScene_send_gift", 184, 31, 1096, 689),
    kFull("VXScene_shop"),
    kPopup("VXScene_item_buy", 283, 134, 996, 590),
    kFull("VXScene_game"),
    kPopup("VXScene_table_shop", 0, 0, 620, 720),
    kPopup("VXScene_table_emotion", 0, 0, 620, 720),
    kFull("VXScene_tournament"),
    kPopup("VXScene_tournament_info", 660, 0, 1280, 720),
    kPopup("VXScene_prize_info", 286, 132, 998, 589),
    kPopupNoArea("VXScene_play_tournament"),
};

}  // namespace

const GameSceneInfo* SceneInfo(int id) { return IsSceneId(id) ? &kScenes[id] : nullptr; }
