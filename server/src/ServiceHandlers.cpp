// The service role's one-shot exchanges, served on the master's port: the few the client
// makes at login, answered with empty lists.
#include "ServerImpl.h"

namespace tsrv {

void Server::Impl::OnService(const ConnPtr& c, Packet& p) {
  Packet r(p.id);
  if (p.id == kMsgServiceState) {
    for (int i = 0; i < 4; ++i) r.WriteInt32(0);
  } else if (p.id == kMsgFriendList) {
    char name[30];
    int32_t number = 0, kind = 0;
    p.ReadBytes(name, 30);
    p.ReadInt32(&number);
    p.ReadInt32(&kind);
    r.WriteInt32(0);
    r.WriteInt32(kind);
    r.WriteInt32(0);
    r.WriteInt32(0);
  } else {
    r.WriteInt32(0);
  }
  c->Send(r);
}

}  // namespace tsrv
