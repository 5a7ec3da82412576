#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "net/Packet.h"
#include "net/ServerInfo.h"
#include "net/messages/VXGlobalMessages.h"
#include "net/messages/VXType_user_info.h"

class IExchangeHooks;

// 108-byte friend record as the friend-list replies carry it.
struct FriendRecord {
  uint8_t raw[108] = {};

  int32_t Value() const { return Get(4); }
  void SetValue(int32_t v) { Put(4, v); }
  int32_t Time() const { return Get(8); }
  void SetTime(int32_t v) { Put(8, v); }
  int32_t Level() const { return Get(16); }
  int32_t Experience() const { return Get(20); }
  int32_t PictureMark() const { return Get(24); }
  const char* AccountIdField() const { return reinterpret_cast<const char*>(raw + 28); }
  std::string AccountId() const;
  std::string Nickname() const;
  void SetAccountId(const char* text);
  void SetNickname(const char* text);

  int32_t Get(size_t off) const {
    int32_t v;
    std::memcpy(&v, raw + off, 4);
    return v;
  }
  void Put(size_t off, int32_t v) { std::memcpy(raw + off, &v, 4); }
};
static_assert(sizeof(FriendRecord) == 108, "friend record is 108 bytes");

// 24-byte tournament registration: six int32.
struct RegistrationRecord {
  int32_t tournament_id = 0;
  int32_t state = 0;
  int32_t unused = 0;
  int32_t type = 0;
  int32_t tournament_state = 0;
  int32_t tournament_time = 0;
};
static_assert(sizeof(RegistrationRecord) == 24, "registration record is 24 bytes");

// A reported player: user text 32, calendar time.
struct ReportRecord {
  char user[32] = {};
  int32_t time = 0;
};
static_assert(sizeof(ReportRecord) == 36, "report record is 36 bytes");

// An invited phone number: phone text 120, calendar time.
struct PhoneRecord {
  char phone[120] = {};
  int32_t time = 0;
};
static_assert(sizeof(PhoneRecord) == 124, "phone record is 124 bytes");

// Two buffers of fixed-size records: an update fills the buffer that is not current and
// then makes it current, so readers always see a complete list.
template <size_t N>
struct BufferedList {
  using Record = std::array<uint8_t, N>;
  std::vector<Record> buffers[2];
  int32_t current = 0;
  uint32_t refresh_time = 0;

  const std::vector<Record>& Current() const { return buffers[current & 1]; }
  std::vector<Record>& Back() { return buffers[(current + 1) & 1]; }
  void Flip() { current = (current + 1) & 1; }
};

// Everything the modes and scenes share about the signed-in player and the client:
// the server addresses, the account record, the settings, cached lists with their
// request times, the lobby badge counters and the three per-account files.
class GameSharedData : public ZBObject, public ZBSingleton<GameSharedData> {
 public:
  GameSharedData();
  ~GameSharedData() override;

  // Reset, then the stored settings, the account type and id, and the message table of
  // the user's language.
  int Load();
  // Back to the defaults (construction and logout). Lists keep their records, and the
  // configured master server address stays (only an unset one takes the default).
  void ResetDefaults();
  void SetDefaultMasterAddress();

  // ---- account block ----
  const char* AccountId() const { return reinterpret_cast<const char*>(m_user_info); }
  int32_t UserNumber() const { return GetUser32(kUserNumber); }
  int32_t GetUser32(size_t off) const;
  void SetUser32(size_t off, int32_t v);
  int64_t GetUser64(size_t off) const;
  void SetUser64(size_t off, int64_t v);
  int64_t Chips() const { return GetUser64(kUserChips); }
  int32_t Rubies() const { return GetUser32(kUserRuby); }
  int32_t AccountType() const { return GetUser32(kUserAccountType); }
  // Ownership count of inventory slot `index` (0 to 22); 0 outside.
  int32_t InventoryCount(int index) const;

  // ---- setters that store the setting at once ----
  void SetAutoLogin(int32_t on);
  void SetSoundBgOn(int32_t on);
  void SetVibratorOn(int32_t on);
  void SetSoundOn(int32_t on);
  void SetEmotionIndex(int32_t index);
  void SetTableIndex(int32_t index);
  void SetTableColorIndex(int32_t index);
  // Account type together with "account_id" (the id is also put into the account block).
  void SetAccount(int32_t type, const char* account_id);
  // Texts shorter than 7 characters are ignored; otherwise host and port are stored.
  void SetMasterAddress(const char* host, int32_t port);

  // Emotion checks after a master login. The first one resets a selected pack 1 to 5
  // that is not owned and always saves; the second one resets a negative selection or
  // one that is not owned.
  void CheckEmotionIndex();
  void CheckEmotionSelection();

  // ---- lists ----
  // Friend lists: kind 0 friends, 1 friend requests, 2 sent requests.
  std::vector<FriendRecord>& FriendList(int kind);
  void ReplaceFriendList(int kind, const std::vector<FriendRecord>& records);
  void AddFriend(int kind, const char* account_id, const char* nickname, int32_t value);
  FriendRecord* FindFriend(int kind, const char* account_id);
  bool RemoveFriend(int kind, const char* account_id);

  void AddRegistration(const RegistrationRecord& r);
  RegistrationRecord* FindRegistration(int32_t tournament_id);
  bool RemoveRegistration(int32_t tournament_id);
  // Drops registrations whose id is below `lowest`; returns how many were dropped.
  int RemoveRegistrationsBelow(int32_t lowest);

  // Appends an entry (time 0 means now), cut to 119 / 31 bytes; rewrites the file when
  // `save` is set.
  void AddPhone(const char* phone, int32_t time, bool save);
  void AddReport(const char* user, int32_t time, bool save);
  // True when an entry for the text was stored less than 7 days ago.
  bool PhoneCounts(const char* phone) const;
  bool ReportCounts(const char* user) const;

  // ---- per-account files in the data folder ----
  // The file name for the current account id and `suffix` (e.g. "_report.json"); empty
  // when there is no account id. The id is made safe for a file name first.
  std::string AccountFilePath(const char* suffix) const;
  static std::string SafeFileName(const char* account_id);
  bool LoadPhoneBook();
  bool SavePhoneBook() const;
  bool LoadReports();
  bool SaveReports() const;
  bool LoadRegistrations();
  bool SaveRegistrations() const;

  // ---- requests to the service server ----
  Packet BuildServiceStateRequest() const;    // 181
  Packet BuildRegistrationsRequest() const;   // 172
  Packet BuildFriendListRequest(int kind) const;  // 188
  void RequestServiceState(IExchangeHooks* exchanges);
  void RequestRegistrations(IExchangeHooks* exchanges);
  // Kinds 0 and 1, at most once per 60000 ms each; returns 1 when a request left.
  int RequestFriendList(int kind, IExchangeHooks* exchanges);

  // ---- fields ----
  ServerInfo m_service_server;
  ServerInfo m_master_server;
  uint8_t m_user_info[kUserInfoSize] = {};
  char m_web_base[255] = {};
  char m_device_id[128] = {};

  // Settings.
  int32_t m_sound_bg_on = 1;
  int32_t m_auto_login = 0;
  int32_t m_sound_on = 1;
  int32_t m_vibrator_on = 1;
  int32_t m_room_table = 0;
  int32_t m_room_bg = 0;
  int32_t m_auto_open = 1;
  int32_t m_sound_index = 0;
  int32_t m_emotion_index = 0;
  int32_t m_table_index = 0;
  int32_t m_table_color_index = 0;

  // Login screen. "quick_start" is a setting (on unless stored as 0): the quick-start
  // button, a login by device id that needs no account elsewhere, is offered.
  int32_t m_quick_start = 1;
  int32_t m_login_kind = 0;       // 0 social-network login, 1 device login
  char m_social_token[64] = {};   // the last social access token; memory only, never stored
  int32_t m_update_state = -1;    // -1 no hello yet, 0 up to date, 1 optional update, 2 required

  // Login results.
  int32_t m_unread_mail_at_login = 0;
  int32_t m_account_loaded = 0;
  int32_t m_new_account = 0;
  VXType_day_bonus m_day_bonus;
  uint8_t m_profile[452] = {};
  uint8_t m_bonus_records[5][244] = {};
  int32_t m_bonus_count = 0;
  uint8_t m_item_slots[240] = {};
  uint8_t m_block_556[556] = {};
  uint8_t m_block_52[52] = {};

  // Lists.
  std::vector<FriendRecord> m_friends[3];
  std::vector<RegistrationRecord> m_registrations;
  std::vector<ReportRecord> m_reports;
  std::vector<PhoneRecord> m_phone_book;
  BufferedList<172> m_list_a;
  BufferedList<128> m_list_b;

  // Request times (milliseconds; 0 forces the next request) and badge counters.
  uint32_t m_mail_list_time = 0;
  uint32_t m_gift_list_time = 0;
  uint32_t m_friend_list_time = 0;
  uint32_t m_request_list_time = 0;
  int32_t m_unread_mail = 0;
  int32_t m_unread_gifts = 0;
  int32_t m_friend_requests = 0;

  int32_t m_notice_count = 0;
  CriticalSection m_lock;
};
