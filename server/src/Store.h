#pragma once
// Accounts, chips, items and round settlements in one SQLite database file.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tsrv {

constexpr int kItemSlots = 23;
// The inventory slot of the card-change items (account block byte 228).
constexpr int kCardChangeSlot = 1;

struct Account {
  int64_t id = 0;              // also the user number sent to the client
  std::string account_id;      // the 30-byte account id text
  std::string nickname;
  int account_type = 1;        // 1 quick start, 0 social
  int64_t chips = 0;
  int rubies = 0;
  int level = 0;
  int exp = 0;
  int character = 0;
  int streak = 0;
  int games = 0;
  int wins = 0;
  int dark_knocks = 0;         // rounds won with a dark or dark colour knock
  bool is_bot = false;
  bool is_new = false;         // created by this login
  std::array<int, kItemSlots> items{};
};

struct SeatSettlement {
  int64_t account = 0;
  int64_t delta = 0;
  int points = 0;
  bool won = false;
  bool dark_knock = false;  // won with a dark or dark colour knock
};

class Store {
 public:
  Store() = default;
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Opens (creating when missing) and prepares the schema. False with a message on error.
  bool Open(const std::string& path, int64_t start_chips, std::string* error);
  void Close();

  // The quick-start account of a device, created on first login with the starting balance.
  std::optional<Account> LoginDevice(const std::string& device, const std::string& nickname);
  // A social account by its id, created on first login.
  std::optional<Account> LoginSocial(const std::string& account_id, const std::string& nickname);
  std::optional<Account> FindByAccountId(const std::string& account_id);
  std::optional<Account> FindById(int64_t id);
  // Bot account number n (created with the starting balance on first use).
  std::optional<Account> Bot(int n);
  bool SetProfile(int64_t id, const std::string& nickname, int character);
  // True when an account other than `except` has this nickname.
  bool NicknameTaken(const std::string& nickname, int64_t except);

  // Friends: two accounts that are friends both ways (state 1), or a request from one
  // to the other (state 0) waiting for an answer.
  // Makes `id` and every account whose id is in `account_ids` friends; returns how many
  // accounts were found (bots and `id` itself are skipped).
  int AddFriends(int64_t id, const std::vector<std::string>& account_ids);
  // The friends of `id` (kind 0) or the accounts asking `id` to be friends (kind 1).
  std::vector<Account> Friends(int64_t id, int kind);
  // The players (bots excluded) with the highest value of `column` ("chips", "exp" or
  // "streak"), at most `limit`, highest first.
  std::vector<Account> TopPlayers(const char* column, int limit);

  // One round's settlement in a single transaction: balances, win counters and streaks,
  // and the round record. Refused (nothing written) when the deltas do not sum to zero.
  bool Settle(int64_t table, int64_t stake, const std::vector<SeatSettlement>& seats);

  // Takes `amount` chips (a purchase at the table) from the account, with a ledger entry
  // so that the chips still add up: the new balance, or nothing (unchanged) when the
  // account has fewer chips.
  std::optional<int64_t> Charge(int64_t id, int64_t amount, const char* reason);
  // Raises the account's count of item `slot` to at least `count`.
  bool EnsureItems(int64_t id, int slot, int count);
  // Uses one item of `slot`: the account after, or nothing when it has none.
  std::optional<Account> UseItem(int64_t id, int slot);

  int64_t TotalChips();
  // Chips ever put into the system (starting balances); equals TotalChips() while every
  // settlement is zero-sum.
  int64_t LedgerTotal();
  int64_t RoundCount();
  bool IntegrityOk();

 private:
  std::optional<Account> LoadWhere(const char* where, const std::string& text, int64_t num,
                                   bool by_number);
  std::optional<Account> Create(const std::string& account_id, const std::string& device,
                                const std::string& nickname, int type, bool bot);
  bool Exec(const char* sql);
  bool AddColumn(const char* table, const char* column, const char* decl);

  sqlite3* db_ = nullptr;
  int64_t start_chips_ = 0;
};

}  // namespace tsrv
