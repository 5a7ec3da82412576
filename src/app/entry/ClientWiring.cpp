#include "app/entry/ClientWiring.h"

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "framework/Log.h"
#include "media/DXSoundManager.h"
#include "media/GamePlayerImage.h"
#include "media/GameSharedImage.h"
#include "modes/lobby/GameModeLobby.h"
#include "modes/login/GameModeLogin.h"
#include "modes/play/GameModePlay.h"
#include "net/CGameSession.h"
#include "net/GamePacketThread.h"
#include "platform/GameInterface.h"
#include "web/GameWebContent.h"
#include "scenes/GameScene_manager.h"
#include "scenes/VXScene_game.h"
#include "ui/GLButton.h"

int ClientScreenHooks::LoadStartupImages() { return GameSharedImage::Instance()->LoadLoadingImages(); }

int ClientScreenHooks::LoadSharedImages() { return GameSharedImage::Instance()->LoadImages(); }

void ClientScreenHooks::DrawLoadingPicture() { GameSharedImage::Instance()->DrawLoadingScreen(); }

void ClientScreenHooks::Shutdown() {
  // The pictures go before the surface they are registered with.
  GameSharedImage::DestroyInstance();
  SurfaceScreenHooks::Shutdown();
}

int PlayerImageLayer::Initialize() {
  GamePlayerImage::Instance()->SetPictureHost(Game_Interface_SocialEndpoints().graph_url.c_str());
  return 1;
}

void PlayerImageLayer::FrameStep() { GamePlayerImage::Instance()->UpdateDownloads(); }

void PlayerImageLayer::Shutdown() { GamePlayerImage::DestroyInstance(); }

void WebContentLayer::FrameStep() { GameWebContent::Instance()->Update(); }

void WebContentLayer::Draw() { GameWebContent::Instance()->Draw_Announcements(); }

namespace {
// The banners take the pointer only in the lobby, where they are drawn.
bool InLobby() {
  GameLogic* logic = GameLogic::InstanceIfAny();
  return logic && logic->CurrentMode() && logic->CurrentMode()->mode_id == GameMode::kModeLobby;
}
}  // namespace

int WebContentLayer::OnTouchDown(int button, int x, int y) {
  return InLobby() ? GameWebContent::Instance()->OnTouchDown(button, x, y) : 0;
}

int WebContentLayer::OnTouchUp(int button, int x, int y) {
  if (!InLobby()) return 0;
  // The lobby draws its banners under its scenes: a shown scene takes the release
  // before them (an announcement, drawn over everything, still comes first).
  const bool scene_over_banners = GameModeLobby::Instance()->TopmostScene() >= 0;
  return GameWebContent::Instance()->OnTouchUp(button, x, y, !scene_over_banners);
}

int WebContentLayer::OnTouchMove(int button, int x, int y) {
  return InLobby() ? GameWebContent::Instance()->OnTouchMove(button, x, y) : 0;
}

void WebContentLayer::Shutdown() { GameWebContent::DestroyInstance(); }

int ServiceExchangeHooks::PostToServiceServer(const Packet& packet) {
  return GamePacketThread::Instance()->PostToServiceServer(packet, nullptr, nullptr, false);
}

int ClientServiceHooks::PlatformInit() {
  Game_Interface_SetSocialLoginHandler(+[](const char* social_id, const char* name) {
    GameModeLogin::Instance()->OnSocialLogin(social_id, name);
  });
  return Game_Interface_Init();
}

int ClientServiceHooks::WebContentInit() {
  return GameWebContent::Instance()->Initialize(GameSharedData::Instance()->m_web_base);
}

void ClientServiceHooks::RefreshLocalPlayer() { GameModePlay::Instance()->Refresh_Own_Profile(); }

int ClientServiceHooks::SceneManagerInit() { return GameScene_manager::Get_Instance()->Create_Scenes(); }

void ClientServiceHooks::Shutdown() {
  // Scenes and modes hold textures: they go while the drawing surface still exists,
  // the scenes shown over the modes first.
  GameScene_manager::DestroyInstance();
  GameModeLogin::DestroyInstance();
  GameModeLobby::DestroyInstance();
  GameModePlay::DestroyInstance();
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
  hooks.web_content = &web_content;
  hooks.exchanges = &exchanges;
  hooks.sound = &sound;
  hooks.splash = &splash;
  hooks.services = &services;
  hooks.platform = &platform;
  hooks.scenes = GameScene_manager::Get_Instance();
  hooks.notify = &notify;
  hooks.notices = &notify;
  logic->SetHooks(hooks);
  logic->SetModes(GameModeLogin::Instance(), GameModeLobby::Instance(), GameModePlay::Instance());
  // The room list's answer tells the table screen which room it sits in.
  VXScene_game::SetTableHandoff(+[](const VXType_room_info& room, int32_t) { GameModePlay::Instance()->Enter_Room(room); });
  GLButton::SetClickSoundHook(&GameSoundHooks::PlayButtonClick);
  // A failed clip is reported in the game's own (non-blocking) message box, so that a
  // start with nobody in front of the screen never waits for a click.
  DXSoundManager::SetMessageBoxHandler(+[](const char* text, const char* caption) {
    Log(LOG_FATAL, "[ERROR]: DXSoundManager | %s: %s", caption, text);
    if (GameLogic* l = GameLogic::InstanceIfAny()) l->Hooks().notices->PushBox(caption, 0, text, 0, 0);
  });

  logic->SetSessionFactory(&CreateGameSession);
  // After a lost connection the client logs in again as the title screen did last.
  logic->SetReloginRequest([] {
    GameSharedData* d = GameSharedData::Instance();
    d->SetUser32(kUserMarker, kClientProtocolVersion);
    return BuildLoginRequest(d->m_login_kind, d->m_user_info, GameModeLogin::Instance()->login_token);
  });
  GamePacketThread::SetFrameBarrier(&logic->FrameLock());
  GamePacketThread::SetDispatchOwner(logic);
  GamePacketThread::SetServiceServerSource(
      +[]() -> const ServerInfo* { return &GameSharedData::Instance()->m_service_server; });
}
