// Global notices: the notice count, server messages, tournament notices and results,
// the tournament registrations and the bonuses.

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/GlobalMessages.h"
#include "app/LanguageMessages.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"
#include "net/messages/VXGlobalMessages.h"

using namespace global_read;

namespace {

constexpr int32_t kServerTextLimit = 765;  // banner texts (style 0)
constexpr int32_t kServerBoxLimit = 255;   // message-box texts (other styles)
constexpr int32_t kTournamentCancelled = 1;
constexpr int32_t kTournamentSeating = 5;

GlobalOutcome OnNoticeCount(const GlobalContext& ctx, Packet& p) {
  Skip(p, 4);
  const uint32_t a = static_cast<uint32_t>(Int32(p));
  const uint32_t b = static_cast<uint32_t>(Int32(p));
  ctx.data->m_notice_count = static_cast<int32_t>(a + b);
  return Consumed();
}

// Style 0 is a banner, any other style a message box; a text too long for its kind is
// dropped (result 0).
GlobalOutcome OnServerMessage(const GlobalContext& ctx, Packet& p) {
  const int32_t style = Int32(p, 0);
  const int32_t n = Int32(p, -1);
  const int32_t limit = style == 0 ? kServerTextLimit : kServerBoxLimit;
  char text[kServerTextLimit] = {};
  if (n < 0 || n >= limit || (n > 0 && !p.ReadBytes(text, static_cast<size_t>(n)))) {
    Log(LOG_WARNING, "[WARNING]: GameLogic::ProcessPacket| server message dropped (style %d, length %d)", style, n);
    return Consumed(0);
  }
  if (style == 0)
    ctx.Banner(0, text);
  else
    ctx.Box(0, text);
  return Consumed();
}

GlobalOutcome OnTournamentNotice(const GlobalContext& ctx, Packet& p) {
  if (p.Remaining() < VXType_tournament_info::kSize) return Consumed();
  VXMsg_tournament_notice m;
  m.Read(p);  // a missing lowest id keeps every registration
  GameSharedData* d = ctx.data;
  if (d->RemoveRegistrationsBelow(m.lowest_valid_id) > 0) d->SaveRegistrations();
  if (ctx.Scenes().IsSceneShown(kSceneTournament)) ctx.Scenes().SetTournamentRecord(kSceneTournament, m.record);
  if (d->FindRegistration(m.record.TournamentId())) {
    if (m.record.Status() == kTournamentSeating)
      ctx.Scenes().SetTournamentRecord(kSceneTournamentInfo, m.record);
    else if (m.record.Status() == kTournamentCancelled)
      ctx.Banner(0, LangMessage(143));
  }
  return Consumed();
}

GlobalOutcome OnTournamentRegistrations(const GlobalContext& ctx, Packet& p) {
  GameSharedData* d = ctx.data;
  const int32_t count = BoundedCount(p, Int32(p, 0), sizeof(RegistrationRecord));
  d->m_registrations.assign(static_cast<size_t>(count), RegistrationRecord{});
  for (RegistrationRecord& r : d->m_registrations) p.ReadBytes(&r, sizeof(r));
  return Consumed();
}

// Out of a tournament: the prize notice when something was won, else a box with the
// rank; then back to the lobby.
GlobalOutcome OnTournamentOut(const GlobalContext& ctx, Packet& p) {
  VXMsg_tournament_out m;
  if (m.Read(p)) ctx.StoreAccount(m.user_info);
  const VXType_tournament_result& r = m.result;
  if (r.Chips() > 0 || r.Rubies() > 0)
    ctx.Notices().ShowPrize(r.Rubies(), m.head.Kind(), r.Rank(), r.Chips());
  else
    ctx.Box(7, FormatString(LangMessage(138), r.Rank()));
  ctx.logic->SetNextMode(ctx.logic->LobbyMode(), -1);
  return Consumed();
}

// A bonus: the level-up celebration stays here; the other kinds reach the mode too.
GlobalOutcome OnBonus(const GlobalContext& ctx, Packet& p) {
  VXMsg_bonus m;
  if (m.Read(p)) ctx.StoreAccount(m.user_info);
  const int32_t kind = m.head.Kind();
  if (kind == VX_BONUS_LEVEL_UP) {
    ctx.Notices().ShowCelebration(ctx.data->GetUser32(kUserLevel), m.head.Value());
    ctx.RewardSound();
    return Consumed();
  }
  if (kind == VX_BONUS_MISSION || kind == VX_BONUS_DOUBLE_KNOCK) {
    const char* format = LangMessage(kind == VX_BONUS_MISSION ? 206 : 205);
    ctx.Banner(0, FormatString(format, FormatNumber(m.head.Amount()).c_str()));
    ctx.RewardSound();
  }
  ctx.Sync();
  return Forwarded();
}

constexpr GlobalMessageRow kRows[] = {
    {VX_PROTOCOL_NOTICE_COUNT, OnNoticeCount},
    {VX_PROTOCOL_SERVER_MESSAGE, OnServerMessage},
    {VX_PROTOCOL_TOURNAMENT_NOTICE, OnTournamentNotice},
    {VX_PROTOCOL_TOURNAMENT_REGISTRATIONS, OnTournamentRegistrations},
    {VX_PROTOCOL_TOURNAMENT_OUT, OnTournamentOut},
    {VX_PROTOCOL_BONUS, OnBonus},
};

}  // namespace

std::span<const GlobalMessageRow> NoticeMessageRows() { return kRows; }
