#pragma once
// Owns the 23 scenes, one slot per scene id (VXSceneId). The scenes are created once at
// start-up and live until the program ends; a slot stays empty for a scene that is not
// built or whose creation failed, and every operation on an empty slot does nothing.
// Ids outside 0 to 22 are refused (logged) wherever they come in.
//
// The manager is also the scene side of the game logic (ISceneHooks): the global
// message handlers show, hide, refresh and feed scenes through it. And it is the
// source the modes' scene layers (GameSceneLayer.h) take their scenes from.
//
// Main thread only.
#include "app/GameHooks.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "scenes/GameScene.h"

class GameScene_manager : public ZBObject, public ZBSingleton<GameScene_manager>, public ISceneHooks {
 public:
  // Builds the scene of an id, or returns null for a scene not built yet.
  using SceneFactory = GameScene* (*)(int id);
  // The order in which the scenes are constructed.
  static constexpr int kCreateOrder[kSceneCount] = {0,  1,  2,  4,  5,  8,  7,  6,  9,  10, 11, 12,
                                                    13, 14, 15, 16, 3,  18, 17, 19, 20, 21, 22};

  GameScene_manager();
  ~GameScene_manager() override;

  static GameScene_manager* Get_Instance() { return Instance(); }

  // Constructs the scenes in kCreateOrder, then creates (Create (id, 0)) and starts
  // each in id order. A scene whose Create fails is destroyed and its slot left empty.
  // Runs once; later calls return 1 at once. Returns 1.
  int Create_Scenes();
  // Destroys every scene and empties the slots.
  void Destroy_Scenes();

  // The scene of `id`; null for an empty slot, or for an id outside 0 to 22 (logged).
  GameScene* Scene(int id) const;
  // Tests build their own scenes; null restores the program's own.
  static void SetFactory(SceneFactory factory);

  // ISceneHooks
  bool IsSceneShown(int id) override;
  int ScenePage(int id) override;
  void ShowScene(int id, int param) override;
  void HideScene(int id) override;
  void ReloadScenePage(int id, int page) override;
  void RefreshScene(int id) override;
  int PassPacket(int id, Packet* packet) override;
  void SetTournamentRecord(int id, const VXType_tournament_info& record) override;
  void OpenTournament(int tournament_id) override;
  void RequestRoom(const VXType_room_info& request) override;
  void SetDayBonus(const VXType_day_bonus& record) override;

  GameScene* m_scenes[kSceneCount] = {};

 private:
  static GameMode* LayerSource(int id);
  bool m_scenes_created = false;
};
