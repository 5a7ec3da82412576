// Requests every role takes: hello, login, leaving the server, the account refresh and
// the registration of a new account's nickname and character.
#include <cstring>
#include <optional>

#include "ServerImpl.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXType_user_info.h"

namespace tsrv {

void Server::Impl::OnHello(const ConnPtr& c, Packet& p) {
  VXMsg_hello_request req;
  if (!req.Read(p) || req.marker != kLoginMarker) {
    c->Close("hello without its marker");
    return;
  }
  VXMsg_hello_reply r;
  r.major = 3;
  r.minor = 3;
  r.patch = 0;  // no update to fetch: the address stays empty
  SendRecord(c, r);
  c->greeted = true;
}

void Server::Impl::SendLoginFailure(const ConnPtr& c, int code) {
  Packet r(VX_PROTOCOL_LOGIN);
  r.WriteInt32(code);
  c->Send(r);
}

void Server::Impl::OnLogin(const ConnPtr& c, Packet& p) {
  constexpr size_t kLoginFormSize = 4 + 4 + VXMsg_login_request::kUserIdSize +
                                    VXMsg_login_request::kTokenSize + VXMsg_login_request::kAccountHeadSize;
  size_t len = p.PayloadLength();
  std::optional<Account> acc_;
  if (len == kLoginFormSize) {
    // The login screen's form: scrambled user id (zero for a device login), token, head.
    VXMsg_login_request req;
    if (!req.Read(p) || req.marker != kLoginMarker) {
      c->Close("login without its marker");
      return;
    }
    const char* nick_field = reinterpret_cast<const char*>(req.account_head + kUserNickname);
    std::string nick(nick_field, strnlen(nick_field, 50));
    bool device_login = true;
    for (uint8_t b : req.user_id)
      if (b) device_login = false;
    if (device_login) {
      std::string dev(req.token, strnlen(req.token, sizeof(req.token)));
      acc_ = store.LoginDevice(dev, nick);
    } else {
      std::string id = UnscrambleUserId(req.user_id, sizeof(req.user_id));
      if (!id.empty()) acc_ = store.LoginSocial(id, nick);
    }
  } else {
    int32_t marker = 0;
    if (!p.ReadInt32(&marker) || marker != kLoginMarker) {
      c->Close("login without its marker");
      return;
    }
    if (len != 4 + 4 + 30 + 4 && len != 4 + 30 + 4) {
      SendLoginFailure(c, 1);
      return;
    }
    // Entering a server: (1 on the master,) account id and user number.
    if (len == 42) {
      int32_t one = 0;
      p.ReadInt32(&one);
      if (one != 1) {
        SendLoginFailure(c, 1);
        return;
      }
    }
    char id[31] = {};
    int32_t number = 0;
    p.ReadBytes(id, 30);
    p.ReadInt32(&number);
    acc_ = store.FindByAccountId(id);
    if (acc_ && acc_->id != number) acc_.reset();
  }
  if (!acc_ || acc_->is_bot) {
    SendLoginFailure(c, 1);
    return;
  }
  int r = static_cast<int>(c->role());
  // A second login of the same account on this role replaces the first.
  if (auto it = online[r].find(acc_->id); it != online[r].end()) {
    if (auto old = it->second.lock(); old && old != c) {
      Packet d(kMsgDuplicateLogin);
      d.WriteInt32(0);
      old->Send(d);
      old->Close(nullptr);
    }
  }
  online[r][acc_->id] = c;
  c->account = acc_->id;
  c->logged_in = true;

  // The login reply (result, server block, account block, then by role) has no shared
  // record: its tail depends on the role and on server-only data.
  Packet rep(VX_PROTOCOL_LOGIN);
  rep.WriteInt32(0);
  ServerInfo si = MakeServerInfo(host(), ports[r], r, 0);
  rep.WriteBytes(si.raw, sizeof(si.raw));
  uint8_t block[GameVXPlayer::kProfileSize];
  FillUserInfo(*acc_, block);
  rep.WriteBytes(block, sizeof(block));
  // The rest depends on the role.
  if (c->role() == Role::kMaster)
    WriteMasterLogin(rep, *acc_);
  else
    WriteGameLogin(rep, c->role());
  c->Send(rep);
  if (c->role() != Role::kMaster) ScheduleLoginNotice(c);
}

void Server::Impl::OnLeaveServer(const ConnPtr& c, Packet&) {
  LeaveTable(c);
  Packet r(kMsgLeaveServer);
  r.WriteInt32(0);
  c->Send(r);
  int role = static_cast<int>(c->role());
  if (c->logged_in) {
    auto it = online[role].find(c->account);
    if (it != online[role].end() && it->second.lock() == c) online[role].erase(it);
  }
  c->logged_in = false;
  c->greeted = false;
}

void Server::Impl::SendAccount(const ConnPtr& c, uint16_t id) {
  auto a = store.FindById(c->account);
  if (!a) return;
  SendAccountBlock(c, id, *a);
}

void Server::Impl::OnRegist(const ConnPtr& c, Packet& p) {
  int32_t avatar = 0;
  char nick[51] = {};
  if (!p.ReadInt32(&avatar) || !p.ReadBytes(nick, 50) || nick[0] == 0 || avatar < 0 ||
      avatar > 1 || !store.SetProfile(c->account, nick, avatar)) {
    Packet r(kMsgRegist);
    r.WriteInt32(0);
    c->Send(r);
    return;
  }
  SendAccount(c, kMsgRegist);
}

void Server::Impl::OnAccountRefresh(const ConnPtr& c, Packet&) {
  Packet r(VX_PROTOCOL_ACCOUNT_REFRESH);
  int kind = static_cast<int>(c->role());
  ServerInfo si = MakeServerInfo(host(), ports[kind], kind, 0);
  r.WriteBytes(si.raw, sizeof(si.raw));
  c->Send(r);
}

}  // namespace tsrv
