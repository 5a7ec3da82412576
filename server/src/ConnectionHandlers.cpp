// Requests every role takes: hello, login, leaving the server, the account refresh and
// the registration of a new account's nickname and character.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "ServerImpl.h"
#include "framework/StringUtil.h"
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
  r.major = cfg.hello_version[0];
  r.minor = cfg.hello_version[1];
  r.patch = cfg.hello_version[2];
  std::snprintf(r.patch_url, sizeof(r.patch_url), "%s", cfg.patch_url.c_str());
  SendRecord(c, r);
  c->greeted = true;
}

void Server::Impl::SendLoginFailure(const ConnPtr& c, int code) {
  Packet r(VX_PROTOCOL_LOGIN);
  r.WriteInt32(code);
  c->Send(r);
}

void Server::Impl::LeavePass(const ConnPtr& from, Role to) {
  if (!from->logged_in || from->account <= 0) return;
  passes[from->account] =
      Pass{to, from->peer, Clock::now() + std::chrono::milliseconds(cfg.pass_ms), from};
}

bool Server::Impl::TakePass(const ConnPtr& c, int64_t account, ConnPtr* from) {
  auto it = passes.find(account);
  if (it == passes.end()) return false;
  const Pass pass = it->second;
  if (pass.to != c->role() || pass.peer != c->peer || Clock::now() > pass.expires) return false;
  passes.erase(it);
  *from = pass.from.lock();
  return true;
}

void Server::Impl::EndOtherLogins(const ConnPtr& c, int64_t account, const ConnPtr& mover) {
  for (auto& role_map : online) {
    auto it = role_map.find(account);
    if (it == role_map.end()) continue;
    auto old = it->second.lock();
    role_map.erase(it);
    if (!old || old == c || !old->open()) continue;
    // The connection ends without leaving a pass; its table seat is played to the end of
    // the round.
    old->logged_in = false;
    if (old != mover) {
      TraceF("account %lld logged in again: the older connection is ended",
             static_cast<long long>(account));
      Packet d(kMsgDuplicateLogin);
      d.WriteInt32(0);
      old->Send(d);
    }
    old->Close(nullptr);
  }
}

void Server::Impl::OnLogin(const ConnPtr& c, Packet& p) {
  constexpr size_t kLoginFormSize = 4 + 4 + VXMsg_login_request::kUserIdSize +
                                    VXMsg_login_request::kTokenSize + VXMsg_login_request::kAccountHeadSize;
  constexpr size_t kEnterMasterSize = 4 + 4 + 30 + 4;  // marker, 1, account id, user number
  constexpr size_t kEnterGameSize = 4 + 30 + 4;        // marker, account id, user number
  size_t len = p.PayloadLength();
  std::optional<Account> acc_;
  ConnPtr mover;  // the connection that left the pass of this login
  if (c->role() == Role::kMaster && cfg.force_login_result != 0) {
    SendLoginFailure(c, cfg.force_login_result);
    return;
  }
  if (len == kLoginFormSize) {
    // The login screen's form: scrambled user id (zero for a device login), token, head.
    // Taken on the master only: a game server is entered with the master's pass.
    VXMsg_login_request req;
    if (!req.Read(p) || req.marker != kLoginMarker) {
      c->Close("login without its marker");
      return;
    }
    if (c->role() != Role::kMaster) {
      SendLoginFailure(c, 1);
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
    // Entering a server: (1 on the master,) account id and user number. The master takes
    // the form with its 1, a game server the form without.
    const size_t want = c->role() == Role::kMaster ? kEnterMasterSize : kEnterGameSize;
    if (len != want) {
      SendLoginFailure(c, 1);
      return;
    }
    if (c->role() == Role::kMaster) {
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
    if (acc_ && (acc_->id != number || !TakePass(c, acc_->id, &mover))) {
      TraceF("login of account %lld refused: no pass for this server from %s",
             static_cast<long long>(acc_->id), c->peer.c_str());
      acc_.reset();
    }
  }
  if (!acc_ || acc_->is_bot) {
    SendLoginFailure(c, 1);
    return;
  }
  EndOtherLogins(c, acc_->id, mover);
  online[static_cast<int>(c->role())][acc_->id] = c;
  c->account = acc_->id;
  c->logged_in = true;

  // The login reply (result, server block, account block, then by role) has no shared
  // record: its tail depends on the role and on server-only data.
  int r = static_cast<int>(c->role());
  Packet rep(VX_PROTOCOL_LOGIN);
  rep.WriteInt32(0);
  ServerInfo si = MakeServerInfo(host(), ports[r], r, 0);
  rep.WriteBytes(si.raw, sizeof(si.raw));
  uint8_t block[GameVXPlayer::kProfileSize];
  FillUserInfo(*acc_, block);
  // A seat still held for the player: the master's reply names its table, and the client
  // goes straight back to it.
  if (c->role() == Role::kMaster) MarkHeldSeat(acc_->id, block);
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
  if (c->role() != Role::kMaster) LeavePass(c, Role::kMaster);
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

// Why `name` cannot be a nickname (empty when it can): 1 to 24 characters of UTF-8, no
// control characters, not blank, not another account's.
std::string Server::Impl::NicknameProblem(const std::string& name, int64_t account) {
  if (name.empty()) return "empty";
  const size_t chars = Utf8Length(name);
  if (chars == 0) return "not UTF-8";
  if (chars > kMaxNicknameChars) return "longer than 24 characters";
  bool blank = true;
  for (unsigned char ch : name) {
    if (ch < 0x20 || ch == 0x7F) return "a control character";
    if (ch != ' ') blank = false;
  }
  if (blank) return "blank";
  if (store.NicknameTaken(name, account)) return "taken";
  return std::string();
}

void Server::Impl::OnRegist(const ConnPtr& c, Packet& p) {
  int32_t avatar = 0;
  char nick[51] = {};
  std::string why;
  if (!p.ReadInt32(&avatar) || !p.ReadBytes(nick, 50))
    why = "short request";
  else if (avatar < 0 || avatar > 1)
    why = "no such avatar";
  else
    why = NicknameProblem(nick, c->account);
  if (why.empty() && !store.SetProfile(c->account, nick, avatar)) why = "not stored";
  if (!why.empty()) {
    TraceF("registration of account %lld refused: %s", static_cast<long long>(c->account), why.c_str());
    Packet r(kMsgRegist);
    r.WriteInt32(0);
    c->Send(r);
    return;
  }
  TraceF("account %lld registered as \"%s\" with avatar %d", static_cast<long long>(c->account), nick,
         avatar);
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
