// Global messages of the connection and the account: the login reply, the session's
// server information, duplicate logins, account and money updates, service replies and
// the list refresh after a login.
#include <cstdint>
#include <cstring>

#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/GlobalMessages.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"

using namespace global_read;

namespace {

constexpr uint32_t kListRefreshInterval = 600000;
constexpr size_t kBonusRecordSize = 244;
constexpr int32_t kMaxBonusRecords = 5;
constexpr size_t kItemSlotSize = 20;
constexpr int32_t kMaxItemSlots = 12;
constexpr size_t kSecondListRecordSize = 128;
constexpr size_t kRankingRowSize = 172;

// ---------------------------------------------------------------- the login reply

// Walks a successful login reply (after its result) without reading it: true when every
// part the reply's kind announces arrived whole. A reply cut short, or one whose counts
// run past its payload, would log the player in with an account and lists made of
// defaults; it is refused instead.
class LoginReplyShape {
 public:
  explicit LoginReplyShape(const Packet& p) : m_left(p.Remaining()), m_p(p), m_pos(p.read_pos) {}

  bool Complete() {
    ServerInfo info;
    if (!Peek(info.raw, sizeof(info.raw)) || !Take(kUserInfoSize)) return false;
    const int32_t kind = info.Kind();
    if (kind == 0) return Master();
    if (kind == 2) return Records(kSecondListRecordSize);
    return true;
  }

 private:
  bool Master() {
    int32_t status = 0;
    if (!Int(&status)) return false;
    if (status != 0) return true;
    // Returning flag, local-registrations flag, day bonus, service server, profile,
    // unread mail; the bonus records and item slots with their counts; two blocks.
    if (!Take(4 + 4 + VXType_day_bonus::kSize + sizeof(ServerInfo) + 452 + 4)) return false;
    // At most five bonus records follow their count, whatever it says.
    return Records(kBonusRecordSize, kMaxBonusRecords) && Records(kItemSlotSize) && Take(556 + 52);
  }
  // A count and its records, of which at most `most` follow it.
  bool Records(size_t size, int32_t most = INT32_MAX) {
    int32_t count = 0;
    if (!Int(&count) || count < 0) return false;
    const size_t n = static_cast<size_t>(count < most ? count : most);
    return n <= m_left / size && Take(n * size);
  }
  bool Int(int32_t* v) { return Peek(v, 4); }
  bool Peek(void* out, size_t n) {
    if (n > m_left) return false;
    std::memcpy(out, m_p.payload + m_pos, n);
    return Take(n);
  }
  bool Take(size_t n) {
    if (n > m_left) return false;
    m_left -= n;
    m_pos += static_cast<uint32_t>(n);
    return true;
  }

  size_t m_left;
  const Packet& m_p;
  uint32_t m_pos;
};

void LoginFailed(const GlobalContext& ctx, int32_t result) {
  GameLogic* logic = ctx.logic;
  GameSharedData* d = ctx.data;
  d->SetAutoLogin(0);
  // A login the client sent by itself to get back ends its tries here.
  logic->OnMasterLoginReply(false, result);
  IGameSession* cur = logic->CurrentSession();
  if (result == VX_LOGIN_MAINTENANCE) {
    const std::string page = FormatString("%s/web_content/maintance.htm", d->m_web_base);
    ctx.Platform().Execute(1, 0, 0, page.c_str(), "", 0);
  } else if (result == VX_LOGIN_IN_USE) {
    if (cur && logic->m_session_index == 0) {
      cur->SetHelloOk(false);
      ctx.Box(0, LangMessage(23));
    }
    // Not from inside the dispatch: the logout closes the session whose reply is
    // being read. It runs once the frame is over.
    GameAfterFrame::Post([logic] { logic->Logout(); });
  } else {
    ctx.Notices().ShowErrorCode(result);
    if (result == VX_LOGIN_HELLO_AGAIN && cur) cur->SetHelloOk(false);
  }
}

// The master's part of a successful login. Returns false when the login stops here
// (a quick-start account that must register, or a player still seated somewhere).
bool MasterLogin(const GlobalContext& ctx, Packet& p, IGameSession* session) {
  GameLogic* logic = ctx.logic;
  GameSharedData* d = ctx.data;
  const int32_t status = Int32(p, -1);
  if (status == 0) {
    const int32_t returning = Int32(p, 0);
    const int32_t local_registrations = Int32(p, 1);
    p.ReadBytes(d->m_day_bonus.raw, d->m_day_bonus.kSize);
    p.ReadBytes(d->m_service_server.raw, sizeof(d->m_service_server.raw));
    p.ReadBytes(d->m_profile, sizeof(d->m_profile));
    const int32_t unread = Int32(p, 0);
    const int32_t bonus_count = Int32(p, 0);
    const int32_t k = BoundedCount(p, bonus_count, kBonusRecordSize);
    d->m_bonus_count = k < kMaxBonusRecords ? k : kMaxBonusRecords;
    for (int32_t i = 0; i < d->m_bonus_count; ++i) p.ReadBytes(d->m_bonus_records[i], kBonusRecordSize);
    // The item block holds 12 slots; any further slots are skipped so that the blocks
    // after them are read from their own place.
    const int32_t slots = BoundedCount(p, Int32(p, 0), kItemSlotSize);
    const int32_t kept = slots < kMaxItemSlots ? slots : kMaxItemSlots;
    if (kept > 0) p.ReadBytes(d->m_item_slots, static_cast<size_t>(kept) * kItemSlotSize);
    Skip(p, static_cast<size_t>(slots - kept) * kItemSlotSize);
    p.ReadBytes(d->m_block_556, sizeof(d->m_block_556));
    p.ReadBytes(d->m_block_52, sizeof(d->m_block_52));
    d->m_unread_mail_at_login = unread;
    d->m_unread_mail = unread;
    d->m_account_loaded = 1;
    d->CheckEmotionIndex();
    ctx.Play().ResetMiniGame();
    if (returning) {
      if (local_registrations)
        d->LoadRegistrations();
      else
        d->RequestRegistrations(&ctx.Exchanges());
      d->LoadReports();
      d->LoadPhoneBook();
      d->RequestServiceState(&ctx.Exchanges());
      d->RequestFriendList(0, &ctx.Exchanges());
    } else {
      d->m_new_account = 1;
      if (d->AccountType() == 1) {
        ctx.Scenes().ShowScene(kSceneRegist, 0);
        return false;
      }
      ctx.Platform().Execute(14, 0, 0, "", "", 0);
    }
  }
  d->CheckEmotionSelection();
  ctx.Scenes().SetDayBonus(d->m_day_bonus);
  const int32_t seated = d->GetUser32(kUserSeatedKind);
  if (seated == 1 || seated == 2) {
    session->SetEnterTime(GetTickMs());
    logic->SetNextMode(logic->LobbyMode(), -1);
    if (seated == 2) {
      ctx.Scenes().OpenTournament(d->GetUser32(kUserTournamentId));
    } else {
      VXType_room_info request;
      request.SetTableNumber(d->GetUser32(kUserRoomSelector1));
      request.SetTableKey(d->GetUser32(kUserRoomSelector2));
      request.SetSeats(4);
      ctx.Scenes().RequestRoom(request);
    }
    return false;
  }
  return true;
}

GlobalOutcome OnLoginReply(const GlobalContext& ctx, Packet& p) {
  GameLogic* logic = ctx.logic;
  GameSharedData* d = ctx.data;
  const int32_t result = Int32(p, -1);
  if (result != VX_LOGIN_OK) {
    LoginFailed(ctx, result);
    return Consumed();
  }
  if (!LoginReplyShape(p).Complete()) {
    Log(LOG_WARNING, "[WARNING]: GameLogic::ProcessPacket| login reply of %u bytes is incomplete, refused",
        static_cast<unsigned>(p.PayloadLength()));
    return Consumed();
  }

  ServerInfo info;
  info.SetSelector1(-1);
  info.SetSelector2(-1);
  info.SetKind(-1);
  ServerInfo received;
  if (p.ReadBytes(received.raw, sizeof(received.raw))) info = received;
  const int32_t kind = info.Kind();
  IGameSession* session = kind >= 0 ? logic->m_sessions[kind % 4] : nullptr;
  if (!session) {
    Log(LOG_WARNING, "[WARNING]: GameLogic::ProcessPacket| login reply for unknown session kind %d", kind);
    return Consumed();
  }
  ctx.ReadAccount(p, kUserInfoSize);
  d->SetUser32(kUserMarker, kClientProtocolVersion);
  session->Info() = info;
  session->SetLoggedIn(true);
  if (kind == 0) logic->OnMasterLoginReply(true, VX_LOGIN_OK);

  if (kind == 0 && !MasterLogin(ctx, p, session)) return Consumed();
  // A game channel lists its rooms; a session of another kind keeps none.
  if (kind == 1)
    session->Rooms().Read(p);
  else
    session->Rooms().Clear();

  if (kind == 0 || kind == 1) {
    if (logic->CurrentMode() != logic->LobbyMode()) logic->SetNextMode(logic->LobbyMode(), -1);
    if (d->m_list_a.refresh_time == 0 || GetTickMs() - d->m_list_a.refresh_time > kListRefreshInterval) {
      Packet refresh(VX_PROTOCOL_LIST_REFRESH);
      refresh.WriteInt32(-1);
      refresh.WriteInt32(0);
      refresh.WriteInt32(0);
      refresh.WriteInt32(9);
      ctx.Exchanges().PostToServiceServer(refresh);
    }
  } else if (kind == 2) {
    const int32_t count = BoundedCount(p, Int32(p, 0), kSecondListRecordSize);
    auto& back = d->m_list_b.Back();
    back.assign(static_cast<size_t>(count), {});
    for (auto& r : back) p.ReadBytes(r.data(), r.size());
    d->m_list_b.Flip();
    d->m_list_b.refresh_time = GetTickMs();
  }

  session->SetEnterTime(GetTickMs());
  d->SetUser32(kUserPendingLogin, 0);
  logic->CompleteEnterRequest(logic->CurrentSession());
  return Consumed();
}

// ---------------------------------------------------------------- connection

GlobalOutcome OnAccountRefresh(const GlobalContext& ctx, Packet& p) {
  ServerInfo info;
  IGameSession* cur = ctx.logic->CurrentSession();
  if (cur && p.ReadBytes(info.raw, sizeof(info.raw))) cur->Info() = info;
  return Consumed();
}

GlobalOutcome OnDuplicateLogin(const GlobalContext& ctx, Packet&) {
  // Logged in elsewhere: this device must not log in again by itself, or the two
  // devices would push each other out for ever.
  ctx.data->SetAutoLogin(0);
  ctx.Box(0, LangMessage(23));
  ctx.logic->CloseAllSessions();
  ctx.logic->SetNextMode(ctx.logic->LoginMode(), 0);
  return Consumed();
}

GlobalOutcome OnServicePrompt(const GlobalContext& ctx, Packet& p) {
  const int32_t value = Int32(p);
  IGameSession* cur = ctx.logic->CurrentSession();
  if (cur && cur->IsConnected() && cur->IsLoggedIn()) {
    Packet answer(VX_PROTOCOL_SERVICE);
    answer.WriteInt32(VX_SERVICE_PROMPT_ANSWER);
    answer.WriteInt32(value);
    cur->SendNoWait(answer);
  }
  return Consumed();
}

// ---------------------------------------------------------------- account and money

GlobalOutcome OnAccountUpdate(const GlobalContext& ctx, Packet& p) {
  ctx.ReadAccount(p, kUserInfoSize);
  ctx.Sync();
  return Forwarded();
}

GlobalOutcome OnReward(const GlobalContext& ctx, Packet& p) {
  if (Int32(p, 0) == 0) return Consumed();
  const int32_t rubies = Int32(p);
  const int64_t chips = Int64(p);
  ctx.ReadAccount(p, kAccountHeadSize);
  ctx.RewardSound();
  ctx.MoneyBanners(rubies, chips, false);
  if (rubies >= 1) ctx.RewardSound();
  ctx.Sync();
  return Consumed();
}

GlobalOutcome OnServiceReply(const GlobalContext& ctx, Packet& p) {
  const int32_t sub = Int32(p, -1);
  const int32_t ok = Int32(p, 0);
  if (ok == 0) return Consumed();
  GameSharedData* d = ctx.data;
  switch (sub) {
    case VX_SERVICE_BUY_CHIPS: {
      Skip(p, 4);
      const int64_t granted = Int64(p);
      ctx.ReadBalances(p);
      ctx.Banner(0, FormatString(LangMessage(97), FormatNumber(granted).c_str()));
      ctx.RewardSound();
      ctx.Scenes().HideScene(kSceneItemBuy);
      ctx.Sync();
      break;
    }
    case VX_SERVICE_BUY_ITEM: {
      Skip(p, 4);
      const int64_t granted = Int64(p);
      ctx.ReadBalances(p);
      d->SetUser32(kUserCharacter, Int32(p, d->GetUser32(kUserCharacter)));
      uint8_t inventory[kInventoryBytes];
      if (p.ReadBytes(inventory, sizeof(inventory)))
        std::memcpy(d->m_user_info + kUserInventory, inventory, sizeof(inventory));
      if (granted > 0)
        ctx.Banner(0, FormatString("%s + %s chip", LangMessage(137), FormatNumber(granted).c_str()));
      else
        ctx.Banner(0, LangMessage(137));
      for (int scene : {kSceneShop, kSceneTableShop}) {
        if (ctx.Scenes().IsSceneShown(scene)) ctx.Scenes().RefreshScene(scene);
      }
      ctx.Scenes().HideScene(kSceneItemBuy);
      ctx.Sync();
      break;
    }
    case VX_SERVICE_GRANT_11:
    case VX_SERVICE_GRANT_12:
    case VX_SERVICE_GRANT_13:
    case VX_SERVICE_GRANT_20: {
      const int32_t rubies = Int32(p);
      const int64_t chips = Int64(p);
      ctx.ReadBalances(p);
      uint8_t block[kServiceBlockBytes];
      if (p.ReadBytes(block, sizeof(block)))
        std::memcpy(d->m_user_info + kUserServiceBlock, block, sizeof(block));
      ctx.MoneyBanners(rubies, chips, true);
      break;
    }
    case VX_SERVICE_COUPON: {
      Skip(p, 16);
      const int32_t rubies = Int32(p);
      const int64_t chips = Int64(p);
      ctx.ReadBalances(p);
      ctx.RewardSound();
      ctx.MoneyBanners(rubies, chips, false);
      break;
    }
    case VX_SERVICE_PROMPT_ANSWER: {
      const int32_t rubies = Int32(p);
      const int64_t chips = Int64(p);
      ctx.ReadAccount(p, kAccountHeadSize);
      ctx.RewardSound();
      ctx.MoneyBanners(rubies, chips, false);
      ctx.Sync();
      break;
    }
    case VX_SERVICE_LIKE: {
      const std::string name = Text(p, 30);
      ctx.ReadBalances(p);
      const int64_t cost = Int64(p);
      if (cost <= 0)
        ctx.Banner(0, LangMessage(135));
      else
        ctx.Banner(0, FormatString(LangMessage(136), FormatNumber(cost).c_str()));
      if (ctx.InPlayMode()) ctx.Play().AddLike(name.c_str());
      ctx.Sync();
      break;
    }
    default:
      break;
  }
  return Consumed();
}

GlobalOutcome OnCharacterSelect(const GlobalContext& ctx, Packet& p) {
  if (Int32(p, 0) != 0) {
    ctx.data->SetUser32(kUserCharacter, Int32(p, ctx.data->GetUser32(kUserCharacter)));
    ctx.Sync();
  }
  return Consumed();
}

GlobalOutcome OnRegist(const GlobalContext& ctx, Packet& p) {
  if (Int32(p, 0) != 0) {
    ctx.ReadAccount(p, kUserInfoSize);
    ctx.Sync();
  }
  return Consumed();
}

// The ranking lists: the reply to the refresh a login posts; ranking scenes also see it.
GlobalOutcome OnListRefresh(const GlobalContext& ctx, Packet& p) {
  GameSharedData* d = ctx.data;
  const int32_t first = Int32(p, 0);
  Skip(p, 8);
  if (first == -1) {
    const int32_t count = BoundedCount(p, Int32(p, 0), kRankingRowSize);
    auto& back = d->m_list_a.Back();
    back.assign(static_cast<size_t>(count), {});
    for (auto& r : back) p.ReadBytes(r.data(), r.size());
    d->m_list_a.Flip();
    d->m_list_a.refresh_time = GetTickMs();
  }
  return Forwarded();
}

constexpr GlobalMessageRow kRows[] = {
    {VX_PROTOCOL_ACCOUNT_REFRESH, OnAccountRefresh},
    {VX_PROTOCOL_LOGIN, OnLoginReply},
    {VX_PROTOCOL_DUPLICATE_LOGIN, OnDuplicateLogin},
    {VX_PROTOCOL_ACCOUNT_UPDATE, OnAccountUpdate},
    {VX_PROTOCOL_SERVICE_PROMPT, OnServicePrompt},
    {VX_PROTOCOL_REWARD, OnReward},
    {VX_PROTOCOL_SERVICE, OnServiceReply},
    {VX_PROTOCOL_CHARACTER_SELECT, OnCharacterSelect},
    {VX_PROTOCOL_REGIST, OnRegist},
    {VX_PROTOCOL_LIST_REFRESH, OnListRefresh},
};

}  // namespace

std::span<const GlobalMessageRow> AccountMessageRows() { return kRows; }
