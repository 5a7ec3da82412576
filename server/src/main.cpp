// tolvan-server: the local master and game servers with bots.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <asio.hpp>

#include "Server.h"
#include "framework/Log.h"
#include "framework/Paths.h"

namespace {

const char kUsage[] =
    "Usage: tolvan-server [options]\n"
    "Runs the master server, the game servers and the web side on loopback, with bots.\n"
    "Ports given as 0 take any free port; the chosen ports are printed on one line:\n"
    "  tolvan-server: master HOST:PORT, game HOST:PORT, web HOST:PORT (or: web off)\n"
    "\n"
    "  --bind ADDRESS        address to listen on (default 127.0.0.1)\n"
    "  --master-port N       master server port (default 10088)\n"
    "  --game-port N         game server port, normal and point games (default 10089)\n"
    "  --tour-port N         second game server (kind 2); off unless given\n"
    "  --http-port N         web side: banner document, pages, pictures (default 10080)\n"
    "  --no-http             run without the web side (the game keeps its cached banners)\n"
    "  --kit-dir DIR         folder holding web_content/ (default: the program's folder)\n"
    "  --db FILE             SQLite database file (default ~/.local/share/tolvan/server.db)\n"
    "  --bot-think-ms N      pause before each bot turn in ms (default 800)\n"
    "  --turn-seconds N      turn time limit in seconds (default 40)\n"
    "  --result-ms N         result shown before the ranking in ms (default 4000)\n"
    "  --ranking-ms N        ranking shown before the next round in ms (default 3000)\n"
    "  --auto-start-ms N     a waiting table starts by itself after N ms (default 15000, 0 off)\n"
    "  --bots-per-table N    bots seated with a player, 1 to 3 (default 3)\n"
    "  --bot-seat-ms N       seat the bots one by one, N ms apart, after the player\n"
    "                        (default 0: all at once)\n"
    "  --seat-grace-ms N     how long a dropped player's seat is held (default 60000)\n"
    "  --item-price N        chips a table item costs per target (default 100)\n"
    "  --card-change-items N every player entering a table holds at least N\n"
    "                        card-change items (default 0)\n"
    "  --bot-tables N        tables of bots only, started at launch (default 0)\n"
    "  --start-chips N       balance of a new account (default 100000)\n"
    "  --plain               send payloads unenciphered\n"
    "  --seed N              shuffle seed (default random)\n"
    "  --deal LIST           deal from this pack order: card codes 0 to 51 separated by\n"
    "                        commas, dealt one card a seat in seat order, then the open\n"
    "                        pile card, then the stock in drawing order; missing cards\n"
    "                        follow in ascending order. Repeat for later rounds (the\n"
    "                        last one repeats)\n"
    "  --mission-card N      the mission card of every round (not 0 or 49; default: the\n"
    "                        deal's last card that may be one, or random)\n"
    "  --stock-cards N       at most N cards in the stock; the rest of the pack is set\n"
    "                        aside unseen (default: all)\n"
    "  --log-level N         0 quiet, 1 errors, 2 warnings, 3 trace (default 2)\n"
    "\n"
    "Login (to try every branch of a client):\n"
    "  --hello-version A.B.C the version the hello reply names (default 3.3.0)\n"
    "  --patch-url URL       where the hello reply says an update is (under 255 bytes;\n"
    "                        default none)\n"
    "  --force-login-result N  answer every login on the master with result N (not 0):\n"
    "                        4 account in use, 7 maintenance, 8 greet again, others errors\n"
    "\n"
    "Social network stand-ins on the web side (authorisation page, logout, Graph):\n"
    "  --app-id ID           the application id the authorisation page takes\n"
    "                        (default 1000000000000001)\n"
    "  --login-page URL      the only address it redirects to (default\n"
    "                        http://HOST:WEBPORT/web_content/facebook_login.htm)\n"
    "  --social-id DIGITS    the test identity's id (default 100000000000001)\n"
    "  --social-name TEXT    its display name (UTF-8; default \"สมชาย ใจดี\")\n"
    "  --social-friend DIGITS=NAME  a friend of the test identity (repeatable; default\n"
    "                        two friends, 100000000000002 and 100000000000003)\n"
    "\n"
    "Server notices (shown by the game as a banner, or as a message box):\n"
    "  --notice-text TEXT    the notice's text (UTF-8; under 765 bytes, 255 for a box)\n"
    "  --notice-style N      0 banner (default), 1 message box\n"
    "  --notice-after-ms N   send the notice to each player N ms after the player logs\n"
    "                        in on a game server\n"
    "  --notice-file FILE    on SIGUSR1, send the text of FILE (read then; one trailing\n"
    "                        newline dropped) to every game client connected (once\n"
    "                        per player); without it SIGUSR1 sends --notice-text.\n"
    "                        Prints \"tolvan-server: notice sent to N clients\" once sent\n"
    "\n"
    "Signals: SIGUSR1 sends the notice; SIGUSR2 drops every client connection as a\n"
    "network failure would (the tables play on and hold the seats) and prints\n"
    "\"tolvan-server: dropped N connections\"; SIGINT and SIGTERM stop the server.\n"
    "With --log-level 3 every deal, accepted move, refused move (\"move refused\")\n"
    "and settled round is traced (see RULES.md).\n"
    "  --help                this text\n";

bool ParseInt(const char* s, long long lo, long long hi, long long* out) {
  if (!s || !*s) return false;
  char* end = nullptr;
  long long v = std::strtoll(s, &end, 10);
  if (*end != 0 || v < lo || v > hi) return false;
  *out = v;
  return true;
}

// The notice of SIGUSR1: the file's text when a file is named, else the option's text.
void SendNoticeNow(tsrv::Server& server, const std::string& file, const std::string& option_text,
                   int style) {
  std::string text = option_text;
  if (!file.empty()) {
    if (!ReadWholeFile(file, &text)) {
      std::fprintf(stderr, "tolvan-server: notice not sent: cannot read %s\n", file.c_str());
      return;
    }
    if (!text.empty() && text.back() == '\n') text.pop_back();
  }
  std::string why = tsrv::NoticeProblem(style, text);
  if (!why.empty()) {
    std::fprintf(stderr, "tolvan-server: notice not sent: %s\n", why.c_str());
    return;
  }
  server.SendNotice(style, text, [](int sent) {
    std::fprintf(stderr, "tolvan-server: notice sent to %d clients\n", sent);
  });
}

}  // namespace

int main(int argc, char** argv) {
  tsrv::ServerConfig cfg;
  cfg.log_level = 2;
  cfg.db_path.clear();
  std::string notice_file;
  bool own_friends = false;  // the first --social-friend replaces the default friends
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    long long v = 0;
    auto num = [&](long long lo, long long hi) {
      const char* s = value();
      if (!ParseInt(s, lo, hi, &v)) {
        std::fprintf(stderr, "tolvan-server: bad value for %s\n", a.c_str());
        std::exit(2);
      }
      return v;
    };
    // The text after the option; `what` names it in the error.
    auto text = [&](const char* what) -> std::string {
      const char* s = value();
      if (!s) {
        std::fprintf(stderr, "tolvan-server: %s needs %s\n", a.c_str(), what);
        std::exit(2);
      }
      return s;
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--bind") {
      cfg.bind = text("an address");
    } else if (a == "--master-port") {
      cfg.master_port = static_cast<int>(num(0, 65535));
    } else if (a == "--game-port") {
      cfg.game_port = static_cast<int>(num(0, 65535));
    } else if (a == "--tour-port") {
      cfg.tour_port = static_cast<int>(num(0, 65535));
    } else if (a == "--http-port") {
      cfg.http_port = static_cast<int>(num(0, 65535));
    } else if (a == "--no-http") {
      cfg.http_port = -1;
    } else if (a == "--kit-dir") {
      cfg.kit_dir = text("a folder");
    } else if (a == "--db") {
      cfg.db_path = text("a file");
    } else if (a == "--bot-think-ms") {
      cfg.bot_think_ms = static_cast<int>(num(0, 600000));
    } else if (a == "--turn-seconds") {
      cfg.turn_seconds = static_cast<int>(num(1, 3600));
    } else if (a == "--result-ms") {
      cfg.result_ms = static_cast<int>(num(0, 600000));
    } else if (a == "--ranking-ms") {
      cfg.ranking_ms = static_cast<int>(num(0, 600000));
    } else if (a == "--auto-start-ms") {
      cfg.auto_start_ms = static_cast<int>(num(0, 3600000));
    } else if (a == "--bots-per-table") {
      cfg.bots_per_table = static_cast<int>(num(1, 3));
    } else if (a == "--bot-seat-ms") {
      cfg.bot_seat_ms = static_cast<int>(num(0, 600000));
    } else if (a == "--seat-grace-ms") {
      cfg.seat_grace_ms = static_cast<int>(num(0, 3600000));
    } else if (a == "--item-price") {
      cfg.item_price = num(0, 1000000000LL);
    } else if (a == "--card-change-items") {
      cfg.card_change_items = static_cast<int>(num(0, 1000000));
    } else if (a == "--mission-card") {
      cfg.mission_card = static_cast<int>(num(1, 51));
      if (cfg.mission_card == 49) {
        std::fprintf(stderr, "tolvan-server: the mission card is never 0 or 49\n");
        return 2;
      }
    } else if (a == "--stock-cards") {
      cfg.stock_cards = static_cast<int>(num(0, 52));
    } else if (a == "--deal") {
      const std::string list = text("card codes");
      std::vector<int> pack;
      bool seen[52] = {};
      size_t at = 0;
      bool ok = !list.empty();
      while (ok && at <= list.size()) {
        size_t comma = list.find(',', at);
        if (comma == std::string::npos) comma = list.size();
        long long code = -1;
        ok = ParseInt(list.substr(at, comma - at).c_str(), 0, 51, &code) && !seen[code];
        if (ok) {
          seen[code] = true;
          pack.push_back(static_cast<int>(code));
        }
        at = comma + 1;
      }
      if (!ok) {
        std::fprintf(stderr, "tolvan-server: bad value for %s (distinct card codes 0 to 51, comma separated)\n",
                     a.c_str());
        return 2;
      }
      cfg.deals.push_back(pack);
    } else if (a == "--bot-tables") {
      cfg.bot_tables = static_cast<int>(num(0, 100000));
    } else if (a == "--start-chips") {
      cfg.start_chips = num(0, 1000000000000LL);
    } else if (a == "--plain") {
      cfg.encipher = false;
    } else if (a == "--seed") {
      cfg.seed = static_cast<uint64_t>(num(0, INT64_MAX));
    } else if (a == "--log-level") {
      cfg.log_level = static_cast<int>(num(0, 3));
    } else if (a == "--notice-text") {
      cfg.notice_text = text("a text");
    } else if (a == "--notice-style") {
      cfg.notice_style = static_cast<int>(num(0, 1));
    } else if (a == "--notice-after-ms") {
      cfg.notice_after_ms = static_cast<int>(num(0, 3600000));
    } else if (a == "--notice-file") {
      notice_file = text("a file");
    } else if (a == "--hello-version") {
      const std::string v = text("a version A.B.C");
      int major = 0, minor = 0, patch = 0, used = 0;
      if (std::sscanf(v.c_str(), "%d.%d.%d%n", &major, &minor, &patch, &used) != 3 ||
          used != static_cast<int>(v.size()) || major < 0 || minor < 0 || patch < 0) {
        std::fprintf(stderr, "tolvan-server: bad value for %s (A.B.C)\n", a.c_str());
        return 2;
      }
      cfg.hello_version[0] = major;
      cfg.hello_version[1] = minor;
      cfg.hello_version[2] = patch;
    } else if (a == "--patch-url") {
      cfg.patch_url = text("an address");
      if (cfg.patch_url.size() >= 255) {
        std::fprintf(stderr, "tolvan-server: %s takes under 255 bytes\n", a.c_str());
        return 2;
      }
    } else if (a == "--force-login-result") {
      cfg.force_login_result = static_cast<int>(num(INT32_MIN, INT32_MAX));
    } else if (a == "--app-id") {
      cfg.social.app_id = text("an id");
    } else if (a == "--login-page") {
      cfg.social.login_page = text("an address");
    } else if (a == "--social-id") {
      cfg.social.user_id = text("digits");
    } else if (a == "--social-name") {
      cfg.social.user_name = text("a name");
    } else if (a == "--social-friend") {
      const std::string f = text("DIGITS=NAME");
      const size_t eq = f.find('=');
      if (eq == std::string::npos || !tsrv::IsSocialId(f.substr(0, eq)) || eq + 1 == f.size()) {
        std::fprintf(stderr, "tolvan-server: bad value for %s (DIGITS=NAME)\n", a.c_str());
        return 2;
      }
      if (!own_friends) cfg.social.friends.clear();
      own_friends = true;
      cfg.social.friends.push_back({f.substr(0, eq), f.substr(eq + 1)});
    } else {
      std::fprintf(stderr, "tolvan-server: unknown option %s (see --help)\n", a.c_str());
      return 2;
    }
  }
  if (!tsrv::IsSocialId(cfg.social.user_id) || cfg.social.app_id.empty() || cfg.social.user_name.empty()) {
    std::fprintf(stderr, "tolvan-server: the social id is 1 to 29 digits; the app id and name are not empty\n");
    return 2;
  }
  if (!cfg.notice_text.empty() || cfg.notice_after_ms >= 0) {
    std::string why = tsrv::NoticeProblem(cfg.notice_style, cfg.notice_text);
    if (!why.empty()) return std::fprintf(stderr, "tolvan-server: %s\n", why.c_str()), 2;
  }
  LogConfig lc;
  lc.sinks = cfg.log_level > 0 ? static_cast<uint32_t>(LOG_SINK_CONSOLE) : 0u;
  lc.level_mask = cfg.log_level >= 3 ? 7u : (cfg.log_level == 2 ? 3u : 1u);
  lc.tag = "SERVER_LOG";
  LogConfigure(lc);

  if (cfg.db_path.empty()) {
    // Beside the client's own files, never in the working directory.
    std::string dir = DataDir();
    EnsureDir(dir);
    cfg.db_path = dir + "/server.db";
  }
  tsrv::Server server(cfg);
  std::string err;
  if (!server.Start(&err)) {
    std::fprintf(stderr, "tolvan-server: %s\n", err.c_str());
    return 1;
  }
  // Stop cleanly on SIGINT and SIGTERM; nothing is lost either way, since each settlement
  // is committed on its own. SIGUSR1 sends the notice.
  asio::io_context sig_io;
  asio::signal_set signals(sig_io, SIGINT, SIGTERM, SIGUSR1);
  signals.add(SIGUSR2);
  std::function<void(const asio::error_code&, int)> on_signal = [&](const asio::error_code& ec, int sig) {
    if (ec) return;
    if (sig == SIGUSR2) {
      server.DropConnections([](int n) { std::fprintf(stderr, "tolvan-server: dropped %d connections\n", n); });
    } else if (sig != SIGUSR1) {
      server.Stop();
      return;
    } else {
      SendNoticeNow(server, notice_file, cfg.notice_text, cfg.notice_style);
    }
    signals.async_wait(on_signal);
  };
  signals.async_wait(on_signal);
  std::thread sig_thread([&] { sig_io.run(); });
  // Tests wait on this line: the signals are handled from here on.
  std::string web = "web off";
  if (server.http_port() > 0) web = "web " + cfg.bind + ":" + std::to_string(server.http_port());
  std::fprintf(stderr, "tolvan-server: master %s:%d, game %s:%d, %s%s\n", cfg.bind.c_str(),
               server.master_port(), cfg.bind.c_str(), server.game_port(), web.c_str(),
               server.tour_port() > 0 ? ", tournament server on" : "");
  server.Run();
  sig_io.stop();
  sig_thread.join();
  return 0;
}
