#pragma once
// The server's side of the wire. Every message of the login, lobby and table catalogue is
// built and read with the client's own message records (net/messages); this file fills
// those records from the server's model, reads the requests into moves, and keeps the few
// pieces the records do not describe: the account block as the server fills it, the
// server-address block, the login forms of the entering sequence and the header-only
// packets of the placeholder requests.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Bot.h"
#include "Rules.h"
#include "Store.h"
#include "net/Packet.h"
#include "net/ServerInfo.h"
#include "net/messages/GameVXCardDeck.h"
#include "net/messages/GameVXPlayer.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableRecords.h"

namespace tsrv {

// The server's short names for the connection, account and notice messages; the ids
// themselves live with every other id in net/messages/VXProtocolTable.h.
enum : uint16_t {
  kMsgHeartbeat = VX_PROTOCOL_HEARTBEAT,
  kMsgLeaveServer = VX_PROTOCOL_LEAVE_SERVER,
  kMsgServerAddress = VX_PROTOCOL_SERVER_ADDRESS,
  kMsgDuplicateLogin = VX_PROTOCOL_DUPLICATE_LOGIN,
  kMsgAccountUpdate = VX_PROTOCOL_ACCOUNT_UPDATE,
  kMsgServerMessage = VX_PROTOCOL_SERVER_MESSAGE,
  kMsgTournamentRegs = VX_PROTOCOL_TOURNAMENT_REGISTRATIONS,
  kMsgRegist = VX_PROTOCOL_REGIST,
  kMsgServiceState = VX_PROTOCOL_SERVICE_STATE,
  kMsgFriendList = VX_PROTOCOL_FRIEND_LIST,
  kMsgSocialFriends = VX_PROTOCOL_SOCIAL_FRIENDS,
  kMsgListRefresh = VX_PROTOCOL_LIST_REFRESH,
};

// The six play missions, one per mission type in type order, as the master's login reply
// carries them (20 bytes each: period in seconds, 0, goal, two reward amounts).
struct MissionDef {
  int32_t period;  // 0: never expires
  int32_t goal;
  int32_t reward_chips;
  int32_t reward_rubies;
};
inline constexpr MissionDef kMissions[6] = {
    {0, 10, 5000, 1},   // 0 play N rounds
    {0, 5, 10000, 2},   // 1 win N rounds
    {0, 3, 10000, 2},   // 2 play N sit-and-go games (none are held here)
    {0, 3, 20000, 3},   // 3 N dark knocks
    {0, 3, 20000, 3},   // 4 play N multi-table tournament games (none are held here)
    {0, 3, 15000, 2},   // 5 N wins in a row
};
constexpr size_t kMissionRecordSize = 20;
constexpr size_t kMissionProgress = 468;  // account block: int32 progress, int32 start per type
// A mission's progress for an account (at most its goal).
int32_t MissionProgress(const Account& a, int type);
void WriteMissionRecords(Packet& p);

// Fills the 516-byte account block the client keeps as its own record.
void FillUserInfo(const Account& a, uint8_t* block);
// The account block as other players see it: the same without the user number, which
// with the account id is what the entering logins name.
void FillPublicUserInfo(const Account& a, uint8_t* block);

// A card record as the table messages carry it.
VXType_card MakeCard(int code, int owner, int in_hand, int turn_mark);
// Fills `deck` (emptied first) with new card records that it owns. False when a card
// does not fit the deck (a code outside 0..52 or a full deck); the others are kept.
bool FillDeck(GameVXCardDeck& deck, int kind, int index, int turn_mark,
              const std::vector<TableCard>& cards, int in_hand);
// A hand: the codes as they are, or code 52 for each when `hidden`.
bool FillHand(GameVXCardDeck& deck, const std::vector<int>& hand, int owner, bool hidden);
// The melds of a seat, in table order.
bool FillMelds(GameVXPlayer& player, const std::vector<Meld>& melds);

// Requests whose only field is a placeholder int32 0 (heartbeat, account refresh, leave
// server, leave room): the server also takes them header-only.
bool AcceptsEmptyPayload(uint16_t id);
// What one stream position holds for the server: not enough bytes yet, bytes no peer of
// the protocol sends (the connection is closed), or a whole packet of `*length` bytes.
enum class Frame { kIncomplete, kBad, kPacket };
Frame CheckFrame(const uint8_t* bytes, size_t avail, uint16_t* length);
// Parses a packet whose header CheckFrame accepted. The client's packet parser refuses a
// header-only packet; here one is taken (payload empty) for the ids of AcceptsEmptyPayload.
bool ParseFrame(const uint8_t* bytes, size_t length, Packet* out);

// Reads a move request (216) into `mv`. `*action` is the action word (-1 when missing),
// for the refusal. False when the request is cut short, names no known action, or
// carries a card code a deck would drop.
bool ReadMove(Packet& p, BotMove* mv, int32_t* action);

// Hex text of the scrambled user id back to the text it was made from.
std::string UnscrambleUserId(const uint8_t* hex, size_t n);

ServerInfo MakeServerInfo(const std::string& host, int port, int kind, int selector);

}  // namespace tsrv
