#include "app/entry/ClientWiring.h"

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "media/GamePlayerImage.h"
#include "media/GameSharedImage.h"
#include "modes/lobby/GameModeLobby.h"
#include "modes/login/GameModeLogin.h"
#include "net/CGameSession.h"
#include "net/GamePacketThread.h"
#include "platform/GameInterface.h"

int ClientScreenHooks::LoadStartupImages() { return GameSharedImage::Instance()->LoadLoadingImages(); }

int ClientScreenHooks::LoadSharedImages() { return GameSharedImage::Instance()->LoadImages(); }

void ClientScreenHooks::DrawLoadingPicture() { GameSharedImage::Instance()->DrawLoadingScreen(); }

void ClientScreenHooks::Shutdown() {
  // The pictures go before the surface they are registered with.
  GameSharedImage::DestroyInstance();
  SurfaceScreenHooks::Shutdown();
}

void PlayerImageLayer::FrameStep() { GamePlayerImage::Instance()->UpdateDownloads(); }

void PlayerImageLayer::Shutdown() { GamePlayerImage::DestroyInstance(); }

int ServiceExchangeHooks::PostToServiceServer(const Packet& packet) {
  return GamePacketThread::Instance()->PostToServiceServer(packet, nullptr, nullptr, false);
}

int ClientServiceHooks::PlatformInit() { return Game_Interface_Init(); }

void ClientServiceHooks::Shutdown() {
  // The modes hold textures: they go while the drawing surface still exists.
  GameModeLogin::DestroyInstance();
  GameModeLobby::DestroyInstance();
}

int ClientPlatformHooks::Execute(int command, int option1, int option2, const char* text1, const char* text2,
                                 int option3) {
  return Game_Interface_Execute(command, option1, option2, text1, text2, option3);
}

void ClientWiring::Install(GameLogic* logic) {
  GameHooks hooks = logic->Hooks();
  hooks.screen = &screen;
  hooks.workers = &workers;
  hooks.player_image = &player_image;
  hooks.exchanges = &exchanges;
  hooks.services = &services;
  hooks.platform = &platform;
  logic->SetHooks(hooks);
  logic->SetModes(GameModeLogin::Instance(), GameModeLobby::Instance(), nullptr);

  logic->SetSessionFactory(&CreateGameSession);
  GamePacketThread::SetFrameBarrier(&logic->FrameLock());
  GamePacketThread::SetDispatchOwner(logic);
  GamePacketThread::SetServiceServerSource(
      +[]() -> const ServerInfo* { return &GameSharedData::Instance()->m_service_server; });
}
