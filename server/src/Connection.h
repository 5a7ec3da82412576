#pragma once
// One client connection on any role: reads the stream into packets for the dispatcher,
// and queues what the server sends. Everything here runs on the server's event loop.
#include <asio.hpp>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <memory>
#include <vector>

#include "Server.h"
#include "Store.h"
#include "Wire.h"
#include "framework/Log.h"
#include "net/Packet.h"

namespace tsrv {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

enum class Role { kMaster = 0, kGame = 1, kTour = 2 };

inline int Elapsed(Clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

class Table;

// A connection. The handlers fill `account`, `logged_in`, `greeted`, `table` and
// `seat`.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(Server::Impl* srv, tcp::socket s, Role role)
      : last_rx_(Clock::now()), srv_(srv), sock_(std::move(s)), role_(role),
        timer_(sock_.get_executor()) {
    rbuf_.resize(kPacketMaxWire * 2);
  }
  void Begin();
  void Send(Packet& p);
  void Close(const char* why);
  // Runs `fn` after `ms` on the event loop unless the connection is closed first. One
  // timer per connection: a new call replaces the one pending.
  void After(int ms, std::function<void(const std::shared_ptr<Connection>&)> fn);
  bool open() const { return open_; }
  Role role() const { return role_; }

  int64_t account = 0;
  bool logged_in = false;
  bool greeted = false;  // a game client said hello (until it leaves the server)
  std::shared_ptr<Table> table;
  int seat = -1;
  std::string peer;  // the peer's address, as text

  Clock::time_point last_rx_;

 private:
  void ReadMore();
  void Consume();
  void WriteNext();

  Server::Impl* srv_;
  tcp::socket sock_;
  Role role_;
  std::vector<uint8_t> rbuf_;
  size_t rlen_ = 0;
  std::deque<std::vector<uint8_t>> outq_;
  size_t out_bytes_ = 0;
  bool writing_ = false;
  bool open_ = true;
  asio::steady_timer timer_;
};


using ConnPtr = std::shared_ptr<Connection>;

// Builds message record `m` into a packet and sends it. A record that does not fit a
// packet is not sent (logged): a cut message would be misread.
template <class M>
void SendRecord(const ConnPtr& c, const M& m) {
  Packet p;
  if (!Build_Packet(m, p)) {
    Log(LOG_WARNING, "[WARNING]: tolvan-server | message %u could not be built", M::kId);
    return;
  }
  c->Send(p);
}

// A message made of the account block alone (152), or after an ok word (177).
void SendAccountBlock(const ConnPtr& c, uint16_t id, const Account& a);

}  // namespace tsrv
