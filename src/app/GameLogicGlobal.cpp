// The global messages the dispatcher keeps: the login reply, account and money
// updates, server notices, social and tournament notices, forced disconnection and
// the hand-off of some replies to their scenes.
//
// Every value comes off the wire through the packet readers. A reader that runs past
// the payload leaves its default in place, blocks are taken only when they arrived
// whole, and every count is limited by the bytes actually present, so a short or
// hostile packet never reads, sizes or copies past a buffer.
#include <cinttypes>
#include <climits>
#include <cstring>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"

namespace {

// Scene ids.
enum : int {
  kSceneRegist = 0,
  kSceneDayBonus = 1,
  kSceneFriend = 11,
  kSceneSendGift = 13,
  kSceneShop = 14,
  kSceneItemBuy = 15,
  kSceneGame = 16,
  kSceneTableShop = 17,
  kSceneTournament = 19,
  kSceneTournamentInfo = 20,
};

constexpr int kRewardSound = 8;
constexpr int kBannerAutoClose = 3000;
constexpr int kBoxDim = 3000;
constexpr uint32_t kListRefreshInterval = 600000;
constexpr size_t kTournamentRecordSize = 120;
constexpr size_t kTournamentResultSize = 128;
constexpr size_t kBonusHeadSize = 28;
constexpr size_t kGiftRecordSize = 463;
constexpr size_t kRoomRequestSize = 56;
constexpr int32_t kServerTextLimit = 765;  // banner texts (style 0)
constexpr int32_t kServerBoxLimit = 255;   // message-box texts (other styles)

// Reads that keep `fallback` when the packet has run out.
int32_t Int32(Packet* p, int32_t fallback = 0) {
  int32_t v = fallback;
  p->ReadInt32(&v);
  return v;
}
int64_t Int64(Packet* p, int64_t fallback = 0) {
  int64_t v = fallback;
  p->ReadInt64(&v);
  return v;
}
// Skips `n` bytes (as far as they are present).
void Skip(Packet* p, size_t n) {
  const size_t k = n < p->Remaining() ? n : p->Remaining();
  p->read_pos += static_cast<uint32_t>(k);
}
// Records of `size` bytes announced by a count: never more than the payload holds.
int32_t BoundedCount(const Packet* p, int32_t count, size_t size) {
  if (count <= 0) return 0;
  const size_t fit = p->Remaining() / size;
  return static_cast<size_t>(count) < fit ? count : static_cast<int32_t>(fit);
}

int32_t Get32(const uint8_t* block, size_t off) {
  int32_t v;
  std::memcpy(&v, block + off, 4);
  return v;
}
int64_t Get64(const uint8_t* block, size_t off) {
  int64_t v;
  std::memcpy(&v, block + off, 8);
  return v;
}
void Put32(uint8_t* block, size_t off, int32_t v) { std::memcpy(block + off, &v, 4); }

}  // namespace

// ---------------------------------------------------------------- small effects

namespace {
struct Effects {
  GameLogic* logic;
  const GameHooks& hooks;
  GameSharedData* data;

  INoticeHooks& Notices() const { return *hooks.notices; }
  ISceneHooks& Scenes() const { return *hooks.scenes; }
  IPlatformHooks& Platform() const { return *hooks.platform; }
  IExchangeHooks& Exchanges() const { return *hooks.exchanges; }
  IPlayHooks& Play() const { return *hooks.play; }

  bool InPlayMode() const {
    return logic->CurrentMode() && logic->CurrentMode() == logic->PlayMode();
  }
  // Refreshes the local player's seat from the account block while at a table.
  void Sync() const {
    if (InPlayMode()) hooks.services->RefreshLocalPlayer();
  }
  void RewardSound() const {
    if (data->m_sound_on) hooks.sound->PlayEffect(kRewardSound);
  }
  void Banner(int kind, const std::string& text, const char* sender = "") const {
    Notices().PushBanner(kind, text.c_str(), sender, kBannerAutoClose);
  }
  void Box(int type, const std::string& text) const {
    Notices().PushBox(LangMessage(0), type, text.c_str(), kBoxDim, 0);
  }
  void ReloadFriendPage(int page) const {
    if (Scenes().IsSceneShown(kSceneFriend) && Scenes().ScenePage(kSceneFriend) == page)
      Scenes().ReloadScenePage(kSceneFriend, page);
  }
  // Chips and rubies banners, each with its reward sound when `with_sound` is set.
  void MoneyBanners(int32_t rubies, int64_t chips, bool with_sound) const {
    if (chips > 0) {
      if (with_sound) RewardSound();
      Banner(0, FormatString(LangMessage(97), FormatNumber(chips).c_str()));
    }
    if (rubies >= 1) {
      if (with_sound) RewardSound();
      Banner(0, FormatString(LangMessage(96), FormatNumber(rubies).c_str()));
    }
  }
  // Reads a whole account block (or head) into the shared data; nothing changes when
  // the packet is short.
  bool ReadAccount(Packet* p, size_t size) const {
    uint8_t block[kUserInfoSize];
    if (!p->ReadBytes(block, size)) return false;
    std::memcpy(data->m_user_info, block, size);
    return true;
  }
  void ReadBalances(Packet* p) const {
    data->SetUser32(kUserRuby, Int32(p, data->Rubies()));
    data->SetUser64(kUserChips, Int64(p, data->Chips()));
  }
};
}  // namespace

// ---------------------------------------------------------------- service replies (175)

static void HandleServiceReply(const Effects& fx, Packet* p) {
  const int32_t sub = Int32(p, -1);
  const int32_t ok = Int32(p, 0);
  if (ok == 0) return;
  GameSharedData* d = fx.data;
  switch (sub) {
    case 1: {
      Skip(p, 4);
      const int64_t granted = Int64(p);
      fx.ReadBalances(p);
      fx.Banner(0, FormatString(LangMessage(97), FormatNumber(granted).c_str()));
      fx.RewardSound();
      fx.Scenes().HideScene(kSceneItemBuy);
      fx.Sync();
      break;
    }
    case 2: {
      Skip(p, 4);
      const int64_t granted = Int64(p);
      fx.ReadBalances(p);
      d->SetUser32(kUserCharacter, Int32(p, d->GetUser32(kUserCharacter)));
      uint8_t inventory[kInventoryBytes];
      if (p->ReadBytes(inventory, sizeof(inventory))) std::memcpy(d->m_user_info + kUserInventory, inventory, sizeof(inventory));
      if (granted > 0)
        fx.Banner(0, FormatString("%s + %s chip", LangMessage(137), FormatNumber(granted).c_str()));
      else
        fx.Banner(0, LangMessage(137));
      for (int scene : {kSceneShop, kSceneTableShop}) {
        if (fx.Scenes().IsSceneShown(scene)) fx.Scenes().RefreshScene(scene);
      }
      fx.Scenes().HideScene(kSceneItemBuy);
      fx.Sync();
      break;
    }
    case 11:
    case 12:
    case 13:
    case 20: {
      const int32_t rubies = Int32(p);
      const int64_t chips = Int64(p);
      fx.ReadBalances(p);
      uint8_t block[kServiceBlockBytes];
      if (p->ReadBytes(block, sizeof(block))) std::memcpy(d->m_user_info + kUserServiceBlock, block, sizeof(block));
      fx.MoneyBanners(rubies, chips, true);
      break;
    }
    case 14: {
      Skip(p, 16);
      const int32_t rubies = Int32(p);
      const int64_t chips = Int64(p);
      fx.ReadBalances(p);
      fx.RewardSound();
      fx.MoneyBanners(rubies, chips, false);
      break;
    }
    case 15: {
      const int32_t rubies = Int32(p);
      const int64_t chips = Int64(p);
      fx.ReadAccount(p, kAccountHeadSize);
      fx.RewardSound();
      fx.MoneyBanners(rubies, chips, false);
      fx.Sync();
      break;
    }
    case 18: {
      char name[31] = {};
      p->ReadBytes(name, 30);
      fx.ReadBalances(p);
      const int64_t cost = Int64(p);
      if (cost <= 0)
        fx.Banner(0, LangMessage(135));
      else
        fx.Banner(0, FormatString(LangMessage(136), FormatNumber(cost).c_str()));
      if (fx.InPlayMode()) fx.Play().AddLike(name);
      fx.Sync();
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------- social notice (180)

static void HandleSocialNotice(const Effects& fx, Packet* p) {
  GameSharedData* d = fx.data;
  const bool has_mode = fx.logic->CurrentMode() != nullptr;
  const bool outside_play = has_mode && !fx.InPlayMode();
  switch (Int32(p, -1)) {
    case 0: {  // mail
      Skip(p, 8);
      char sender[51] = {};
      p->ReadBytes(sender, 50);
      ++d->m_unread_mail;
      d->m_mail_list_time = 0;
      if (outside_play)
        fx.Banner(2, FormatString(LangMessage(119), sender));
      else
        fx.ReloadFriendPage(2);
      break;
    }
    case 1: {  // gift
      uint8_t gift[kGiftRecordSize] = {};
      p->ReadBytes(gift, sizeof(gift));
      ++d->m_unread_gifts;
      d->m_gift_list_time = 0;
      const int32_t rubies = Get32(gift, 24);
      const int64_t chips = Get64(gift, 28);
      const std::string sender = ReadFixedText(reinterpret_cast<const char*>(gift + 321), 50);
      std::string text;
      if (rubies >= 1)
        text = FormatString(LangMessage(121), sender.c_str(), FormatNumber(rubies).c_str());
      else if (chips > 0)
        text = FormatString(LangMessage(120), sender.c_str(), FormatNumber(chips).c_str());
      else if (Get32(gift, 16) >= 0 && Get32(gift, 20) > 0)
        text = FormatString(LangMessage(122), sender.c_str());
      fx.Banner(1, text, sender.c_str());
      fx.ReloadFriendPage(3);
      break;
    }
    case 2: {  // friend
      const int32_t accepted = Int32(p);
      char account_id[31] = {};
      char nickname[51] = {};
      p->ReadBytes(account_id, 30);
      p->ReadBytes(nickname, 50);
      const char* format;
      if (accepted) {
        d->m_friend_list_time = 0;
        d->AddFriend(0, account_id, nickname, 1);
        format = LangMessage(118);
      } else {
        ++d->m_friend_requests;
        d->m_request_list_time = 0;
        format = LangMessage(117);
      }
      if (outside_play) fx.Banner(3, FormatString(format, nickname), nickname);
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------- login reply (145)

static void HandleLoginReply(const Effects& fx, Packet* p) {
  GameLogic* logic = fx.logic;
  GameSharedData* d = fx.data;
  const int32_t result = Int32(p, -1);
  if (result != 0) {
    d->SetAutoLogin(0);
    IGameSession* cur = logic->CurrentSession();
    if (result == 7) {
      const std::string page = FormatString("%s/web_content/maintance.htm", d->m_web_base);
      fx.Platform().Execute(1, 0, 0, page.c_str(), "", 0);
    } else if (result == 4) {
      if (cur && logic->m_session_index == 0) {
        cur->SetHelloOk(false);
        fx.Box(0, LangMessage(23));
      }
      logic->Logout();
    } else {
      fx.Notices().ShowErrorCode(result);
      if (result == 8 && cur) cur->SetHelloOk(false);
    }
    return;
  }

  ServerInfo info;
  info.SetSelector1(-1);
  info.SetSelector2(-1);
  info.SetKind(-1);
  ServerInfo received;
  if (p->ReadBytes(received.raw, sizeof(received.raw))) info = received;
  const int32_t kind = info.Kind();
  IGameSession* session = kind >= 0 ? logic->m_sessions[kind % 4] : nullptr;
  if (!session) {
    Log(LOG_WARNING, "[WARNING]: GameLogic::ProcessPacket| login reply for unknown session kind %d", kind);
    return;
  }
  fx.ReadAccount(p, kUserInfoSize);
  d->SetUser32(kUserMarker, 126);
  session->Info() = info;
  session->SetLoggedIn(true);

  if (kind == 0) {
    const int32_t status = Int32(p, -1);
    if (status == 0) {
      const int32_t returning = Int32(p, 0);
      const int32_t local_registrations = Int32(p, 1);
      p->ReadBytes(d->m_day_bonus, sizeof(d->m_day_bonus));
      p->ReadBytes(d->m_service_server.raw, sizeof(d->m_service_server.raw));
      p->ReadBytes(d->m_profile, sizeof(d->m_profile));
      const int32_t unread = Int32(p, 0);
      const int32_t bonus_count = Int32(p, 0);
      int32_t k = BoundedCount(p, bonus_count, 244);
      d->m_bonus_count = k < 5 ? k : 5;
      for (int32_t i = 0; i < d->m_bonus_count; ++i) p->ReadBytes(d->m_bonus_records[i], 244);
      // The item block holds 12 slots; any further slots are skipped so that the
      // blocks after them are read from their own place.
      const int32_t slots = BoundedCount(p, Int32(p, 0), 20);
      const int32_t kept = slots < 12 ? slots : 12;
      if (kept > 0) p->ReadBytes(d->m_item_slots, static_cast<size_t>(kept) * 20);
      Skip(p, static_cast<size_t>(slots - kept) * 20);
      p->ReadBytes(d->m_block_556, sizeof(d->m_block_556));
      p->ReadBytes(d->m_block_52, sizeof(d->m_block_52));
      d->m_unread_mail_at_login = unread;
      d->m_unread_mail = unread;
      d->m_account_loaded = 1;
      d->CheckEmotionIndex();
      fx.Play().ResetMiniGame();
      if (returning) {
        if (local_registrations)
          d->LoadRegistrations();
        else
          d->RequestRegistrations(&fx.Exchanges());
        d->LoadReports();
        d->LoadPhoneBook();
        d->RequestServiceState(&fx.Exchanges());
        d->RequestFriendList(0, &fx.Exchanges());
      } else {
        d->m_new_account = 1;
        if (d->AccountType() == 1) {
          fx.Scenes().ShowScene(kSceneRegist, 0);
          return;
        }
        fx.Platform().Execute(14, 0, 0, "", "", 0);
      }
    }
    d->CheckEmotionSelection();
    fx.Scenes().SetDayBonus(d->m_day_bonus, sizeof(d->m_day_bonus));
    const int32_t seated = d->GetUser32(kUserSeatedKind);
    if (seated == 1 || seated == 2) {
      session->SetEnterTime(GetTickMs());
      logic->SetNextMode(logic->LobbyMode(), -1);
      if (seated == 2) {
        fx.Scenes().OpenTournament(d->GetUser32(kUserTournamentId));
      } else {
        uint8_t request[kRoomRequestSize] = {};
        Put32(request, 4, d->GetUser32(kUserRoomSelector1));
        Put32(request, 8, d->GetUser32(kUserRoomSelector2));
        Put32(request, 28, 4);
        fx.Scenes().RequestRoom(request, sizeof(request));
      }
      return;
    }
  }

  if (kind == 0 || kind == 1) {
    if (logic->CurrentMode() != logic->LobbyMode()) logic->SetNextMode(logic->LobbyMode(), -1);
    if (d->m_list_a.refresh_time == 0 || GetTickMs() - d->m_list_a.refresh_time > kListRefreshInterval) {
      Packet refresh(194);
      refresh.WriteInt32(-1);
      refresh.WriteInt32(0);
      refresh.WriteInt32(0);
      refresh.WriteInt32(9);
      fx.Exchanges().PostToServiceServer(refresh);
    }
  } else if (kind == 2) {
    const int32_t count = BoundedCount(p, Int32(p, 0), 128);
    auto& back = d->m_list_b.Back();
    back.assign(static_cast<size_t>(count), {});
    for (auto& r : back) p->ReadBytes(r.data(), r.size());
    d->m_list_b.Flip();
    d->m_list_b.refresh_time = GetTickMs();
  }

  session->SetEnterTime(GetTickMs());
  d->SetUser32(kUserPendingLogin, 0);
  logic->CompleteEnterRequest(logic->CurrentSession());
}

// ---------------------------------------------------------------- the dispatcher

bool GameLogic::HandleGlobalPacket(Packet* packet, int* result) {
  Packet* p = packet;
  GameSharedData* d = GameSharedData::Instance();
  const Effects fx{this, m_hooks, d};
  *result = 1;
  switch (p->id) {
    case 139: {
      Skip(p, 4);
      const uint32_t a = static_cast<uint32_t>(Int32(p));
      const uint32_t b = static_cast<uint32_t>(Int32(p));
      d->m_notice_count = static_cast<int32_t>(a + b);
      return true;
    }
    case 143: {
      ServerInfo info;
      IGameSession* cur = CurrentSession();
      if (cur && p->ReadBytes(info.raw, sizeof(info.raw))) cur->Info() = info;
      return true;
    }
    case 145:
      HandleLoginReply(fx, p);
      return true;
    case 149:
      fx.Box(0, LangMessage(23));
      CloseAllSessions();
      SetNextMode(m_login_mode, 0);
      return true;
    case 152:
      fx.ReadAccount(p, kUserInfoSize);
      fx.Sync();
      p->read_pos = 0;
      return false;  // the current mode sees it too
    case 153: {
      const int32_t value = Int32(p);
      IGameSession* cur = CurrentSession();
      if (cur && cur->IsConnected() && cur->IsLoggedIn()) {
        Packet answer(175);
        answer.WriteInt32(15);
        answer.WriteInt32(value);
        cur->SendNoWait(answer);
      }
      return true;
    }
    case 157:
    case 184:
      *result = fx.Scenes().PassPacket(kSceneFriend, p);
      return true;
    case 169:
    case 200:
    case 201:
      *result = fx.Scenes().PassPacket(kSceneTournamentInfo, p);
      return true;
    case 158: {
      if (Int32(p, 0) == 0) {
        // A refused gift says so with the table's "command failed" text.
        fx.Banner(0, LangMessage(142));
        return true;
      }
      Skip(p, 4 + kGiftRecordSize);
      fx.ReadAccount(p, kAccountHeadSize);
      d->m_gift_list_time = 0;
      fx.Banner(0, LangMessage(128));
      fx.Scenes().HideScene(kSceneSendGift);
      fx.ReloadFriendPage(3);
      fx.Sync();
      return true;
    }
    case 166: {
      const int32_t style = Int32(p, 0);
      const int32_t n = Int32(p, -1);
      const int32_t limit = style == 0 ? kServerTextLimit : kServerBoxLimit;
      char text[kServerTextLimit] = {};
      if (n < 0 || n >= limit || (n > 0 && !p->ReadBytes(text, static_cast<size_t>(n)))) {
        Log(LOG_WARNING, "[WARNING]: GameLogic::ProcessPacket| server message dropped (style %d, length %d)", style, n);
        *result = 0;
        return true;
      }
      if (style == 0)
        fx.Banner(0, text);
      else
        fx.Box(0, text);
      return true;
    }
    case 168: {
      uint8_t record[kTournamentRecordSize] = {};
      if (!p->ReadBytes(record, sizeof(record))) return true;
      const int32_t lowest = Int32(p, INT32_MIN);
      if (d->RemoveRegistrationsBelow(lowest) > 0) d->SaveRegistrations();
      if (fx.Scenes().IsSceneShown(kSceneTournament))
        fx.Scenes().SetTournamentRecord(kSceneTournament, record, sizeof(record));
      if (d->FindRegistration(Get32(record, 0))) {
        const int32_t state = Get32(record, 16);
        if (state == 5)
          fx.Scenes().SetTournamentRecord(kSceneTournamentInfo, record, sizeof(record));
        else if (state == 1)
          fx.Banner(0, LangMessage(143));
      }
      return true;
    }
    case 172: {
      const int32_t count = BoundedCount(p, Int32(p, 0), sizeof(RegistrationRecord));
      d->m_registrations.assign(static_cast<size_t>(count), RegistrationRecord{});
      for (RegistrationRecord& r : d->m_registrations) p->ReadBytes(&r, sizeof(r));
      return true;
    }
    case 174: {
      if (Int32(p, 0) == 0) return true;
      const int32_t rubies = Int32(p);
      const int64_t chips = Int64(p);
      fx.ReadAccount(p, kAccountHeadSize);
      fx.RewardSound();
      fx.MoneyBanners(rubies, chips, false);
      if (rubies >= 1) fx.RewardSound();
      fx.Sync();
      return true;
    }
    case 175:
      HandleServiceReply(fx, p);
      return true;
    case 176:
      if (Int32(p, 0) != 0) {
        d->SetUser32(kUserCharacter, Int32(p, d->GetUser32(kUserCharacter)));
        fx.Sync();
      }
      return true;
    case 177:
      if (Int32(p, 0) != 0) {
        fx.ReadAccount(p, kUserInfoSize);
        fx.Sync();
      }
      return true;
    case 180:
      HandleSocialNotice(fx, p);
      return true;
    case 181:
      Skip(p, 4);
      d->m_unread_mail = Int32(p, d->m_unread_mail);
      d->m_unread_gifts = Int32(p, d->m_unread_gifts);
      d->m_friend_requests = Int32(p, d->m_friend_requests);
      return true;
    case 185:
      if (Int32(p, 0) != 0) {
        d->m_mail_list_time = 0;
        fx.ReloadFriendPage(2);
      }
      return true;
    case 188: {
      const int32_t announced = Int32(p, 0);
      const int32_t kind = Int32(p, -1);
      Skip(p, 8);
      if (kind < 0 || kind > 2) return true;
      const int32_t count = BoundedCount(p, announced, sizeof(FriendRecord));
      std::vector<FriendRecord> records(static_cast<size_t>(count));
      for (FriendRecord& r : records) p->ReadBytes(r.raw, sizeof(r.raw));
      d->ReplaceFriendList(kind, records);
      fx.Scenes().RefreshScene(kSceneFriend);
      if (kind == 0) d->m_friend_list_time = GetTickMs();
      if (kind == 1) d->m_request_list_time = GetTickMs();
      return true;
    }
    case 189: {
      if (Int32(p, 0) == 0) return true;
      const int32_t accepted = Int32(p, 0);
      char name[31] = {};
      p->ReadBytes(name, 30);
      if (accepted >= 1) {
        d->m_friend_list_time = 0;
        d->AddFriend(0, name, "", 1);
      } else {
        d->AddFriend(2, name, "", 0);
      }
      return true;
    }
    case 190: {
      const int32_t ok = Int32(p, 0);
      char account_id[31] = {};
      char nickname[51] = {};
      p->ReadBytes(account_id, 30);
      p->ReadBytes(nickname, 50);
      if (ok) {
        d->m_friend_list_time = 0;
        d->AddFriend(0, account_id, nickname, 1);
        fx.Banner(4, FormatString(LangMessage(118), nickname), account_id);
      }
      return true;
    }
    case 193:
      d->m_friend_list_time = 0;
      d->RequestFriendList(0, &fx.Exchanges());
      return true;
    case 194: {
      const int32_t first = Int32(p, 0);
      Skip(p, 8);
      if (first == -1) {
        const int32_t count = BoundedCount(p, Int32(p, 0), 172);
        auto& back = d->m_list_a.Back();
        back.assign(static_cast<size_t>(count), {});
        for (auto& r : back) p->ReadBytes(r.data(), r.size());
        d->m_list_a.Flip();
        d->m_list_a.refresh_time = GetTickMs();
      }
      p->read_pos = 0;
      return false;  // the current mode sees it too
    }
    case 202: {
      uint8_t head[kTournamentRecordSize] = {};
      uint8_t outcome[kTournamentResultSize] = {};
      p->ReadBytes(head, sizeof(head));
      p->ReadBytes(outcome, sizeof(outcome));
      fx.ReadAccount(p, kUserInfoSize);
      const int32_t rank = Get32(outcome, 104);
      const int64_t chips = Get64(outcome, 116);
      const int32_t rubies = Get32(outcome, 124);
      if (chips > 0 || rubies > 0)
        fx.Notices().ShowPrize(rubies, Get32(head, 12), rank, chips);
      else
        fx.Box(7, FormatString(LangMessage(138), rank));
      SetNextMode(m_lobby_mode, -1);
      return true;
    }
    case 203: {
      uint8_t head[kBonusHeadSize] = {};
      p->ReadBytes(head, sizeof(head));
      fx.ReadAccount(p, kUserInfoSize);
      const int32_t kind = Get32(head, 0);
      const int64_t amount = Get64(head, 20);
      if (kind == 6) {
        fx.Notices().ShowCelebration(d->GetUser32(kUserLevel), Get32(head, 16));
        fx.RewardSound();
        return true;
      }
      if (kind == 10 || kind == 23) {
        fx.Banner(0, FormatString(LangMessage(kind == 10 ? 206 : 205), FormatNumber(amount).c_str()));
        fx.RewardSound();
      }
      fx.Sync();
      p->read_pos = 0;
      return false;  // the current mode sees it too
    }
    case 204: {
      IGameSession* cur = CurrentSession();
      if (cur && cur->IsConnected()) {
        const int32_t kind = cur->Info().Kind();
        if (kind == 1) *result = fx.Scenes().PassPacket(kSceneGame, p);
        if (kind == 2) *result = fx.Scenes().PassPacket(kSceneTournamentInfo, p);
      }
      return true;
    }
    default:
      return false;
  }
}
