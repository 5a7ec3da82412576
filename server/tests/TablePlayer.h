#pragma once
// A seated headless player: keeps the client-side table model from the server's table
// messages (read with the client's own message records) and plays legal moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "Bot.h"
#include "ProtocolClient.h"
#include "Session.h"
#include "Rules.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXTableMessages.h"

struct SeatModel {
  bool present = false;
  int hand_count = 0;
  std::vector<int> hand;  // the own seat's real cards
  std::vector<std::pair<int, std::vector<int>>> melds;  // kind, codes
};

inline std::vector<int> DeckCodes(const GameVXCardDeck& d) {
  std::vector<int> v;
  for (int i = 0; i < d.count; ++i)
    if (d.cards[i]) v.push_back(d.cards[i]->code);
  return v;
}

inline Packet MakePacket(uint16_t id) { return Packet(id); }

class TablePlayer {
 public:
  explicit TablePlayer(ProtocolClient& c) : c_(c) {}

  bool EnterRoom(int64_t stake) {
    // As the room list fills the request: no table address yet, the normal game.
    VXMsg_room_enter_request req;
    req.room.Put(0, -1);
    req.room.SetTableNumber(-1);
    req.room.SetTableKey(-1);
    req.room.SetGameType(0);
    req.room.SetTurnSeconds(40);
    req.room.SetSeats(4);
    req.room.SetStake(stake);
    Packet p;
    Build_Packet(req, p);
    c_.Send(p);
    auto r = c_.RecvId(204, 5000);
    if (!r) return false;
    VXMsg_room_enter_reply rep;
    rep.Read(*r);
    if (rep.result == 0) return false;
    Packet q;
    VXMsg_table_info_request ti;
    Build_Packet(ti, q);
    c_.Send(q);
    auto t = c_.RecvId(206, 5000);
    return t && Apply(*t);
  }

  // Applies one server message to the model. False when it could not be read.
  bool Apply(Packet& p) {
    switch (p.id) {
      case 206: {
        VXMsg_table_info m;
        if (!m.Read(p)) return false;
        if (m.mode == 0) {
          seats_ = {};
          stock_taken_ = m.status.stock_taken;
          turn_seat_ = m.status.turn.Get(16);
          table_state_ = m.status.room.Get(16);
        }
        pile_ = DeckCodes(m.pile);
        for (int i = 0; i < m.entry_count; ++i) {
          int s = m.entries[i].seat;
          if (s < 0 || s > 3 || !m.entries[i].player) continue;
          GameVXPlayer& pl = *m.entries[i].player;
          if (m.mode == 0 && std::string(pl.AccountId()) == account_id) my_seat = s;
          if (m.mode == 2 && s == my_seat) CompareOwn(pl);
          LoadSeat(s, pl);
        }
        return true;
      }
      case 217: {
        VXMsg_game_start m;
        if (!m.Read(p)) return false;
        seats_ = {};
        std::vector<int> pile = DeckCodes(m.pile);
        if (pile.empty()) return false;
        mission_card = pile.front();
        pile_.assign(pile.begin() + 1, pile.end());
        stock_taken_ = m.status.stock_taken;
        table_state_ = 2;
        for (int i = 0; i < m.entry_count; ++i) {
          int s = m.entries[i].seat;
          if (s < 0 || s > 3 || !m.entries[i].player) continue;
          if (std::string(m.entries[i].player->AccountId()) == account_id) my_seat = s;
          LoadSeat(s, *m.entries[i].player);
        }
        ++rounds_started;
        return true;
      }
      case 215: {
        VXMsg_game_turn m;
        if (!m.Read(p)) return false;
        turn_seat_ = m.status.turn.Get(16);
        last_turn_seat_ = m.status.turn.Get(24);
        acted_ = false;
        if (turn_seat_ == my_seat && my_seat >= 0) my_turn_pending_ = true;
        return true;
      }
      case 216: {
        VXMsg_player_action_event e;
        if (!e.Read(p)) return false;
        last_event_ok = e.ok;
        if (!e.ok) return true;
        return ApplyAction(e);
      }
      case 218: {
        VXMsg_game_result r;
        if (!r.Read(p)) return false;
        result = r;
        table_state_ = 3;
        ++results;
        return true;
      }
      case 219: {
        // A no-field event still carries a payload: the client refuses an empty one.
        VXMsg_game_ranking m;
        if (p.PayloadLength() == 0 || !m.Read(p)) return false;
        table_state_ = 4;
        ++rankings;
        return true;
      }
      case 220: {
        VXMsg_game_result_close m;
        return p.PayloadLength() > 0 && m.Read(p);
      }
      default:
        return true;
    }
  }

  // Sends a move and returns the server's answer to it (ok 0 or 1), applying it.
  int Move(Packet& req) {
    c_.Send(req);
    for (;;) {
      auto p = c_.Recv(5000);
      if (!p) return -1;
      if (p->id == 216) {
        VXMsg_player_action_event e;
        Packet copy;
        CopyPacket(*p, copy, true);
        e.Read(copy);
        if (!e.ok || e.seat == my_seat || e.action == VX_ACTION_END) {  // "end" names no seat
          Apply(*p);
          return e.ok;
        }
      }
      Apply(*p);
    }
  }

  // Plays the own turn: take a pile card into a meld or draw, lay melds once laid, attach,
  // then throw the least useful card. Every move must be accepted.
  void PlayTurn() {
    if (last_turn_seat_ == my_seat) {
      // The stock ran out: this player does not try to go out.
      ASSERT_EQ(End(), 1);
      moves_ok++;
      return;
    }
    const SeatModel& me = seats_[my_seat];
    // Take from the pile when its top card makes a meld at once.
    if (!pile_.empty()) {
      std::vector<int> pool = me.hand;
      pool.push_back(pile_.back());
      int kind = 0;
      std::vector<int> m = tsrv::FindMeld(pool, &kind);
      if (!m.empty() && std::find(m.begin(), m.end(), pile_.back()) != m.end() &&
          m.size() < pool.size()) {
        ASSERT_EQ(Down(m, kind, false), 1);
        moves_ok++;
        downs++;
      }
    }
    if (!acted_) {
      ASSERT_EQ(Draw(), 1);
      moves_ok++;
    }
    if (!seats_[my_seat].melds.empty()) {
      for (;;) {
        int kind = 0;
        std::vector<int> m = tsrv::FindMeld(seats_[my_seat].hand, &kind);
        if (m.empty() || m.size() >= seats_[my_seat].hand.size()) break;
        ASSERT_EQ(Down(m, kind, false), 1);
        moves_ok++;
      }
      bool again = true;
      while (again && seats_[my_seat].hand.size() > 1) {
        again = false;
        for (int code : seats_[my_seat].hand) {
          int ts = -1, mi = -1;
          if (FindAttach(code, &ts, &mi)) {
            ASSERT_EQ(Attach(ts, mi, {code}), 1);
            moves_ok++;
            again = true;
            break;
          }
        }
      }
    }
    int best = -1, score = 0;
    for (int code : seats_[my_seat].hand) {
      int s = tsrv::CardUsefulness(seats_[my_seat].hand, code) * 100 - tsrv::CardPoints(code);
      if (best < 0 || s < score) {
        best = code;
        score = s;
      }
    }
    ASSERT_EQ(Throw(best), 1);
    moves_ok++;
  }

  // Moves, written with the client's own request record.
  int Draw() {
    VXMsg_player_action_request req;
    req.action = VX_ACTION_DRAW;
    return Send(req);
  }
  int Down(const std::vector<int>& codes, int kind, bool knock) {
    VXMsg_player_action_request req;
    req.action = VX_ACTION_DOWN;
    req.knock = knock ? 1 : 0;
    return SendWithCards(req, kind, codes);
  }
  int Attach(int seat, int meld, const std::vector<int>& codes) {
    VXMsg_player_action_request req;
    req.action = VX_ACTION_ATTACH;
    req.target_seat = seat;
    req.target_meld = meld;
    return SendWithCards(req, GameVXCardDeck::KIND_PLAIN, codes);
  }
  int End() {
    VXMsg_player_action_request req;
    req.action = VX_ACTION_END;
    return Send(req);
  }
  int Throw(int code) {
    VXMsg_player_action_request req;
    req.action = VX_ACTION_THROW;
    req.card.code = code;
    req.card.owner_seat = my_seat;
    req.card.in_hand = 1;
    return Send(req);
  }

  // Plays until the round's result and ranking arrived.
  void PlayRound() {
    int guard = 0;
    while (rankings_seen_ == rankings && ++guard < 20000) {
      if (table_state_ == 2 && my_turn_pending_) {
        my_turn_pending_ = false;
        PlayTurn();
        if (::testing::Test::HasFatalFailure()) return;
        continue;
      }
      auto p = c_.Recv(10000);
      ASSERT_TRUE(p) << "the table went quiet";
      ASSERT_TRUE(Apply(*p)) << "unreadable message " << p->id;
    }
    rankings_seen_ = rankings;
  }

  bool FindAttach(int code, int* ts, int* mi) const {
    for (int s = 0; s < 4; ++s)
      for (size_t i = 0; i < seats_[s].melds.size(); ++i) {
        std::vector<int> all = seats_[s].melds[i].second;
        all.push_back(code);
        if (tsrv::IsValidMeld(all, seats_[s].melds[i].first)) {
          *ts = s;
          *mi = static_cast<int>(i);
          return true;
        }
      }
    return false;
  }

  const SeatModel& seat(int s) const { return seats_[s]; }
  const std::vector<int>& pile() const { return pile_; }
  int turn_seat() const { return turn_seat_; }
  int table_state() const { return table_state_; }
  int stock_taken() const { return stock_taken_; }

  std::string account_id;
  int my_seat = -1;
  int mission_card = -1;
  int last_event_ok = -1;
  int rounds_started = 0;
  int results = 0;
  int rankings = 0;
  int moves_ok = 0;
  int comparisons = 0;  // server views of the own seat checked against the model
  int mismatches = 0;
  int downs = 0;
  VXMsg_game_result result;

 private:
  int Send(const VXMsg_player_action_request& req) {
    Packet p;
    Build_Packet(req, p);
    return Move(p);
  }
  // The request's deck does not own its cards (they are the hand's): they live here.
  int SendWithCards(VXMsg_player_action_request& req, int kind, const std::vector<int>& codes) {
    std::vector<VXType_card> cards(codes.size());
    req.cards.kind = kind;
    for (size_t i = 0; i < codes.size(); ++i) {
      cards[i].code = codes[i];
      cards[i].owner_seat = my_seat;
      cards[i].in_hand = 1;
      req.cards.Add_Card(&cards[i]);
    }
    const int r = Send(req);
    req.cards.Clear(false);
    return r;
  }

  // The server's view of the own seat against the model built from the events.
  void CompareOwn(GameVXPlayer& pl) {
    ++comparisons;
    std::vector<int> a = DeckCodes(pl.hand), b = seats_[my_seat].hand;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a != b || pl.meld_count != static_cast<int>(seats_[my_seat].melds.size())) {
      ++mismatches;
      return;
    }
    for (int i = 0; i < pl.meld_count; ++i) {
      std::vector<int> x = DeckCodes(*pl.melds[i]), y = seats_[my_seat].melds[i].second;
      std::sort(x.begin(), x.end());
      std::sort(y.begin(), y.end());
      if (x != y) ++mismatches;
    }
  }

  void LoadSeat(int s, GameVXPlayer& pl) {
    SeatModel& m = seats_[s];
    m.present = true;
    m.hand = DeckCodes(pl.hand);
    m.hand_count = pl.hand.count;
    m.melds.clear();
    for (int i = 0; i < pl.meld_count; ++i)
      if (pl.melds[i]) m.melds.push_back({pl.melds[i]->kind, DeckCodes(*pl.melds[i])});
  }

  bool ApplyAction(VXMsg_player_action_event& e) {
    if (e.action == VX_ACTION_END) return true;  // carries nothing; the round's end follows
    if (e.seat < 0 || e.seat > 3) return false;
    SeatModel& m = seats_[e.seat];
    bool mine = e.seat == my_seat;
    switch (e.action) {
      case 0:
        stock_taken_ = e.stock_taken;
        m.hand.push_back(e.card.code);
        m.hand_count++;
        if (mine) acted_ = true;
        return !mine || tsrv::IsCard(e.card.code);
      case 1: {
        std::vector<int> meld = DeckCodes(e.cards);
        int lowest = -1;
        for (int c : meld) {
          auto it = std::find(pile_.begin(), pile_.end(), c);
          if (it != pile_.end()) {
            int idx = static_cast<int>(it - pile_.begin());
            if (lowest < 0 || idx < lowest) lowest = idx;
          }
        }
        if (lowest >= 0) {
          for (size_t i = lowest; i < pile_.size(); ++i) m.hand.push_back(pile_[i]);
          m.hand_count += static_cast<int>(pile_.size()) - lowest;
          pile_.resize(lowest);
          if (mine) acted_ = true;
        }
        for (int c : meld) RemoveCard(m, c, mine);
        m.melds.push_back({e.cards.kind, meld});
        return true;
      }
      case 2: {
        if (e.target_seat < 0 || e.target_seat > 3 ||
            e.target_meld >= static_cast<int>(seats_[e.target_seat].melds.size()) || e.target_meld < 0)
          return false;
        for (int c : DeckCodes(e.cards)) {
          RemoveCard(m, c, mine);
          seats_[e.target_seat].melds[e.target_meld].second.push_back(c);
        }
        return true;
      }
      case 3:
        RemoveCard(m, e.card.code, mine);
        pile_.push_back(e.card.code);
        if (e.round_end) last_end_kind = e.end_kind;
        return true;
      default:
        return true;
    }
  }

  static void RemoveCard(SeatModel& m, int code, bool mine) {
    if (mine) {
      auto it = std::find(m.hand.begin(), m.hand.end(), code);
      if (it != m.hand.end()) m.hand.erase(it);
    } else {
      // Other hands are hidden: any card of theirs goes; a known one (taken from the
      // pile) by preference.
      auto it = std::find(m.hand.begin(), m.hand.end(), code);
      if (it == m.hand.end()) it = std::find(m.hand.begin(), m.hand.end(), tsrv::kHiddenCard);
      if (it != m.hand.end()) m.hand.erase(it);
    }
    m.hand_count--;
  }

  ProtocolClient& c_;
  std::array<SeatModel, 4> seats_{};
  std::vector<int> pile_;
  int turn_seat_ = -1;
  int last_turn_seat_ = -1;  // the seat of the last turn (the stock ran out), -1 none
  int table_state_ = 0;
  int stock_taken_ = 0;
  bool acted_ = false;
  int rankings_seen_ = 0;
  bool my_turn_pending_ = false;

 public:
  int last_end_kind = -2;
};
