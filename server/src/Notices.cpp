// Server notices (166): a text the client shows as a banner (style 0) or in a message box
// (any other style). Sent on demand to every game client (once per player), or to each
// player a while after the player logs in on a game server.
#include <set>

#include "ServerImpl.h"

namespace tsrv {

namespace {

constexpr size_t kBannerTextLimit = 765;  // the client drops a banner text this long or longer
constexpr size_t kBoxTextLimit = 255;     // and a box text this long or longer

}  // namespace

std::string NoticeProblem(int style, const std::string& text) {
  if (style != kNoticeBanner && style != kNoticeBox) return "the notice style is 0 (banner) or 1 (box)";
  if (text.empty()) return "the notice text is empty";
  const size_t limit = style == kNoticeBanner ? kBannerTextLimit : kBoxTextLimit;
  if (text.size() >= limit)
    return "the notice text has " + std::to_string(text.size()) + " bytes; a " +
           (style == kNoticeBanner ? "banner" : "box") + " takes at most " + std::to_string(limit - 1);
  return std::string();
}

void Server::Impl::SendNoticeTo(const ConnPtr& c, int style, const std::string& text) {
  Packet p(kMsgServerMessage);
  p.WriteInt32(style);
  p.WriteInt32(static_cast<int32_t>(text.size()));
  p.WriteBytes(text.data(), text.size());
  c->Send(p);
}

int Server::Impl::BroadcastNotice(int style, const std::string& text) {
  // A player is on the master and a game server at times: one copy each, on the game
  // server when there is one, so no banner shows twice.
  std::set<int64_t> reached;
  int sent = 0;
  for (Role role : {Role::kGame, Role::kTour, Role::kMaster}) {
    for (const auto& [account, weak] : online[static_cast<int>(role)]) {
      auto c = weak.lock();
      if (!c || !c->open() || !c->logged_in || !reached.insert(account).second) continue;
      SendNoticeTo(c, style, text);
      ++sent;
    }
  }
  // Game clients at the login screen: they said hello and have not logged in yet.
  for (const auto& c : conns) {
    if (!c->open() || c->logged_in || !c->greeted) continue;
    SendNoticeTo(c, style, text);
    ++sent;
  }
  if (cfg.log_level >= 3)
    Log(LOG_TRACE, "[DEBUG]: tolvan-server | notice (style %d) sent to %d clients", style, sent);
  return sent;
}

void Server::Impl::ScheduleLoginNotice(const ConnPtr& c) {
  if (cfg.notice_after_ms < 0 || !NoticeProblem(cfg.notice_style, cfg.notice_text).empty()) return;
  c->After(cfg.notice_after_ms, [this](const ConnPtr& conn) {
    if (conn->logged_in) SendNoticeTo(conn, cfg.notice_style, cfg.notice_text);
  });
}

bool Server::SendNotice(int style, const std::string& text, std::function<void(int)> done) {
  if (!NoticeProblem(style, text).empty()) return false;
  asio::post(impl_->io, [this, style, text, done = std::move(done)] {
    int sent = impl_->BroadcastNotice(style, text);
    if (done) done(sent);
  });
  return true;
}

}  // namespace tsrv
