#pragma once
// The server's judge of a round: deal, turns, moves and their checks, round end and
// scoring. Pure logic without I/O so that tests, bots and the table share one referee.
#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace tsrv {

constexpr int kMaxSeats = 4;
constexpr int kDeckSize = 52;
constexpr int kHiddenCard = 52;  // what other players see of a hand card
constexpr int kSpecialClub2 = 0;    // suit 0, rank 0
constexpr int kSpecialSpadeQ = 49;  // suit 3, rank 10
constexpr int kMaxMelds = 20;

inline int Suit(int code) { return code / 13; }
inline int Rank(int code) { return code % 13; }
inline bool IsCard(int code) { return code >= 0 && code < kDeckSize; }

// Points of one card: the two special cards 50, ace (rank 12) 15, ten to king
// (ranks 8 to 11) 10, two to nine (ranks 0 to 7) 5.
int CardPoints(int code);
// What laying the mission card earns: 75 for ranks 2 to 9, 100 for 10 to K, 125 for the ace.
int MissionValueFor(int code);

enum MeldKind { kKindRun = 2, kKindSet = 3 };

// Whether the codes form a meld of the kind: a run is three or more consecutive ranks of
// one suit (no wrap from the ace to the two), a set is three or more cards of one rank.
// Codes must be distinct cards.
bool IsValidMeld(const std::vector<int>& codes, int kind);

struct TableCard {
  int code = -1;
  int owner = -1;      // seat that laid or threw it
  int turn_mark = 0;   // that seat's turn id at the time
};

struct Meld {
  int kind = 0;
  int turn_mark = 0;
  std::vector<TableCard> cards;  // runs kept in rank order
  std::vector<int> Codes() const;
};

// First-group counters (achievements, seat state offset 64) and second-group counters
// (penalties, offset 108) as the client counts them.
enum Event {
  kEvKnock = 0, kEvDarkKnock = 1, kEvColorKnock = 2, kEvDarkColorKnock = 3,
  kEvMission = 4, kEvClub2 = 5, kEvSpadeQ = 6,
};
enum Penalty { kPenMissionFed = 3, kPenSpecialFed = 4, kPenKnockFed = 6 };

struct SeatPlay {
  bool in_round = false;
  std::vector<int> hand;
  std::vector<Meld> melds;
  int turn_id = 0;
  int drawn_turn_id = -1;
  int took_turn_id = -1;        // turn in which the seat took from the pile
  int took_feeder = -1;         // the seat whose thrown card was taken
  int dark_claim_turn = -1;     // turn in which it laid or attached under a dark-knock claim
  int changed = 0;              // cards changed with card-change items this round
  int bonus = 0;                // plus points beyond the laid cards
  int penalty = 0;              // minus points beyond the hand
  std::array<int, 11> counters{};
  std::array<int, 7> penalties{};
};

enum class MoveError {
  kNone = 0, kRoundOver, kNotYourTurn, kAlreadyActed, kMustActFirst, kStockEmpty,
  kBadCards, kNotInHand, kNotAMeld, kNeedsPileCard, kNeedsHandCard, kMustKeepCard,
  kNoMelds, kNoSuchMeld, kDoesNotFit, kTooManyMelds, kNotForced, kMustKnock, kCannotChange,
};
const char* MoveErrorName(MoveError e);

struct DownOutcome {
  int meld_index = -1;
  int pile_from = -1;  // lowest pile index taken, -1 when no pile card was used
  int mission_event = -1;
  std::array<int, 4> mission_flags{};
  int club2_event = -1;
  std::array<int, 4> club2_flags{};
  int spadeq_event = -1;
  std::array<int, 4> spadeq_flags{};
};

struct AttachOutcome {
  int event = -1;
  int flagged = -1;
};

struct ThrowOutcome {
  bool round_end = false;
  int end_kind = -1;  // 0 knock, 1 dark, 2 colour, 3 dark colour; -1 the stock ran out
  int event_a = -1;
  int event_b = -1;
  int feeder = -1;
  bool next_turn = false;
};

// One move of a seat, as a player sends it or a bot chooses it.
struct Move {
  enum Action { kDraw = 0, kDown = 1, kAttach = 2, kThrow = 3, kEnd = 4 } action = kDraw;
  std::vector<int> cards;  // the meld, the attached cards or the thrown card
  int kind = 0;            // a down's meld kind
  int target_seat = -1;    // an attach's meld
  int meld_index = -1;
  bool knock_flag = false;
};
const char* MoveActionName(int action);

// What an accepted move did, for the messages that report it.
struct MoveOutcome {
  int card = -1;  // the card drawn
  DownOutcome down;
  AttachOutcome attach;
  ThrowOutcome thrown;
};

struct RoundScore {
  std::array<int, 4> plus{};
  std::array<int, 4> minus{};
  std::array<int, 4> total{};
  int winner = -1;
  int knocker = -1;
  int end_kind = -1;
};

// Chips that change hands after a round (zero-sum). Every pair of seats settles the
// difference of their totals at `stake` chips per 50 points, shared over the other seats;
// nobody loses more than the balance they hold, and what a short loser cannot pay is
// taken off the winners in proportion to their gains.
std::array<int64_t, 4> SettleChips(const RoundScore& score, uint32_t seats_mask, int64_t stake,
                                   const std::array<int64_t, 4>& balances);

// A table as a test or a check describes it: who sits, whose turn it is, every hand,
// meld, the pile and the stock. Melds whose turn mark equals the seat's turn id were
// laid in this turn.
struct SeatSnapshot {
  std::vector<int> hand;
  std::vector<Meld> melds;
  int turn_id = 1;
  bool drew = false;        // drew from the stock in this turn
  bool took = false;        // took from the pile in this turn
  int took_feeder = -1;     // whose thrown card it took
  bool never_drew = true;   // has not drawn from the stock in this round
};
struct TableSnapshot {
  uint32_t seats_mask = 0b11;
  int turn_seat = 0;
  std::array<SeatSnapshot, kMaxSeats> seats{};
  std::vector<TableCard> pile;  // bottom first
  std::vector<int> stock;       // in drawing order
  int mission_card = -1;
  bool forced = false;          // the turn seat plays the last turn (stock empty)
};

class Game;
// The judgement of one move of `seat` on the table `t`, without changing anything: the
// same rules the server plays by. Pure: the same snapshot and move give the same answer.
MoveError JudgeMove(const TableSnapshot& t, int seat, const Move& mv);
// The judgement of a card change of `seat` (the codes it gives up).
MoveError JudgeCardChange(const TableSnapshot& t, int seat, const std::vector<int>& codes);

class Game {
 public:
  // Cards per seat by table size: 2 players 11, 3 players 9, 4 players 7.
  static int HandSize(int players);

  // Shuffles a full pack and deals to the seats in `seats_mask`; the next card opens the
  // pile and a mission card is named (any card but the two special ones). `first` starts.
  void Start(uint32_t seats_mask, int first, std::mt19937_64& rng);
  // Deals a fixed order (tests): `order` is the pack, dealt from its front.
  void StartWithPack(uint32_t seats_mask, int first, const std::vector<int>& order,
                     int mission_card);

  // Rebuilds a round in play from a snapshot (a test's table, or a check's copy).
  void Restore(const TableSnapshot& t);
  // Cards beyond this many are left out of the stock (set aside unseen and counted as
  // taken from it), so that a round reaches its last turn sooner; -1 keeps them all.
  void set_stock_limit(int n) { stock_limit_ = n; }

  // Any move by its action.
  MoveError Apply(int seat, const Move& mv, MoveOutcome* out);
  MoveError Draw(int seat, int* card);
  MoveError Down(int seat, const std::vector<int>& codes, int kind, bool knock_flag,
                 DownOutcome* out);
  MoveError Attach(int seat, int target_seat, int meld_index, const std::vector<int>& codes,
                   bool knock_flag, AttachOutcome* out);
  MoveError Throw(int seat, int code, ThrowOutcome* out);
  // The seat of the last turn gives up going out: the round ends as when the stock ran
  // out.
  MoveError End(int seat);
  // Gives `codes` (1 to 3 hand cards) back under the stock and draws as many from its
  // top into their places. `*drawn` gets the new cards in the order of `codes`.
  MoveError ChangeCards(int seat, const std::vector<int>& codes, std::vector<int>* drawn);

  RoundScore Score() const;

  bool running() const { return running_; }
  bool finished() const { return finished_; }
  int turn_seat() const { return turn_seat_; }
  int stock_used() const { return stock_used_; }
  int stock_left() const { return static_cast<int>(stock_.size()); }
  int mission_card() const { return mission_card_; }
  int mission_value() const { return mission_value_; }
  const std::vector<TableCard>& pile() const { return pile_; }
  const SeatPlay& seat(int s) const { return seats_[s]; }
  uint32_t seats_mask() const { return mask_; }
  int players() const;
  // Drew, took from the pile or laid a meld in this turn.
  bool HasActed(int seat) const;
  // The seat whose turn is the last one (the stock ran out), -1 none.
  int forced_seat() const { return forced_seat_; }
  // Whether `seat` may still try a dark knock in this turn: it had no meld when the turn
  // began and does not play the last turn.
  bool DarkAttemptOpen(int seat) const;
  const std::vector<int>& stock() const { return stock_; }
  int NextSeat(int seat) const;

  // Every card accounted for exactly once across hands, melds, pile and stock.
  bool CardsConserved() const;

 private:
  void BeginTurn(int seat);
  bool InHand(int seat, int code) const;
  void RemoveFromHand(int seat, int code);
  void MarkSpecials(int seat, const std::vector<int>& codes, int pile_from,
                    const std::vector<TableCard>& taken, DownOutcome* out);

  uint32_t mask_ = 0;
  bool running_ = false;
  bool finished_ = false;
  int turn_seat_ = -1;
  int stock_used_ = 0;
  int mission_card_ = -1;
  int mission_value_ = 0;
  int knocker_ = -1;
  int end_kind_ = -1;
  int knock_bonus_ = 0;
  int forced_seat_ = -1;
  int stock_limit_ = -1;
  std::vector<int> stock_;  // drawn from the back
  std::vector<int> aside_;  // left out of the stock by the stock limit
  std::vector<TableCard> pile_;
  std::array<SeatPlay, kMaxSeats> seats_{};
};

}  // namespace tsrv
