// Global messages of the social side: mail, gifts and friends (notices, replies that
// change the shared lists, the counters of what is unread).
#include <vector>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/GlobalMessages.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "net/messages/VXGlobalMessages.h"

using namespace global_read;

namespace {

constexpr size_t kAccountIdSize = 30;
constexpr size_t kNicknameSize = 50;

// ---------------------------------------------------------------- the social notice

void MailNotice(const GlobalContext& ctx, Packet& p, bool outside_play) {
  Skip(p, 8);
  const std::string sender = Text(p, kNicknameSize);
  ++ctx.data->m_unread_mail;
  ctx.data->m_mail_list_time = 0;
  if (outside_play)
    ctx.Banner(2, FormatString(LangMessage(119), sender.c_str()));
  else
    ctx.ReloadFriendPage(kFriendPageMail);
}

void GiftNotice(const GlobalContext& ctx, Packet& p) {
  VXType_gift gift;
  p.ReadBytes(gift.raw, gift.kSize);
  ++ctx.data->m_unread_gifts;
  ctx.data->m_gift_list_time = 0;
  const std::string sender = gift.SenderName();
  std::string text;
  if (gift.Rubies() >= 1)
    text = FormatString(LangMessage(121), sender.c_str(), FormatNumber(gift.Rubies()).c_str());
  else if (gift.Chips() > 0)
    text = FormatString(LangMessage(120), sender.c_str(), FormatNumber(gift.Chips()).c_str());
  else if (gift.ItemIndex() >= 0 && gift.ItemAmount() > 0)
    text = FormatString(LangMessage(122), sender.c_str());
  ctx.Banner(1, text, sender.c_str());
  ctx.ReloadFriendPage(kFriendPageGifts);
}

void FriendNotice(const GlobalContext& ctx, Packet& p, bool outside_play) {
  GameSharedData* d = ctx.data;
  const int32_t accepted = Int32(p);
  const std::string account_id = Text(p, kAccountIdSize);
  const std::string nickname = Text(p, kNicknameSize);
  const char* format;
  if (accepted) {
    d->m_friend_list_time = 0;
    d->AddFriend(0, account_id.c_str(), nickname.c_str(), 1);
    format = LangMessage(118);
  } else {
    ++d->m_friend_requests;
    d->m_request_list_time = 0;
    format = LangMessage(117);
  }
  if (outside_play) ctx.Banner(3, FormatString(format, nickname.c_str()), nickname.c_str());
}

GlobalOutcome OnSocialNotice(const GlobalContext& ctx, Packet& p) {
  const bool outside_play = ctx.HasMode() && !ctx.InPlayMode();
  switch (Int32(p, -1)) {
    case VX_SOCIAL_MAIL:
      MailNotice(ctx, p, outside_play);
      break;
    case VX_SOCIAL_GIFT:
      GiftNotice(ctx, p);
      break;
    case VX_SOCIAL_FRIEND:
      FriendNotice(ctx, p, outside_play);
      break;
    default:
      break;
  }
  return Consumed();
}

// ---------------------------------------------------------------- replies

GlobalOutcome OnGiftSent(const GlobalContext& ctx, Packet& p) {
  if (Int32(p, 0) == 0) {
    // A refused gift says so with the table's "command failed" text.
    ctx.Banner(0, LangMessage(142));
    return Consumed();
  }
  Skip(p, 4 + VXType_gift::kSize);
  ctx.ReadAccount(p, kAccountHeadSize);
  ctx.data->m_gift_list_time = 0;
  ctx.Banner(0, LangMessage(128));
  ctx.Scenes().HideScene(kSceneSendGift);
  ctx.ReloadFriendPage(kFriendPageGifts);
  ctx.Sync();
  return Consumed();
}

// Deleting a gift, a mail or a friend: the row is already gone, the answer says nothing.
GlobalOutcome OnDeleted(const GlobalContext&, Packet&) { return Consumed(); }

GlobalOutcome OnServiceState(const GlobalContext& ctx, Packet& p) {
  GameSharedData* d = ctx.data;
  Skip(p, 4);
  d->m_unread_mail = Int32(p, d->m_unread_mail);
  d->m_unread_gifts = Int32(p, d->m_unread_gifts);
  d->m_friend_requests = Int32(p, d->m_friend_requests);
  return Consumed();
}

GlobalOutcome OnMailSent(const GlobalContext& ctx, Packet& p) {
  if (Int32(p, 0) != 0) {
    ctx.data->m_mail_list_time = 0;
    ctx.ReloadFriendPage(kFriendPageMail);
  }
  return Consumed();
}

GlobalOutcome OnFriendList(const GlobalContext& ctx, Packet& p) {
  GameSharedData* d = ctx.data;
  const int32_t announced = Int32(p, 0);
  const int32_t kind = Int32(p, -1);
  Skip(p, 8);
  if (kind < 0 || kind > 2) return Consumed();
  const int32_t count = BoundedCount(p, announced, sizeof(FriendRecord));
  std::vector<FriendRecord> records(static_cast<size_t>(count));
  for (FriendRecord& r : records) p.ReadBytes(r.raw, sizeof(r.raw));
  d->ReplaceFriendList(kind, records);
  ctx.Scenes().RefreshScene(kSceneFriend);
  if (kind == 0) d->m_friend_list_time = GetTickMs();
  if (kind == 1) d->m_request_list_time = GetTickMs();
  return Consumed();
}

GlobalOutcome OnFriendRequest(const GlobalContext& ctx, Packet& p) {
  GameSharedData* d = ctx.data;
  if (Int32(p, 0) == 0) return Consumed();
  const int32_t accepted = Int32(p, 0);
  const std::string name = Text(p, kAccountIdSize);
  if (accepted >= 1) {
    d->m_friend_list_time = 0;
    d->AddFriend(0, name.c_str(), "", 1);
  } else {
    d->AddFriend(2, name.c_str(), "", 0);
  }
  return Consumed();
}

GlobalOutcome OnFriendAccept(const GlobalContext& ctx, Packet& p) {
  GameSharedData* d = ctx.data;
  const int32_t ok = Int32(p, 0);
  const std::string account_id = Text(p, kAccountIdSize);
  const std::string nickname = Text(p, kNicknameSize);
  if (ok) {
    d->m_friend_list_time = 0;
    d->AddFriend(0, account_id.c_str(), nickname.c_str(), 1);
    ctx.Banner(4, FormatString(LangMessage(118), nickname.c_str()), account_id.c_str());
  }
  return Consumed();
}

GlobalOutcome OnSocialFriends(const GlobalContext& ctx, Packet&) {
  ctx.data->m_friend_list_time = 0;
  ctx.data->RequestFriendList(0, &ctx.Exchanges());
  return Consumed();
}

constexpr GlobalMessageRow kRows[] = {
    {VX_PROTOCOL_GIFT_SEND, OnGiftSent},
    {VX_PROTOCOL_GIFT_DELETE, OnDeleted},
    {VX_PROTOCOL_SOCIAL_NOTICE, OnSocialNotice},
    {VX_PROTOCOL_SERVICE_STATE, OnServiceState},
    {VX_PROTOCOL_MAIL_SEND, OnMailSent},
    {VX_PROTOCOL_MAIL_DELETE, OnDeleted},
    {VX_PROTOCOL_FRIEND_LIST, OnFriendList},
    {VX_PROTOCOL_FRIEND_REQUEST, OnFriendRequest},
    {VX_PROTOCOL_FRIEND_ACCEPT, OnFriendAccept},
    {VX_PROTOCOL_FRIEND_DELETE, OnDeleted},
    {VX_PROTOCOL_SOCIAL_FRIENDS, OnSocialFriends},
};

}  // namespace

std::span<const GlobalMessageRow> SocialMessageRows() { return kRows; }
