// The master role: the entry point that logs players in and tells them where the game
// servers are.
#include <iterator>

#include "ServerImpl.h"

namespace tsrv {

// The master's part of the login reply: status, returning-user flag, where the
// registrations are kept, the service server's address and the blocks of the account
// that this server keeps empty.
void Server::Impl::WriteMasterLogin(Packet& rep, const Account& a) {
  rep.WriteInt32(0);                      // status
  rep.WriteInt32(a.is_new ? 0 : 1);       // returning user
  rep.WriteInt32(1);                      // registrations are kept locally
  rep.WriteBytes(nullptr, 28);            // day bonus
  ServerInfo svc = MakeServerInfo(host(), ports[0], 3, 0);
  rep.WriteBytes(svc.raw, sizeof(svc.raw));
  rep.WriteBytes(nullptr, 452);           // profile block
  rep.WriteInt32(0);                      // unread mail
  rep.WriteInt32(0);                      // bonus records
  rep.WriteInt32(static_cast<int32_t>(std::size(kMissions)));  // item slots: the missions
  WriteMissionRecords(rep);
  rep.WriteBytes(nullptr, 556);
  rep.WriteBytes(nullptr, 52);
}

void Server::Impl::OnServerAddress(const ConnPtr& c, Packet& p) {
  int32_t kind = -1, zero = 0, selector = -1;
  if (!p.ReadInt32(&kind) || !p.ReadInt32(&zero)) {
    c->Close("short server address request");
    return;
  }
  p.ReadInt32(&selector);
  Packet r(kMsgServerAddress);
  int port = (kind == 1 || kind == 2) ? ports[kind] : -1;
  if (port <= 0) {
    r.WriteInt32(0);
    r.WriteBytes(nullptr, sizeof(ServerInfo));
  } else {
    r.WriteInt32(1);
    // The player's login there is taken only with this pass.
    LeavePass(c, static_cast<Role>(kind));
    ServerInfo si = MakeServerInfo(host(), port, kind, selector);
    r.WriteBytes(si.raw, sizeof(si.raw));
  }
  c->Send(r);
}

}  // namespace tsrv
