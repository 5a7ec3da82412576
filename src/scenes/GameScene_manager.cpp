#include "scenes/GameScene_manager.h"

#include <new>

#include "framework/Log.h"
#include "scenes/GameSceneLayer.h"
#include "scenes/VXScene_game.h"
#include "scenes/VXScene_regist.h"
#include "scenes/VXScene_setting_main.h"

namespace {

GameScene* BuildScene(int id) {
  switch (id) {
    case kSceneRegist:
      return new (std::nothrow) VXScene_regist();
    case kSceneSettingMain:
      return new (std::nothrow) VXScene_setting_main();
    case kSceneGame:
      return new (std::nothrow) VXScene_game();
    default:
      return nullptr;  // not built yet: the slot stays empty
  }
}

GameScene_manager::SceneFactory g_factory = nullptr;

}  // namespace

GameScene_manager::GameScene_manager() = default;

GameScene_manager::~GameScene_manager() { Destroy_Scenes(); }

void GameScene_manager::SetFactory(SceneFactory factory) { g_factory = factory; }

GameMode* GameScene_manager::LayerSource(int id) {
  GameScene_manager* m = InstanceIfAny();
  return m ? m->Scene(id) : nullptr;
}

int GameScene_manager::Create_Scenes() {
  if (m_scenes_created) return 1;
  m_scenes_created = true;
  SceneFactory factory = g_factory ? g_factory : &BuildScene;
  for (int id : kCreateOrder) m_scenes[id] = factory(id);
  for (int id = 0; id < kSceneCount; ++id) {
    GameScene* scene = m_scenes[id];
    if (!scene) continue;
    if (!scene->Create(id, 0)) {
      Log(LOG_FATAL, "[ERROR]: GameScene_manager::Create_Scenes| %s (scene %d) not created, its slot stays empty",
          scene->ClassName(), id);
      delete scene;
      m_scenes[id] = nullptr;
      continue;
    }
    scene->scene_id = id;
    scene->Start();
  }
  GameSceneLayer::SetSceneSource(&GameScene_manager::LayerSource);
  return 1;
}

void GameScene_manager::Destroy_Scenes() {
  GameSceneLayer::SetSceneSource(nullptr);
  for (GameScene*& scene : m_scenes) {
    delete scene;
    scene = nullptr;
  }
  m_scenes_created = false;
}

GameScene* GameScene_manager::Scene(int id) const {
  if (!IsSceneId(id)) {
    Log(LOG_WARNING, "[WARNING]: GameScene_manager::Scene| scene id %d refused", id);
    return nullptr;
  }
  return m_scenes[id];
}

bool GameScene_manager::IsSceneShown(int id) {
  GameScene* s = Scene(id);
  return s && s->IsShow();
}

int GameScene_manager::ScenePage(int id) {
  GameScene* s = Scene(id);
  return s && s->IsShow() ? s->ShowParam() : -1;
}

void GameScene_manager::ShowScene(int id, int param) {
  if (GameScene* s = Scene(id)) s->Show(1, param);
}

void GameScene_manager::HideScene(int id) {
  if (GameScene* s = Scene(id)) s->Show(0, 0);
}

void GameScene_manager::ReloadScenePage(int id, int page) {
  if (GameScene* s = Scene(id)) s->ReloadPage(page);
}

void GameScene_manager::RefreshScene(int id) {
  if (GameScene* s = Scene(id)) s->Refresh();
}

int GameScene_manager::PassPacket(int id, Packet* packet) {
  GameScene* s = Scene(id);
  return s && packet ? s->HandleReply(packet) : 1;
}

void GameScene_manager::SetTournamentRecord(int id, const VXType_tournament_info& record) {
  if (GameScene* s = Scene(id)) s->SetTournamentRecord(record);
}

void GameScene_manager::OpenTournament(int tournament_id) {
  if (GameScene* s = Scene(kSceneTournamentInfo)) s->OpenTournament(tournament_id);
}

void GameScene_manager::RequestRoom(const VXType_room_info& request) {
  if (GameScene* s = Scene(kSceneGame)) s->RequestRoom(request);
}

void GameScene_manager::SetDayBonus(const VXType_day_bonus& record) {
  if (GameScene* s = Scene(kSceneDayBonus)) s->SetDayBonus(record);
}
