#include "Connection.h"

#include <cstring>

#include "ServerImpl.h"

namespace tsrv {

namespace {

constexpr size_t kMaxPendingOut = 4u << 20;  // a peer that reads nothing is dropped
constexpr size_t kReadChunk = 16384;

}  // namespace

void SendAccountBlock(const ConnPtr& c, uint16_t id, const Account& a) {
  Packet r(id);
  if (id == kMsgRegist) r.WriteInt32(1);
  uint8_t block[GameVXPlayer::kProfileSize];
  FillUserInfo(a, block);
  r.WriteBytes(block, sizeof(block));
  c->Send(r);
}

void Connection::Begin() { ReadMore(); }

void Connection::ReadMore() {
  if (!open_) return;
  if (rbuf_.size() - rlen_ < kReadChunk) {
    Close("receive buffer full");
    return;
  }
  auto self = shared_from_this();
  sock_.async_read_some(asio::buffer(rbuf_.data() + rlen_, kReadChunk),
                        [self](const asio::error_code& ec, size_t n) {
                          if (ec) {
                            self->Close(nullptr);
                            return;
                          }
                          self->rlen_ += n;
                          self->last_rx_ = Clock::now();
                          self->Consume();
                          self->ReadMore();
                        });
}

void Connection::Consume() {
  size_t off = 0;
  auto self = shared_from_this();
  while (open_) {
    uint16_t length = 0;
    Frame f = CheckFrame(rbuf_.data() + off, rlen_ - off, &length);
    if (f == Frame::kIncomplete) break;
    if (f == Frame::kBad) {
      srv_->Count(&ServerStats::closed_bad);
      Close("malformed packet header");
      return;
    }
    auto p = std::make_unique<Packet>();
    if (!ParseFrame(rbuf_.data() + off, length, p.get())) {
      srv_->Count(&ServerStats::closed_bad);
      Close("packet rejected");
      return;
    }
    off += length;
    if (p->enciphered == 1) p->Decipher(kSessionKey, std::strlen(kSessionKey));
    srv_->Dispatch(self, *p);
  }
  if (off > 0 && open_) {
    std::memmove(rbuf_.data(), rbuf_.data() + off, rlen_ - off);
    rlen_ -= off;
  }
}

void Connection::Send(Packet& p) {
  if (!open_) return;
  p.mark = 0;
  if (srv_->cfg.encipher) p.Encipher(kSessionKey, std::strlen(kSessionKey));
  std::vector<uint8_t> bytes(p.length);
  if (p.SerializeTo(bytes.data(), bytes.size()) == 0) return;
  out_bytes_ += bytes.size();
  outq_.push_back(std::move(bytes));
  if (out_bytes_ > kMaxPendingOut) {
    Close("peer does not read");
    return;
  }
  if (!writing_) WriteNext();
}

void Connection::WriteNext() {
  if (outq_.empty() || !open_) {
    writing_ = false;
    return;
  }
  writing_ = true;
  auto self = shared_from_this();
  asio::async_write(sock_, asio::buffer(outq_.front()),
                    [self](const asio::error_code& ec, size_t n) {
                      if (ec) {
                        self->Close(nullptr);
                        return;
                      }
                      self->out_bytes_ -= n;
                      self->outq_.pop_front();
                      self->WriteNext();
                    });
}

void Connection::After(int ms, std::function<void(const ConnPtr&)> fn) {
  if (!open_) return;
  std::weak_ptr<Connection> w = shared_from_this();
  timer_.expires_after(std::chrono::milliseconds(ms));
  timer_.async_wait([w, fn = std::move(fn)](const asio::error_code& ec) {
    if (ec) return;
    if (auto c = w.lock())
      if (c->open_) fn(c);
  });
}

void Connection::Close(const char* why) {
  if (!open_) return;
  open_ = false;
  timer_.cancel();
  if (why) srv_->Warn(why);
  asio::error_code ec;
  sock_.shutdown(tcp::socket::shutdown_both, ec);
  sock_.close(ec);
  srv_->OnClosed(this);
}

}  // namespace tsrv
