#pragma once
// The local server: a master role (entry, logins, game-server addresses) and one or two
// game roles (rooms, tables, rounds with bots) on loopback TCP ports, all driven by one
// Asio event loop; state in SQLite. Beside them a web side on its own port and threads
// (banner document, local pages, player pictures).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tsrv {

// The social network's stand-ins on the web side: the authorisation page, the logout page
// and the Graph calls the game makes, for one fixed test identity.
struct SocialConfig {
  std::string app_id = "1000000000000001";
  std::string login_page;  // the only redirect address; empty: the web side's own login page
  std::string user_id = "100000000000001";
  std::string user_name = "สมชาย ใจดี";
  struct Friend {
    std::string id, name;
  };
  std::vector<Friend> friends = {{"100000000000002", "สมศรี มีสุข"}, {"100000000000003", "มานี รักเรียน"}};
};
// A social id: 1 to 29 digits.
bool IsSocialId(const std::string& id);

struct ServerConfig {
  std::string bind = "127.0.0.1";
  int master_port = 10088;   // 0: any free port
  int game_port = 10089;     // kind 1 (normal and point games); 0: any free port
  int tour_port = -1;        // kind 2; -1: not served, 0: any free port
  int http_port = 10080;     // the web side; -1: not served, 0: any free port
  std::string kit_dir;       // folder holding web_content/ (default: the program's folder)
  std::string db_path = "tolvan-server.db";
  int bot_think_ms = 800;    // pause before each bot turn
  int turn_seconds = 40;     // a player's turn limit; the server plays the turn after it
  int result_ms = 4000;      // result shown before the ranking
  int ranking_ms = 3000;     // ranking shown before the table waits again
  int auto_start_ms = 15000; // a waiting table with a host starts by itself after this
  int bots_per_table = 3;    // bots seated with a player (1 to 3)
  int bot_seat_ms = 0;       // > 0: the bots come one by one, this long apart, after the player
  // Fixed deals: round k of a table is dealt from deals[k] (the last one repeats); each is
  // a pack order, completed with the missing cards in ascending order. Empty: shuffled.
  std::vector<std::vector<int>> deals;
  int mission_card = -1;     // the mission card of every round (-1: chosen with the deal)
  int stock_cards = -1;      // at most this many cards in the stock (-1: all that are left)
  int64_t item_price = 100;  // chips a table item costs per target
  int card_change_items = 0; // card-change items every player holds at least, on entering
  int seat_grace_ms = 60000; // how long a dropped player's seat is held
  int bot_tables = 0;        // tables of bots only, started at launch
  int64_t bot_table_stake = 100;
  int64_t start_chips = 100000;
  bool encipher = true;      // server payloads enciphered with the session key
  uint64_t seed = 0;         // 0: random
  int idle_seconds = 180;    // connections silent this long are closed
  int log_level = 3;         // 0 quiet, 1 errors, 2 warnings, 3 trace
  // A notice sent to each player this long after the player logs in on a game server
  // (-1: none); its text and style as for SendNotice.
  int notice_after_ms = -1;
  std::string notice_text;
  int notice_style = 0;
  // The hello reply: the server's version triple and where a client fetches an update
  // (under 255 bytes; empty: no address).
  int hello_version[3] = {3, 3, 0};
  std::string patch_url;
  // Every login on the master is answered with this result when not 0 (nothing else is
  // checked), so a client's handling of each failure can be tried.
  int force_login_result = 0;
  SocialConfig social;
  // How long the pass of a server change stays valid (ms).
  int pass_ms = 30000;
};

// Server notice styles: a banner over the game, or a message box the player closes.
enum NoticeStyle { kNoticeBanner = 0, kNoticeBox = 1 };
// Why `text` cannot go out as a notice of `style` (empty when it can): the client drops a
// banner text of 765 bytes or more and a box text of 255 or more.
std::string NoticeProblem(int style, const std::string& text);

struct ServerStats {
  uint64_t rounds = 0;          // rounds settled
  uint64_t turns = 0;           // turns started
  uint64_t moves = 0;           // moves accepted
  uint64_t refused = 0;         // moves refused
  uint64_t connections = 0;     // connections accepted
  uint64_t closed_bad = 0;      // connections closed for malformed input
  uint64_t settle_failures = 0;
  std::vector<uint64_t> bot_table_rounds;  // per bot-only table
};

class Server {
 public:
  explicit Server(ServerConfig config);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Opens the database and binds the ports. False with a message on failure.
  bool Start(std::string* error);
  // Runs the event loop on the calling thread until Stop().
  void Run();
  // Thread-safe. Stops the game roles; the web side stops when the server is destroyed.
  void Stop();

  int master_port() const;
  int game_port() const;
  int tour_port() const;
  int http_port() const;  // -1 when the web side is off

  // Sends a server notice to every game client: each player logged in once (on the game
  // server when the player is on one, else on the master), and each connection that said
  // hello and has not logged in (a client at its login screen). Thread-safe; the send
  // happens on the event loop, which then calls `done` with the number of clients reached.
  // False (nothing sent) when NoticeProblem refuses the text.
  bool SendNotice(int style, const std::string& text, std::function<void(int)> done = {});

  // Closes every client connection at once, as a network failure would: the tables play
  // on and hold the players' seats. Thread-safe; `done` gets the number closed.
  void DropConnections(std::function<void(int)> done = {});

  ServerStats Stats() const;
  // Waits (no polling) until at least `rounds` rounds were settled or `timeout_ms` passed.
  bool WaitForRounds(uint64_t rounds, int timeout_ms) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tsrv
