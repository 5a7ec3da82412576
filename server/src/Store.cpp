#include "Store.h"

#include <sqlite3.h>

#include <cstring>

#include "framework/Log.h"

namespace tsrv {

namespace {

// A prepared statement that finalises itself.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &st_, nullptr) != SQLITE_OK) {
      Log(LOG_WARNING, "[WARNING]: Store | prepare failed: %s", sqlite3_errmsg(db));
      st_ = nullptr;
    }
  }
  ~Stmt() { sqlite3_finalize(st_); }
  explicit operator bool() const { return st_ != nullptr; }
  sqlite3_stmt* get() { return st_; }
  void Text(int i, const std::string& s) {
    sqlite3_bind_text(st_, i, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  }
  void Int(int i, int64_t v) { sqlite3_bind_int64(st_, i, v); }
  int Step() { return sqlite3_step(st_); }

 private:
  sqlite3_stmt* st_ = nullptr;
};

// The accounts whose ids the statement's rows hold in their first column, in row order.
std::vector<Account> AccountsOf(Store& store, Stmt& st) {
  std::vector<int64_t> ids;
  while (st.Step() == SQLITE_ROW) ids.push_back(sqlite3_column_int64(st.get(), 0));
  std::vector<Account> out;
  for (int64_t f : ids)
    if (auto a = store.FindById(f)) out.push_back(*a);
  return out;
}

const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  account_id TEXT NOT NULL UNIQUE,
  device TEXT,
  nickname TEXT NOT NULL,
  account_type INTEGER NOT NULL,
  chips INTEGER NOT NULL CHECK(chips >= 0),
  rubies INTEGER NOT NULL DEFAULT 0,
  level INTEGER NOT NULL DEFAULT 0,
  exp INTEGER NOT NULL DEFAULT 0,
  character INTEGER NOT NULL DEFAULT 0,
  streak INTEGER NOT NULL DEFAULT 0,
  games INTEGER NOT NULL DEFAULT 0,
  wins INTEGER NOT NULL DEFAULT 0,
  is_bot INTEGER NOT NULL DEFAULT 0,
  created INTEGER NOT NULL);
CREATE UNIQUE INDEX IF NOT EXISTS accounts_device ON accounts(device) WHERE device IS NOT NULL;
CREATE TABLE IF NOT EXISTS items(
  account INTEGER NOT NULL REFERENCES accounts(id),
  slot INTEGER NOT NULL CHECK(slot >= 0 AND slot < 23),
  count INTEGER NOT NULL,
  PRIMARY KEY(account, slot));
CREATE TABLE IF NOT EXISTS rounds(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  table_no INTEGER NOT NULL,
  stake INTEGER NOT NULL,
  finished INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS round_seats(
  round INTEGER NOT NULL REFERENCES rounds(id),
  account INTEGER NOT NULL REFERENCES accounts(id),
  delta INTEGER NOT NULL,
  points INTEGER NOT NULL,
  won INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS friends(
  account INTEGER NOT NULL REFERENCES accounts(id),
  friend INTEGER NOT NULL REFERENCES accounts(id),
  state INTEGER NOT NULL,
  PRIMARY KEY(account, friend));
CREATE TABLE IF NOT EXISTS ledger(
  account INTEGER NOT NULL REFERENCES accounts(id),
  amount INTEGER NOT NULL,
  reason TEXT NOT NULL);
)sql";

}  // namespace

Store::~Store() { Close(); }

void Store::Close() {
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

bool Store::Exec(const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    Log(LOG_WARNING, "[WARNING]: Store::Exec | %s", err ? err : "?");
    sqlite3_free(err);
    return false;
  }
  return true;
}

bool Store::AddColumn(const char* table, const char* column, const char* decl) {
  // A database made by an earlier version lacks the column; adding it keeps its data.
  std::string probe = std::string("SELECT ") + column + " FROM " + table + " LIMIT 0";
  {
    sqlite3_stmt* st = nullptr;
    const bool has = sqlite3_prepare_v2(db_, probe.c_str(), -1, &st, nullptr) == SQLITE_OK;
    sqlite3_finalize(st);
    if (has) return true;
  }
  std::string sql = std::string("ALTER TABLE ") + table + " ADD COLUMN " + column + " " + decl;
  return Exec(sql.c_str());
}

bool Store::Open(const std::string& path, int64_t start_chips, std::string* error) {
  Close();
  start_chips_ = start_chips;
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    if (error) *error = db_ ? sqlite3_errmsg(db_) : "cannot open database";
    Close();
    return false;
  }
  sqlite3_busy_timeout(db_, 2000);
  // WAL keeps the file consistent when the process dies at any point; a commit is
  // durable against a process crash with synchronous NORMAL.
  if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;") ||
      !Exec(kSchema) || !AddColumn("accounts", "dark_knocks", "INTEGER NOT NULL DEFAULT 0")) {
    if (error) *error = sqlite3_errmsg(db_);
    Close();
    return false;
  }
  return true;
}

std::optional<Account> Store::LoadWhere(const char* where, const std::string& text, int64_t num,
                                        bool by_number) {
  std::string sql =
      "SELECT id, account_id, nickname, account_type, chips, rubies, level, exp, character, "
      "streak, games, wins, is_bot, dark_knocks FROM accounts WHERE ";
  sql += where;
  Stmt st(db_, sql.c_str());
  if (!st) return std::nullopt;
  if (by_number)
    st.Int(1, num);
  else
    st.Text(1, text);
  if (st.Step() != SQLITE_ROW) return std::nullopt;
  Account a;
  sqlite3_stmt* s = st.get();
  a.id = sqlite3_column_int64(s, 0);
  a.account_id = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
  a.nickname = reinterpret_cast<const char*>(sqlite3_column_text(s, 2));
  a.account_type = sqlite3_column_int(s, 3);
  a.chips = sqlite3_column_int64(s, 4);
  a.rubies = sqlite3_column_int(s, 5);
  a.level = sqlite3_column_int(s, 6);
  a.exp = sqlite3_column_int(s, 7);
  a.character = sqlite3_column_int(s, 8);
  a.streak = sqlite3_column_int(s, 9);
  a.games = sqlite3_column_int(s, 10);
  a.wins = sqlite3_column_int(s, 11);
  a.is_bot = sqlite3_column_int(s, 12) != 0;
  a.dark_knocks = sqlite3_column_int(s, 13);
  Stmt it(db_, "SELECT slot, count FROM items WHERE account = ?");
  if (it) {
    it.Int(1, a.id);
    while (it.Step() == SQLITE_ROW) {
      int slot = sqlite3_column_int(it.get(), 0);
      if (slot >= 0 && slot < kItemSlots) a.items[slot] = sqlite3_column_int(it.get(), 1);
    }
  }
  return a;
}

std::optional<Account> Store::FindByAccountId(const std::string& account_id) {
  if (!db_) return std::nullopt;
  return LoadWhere("account_id = ?", account_id, 0, false);
}

std::optional<Account> Store::FindById(int64_t id) {
  if (!db_) return std::nullopt;
  return LoadWhere("id = ?", std::string(), id, true);
}

std::optional<Account> Store::Create(const std::string& account_id, const std::string& device,
                                     const std::string& nickname, int type, bool bot) {
  if (!Exec("BEGIN IMMEDIATE")) return std::nullopt;
  Stmt st(db_,
          "INSERT INTO accounts(account_id, device, nickname, account_type, chips, is_bot, "
          "created) VALUES(?, ?, ?, ?, ?, ?, strftime('%s','now'))");
  bool ok = static_cast<bool>(st);
  if (ok) {
    st.Text(1, account_id);
    if (device.empty())
      sqlite3_bind_null(st.get(), 2);
    else
      st.Text(2, device);
    st.Text(3, nickname);
    st.Int(4, type);
    st.Int(5, start_chips_);
    st.Int(6, bot ? 1 : 0);
    ok = st.Step() == SQLITE_DONE;
  }
  int64_t id = sqlite3_last_insert_rowid(db_);
  if (ok) {
    Stmt led(db_, "INSERT INTO ledger(account, amount, reason) VALUES(?, ?, 'start')");
    ok = static_cast<bool>(led);
    if (ok) {
      led.Int(1, id);
      led.Int(2, start_chips_);
      ok = led.Step() == SQLITE_DONE;
    }
  }
  if (!ok || !Exec("COMMIT")) {
    Exec("ROLLBACK");
    return std::nullopt;
  }
  auto a = FindById(id);
  if (a) a->is_new = true;
  return a;
}

static std::string Clip(const std::string& s, size_t n) { return s.size() > n ? s.substr(0, n) : s; }

std::optional<Account> Store::LoginDevice(const std::string& device, const std::string& nickname) {
  if (!db_ || device.empty()) return std::nullopt;
  if (auto a = LoadWhere("device = ?", device, 0, false)) return a;
  // Account id: "Q" and a hash of the device text, unique enough and within 30 bytes.
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : device) h = (h ^ c) * 1099511628211ull;
  char id[32];
  std::snprintf(id, sizeof(id), "Q%016llx", static_cast<unsigned long long>(h));
  std::string nick = nickname.empty() ? std::string("Guest") + std::string(id + 12) : nickname;
  return Create(id, device, Clip(nick, 49), 1, false);
}

std::optional<Account> Store::LoginSocial(const std::string& account_id,
                                          const std::string& nickname) {
  if (!db_ || account_id.empty()) return std::nullopt;
  if (auto a = FindByAccountId(account_id)) return a;
  return Create(Clip(account_id, 29), std::string(), Clip(nickname.empty() ? account_id : nickname, 49),
                0, false);
}

std::optional<Account> Store::Bot(int n) {
  if (!db_) return std::nullopt;
  char id[32];
  std::snprintf(id, sizeof(id), "bot_%05d", n);
  if (auto a = FindByAccountId(id)) return a;
  char nick[32];
  std::snprintf(nick, sizeof(nick), "Bot %d", n);
  return Create(id, std::string(), nick, 1, true);
}

bool Store::SetProfile(int64_t id, const std::string& nickname, int character) {
  if (!db_) return false;
  Stmt st(db_, "UPDATE accounts SET nickname = ?, character = ? WHERE id = ?");
  if (!st) return false;
  st.Text(1, Clip(nickname, 49));
  st.Int(2, character);
  st.Int(3, id);
  return st.Step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
}

bool Store::NicknameTaken(const std::string& nickname, int64_t except) {
  if (!db_) return false;
  Stmt st(db_, "SELECT 1 FROM accounts WHERE nickname = ? AND id <> ? LIMIT 1");
  if (!st) return true;  // cannot tell: refuse rather than allow a duplicate
  st.Text(1, nickname);
  st.Int(2, except);
  return st.Step() == SQLITE_ROW;
}

int Store::AddFriends(int64_t id, const std::vector<std::string>& account_ids) {
  if (!db_ || !Exec("BEGIN IMMEDIATE")) return 0;
  int found = 0;
  bool ok = true;
  for (const std::string& other_id : account_ids) {
    auto other = FindByAccountId(other_id);
    if (!other || other->is_bot || other->id == id) continue;
    ++found;
    for (auto [a, b] : {std::pair{id, other->id}, std::pair{other->id, id}}) {
      Stmt st(db_, "INSERT OR REPLACE INTO friends(account, friend, state) VALUES(?, ?, 1)");
      ok = ok && st;
      if (!ok) break;
      st.Int(1, a);
      st.Int(2, b);
      ok = st.Step() == SQLITE_DONE;
    }
  }
  if (ok && Exec("COMMIT")) return found;
  Exec("ROLLBACK");
  return 0;
}

std::vector<Account> Store::Friends(int64_t id, int kind) {
  std::vector<Account> out;
  if (!db_) return out;
  // Kind 0: the friends of `id`; kind 1: requests sent to `id`.
  Stmt st(db_, kind == 0 ? "SELECT friend FROM friends WHERE account = ? AND state = 1 ORDER BY friend"
                         : "SELECT account FROM friends WHERE friend = ? AND state = 0 ORDER BY account");
  if (!st) return out;
  st.Int(1, id);
  return AccountsOf(*this, st);
}

std::vector<Account> Store::TopPlayers(const char* column, int limit) {
  std::vector<Account> out;
  if (!db_) return out;
  const std::string col = column;
  if (col != "chips" && col != "exp" && col != "streak") return out;
  std::string sql = "SELECT id FROM accounts WHERE is_bot = 0 ORDER BY " + col + " DESC, id LIMIT ?";
  Stmt st(db_, sql.c_str());
  if (!st) return out;
  st.Int(1, limit);
  return AccountsOf(*this, st);
}

bool Store::Settle(int64_t table, int64_t stake, const std::vector<SeatSettlement>& seats) {
  if (!db_) return false;
  int64_t sum = 0;
  for (const auto& s : seats) sum += s.delta;
  if (sum != 0) {
    Log(LOG_WARNING, "[WARNING]: Store::Settle | deltas sum to %lld, refused",
        static_cast<long long>(sum));
    return false;
  }
  if (!Exec("BEGIN IMMEDIATE")) return false;
  bool ok = true;
  int64_t round = 0;
  {
    Stmt st(db_, "INSERT INTO rounds(table_no, stake, finished) VALUES(?, ?, strftime('%s','now'))");
    ok = static_cast<bool>(st);
    if (ok) {
      st.Int(1, table);
      st.Int(2, stake);
      ok = st.Step() == SQLITE_DONE;
      round = sqlite3_last_insert_rowid(db_);
    }
  }
  for (const auto& s : seats) {
    if (!ok) break;
    Stmt up(db_,
            "UPDATE accounts SET chips = chips + ?, games = games + 1, wins = wins + ?, "
            "streak = CASE WHEN ? THEN streak + 1 ELSE 0 END, dark_knocks = dark_knocks + ? "
            "WHERE id = ?");
    Stmt rs(db_, "INSERT INTO round_seats(round, account, delta, points, won) VALUES(?,?,?,?,?)");
    ok = up && rs;
    if (!ok) break;
    up.Int(1, s.delta);
    up.Int(2, s.won ? 1 : 0);
    up.Int(3, s.won ? 1 : 0);
    up.Int(4, s.dark_knock ? 1 : 0);
    up.Int(5, s.account);
    ok = up.Step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
    if (!ok) break;
    rs.Int(1, round);
    rs.Int(2, s.account);
    rs.Int(3, s.delta);
    rs.Int(4, s.points);
    rs.Int(5, s.won ? 1 : 0);
    ok = rs.Step() == SQLITE_DONE;
  }
  if (ok && Exec("COMMIT")) return true;
  Exec("ROLLBACK");
  Log(LOG_WARNING, "[WARNING]: Store::Settle | settlement of table %lld rolled back",
      static_cast<long long>(table));
  return false;
}

std::optional<int64_t> Store::Charge(int64_t id, int64_t amount, const char* reason) {
  if (!db_ || amount < 0 || !Exec("BEGIN IMMEDIATE")) return std::nullopt;
  bool ok;
  {
    Stmt up(db_, "UPDATE accounts SET chips = chips - ? WHERE id = ? AND chips >= ?");
    ok = static_cast<bool>(up);
    if (ok) {
      up.Int(1, amount);
      up.Int(2, id);
      up.Int(3, amount);
      ok = up.Step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
    }
  }
  if (ok) {
    Stmt led(db_, "INSERT INTO ledger(account, amount, reason) VALUES(?, ?, ?)");
    ok = static_cast<bool>(led);
    if (ok) {
      led.Int(1, id);
      led.Int(2, -amount);
      led.Text(3, reason);
      ok = led.Step() == SQLITE_DONE;
    }
  }
  if (!ok || !Exec("COMMIT")) {
    Exec("ROLLBACK");
    return std::nullopt;
  }
  auto a = FindById(id);
  if (!a) return std::nullopt;
  return a->chips;
}

bool Store::EnsureItems(int64_t id, int slot, int count) {
  if (!db_ || slot < 0 || slot >= kItemSlots) return false;
  Stmt st(db_,
          "INSERT INTO items(account, slot, count) VALUES(?, ?, ?) "
          "ON CONFLICT(account, slot) DO UPDATE SET count = MAX(count, excluded.count)");
  if (!st) return false;
  st.Int(1, id);
  st.Int(2, slot);
  st.Int(3, count);
  return st.Step() == SQLITE_DONE;
}

std::optional<Account> Store::UseItem(int64_t id, int slot) {
  if (!db_ || slot < 0 || slot >= kItemSlots) return std::nullopt;
  Stmt st(db_, "UPDATE items SET count = count - 1 WHERE account = ? AND slot = ? AND count > 0");
  if (!st) return std::nullopt;
  st.Int(1, id);
  st.Int(2, slot);
  if (st.Step() != SQLITE_DONE || sqlite3_changes(db_) != 1) return std::nullopt;
  return FindById(id);
}

int64_t Store::TotalChips() {
  if (!db_) return 0;
  Stmt st(db_, "SELECT COALESCE(SUM(chips), 0) FROM accounts");
  return st && st.Step() == SQLITE_ROW ? sqlite3_column_int64(st.get(), 0) : 0;
}

int64_t Store::LedgerTotal() {
  if (!db_) return 0;
  Stmt st(db_, "SELECT COALESCE(SUM(amount), 0) FROM ledger");
  return st && st.Step() == SQLITE_ROW ? sqlite3_column_int64(st.get(), 0) : 0;
}

int64_t Store::RoundCount() {
  if (!db_) return 0;
  Stmt st(db_, "SELECT COUNT(*) FROM rounds");
  return st && st.Step() == SQLITE_ROW ? sqlite3_column_int64(st.get(), 0) : 0;
}

bool Store::IntegrityOk() {
  if (!db_) return false;
  Stmt st(db_, "PRAGMA integrity_check");
  if (!st || st.Step() != SQLITE_ROW) return false;
  const unsigned char* t = sqlite3_column_text(st.get(), 0);
  return t && std::strcmp(reinterpret_cast<const char*>(t), "ok") == 0;
}

}  // namespace tsrv
