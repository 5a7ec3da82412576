#pragma once
// The global messages: the ones the game logic handles itself, whatever mode is current.
// Each message family keeps its handlers and its rows (id -> handler) in a file of its
// own; the dispatcher (GameLogicGlobal.cpp) joins the rows into one table. A new global
// message is one row and one handler in its family's file.
//
// Handlers run on the thread that dispatches the packet (see GameLogic.h). Every value
// comes off the wire through the packet readers: a reader that runs past the payload
// leaves its default in place, blocks are taken only when they arrived whole, and every
// count is limited by the bytes actually present, so a short or hostile packet never
// reads, sizes or copies past a buffer.
#include <cstdint>
#include <span>
#include <string>

#include "app/GameHooks.h"
#include "app/VXSceneIds.h"
#include "net/Packet.h"

class GameLogic;
class GameSharedData;

// What a handler did with its packet.
struct GlobalOutcome {
  bool forward = false;  // the current mode gets the packet too, read from its start
  int result = 1;        // the dispatch result when the packet stays here
};
inline GlobalOutcome Consumed(int result = 1) { return {false, result}; }
inline GlobalOutcome Forwarded() { return {true, 0}; }

// The effects the handlers share: notices, scenes, sounds and the account block.
struct GlobalContext {
  GameLogic* logic;
  const GameHooks& hooks;
  GameSharedData* data;

  INoticeHooks& Notices() const { return *hooks.notices; }
  ISceneHooks& Scenes() const { return *hooks.scenes; }
  IPlatformHooks& Platform() const { return *hooks.platform; }
  IExchangeHooks& Exchanges() const { return *hooks.exchanges; }
  IPlayHooks& Play() const { return *hooks.play; }

  bool HasMode() const;
  bool InPlayMode() const;
  // Refreshes the local player's seat from the account block while at a table.
  void Sync() const;
  void RewardSound() const;
  void Banner(int kind, const std::string& text, const char* sender = "") const;
  void Box(int type, const std::string& text) const;
  // Reloads `page` of the friend scene when the scene shows that page.
  void ReloadFriendPage(int page) const;
  // Chips and rubies banners, each with its reward sound when `with_sound` is set.
  void MoneyBanners(int32_t rubies, int64_t chips, bool with_sound) const;
  // Reads a whole account block (or head, `size` bytes) into the shared data; nothing
  // changes when the packet is short.
  bool ReadAccount(Packet& p, size_t size) const;
  // Replaces the account block with one that arrived in a message record.
  void StoreAccount(const uint8_t* block) const;
  // Ruby and chip balances into the account block (each kept when missing).
  void ReadBalances(Packet& p) const;
};

using GlobalHandler = GlobalOutcome (*)(const GlobalContext& ctx, Packet& packet);

struct GlobalMessageRow {
  uint16_t id;
  GlobalHandler handler;
};

// The rows of each family.
std::span<const GlobalMessageRow> AccountMessageRows();  // connection, login, account, money
std::span<const GlobalMessageRow> NoticeMessageRows();   // server notices, tournaments, bonuses
std::span<const GlobalMessageRow> SocialMessageRows();   // mail, gifts and friends
std::span<const GlobalMessageRow> SceneMessageRows();    // replies handed to their scenes

// The handler of a global message id, null for an id the current mode handles.
GlobalHandler FindGlobalHandler(uint16_t id);

// Packet readers shared by the handlers.
namespace global_read {
// An int32 or int64, or `fallback` when the packet has run out.
inline int32_t Int32(Packet& p, int32_t fallback = 0) {
  int32_t v = fallback;
  p.ReadInt32(&v);
  return v;
}
inline int64_t Int64(Packet& p, int64_t fallback = 0) {
  int64_t v = fallback;
  p.ReadInt64(&v);
  return v;
}
// Skips `n` bytes (as far as they are present).
inline void Skip(Packet& p, size_t n) {
  const size_t k = n < p.Remaining() ? n : p.Remaining();
  p.read_pos += static_cast<uint32_t>(k);
}
// Records of `size` bytes announced by a count: never more than the payload holds.
inline int32_t BoundedCount(const Packet& p, int32_t count, size_t size) {
  if (count <= 0) return 0;
  const size_t fit = p.Remaining() / size;
  return static_cast<size_t>(count) < fit ? count : static_cast<int32_t>(fit);
}
// A fixed text field of `width` bytes, always terminated (empty when missing).
std::string Text(Packet& p, size_t width);
}  // namespace global_read
