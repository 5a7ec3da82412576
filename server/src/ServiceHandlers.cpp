// The service role's one-shot exchanges, served on the master's port: the counters,
// lists and uploads the lobby asks for after a login, answered from the database. Each
// comes on a connection of its own that never logs in, so an exchange that names an
// account is answered only while that account is logged in from the same address.
#include <cstring>
#include <string>
#include <vector>

#include "ServerImpl.h"
#include "net/messages/VXType_user_info.h"

namespace tsrv {

namespace {

constexpr size_t kIdText = 30;
constexpr size_t kFriendRecordSize = 108;
constexpr size_t kRankingRowSize = 172;
constexpr int32_t kLobbyList = -1;     // the lobby's player list, asked for after a login
constexpr int kLobbyListRows = 9;
constexpr int kRankingRows = 50;
constexpr int kMaxUploadedFriends = 5000;

void PutText(uint8_t* rec, size_t off, size_t width, const std::string& s) {
  std::memcpy(rec + off, s.data(), s.size() < width ? s.size() : width - 1);
}
void Put32(uint8_t* rec, size_t off, int32_t v) { std::memcpy(rec + off, &v, 4); }

// A friend record: value 1 (a friend) or 0 (a request), level, experience, picture mark,
// account id and nickname.
void WriteFriend(Packet& r, const Account& a, int kind) {
  uint8_t rec[kFriendRecordSize] = {};
  Put32(rec, 4, kind == 0 ? 1 : 0);
  Put32(rec, 16, a.level);
  Put32(rec, 20, a.exp);
  Put32(rec, 24, 0);  // picture mark: the plain frame
  PutText(rec, 28, 30, a.account_id);
  PutText(rec, 58, 50, a.nickname);
  r.WriteBytes(rec, sizeof(rec));
}

// A ranking row: account id, nickname, picture mark, level, rank (1-based) and the value.
void WriteRankingRow(Packet& r, const Account& a, int rank, int64_t value) {
  uint8_t rec[kRankingRowSize] = {};
  PutText(rec, 4, 30, a.account_id);
  PutText(rec, 34, 50, a.nickname);
  Put32(rec, 84, 0);
  Put32(rec, 88, a.level);
  Put32(rec, 112, rank);
  std::memcpy(rec + 164, &value, 8);
  r.WriteBytes(rec, sizeof(rec));
}

}  // namespace

std::optional<Account> Server::Impl::ServiceAccount(const ConnPtr& c, Packet& p) {
  char id[kIdText + 1] = {};
  int32_t number = 0;
  std::optional<Account> a;
  if (p.ReadBytes(id, kIdText) && p.ReadInt32(&number)) a = store.FindByAccountId(id);
  if (a && !a->is_bot && a->id == number) {
    for (const auto& role_map : online) {
      auto it = role_map.find(a->id);
      if (it == role_map.end()) continue;
      auto conn = it->second.lock();
      if (conn && conn->open() && conn->logged_in && conn->peer == c->peer) return a;
    }
  }
  // No answer: the exchange fails on the client's side as a lost connection would.
  c->Close("service exchange for an account not logged in from there");
  return std::nullopt;
}

// 181: int32 0, then unread mail, unclaimed gifts and friend requests waiting.
void Server::Impl::OnServiceState(const ConnPtr& c, Packet& p) {
  auto a = ServiceAccount(c, p);
  if (!a) return;
  Packet r(kMsgServiceState);
  r.WriteInt32(0);
  r.WriteInt32(0);  // no mail is kept here
  r.WriteInt32(0);  // nor gifts
  r.WriteInt32(static_cast<int32_t>(store.Friends(a->id, 1).size()));
  c->Send(r);
}

// 188: count, list kind, two zeros, then the records of the list.
void Server::Impl::OnFriendList(const ConnPtr& c, Packet& p) {
  auto a = ServiceAccount(c, p);
  if (!a) return;
  int32_t kind = 0;
  p.ReadInt32(&kind);
  kind = kind == 1 ? 1 : 0;
  const std::vector<Account> list = store.Friends(a->id, kind);
  Packet r(kMsgFriendList);
  r.WriteInt32(static_cast<int32_t>(list.size()));
  r.WriteInt32(kind);
  r.WriteInt32(0);
  r.WriteInt32(0);
  for (const Account& f : list) WriteFriend(r, f, kind);
  c->Send(r);
}

// 172: the account's tournament registrations; no tournaments are held here, so none.
void Server::Impl::OnTournamentRegs(const ConnPtr& c, Packet& p) {
  auto a = ServiceAccount(c, p);
  if (!a) return;
  Packet r(kMsgTournamentRegs);
  r.WriteInt32(0);
  c->Send(r);
}

// 193: the player's friends on the social network (their social ids, padded as the
// account ids of social accounts are). Those with an account here become friends both
// ways; the answer is the number found.
void Server::Impl::OnSocialFriends(const ConnPtr& c, Packet& p) {
  auto a = ServiceAccount(c, p);
  if (!a) return;
  int32_t count = 0;
  if (!p.ReadInt32(&count) || count < 0 || count > kMaxUploadedFriends) {
    c->Close("social friend list with a bad count");
    return;
  }
  std::vector<std::string> ids;
  for (int32_t i = 0; i < count; ++i) {
    char id[kIdText + 1] = {};
    if (!p.ReadBytes(id, kIdText)) {
      c->Close("social friend list cut short");
      return;
    }
    if (id[0]) ids.emplace_back(id);
  }
  const int found = store.AddFriends(a->id, ids);
  TraceF("account %lld uploaded %d social friends, %d play here", static_cast<long long>(a->id),
         count, found);
  Packet r(kMsgSocialFriends);
  r.WriteInt32(found);
  c->Send(r);
}

// 194: a ranking. Category -1 is the lobby's player list (the richest players); 0 chips,
// 1 experience, 3 wins in a row; 4 (likes) is not kept here and comes back empty.
void Server::Impl::OnListRefresh(const ConnPtr& c, Packet& p) {
  int32_t category = 0;
  if (!p.ReadInt32(&category)) {
    c->Close("short list request");
    return;
  }
  const char* column = nullptr;
  int rows = kRankingRows;
  switch (category) {
    case kLobbyList: column = "chips"; rows = kLobbyListRows; break;
    case 0: column = "chips"; break;
    case 1: column = "exp"; break;
    case 3: column = "streak"; break;
    default: break;
  }
  std::vector<Account> top;
  if (column) top = store.TopPlayers(column, rows);
  Packet r(kMsgListRefresh);
  r.WriteInt32(category);
  r.WriteInt32(0);
  r.WriteInt32(0);
  r.WriteInt32(static_cast<int32_t>(top.size()));
  for (size_t i = 0; i < top.size(); ++i) {
    const Account& a = top[i];
    const int64_t value = category == 1 ? a.exp : category == 3 ? a.streak : a.chips;
    WriteRankingRow(r, a, static_cast<int>(i) + 1, value);
  }
  c->Send(r);
}

}  // namespace tsrv
