// The server's frame: the listening ports of the roles, accepting and sweeping
// connections, the bot-only tables started at launch, and the public interface.
#include "Server.h"

#include <algorithm>

#include "ServerImpl.h"
#include "Table.h"
#include "framework/Paths.h"

namespace tsrv {

void Server::Impl::Accept(int role) {
  acc[role]->async_accept([this, role](const asio::error_code& ec, tcp::socket s) {
    if (ec == asio::error::operation_aborted) return;
    if (!ec) {
      asio::error_code ig;
      s.set_option(tcp::no_delay(true), ig);
      asio::error_code pe;
      const auto remote = s.remote_endpoint(pe);
      auto c = std::make_shared<Connection>(this, std::move(s), static_cast<Role>(role));
      if (!pe) c->peer = remote.address().to_string();
      conns.insert(c);
      Count(&ServerStats::connections);
      c->Begin();
    }
    Accept(role);
  });
}

void Server::Impl::SweepIdle() {
  sweep.expires_after(std::chrono::seconds(1));
  sweep.async_wait([this](const asio::error_code& ec) {
    if (ec) return;
    std::vector<ConnPtr> idle;
    for (const auto& c : conns)
      if (Elapsed(c->last_rx_) > cfg.idle_seconds * 1000) idle.push_back(c);
    for (const auto& c : idle) c->Close("idle connection closed");
    // Held seats whose grace period ran out are given up.
    std::vector<std::shared_ptr<Table>> all;
    for (const auto& [no, t] : tables) all.push_back(t);
    for (const auto& t : all) t->ExpireHeld();
    SweepIdle();
  });
}

void Server::Impl::OnClosed(Connection* raw) {
  ConnPtr c;
  for (const auto& x : conns)
    if (x.get() == raw) c = x;
  if (!c) return;
  DropTable(c);
  // A player whose game-server connection ends may log in on the master again.
  if (c->logged_in && c->role() != Role::kMaster) LeavePass(c, Role::kMaster);
  int r = static_cast<int>(c->role());
  auto it = online[r].find(c->account);
  if (it != online[r].end() && it->second.lock() == c) online[r].erase(it);
  // Let the pending handlers finish before the object goes.
  asio::post(io, [this, c] { conns.erase(c); });
}
// ---------------------------------------------------------------------------------------

Server::Server(ServerConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}

Server::~Server() {
  if (impl_->web) impl_->web->Stop();
  Stop();
  for (auto& [no, t] : impl_->tables) t->Shutdown();
}

bool Server::Start(std::string* error) {
  Impl& m = *impl_;
  if (!m.store.Open(m.cfg.db_path, m.cfg.start_chips, error)) return false;
  int want[3] = {m.cfg.master_port, m.cfg.game_port, m.cfg.tour_port};
  try {
    auto addr = asio::ip::make_address(m.cfg.bind);
    for (int r = 0; r < 3; ++r) {
      if (want[r] < 0) continue;
      m.acc[r] = std::make_unique<tcp::acceptor>(m.io);
      tcp::endpoint ep(addr, static_cast<unsigned short>(want[r]));
      m.acc[r]->open(ep.protocol());
      m.acc[r]->set_option(tcp::acceptor::reuse_address(true));
      m.acc[r]->bind(ep);
      m.acc[r]->listen();
      m.ports[r] = m.acc[r]->local_endpoint().port();
      m.Accept(r);
    }
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
  if (m.cfg.http_port >= 0) {
    m.web = std::make_unique<WebServer>();
    const std::string kit = m.cfg.kit_dir.empty() ? ExecutableDir() : m.cfg.kit_dir;
    if (!m.web->Start(m.cfg.bind, m.cfg.http_port, kit, m.host(), m.cfg.social, error)) {
      m.web.reset();
      return false;
    }
  }
  m.SweepIdle();
  // Bot-only tables.
  {
    std::lock_guard<std::mutex> lk(m.stats_mu);
    m.stats.bot_table_rounds.assign(static_cast<size_t>(std::max(0, m.cfg.bot_tables)), 0);
  }
  for (int i = 0; i < m.cfg.bot_tables; ++i) {
    auto t = m.NewTable(m.cfg.bot_table_stake, 0, true);
    t->bot_index = static_cast<size_t>(i);
    for (int s = 0; s < kMaxSeats; ++s) {
      auto b = m.store.Bot(m.NextBot());
      if (b) t->SeatBot(s, *b);
    }
    asio::post(m.io, [t] { t->StartRound(); });
  }
  return true;
}

void Server::Run() {
  auto guard = asio::make_work_guard(impl_->io);
  impl_->io.run();
}

void Server::Stop() { impl_->io.stop(); }

void Server::DropConnections(std::function<void(int)> done) {
  Impl* m = impl_.get();
  asio::post(m->io, [m, done] {
    int n = m->DropAll();
    if (done) done(n);
  });
}

int Server::master_port() const { return impl_->ports[0]; }
int Server::game_port() const { return impl_->ports[1]; }
int Server::tour_port() const { return impl_->ports[2]; }
int Server::http_port() const { return impl_->web ? impl_->web->port() : -1; }

ServerStats Server::Stats() const {
  std::lock_guard<std::mutex> lk(impl_->stats_mu);
  return impl_->stats;
}

bool Server::WaitForRounds(uint64_t rounds, int timeout_ms) const {
  std::unique_lock<std::mutex> lk(impl_->stats_mu);
  return impl_->stats_cv.wait_for(lk, std::chrono::milliseconds(timeout_ms),
                                  [&] { return impl_->stats.rounds >= rounds; });
}

}  // namespace tsrv
