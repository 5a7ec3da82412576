#include "Rules.h"

#include <algorithm>
#include <set>

namespace tsrv {

int CardPoints(int code) {
  if (code == kSpecialClub2 || code == kSpecialSpadeQ) return 50;
  if (!IsCard(code)) return 0;
  int r = Rank(code);
  if (r == 12) return 15;
  if (r >= 8) return 10;
  return 5;
}

int MissionValueFor(int code) {
  if (!IsCard(code)) return 0;
  int r = Rank(code);
  if (r == 12) return 125;
  if (r >= 8) return 100;
  return 75;
}

bool IsValidMeld(const std::vector<int>& codes, int kind) {
  if (codes.size() < 3 || codes.size() > 13) return false;
  std::set<int> seen;
  for (int c : codes) {
    if (!IsCard(c) || !seen.insert(c).second) return false;
  }
  if (kind == kKindSet) {
    for (int c : codes)
      if (Rank(c) != Rank(codes[0])) return false;
    return true;
  }
  if (kind == kKindRun) {
    std::vector<int> s(codes);
    std::sort(s.begin(), s.end(), [](int a, int b) { return Rank(a) < Rank(b); });
    for (size_t i = 1; i < s.size(); ++i) {
      if (Suit(s[i]) != Suit(s[0]) || Rank(s[i]) != Rank(s[i - 1]) + 1) return false;
    }
    return true;
  }
  return false;
}

std::vector<int> Meld::Codes() const {
  std::vector<int> v;
  v.reserve(cards.size());
  for (const auto& c : cards) v.push_back(c.code);
  return v;
}

const char* MoveErrorName(MoveError e) {
  switch (e) {
    case MoveError::kNone: return "ok";
    case MoveError::kRoundOver: return "no round in progress";
    case MoveError::kNotYourTurn: return "not this seat's turn";
    case MoveError::kAlreadyActed: return "already drew or took this turn";
    case MoveError::kMustActFirst: return "must draw or take from the pile first";
    case MoveError::kStockEmpty: return "the stock is empty";
    case MoveError::kBadCards: return "bad card list";
    case MoveError::kNotInHand: return "card not in hand";
    case MoveError::kNotAMeld: return "not a meld";
    case MoveError::kNeedsPileCard: return "the first meld must use a pile card";
    case MoveError::kNeedsHandCard: return "a meld from the pile needs a hand card";
    case MoveError::kMustKeepCard: return "one card must be left to throw";
    case MoveError::kNoMelds: return "attaching needs an own meld";
    case MoveError::kNoSuchMeld: return "no such meld";
    case MoveError::kDoesNotFit: return "cards do not fit the meld";
    case MoveError::kTooManyMelds: return "too many melds";
    case MoveError::kNotForced: return "only the last turn may end the round";
    case MoveError::kMustKnock: return "the last turn must go out or end";
    case MoveError::kCannotChange: return "cards can be changed only before the first draw, without melds";
  }
  return "?";
}

const char* MoveActionName(int action) {
  switch (action) {
    case Move::kDraw: return "draw";
    case Move::kDown: return "down";
    case Move::kAttach: return "attach";
    case Move::kThrow: return "throw";
    case Move::kEnd: return "end";
  }
  return "unknown";
}

int Game::HandSize(int players) {
  if (players <= 2) return 11;
  if (players == 3) return 9;
  return 7;
}

int Game::players() const {
  int n = 0;
  for (int s = 0; s < kMaxSeats; ++s)
    if (mask_ & (1u << s)) ++n;
  return n;
}

int Game::NextSeat(int seat) const {
  for (int i = 1; i <= kMaxSeats; ++i) {
    int s = (seat + i) % kMaxSeats;
    if (mask_ & (1u << s)) return s;
  }
  return seat;
}

void Game::Start(uint32_t seats_mask, int first, std::mt19937_64& rng) {
  std::vector<int> pack(kDeckSize);
  for (int i = 0; i < kDeckSize; ++i) pack[i] = i;
  std::shuffle(pack.begin(), pack.end(), rng);
  int mission;
  do {
    mission = static_cast<int>(rng() % kDeckSize);
  } while (mission == kSpecialClub2 || mission == kSpecialSpadeQ);
  StartWithPack(seats_mask, first, pack, mission);
}

void Game::StartWithPack(uint32_t seats_mask, int first, const std::vector<int>& order,
                         int mission_card) {
  mask_ = seats_mask & 0xF;
  seats_ = {};
  pile_.clear();
  stock_.clear();
  finished_ = false;
  running_ = true;
  knocker_ = -1;
  end_kind_ = -1;
  knock_bonus_ = 0;
  forced_seat_ = -1;
  aside_.clear();
  mission_card_ = mission_card;
  mission_value_ = 0;
  size_t next = 0;
  int per = HandSize(players());
  for (int k = 0; k < per; ++k) {
    for (int s = 0; s < kMaxSeats; ++s) {
      if (!(mask_ & (1u << s))) continue;
      seats_[s].in_round = true;
      seats_[s].hand.push_back(order[next++]);
    }
  }
  pile_.push_back(TableCard{order[next++], -1, 0});
  // The rest is the stock, drawn from the back in pack order; past the stock limit the
  // pack's last cards are set aside and count as taken.
  size_t end = order.size();
  if (stock_limit_ >= 0 && end - next > static_cast<size_t>(stock_limit_)) {
    aside_.assign(order.begin() + static_cast<long>(next) + stock_limit_, order.end());
    end = next + static_cast<size_t>(stock_limit_);
  }
  for (size_t i = end; i > next; --i) stock_.push_back(order[i - 1]);
  stock_used_ = static_cast<int>(next + aside_.size());
  if (!(mask_ & (1u << first))) first = NextSeat(first);
  BeginTurn(first);
  if (stock_.empty()) forced_seat_ = turn_seat_;  // nothing to draw: the last turn at once
}

void Game::BeginTurn(int seat) {
  turn_seat_ = seat;
  seats_[seat].turn_id += 1;
}

bool Game::HasActed(int seat) const {
  const SeatPlay& p = seats_[seat];
  if (p.drawn_turn_id == p.turn_id || p.took_turn_id == p.turn_id) return true;
  // A meld laid in this turn counts as the turn's start (a dark-knock attempt may lay
  // one from the hand before drawing), as the game client counts it.
  for (const auto& m : p.melds)
    if (m.turn_mark == p.turn_id) return true;
  return false;
}

bool Game::DarkAttemptOpen(int seat) const {
  if (seat == forced_seat_) return false;
  const SeatPlay& p = seats_[seat];
  for (const auto& m : p.melds)
    if (m.turn_mark != p.turn_id) return false;
  return true;
}

void Game::Restore(const TableSnapshot& t) {
  mask_ = t.seats_mask & 0xF;
  seats_ = {};
  running_ = true;
  finished_ = false;
  knocker_ = -1;
  end_kind_ = -1;
  knock_bonus_ = 0;
  aside_.clear();
  mission_card_ = t.mission_card;
  mission_value_ = 0;
  pile_ = t.pile;
  stock_.assign(t.stock.rbegin(), t.stock.rend());
  for (int s = 0; s < kMaxSeats; ++s) {
    if (!(mask_ & (1u << s))) continue;
    const SeatSnapshot& from = t.seats[s];
    SeatPlay& p = seats_[s];
    p.in_round = true;
    p.hand = from.hand;
    p.melds = from.melds;
    p.turn_id = from.turn_id;
    if (from.drew) p.drawn_turn_id = from.turn_id;
    else if (!from.never_drew) p.drawn_turn_id = from.turn_id - 1;
    if (from.took) {
      p.took_turn_id = from.turn_id;
      p.took_feeder = from.took_feeder;
    }
  }
  stock_used_ = kDeckSize - static_cast<int>(stock_.size());
  turn_seat_ = t.turn_seat;
  forced_seat_ = t.forced ? t.turn_seat : -1;
}

MoveError Game::Apply(int seat, const Move& mv, MoveOutcome* out) {
  MoveOutcome local;
  if (!out) out = &local;
  *out = MoveOutcome{};
  switch (mv.action) {
    case Move::kDraw: return Draw(seat, &out->card);
    case Move::kDown: return Down(seat, mv.cards, mv.kind, mv.knock_flag, &out->down);
    case Move::kAttach:
      return Attach(seat, mv.target_seat, mv.meld_index, mv.cards, mv.knock_flag, &out->attach);
    case Move::kThrow:
      if (mv.cards.size() != 1) return MoveError::kBadCards;
      return Throw(seat, mv.cards[0], &out->thrown);
    case Move::kEnd: return End(seat);
  }
  return MoveError::kBadCards;
}

MoveError JudgeMove(const TableSnapshot& t, int seat, const Move& mv) {
  if (seat < 0 || seat >= kMaxSeats || !(t.seats_mask & (1u << seat))) return MoveError::kNotYourTurn;
  Game g;
  g.Restore(t);
  return g.Apply(seat, mv, nullptr);
}

MoveError JudgeCardChange(const TableSnapshot& t, int seat, const std::vector<int>& codes) {
  if (seat < 0 || seat >= kMaxSeats || !(t.seats_mask & (1u << seat))) return MoveError::kNotYourTurn;
  Game g;
  g.Restore(t);
  return g.ChangeCards(seat, codes, nullptr);
}

bool Game::InHand(int seat, int code) const {
  const auto& h = seats_[seat].hand;
  return std::find(h.begin(), h.end(), code) != h.end();
}

void Game::RemoveFromHand(int seat, int code) {
  auto& h = seats_[seat].hand;
  auto it = std::find(h.begin(), h.end(), code);
  if (it != h.end()) h.erase(it);
}

MoveError Game::Draw(int seat, int* card) {
  if (!running_) return MoveError::kRoundOver;
  if (seat != turn_seat_) return MoveError::kNotYourTurn;
  if (HasActed(seat)) return MoveError::kAlreadyActed;
  if (stock_.empty()) return MoveError::kStockEmpty;
  int c = stock_.back();
  stock_.pop_back();
  ++stock_used_;
  SeatPlay& p = seats_[seat];
  p.hand.push_back(c);
  p.drawn_turn_id = p.turn_id;
  if (card) *card = c;
  return MoveError::kNone;
}

static bool Distinct(const std::vector<int>& codes) {
  std::set<int> s(codes.begin(), codes.end());
  return s.size() == codes.size();
}

void Game::MarkSpecials(int seat, const std::vector<int>& codes, int pile_from,
                        const std::vector<TableCard>& taken, DownOutcome* out) {
  SeatPlay& p = seats_[seat];
  auto fed_by = [&](int code) {
    if (pile_from < 0) return -1;
    for (const auto& t : taken)
      if (t.code == code) return (t.owner >= 0 && t.owner != seat) ? t.owner : -1;
    return -1;
  };
  for (int code : codes) {
    if (code == mission_card_ && mission_value_ == 0) {
      mission_value_ = MissionValueFor(code);
      p.bonus += mission_value_;
      p.counters[kEvMission] += 1;
      out->mission_event = kEvMission;
      int f = fed_by(code);
      if (f >= 0) {
        out->mission_flags[f] = 1;
        seats_[f].penalties[kPenMissionFed] += 1;
        seats_[f].penalty += 50;
      }
    }
    if (code == kSpecialClub2 || code == kSpecialSpadeQ) {
      bool club = code == kSpecialClub2;
      p.counters[club ? kEvClub2 : kEvSpadeQ] += 1;
      (club ? out->club2_event : out->spadeq_event) = club ? kEvClub2 : kEvSpadeQ;
      int f = fed_by(code);
      if (f >= 0) {
        (club ? out->club2_flags : out->spadeq_flags)[f] = 1;
        seats_[f].penalties[kPenSpecialFed] += 1;
        seats_[f].penalty += 50;
      }
    }
  }
}

MoveError Game::Down(int seat, const std::vector<int>& codes, int kind, bool knock_flag,
                     DownOutcome* out) {
  DownOutcome local;
  if (!out) out = &local;
  *out = DownOutcome{};
  if (!running_) return MoveError::kRoundOver;
  if (seat != turn_seat_) return MoveError::kNotYourTurn;
  if (codes.size() < 3 || codes.size() > 13 || !Distinct(codes)) return MoveError::kBadCards;
  for (int c : codes)
    if (!IsCard(c)) return MoveError::kBadCards;
  if (!IsValidMeld(codes, kind)) return MoveError::kNotAMeld;
  SeatPlay& p = seats_[seat];
  if (p.melds.size() >= kMaxMelds) return MoveError::kTooManyMelds;

  int pile_from = -1;
  int hand_cards = 0;
  for (int c : codes) {
    if (InHand(seat, c)) {
      ++hand_cards;
      continue;
    }
    int idx = -1;
    for (size_t i = 0; i < pile_.size(); ++i)
      if (pile_[i].code == c) idx = static_cast<int>(i);
    if (idx < 0) return MoveError::kNotInHand;
    if (pile_from < 0 || idx < pile_from) pile_from = idx;
  }
  bool acted = HasActed(seat);
  // A dark-knock attempt (the knock flag while the attempt is open) may lay its first
  // meld from the hand, before drawing; every other first meld uses a pile card.
  const bool dark = knock_flag && DarkAttemptOpen(seat);
  if (pile_from >= 0) {
    if (acted) return MoveError::kAlreadyActed;
    if (hand_cards < 1) return MoveError::kNeedsHandCard;
  } else {
    if (p.melds.empty() && !dark) return MoveError::kNeedsPileCard;
    if (!acted && !dark) return MoveError::kMustActFirst;
  }
  int taken = pile_from >= 0 ? static_cast<int>(pile_.size()) - pile_from : 0;
  int left = static_cast<int>(p.hand.size()) + taken - static_cast<int>(codes.size());
  if (left < 1) return MoveError::kMustKeepCard;

  // Apply: the pile from the taken card up goes to the hand, the meld leaves the hand.
  std::vector<TableCard> taken_cards;
  if (pile_from >= 0) {
    taken_cards.assign(pile_.begin() + pile_from, pile_.end());
    pile_.erase(pile_.begin() + pile_from, pile_.end());
    for (const auto& t : taken_cards) p.hand.push_back(t.code);
    p.took_turn_id = p.turn_id;
    p.took_feeder = (taken_cards[0].owner >= 0 && taken_cards[0].owner != seat)
                        ? taken_cards[0].owner
                        : -1;
  } else if (p.melds.empty()) {
    p.dark_claim_turn = p.turn_id;  // only a dark-knock attempt gets here
  }
  Meld m;
  m.kind = kind;
  m.turn_mark = p.turn_id;
  std::vector<int> ordered(codes);
  if (kind == kKindRun)
    std::sort(ordered.begin(), ordered.end(), [](int a, int b) { return Rank(a) < Rank(b); });
  for (int c : ordered) {
    RemoveFromHand(seat, c);
    m.cards.push_back(TableCard{c, seat, p.turn_id});
  }
  p.melds.push_back(std::move(m));
  out->meld_index = static_cast<int>(p.melds.size()) - 1;
  out->pile_from = pile_from;
  MarkSpecials(seat, codes, pile_from, taken_cards, out);
  return MoveError::kNone;
}

MoveError Game::Attach(int seat, int target_seat, int meld_index, const std::vector<int>& codes,
                       bool knock_flag, AttachOutcome* out) {
  AttachOutcome local;
  if (!out) out = &local;
  *out = AttachOutcome{};
  if (!running_) return MoveError::kRoundOver;
  if (seat != turn_seat_) return MoveError::kNotYourTurn;
  if (target_seat < 0 || target_seat >= kMaxSeats || !(mask_ & (1u << target_seat)))
    return MoveError::kNoSuchMeld;
  SeatPlay& p = seats_[seat];
  SeatPlay& t = seats_[target_seat];
  if (meld_index < 0 || meld_index >= static_cast<int>(t.melds.size()))
    return MoveError::kNoSuchMeld;
  if (codes.empty() || codes.size() > 13 || !Distinct(codes)) return MoveError::kBadCards;
  for (int c : codes) {
    if (!IsCard(c)) return MoveError::kBadCards;
    if (!InHand(seat, c)) return MoveError::kNotInHand;
  }
  // In a dark-knock attempt an attach needs neither an own meld nor a draw first.
  const bool dark = knock_flag && DarkAttemptOpen(seat);
  const bool acted = HasActed(seat);
  if (p.melds.empty() && !dark) return MoveError::kNoMelds;
  if (!acted && !dark) return MoveError::kMustActFirst;
  Meld& m = t.melds[meld_index];
  std::vector<int> all = m.Codes();
  all.insert(all.end(), codes.begin(), codes.end());
  if (!IsValidMeld(all, m.kind)) return MoveError::kDoesNotFit;
  if (static_cast<int>(p.hand.size()) - static_cast<int>(codes.size()) < 1)
    return MoveError::kMustKeepCard;

  if (p.melds.empty() || !acted) p.dark_claim_turn = p.turn_id;  // only a dark attempt gets here
  for (int c : codes) {
    RemoveFromHand(seat, c);
    m.cards.push_back(TableCard{c, seat, p.turn_id});
  }
  if (m.kind == kKindRun)
    std::sort(m.cards.begin(), m.cards.end(),
              [](const TableCard& a, const TableCard& b) { return Rank(a.code) < Rank(b.code); });
  // One event is reported (special cards first); every card still counts for the seat.
  for (int c : codes) {
    int ev = -1;
    if (c == kSpecialClub2) ev = kEvClub2;
    else if (c == kSpecialSpadeQ) ev = kEvSpadeQ;
    else if (c == mission_card_ && mission_value_ == 0) {
      ev = kEvMission;
      mission_value_ = MissionValueFor(c);
      p.bonus += mission_value_;
    }
    if (ev < 0) continue;
    p.counters[ev] += 1;
    if (out->event < 0 || (out->event == kEvMission && ev != kEvMission)) out->event = ev;
  }
  return MoveError::kNone;
}

MoveError Game::Throw(int seat, int code, ThrowOutcome* out) {
  ThrowOutcome local;
  if (!out) out = &local;
  *out = ThrowOutcome{};
  if (!running_) return MoveError::kRoundOver;
  if (seat != turn_seat_) return MoveError::kNotYourTurn;
  if (!IsCard(code)) return MoveError::kBadCards;
  if (!InHand(seat, code)) return MoveError::kNotInHand;
  if (!HasActed(seat)) return MoveError::kMustActFirst;
  SeatPlay& p = seats_[seat];
  if (seat == forced_seat_ && p.hand.size() != 1) return MoveError::kMustKnock;
  RemoveFromHand(seat, code);
  pile_.push_back(TableCard{code, seat, p.turn_id});

  if (p.hand.empty()) {
    bool dark = true;
    bool color = !p.melds.empty();
    for (const auto& m : p.melds) {
      if (m.turn_mark != p.turn_id) dark = false;
      if (m.kind != kKindRun || Suit(m.cards[0].code) != Suit(code)) color = false;
    }
    int kind = dark ? (color ? 3 : 1) : (color ? 2 : 0);
    int bonus = 50 * (dark ? 2 : 1) * (color ? 2 : 1);
    p.bonus += bonus;
    p.counters[kEvKnock] += 1;
    if (kind > 0) p.counters[kind] += 1;
    int feeder = p.took_turn_id == p.turn_id ? p.took_feeder : -1;
    if (feeder >= 0) {
      seats_[feeder].penalty += bonus;
      seats_[feeder].penalties[kPenKnockFed] += 1;
    }
    out->round_end = true;
    out->end_kind = kind;
    out->feeder = feeder;
    knocker_ = seat;
    end_kind_ = kind;
    knock_bonus_ = bonus;
    running_ = false;
    finished_ = true;
    return MoveError::kNone;
  }
  if (p.dark_claim_turn == p.turn_id) p.penalty += 50;  // a dark-knock claim that failed
  out->next_turn = true;
  BeginTurn(NextSeat(seat));
  // The stock ran out: the next seat plays the last turn, in which it may only go out
  // (through the pile) or end the round.
  if (stock_.empty()) forced_seat_ = turn_seat_;
  return MoveError::kNone;
}

MoveError Game::End(int seat) {
  if (!running_) return MoveError::kRoundOver;
  if (seat != turn_seat_) return MoveError::kNotYourTurn;
  if (seat != forced_seat_) return MoveError::kNotForced;
  running_ = false;
  finished_ = true;
  knocker_ = -1;
  end_kind_ = -1;
  return MoveError::kNone;
}

MoveError Game::ChangeCards(int seat, const std::vector<int>& codes, std::vector<int>* drawn) {
  if (!running_) return MoveError::kRoundOver;
  if (seat != turn_seat_) return MoveError::kNotYourTurn;
  if (codes.empty() || codes.size() > 3 || !Distinct(codes)) return MoveError::kBadCards;
  for (int c : codes) {
    if (!IsCard(c)) return MoveError::kBadCards;
    if (!InHand(seat, c)) return MoveError::kNotInHand;
  }
  SeatPlay& p = seats_[seat];
  // As the game client offers it: on the own turn, before the round's first draw and
  // before any meld.
  if (HasActed(seat) || p.drawn_turn_id >= 1 || !p.melds.empty()) return MoveError::kCannotChange;
  if (stock_.size() < codes.size()) return MoveError::kStockEmpty;
  if (drawn) drawn->clear();
  for (int c : codes) {
    int fresh = stock_.back();
    stock_.pop_back();
    *std::find(p.hand.begin(), p.hand.end(), c) = fresh;
    stock_.insert(stock_.begin(), c);  // under the stock: drawn last
    if (drawn) drawn->push_back(fresh);
  }
  p.changed += static_cast<int>(codes.size());
  return MoveError::kNone;
}

RoundScore Game::Score() const {
  RoundScore r;
  r.knocker = knocker_;
  r.end_kind = end_kind_;
  for (int s = 0; s < kMaxSeats; ++s) {
    if (!(mask_ & (1u << s))) continue;
    r.plus[s] = seats_[s].bonus;
    r.minus[s] = seats_[s].penalty;
    for (int c : seats_[s].hand) r.minus[s] += CardPoints(c);
  }
  for (int s = 0; s < kMaxSeats; ++s)
    for (const auto& m : seats_[s].melds)
      for (const auto& c : m.cards)
        if (c.owner >= 0 && c.owner < kMaxSeats) r.plus[c.owner] += CardPoints(c.code);
  for (int s = 0; s < kMaxSeats; ++s) r.total[s] = r.plus[s] - r.minus[s];
  if (knocker_ >= 0) {
    r.winner = knocker_;
  } else {
    for (int s = 0; s < kMaxSeats; ++s) {
      if (!(mask_ & (1u << s))) continue;
      if (r.winner < 0 || r.total[s] > r.total[r.winner]) r.winner = s;
    }
  }
  return r;
}

std::array<int64_t, 4> SettleChips(const RoundScore& score, uint32_t seats_mask, int64_t stake,
                                   const std::array<int64_t, 4>& balances) {
  std::array<int64_t, 4> d{};
  int n = 0;
  for (int s = 0; s < kMaxSeats; ++s)
    if (seats_mask & (1u << s)) ++n;
  if (n < 2 || stake <= 0) return d;
  for (int i = 0; i < kMaxSeats; ++i) {
    if (!(seats_mask & (1u << i))) continue;
    for (int j = i + 1; j < kMaxSeats; ++j) {
      if (!(seats_mask & (1u << j))) continue;
      int64_t diff = static_cast<int64_t>(score.total[i]) - score.total[j];
      int64_t t = diff * stake / (50 * static_cast<int64_t>(n - 1));
      d[i] += t;
      d[j] -= t;
    }
  }
  // Cap losses at the balance; the shortfall comes off the winners.
  int64_t shortfall = 0, gains = 0;
  for (int s = 0; s < kMaxSeats; ++s) {
    int64_t bal = balances[s] < 0 ? 0 : balances[s];
    if (d[s] < -bal) {
      shortfall += -bal - d[s];
      d[s] = -bal;
    }
    if (d[s] > 0) gains += d[s];
  }
  if (shortfall > 0 && gains > 0) {
    int64_t removed = 0;
    for (int s = 0; s < kMaxSeats; ++s) {
      if (d[s] <= 0) continue;
      int64_t cut = static_cast<int64_t>((static_cast<__int128>(d[s]) * shortfall) / gains);
      d[s] -= cut;
      removed += cut;
    }
    // Integer remainders, one chip at a time from the largest gain.
    while (removed < shortfall) {
      int best = -1;
      for (int s = 0; s < kMaxSeats; ++s)
        if (d[s] > 0 && (best < 0 || d[s] > d[best])) best = s;
      if (best < 0) break;
      d[best] -= 1;
      ++removed;
    }
  }
  return d;
}

bool Game::CardsConserved() const {
  std::array<int, kDeckSize> n{};
  auto add = [&](int c) {
    if (IsCard(c)) n[c]++;
  };
  for (int c : stock_) add(c);
  for (int c : aside_) add(c);
  for (const auto& t : pile_) add(t.code);
  for (const auto& p : seats_) {
    for (int c : p.hand) add(c);
    for (const auto& m : p.melds)
      for (const auto& c : m.cards) add(c.code);
  }
  for (int c = 0; c < kDeckSize; ++c)
    if (n[c] != 1) return false;
  return true;
}

}  // namespace tsrv
