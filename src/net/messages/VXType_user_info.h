#pragma once
// The account record every player carries and the default server addresses, shared by
// the client and the local server.
#include <cstddef>
#include <cstdint>

// Where the client finds its servers and web pages when no setting says otherwise:
// the local server.
constexpr char kDefaultMasterHost[] = "127.0.0.1";
constexpr int32_t kDefaultMasterPort = 10088;
constexpr char kDefaultWebBase[] = "http://127.0.0.1:10080";

// The 516-byte account record (`VXType_user_info`); its first 184 bytes are the account
// head that some messages carry alone. Byte offsets are part of the wire format.
constexpr size_t kUserInfoSize = 516;
constexpr size_t kAccountHeadSize = 184;
enum UserInfoOffset : size_t {
  kUserAccountId = 0,          // text 30
  kUserNickname = 30,          // text 50
  kUserNumber = 96,            // int32, the own id in requests
  kUserCharacter = 108,        // int32 written by message 176 and service sub-command 2
  kUserAccountType = 112,      // int32, 1 quick start
  kUserPendingLogin = 120,     // int32
  kUserMarker = 128,           // int32, 126 after construction, reset and every login reply
  kUserLanguage = 132,         // int32, 0 Korean, 1 Thai
  kUserRuby = 144,             // int32
  kUserChips = 148,            // int64
  kUserExperience = 156,       // int32
  kUserLevel = 160,            // int32
  kUserKickValue = 172,        // int32
  kUserMoneyRowValue = 180,    // int32
  kUserSeatedKind = 184,       // int32: 1 in a room, 2 in a tournament
  kUserRoomSelector1 = 200,    // int32
  kUserRoomSelector2 = 204,    // int32, -1 when none
  kUserTournamentId = 216,     // int32
  kUserInventory = 224,        // 23 int32 counts
  kUserServiceBlock = 316,     // block 80
};
constexpr size_t kInventoryCounts = 23;
constexpr size_t kInventoryBytes = kInventoryCounts * 4;
constexpr size_t kServiceBlockBytes = 80;
