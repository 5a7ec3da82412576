// Replies that the dispatcher hands to the scene that reads them; the scene's answer is
// the dispatch result.
#include "app/GameLogic.h"
#include "app/GlobalMessages.h"

namespace {

GlobalOutcome ToFriendScene(const GlobalContext& ctx, Packet& p) {
  return Consumed(ctx.Scenes().PassPacket(kSceneFriend, &p));
}

GlobalOutcome ToTournamentInfo(const GlobalContext& ctx, Packet& p) {
  return Consumed(ctx.Scenes().PassPacket(kSceneTournamentInfo, &p));
}

// Entering a room: the room list asked on a game server, tournament details on a
// tournament server.
GlobalOutcome OnRoomEnter(const GlobalContext& ctx, Packet& p) {
  IGameSession* cur = ctx.logic->CurrentSession();
  if (!cur || !cur->IsConnected()) return Consumed();
  const int32_t kind = cur->Info().Kind();
  if (kind == 1) return Consumed(ctx.Scenes().PassPacket(kSceneGame, &p));
  if (kind == 2) return Consumed(ctx.Scenes().PassPacket(kSceneTournamentInfo, &p));
  return Consumed();
}

constexpr GlobalMessageRow kRows[] = {
    {VX_PROTOCOL_GIFT_LIST, ToFriendScene},
    {VX_PROTOCOL_MAIL_LIST, ToFriendScene},
    {VX_PROTOCOL_TOURNAMENT_DETAILS, ToTournamentInfo},
    {VX_PROTOCOL_TOURNAMENT_REGIST, ToTournamentInfo},
    {VX_PROTOCOL_TOURNAMENT_CANCEL, ToTournamentInfo},
    {VX_PROTOCOL_ROOM_ENTER, OnRoomEnter},
};

}  // namespace

std::span<const GlobalMessageRow> SceneMessageRows() { return kRows; }
