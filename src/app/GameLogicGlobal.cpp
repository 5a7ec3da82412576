// The global dispatcher: one table from message id to handler, joined from the rows of
// the message families, and the effects the handlers share.
#include <array>
#include <cstring>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/GlobalMessages.h"
#include "app/LanguageMessages.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"

namespace {

constexpr int kRewardSound = 8;
constexpr int kBannerAutoClose = 3000;
constexpr int kBoxDim = 3000;

// Application ids run from 101 to 999; the table has a slot for each id below 1000.
constexpr size_t kTableSize = 1000;
using HandlerTable = std::array<GlobalHandler, kTableSize>;

HandlerTable BuildTable() {
  HandlerTable table{};
  for (auto rows : {AccountMessageRows(), NoticeMessageRows(), SocialMessageRows(), SceneMessageRows()}) {
    for (const GlobalMessageRow& row : rows) {
      if (row.id >= kTableSize || !row.handler) continue;
      if (table[row.id]) {
        // Two families claim one id: the first keeps it (the table test names the pair).
        Log(LOG_WARNING, "[WARNING]: GameLogic::ProcessPacket| message %d has two handlers", row.id);
        continue;
      }
      table[row.id] = row.handler;
    }
  }
  return table;
}

}  // namespace

GlobalHandler FindGlobalHandler(uint16_t id) {
  static const HandlerTable table = BuildTable();  // built once, thread-safe
  return id < kTableSize ? table[id] : nullptr;
}

std::string global_read::Text(Packet& p, size_t width) {
  char field[1024] = {};
  if (width > sizeof(field) || !p.ReadBytes(field, width)) return std::string();
  return ReadFixedText(field, width);
}

bool GameLogic::HandleGlobalPacket(Packet* packet, int* result) {
  *result = 1;
  const GlobalHandler handler = FindGlobalHandler(packet->id);
  if (!handler) return false;
  const GlobalContext ctx{this, m_hooks, GameSharedData::Instance()};
  const GlobalOutcome outcome = handler(ctx, *packet);
  if (outcome.forward) {
    packet->read_pos = 0;  // the current mode reads the packet from its start
    return false;
  }
  *result = outcome.result;
  return true;
}

// ---------------------------------------------------------------- shared effects

bool GlobalContext::HasMode() const { return logic->CurrentMode() != nullptr; }

bool GlobalContext::InPlayMode() const { return HasMode() && logic->CurrentMode() == logic->PlayMode(); }

void GlobalContext::Sync() const {
  if (InPlayMode()) hooks.services->RefreshLocalPlayer();
}

void GlobalContext::RewardSound() const {
  if (data->m_sound_on) hooks.sound->PlayEffect(kRewardSound);
}

void GlobalContext::Banner(int kind, const std::string& text, const char* sender) const {
  Notices().PushBanner(kind, text.c_str(), sender, kBannerAutoClose);
}

void GlobalContext::Box(int type, const std::string& text) const {
  Notices().PushBox(LangMessage(0), type, text.c_str(), kBoxDim, 0);
}

void GlobalContext::ReloadFriendPage(int page) const {
  if (Scenes().IsSceneShown(kSceneFriend) && Scenes().ScenePage(kSceneFriend) == page)
    Scenes().ReloadScenePage(kSceneFriend, page);
}

void GlobalContext::MoneyBanners(int32_t rubies, int64_t chips, bool with_sound) const {
  if (chips > 0) {
    if (with_sound) RewardSound();
    Banner(0, FormatString(LangMessage(97), FormatNumber(chips).c_str()));
  }
  if (rubies >= 1) {
    if (with_sound) RewardSound();
    Banner(0, FormatString(LangMessage(96), FormatNumber(rubies).c_str()));
  }
}

bool GlobalContext::ReadAccount(Packet& p, size_t size) const {
  uint8_t block[kUserInfoSize];
  if (size > sizeof(block) || !p.ReadBytes(block, size)) return false;
  std::memcpy(data->m_user_info, block, size);
  return true;
}

void GlobalContext::StoreAccount(const uint8_t* block) const { std::memcpy(data->m_user_info, block, kUserInfoSize); }

void GlobalContext::ReadBalances(Packet& p) const {
  data->SetUser32(kUserRuby, global_read::Int32(p, data->Rubies()));
  data->SetUser64(kUserChips, global_read::Int64(p, data->Chips()));
}
