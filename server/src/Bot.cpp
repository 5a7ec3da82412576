#include "Bot.h"

#include <algorithm>

namespace tsrv {

namespace {

int Points(const std::vector<int>& v) {
  int p = 0;
  for (int c : v) p += CardPoints(c);
  return p;
}

bool Better(const std::vector<int>& a, const std::vector<int>& b) {
  if (a.size() != b.size()) return a.size() > b.size();
  return Points(a) > Points(b);
}

// Best run through `must` (or any run when must is -1) and best set, from `cards`.
std::vector<int> BestMeldWith(const std::vector<int>& cards, int must, int* kind) {
  bool have[kDeckSize] = {};
  for (int c : cards)
    if (IsCard(c)) have[c] = true;
  std::vector<int> best;
  int best_kind = 0;
  // Sets.
  for (int r = 0; r < 13; ++r) {
    if (must >= 0 && Rank(must) != r) continue;
    std::vector<int> s;
    for (int su = 0; su < 4; ++su)
      if (have[su * 13 + r]) s.push_back(su * 13 + r);
    if (s.size() >= 3 && (best.empty() || Better(s, best))) {
      best = s;
      best_kind = kKindSet;
    }
  }
  // Runs: maximal stretches of one suit.
  for (int su = 0; su < 4; ++su) {
    if (must >= 0 && Suit(must) != su) continue;
    int r = 0;
    while (r < 13) {
      if (!have[su * 13 + r]) {
        ++r;
        continue;
      }
      int start = r;
      while (r < 13 && have[su * 13 + r]) ++r;
      if (r - start < 3) continue;
      std::vector<int> run;
      for (int k = start; k < r; ++k) run.push_back(su * 13 + k);
      if (must >= 0 && std::find(run.begin(), run.end(), must) == run.end()) continue;
      if (best.empty() || Better(run, best)) {
        best = run;
        best_kind = kKindRun;
      }
    }
  }
  if (kind) *kind = best_kind;
  return best;
}

bool FitsTable(const Game& g, int code, int* tseat, int* tindex) {
  for (int s = 0; s < kMaxSeats; ++s) {
    if (!(g.seats_mask() & (1u << s))) continue;
    const auto& melds = g.seat(s).melds;
    for (size_t i = 0; i < melds.size(); ++i) {
      std::vector<int> all = melds[i].Codes();
      all.push_back(code);
      if (IsValidMeld(all, melds[i].kind)) {
        if (tseat) *tseat = s;
        if (tindex) *tindex = static_cast<int>(i);
        return true;
      }
    }
  }
  return false;
}

// Whether the whole hand can go down this turn, leaving exactly one card to throw, using
// melds from the hand and attachments to the table. Fills the first step when it can.
bool CanGoOut(const Game& g, int seat, BotMove* first) {
  std::vector<int> hand = g.seat(seat).hand;
  std::vector<BotMove> steps;
  for (;;) {
    int kind = 0;
    std::vector<int> m = BestMeldWith(hand, -1, &kind);
    if (m.empty() || m.size() >= hand.size()) break;
    BotMove mv;
    mv.action = BotMove::kDown;
    mv.cards = m;
    mv.kind = kind;
    mv.knock_flag = true;
    steps.push_back(mv);
    for (int c : m) hand.erase(std::find(hand.begin(), hand.end(), c));
  }
  bool progress = true;
  while (progress && hand.size() > 1) {
    progress = false;
    for (int c : hand) {
      int ts, ti;
      if (FitsTable(g, c, &ts, &ti)) {
        BotMove mv;
        mv.action = BotMove::kAttach;
        mv.cards = {c};
        mv.target_seat = ts;
        mv.meld_index = ti;
        mv.knock_flag = true;
        steps.push_back(mv);
        hand.erase(std::find(hand.begin(), hand.end(), c));
        progress = true;
        break;
      }
    }
  }
  if (hand.size() != 1 || steps.empty()) return false;
  *first = steps.front();
  return true;
}

}  // namespace

std::vector<int> FindMeld(const std::vector<int>& cards, int* kind) {
  return BestMeldWith(cards, -1, kind);
}

int CardUsefulness(const std::vector<int>& hand, int code) {
  int u = 0;
  for (int c : hand) {
    if (c == code || !IsCard(c)) continue;
    if (Rank(c) == Rank(code)) u += 3;
    if (Suit(c) == Suit(code)) {
      int d = std::abs(Rank(c) - Rank(code));
      if (d == 1) u += 3;
      else if (d == 2) u += 1;
    }
  }
  if (code == kSpecialClub2 || code == kSpecialSpadeQ) u += 4;  // worth keeping for a meld
  return u;
}

namespace {

BotMove ChooseNormal(const Game& g, int seat) {
  BotMove mv;
  const SeatPlay& p = g.seat(seat);
  if (!g.HasActed(seat)) {
    // A pile card that makes a meld with the hand right away, nearest the top first.
    const auto& pile = g.pile();
    for (int i = static_cast<int>(pile.size()) - 1; i >= 0; --i) {
      int taken = static_cast<int>(pile.size()) - i;
      if (taken > 6) break;  // do not swallow a long pile
      std::vector<int> pool = p.hand;
      pool.push_back(pile[i].code);
      int kind = 0;
      std::vector<int> m = BestMeldWith(pool, pile[i].code, &kind);
      if (m.empty()) continue;
      int left = static_cast<int>(p.hand.size()) + taken - static_cast<int>(m.size());
      if (left < 1) continue;
      mv.action = BotMove::kDown;
      mv.cards = m;
      mv.kind = kind;
      return mv;
    }
    if (g.stock_left() > 0) {
      mv.action = BotMove::kDraw;
      return mv;
    }
  }
  if (g.HasActed(seat)) {
    if (p.melds.empty()) {
      BotMove out;
      if (CanGoOut(g, seat, &out)) return out;
    } else {
      int kind = 0;
      std::vector<int> m = BestMeldWith(p.hand, -1, &kind);
      if (!m.empty() && m.size() < p.hand.size()) {
        mv.action = BotMove::kDown;
        mv.cards = m;
        mv.kind = kind;
        return mv;
      }
      if (p.hand.size() > 1) {
        for (int c : p.hand) {
          int ts, ti;
          if (FitsTable(g, c, &ts, &ti)) {
            mv.action = BotMove::kAttach;
            mv.cards = {c};
            mv.target_seat = ts;
            mv.meld_index = ti;
            return mv;
          }
        }
      }
    }
  }
  // Throw the least useful card; among equals the one worth most points (less to lose),
  // and prefer not to hand the next player a card that fits the table.
  int best = -1, best_score = 0;
  for (int c : p.hand) {
    int score = CardUsefulness(p.hand, c) * 100 - CardPoints(c);
    if (FitsTable(g, c, nullptr, nullptr)) score += 250;
    if (c == g.mission_card()) score += 400;
    if (best < 0 || score < best_score) {
      best = c;
      best_score = score;
    }
  }
  mv.action = BotMove::kThrow;
  mv.cards = {best};
  return mv;
}

}  // namespace

BotMove ChooseMove(const Game& g, int seat) {
  if (g.forced_seat() != seat) return ChooseNormal(g, seat);
  // The last turn: play the usual moves on a copy; when they end with the last card
  // thrown, make the first of them, else end the round.
  BotMove end;
  end.action = BotMove::kEnd;
  Game sim = g;
  BotMove first;
  bool have_first = false;
  for (int step = 0; step < 64 && sim.running(); ++step) {
    BotMove mv = ChooseNormal(sim, seat);
    if (mv.action == BotMove::kDraw) return end;  // cannot happen: the stock is empty
    if (mv.action == BotMove::kThrow && sim.seat(seat).hand.size() != 1) return end;
    if (sim.Apply(seat, mv, nullptr) != MoveError::kNone) return end;
    if (!have_first) {
      first = mv;
      have_first = true;
    }
    if (mv.action == BotMove::kThrow) return first;
  }
  return end;
}

}  // namespace tsrv
