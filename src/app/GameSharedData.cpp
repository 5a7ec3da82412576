#include "app/GameSharedData.h"

#include <json/json.h>

#include <algorithm>
#include <ctime>

#include "app/CRegistry.h"
#include "app/GameHooks.h"
#include "app/GameLogic.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/Paths.h"
#include "framework/StringUtil.h"

namespace {
constexpr int64_t kSevenDaysSeconds = 604800;
constexpr int64_t kOneDaySeconds = 86400;
constexpr uint32_t kFriendListInterval = 60000;

int64_t NowSeconds() { return static_cast<int64_t>(time(nullptr)); }

// A 30-byte name field built from a text, for exact comparison with stored fields.
std::array<char, 30> NameField(const char* text) {
  std::array<char, 30> f{};
  CopyFixedText(f.data(), f.size(), text);
  return f;
}

int32_t IntMember(const Json::Value& obj, const char* key, int32_t fallback) {
  if (!obj.isObject() || !obj.isMember(key)) return fallback;
  const Json::Value& v = obj[key];
  return v.isInt() ? v.asInt() : fallback;
}

// The array under `key` of a loaded document, or null when it is not one.
const Json::Value* ArrayMember(const Json::Value& doc, const char* key) {
  if (!doc.isObject() || !doc.isMember(key) || !doc[key].isArray()) return nullptr;
  return &doc[key];
}
}  // namespace

// ---------------------------------------------------------------- FriendRecord

std::string FriendRecord::AccountId() const { return ReadFixedText(reinterpret_cast<const char*>(raw + 28), 30); }
std::string FriendRecord::Nickname() const { return ReadFixedText(reinterpret_cast<const char*>(raw + 58), 50); }
void FriendRecord::SetAccountId(const char* text) { CopyFixedText(reinterpret_cast<char*>(raw + 28), 30, text); }
void FriendRecord::SetNickname(const char* text) { CopyFixedText(reinterpret_cast<char*>(raw + 58), 50, text); }

// ---------------------------------------------------------------- life cycle

GameSharedData::GameSharedData() { ResetDefaults(); }

GameSharedData::~GameSharedData() {
  for (auto& list : m_friends) list.clear();
  m_friend_list_time = 0;
  m_request_list_time = 0;
  m_registrations.clear();
  m_reports.clear();
  m_phone_book.clear();
  for (auto& b : m_list_a.buffers) b.clear();
  for (auto& b : m_list_b.buffers) b.clear();
  ResetDefaults();
}

void GameSharedData::ResetDefaults() {
  // The master server address is configuration, not account data: a logout must reach
  // the same server again. Only an unset address takes the default.
  const ServerInfo master = m_master_server;
  m_sound_bg_on = 0;
  std::memset(m_user_info, 0, sizeof(m_user_info));
  m_service_server.Clear();
  m_master_server.Clear();
  std::memset(m_web_base, 0, sizeof(m_web_base));
  // "web_base" moves every page, banner and picture address (the local server's web
  // side by default); only an http or https address is taken.
  char web_base[sizeof(m_web_base)] = {};
  const bool custom = CRegistry::ReadString("web_base", web_base, sizeof(web_base)) &&
                      (std::strncmp(web_base, "http://", 7) == 0 || std::strncmp(web_base, "https://", 8) == 0);
  CopyFixedText(m_web_base, sizeof(m_web_base), custom ? web_base : kDefaultWebBase);
  std::memset(m_item_slots, 0, sizeof(m_item_slots));
  std::memset(m_block_556, 0, sizeof(m_block_556));
  std::memset(m_block_52, 0, sizeof(m_block_52));
  std::memset(m_bonus_records, 0, sizeof(m_bonus_records));
  m_bonus_count = 0;
  SetUser32(kUserMarker, 126);
  SetUser32(kUserPendingLogin, 0);
  SetUser32(kUserLanguage, 0);
  m_auto_login = 0;
  m_sound_on = 0;
  m_vibrator_on = 0;
  m_room_table = 0;
  m_room_bg = 0;
  m_sound_index = 0;
  m_table_index = 0;
  m_table_color_index = 0;
  m_account_loaded = 0;
  m_new_account = 0;
  m_unread_mail_at_login = 0;
  m_auto_open = 1;
  m_emotion_index = 0;
  m_login_kind = 0;
  m_update_state = -1;
  char host[ServerInfo::kHostSize];
  master.CopyHost(host);
  if (host[0]) {
    m_master_server.SetHost(host);
    m_master_server.SetPort(master.Port());
  } else {
    SetDefaultMasterAddress();
  }
}

void GameSharedData::SetDefaultMasterAddress() {
  m_master_server.SetHost(kDefaultMasterHost);
  m_master_server.SetPort(kDefaultMasterPort);
}

int GameSharedData::Load() {
  ResetDefaults();
  SetDefaultMasterAddress();  // the stored address, read below, replaces it
  struct NumericSetting {
    const char* name;
    int32_t* field;
    int32_t fallback;
  } numeric[] = {
      {"sound_bg_on", &m_sound_bg_on, 1},   {"auto_login", &m_auto_login, 0},
      {"sound_on", &m_sound_on, 1},         {"vibrator_on", &m_vibrator_on, 1},
      {"room_table", &m_room_table, 0},     {"room_bg", &m_room_bg, 0},
      {"auto_open", &m_auto_open, 1},       {"sound_index", &m_sound_index, 0},
      {"emotion_index", &m_emotion_index, 0}, {"table_index", &m_table_index, 0},
      {"table_color_index", &m_table_color_index, 0}, {"quick_start", &m_quick_start, 1},
  };
  for (const NumericSetting& s : numeric) {
    int32_t v = s.fallback;
    CRegistry::ReadInt(s.name, &v);
    *s.field = v;
  }

  char address[100] = {};
  int32_t port = kDefaultMasterPort;
  CRegistry::ReadInt("master_port", &port);
  if (CRegistry::ReadString("master_address", address, sizeof(address))) {
    size_t n = std::strlen(address);
    if (n >= 7 && n <= 16) {
      m_master_server.SetHost(address);
      if (port > 0) m_master_server.SetPort(port);
    }
  }

  int32_t account_type = 1;
  CRegistry::ReadInt("account_type", &account_type);
  SetUser32(kUserAccountType, account_type);
  char account_id[30] = {};
  if (CRegistry::ReadString("account_id", account_id, sizeof(account_id))) {
    CopyFixedText(reinterpret_cast<char*>(m_user_info + kUserAccountId), 30, account_id);
  }

  const int edition = ChooseLanguageEdition();
  SetUser32(kUserLanguage, edition);
  InitLanguageMessages(edition);
  return 1;
}

// ---------------------------------------------------------------- account block

int32_t GameSharedData::GetUser32(size_t off) const {
  if (off + 4 > kUserInfoSize) return 0;
  int32_t v;
  std::memcpy(&v, m_user_info + off, 4);
  return v;
}

void GameSharedData::SetUser32(size_t off, int32_t v) {
  if (off + 4 <= kUserInfoSize) std::memcpy(m_user_info + off, &v, 4);
}

int64_t GameSharedData::GetUser64(size_t off) const {
  if (off + 8 > kUserInfoSize) return 0;
  int64_t v;
  std::memcpy(&v, m_user_info + off, 8);
  return v;
}

void GameSharedData::SetUser64(size_t off, int64_t v) {
  if (off + 8 <= kUserInfoSize) std::memcpy(m_user_info + off, &v, 8);
}

int32_t GameSharedData::InventoryCount(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= kInventoryCounts) return 0;
  return GetUser32(kUserInventory + 4 * static_cast<size_t>(index));
}

// ---------------------------------------------------------------- setters

void GameSharedData::SetAutoLogin(int32_t on) {
  m_auto_login = on;
  CRegistry::WriteInt("auto_login", on);
}

void GameSharedData::SetSoundBgOn(int32_t on) {
  m_sound_bg_on = on;
  if (GameLogic* logic = GameLogic::InstanceIfAny()) logic->Hooks().sound->OnMusicSwitch(on != 0);
  CRegistry::WriteInt("sound_bg_on", on);
}

void GameSharedData::SetVibratorOn(int32_t on) {
  m_vibrator_on = on;
  CRegistry::WriteInt("vibrator_on", on);
}

void GameSharedData::SetSoundOn(int32_t on) {
  m_sound_on = on;
  if (GameLogic* logic = GameLogic::InstanceIfAny()) logic->Hooks().sound->OnEffectsSwitch(on != 0);
  CRegistry::WriteInt("sound_on", on);
}

void GameSharedData::SetEmotionIndex(int32_t index) {
  m_emotion_index = index;
  CRegistry::WriteInt("emotion_index", index);
}

void GameSharedData::SetTableIndex(int32_t index) {
  m_table_index = index;
  CRegistry::WriteInt("table_index", index);
}

void GameSharedData::SetTableColorIndex(int32_t index) {
  m_table_color_index = index;
  CRegistry::WriteInt("table_color_index", index);
}

void GameSharedData::SetAccount(int32_t type, const char* account_id) {
  SetUser32(kUserAccountType, type);
  CopyFixedText(reinterpret_cast<char*>(m_user_info + kUserAccountId), 30, account_id);
  CRegistry::WriteInt("account_type", type);
  CRegistry::WriteString("account_id", AccountId());
}

void GameSharedData::SetMasterAddress(const char* host, int32_t port) {
  if (!host || std::strlen(host) < 7) return;
  m_master_server.SetHost(host);
  m_master_server.SetPort(port);
  CRegistry::WriteString("master_address", m_master_server.Host());
  CRegistry::WriteInt("master_port", port);
}

void GameSharedData::CheckEmotionIndex() {
  for (int pack = 1; pack <= 5; ++pack) {
    if (m_emotion_index == pack && GetUser32(248 + 4 * static_cast<size_t>(pack)) < 1) m_emotion_index = 0;
  }
  SetEmotionIndex(m_emotion_index);
}

void GameSharedData::CheckEmotionSelection() {
  if (m_emotion_index < 0) {
    SetEmotionIndex(0);
  } else if (m_emotion_index != 0 && InventoryCount(m_emotion_index) < 1) {
    // A selection outside the 23 inventory counts cannot be owned.
    SetEmotionIndex(0);
  }
}

// ---------------------------------------------------------------- friend lists

std::vector<FriendRecord>& GameSharedData::FriendList(int kind) { return m_friends[(kind >= 0 && kind < 3) ? kind : 0]; }

void GameSharedData::ReplaceFriendList(int kind, const std::vector<FriendRecord>& records) {
  if (kind < 0 || kind > 2) return;
  m_friends[kind] = records;
}

void GameSharedData::AddFriend(int kind, const char* account_id, const char* nickname, int32_t value) {
  if (kind < 0 || kind > 2) return;
  FriendRecord r;
  r.SetValue(value);
  r.SetTime(static_cast<int32_t>(NowSeconds()));
  r.SetAccountId(account_id);
  r.SetNickname(nickname);
  m_friends[kind].push_back(r);
}

FriendRecord* GameSharedData::FindFriend(int kind, const char* account_id) {
  if (kind < 0 || kind > 2) return nullptr;
  const auto name = NameField(account_id);
  for (FriendRecord& r : m_friends[kind]) {
    if (std::memcmp(r.raw + 28, name.data(), name.size()) == 0) return &r;
  }
  return nullptr;
}

bool GameSharedData::RemoveFriend(int kind, const char* account_id) {
  if (kind < 0 || kind > 2) return false;
  const auto name = NameField(account_id);
  auto& list = m_friends[kind];
  auto it = std::find_if(list.begin(), list.end(), [&](const FriendRecord& r) {
    return std::memcmp(r.raw + 28, name.data(), name.size()) == 0;
  });
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

// ---------------------------------------------------------------- registrations

void GameSharedData::AddRegistration(const RegistrationRecord& r) { m_registrations.push_back(r); }

RegistrationRecord* GameSharedData::FindRegistration(int32_t tournament_id) {
  for (RegistrationRecord& r : m_registrations) {
    if (r.tournament_id == tournament_id) return &r;
  }
  return nullptr;
}

bool GameSharedData::RemoveRegistration(int32_t tournament_id) {
  auto it = std::find_if(m_registrations.begin(), m_registrations.end(),
                         [&](const RegistrationRecord& r) { return r.tournament_id == tournament_id; });
  if (it == m_registrations.end()) return false;
  m_registrations.erase(it);
  return true;
}

int GameSharedData::RemoveRegistrationsBelow(int32_t lowest) {
  const size_t before = m_registrations.size();
  m_registrations.erase(std::remove_if(m_registrations.begin(), m_registrations.end(),
                                       [&](const RegistrationRecord& r) { return r.tournament_id < lowest; }),
                        m_registrations.end());
  return static_cast<int>(before - m_registrations.size());
}

// ---------------------------------------------------------------- phone book and reports

void GameSharedData::AddPhone(const char* phone, int32_t time_s, bool save) {
  PhoneRecord r;
  CopyFixedText(r.phone, sizeof(r.phone), phone);
  r.time = time_s ? time_s : static_cast<int32_t>(NowSeconds());
  m_phone_book.push_back(r);
  if (save) SavePhoneBook();
}

void GameSharedData::AddReport(const char* user, int32_t time_s, bool save) {
  ReportRecord r;
  CopyFixedText(r.user, sizeof(r.user), user);
  r.time = time_s ? time_s : static_cast<int32_t>(NowSeconds());
  m_reports.push_back(r);
  if (save) SaveReports();
}

bool GameSharedData::PhoneCounts(const char* phone) const {
  PhoneRecord probe;
  CopyFixedText(probe.phone, sizeof(probe.phone), phone);
  const int64_t now = NowSeconds();
  for (const PhoneRecord& r : m_phone_book) {
    if (std::memcmp(r.phone, probe.phone, sizeof(r.phone)) == 0 && r.time + kSevenDaysSeconds > now) return true;
  }
  return false;
}

bool GameSharedData::ReportCounts(const char* user) const {
  ReportRecord probe;
  CopyFixedText(probe.user, sizeof(probe.user), user);
  const int64_t now = NowSeconds();
  for (const ReportRecord& r : m_reports) {
    if (std::memcmp(r.user, probe.user, sizeof(r.user)) == 0 && r.time + kSevenDaysSeconds > now) return true;
  }
  return false;
}

// ---------------------------------------------------------------- per-account files

std::string GameSharedData::SafeFileName(const char* account_id) {
  return SanitizeFileName(ReadFixedText(account_id ? account_id : "", account_id ? 30 : 0));
}

std::string GameSharedData::AccountFilePath(const char* suffix) const {
  const std::string name = SafeFileName(AccountId());
  if (name.empty()) return std::string();
  return DataDir() + "/" + name + suffix;
}

bool GameSharedData::LoadPhoneBook() {
  m_phone_book.clear();
  const std::string path = AccountFilePath("_phone_book.json");
  Json::Value doc;
  if (path.empty() || !LoadJsonDocument(path, &doc)) return false;
  const Json::Value* list = ArrayMember(doc, "phone_book");
  if (!list) {
    Log(LOG_WARNING, "[WARNING]: GameSharedData::LoadPhoneBook| %s has no phone_book list", path.c_str());
    return false;
  }
  const int64_t now = NowSeconds();
  for (const Json::Value& e : *list) {
    if (!e.isObject() || !e.isMember("phone") || !e["phone"].isString()) continue;
    const int32_t t = IntMember(e, "time", 0);
    if (t + kSevenDaysSeconds > now) AddPhone(e["phone"].asCString(), t, false);
  }
  return true;
}

bool GameSharedData::SavePhoneBook() const {
  const std::string path = AccountFilePath("_phone_book.json");
  if (path.empty()) return false;
  Json::Value doc(Json::objectValue);
  Json::Value& list = doc["phone_book"] = Json::Value(Json::arrayValue);
  for (const PhoneRecord& r : m_phone_book) {
    Json::Value e(Json::objectValue);
    e["phone"] = ReadFixedText(r.phone, sizeof(r.phone));
    e["time"] = r.time;
    list.append(e);
  }
  return SaveJsonDocument(path, doc);
}

bool GameSharedData::LoadReports() {
  m_reports.clear();
  const std::string path = AccountFilePath("_report.json");
  Json::Value doc;
  if (path.empty() || !LoadJsonDocument(path, &doc)) return false;
  const Json::Value* list = ArrayMember(doc, "report");
  if (!list) {
    Log(LOG_WARNING, "[WARNING]: GameSharedData::LoadReports| %s has no report list", path.c_str());
    return false;
  }
  const int64_t now = NowSeconds();
  for (const Json::Value& e : *list) {
    if (!e.isObject() || !e.isMember("user") || !e["user"].isString()) continue;
    const int32_t t = IntMember(e, "time", 0);
    if (t + kOneDaySeconds > now) AddReport(e["user"].asCString(), t, false);
  }
  return true;
}

bool GameSharedData::SaveReports() const {
  const std::string path = AccountFilePath("_report.json");
  if (path.empty()) return false;
  Json::Value doc(Json::objectValue);
  Json::Value& list = doc["report"] = Json::Value(Json::arrayValue);
  for (const ReportRecord& r : m_reports) {
    Json::Value e(Json::objectValue);
    e["user"] = ReadFixedText(r.user, sizeof(r.user));
    e["time"] = r.time;
    list.append(e);
  }
  return SaveJsonDocument(path, doc);
}

bool GameSharedData::LoadRegistrations() {
  m_registrations.clear();
  const std::string path = AccountFilePath("_tm.json");
  Json::Value doc;
  if (path.empty() || !LoadJsonDocument(path, &doc)) return false;
  const Json::Value* list = ArrayMember(doc, "tournament");
  if (!list) {
    Log(LOG_WARNING, "[WARNING]: GameSharedData::LoadRegistrations| %s has no tournament list", path.c_str());
    return false;
  }
  // "count" is written for the reader's benefit; the list itself says how many there are.
  for (const Json::Value& e : *list) {
    if (!e.isObject()) continue;
    RegistrationRecord r;
    r.tournament_id = IntMember(e, "idx_tm", 0);
    r.state = IntMember(e, "state", 0);
    r.type = IntMember(e, "tm_type", 0);
    r.tournament_state = IntMember(e, "tm_state", 0);
    r.tournament_time = IntMember(e, "tm_time", 0);
    m_registrations.push_back(r);
  }
  return true;
}

bool GameSharedData::SaveRegistrations() const {
  const std::string path = AccountFilePath("_tm.json");
  if (path.empty()) return false;
  Json::Value doc(Json::objectValue);
  doc["count"] = static_cast<Json::Int>(m_registrations.size());
  Json::Value& list = doc["tournament"] = Json::Value(Json::arrayValue);
  for (const RegistrationRecord& r : m_registrations) {
    Json::Value e(Json::objectValue);
    e["idx_tm"] = r.tournament_id;
    e["state"] = r.state;
    e["tm_type"] = r.type;
    e["tm_state"] = r.tournament_state;
    e["tm_time"] = r.tournament_time;
    list.append(e);
  }
  return SaveJsonDocument(path, doc);
}

// ---------------------------------------------------------------- service requests

Packet GameSharedData::BuildServiceStateRequest() const {
  Packet p(VX_PROTOCOL_SERVICE_STATE);
  p.WriteBytes(m_user_info + kUserAccountId, 30);
  p.WriteInt32(UserNumber());
  return p;
}

Packet GameSharedData::BuildRegistrationsRequest() const {
  Packet p(VX_PROTOCOL_TOURNAMENT_REGISTRATIONS);
  p.WriteBytes(m_user_info + kUserAccountId, 30);
  p.WriteInt32(UserNumber());
  p.WriteInt32(0);
  return p;
}

Packet GameSharedData::BuildFriendListRequest(int kind) const {
  Packet p(VX_PROTOCOL_FRIEND_LIST);
  p.WriteBytes(m_user_info + kUserAccountId, 30);
  p.WriteInt32(UserNumber());
  p.WriteInt32(kind == 1 ? 1 : 0);
  p.WriteInt32(0);
  return p;
}

void GameSharedData::RequestServiceState(IExchangeHooks* exchanges) {
  if (exchanges) exchanges->PostToServiceServer(BuildServiceStateRequest());
}

void GameSharedData::RequestRegistrations(IExchangeHooks* exchanges) {
  if (exchanges) exchanges->PostToServiceServer(BuildRegistrationsRequest());
}

int GameSharedData::RequestFriendList(int kind, IExchangeHooks* exchanges) {
  if (kind != 0 && kind != 1) return 0;
  uint32_t& stamp = kind == 0 ? m_friend_list_time : m_request_list_time;
  const uint32_t now = GetTickMs();
  if (stamp != 0 && now - stamp <= kFriendListInterval) return 0;
  stamp = now;
  if (exchanges) exchanges->PostToServiceServer(BuildFriendListRequest(kind));
  return 1;
}
