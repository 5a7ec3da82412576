#pragma once
#include <cstdint>

#include "framework/ZBObject.h"
#include "net/Packet.h"
#include "ui/ZBEventCtrl.h"

// Base of the three game modes and of every scene. The game logic drives it through
// the operations below, in this order of life: Create, Start, OnInit_Process once the
// init delay has passed, Update every frame, Show(0, 0) when replaced, Cleanup.
class GameLogic;

class GameMode : public ZBObject, public ZBEventCtrl, public ZBEventReceiver {
 public:
  enum ModeId { kModeLogin = 0, kModeLobby = 1, kModePlay = 2 };

  GameMode() = default;
  ~GameMode() override = default;

  virtual int LoadResources() { return 1; }
  virtual int ReleaseResources() { return 1; }
  virtual int IsReady() { return (view_state == 1 && init_processed == 1) ? 1 : 0; }
  virtual void Start();
  virtual void OnInit_Process() { init_processed = 1; }
  virtual void OnConnectionLost(int) {}
  virtual int CanClose(int, int) { return 1; }
  virtual void Show(int show, int param);
  virtual int IsShow() { return view_state == 1 ? 1 : 0; }
  virtual void OnReloadSurface() {}
  virtual int Create(int param1, int param2) {
    (void)param1, (void)param2;
    created = 1;
    return 1;
  }
  virtual void Cleanup() {
    created = 0;
    init_processed = 0;
  }
  virtual int Update() { return 0; }
  virtual void OnHook(int) {}
  virtual void Close() {}
  virtual void OnHook2() {}
  virtual void OnEnterKey() {}
  virtual int OnPacket(Packet* packet) {
    (void)packet;
    return 0;
  }
  virtual void OnHook3(int, int, int) {}
  virtual void OnHook4(int, int, int, int) {}
  virtual int OnKeyDown(int key) {
    (void)key;
    return 0;
  }
  virtual int OnKeyUp(int key) {
    (void)key;
    return 0;
  }

  void OnEvent(ZBEventCtrl* sender) override { (void)sender; }

  // True when the mode accepts input: initialised and shown.
  bool TakesInput() { return init_processed == 1 && IsShow(); }

  // The game logic the mode works with: the one set (tests give their own), else the
  // program's singleton.
  void SetLogic(GameLogic* logic) { m_logic = logic; }
  GameLogic* Logic() const;

  int32_t scene_id = 0;
  int32_t mode_id = 0;
  int32_t reserved = 0;
  int32_t view_state = 0;
  uint32_t state_time = 0;
  int32_t opaque = 1;
  int32_t created = 0;
  int32_t init_processed = 0;
  uint32_t start_time = 0;
  uint32_t init_delay = 0;

 protected:
  GameLogic* m_logic = nullptr;
};
