// The dispatch table: one row per request the server answers, saying which roles take it,
// whether it needs a login first, and what happens when another role is asked. Adding a
// request is one row here and one handler in the file of its role.
#include <iterator>

#include "ServerImpl.h"
#include "net/messages/VXProtocolTable.h"

namespace tsrv {

namespace {

constexpr unsigned kMasterOnly = 1u << static_cast<int>(Role::kMaster);
constexpr unsigned kGameRoles = (1u << static_cast<int>(Role::kGame)) | (1u << static_cast<int>(Role::kTour));
constexpr unsigned kAnyRole = kMasterOnly | kGameRoles;

// Ids up to this one are the socket's own (heartbeats and the like): never dispatched.
constexpr uint16_t kLastSocketMessage = 100;

struct Route {
  uint16_t id;
  unsigned roles;                 // bit per Role that takes the request
  bool needs_login;
  Server::Impl::Handler handler;
  // Asked of a role that does not take it (rows without a login only): close the
  // connection with this reason, or ignore the request when null.
  const char* wrong_role;
};

using S = Server::Impl;
const Route kRoutes[] = {
    // Connection and account, every role.
    {VX_PROTOCOL_HELLO, kAnyRole, false, &S::OnHello, nullptr},
    {VX_PROTOCOL_LOGIN, kAnyRole, false, &S::OnLogin, nullptr},
    {kMsgLeaveServer, kAnyRole, false, &S::OnLeaveServer, nullptr},
    {VX_PROTOCOL_ACCOUNT_REFRESH, kAnyRole, true, &S::OnAccountRefresh, nullptr},
    {kMsgRegist, kAnyRole, true, &S::OnRegist, nullptr},
    // The master.
    {kMsgServerAddress, kMasterOnly, false, &S::OnServerAddress,
     "server address asked of a game server"},
    // The service role's one-shot exchanges (served on the master's port).
    {kMsgServiceState, kMasterOnly, false, &S::OnServiceState, nullptr},
    {kMsgFriendList, kMasterOnly, false, &S::OnFriendList, nullptr},
    {kMsgTournamentRegs, kMasterOnly, false, &S::OnTournamentRegs, nullptr},
    {kMsgSocialFriends, kMasterOnly, false, &S::OnSocialFriends, nullptr},
    {kMsgListRefresh, kMasterOnly, false, &S::OnListRefresh, nullptr},
    // The game roles.
    {VX_PROTOCOL_ROOM_ENTER, kGameRoles, true, &S::OnRoomEnter, nullptr},
    {VX_PROTOCOL_ROOM_LEAVE, kGameRoles, true, &S::OnRoomLeave, nullptr},
    {VX_PROTOCOL_TABLE_INFO, kGameRoles, true, &S::OnTableInfo, nullptr},
    {VX_PROTOCOL_GAME_READY, kGameRoles, true, &S::OnGameReady, nullptr},
    {VX_PROTOCOL_GAME_PLAYER_ACTION, kGameRoles, true, &S::OnPlayerAction, nullptr},
    {VX_PROTOCOL_CARD_CHANGE, kGameRoles, true, &S::OnCardChange, nullptr},
    {VX_PROTOCOL_TABLE_CHAT, kGameRoles, true, &S::OnTableChat, nullptr},
    {VX_PROTOCOL_TABLE_EMOTICON, kGameRoles, true, &S::OnTableEmoticon, nullptr},
    {VX_PROTOCOL_TABLE_ITEM_ATTACK, kGameRoles, true, &S::OnTableItemAttack, nullptr},
};

const Route* FindRoute(uint16_t id) {
  for (const Route& r : kRoutes)
    if (r.id == id) return &r;
  return nullptr;
}

}  // namespace

void Server::Impl::Dispatch(const ConnPtr& c, Packet& p) {
  if (p.id <= kLastSocketMessage) return;
  const Role role = c->role();
  const Route* r = FindRoute(p.id);
  const bool role_takes = r && (r->roles & (1u << static_cast<int>(role)));
  if (r && !r->needs_login) {
    if (role_takes)
      (this->*(r->handler))(c, p);
    else if (r->wrong_role)
      c->Close(r->wrong_role);
    return;
  }
  if (!c->logged_in) {
    // Everything else needs a login first.
    c->Close("request before login");
    return;
  }
  if (role_takes) {
    (this->*(r->handler))(c, p);
    return;
  }
  Trace(role == Role::kMaster ? "unhandled message on the master" : "unhandled message on a game server",
        p.id);
}

}  // namespace tsrv
