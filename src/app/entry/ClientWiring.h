#pragma once
// Connects the game logic to the real subsystems of the program: the screen with the
// shared images, the background workers, the network sessions and the packet thread,
// the player pictures and the notification layer. Tests wire their own recorders instead.
#include "app/GameHooks.h"
#include "app/SurfaceScreenHooks.h"
#include "app/WorkerHooks.h"
#include "media/GameSoundHooks.h"
#include "media/GameSplashHooks.h"
#include "media/GameNotifyHooks.h"

class GameLogic;

// The screen hooks plus the shared images (loading screen and the shared picture set).
class ClientScreenHooks : public SurfaceScreenHooks {
 public:
  int LoadStartupImages() override;
  int LoadSharedImages() override;
  void DrawLoadingPicture() override;
  void Shutdown() override;
};

// Player pictures: downloads finish once per frame.
class PlayerImageLayer : public ILayerHooks {
 public:
  void FrameStep() override;
  void Shutdown() override;
};

// The banners of the banner document: images fetched each frame, announcements drawn
// over the lobby and given the pointer first there.
class WebContentLayer : public ILayerHooks {
 public:
  void FrameStep() override;
  void Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  void Shutdown() override;
};

// One-shot requests to the service server go through the packet thread.
class ServiceExchangeHooks : public IExchangeHooks {
 public:
  int PostToServiceServer(const Packet& packet) override;
};

// Platform start-up (the device id), the scene manager's scenes at stage 2 and, at
// shutdown, the scenes' and modes' own resources.
class ClientServiceHooks : public IServiceHooks {
 public:
  int PlatformInit() override;
  int WebContentInit() override;
  int SceneManagerInit() override;
  void RefreshLocalPlayer() override;
  void Shutdown() override;
};

// Platform commands (open a page, quit, the updater).
class ClientPlatformHooks : public IPlatformHooks {
 public:
  int Execute(int command, int option1, int option2, const char* text1, const char* text2, int option3) override;
};

// Everything the program installs before InitializeGame, and the modes it runs.
struct ClientWiring {
  ClientScreenHooks screen;
  WorkerHooks workers;
  PlayerImageLayer player_image;
  WebContentLayer web_content;
  ServiceExchangeHooks exchanges;
  ClientServiceHooks services;
  ClientPlatformHooks platform;
  GameSoundHooks sound;
  GameSplashHooks splash;
  GameNotifyHooks notify;  // the notification layer and the notices it shows

  void Install(GameLogic* logic);
};
