#pragma once
// Move choice for a seat played by the server: bots, and players whose turn time ran out.
#include <vector>

#include "Rules.h"

namespace tsrv {

using BotMove = Move;

// The next move for `seat`, whose turn it is. Sensible play: take a pile card when it
// makes a meld at once, else draw; lay every meld the hand holds once the seat has melds
// (or when all cards can go down this turn: a dark knock); attach what fits; throw the
// least useful card. In the last turn (the stock ran out) it goes out when the hand and
// the pile allow it, else ends. Always returns a legal move while the round runs.
BotMove ChooseMove(const Game& game, int seat);

// How useful a hand card is to keep (higher: keep it).
int CardUsefulness(const std::vector<int>& hand, int code);

// Finds the best meld inside `cards` (largest, then most points); empty when none.
std::vector<int> FindMeld(const std::vector<int>& cards, int* kind);

}  // namespace tsrv
